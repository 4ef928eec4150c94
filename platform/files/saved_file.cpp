#include "saved_file.h"

#include <unistd.h>

#include "save_file_open.h"

namespace orva::files {

FileError::FileError(const std::string& path, const std::string& reason)
    : std::runtime_error("The file " + path + " could not be written: " + reason + "."),
      m_path(path),
      m_reason(reason) {}

struct SavedFile::Impl {
    QSaveFile file;
    bool inPlace = false;
    bool committed = false;

    ~Impl() {
        if (committed) return;
        // Written in place there is no earlier file left to keep: an empty file rather than a
        // report cut short. (Best effort: the write that failed may fail this too.)
        if (inPlace && file.isOpen() && ::ftruncate(file.handle(), 0) != 0) {
        }
        file.cancelWriting();
    }
};

SavedFile::SavedFile(std::string path) : m_path(std::move(path)) {}

SavedFile::~SavedFile() = default;

void SavedFile::Fail(const std::string& reason) {
    m_impl.reset();
    throw FileError(m_path, reason);
}

void SavedFile::Open() {
    m_impl.reset();
    auto impl = std::make_unique<Impl>();
    std::string reason;
    if (!OpenForSaving(impl->file, m_path, reason)) throw FileError(m_path, reason);
    impl->inPlace = WritesInPlace(impl->file, m_path);
    m_impl = std::move(impl);
}

void SavedFile::Write(const void* data, std::size_t count) {
    if (!m_impl) throw FileError(m_path, "It is not open");
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        const qint64 n = m_impl->file.write(p, static_cast<qint64>(count));
        if (n <= 0) Fail(m_impl->file.errorString().toStdString());
        p += n;
        count -= static_cast<std::size_t>(n);
    }
}

void SavedFile::Commit() {
    if (!m_impl) throw FileError(m_path, "It is not open");
    if (!m_impl->file.commit()) Fail(m_impl->file.errorString().toStdString());
    m_impl->committed = true;
    m_impl.reset();
}

}  // namespace orva::files
