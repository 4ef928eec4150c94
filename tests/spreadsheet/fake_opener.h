// Stands in for the desktop's opener: a script named xdg-open first on PATH that notes the file
// it is given and ends with a chosen status, and a private data folder for the workbooks. Both
// are put back when the object goes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace xlsx_test {

class FakeOpener {
public:
    FakeOpener();
    // Its files in a folder made under base instead of the temporary folder.
    explicit FakeOpener(const std::filesystem::path& base);
    ~FakeOpener();
    FakeOpener(const FakeOpener&) = delete;
    FakeOpener& operator=(const FakeOpener&) = delete;

    void SetExitStatus(int status);
    std::vector<std::string> Opened() const;
    std::filesystem::path Folder() const;                      // where the workbooks are written
    std::vector<std::filesystem::path> FilesInFolder() const;  // hidden ones included
    std::filesystem::path DataHome() const { return root_ / "data"; }

private:
    std::filesystem::path root_;
    std::string oldPath_;
    std::string oldDataHome_;
    bool hadDataHome_ = false;
};

}  // namespace xlsx_test
