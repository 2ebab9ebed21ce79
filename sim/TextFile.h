// Text files the host and its tools read and write: whole files with a bound on their size,
// their lines, and replacing a file so that no reader ever sees half of it.
#ifndef VEMO_SIM_TEXTFILE_H
#define VEMO_SIM_TEXTFILE_H

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace sim {

// Largest file the readers load, in bytes: far above any real scenario or timeline.
constexpr std::size_t kMaxInputFileSize = 16u * 1024u * 1024u;

// Where and why an input was refused. line is 1-based; 0 when the whole file is at fault
// (it cannot be opened, or is too large).
struct InputError {
    std::string file;
    int line = 0;
    std::string message;

    // "file:line: message", or "file: message" without a line.
    std::string text() const;
};

// Splits text into lines, dropping the line end ("\n" or "\r\n"). A final line without a
// line end still counts; an empty text has no lines.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool next(std::string_view &line) {
        if (pos_ >= text_.size()) {
            return false;
        }
        std::size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) {
            end = text_.size();
        }
        line = text_.substr(pos_, end - pos_);
        // Carriage returns before the line end are line end too, however many an editor
        // left there.
        while (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        pos_ = end + 1;
        ++number_;
        return true;
    }

    int number() const { return number_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    int number_ = 0;
};

// Why a line of a text input is refused: it holds a NUL byte, or has more than `maxLength`
// bytes. Empty for a line that is fine.
std::string lineFault(std::string_view line, std::size_t maxLength);

// Read a whole file into content, bounded by kMaxInputFileSize. false with a message
// (without the file name) in error.
bool readWholeFile(const std::string &path, std::string &content, std::string &error);
// The same for an input the run is given: a failure fills error with the file, line 0 and
// the reason.
bool readWholeFile(const std::string &path, std::string &content, InputError &error);

// Replace the file at path with content so that a reader sees either the old file or the
// whole new one: the text goes to a fresh temporary file in the same folder, which is then
// renamed over path. Only a regular file is replaced, and a new one is made only where
// nothing is: a symbolic link, pipe, device node or folder at path is refused and left as it
// is. On failure nothing is left behind and error says why.
bool writeFileAtomically(const std::string &path, const std::string &content, std::string &error);

// What a file of this type (st_mode) is, for messages: "a regular file", "a symbolic link",
// "a pipe", "a device node", "a folder", "a socket".
const char *fileKindText(mode_t mode);

}  // namespace sim

#endif
