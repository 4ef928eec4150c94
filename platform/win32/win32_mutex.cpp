// Named mutexes across processes: one lock file per name. A handle holds a shared OFD lock on the
// file; a new handle first tries an exclusive lock, which succeeds only when no other handle (in any
// process) is open, and then downgrades it to shared. fcntl downgrades in place, so no other
// process can slip in between. Locks vanish with their process, so a crashed holder leaves no trace.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "win32_handle_table.h"
#include "win32_sync.h"

namespace {

class MutexObject : public Win32Object {
public:
    explicit MutexObject(int fd) : m_fd(fd) {}
    ~MutexObject() override { Release(); }
    void OnHandleClosed() override { Release(); }

private:
    void Release() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }
    int m_fd;
};

// A folder of ours: created 0700 when missing, refused when it is a link or belongs to someone else.
bool EnsurePrivateDir(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

// $XDG_RUNTIME_DIR/orva-fg/mutex, or /tmp/orva-fg-<uid>/mutex when that variable is unset or
// its folder unusable; every process of the user with the same environment picks the same one.
std::string LockFolder() {
    const auto usable = [](const std::string& base) {
        return EnsurePrivateDir(base) && EnsurePrivateDir(base + "/mutex");
    };
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run != nullptr && *run != '\0') {
        const std::string base = std::string(run) + "/orva-fg";
        if (usable(base)) return base + "/mutex";
    }
    const std::string base = "/tmp/orva-fg-" + std::to_string(::getuid());
    return usable(base) ? base + "/mutex" : std::string();
}

// Any byte outside [A-Za-z0-9_-] becomes %XX, so every name is one plain file name; very long names
// keep a prefix and a hash of the whole name.
std::string FileNameFor(const std::string& name) {
    std::string out;
    for (const unsigned char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
            c == '-') {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    if (out.size() > 200) {
        std::uint64_t hash = 14695981039346656037ull;
        for (const unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
        char tail[24];
        std::snprintf(tail, sizeof tail, "~%016llx", static_cast<unsigned long long>(hash));
        out = out.substr(0, 150) + tail;
    }
    return out;
}

bool SetLock(int fd, short type, bool wait) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    for (;;) {
        if (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
        if (errno != EINTR) return false;
    }
}

}  // namespace

HANDLE CreateMutexA(void*, BOOL, const char* name) {
    if (name == nullptr || *name == '\0') {
        SetLastError(ERROR_SUCCESS);
        return orva::win32::AddHandle(std::make_shared<MutexObject>(-1));
    }
    const std::string folder = LockFolder();
    if (folder.empty()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const std::string path = folder + "/" + FileNameFor(name);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    bool existed = false;
    if (SetLock(fd, F_WRLCK, false)) {
        SetLock(fd, F_RDLCK, false);  // a downgrade of our own lock cannot conflict
    } else if (errno == EAGAIN || errno == EACCES) {
        existed = true;
        // Another handle is open. Its exclusive lock, if it holds one, lasts only until its downgrade.
        if (!SetLock(fd, F_RDLCK, true)) {
            ::close(fd);
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
    } else {
        ::close(fd);
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    HANDLE handle = orva::win32::AddHandle(std::make_shared<MutexObject>(fd));
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}
