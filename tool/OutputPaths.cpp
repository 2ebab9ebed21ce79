#include "OutputPaths.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "TextFile.h"

namespace vemosim {

std::string fromStart(const std::string &start, const std::string &path) {
    if (path.empty() || path[0] == '/') {
        return path;
    }
    return start + "/" + path;
}

std::string outputPathFault(const std::string &path) {
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        return std::string("it is ") + sim::fileKindText(st.st_mode) +
               ", not a regular file (output goes only to a regular file or a new path)";
    }
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return "no such folder";
    }
    return std::string();
}

bool samePlace(const std::string &a, const std::string &b) {
    struct stat sa, sb;
    if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0) {
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    }
    std::error_code ea, eb;
    const std::filesystem::path pa = std::filesystem::weakly_canonical(a, ea);
    const std::filesystem::path pb = std::filesystem::weakly_canonical(b, eb);
    return !ea && !eb ? pa == pb : a == b;
}

}  // namespace vemosim
