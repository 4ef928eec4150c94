#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <thread>

#include "win32_thread.h"

namespace {

long VoluntarySwitches() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

TEST(Win32Event, AZeroTimeoutWaitLooksWithoutSleeping) {
    // Callers look at an event between two received bytes: a look must not put the thread to
    // sleep, however short.
    HANDLE events[2] = {CreateEventA(nullptr, TRUE, FALSE, nullptr),
                        CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    constexpr int kLooks = 2000;
    const long before = VoluntarySwitches();
    int timeouts = 0;
    for (int i = 0; i < kLooks; ++i) {
        timeouts += WaitForSingleObject(events[0], 0) == WAIT_TIMEOUT;
        timeouts += WaitForMultipleObjects(2, events, FALSE, 0) == WAIT_TIMEOUT;
    }
    const long slept = VoluntarySwitches() - before;
    EXPECT_EQ(timeouts, 2 * kLooks);
    EXPECT_LT(slept, kLooks / 20);
    SetEvent(events[1]);
    EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_TIMEOUT);  // the auto-reset one was taken
    SetEvent(events[0]);
    EXPECT_EQ(WaitForSingleObject(events[0], 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(events[0], 0), WAIT_OBJECT_0);
    for (HANDLE e : events) CloseHandle(e);
}

TEST(Win32Event, AutoResetReleasesOneWaitPerSet) {
    HANDLE e = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(e, 20), WAIT_TIMEOUT);

    std::atomic<int> released{0};
    std::thread a([&] { released += WaitForSingleObject(e, 20000) == WAIT_OBJECT_0; });
    std::thread b([&] { released += WaitForSingleObject(e, 20000) == WAIT_OBJECT_0; });
    Sleep(20);
    SetEvent(e);
    for (int i = 0; i < 4000 && released == 0; ++i) Sleep(5);
    Sleep(50);
    EXPECT_EQ(released.load(), 1);
    SetEvent(e);
    a.join();
    b.join();
    EXPECT_EQ(released.load(), 2);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(e));
}

TEST(Win32Event, ManualResetStaysSetUntilReset) {
    HANDLE e = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    std::thread setter([e] {
        Sleep(20);
        SetEvent(e);
    });
    EXPECT_EQ(WaitForSingleObject(e, INFINITE), WAIT_OBJECT_0);
    setter.join();
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 10), WAIT_OBJECT_0);
    EXPECT_TRUE(ResetEvent(e));
    EXPECT_EQ(WaitForSingleObject(e, 30), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(e));
    EXPECT_FALSE(SetEvent(e));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(ResetEvent(e));
}

TEST(Win32Event, WrongHandlesFail) {
    EXPECT_EQ(CreateEventA(nullptr, TRUE, FALSE, "name"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForSingleObject(INVALID_HANDLE_VALUE, 0), WAIT_FAILED);
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));

    HANDLE mutex = CreateMutexA(nullptr, TRUE, nullptr);
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_FALSE(SetEvent(mutex));  // not an event
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_FAILED);
    EXPECT_FALSE(TerminateThread(mutex, 0));
    EXPECT_TRUE(CloseHandle(mutex));
}

}  // namespace
