// Whole files as text, for the export tests that write a file's earlier contents and read back
// what the export left.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace export_test {

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace export_test
