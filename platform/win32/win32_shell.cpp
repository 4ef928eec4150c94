#include "win32_shell.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "win32_path.h"

extern char** environ;

std::intptr_t ShellExecuteA(void*, const char* verb, const char* file, const char*, const char*, int) {
    if (!file || (verb && std::strcmp(verb, "open") != 0)) return 0;
    const std::string path = orva::paths::MapWindowsPath(file);
    if (::access(path.c_str(), F_OK) != 0) return 2;  // file not found
    // xdg-open returns at once for most desktops; run it in a grandchild so that no zombie
    // is left behind and the caller never waits for the document's program.
    const pid_t child = ::fork();
    if (child < 0) return 0;
    if (child == 0) {
        pid_t grandchild;
        char* const argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(path.c_str()), nullptr};
        const int rc = ::posix_spawnp(&grandchild, "xdg-open", nullptr, nullptr, argv, environ);
        ::_exit(rc == 0 ? 0 : 127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return (WIFEXITED(status) && WEXITSTATUS(status) == 0) ? 42 : 31;
}
