#include "TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace sim {

std::string InputError::text() const {
    if (line > 0) {
        return file + ":" + std::to_string(line) + ": " + message;
    }
    return file + ": " + message;
}

std::string lineFault(std::string_view line, std::size_t maxLength) {
    if (line.find('\0') != std::string_view::npos) {
        return "line holds a NUL byte";
    }
    if (line.size() > maxLength) {
        return "line longer than " + std::to_string(maxLength) + " characters";
    }
    return std::string();
}

bool readWholeFile(const std::string &path, std::string &content, std::string &error) {
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

bool readWholeFile(const std::string &path, std::string &content, InputError &error) {
    std::string why;
    if (!readWholeFile(path, content, why)) {
        error.file = path;
        error.line = 0;
        error.message = why;
        return false;
    }
    return true;
}

const char *fileKindText(mode_t mode) {
    if (S_ISREG(mode))
        return "a regular file";
    if (S_ISLNK(mode))
        return "a symbolic link";
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a pipe";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device node";
    if (S_ISSOCK(mode))
        return "a socket";
    return "no regular file";
}

namespace {

// Why path is no place to write a file: something other than a regular file is there.
// Nothing when it is a regular file or nothing at all.
std::string notRegularFault(const std::string &path, bool &exists) {
    struct stat st;
    exists = lstat(path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        return "'" + path + "' is " + fileKindText(st.st_mode) + ", not a regular file";
    }
    return std::string();
}

}  // namespace

bool writeFileAtomically(const std::string &path, const std::string &content, std::string &error) {
    bool exists = false;
    std::string fault = notRegularFault(path, exists);
    if (!fault.empty()) {
        error = fault;
        return false;
    }
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
    // Looked at again just before: rename would replace whatever stands at path by now. A
    // new path is taken by link, which makes nothing where something appeared meanwhile
    // (on a file system without hard links, rename has to do).
    fault = notRegularFault(path, exists);
    bool linked = false;
    bool replace = exists;
    if (fault.empty() && !exists) {
        linked = link(temp.c_str(), path.c_str()) == 0;
        replace = !linked && errno != EEXIST;
    }
    const bool placed =
        linked || (fault.empty() && replace && rename(temp.c_str(), path.c_str()) == 0);
    if (!placed) {
        error = !fault.empty() ? fault : "cannot write '" + path + "': " + std::strerror(errno);
        unlink(temp.c_str());
        return false;
    }
    if (linked) {
        unlink(temp.c_str());  // the new path holds the file; the temporary name goes
    }
    return true;
}

}  // namespace sim
