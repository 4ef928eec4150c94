#include <dirent.h>
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "win32_thread.h"

namespace {

constexpr DWORD kGuardMs = 20000;  // only keeps a broken build from hanging

struct Context {
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<HANDLE> self{nullptr};
    std::atomic<bool> finished{false};
    std::atomic<bool> sawStop{false};
    std::atomic<DWORD> waitResult{0};
    std::atomic<DWORD> waitError{0};
    ~Context() {
        CloseHandle(started);
        CloseHandle(go);
    }
};

Context& Ctx(LPVOID p) {
    return *static_cast<Context*>(p);
}

int ThreadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

// Waits (bounded) until the process has no more than `count` threads.
bool SettlesAt(int count) {
    for (int i = 0; i < 2000; ++i) {
        if (ThreadCount() <= count) return true;
        Sleep(5);
    }
    return false;
}

DWORD WaitForGoThenReturn42(LPVOID p) {
    SetEvent(Ctx(p).started);
    WaitForSingleObject(Ctx(p).go, INFINITE);
    Ctx(p).finished = true;
    return 42;
}

// A reader-style wait of its own: blocks on a condition until a stop callback wakes it.
DWORD BlockOnStopCallback(LPVOID p) {
    std::mutex lock;
    std::condition_variable cv;
    bool woken = false;
    std::stop_callback wake(CurrentThreadStopToken(), [&] {
        std::lock_guard guard(lock);
        woken = true;
        cv.notify_all();
    });
    SetEvent(Ctx(p).started);
    {
        std::unique_lock guard(lock);
        cv.wait(guard, [&] { return woken; });
    }
    Ctx(p).sawStop = ThreadStopRequested();
    Ctx(p).finished = true;
    return 7;
}

DWORD SleepLong(LPVOID p) {
    SetEvent(Ctx(p).started);
    Sleep(600000);
    Ctx(p).sawStop = ThreadStopRequested();
    Ctx(p).finished = true;
    return 8;
}

DWORD WaitForEventForever(LPVOID p) {
    SetEvent(Ctx(p).started);
    Ctx(p).waitResult = WaitForSingleObject(Ctx(p).go, INFINITE);
    Ctx(p).waitError = GetLastError();
    Ctx(p).finished = true;
    return 9;
}

DWORD TerminateItself(LPVOID p) {
    WaitForSingleObject(Ctx(p).go, INFINITE);
    DWORD code = 0;
    GetExitCodeThread(Ctx(p).self, &code);
    Ctx(p).waitResult = code;  // still active from its own view
    TerminateThread(Ctx(p).self, 4711);
    Ctx(p).sawStop = ThreadStopRequested();
    Sleep(600000);  // returns at once: the stop is already requested
    Ctx(p).finished = true;
    return 5;
}

DWORD CloseOwnHandle(LPVOID p) {
    WaitForSingleObject(Ctx(p).go, INFINITE);
    CloseHandle(Ctx(p).self);
    Sleep(5);
    Ctx(p).finished = true;
    SetEvent(Ctx(p).started);
    return 0;
}

TEST(Win32Thread, RunsAtOnceAndKeepsItsHandleAfterTheEnd) {
    Context ctx;
    DWORD id1 = 0, id2 = 0;
    HANDLE h = CreateThread(nullptr, 0, WaitForGoThenReturn42, &ctx, 0, &id1);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(WaitForSingleObject(ctx.started, kGuardMs), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_TIMEOUT);

    Context ctx2;
    SetEvent(ctx2.go);
    HANDLE h2 = CreateThread(nullptr, 0, WaitForGoThenReturn42, &ctx2, 0, &id2);
    EXPECT_NE(id1, 0u);
    EXPECT_NE(id2, 0u);
    EXPECT_NE(id1, id2);

    SetEvent(ctx.go);
    ASSERT_EQ(WaitForSingleObject(h, kGuardMs), WAIT_OBJECT_0);
    EXPECT_TRUE(ctx.finished);
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_OBJECT_0);  // stays signalled
    ASSERT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_TRUE(TerminateThread(h, 1));  // too late to change anything
    ASSERT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(code, 42u);

    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_FAILED);
    EXPECT_FALSE(TerminateThread(h, 0));
    EXPECT_FALSE(GetExitCodeThread(h, &code));

    ASSERT_EQ(WaitForSingleObject(h2, kGuardMs), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(h2));
}

TEST(Win32Thread, TerminateWakesAWaitOnTheStopTokenAndJoins) {
    Context ctx;
    HANDLE h = CreateThread(nullptr, 0, BlockOnStopCallback, &ctx, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(ctx.started, kGuardMs), WAIT_OBJECT_0);
    EXPECT_TRUE(TerminateThread(h, 99));
    EXPECT_TRUE(ctx.finished);  // joined: the procedure has returned
    EXPECT_TRUE(ctx.sawStop);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(code, 99u);
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(h));
}

