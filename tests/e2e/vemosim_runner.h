// Runs the built vemosim as a user would, in a fresh folder of its own, and keeps what it
// printed, its exit status and the files it left.
//
// Each VemosimCase owns a temporary folder:
//     work/   the current folder of the run: inputs go here, relative paths land here
//     root/   a fresh runtime root made from the build's (modules/, meshes/, config/ with
//             only the class config files and the surface bases), so no two tests share
//             hand-over files
// and removes it when it goes.
#ifndef VEMO_TESTS_E2E_VEMOSIM_RUNNER_H
#define VEMO_TESTS_E2E_VEMOSIM_RUNNER_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct VemosimResult {
    int exitCode = -1;  // 128 + signal when the process died of one
    std::string out;    // standard output
    std::string err;    // standard error
};

class VemosimCase {
public:
    VemosimCase();
    ~VemosimCase();
    VemosimCase(const VemosimCase &) = delete;
    VemosimCase &operator=(const VemosimCase &) = delete;

    const std::string &work() const { return work_; }
    const std::string &root() const { return root_; }

    // Files in the work folder, by name relative to it.
    void write(const std::string &name, const std::string &content) const;
    std::optional<std::string> read(const std::string &name) const;
    // Every file under the work folder, sorted, relative to it.
    std::vector<std::string> files() const;

    // Runs vemosim with these arguments in the work folder; --root is added first unless
    // the arguments name one. A run that takes longer than a minute is killed.
    VemosimResult run(const std::vector<std::string> &args) const;

    // Later runs may write files of at most this many bytes (RLIMIT_FSIZE): a write beyond
    // fails as on a full disk. 0: no limit.
    void limitFileSize(std::size_t bytes) { fileSizeLimit_ = bytes; }

    // A file from the source tree (e.g. "examples/two_pods.scn").
    static std::string sourceFile(const std::string &relative);

private:
    std::string base_;
    std::string work_;
    std::string root_;
    std::size_t fileSizeLimit_ = 0;
};

// Lines of a text, without their line ends.
std::vector<std::string> splitLines(const std::string &text);

}  // namespace e2e

#endif
