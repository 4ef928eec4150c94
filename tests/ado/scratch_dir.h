// A fresh folder for a test's files, made the working directory for the test's length (the
// provider takes a file name without a directory from there). Removed with its files after.
#pragma once

#include <filesystem>

namespace ado_test {

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
};

}  // namespace ado_test
