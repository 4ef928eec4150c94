// Critical sections: locks that one thread may enter several times, as the serial classes take
// them around their buffers.
#pragma once

#include <cstddef>

#include "win32_types.h"

struct CRITICAL_SECTION {
    void* lock = nullptr;  // made by InitializeCriticalSection, freed by DeleteCriticalSection
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;

void InitializeCriticalSection(CRITICAL_SECTION* section);
// Frees the lock; the section must not be held. Deleting a section twice does nothing.
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);

namespace orva::win32 {

// Sections initialised and not yet deleted in this process.
std::size_t LiveCriticalSectionCount();

// Holds a section for its scope.
class SectionLock {
public:
    explicit SectionLock(CRITICAL_SECTION& section) : m_section(section) { EnterCriticalSection(&m_section); }
    ~SectionLock() { LeaveCriticalSection(&m_section); }
    SectionLock(const SectionLock&) = delete;
    SectionLock& operator=(const SectionLock&) = delete;

private:
    CRITICAL_SECTION& m_section;
};

}  // namespace orva::win32
