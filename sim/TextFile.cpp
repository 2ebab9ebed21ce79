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

bool writeFileAtomically(const std::string &path, const std::string &content, std::string &error) {
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
