// A file written as a whole that replaces its target only once every byte is on the disk: the
// text goes to a new file beside the target, which is renamed over the target at Commit. Every
// failure (creating, each write, flushing, closing, renaming) throws FileError, which names the
// file and the system's reason; a failed or abandoned file leaves the target as it was. Unlike
// CFile, which the start-up log uses and which ignores failures, nothing here fails silently.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace orva::files {

class FileError : public std::runtime_error {
public:
    FileError(const std::string& path, int error);
    const std::string& path() const { return m_path; }
    int error() const { return m_error; }

private:
    std::string m_path;
    int m_error;
};

class ReplacingFile {
public:
    // The target's path is used as it is, with no mapping of drive letters or backslashes.
    explicit ReplacingFile(std::string target);
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    // Removes the new file when Commit was not reached.
    ~ReplacingFile();

    // Creates the new file in the target's folder.
    void Open();
    // Writes all of it, however many system calls that takes.
    void Write(const void* data, std::size_t count);
    // Flushes and closes the new file and renames it over the target.
    void Commit();

    const std::string& target() const { return m_target; }

private:
    void Discard();

    std::string m_target;
    std::string m_temp;
    int m_fd = -1;
};

}  // namespace orva::files
