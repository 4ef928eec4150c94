#include <dirent.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "mmsystem_timers.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

int ThreadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

// Bounded waits that only keep a broken build from hanging.
template <class Pred>
bool Eventually(Pred pred) {
    for (int i = 0; i < 4000; ++i) {
        if (pred()) return true;
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

bool SettlesAt(int count) {
    return Eventually([count] { return ThreadCount() <= count; });
}

struct Probe {
    std::atomic<UINT> id{0};
    std::atomic<int> calls{0};
    std::atomic<bool> inCallback{false};
    std::atomic<bool> killReturned{false};
    std::atomic<int> callsAfterKill{0};
    std::atomic<bool> badArgs{false};
    int killAt = 0;    // own callback kills the timer at this call
    UINT otherId = 0;  // ... or kills this other timer
    int blockAt = 0;   // this call blocks for blockFor
    std::chrono::milliseconds blockFor{0};
    std::chrono::milliseconds busyFor{0};  // every call takes this long
    std::atomic<MMRESULT> killResult{12345};
};

void CALLBACK_Probe(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR dw1, DWORD_PTR dw2) {
    Probe& p = *reinterpret_cast<Probe*>(user);
    if (msg != 0 || dw1 != 0 || dw2 != 0 || (p.id != 0 && id != p.id)) p.badArgs = true;
    p.inCallback = true;
    if (p.killReturned) ++p.callsAfterKill;
    const int n = ++p.calls;
    if (p.busyFor.count() > 0) std::this_thread::sleep_for(p.busyFor);
    if (n == p.blockAt) std::this_thread::sleep_for(p.blockFor);
    if (n == p.killAt) p.killResult = timeKillEvent(p.otherId != 0 ? p.otherId : id);
    p.inCallback = false;
}

TEST(MmTimer, KillFromAnotherThreadWaitsForTheRunningCallback) {
    Probe p;
    p.busyFor = 2ms;
    p.id = timeSetEvent(1, 1, CALLBACK_Probe, reinterpret_cast<DWORD_PTR>(&p), TIME_PERIODIC);
    ASSERT_NE(p.id, 0u);
    ASSERT_TRUE(Eventually([&] { return p.calls >= 5; }));
    EXPECT_EQ(timeKillEvent(p.id), TIMERR_NOERROR);
    EXPECT_FALSE(p.inCallback);
    p.killReturned = true;
    const int calls = p.calls;
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(p.calls, calls);
    EXPECT_EQ(p.callsAfterKill, 0);
    EXPECT_FALSE(p.badArgs);
    EXPECT_EQ(timeKillEvent(p.id), MMSYSERR_INVALPARAM);
}

TEST(MmTimer, KillFromItsOwnCallbackEndsAfterThatCallback) {
    const int before = ThreadCount();
    Probe p;
    p.killAt = 5;
    p.id = timeSetEvent(1, 1, CALLBACK_Probe, reinterpret_cast<DWORD_PTR>(&p), TIME_PERIODIC);
    ASSERT_NE(p.id, 0u);
    ASSERT_TRUE(Eventually([&] { return p.killResult != 12345u; }));
    EXPECT_EQ(p.killResult, TIMERR_NOERROR);
    EXPECT_TRUE(SettlesAt(before));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(p.calls, 5);
    EXPECT_EQ(timeKillEvent(p.id), MMSYSERR_INVALPARAM);
}

TEST(MmTimer, KillFromAnotherTimersCallback) {
    const int before = ThreadCount();
    Probe victim;
    victim.id = timeSetEvent(1, 1, CALLBACK_Probe, reinterpret_cast<DWORD_PTR>(&victim), TIME_PERIODIC);
    Probe killer;
    killer.otherId = victim.id;
    killer.killAt = 4;
    killer.id = timeSetEvent(3, 1, CALLBACK_Probe, reinterpret_cast<DWORD_PTR>(&killer), TIME_PERIODIC);
    ASSERT_NE(victim.id, 0u);
    ASSERT_NE(killer.id, 0u);
    ASSERT_TRUE(Eventually([&] { return killer.killResult != 12345u; }));
    EXPECT_EQ(killer.killResult, TIMERR_NOERROR);
    const int calls = victim.calls;
    EXPECT_GT(calls, 0);
    EXPECT_FALSE(victim.inCallback);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(victim.calls, calls);
    EXPECT_EQ(timeKillEvent(killer.id), TIMERR_NOERROR);
    EXPECT_TRUE(SettlesAt(before));
}

TEST(MmTimer, ManyStartKillCyclesLeaveNoThreadsAndNeverReuseIds) {
    const int before = ThreadCount();
    std::set<UINT> ids;
    for (int i = 0; i < 200; ++i) {
        Probe p;
        if (i % 3 == 2) p.killAt = 1;
        p.id = timeSetEvent(1, 1, CALLBACK_Probe, reinterpret_cast<DWORD_PTR>(&p), TIME_PERIODIC);
        ASSERT_NE(p.id, 0u);
        EXPECT_TRUE(ids.insert(p.id).second);
        if (i % 3 == 0) {
            EXPECT_EQ(timeKillEvent(p.id), TIMERR_NOERROR);
        } else if (i % 3 == 1) {
            ASSERT_TRUE(Eventually([&] { return p.calls >= 1; }));
            EXPECT_EQ(timeKillEvent(p.id), TIMERR_NOERROR);
        } else {
            ASSERT_TRUE(Eventually([&] { return p.killResult != 12345u; }));
            EXPECT_EQ(p.killResult, TIMERR_NOERROR);
            // The callback has returned its kill result but may still be finishing: wait for its end
            // before `p` goes away.
            ASSERT_TRUE(Eventually([&] { return !p.inCallback; }));
            EXPECT_EQ(timeKillEvent(p.id), MMSYSERR_INVALPARAM);
        }
    }
    EXPECT_TRUE(SettlesAt(before));
}

// Callbacks come at start + k * period: never more than the elapsed time allows, and roughly that.
TEST(MmTimer, CallbackCountFollowsTheElapsedTime) {
    Probe whole, fraction;
    const auto t0 = Clock::now();
    whole.id = timeSetEvent(10, 1, CALLBACK_Probe, reinterpret_cast<DWORD_PTR>(&whole), TIME_PERIODIC);
    fraction.id =
        timeSetEventNs(3333333, 1, CALLBACK_Probe, reinterpret_cast<DWORD_PTR>(&fraction), TIME_PERIODIC);
    ASSERT_NE(whole.id, 0u);
    ASSERT_NE(fraction.id, 0u);
    // However late a busy machine lets the timers run, they never run ahead of their deadlines.
    EXPECT_TRUE(Eventually([&] { return whole.calls >= 50 && fraction.calls >= 150; }));
    timeKillEvent(whole.id);
    timeKillEvent(fraction.id);
    const double elapsedMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    EXPECT_LE(whole.calls, static_cast<int>(elapsedMs / 10.0));
    EXPECT_LE(fraction.calls, static_cast<int>(elapsedMs / 3.333333));
}

TEST(MmTimer, LateCallbacksCatchUpUnlessFarBehind) {
    // 90 periods behind: the missed callbacks follow at once.
    Probe caughtUp;
    caughtUp.blockAt = 3;
    caughtUp.blockFor = 180ms;
    const auto t0 = Clock::now();
    caughtUp.id = timeSetEvent(2, 1, CALLBACK_Probe, reinterpret_cast<DWORD_PTR>(&caughtUp), TIME_PERIODIC);
    const auto elapsedMs = [](Clock::time_point since) {
        return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
    };
    // Past the block, the count comes back to the schedule (without catching up it stays 90 behind).
    // A busy machine only delays the moment.
    EXPECT_TRUE(Eventually([&] {
        return elapsedMs(t0) > 400.0 && caughtUp.calls >= static_cast<int>(elapsedMs(t0) / 2.0) - 45;
    }));
    timeKillEvent(caughtUp.id);
    EXPECT_LE(caughtUp.calls, static_cast<int>(elapsedMs(t0) / 2.0));

    // 300 periods behind: the timer skips ahead instead of firing 300 callbacks in a row.
    Probe skipped;
    skipped.blockAt = 3;
    skipped.blockFor = 300ms;
    const auto t1 = Clock::now();
    skipped.id = timeSetEvent(1, 1, CALLBACK_Probe, reinterpret_cast<DWORD_PTR>(&skipped), TIME_PERIODIC);
    std::this_thread::sleep_for(600ms);
    timeKillEvent(skipped.id);
    const double elapsed1 = std::chrono::duration<double, std::milli>(Clock::now() - t1).count();
    EXPECT_LE(skipped.calls, static_cast<int>(elapsed1) - 250);
    EXPECT_GE(skipped.calls, 3);
}

TEST(MmTimer, OneShotFiresOnceAndEndsByItself) {
    const int before = ThreadCount();
    Probe p;
    p.id = timeSetEvent(20, 1, CALLBACK_Probe, reinterpret_cast<DWORD_PTR>(&p), TIME_ONESHOT);
    ASSERT_NE(p.id, 0u);
    ASSERT_TRUE(Eventually([&] { return p.calls >= 1; }));
    EXPECT_TRUE(SettlesAt(before));
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(p.calls, 1);
    EXPECT_EQ(timeKillEvent(p.id), MMSYSERR_INVALPARAM);
    EXPECT_FALSE(p.badArgs);
}

TEST(MmTimer, CapsAndBadArguments) {
    TIMECAPS caps{};
    ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), TIMERR_NOERROR);
    EXPECT_EQ(caps.wPeriodMin, 1u);
    EXPECT_EQ(caps.wPeriodMax, 1000000u);
    EXPECT_NE(timeGetDevCaps(nullptr, sizeof caps), TIMERR_NOERROR);
    EXPECT_NE(timeGetDevCaps(&caps, 4), TIMERR_NOERROR);
    EXPECT_EQ(timeBeginPeriod(1), TIMERR_NOERROR);
    EXPECT_EQ(timeEndPeriod(1), TIMERR_NOERROR);
    EXPECT_NE(timeBeginPeriod(0), TIMERR_NOERROR);

    Probe p;
    const auto user = reinterpret_cast<DWORD_PTR>(&p);
    EXPECT_EQ(timeSetEvent(10, 1, nullptr, user, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(0, 1, CALLBACK_Probe, user, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(1000001, 1, CALLBACK_Probe, user, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(10, 1, CALLBACK_Probe, user, TIME_PERIODIC | 0x10), 0u);
    EXPECT_EQ(timeSetEventNs(999999, 1, CALLBACK_Probe, user, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeKillEvent(0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(timeKillEvent(0xFFFFFFF0u), MMSYSERR_INVALPARAM);
    EXPECT_EQ(p.calls, 0);
}

}  // namespace
