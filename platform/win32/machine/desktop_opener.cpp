// The desktop's own opener, as the user's session finds it.
#include "desktop_opener.h"

#include <spawn.h>

extern char** environ;

namespace orva::win32 {

int StartDesktopOpener(const std::string& file, pid_t& pid) {
    char opener[] = "xdg-open";
    char* argv[] = {opener, const_cast<char*>(file.c_str()), nullptr};
    return posix_spawnp(&pid, opener, nullptr, nullptr, argv, environ);
}

}  // namespace orva::win32