TEST(Win32Thread, TerminateCutsSleepAndWaitsShort) {
    Context sleeper;
    HANDLE h = CreateThread(nullptr, 0, SleepLong, &sleeper, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(sleeper.started, kGuardMs), WAIT_OBJECT_0);
    EXPECT_TRUE(TerminateThread(h, 1));
    EXPECT_TRUE(sleeper.finished);
    EXPECT_TRUE(sleeper.sawStop);
    CloseHandle(h);

    Context waiter;
    h = CreateThread(nullptr, 0, WaitForEventForever, &waiter, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(waiter.started, kGuardMs), WAIT_OBJECT_0);
    EXPECT_TRUE(TerminateThread(h, 2));
    EXPECT_TRUE(waiter.finished);
    EXPECT_EQ(waiter.waitResult.load(), WAIT_FAILED);
    EXPECT_EQ(waiter.waitError.load(), ERROR_OPERATION_ABORTED);
    CloseHandle(h);
}

TEST(Win32Thread, ThreadTerminatingItselfOnlyRequestsTheStop) {
    Context ctx;
    DWORD id = 0;
    HANDLE h = CreateThread(nullptr, 0, TerminateItself, &ctx, 0, &id);
    ctx.self = h;
    SetEvent(ctx.go);
    ASSERT_EQ(WaitForSingleObject(h, kGuardMs), WAIT_OBJECT_0);
    EXPECT_TRUE(ctx.finished);
    EXPECT_TRUE(ctx.sawStop);
    EXPECT_EQ(ctx.waitResult.load(), STILL_ACTIVE);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(code, 4711u);
    // Ending it again from outside, as the program does for the previous test's thread.
    EXPECT_TRUE(TerminateThread(h, id));
    EXPECT_TRUE(CloseHandle(h));
}

TEST(Win32Thread, ClosingTheHandleOfARunningThreadLeavesItRunning) {
    const int before = ThreadCount();
    {
        Context ctx;
        HANDLE h = CreateThread(nullptr, 0, WaitForGoThenReturn42, &ctx, 0, nullptr);
        ASSERT_EQ(WaitForSingleObject(ctx.started, kGuardMs), WAIT_OBJECT_0);
        EXPECT_TRUE(CloseHandle(h));
        EXPECT_FALSE(TerminateThread(h, 0));
        SetEvent(ctx.go);
        for (int i = 0; i < 4000 && !ctx.finished; ++i) Sleep(5);
        EXPECT_TRUE(ctx.finished);
        EXPECT_TRUE(SettlesAt(before));  // it detached itself and went away
    }
    {
        Context ctx;
        HANDLE h = CreateThread(nullptr, 0, CloseOwnHandle, &ctx, 0, nullptr);
        ctx.self = h;
        SetEvent(ctx.go);
        ASSERT_EQ(WaitForSingleObject(ctx.started, kGuardMs), WAIT_OBJECT_0);
        EXPECT_TRUE(ctx.finished);
        EXPECT_FALSE(CloseHandle(h));
        EXPECT_TRUE(SettlesAt(before));
    }
}

TEST(Win32Thread, SeveralThreadsTerminatingTheSameThread) {
    Context ctx;
    HANDLE h = CreateThread(nullptr, 0, SleepLong, &ctx, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(ctx.started, kGuardMs), WAIT_OBJECT_0);
    std::atomic<int> sawUnfinished{0};
    std::vector<std::thread> killers;
    for (int i = 0; i < 4; ++i) {
        killers.emplace_back([&, i] {
            EXPECT_TRUE(TerminateThread(h, 100 + i));
            if (!ctx.finished) ++sawUnfinished;
        });
    }
    for (auto& k : killers) k.join();
    EXPECT_EQ(sawUnfinished.load(), 0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_GE(code, 100u);
    EXPECT_LE(code, 103u);
    EXPECT_TRUE(CloseHandle(h));
}

TEST(Win32Thread, ManyStartTerminateCyclesLeaveNoThreads) {
    const int before = ThreadCount();
    for (int i = 0; i < 200; ++i) {
        Context ctx;
        HANDLE h = CreateThread(nullptr, 0, i % 2 ? SleepLong : BlockOnStopCallback, &ctx, 0, nullptr);
        ASSERT_NE(h, nullptr);
        if (i % 3 == 0) WaitForSingleObject(ctx.started, kGuardMs);  // else it may not have begun yet
        ASSERT_TRUE(TerminateThread(h, 0));
        ASSERT_TRUE(ctx.finished);
        CloseHandle(h);
    }
    EXPECT_TRUE(SettlesAt(before));
}

TEST(Win32Thread, OtherThreadsHaveNoStopAndTheirOwnLastError) {
    EXPECT_FALSE(ThreadStopRequested());
    EXPECT_FALSE(CurrentThreadStopToken().stop_possible());
    Sleep(0);
    Sleep(1);
    SetLastError(ERROR_ACCESS_DENIED);
    std::thread other([] {
        EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
        SetLastError(ERROR_INVALID_DATA);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
    });
    other.join();
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
}

}  // namespace
