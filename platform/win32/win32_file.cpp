#include "win32_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "win32_path.h"

CFile::~CFile() {
    Close();
}

BOOL CFile::Open(const char* fileName, UINT openFlags) {
    Close();
    const std::string path = orva::paths::MapWindowsPath(fileName ? fileName : "");
    int access = O_RDONLY;
    if (openFlags & modeReadWrite) {
        access = O_RDWR;
    } else if (openFlags & modeWrite) {
        access = O_WRONLY;
    }
    int flags = access | O_CLOEXEC;
    if (openFlags & modeCreate) {
        flags |= O_CREAT;
        if (!(openFlags & modeNoTruncate)) flags |= O_TRUNC;
    }
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) return FALSE;
    // No sharing: hold an exclusive lock for as long as the file is open.
    if ((openFlags & shareExclusive) && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return FALSE;
    }
    fd_ = fd;
    return TRUE;
}

void CFile::Write(const void* data, UINT count) {
    if (fd_ < 0) return;
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t n = ::write(fd_, p, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;  // a full disk or a lost file: the log handles no write error
        }
        p += n;
        count -= static_cast<UINT>(n);
    }
}

void CFile::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool CreateNewFile(const char* fileName) {
    const std::filesystem::path path = orva::paths::MapWindowsPath(fileName ? fileName : "");
    std::error_code ec;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}
