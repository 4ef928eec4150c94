#include "win32_shell.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>

#include "desktop_opener.h"
#include "win32_path.h"

std::intptr_t ShellExecuteA(void*, const char* verb, const char* file, const char*, const char*, int) {
    if (!file || (verb && std::strcmp(verb, "open") != 0)) return 0;
    const std::string path = orva::paths::MapWindowsPath(file);
    if (::access(path.c_str(), F_OK) != 0) return 2;  // file not found
    pid_t pid = 0;
    if (orva::win32::StartDesktopOpener(path, pid) != 0) return 31;  // no program to open it with
    // The opener returns at once for most desktops, or runs the document's program itself: the
    // caller never waits for it, and it is reaped whenever it ends.
    std::thread([pid] {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }).detach();
    return 42;
}
