// A file the user named, written as a careful file write does: into a new file beside it that
// takes its name only once every byte is on the disk (so a failed write leaves the earlier file
// as it was, and a killed one leaves nothing where the file system makes files without a name),
// through a symbolic link to its target. The new file takes an existing file's place only where
// it carries the same mode, owner and group and no access list, and the file has no other name
// nor an access list of its own; otherwise (a file of another user written through its group, a
// second hard link, an access list, a folder that takes no new file) the file itself is written,
// and a failed write leaves it empty rather than cut short.
// A file the user cannot write, or anything but a regular file, is refused untouched. Every
// failure throws FileError, which names the file and the system's reason.
#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>

namespace orva::files {

class FileError : public std::runtime_error {
public:
    FileError(const std::string& path, const std::string& reason);
    const std::string& path() const { return m_path; }
    const std::string& reason() const { return m_reason; }

private:
    std::string m_path;
    std::string m_reason;
};

class SavedFile {
public:
    explicit SavedFile(std::string path);
    SavedFile(const SavedFile&) = delete;
    SavedFile& operator=(const SavedFile&) = delete;
    // A file not committed is dropped: the earlier one stays, or (written in place) is emptied
    // rather than left cut short.
    ~SavedFile();

    void Open();
    // Writes all of it, however many system calls that takes.
    void Write(const void* data, std::size_t count);
    // Flushes to the disk and gives the file its name.
    void Commit();

    const std::string& path() const { return m_path; }

private:
    struct Impl;
    void Fail(const std::string& reason);

    std::string m_path;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace orva::files
