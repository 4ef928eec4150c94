// Runs a command with a tiny tmpfs mounted over one folder, in a mount namespace of its own (and
// a user namespace when not run as root), so that nothing outside the command sees the mount and
// nothing the command writes there can fill a real disk. Ends with 77 when the system allows no
// such namespace. The command is opened before the mount, so that it runs wherever it lies (under
// the folder too).
//   tiny_tmpfs_run <size in KiB> <folder> <command> [arguments...]
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kNotAllowed = 77;

bool WriteText(const char* path, const std::string& text) {
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: tiny_tmpfs_run <KiB> <folder> <command> [arguments...]\n");
        return 2;
    }
    // An ELF program: run from a descriptor that closes on exec.
    const int command = open(argv[3], O_PATH | O_CLOEXEC);
    if (command < 0) {
        std::fprintf(stderr, "%s cannot be run: %s\n", argv[3], std::strerror(errno));
        return 127;
    }
    const uid_t uid = geteuid();
    const gid_t gid = getegid();
    if (uid == 0) {
        if (unshare(CLONE_NEWNS) != 0) {
            std::fprintf(stderr, "no mount namespace: %s\n", std::strerror(errno));
            return kNotAllowed;
        }
    } else {
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            std::fprintf(stderr, "no user and mount namespace: %s\n", std::strerror(errno));
            return kNotAllowed;
        }
        // The same user inside as outside.
        if (!WriteText("/proc/self/setgroups", "deny") ||
            !WriteText("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1") ||
            !WriteText("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1")) {
            std::fprintf(stderr, "the user namespace cannot be mapped: %s\n", std::strerror(errno));
            return kNotAllowed;
        }
    }
    // Nothing mounted here may reach the machine's own mounts.
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        std::fprintf(stderr, "mounts cannot be made private: %s\n", std::strerror(errno));
        return kNotAllowed;
    }
    const std::string options = "size=" + std::to_string(std::atoi(argv[1])) + "k,mode=1777";
    if (mount("tmpfs", argv[2], "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
        std::fprintf(stderr, "no tmpfs on %s: %s\n", argv[2], std::strerror(errno));
        return kNotAllowed;
    }
    fexecve(command, argv + 3, environ);
    std::fprintf(stderr, "%s cannot be run: %s\n", argv[3], std::strerror(errno));
    return 127;
}
