#include "program_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;

namespace app_test {

ProgramRun::ProgramRun(const fs::path& home, const std::vector<std::string>& script) {
    fs::create_directories(home / "state");
    fs::create_directories(home / "run");
    fs::permissions(home / "run", fs::perms::owner_all, fs::perm_options::replace);
    static int counter = 0;
    const fs::path scriptPath = home / ("script" + std::to_string(++counter) + ".txt");
    {
        std::ofstream out(scriptPath);
        for (const auto& line : script) out << line << "\n";
    }
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string v = *e;
        if (v.rfind("XDG_STATE_HOME=", 0) == 0 || v.rfind("XDG_RUNTIME_DIR=", 0) == 0 ||
            v.rfind("QT_QPA_PLATFORM=", 0) == 0)
            continue;
        env.push_back(v);
    }
    env.push_back("XDG_STATE_HOME=" + (home / "state").string());
    env.push_back("XDG_RUNTIME_DIR=" + (home / "run").string());
    env.push_back("QT_QPA_PLATFORM=offscreen");
    std::vector<char*> envp;
    for (auto& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::string program = ORVA_FG_SCRIPTED_PATH;
    std::string scriptArg = scriptPath.string();
    char* argv[] = {program.data(), scriptArg.data(), nullptr};
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
}

ProgramRun::~ProgramRun() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
}

bool ProgramRun::ReadMore(int timeoutMs) {
    if (out_ < 0) return false;
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return false;
    char buf[4096];
    const ssize_t n = read(out_, buf, sizeof buf);
    if (n <= 0) return false;
    pending_.append(buf, static_cast<std::size_t>(n));
    for (std::size_t nl; (nl = pending_.find('\n')) != std::string::npos;) {
        lines_.push_back(pending_.substr(0, nl));
        pending_.erase(0, nl + 1);
    }
    return true;
}

std::string ProgramRun::WaitForLine(const std::string& prefix, int timeoutMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        for (; scanned_ < lines_.size(); ++scanned_)
            if (lines_[scanned_].rfind(prefix, 0) == 0) return lines_[scanned_++];
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !ReadMore(static_cast<int>(left.count()))) return "";
    }
}

int ProgramRun::Wait(int timeoutMs) {
    if (pid_ <= 0) return -1;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        while (ReadMore(0)) {
        }
        int status = 0;
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            pid_ = -1;
            while (ReadMore(50)) {
            }
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() >= until) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string ReadLog(const fs::path& home) {
    std::ifstream in(home / "state" / "orva-fg" / "drive_c" / "QZWLog.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> LogEntries(const std::string& log) {
    // "\r\n" "YYYY-MM-DD   HH:MM:SS--" "kv_Start System<d>"
    static const std::string form = "\r\n####-##-##   ##:##:##--kv_Start System#";
    std::vector<std::string> out;
    for (std::size_t pos = 0; pos < log.size(); pos += form.size()) {
        bool ok = pos + form.size() <= log.size();
        for (std::size_t i = 0; ok && i < form.size(); ++i) {
            const char c = log[pos + i];
            ok = form[i] == '#' ? (c >= '0' && c <= '9') : c == form[i];
        }
        if (!ok) {
            out.push_back("<malformed>");
            break;
        }
        out.push_back(log.substr(pos + 25, 16));
    }
    return out;
}

}  // namespace app_test
