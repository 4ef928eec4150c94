#include "temp_folder.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <vector>

namespace fs = std::filesystem;

namespace orva::testing {

namespace {

std::mutex g_lock;
std::vector<std::string>* g_processFolders = nullptr;

void RemoveProcessFolders() {
    std::lock_guard lock(g_lock);
    for (const std::string& folder : *g_processFolders) {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    g_processFolders->clear();
}

}  // namespace

std::string MakeTempFolder(const std::string& prefix) {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) return {};
    return pattern;
}

std::string MakeProcessTempFolder(const std::string& prefix) {
    std::string folder = MakeTempFolder(prefix);
    if (folder.empty()) return folder;
    std::lock_guard lock(g_lock);
    if (g_processFolders == nullptr) {
        g_processFolders = new std::vector<std::string>;
        std::atexit(RemoveProcessFolders);
    }
    g_processFolders->push_back(folder);
    return folder;
}

}  // namespace orva::testing
