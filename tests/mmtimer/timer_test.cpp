#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
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
    int killAt = 0;                        // own callback kills the timer at this call
    UINT otherId = 0;                      // ... or kills this other timer
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
    ASSERT_NE(victim.id, 0u);
    // The killer starts once the victim has run: a busy machine may hold the victim's thread back
    // for longer than the killer's four periods.
    const bool victimRan = Eventually([&] { return victim.calls >= 1; });
    if (!victimRan) timeKillEvent(victim.id);
    ASSERT_TRUE(victimRan);
    Probe killer;
    killer.otherId = victim.id;
    killer.killAt = 4;
    killer.id = timeSetEvent(3, 1, CALLBACK_Probe, reinterpret_cast<DWORD_PTR>(&killer), TIME_PERIODIC);
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

// A periodic timer whose third callback blocks; each callback's start and end are recorded.
struct BlockedTimer {
    static constexpr int kRecorded = 1024;
    std::atomic<int> calls{0};
    Clock::duration block{};
    Clock::time_point begin[kRecorded];
    Clock::time_point end[kRecorded];
};

void CALLBACK_Blocked(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    BlockedTimer& t = *reinterpret_cast<BlockedTimer*>(user);
    const int n = t.calls.load();
    if (n < BlockedTimer::kRecorded) {
        t.begin[n] = Clock::now();
        if (n == 2) std::this_thread::sleep_until(t.begin[n] + t.block);
        t.end[n] = Clock::now();
    }
    t.calls.store(n + 1);
}

// What the recorded times say about the moment the third callback returned. The timer then
// takes the deadline after the one that callback served and measures how far behind it is;
// that moment lies between the callback's end and the fourth callback's start, and the third
// deadline between the start of the timer plus three periods and the third callback's start.
struct AfterTheBlock {
    double periodsBehindAtLeast = 0;
    double periodsBehindAtMost = 0;
    // Some callback after the block came sooner after it than one period per callback: the
    // missed deadlines were served one after another, without waiting. Had the timer skipped
    // ahead, every later callback would wait for a deadline past the block's end.
    bool caughtUp = false;
};

AfterTheBlock RunBlockedTimer(Clock::duration period, Clock::duration block, int calls) {
    BlockedTimer t;
    t.block = block;
    const Clock::time_point started = Clock::now();
    const UINT id = timeSetEventNs(static_cast<std::uint64_t>(std::chrono::nanoseconds(period).count()), 1,
                                   CALLBACK_Blocked, reinterpret_cast<DWORD_PTR>(&t), TIME_PERIODIC);
    EXPECT_NE(id, 0u);
    if (id == 0) return {};
    EXPECT_TRUE(Eventually([&] { return t.calls >= calls; }));
    timeKillEvent(id);
    const int recorded = std::min(t.calls.load(), BlockedTimer::kRecorded);
    AfterTheBlock a;
    if (recorded < 4) return a;
    const auto periods = [period](Clock::duration d) {
        return std::chrono::duration<double>(d).count() / std::chrono::duration<double>(period).count();
    };
    a.periodsBehindAtLeast = periods(t.end[2] - (t.begin[2] + period));
    a.periodsBehindAtMost = periods(t.begin[3] - (started + 4 * period));
    for (int i = 0; i < recorded; ++i) {
        // Never before its deadline, however the timer caught up or skipped.
        EXPECT_GE(t.begin[i], started + (i + 1) * period) << "callback " << i + 1;
        if (i >= 3 && t.begin[i] <= t.end[2] + (i - 3) * period) a.caughtUp = true;
    }
    // The rule, whatever the machine let the timer do: under 100 periods behind it catches up,
    // beyond them it skips ahead.
    if (a.caughtUp) {
        EXPECT_LE(a.periodsBehindAtLeast, 100.0);
    } else {
        EXPECT_GT(a.periodsBehindAtMost, 100.0);
    }
    return a;
}

TEST(MmTimer, LateCallbacksCatchUpUnlessFarBehind) {
    // About 50 periods behind: the missed callbacks follow at once. A machine that holds the timer
    // back for another 150 ms leaves it more than 100 periods behind, which shows nothing about
    // catching up: that run is made again.
    bool shown = false;
    for (int run = 0; run < 5 && !shown; ++run) {
        const AfterTheBlock a = RunBlockedTimer(3ms, 150ms, 120);
        if (a.periodsBehindAtMost < 100.0) {
            EXPECT_TRUE(a.caughtUp) << a.periodsBehindAtLeast << " to " << a.periodsBehindAtMost
                                    << " periods behind";
            shown = true;
        }
    }
    EXPECT_TRUE(shown) << "the timer never ran within 100 periods of its deadline after the block";

    // 300 periods behind: the timer skips ahead instead of making 300 calls in a row.
    const AfterTheBlock far = RunBlockedTimer(1ms, 300ms, 100);
    EXPECT_GT(far.periodsBehindAtLeast, 100.0);
    EXPECT_FALSE(far.caughtUp);
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
