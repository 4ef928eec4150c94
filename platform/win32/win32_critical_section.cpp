#include "win32_critical_section.h"

#include <atomic>
#include <mutex>

namespace {

std::atomic<std::size_t> g_liveSections{0};

std::recursive_mutex* LockOf(CRITICAL_SECTION* section) {
    return static_cast<std::recursive_mutex*>(section->lock);
}

}  // namespace

void InitializeCriticalSection(CRITICAL_SECTION* section) {
    section->lock = new std::recursive_mutex;
    g_liveSections.fetch_add(1, std::memory_order_relaxed);
}

void DeleteCriticalSection(CRITICAL_SECTION* section) {
    if (section->lock == nullptr) return;
    delete LockOf(section);
    section->lock = nullptr;
    g_liveSections.fetch_sub(1, std::memory_order_relaxed);
}

void EnterCriticalSection(CRITICAL_SECTION* section) {
    LockOf(section)->lock();
}

void LeaveCriticalSection(CRITICAL_SECTION* section) {
    LockOf(section)->unlock();
}

namespace orva::win32 {

std::size_t LiveCriticalSectionCount() {
    return g_liveSections.load(std::memory_order_relaxed);
}

}  // namespace orva::win32
