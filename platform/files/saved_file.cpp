#include "saved_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "new_file.h"

namespace orva::files {

namespace {

// Outcomes of our own beside the system's error numbers.
constexpr int kNotRegular = -1;
constexpr int kCannotCarry = -2;  // the new file could not take the old one's mode, owner or group

std::string Reason(int error) {
    if (error == kNotRegular) return "It is not a regular file";
    return std::strerror(error);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The name the bytes land on: symbolic links followed to the end, also to a target that does not
// exist yet. 0 or the system's error.
int FollowLinks(std::string& path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(st.st_mode)) return 0;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
        if (n < 0) return errno;
        if (n == 0) return ENOENT;
        if (static_cast<std::size_t>(n) == sizeof target) return ENAMETOOLONG;
        const std::string link(target, static_cast<std::size_t>(n));
        path = link.front() == '/' ? link : FolderOf(path) + "/" + link;
    }
    return ELOOP;
}

constexpr char kAccessList[] = "system.posix_acl_access";

// An access list grants rights a mode cannot carry over to a new file.
bool HasAccessList(const std::string& path) {
    return ::getxattr(path.c_str(), kAccessList, nullptr, 0) >= 0;
}

// A new file takes the folder's default access list, which may grant others what the old file
// did not. True once the new file has none.
bool DropAccessList(int fd) {
    if (::fremovexattr(fd, kAccessList) != 0 && errno != ENODATA && errno != ENOTSUP) return false;
    return ::fgetxattr(fd, kAccessList, nullptr, 0) < 0 && (errno == ENODATA || errno == ENOTSUP);
}

// Where a new file fails for want of room, writing the old one in place would only lose it.
bool OutOfRoom(int error) {
    return error == ENOSPC || error == EDQUOT || error == EMFILE || error == ENFILE || error == ENOMEM ||
           error == EIO;
}

}  // namespace

FileError::FileError(const std::string& path, const std::string& reason)
    : std::runtime_error("The file " + path + " could not be written: " + reason + "."),
      m_path(path),
      m_reason(reason) {}

struct SavedFile::Impl {
    int fd = -1;
    std::string target;     // the file the name leads to
    std::string temporary;  // the name of the new file beside it, while it has one
    bool inPlace = false;   // the target itself is written
    bool committed = false;

    ~Impl() {
        if (fd >= 0) {
            // Written in place there is no earlier file left to keep: an empty file rather than
            // a report cut short. (Best effort: the write that failed may fail this too.)
            if (!committed && inPlace && ::ftruncate(fd, 0) != 0) {
            }
            ::close(fd);
        }
        if (!committed && !temporary.empty()) ::unlink(temporary.c_str());
    }

    int Open(const std::string& path) {
        target = path;
        if (const int error = FollowLinks(target)) return error;
        struct stat st {};
        if (::stat(target.c_str(), &st) != 0) return errno == ENOENT ? OpenBeside(nullptr) : errno;
        // A FIFO or a device is never opened, so the export neither blocks on it nor puts a
        // plain file in its place; a file the user may not write is not replaced either.
        if (S_ISDIR(st.st_mode)) return EISDIR;
        if (!S_ISREG(st.st_mode)) return kNotRegular;
        if (::access(target.c_str(), W_OK) != 0) return errno;
        // A new file in its place would leave a second name with the old text, or drop rights
        // the new file cannot take; a folder that takes no new file leaves the file itself to be
        // written.
        const int error = st.st_nlink == 1 && !HasAccessList(target) ? OpenBeside(&st) : kCannotCarry;
        return error == 0 || OutOfRoom(error) ? error : OpenInPlace();
    }

    // A new file beside the target; with `old`, one that carries its mode, owner and group
    // exactly and no access list, or none at all (kCannotCarry).
    int OpenBeside(const struct stat* old) {
        fd = MakeNewFile(FolderOf(target), O_WRONLY, old ? 0600 : 0666, temporary);
        if (fd < 0) return errno;
        if (!old) return 0;
        // The owner first: a change of owner clears the set-id bits.
        struct stat made {};
        if (DropAccessList(fd) && ::fstat(fd, &made) == 0 &&
            ((made.st_uid == old->st_uid && made.st_gid == old->st_gid) ||
             ::fchown(fd, old->st_uid, old->st_gid) == 0) &&
            ::fchmod(fd, old->st_mode & 07777) == 0 && ::fstat(fd, &made) == 0 &&
            made.st_uid == old->st_uid && made.st_gid == old->st_gid &&
            (made.st_mode & 07777) == (old->st_mode & 07777))
            return 0;
        ::close(fd);
        fd = -1;
        if (!temporary.empty()) ::unlink(temporary.c_str());
        temporary.clear();
        return kCannotCarry;
    }

    int OpenInPlace() {
        // Not blocking: a FIFO put in the file's place since it was looked at is not waited on.
        const int opened = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (opened < 0) return errno;
        struct stat st {};
        const int error = ::fstat(opened, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : kNotRegular;
        if (error == 0) {
            fd = opened;
            inPlace = true;
        } else {
            ::close(opened);
        }
        return error;
    }
};

SavedFile::SavedFile(std::string path) : m_path(std::move(path)) {}

SavedFile::~SavedFile() = default;

void SavedFile::Fail(const std::string& reason) {
    m_impl.reset();
    throw FileError(m_path, reason);
}

void SavedFile::Open() {
    m_impl.reset();
    auto impl = std::make_unique<Impl>();
    if (const int error = m_path.empty() ? ENOENT : impl->Open(m_path))
        throw FileError(m_path, Reason(error));
    m_impl = std::move(impl);
}

void SavedFile::Write(const void* data, std::size_t count) {
    if (!m_impl) throw FileError(m_path, "It is not open");
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t n = ::write(m_impl->fd, p, count);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail(Reason(errno));
        if (n == 0) Fail(Reason(ENOSPC));
        p += n;
        count -= static_cast<std::size_t>(n);
    }
}

void SavedFile::Commit() {
    if (!m_impl) throw FileError(m_path, "It is not open");
    Impl& impl = *m_impl;
    if (::fsync(impl.fd) != 0) Fail(Reason(errno));
    // A file without a name takes one of its own first: a new name never replaces an old one.
    if (!impl.inPlace && impl.temporary.empty()) {
        if (const int error = NameNewFileIn(impl.fd, FolderOf(impl.target), impl.temporary))
            Fail(Reason(error));
    }
    const int closed = ::close(impl.fd);
    impl.fd = -1;
    if (closed != 0) Fail(Reason(errno));
    if (!impl.inPlace) {
        if (::rename(impl.temporary.c_str(), impl.target.c_str()) != 0) Fail(Reason(errno));
        // The new name on the disk too (best effort: the bytes are there already).
        const int folder = ::open(FolderOf(impl.target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    }
    impl.committed = true;
    m_impl.reset();
}

}  // namespace orva::files
