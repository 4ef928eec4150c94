// Start-up time of the real program: from just before the process is spawned to the moment its
// main window is shown and its modal loop runs (reported by the scripted build's driver with the
// same CLOCK_MONOTONIC clock). Each run then leaves by Escape. Without a gauge, and with a
// simulated gauge registered, so that the start-up connection is part of the time.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "gauge_sim.h"
#include "temp_folder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

fs::path g_home;

long long MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// One start: the seconds from spawn to the window shown, or a negative value on failure.
double StartOnce() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::string program = ORVA_FG_SCRIPTED_PATH;
    std::string script = (g_home / "script.txt").string();
    char* argv[] = {program.data(), script.data(), nullptr};
    pid_t pid = -1;
    const long long spawned = MonotonicNs();
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return -1;
    }
    std::string out;
    long long shown = 0;
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 20000) <= 0) break;
        char buf[512];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
        const auto at = out.find("window-shown ");
        if (at != std::string::npos && out.find('\n', at) != std::string::npos) {
            shown = std::atoll(out.c_str() + at + 13);
            break;
        }
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (shown == 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return static_cast<double>(shown - spawned) / 1e9;
}

void Run(benchmark::State& state) {
    for (auto _ : state) {
        const double seconds = StartOnce();
        if (seconds < 0) {
            state.SkipWithError("the program did not show its window");
            return;
        }
        state.SetIterationTime(seconds);
    }
}

void BM_StartupToWindowShown(benchmark::State& state) {
    Run(state);
}

void BM_StartupToWindowShownWithGauge(benchmark::State& state) {
    orva::sim::GaugeSimulator gauge;
    if (!gauge.Open() || gauge.RegisterVirtualPort() == 0) {
        state.SkipWithError("no simulated gauge");
        return;
    }
    Run(state);
}

BENCHMARK(BM_StartupToWindowShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_StartupToWindowShownWithGauge)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
    g_home = orva::testing::MakeProcessTempFolder("orva-bench-startup");
    if (g_home.empty()) return 1;
    fs::create_directories(g_home / "state");
    fs::create_directories(g_home / "run");
    fs::permissions(g_home / "run", fs::perms::owner_all, fs::perm_options::replace);
    std::ofstream(g_home / "script.txt") << "wait-window\nanswer 1\nkey escape\n";
    setenv("XDG_STATE_HOME", (g_home / "state").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (g_home / "run").c_str(), 1);
    if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(g_home, ec);
    return 0;
}
