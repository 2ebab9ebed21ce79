#include "ScenarioText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>

namespace sim {

namespace {

const char *const kBlanks = " \t";

std::string_view StripLeading(std::string_view s) {
    const std::size_t start = s.find_first_not_of(kBlanks);
    return start == std::string_view::npos ? std::string_view() : s.substr(start);
}

std::string_view Strip(std::string_view s) {
    s = StripLeading(s);
    const std::size_t end = s.find_last_not_of(kBlanks);
    return end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
}

bool IsNameChar(unsigned char c) {
    return c > 0x20 && c < 0x7f && c != ':';
}

// Splits text into lines, dropping the line end ("\n" or "\r\n"). A final line without a
// line end still counts; an empty text has no lines.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool Next(std::string_view &line) {
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

    int Number() const { return number_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    int number_ = 0;
};

enum class Section { None, Desc, Environment, Focus, Ships };

struct SectionName {
    const char *begin;
    const char *end;
    Section section;
};

const SectionName kSections[] = {
    {"BEGIN_DESC", "END_DESC", Section::Desc},
    {"BEGIN_ENVIRONMENT", "END_ENVIRONMENT", Section::Environment},
    {"BEGIN_FOCUS", "END_FOCUS", Section::Focus},
    {"BEGIN_SHIPS", "END_SHIPS", Section::Ships},
};

const SectionName *FindSection(std::string_view beginLine) {
    for (const SectionName &s : kSections) {
        if (beginLine == s.begin) {
            return &s;
        }
    }
    return nullptr;
}

// Parser state for one file; each Fail() records the first error and stops the parse.
class Parser {
public:
    Parser(const std::string &fileName, ParsedScenario &out, InputError &error)
        : fileName_(fileName), out_(out), error_(error) {}

    bool Run(std::string_view text) {
        out_ = ParsedScenario();
        LineReader reader(text);
        std::string_view raw;
        while (reader.Next(raw)) {
            line_ = reader.Number();
            if (raw.find('\0') != std::string_view::npos) {
                return Fail("line holds a NUL byte");
            }
            if (raw.size() > kMaxScenarioLineLength) {
                return Fail("line longer than " + std::to_string(kMaxScenarioLineLength) +
                            " characters");
            }
            if (!Line(raw)) {
                return false;
            }
        }
        line_ = reader.Number();
        return Finish();
    }

private:
    bool Fail(const std::string &message) { return FailAt(line_, message); }

    bool FailAt(int line, const std::string &message) {
        error_.file = fileName_;
        error_.line = line;
        error_.message = message;
        return false;
    }

    bool Line(std::string_view raw) {
        const std::string_view text = Strip(raw);
        switch (section_) {
            case Section::None:
                return TopLevel(text);
            case Section::Desc:
                if (text == current_->end) {
                    return Close();
                }
                // Description text is the author's: kept exactly, indentation included.
                out_.scenario.description.emplace_back(raw);
                return true;
            case Section::Environment:
                if (text == current_->end) {
                    return Close();
                }
                if (!text.empty()) {
                    out_.environment.emplace_back(StripLeading(raw));
                }
                return true;
            case Section::Focus:
                return FocusLine(text);
            case Section::Ships:
                return ShipsLine(raw, text);
        }
        return true;
    }

    bool TopLevel(std::string_view text) {
        if (text.empty()) {
            return true;
        }
        if (text.substr(0, 6) != "BEGIN_") {
            if (text.substr(0, 4) == "END_") {
                return Fail("'" + std::string(text) + "' closes no open section");
            }
            return Fail("text outside any section: '" + std::string(text) + "'");
        }
        const SectionName *s = FindSection(text);
        if (s == nullptr) {
            return Fail("unknown section '" + std::string(text) +
                        "' (known: BEGIN_DESC, BEGIN_ENVIRONMENT, BEGIN_FOCUS, BEGIN_SHIPS)");
        }
        auto seen = sectionLines_.find(s->section);
        if (seen != sectionLines_.end()) {
            return Fail(std::string("second ") + s->begin + " section (the first is on line " +
                        std::to_string(seen->second) + ")");
        }
        sectionLines_[s->section] = line_;
        section_ = s->section;
        current_ = s;
        if (s->section == Section::Environment) {
            out_.hasEnvironment = true;
        }
        return true;
    }

    bool Close() {
        section_ = Section::None;
        current_ = nullptr;
        return true;
    }

    bool FocusLine(std::string_view text) {
        if (text.empty()) {
            return true;
        }
        if (text == current_->end) {
            return Close();
        }
        const std::size_t gap = text.find_first_of(kBlanks);
        const std::string_view key = text.substr(0, gap);
        const std::string_view value =
            gap == std::string_view::npos ? std::string_view() : Strip(text.substr(gap));
        if (key != "Ship") {
            return Fail("unknown focus line '" + std::string(text) + "' (expected 'Ship NAME')");
        }
        if (!IsValidVesselName(value)) {
            return Fail("focus line needs one vessel name: '" + std::string(text) + "'");
        }
        if (focusLine_ != 0) {
            return Fail("second focus vessel (the first is on line " + std::to_string(focusLine_) +
                        ")");
        }
        out_.scenario.focus = std::string(value);
        focusLine_ = line_;
        return true;
    }

