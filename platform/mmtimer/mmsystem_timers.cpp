#include "mmsystem_timers.h"

#include <sys/prctl.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>

namespace {

constexpr UINT kPeriodMinMs = 1;
constexpr UINT kPeriodMaxMs = 1000000;
constexpr std::uint64_t kNsPerMs = 1000000;
constexpr UINT kKillSynchronous = 0x100;  // our kills always are
constexpr std::int64_t kMaxPeriodsBehind = 100;

// steady_clock is CLOCK_MONOTONIC; its timed waits sleep until an absolute monotonic deadline.
using Clock = std::chrono::steady_clock;

class Timer;

// Every live timer by id. Removing a timer from here makes the remover its only disposer: it joins
// the thread, or the thread detaches itself (kill from its own callback, end of a one-shot timer).
struct Registry {
    std::mutex lock;
    UINT nextId = 1;
    std::unordered_map<UINT, std::shared_ptr<Timer>> timers;
};

// Never destroyed, so timers still running at process exit find it intact.
Registry& Timers() {
    static Registry* registry = new Registry;
    return *registry;
}

std::shared_ptr<Timer> TakeTimer(UINT id);

class Timer {
public:
    Timer(UINT id, Clock::duration period, bool periodic, LPTIMECALLBACK callback, DWORD_PTR user)
        : m_id(id), m_period(period), m_periodic(periodic), m_callback(callback), m_user(user) {}

    void Start(const std::shared_ptr<Timer>& self) {
        std::lock_guard guard(m_lock);
        m_thread = std::thread(&Timer::Run, self, Clock::now());
    }

    // Called by whoever took the timer out of the registry.
    void Kill() {
        std::unique_lock lock(m_lock);
        m_killed = true;
        if (t_current == this) {
            // Inside our own callback: the loop ends when the callback returns.
            m_thread.detach();
            return;
        }
        m_wake.notify_all();
        std::thread thread = std::move(m_thread);
        lock.unlock();
        if (thread.joinable()) thread.join();
    }

private:
    static void Run(std::shared_ptr<Timer> self, Clock::time_point start) { self->Loop(start); }

    void Loop(Clock::time_point start) {
        t_current = this;
        // The finest resolution there is: no timer slack on this thread's waits (default 50 us).
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        bool endedByItself = false;
        Clock::time_point next = start + m_period;
        std::unique_lock lock(m_lock);
        for (;;) {
            if (m_wake.wait_until(lock, next, [this] { return m_killed; })) break;
            lock.unlock();
            m_callback(m_id, 0, m_user, 0, 0);
            lock.lock();
            if (m_killed) break;
            if (!m_periodic) {
                endedByItself = true;
                break;
            }
            // Missed deadlines are caught up one after another, unless too many were missed.
            next += m_period;
            const Clock::duration behind = Clock::now() - next;
            if (behind > m_period * kMaxPeriodsBehind) next += (behind / m_period + 1) * m_period;
        }
        lock.unlock();
        t_current = nullptr;
        if (endedByItself && TakeTimer(m_id).get() == this) {
            std::lock_guard guard(m_lock);
            m_thread.detach();
        }
    }

    static thread_local Timer* t_current;

    const UINT m_id;
    const Clock::duration m_period;
    const bool m_periodic;
    const LPTIMECALLBACK m_callback;
    const DWORD_PTR m_user;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_killed = false;  // guarded by m_lock
    std::thread m_thread;   // guarded by m_lock
};

thread_local Timer* Timer::t_current = nullptr;

std::shared_ptr<Timer> TakeTimer(UINT id) {
    Registry& r = Timers();
    std::lock_guard guard(r.lock);
    const auto it = r.timers.find(id);
    if (it == r.timers.end()) return nullptr;
    std::shared_ptr<Timer> timer = std::move(it->second);
    r.timers.erase(it);
    return timer;
}

UINT StartTimer(std::uint64_t periodNs, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
    if (callback == nullptr || (flags & ~(TIME_PERIODIC | kKillSynchronous)) != 0) return 0;
    if (periodNs < kPeriodMinMs * kNsPerMs || periodNs > kPeriodMaxMs * kNsPerMs) return 0;
    const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(periodNs));
    Registry& r = Timers();
    std::shared_ptr<Timer> timer;
    UINT id = 0;
    {
        std::lock_guard guard(r.lock);
        do {
            id = r.nextId++;
        } while (id == 0 || r.timers.count(id) != 0);
        timer = std::make_shared<Timer>(id, period, (flags & TIME_PERIODIC) != 0, callback, user);
        r.timers.emplace(id, timer);
    }
    try {
        timer->Start(timer);
    } catch (const std::system_error&) {
        TakeTimer(id);
        return 0;
    }
    return id;
}

}  // namespace

MMRESULT timeGetDevCaps(TIMECAPS* caps, UINT capsSize) {
    if (caps == nullptr || capsSize < sizeof(TIMECAPS)) return TIMERR_NOCANDO;
    caps->wPeriodMin = kPeriodMinMs;
    caps->wPeriodMax = kPeriodMaxMs;
    return TIMERR_NOERROR;
}

MMRESULT timeBeginPeriod(UINT periodMs) {
    return periodMs >= kPeriodMinMs && periodMs <= kPeriodMaxMs ? TIMERR_NOERROR : TIMERR_NOCANDO;
}

MMRESULT timeEndPeriod(UINT periodMs) {
    return periodMs >= kPeriodMinMs && periodMs <= kPeriodMaxMs ? TIMERR_NOERROR : TIMERR_NOCANDO;
}

UINT timeSetEvent(UINT delayMs, UINT, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
    return StartTimer(static_cast<std::uint64_t>(delayMs) * kNsPerMs, callback, user, flags);
}

UINT timeSetEventNs(std::uint64_t periodNs, UINT, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
    return StartTimer(periodNs, callback, user, flags);
}

MMRESULT timeKillEvent(UINT id) {
    const std::shared_ptr<Timer> timer = TakeTimer(id);
    if (!timer) return MMSYSERR_INVALPARAM;
    timer->Kill();
    return TIMERR_NOERROR;
}
