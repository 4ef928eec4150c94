#include <gtest/gtest.h>
#include <time.h>

#include "win32_time.h"

namespace {

DWORD MonotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<DWORD>(static_cast<std::uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1000000);
}

TEST(Win32Time, TickCountIsTheMonotonicClockInMilliseconds) {
    for (int i = 0; i < 1000; ++i) {
        const DWORD before = MonotonicMs();
        const DWORD tick = GetTickCount();
        const DWORD after = MonotonicMs();
        ASSERT_LE(static_cast<DWORD>(tick - before), static_cast<DWORD>(after - before));
    }
}

}  // namespace
