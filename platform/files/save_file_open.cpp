#include "save_file_open.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orva::files {

bool OpenForSaving(QSaveFile& file, const std::string& path, std::string& reason) {
    if (path.empty()) {
        reason = std::strerror(ENOENT);
        return false;
    }
    // What the name leads to (through links): a FIFO or a device is never opened, so the export
    // neither blocks on it nor puts a plain file in its place.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            reason = std::strerror(EISDIR);
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            reason = "It is not a regular file";
            return false;
        }
        // Replacing the file would succeed where writing it is not allowed: ask first.
        if (::access(path.c_str(), W_OK) != 0) {
            reason = std::strerror(errno);
            return false;
        }
    }
    file.setFileName(QString::fromStdString(path));
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        reason = file.errorString().toStdString();
        return false;
    }
    return true;
}

bool WritesInPlace(QSaveFile& file, const std::string& path) {
    struct stat open {};
    struct stat named {};
    return ::fstat(file.handle(), &open) == 0 && ::stat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

}  // namespace orva::files