    bool ShipsLine(std::string_view raw, std::string_view text) {
        if (inBlock_) {
            if (text == "END") {
                inBlock_ = false;
                return true;
            }
            // A block's own lines may be anything but END; only the end of the section
            // (or of the file) shows that END is missing.
            if (text == current_->end) {
                return FailAt(out_.scenario.ships.back().firstLine,
                              "vessel block '" + out_.scenario.ships.back().name + "' has no END");
            }
            if (!text.empty()) {
                out_.scenario.ships.back().lines.emplace_back(StripLeading(raw));
            }
            return true;
        }
        if (text.empty()) {
            return true;
        }
        if (text == current_->end) {
            return Close();
        }
        return BlockHeader(text);
    }

    bool BlockHeader(std::string_view text) {
        const std::size_t colon = text.find(':');
        if (colon == std::string_view::npos) {
            return Fail("expected a vessel block 'Name:Class', got '" + std::string(text) + "'");
        }
        const std::string_view name = text.substr(0, colon);
        const std::string_view className = text.substr(colon + 1);
        if (name.empty()) {
            return Fail("vessel block '" + std::string(text) + "' has no vessel name");
        }
        if (className.empty()) {
            return Fail("vessel block '" + std::string(text) + "' has no class name");
        }
        if (!IsValidVesselName(name)) {
            return Fail("invalid vessel name '" + std::string(name) +
                        "' (printable characters, no blanks or ':')");
        }
        if (!IsValidClassName(className)) {
            return Fail("invalid class name '" + std::string(className) +
                        "' (printable characters, no blanks, ':', '/' or '\\')");
        }
        auto [it, fresh] = shipLines_.emplace(std::string(name), line_);
        if (!fresh) {
            return Fail("second vessel named '" + std::string(name) + "' (the first is on line " +
                        std::to_string(it->second) + ")");
        }
        ShipBlock block;
        block.name = std::string(name);
        block.className = std::string(className);
        block.firstLine = line_;
        out_.scenario.ships.push_back(std::move(block));
        inBlock_ = true;
        return true;
    }

    bool Finish() {
        if (inBlock_) {
            return FailAt(out_.scenario.ships.back().firstLine,
                          "vessel block '" + out_.scenario.ships.back().name + "' has no END");
        }
        if (current_ != nullptr) {
            return FailAt(sectionLines_[section_],
                          std::string(current_->begin) + " has no " + current_->end);
        }
        if (focusLine_ != 0 && shipLines_.count(out_.scenario.focus) == 0) {
            return FailAt(focusLine_,
                          "focus names no vessel of the scenario: '" + out_.scenario.focus + "'");
        }
        return true;
    }

