#include "test_desktop_opener.h"

#include <errno.h>
#include <spawn.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "desktop_opener.h"

extern char** environ;

namespace {

std::mutex g_lock;
std::vector<std::string> g_command;

}  // namespace

namespace orva::testing {

void UseDesktopOpener(std::vector<std::string> command) {
    std::lock_guard lock(g_lock);
    g_command = std::move(command);
}

void UseNoDesktopOpener() {
    std::lock_guard lock(g_lock);
    g_command.clear();
}

}  // namespace orva::testing

namespace orva::win32 {

int StartDesktopOpener(const std::string& file, pid_t& pid) {
    std::vector<std::string> command;
    {
        std::lock_guard lock(g_lock);
        command = g_command;
    }
    if (command.empty() || command[0].empty() || command[0][0] != '/') {
        std::fprintf(stderr, "no desktop opener named by the test: %s is not opened\n", file.c_str());
        return ENOENT;
    }
    command.push_back(file);
    std::vector<char*> argv;
    for (std::string& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);
    // posix_spawn, not posix_spawnp: the named program or nothing, never one found on PATH.
    const int started = posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    if (started != 0)
        std::fprintf(stderr, "the test's desktop opener %s cannot be run: %s\n", argv[0],
                     std::strerror(started));
    return started;
}

}  // namespace orva::win32
