#include "fake_opener.h"

#include <stdlib.h>

#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace xlsx_test {

FakeOpener::FakeOpener() : FakeOpener(fs::temp_directory_path()) {}

FakeOpener::FakeOpener(const fs::path& base) {
    std::string pattern = (base / "orva-opener-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no folder for the opener under " + base.string());
    root_ = pattern;
    fs::create_directories(root_ / "bin");
    const fs::path script = root_ / "bin" / "xdg-open";
    {
        std::ofstream out(script);
        out << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << (root_ / "opened.log").string() << "'\n"
            << "exit $(cat '" << (root_ / "status").string() << "' 2>/dev/null || echo 0)\n";
    }
    fs::permissions(script, fs::perms::owner_all);
    const char* path = getenv("PATH");
    oldPath_ = path ? path : "";
    setenv("PATH", ((root_ / "bin").string() + ":" + oldPath_).c_str(), 1);
    const char* home = getenv("XDG_DATA_HOME");
    hadDataHome_ = home != nullptr;
    oldDataHome_ = home ? home : "";
    setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
}

FakeOpener::~FakeOpener() {
    setenv("PATH", oldPath_.c_str(), 1);
    if (hadDataHome_)
        setenv("XDG_DATA_HOME", oldDataHome_.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    std::error_code ec;
    fs::permissions(root_, fs::perms::owner_all, ec);
    fs::remove_all(root_, ec);
}

void FakeOpener::SetExitStatus(int status) {
    std::ofstream(root_ / "status") << status << "\n";
}

std::vector<std::string> FakeOpener::Opened() const {
    std::vector<std::string> lines;
    std::ifstream in(root_ / "opened.log");
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

fs::path FakeOpener::Folder() const {
    return DataHome() / "ORVA-FG" / "Workbooks";
}

std::vector<fs::path> FakeOpener::FilesInFolder() const {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(Folder(), ec)) files.push_back(entry.path());
    return files;
}

}  // namespace xlsx_test
