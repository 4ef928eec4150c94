#include "win32_path.h"

#include <cctype>
#include <cstdlib>

namespace orva::paths {

std::string DriveCRoot() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) {
        return std::string(state) + "/orva-fg/drive_c";
    }
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/state/orva-fg/drive_c";
}

std::string MapWindowsPath(const std::string& path) {
    std::string p = path;
    for (char& c : p) {
        if (c == '\\') c = '/';
    }
    if (p.size() >= 2 && p[1] == ':' && std::tolower(static_cast<unsigned char>(p[0])) == 'c') {
        std::string rest = p.substr(2);
        if (rest.empty() || rest[0] != '/') rest.insert(rest.begin(), '/');
        return DriveCRoot() + rest;
    }
    return p;
}

}  // namespace orva::paths
