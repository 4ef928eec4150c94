#include "fake_opener.h"

#include <stdlib.h>

#include <fstream>
#include <stdexcept>

#include "temp_folder.h"
#include "test_desktop_opener.h"

namespace fs = std::filesystem;

namespace xlsx_test {

FakeOpener::FakeOpener() {
    root_ = orva::testing::MakeTempFolder("orva-opener");
    if (root_.empty()) throw std::runtime_error("no folder for the opener");
    Use(Program());
}

FakeOpener::FakeOpener(const fs::path& base, const std::string& program) {
    std::string pattern = (base / "orva-opener-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no folder for the opener under " + base.string());
    root_ = pattern;
    Use(program.empty() ? Program() : program);
}

void FakeOpener::Use(const std::string& program) {
    orva::testing::UseDesktopOpener({program, root_.string()});
    const char* home = getenv("XDG_DATA_HOME");
    hadDataHome_ = home != nullptr;
    oldDataHome_ = home ? home : "";
    setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
}

FakeOpener::~FakeOpener() {
    orva::testing::UseNoDesktopOpener();
    if (hadDataHome_)
        setenv("XDG_DATA_HOME", oldDataHome_.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    std::error_code ec;
    fs::permissions(root_, fs::perms::owner_all, ec);
    fs::remove_all(root_, ec);
}

std::string FakeOpener::Program() {
    return ORVA_FAKE_OPENER;
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