    const std::string &fileName_;
    ParsedScenario &out_;
    InputError &error_;
    int line_ = 0;
    Section section_ = Section::None;
    const SectionName *current_ = nullptr;
    bool inBlock_ = false;
    int focusLine_ = 0;
    std::map<Section, int> sectionLines_;
    std::map<std::string, int> shipLines_;
};

// A line we write must come back unchanged, or at least not change the file's structure.
bool CheckWritable(std::string_view line, const std::string &where, std::string &error) {
    if (line.find_first_of(std::string_view("\n\0", 2)) != std::string_view::npos ||
        (!line.empty() && line.back() == '\r')) {
        error = where + " holds a line break or NUL byte";
        return false;
    }
    if (line.size() > kMaxScenarioLineLength) {
        error = where + " is longer than " + std::to_string(kMaxScenarioLineLength) + " characters";
        return false;
    }
    return true;
}

// Indented by two columns as the host writes it, unless that would make the line too long
// to read back; the reader strips the indentation anyway.
void AppendIndented(std::string &text, std::string_view line) {
    if (line.size() + 2 <= kMaxScenarioLineLength) {
        text += "  ";
    }
    text += line;
    text += '\n';
}

}  // namespace

std::string InputError::Text() const {
    if (line > 0) {
        return file + ":" + std::to_string(line) + ": " + message;
    }
    return file + ": " + message;
}

bool IsValidVesselName(std::string_view name) {
    if (name.empty() || name.size() > kMaxScenarioLineLength) {
        return false;
    }
    for (char c : name) {
        if (!IsNameChar(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

bool IsValidClassName(std::string_view name) {
    return IsValidVesselName(name) && name.front() != '.' &&
           name.find_first_of("/\\") == std::string_view::npos;
}

bool ParseScenarioText(std::string_view text, const std::string &fileName, ParsedScenario &out,
                       InputError &error) {
    Parser parser(fileName, out, error);
    return parser.Run(text);
}

bool ReadScenarioFile(const std::string &path, ParsedScenario &out, InputError &error) {
    std::string content;
    if (!ReadWholeFile(path, content, error)) {
        return false;
    }
    return ParseScenarioText(content, path, out, error);
}

bool FormatScenarioText(const ScenarioFile &scenario, const std::vector<std::string> &environment,
                        bool hasEnvironment, std::string &out, std::string &error) {
    std::string text;
    text += "BEGIN_DESC\n";
    for (std::size_t i = 0; i < scenario.description.size(); ++i) {
        const std::string &line = scenario.description[i];
        const std::string where = "description line " + std::to_string(i + 1);
        if (!CheckWritable(line, where, error)) {
            return false;
        }
        if (Strip(line) == "END_DESC") {
            error = where + " reads END_DESC";
            return false;
        }
        text += line;
        text += '\n';
    }
    text += "END_DESC\n";

    if (hasEnvironment) {
        text += "\nBEGIN_ENVIRONMENT\n";
        for (std::size_t i = 0; i < environment.size(); ++i) {
            const std::string_view line = StripLeading(environment[i]);
            const std::string where = "environment line " + std::to_string(i + 1);
            if (!CheckWritable(line, where, error)) {
                return false;
            }
            if (Strip(line).empty()) {
                continue;
            }
            if (Strip(line) == "END_ENVIRONMENT") {
                error = where + " reads END_ENVIRONMENT";
                return false;
            }
            AppendIndented(text, line);
        }
        text += "END_ENVIRONMENT\n";
    }

    std::set<std::string> names;
    for (const ShipBlock &ship : scenario.ships) {
        if (!IsValidVesselName(ship.name)) {
            error = "vessel name '" + ship.name + "' cannot be written";
            return false;
        }
        if (!IsValidClassName(ship.className)) {
            error = "class name '" + ship.className + "' of vessel '" + ship.name +
                    "' cannot be written";
            return false;
        }
        if (!names.insert(ship.name).second) {
            error = "two vessels named '" + ship.name + "'";
            return false;
        }
    }
    if (!scenario.focus.empty()) {
        if (names.count(scenario.focus) == 0) {
            error = "focus names no vessel of the scenario: '" + scenario.focus + "'";
            return false;
        }
        const std::string line = "Ship " + scenario.focus;
        if (!CheckWritable(line, "focus line", error)) {
            return false;
        }
        text += "\nBEGIN_FOCUS\n";
        AppendIndented(text, line);
        text += "END_FOCUS\n";
    }

    text += "\nBEGIN_SHIPS\n";
    for (const ShipBlock &ship : scenario.ships) {
        const std::string header = ship.name + ":" + ship.className;
        if (!CheckWritable(header, "block header of '" + ship.name + "'", error)) {
            return false;
        }
        text += header;
        text += '\n';
        for (std::size_t i = 0; i < ship.lines.size(); ++i) {
            const std::string_view line = StripLeading(ship.lines[i]);
            const std::string where =
                "line " + std::to_string(i + 1) + " of vessel '" + ship.name + "'";
            if (!CheckWritable(line, where, error)) {
                return false;
            }
            const std::string_view bare = Strip(line);
            if (bare.empty()) {
                continue;  // the reader skips blank lines; writing them changes nothing
            }
            // Either would end the block (or the section) early when read back.
            if (bare == "END" || bare == "END_SHIPS") {
                error = where + " reads '" + std::string(bare) + "'";
                return false;
            }
            AppendIndented(text, line);
        }
        text += "END\n";
    }
    text += "END_SHIPS\n";
    out = std::move(text);
    return true;
}

bool ReadWholeFile(const std::string &path, std::string &content, std::string &error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    std::string data;
    char buffer[65536];
    while (in) {
        in.read(buffer, sizeof buffer);
        const std::streamsize got = in.gcount();
        if (got <= 0) {
            break;
        }
        if (data.size() + static_cast<std::size_t>(got) > kMaxInputFileSize) {
            error = "file larger than " + std::to_string(kMaxInputFileSize) + " bytes";
            return false;
        }
        data.append(buffer, static_cast<std::size_t>(got));
    }
    if (in.bad()) {
        error = "cannot read (is it a folder?)";
        return false;
    }
    content = std::move(data);
    return true;
}

bool ReadWholeFile(const std::string &path, std::string &content, InputError &error) {
    std::string why;
    if (!ReadWholeFile(path, content, why)) {
        error.file = path;
        error.line = 0;
        error.message = why;
        return false;
    }
    return true;
}

bool WriteFileAtomically(const std::string &path, const std::string &content, std::string &error) {
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.empty()) {
        error = "'" + path + "' names a folder, not a file";
        return false;
    }
    std::string temp = folder + "." + base + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = "cannot create a file in '" + (folder.empty() ? std::string(".") : folder) +
                "': " + std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private; a saved scenario is an ordinary file.
    fchmod(fd, 0644);
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = "cannot write '" + path + "': " + std::strerror(errno);
            close(fd);
            unlink(temp.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (close(fd) != 0) {
        error = "cannot write '" + path + "': " + std::strerror(errno);
        unlink(temp.c_str());
        return false;
    }
    if (rename(temp.c_str(), path.c_str()) != 0) {
        error = "cannot write '" + path + "': " + std::strerror(errno);
        unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace sim
