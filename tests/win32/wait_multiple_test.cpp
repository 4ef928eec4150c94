// Waiting for any of several objects, and suspension as a pause at the waits.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "win32_sync.h"
#include "win32_thread.h"

namespace {

// A guard against hangs only: polls until the state holds.
bool WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

struct Events {
    HANDLE h[3] = {CreateEventA(nullptr, TRUE, FALSE, nullptr), CreateEventA(nullptr, FALSE, FALSE, nullptr),
                   CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    ~Events() {
        for (HANDLE e : h) CloseHandle(e);
    }
};

TEST(Win32WaitMultiple, TheLowestSignalledWinsAndOnlyItsSignalIsTaken) {
    Events e;
    EXPECT_EQ(WaitForMultipleObjects(3, e.h, FALSE, 0), WAIT_TIMEOUT);
    SetEvent(e.h[1]);  // auto-reset
    SetEvent(e.h[2]);  // manual reset
    EXPECT_EQ(WaitForMultipleObjects(3, e.h, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForSingleObject(e.h[1], 0), WAIT_TIMEOUT);  // taken
    EXPECT_EQ(WaitForMultipleObjects(3, e.h, FALSE, INFINITE), WAIT_OBJECT_0 + 2);
    EXPECT_EQ(WaitForMultipleObjects(3, e.h, FALSE, 0), WAIT_OBJECT_0 + 2);  // still set
    SetEvent(e.h[0]);
    EXPECT_EQ(WaitForMultipleObjects(3, e.h, FALSE, INFINITE), WAIT_OBJECT_0);
}

TEST(Win32WaitMultiple, ABlockedWaitWakesForAnyOfItsObjectsAndForItsThreadsEnd) {
    Events e;
    DWORD result = WAIT_FAILED;
    std::thread waiter([&] { result = WaitForMultipleObjects(3, e.h, FALSE, INFINITE); });
    SetEvent(e.h[2]);
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0 + 2);

    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID event) -> DWORD { return WaitForSingleObject(static_cast<HANDLE>(event), INFINITE); },
        e.h[1], 0, nullptr);
    const HANDLE set[2] = {e.h[0], thread};
    SetEvent(e.h[1]);
    EXPECT_EQ(WaitForMultipleObjects(2, set, FALSE, INFINITE), WAIT_OBJECT_0 + 1);
    EXPECT_TRUE(CloseHandle(thread));
}

// Two threads hand a token back and forth through two pairs of auto-reset events: a wake-up lost
// between a waiter's look at its objects and its sleep would stop the exchange.
TEST(Win32WaitMultiple, NoWakeUpIsLostInAQuickExchange) {
    constexpr int kRounds = 5000;
    Events ping, pong;
    std::atomic<int> served{0};
    std::thread server([&] {
        for (int i = 0; i < kRounds; ++i) {
            const DWORD r = WaitForMultipleObjects(3, ping.h, FALSE, INFINITE);
            if (r != WAIT_OBJECT_0 + 1) return;
            ++served;
            SetEvent(pong.h[1]);
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        SetEvent(ping.h[1]);
        ASSERT_EQ(WaitForMultipleObjects(3, pong.h, FALSE, 20000), WAIT_OBJECT_0 + 1) << i;
    }
    server.join();
    EXPECT_EQ(served.load(), kRounds);
}

TEST(Win32WaitMultiple, WrongArgumentsFailAndAStopRequestEndsTheWait) {
    Events e;
    EXPECT_EQ(WaitForMultipleObjects(0, e.h, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS + 1, e.h, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForMultipleObjects(3, e.h, TRUE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    const HANDLE mixed[3] = {e.h[0], nullptr, mutex};
    EXPECT_EQ(WaitForMultipleObjects(2, mixed, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    const HANDLE notWaitable[2] = {e.h[0], mutex};
    EXPECT_EQ(WaitForMultipleObjects(2, notWaitable, FALSE, 0), WAIT_FAILED);
    CloseHandle(mutex);

    struct Result {
        HANDLE* events;
        std::atomic<DWORD> value{0};
        std::atomic<DWORD> error{0};
    } result{e.h};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* r = static_cast<Result*>(p);
            r->value = WaitForMultipleObjects(3, r->events, FALSE, INFINITE);
            r->error = GetLastError();
            return 0;
        },
        &result, 0, nullptr);
    EXPECT_TRUE(TerminateThread(thread, 7));  // joins
    EXPECT_EQ(result.value.load(), WAIT_FAILED);
    EXPECT_EQ(result.error.load(), ERROR_OPERATION_ABORTED);
    CloseHandle(thread);
}

// A worker that counts the signals of an auto-reset event until told to end.
struct Counter {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::atomic<bool> end{false};
    std::atomic<int> count{0};

    static DWORD Run(LPVOID p) {
        auto* c = static_cast<Counter*>(p);
        while (WaitForSingleObject(c->event, INFINITE) == WAIT_OBJECT_0 && !c->end) ++c->count;
        return 0;
    }
    ~Counter() { CloseHandle(event); }
};

TEST(Win32Suspend, ASuspendedThreadHoldsAtItsWaitUntilResumed) {
    Counter c;
    HANDLE thread = CreateThread(nullptr, 0, &Counter::Run, &c, 0, nullptr);
    EXPECT_EQ(SuspendThread(thread), 0u);
    EXPECT_EQ(SuspendThread(thread), 1u);
    SetEvent(c.event);
    ASSERT_TRUE(WaitUntil([&] { return orva::win32::ThreadHeldBySuspend(thread); }));
    EXPECT_EQ(c.count.load(), 0);  // held before it could count
    EXPECT_EQ(ResumeThread(thread), 2u);
    EXPECT_TRUE(orva::win32::ThreadHeldBySuspend(thread));  // one suspension left
    EXPECT_EQ(ResumeThread(thread), 1u);
    ASSERT_TRUE(WaitUntil([&] { return c.count == 1; }));
    EXPECT_FALSE(orva::win32::ThreadHeldBySuspend(thread));
    EXPECT_EQ(ResumeThread(thread), 0u);  // not suspended: nothing changes

    // A stop request ends the hold, so a suspended thread can still be ended and joined.
    SuspendThread(thread);
    SetEvent(c.event);
    ASSERT_TRUE(WaitUntil([&] { return orva::win32::ThreadHeldBySuspend(thread); }));
    EXPECT_TRUE(TerminateThread(thread, 9));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 9u);
    EXPECT_TRUE(CloseHandle(thread));

    EXPECT_EQ(SuspendThread(nullptr), 0xFFFFFFFFu);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(ResumeThread(INVALID_HANDLE_VALUE), 0xFFFFFFFFu);
}

TEST(Win32Suspend, OtherThreadsAreNotHeld) {
    HANDLE thread = CreateThread(
        nullptr, 0, [](LPVOID) -> DWORD { return 0; }, nullptr, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(SuspendThread(thread), 0u);
    // The suspension is the ended thread's, not the caller's: these waits go on.
    Events e;
    SetEvent(e.h[0]);
    EXPECT_EQ(WaitForMultipleObjects(3, e.h, FALSE, INFINITE), WAIT_OBJECT_0);
    Sleep(0);
    CloseHandle(thread);
}

}  // namespace
