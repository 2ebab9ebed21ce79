#include "vemosim_runner.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace e2e {

namespace {

// Longest a single run may take, s.
constexpr unsigned kRunTimeLimit = 60;

std::string slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

VemosimCase::VemosimCase() {
    std::string pattern = (fs::temp_directory_path() / "vemosim_e2e_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    base_ = pattern;
    work_ = base_ + "/work";
    root_ = base_ + "/root";
    fs::create_directories(work_);
    fs::create_directories(root_ + "/config");
    const fs::path built(VEMO_BUILD_ROOT);
    for (const char *sub : {"modules", "meshes", "config/vessels"}) {
        if (fs::exists(built / sub)) {
            fs::copy(built / sub, fs::path(root_) / sub, fs::copy_options::recursive);
        }
    }
    // The surface bases, config/<Body>/Base/, which no run writes to.
    std::error_code none;
    for (const fs::directory_entry &body : fs::directory_iterator(built / "config", none)) {
        const fs::path to = fs::path(root_) / "config" / body.path().filename() / "Base";
        if (fs::is_directory(body.path() / "Base")) {
            fs::create_directories(to);
            fs::copy(body.path() / "Base", to, fs::copy_options::recursive);
        }
    }
}

VemosimCase::~VemosimCase() {
    std::error_code ignored;
    fs::remove_all(base_, ignored);
}

void VemosimCase::write(const std::string &name, const std::string &content) const {
    const fs::path path = fs::path(work_) / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::optional<std::string> VemosimCase::read(const std::string &name) const {
    const fs::path path = fs::path(work_) / name;
    if (!fs::is_regular_file(path)) {
        return std::nullopt;
    }
    return slurp(path.string());
}

std::vector<std::string> VemosimCase::files() const {
    std::vector<std::string> names;
    for (const auto &entry : fs::recursive_directory_iterator(work_)) {
        if (entry.is_regular_file()) {
            names.push_back(fs::relative(entry.path(), work_).string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

VemosimResult VemosimCase::run(const std::vector<std::string> &args) const {
    std::vector<std::string> all{VEMOSIM_PATH};
    const bool hasRoot = std::any_of(args.begin(), args.end(), [](const std::string &a) {
        return a == "--root" || a.rfind("--root=", 0) == 0;
    });
    if (!hasRoot) {
        all.push_back("--root");
        all.push_back(root_);
    }
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    const std::string outPath = base_ + "/stdout";
    const std::string errPath = base_ + "/stderr";
    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("cannot fork");
    }
    if (pid == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0 || chdir(work_.c_str()) != 0) {
            _exit(127);
        }
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (fileSizeLimit_ > 0) {
            const struct rlimit limit = {fileSizeLimit_, fileSizeLimit_};
            // As a shell's ulimit leaves it: a write past the limit raises SIGXFSZ, which
            // ends a process that does not see to it itself.
            signal(SIGXFSZ, SIG_DFL);
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        alarm(kRunTimeLimit);  // survives exec: a hung run dies of SIGALRM
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error("cannot wait for vemosim");
        }
    }
    VemosimResult r;
    if (WIFEXITED(status)) {
        r.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        r.exitCode = 128 + WTERMSIG(status);
    }
    r.out = slurp(outPath);
    r.err = slurp(errPath);
    return r;
}

std::string VemosimCase::sourceFile(const std::string &relative) {
    return std::string(VEMO_SOURCE_DIR) + "/" + relative;
}

std::vector<std::string> splitLines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace e2e
