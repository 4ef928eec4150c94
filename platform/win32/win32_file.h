// A file object with the sharing rules the program relies on: a file opened with no sharing
// is held exclusively, so a second opener (in this or another process) is refused.
#pragma once

#include <string>

#include "win32_types.h"

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
    };

    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    virtual ~CFile();

    // Path in the program's own form; mapped to a real place. No modeCreate: the file must exist.
    BOOL Open(const char* fileName, UINT openFlags);
    void Write(const void* data, UINT count);  // at the current position, which then advances
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Creates the file when it does not exist (its folder too) and leaves an existing file
// untouched; true when this call created it.
bool CreateNewFile(const char* fileName);
