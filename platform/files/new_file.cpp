#include "new_file.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace orva::files {

namespace {

constexpr int kNameAttempts = 100;

// A short hidden name in folder that is unlikely to be taken (whatever the length of the name
// the file will end up with). False with errno when no random bytes could be had.
bool RandomName(const std::string& folder, std::string& name) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char random[8];
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) return false;
    name = folder + "/.orva-fg-";
    for (const unsigned char r : random) name += kLetters[r % (sizeof kLetters - 1)];
    return true;
}

// A file without a name can be named only through its entry under /proc; where that is missing
// (a container without /proc) the file must have a name from the start.
int MakeUnnamedFile(const std::string& folder, int access, mode_t mode) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | access | O_CLOEXEC, mode);
    if (fd < 0) return -1;
    struct stat made {};
    struct stat reached {};
    if (::fstat(fd, &made) == 0 && ::stat(ReopenPath(fd).c_str(), &reached) == 0 &&
        made.st_dev == reached.st_dev && made.st_ino == reached.st_ino)
        return fd;
    ::close(fd);
    return -1;
}

}  // namespace

int MakeNewFile(const std::string& folder, int access, mode_t mode, std::string& name) {
    name.clear();
    // Refused by a file system that cannot make one; whatever else failed fails again below,
    // with its own reason.
    if (const int fd = MakeUnnamedFile(folder, access, mode); fd >= 0) return fd;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        if (!RandomName(folder, name)) break;
        const int fd = ::open(name.c_str(), access | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) return fd;
        if (errno != EEXIST) break;
    }
    const int error = errno;
    name.clear();
    errno = error;
    return -1;
}

std::string ReopenPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

int NameNewFile(int fd, const std::string& path) {
    return ::linkat(AT_FDCWD, ReopenPath(fd).c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0
                                                                                                      : errno;
}

int NameNewFileIn(int fd, const std::string& folder, std::string& name) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        if (!RandomName(folder, name)) break;
        const int error = NameNewFile(fd, name);
        if (error != EEXIST) {
            if (error != 0) name.clear();
            return error;
        }
    }
    const int error = errno;
    name.clear();
    return error;
}

}  // namespace orva::files
