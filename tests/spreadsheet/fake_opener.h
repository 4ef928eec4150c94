// Stands in for the desktop's opener: a program of the tests, started by its full path, that
// notes the file it is given and ends with a chosen status, and a private data folder for the
// workbooks. Both are put back when the object goes (no opener at all: a start fails).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace xlsx_test {

class FakeOpener {
public:
    FakeOpener();
    // Its files in a folder made under base instead of the temporary folder; program, when
    // given, is the opener's path (one the test has reached in another way).
    explicit FakeOpener(const std::filesystem::path& base, const std::string& program = {});
    ~FakeOpener();
    FakeOpener(const FakeOpener&) = delete;
    FakeOpener& operator=(const FakeOpener&) = delete;

    void SetExitStatus(int status);
    std::vector<std::string> Opened() const;
    std::filesystem::path Folder() const;                      // where the workbooks are written
    std::vector<std::filesystem::path> FilesInFolder() const;  // hidden ones included
    std::filesystem::path DataHome() const { return root_ / "data"; }

    // The opener program as built.
    static std::string Program();

private:
    void Use(const std::string& program);

    std::filesystem::path root_;
    std::string oldDataHome_;
    bool hadDataHome_ = false;
};

}  // namespace xlsx_test
