// Thread message queues and critical sections.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "win32_critical_section.h"
#include "win32_thread.h"
#include "win32_thread_message.h"

namespace {

using orva::win32::ThreadMessage;

TEST(ThreadMessages, ReachOnlyAThreadWithAQueueAndArriveInOrder) {
    std::atomic<DWORD> id{0};
    std::atomic<bool> ready{false};
    std::vector<ThreadMessage> got;
    std::thread receiver([&] {
        id = GetCurrentThreadId();
        orva::win32::CreateThreadMessageQueue();
        ready = true;
        ThreadMessage m;
        while (got.size() < 3 && orva::win32::TakeThreadMessage(m, 20000)) got.push_back(m);
    });
    while (id == 0) std::this_thread::yield();
    const DWORD target = id;
    while (!ready) std::this_thread::yield();
    EXPECT_TRUE(PostThreadMessageA(target, 0x66A, 3, 0));
    EXPECT_TRUE(PostThreadMessageA(target, 0x66B, 3, 1));
    EXPECT_TRUE(PostThreadMessageA(target, 0x671, 7, -1));
    receiver.join();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].message, 0x66Au);
    EXPECT_EQ(got[1].lParam, 1);
    EXPECT_EQ(got[2].wParam, 7u);
    EXPECT_EQ(got[2].lParam, -1);

    // The queue went with its thread; an id nobody has is refused too.
    EXPECT_FALSE(PostThreadMessageA(target, 0x66A, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
    EXPECT_FALSE(PostThreadMessageA(0, 0x66A, 0, 0));
}

TEST(ThreadMessages, ThreadIdsAreDistinctAndStable) {
    const DWORD mine = GetCurrentThreadId();
    EXPECT_NE(mine, 0u);
    EXPECT_EQ(GetCurrentThreadId(), mine);
    DWORD other = 0;
    std::thread([&] { other = GetCurrentThreadId(); }).join();
    EXPECT_NE(other, mine);
}

DWORD WaitForMessage(LPVOID) {
    ThreadMessage m;
    return orva::win32::TakeThreadMessage(m, INFINITE) ? 1 : 2;
}

TEST(ThreadMessages, AStopRequestEndsAWaitForAMessage) {
    HANDLE thread = CreateThread(nullptr, 0, WaitForMessage, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_TRUE(TerminateThread(thread, 9));  // returns once the thread has ended
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 9u);
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(CriticalSections, ExcludeOtherThreadsAndMayBeEnteredAgainAndAreCounted) {
    const std::size_t before = orva::win32::LiveCriticalSectionCount();
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EXPECT_EQ(orva::win32::LiveCriticalSectionCount(), before + 1);
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            EnterCriticalSection(&cs);
            EnterCriticalSection(&cs);  // the owner may enter again
            ++counter;
            LeaveCriticalSection(&cs);
            LeaveCriticalSection(&cs);
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(counter, 40000);
    DeleteCriticalSection(&cs);
    DeleteCriticalSection(&cs);  // a second delete does nothing
    EXPECT_EQ(orva::win32::LiveCriticalSectionCount(), before);
}

}  // namespace
