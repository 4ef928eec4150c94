#include "win32_replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace orva::files {

namespace {

std::string Describe(const std::string& path, int error) {
    return "The file " + path + " could not be written: " + std::strerror(error) + ".";
}

// A name beside the target that no other writer of this process or another one picks.
std::string TempNameFor(const std::string& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    const auto slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder + "." + name + "." + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(attempt) + ".tmp";
}

}  // namespace

FileError::FileError(const std::string& path, int error)
    : std::runtime_error(Describe(path, error)), m_path(path), m_error(error) {}

ReplacingFile::ReplacingFile(std::string target) : m_target(std::move(target)) {}

ReplacingFile::~ReplacingFile() {
    Discard();
}

void ReplacingFile::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
}

void ReplacingFile::Open() {
    Discard();
    if (m_target.empty()) throw FileError(m_target, ENOENT);
    for (unsigned attempt = 0;; ++attempt) {
        std::string temp = TempNameFor(m_target, attempt);
        // 0666 less the umask: the new file gets the rights any new file of the user gets.
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temp = std::move(temp);
            return;
        }
        if (errno != EEXIST || attempt >= 100) throw FileError(m_target, errno);
    }
}

void ReplacingFile::Write(const void* data, std::size_t count) {
    if (m_fd < 0) throw FileError(m_target, EBADF);
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t n = ::write(m_fd, p, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            Discard();
            throw FileError(m_target, error);
        }
        p += n;
        count -= static_cast<std::size_t>(n);
    }
}

void ReplacingFile::Commit() {
    if (m_fd < 0) throw FileError(m_target, EBADF);
    // Written through to the disk before it takes the target's name, so that the target is
    // either the old file or the whole new one.
    if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS) {
        const int error = errno;
        Discard();
        throw FileError(m_target, error);
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        Discard();
        throw FileError(m_target, error);
    }
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        const int error = errno;
        Discard();
        throw FileError(m_target, error);
    }
    m_temp.clear();
}

}  // namespace orva::files
