#include "bounded_run.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace ado_test {

namespace {

// A read of a test file takes milliseconds, under the sanitizers too.
constexpr rlim_t kCpuSecondsPerRead = 10;
// Address space a child may map beyond what the test process had mapped when it forked.
constexpr rlim_t kAddressSpaceAllowance = rlim_t{1} << 30;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

rlim_t MappedBytes() {
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    statm >> pages;
    return pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
}

[[noreturn]] void RunChild(int fd, const std::function<void(BoundedReads&)>& reads) {
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    if (!kAddressSanitizer) {
        const rlim_t bytes = MappedBytes() + kAddressSpaceAllowance;
        const rlimit space{bytes, bytes};
        setrlimit(RLIMIT_AS, &space);
    }
    BoundedReads out(fd);
    try {
        reads(out);
        out.Line("done");
    } catch (const std::exception& e) {
        out.Fail(std::string("exception: ") + e.what());
    } catch (...) {
        out.Fail("exception");
    }
    // No exit handlers: they belong to the test process (its folders, its test results).
    _exit(0);
}

}  // namespace

void BoundedReads::Start(const std::string& what) {
    Line("@ " + what);
    rusage used{};
    rlimit cpu{};
    if (getrusage(RUSAGE_SELF, &used) != 0 || getrlimit(RLIMIT_CPU, &cpu) != 0) return;
    cpu.rlim_cur = static_cast<rlim_t>(used.ru_utime.tv_sec + used.ru_stime.tv_sec) + kCpuSecondsPerRead;
    if (cpu.rlim_max != RLIM_INFINITY && cpu.rlim_cur > cpu.rlim_max) cpu.rlim_cur = cpu.rlim_max;
    setrlimit(RLIMIT_CPU, &cpu);
}

void BoundedReads::Fail(const std::string& why) {
    Line("! " + why);
}

void BoundedReads::Refused() {
    Line("-");
}

void BoundedReads::Line(const std::string& text) {
    const std::string line = text + '\n';
    for (std::size_t done = 0; done < line.size();) {
        const ssize_t n = write(m_fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) _exit(1);
        done += static_cast<std::size_t>(n);
    }
}

BoundedOutcome RunBounded(const std::function<void(BoundedReads&)>& reads) {
    BoundedOutcome outcome;
    int fds[2];
    if (pipe(fds) != 0) {
        outcome.stop = "no pipe";
        return outcome;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        outcome.stop = "no child process";
        return outcome;
    }
    if (child == 0) {
        close(fds[0]);
        RunChild(fds[1], reads);
    }
    close(fds[1]);

    std::string text;
    char buf[4096];
    for (;;) {
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buf, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }

    std::string last;
    bool done = false;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line == "done")
            done = true;
        else if (line == "-")
            ++outcome.refused;
        else if (line.rfind("! ", 0) == 0)
            outcome.failures.push_back(line.substr(2) + (last.empty() ? "" : " (" + last + ")"));
        else if (line.rfind("@ ", 0) == 0)
            last = line.substr(2);
    }
    outcome.finished = done && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!outcome.finished) {
        if (WIFSIGNALED(status))
            outcome.stop = std::string("stopped by ") + strsignal(WTERMSIG(status));
        else
            outcome.stop = "ended with status " + std::to_string(WEXITSTATUS(status));
        outcome.stop += " while on: " + last;
    }
    return outcome;
}

}  // namespace ado_test
