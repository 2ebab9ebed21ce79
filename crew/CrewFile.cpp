// The crew protocol's files, opened only when they are regular files inside the simulator's
// folder (see CrewFile.h).
#include "CrewFile.h"

#include "Orbitersdk.h"

#if defined(_WIN32)

std::FILE *OpenCrewFile(const char *path, CrewFileMode mode) {
    if (!path) {
        return nullptr;
    }
    return std::fopen(path, mode == CREW_FILE_WRITE ? "wb" : "rb");
}

bool RemoveCrewFile(const char *path) {
    return path && std::remove(path) == 0;
}

#else

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {

constexpr char FOLDER_SEPARATOR = '/';
constexpr int FOLDER_NAME_SIZE = 64;  // bytes of one folder name, terminator included
constexpr int LOG_LINE_SIZE = 200;    // bytes of a line written to the host's log
constexpr mode_t NEW_FILE_PERMISSIONS = 0644;
constexpr int NO_FILE = -1;
constexpr nlink_t SINGLE_LINK = 1;  // names of a file nothing else reaches

// What a name that is not a regular file (or not a folder) is, for the log.
const char *KindOf(mode_t mode) {
    if (S_ISLNK(mode)) {
        return "a symbolic link";
    }
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a pipe";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "no regular file";
}

// The host's log is the only place a module can say why it ignored a file.
void LogRefusal(const char *path, int nameLength, mode_t mode, const char *expected) {
    char line[LOG_LINE_SIZE];
    std::snprintf(line, sizeof line, "crew: %.*s is %s, not %s: taken as missing", nameLength, path,
                  KindOf(mode), expected);
    oapiWriteLog(line);
}

// The descriptor of the folder that holds the last part of path, walked from the current
// folder one real folder at a time, and that last part in *leaf; NO_FILE when a folder on
// the way is missing or is anything but a folder (which is logged).
int OpenParentFolder(const char *path, const char **leaf) {
    int folder = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const char *part = path;
    while (folder != NO_FILE) {
        const char *separator = std::strchr(part, FOLDER_SEPARATOR);
        if (!separator) {
            *leaf = part;
            return folder;
        }
        const int length = static_cast<int>(separator - part);
        char name[FOLDER_NAME_SIZE];
        const bool usable = length > 0 && length < FOLDER_NAME_SIZE &&
                            !(length == 1 && part[0] == '.') &&
                            !(length == 2 && part[0] == '.' && part[1] == '.');
        std::snprintf(name, sizeof name, "%.*s", usable ? length : 0, part);
        struct stat st;
        int next = NO_FILE;
        if (usable && fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISDIR(st.st_mode)) {
                next = openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            } else {
                LogRefusal(path, static_cast<int>(separator - path), st.st_mode, "a folder");
            }
        }
        close(folder);
        folder = next;
        part = separator + 1;
    }
    return NO_FILE;
}

// Opens leaf in folder as a regular file, never through a link and never waiting on a pipe;
// NO_FILE when it is missing or is anything else (logged).
int OpenRegularFile(int folder, const char *leaf, const char *path, CrewFileMode mode) {
    const int logLength = static_cast<int>(std::strlen(path));
    struct stat st;
    const bool exists = fstatat(folder, leaf, &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && (errno != ENOENT || mode != CREW_FILE_WRITE)) {
        return NO_FILE;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        LogRefusal(path, logLength, st.st_mode, "a regular file");
        return NO_FILE;
    }
    // A new file is made only where nothing is: whatever appears there meanwhile is not
    // written through. An existing one is emptied only once it is known to be regular.
    int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    if (mode != CREW_FILE_WRITE) {
        flags |= O_RDONLY;
    } else {
        flags |= O_WRONLY | (exists ? 0 : O_CREAT | O_EXCL);
    }
    const int file = openat(folder, leaf, flags, NEW_FILE_PERMISSIONS);
    if (file == NO_FILE) {
        return NO_FILE;
    }
    if (fstat(file, &st) != 0 || !S_ISREG(st.st_mode)) {
        LogRefusal(path, logLength, st.st_mode, "a regular file");
        close(file);
        return NO_FILE;
    }
    // A second name for the file is a hard link: whatever lies at the other name, perhaps
    // outside the simulator's folder, would be emptied and overwritten, or read as a record.
    if (mode != CREW_FILE_READ && st.st_nlink > SINGLE_LINK) {
        char line[LOG_LINE_SIZE];
        std::snprintf(line, sizeof line,
                      "crew: %.*s has %lu names (a hard link), not one: taken as missing",
                      logLength, path, static_cast<unsigned long>(st.st_nlink));
        oapiWriteLog(line);
        close(file);
        return NO_FILE;
    }
    if (mode == CREW_FILE_WRITE && exists && ftruncate(file, 0) != 0) {
        close(file);
        return NO_FILE;
    }
    return file;
}

}  // namespace

std::FILE *OpenCrewFile(const char *path, CrewFileMode mode) {
    if (!path) {
        return nullptr;
    }
    const char *leaf = nullptr;
    const int folder = OpenParentFolder(path, &leaf);
    if (folder == NO_FILE) {
        return nullptr;
    }
    const int file = OpenRegularFile(folder, leaf, path, mode);
    close(folder);
    if (file == NO_FILE) {
        return nullptr;
    }
    std::FILE *stream = fdopen(file, mode == CREW_FILE_WRITE ? "wb" : "rb");
    if (!stream) {
        close(file);
    }
    return stream;
}

bool RemoveCrewFile(const char *path) {
    if (!path) {
        return false;
    }
    const char *leaf = nullptr;
    const int folder = OpenParentFolder(path, &leaf);
    if (folder == NO_FILE) {
        return false;
    }
    struct stat st;
    bool gone = false;
    if (fstatat(folder, leaf, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        gone = errno == ENOENT;
    } else if (S_ISREG(st.st_mode)) {
        gone = unlinkat(folder, leaf, 0) == 0;
    }
    close(folder);
    return gone;
}

#endif
