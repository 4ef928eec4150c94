// Figures for the serial-port class against the gauge simulator on a pseudo-terminal:
//   (a) request "?" -> reading line in the receive function: latency, closed-loop rate, and
//       replies received and lost at fixed request rates;
//   (c) CPU time of an open, idle port's receive thread.
// Usage: bench_comport [idle seconds, default 10]
#include <pthread.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ComPort.h"
#include "gauge_sim.h"
#include "port_table.h"
#include "temp_folder.h"
#include "test_machine.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxStamps = 1 << 21;

// Counts CR-terminated lines and notes when each one was complete.
struct LineCounter {
    std::atomic<std::uint64_t> lines{0};
    std::vector<std::int64_t> stampNs = std::vector<std::int64_t>(kMaxStamps);
    std::atomic<clockid_t> threadClock{0};
    std::atomic<bool> haveClock{false};

    static std::int64_t NowNs() {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
    }

    static void Receive(void* context, void* data, unsigned long length) {
        auto* c = static_cast<LineCounter*>(context);
        if (!c->haveClock.load(std::memory_order_relaxed)) {
            clockid_t id;
            if (pthread_getcpuclockid(pthread_self(), &id) == 0) {
                c->threadClock.store(id);
                c->haveClock.store(true);
            }
        }
        const auto* p = static_cast<const unsigned char*>(data);
        std::uint64_t n = c->lines.load(std::memory_order_relaxed);
        bool any = false;
        for (unsigned long i = 0; i < length; ++i) {
            if (p[i] != '\r') continue;
            if (n < kMaxStamps) c->stampNs[n] = NowNs();
            ++n;
            any = true;
        }
        if (any) {
            c->lines.store(n, std::memory_order_release);
            c->lines.notify_all();
        }
    }

    void WaitAbove(std::uint64_t count) {
        std::uint64_t seen = lines.load(std::memory_order_acquire);
        while (seen <= count) {
            lines.wait(seen, std::memory_order_acquire);
            seen = lines.load(std::memory_order_acquire);
        }
    }

    bool WaitFor(std::uint64_t count, std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (lines.load(std::memory_order_acquire) < count) {
            if (Clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return true;
    }
};

struct Rig {
    std::string dir;
    std::unique_ptr<orva::sim::GaugeSimulator> sim;
    LineCounter counter;
    CComPort port;

    bool Start() {
        dir = orva::testing::MakeTempFolder("bench-comport");
        if (dir.empty()) return false;
        orva::testing::UseVirtualPortFolder(dir);
        orva::sim::SimOptions o;
        o.profile.kind = orva::sim::LoadProfile::Kind::Ramp;
        o.profile.start = 0;
        o.profile.peak = 500;
        o.profile.slopePerReading = 0.01;
        o.profile.decimals = 4;
        o.unitText = "N";
        sim = std::make_unique<orva::sim::GaugeSimulator>(o);
        if (!sim->Open()) return false;
        const int number = sim->RegisterVirtualPort("USB Force Gauge");
        if (number == 0) return false;
        port.SetReceiveFunc(&LineCounter::Receive, &counter);
        return port.Open(number, CComPort::CallbackReceive, 38400, CComPort::NoParity, 8,
                         CComPort::OneStopBit, CComPort::NoFlowControl) != 0;
    }

    ~Rig() {
        port.Close();
        sim.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

double Percentile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(q * (v.size() - 1) + 0.5))];
}

void Latency(Rig& rig, int count) {
    std::vector<double> us;
    us.reserve(count);
    for (int i = -200; i < count; ++i) {  // the first 200 warm up
        const std::uint64_t before = rig.counter.lines.load();
        const std::int64_t t0 = LineCounter::NowNs();
        rig.port.Output("?", 1);
        rig.counter.WaitAbove(before);
        if (i >= 0) us.push_back((rig.counter.stampNs[before] - t0) / 1e3);
    }
    std::printf("(a) latency \"?\" -> whole reply line in the receive function, %d round trips:\n", count);
    std::printf("    p50 %.1f us   p99 %.1f us   max %.1f us\n", Percentile(us, 0.5), Percentile(us, 0.99),
                *std::max_element(us.begin(), us.end()));
}

void ClosedLoop(Rig& rig, int window, std::chrono::seconds length) {
    const std::uint64_t start = rig.counter.lines.load();
    std::uint64_t sent = 0;
    const auto t0 = Clock::now();
    const auto end = t0 + length;
    while (Clock::now() < end) {
        while (sent - (rig.counter.lines.load() - start) < static_cast<std::uint64_t>(window)) {
            rig.port.Output("?", 1);
            ++sent;
        }
        rig.counter.WaitAbove(start + sent - window);
    }
    rig.counter.WaitFor(start + sent, std::chrono::seconds(2));
    const double secs = std::chrono::duration<double>(Clock::now() - t0).count();
    const std::uint64_t got = rig.counter.lines.load() - start;
    std::printf("    closed loop, %2d request(s) in flight: %8.0f lines/s  (sent %llu, received %llu)\n",
                window, got / secs, static_cast<unsigned long long>(sent),
                static_cast<unsigned long long>(got));
}

void FixedRate(Rig& rig, int perSecond, std::chrono::seconds length) {
    const std::uint64_t start = rig.counter.lines.load();
    const std::uint64_t simLinesBefore = rig.sim->LinesSent();
    const long periodNs = 1000000000L / perSecond;
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    const std::uint64_t total = static_cast<std::uint64_t>(perSecond) * length.count();
    const auto t0 = Clock::now();
    for (std::uint64_t i = 0; i < total; ++i) {
        next.tv_nsec += periodNs;
        while (next.tv_nsec >= 1000000000L) {
            next.tv_nsec -= 1000000000L;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        rig.port.Output("?", 1);
    }
    const double sendSecs = std::chrono::duration<double>(Clock::now() - t0).count();
    rig.counter.WaitFor(start + total, std::chrono::milliseconds(500));
    const std::uint64_t got = rig.counter.lines.load() - start;
    std::printf(
        "    fixed %5d/s for %llds: sent %llu in %.3f s, received %llu (%.0f lines/s), lost %llu,"
        " gauge answered %llu\n",
        perSecond, static_cast<long long>(length.count()), static_cast<unsigned long long>(total), sendSecs,
        static_cast<unsigned long long>(got), got / sendSecs,
        static_cast<unsigned long long>(total > got ? total - got : 0),
        static_cast<unsigned long long>(rig.sim->LinesSent() - simLinesBefore));
}

double CpuMs(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void IdleCpu(int seconds) {
    Rig rig;
    if (!rig.Start()) {
        std::printf("(c) could not open the simulator's port\n");
        return;
    }
    rig.port.Output("?", 1);  // one reply, so the receive function learns its thread's clock
    rig.counter.WaitFor(1, std::chrono::seconds(2));
    if (!rig.counter.haveClock.load()) {
        std::printf("(c) the receive thread's clock was not reached\n");
        return;
    }
    const clockid_t thread = rig.counter.threadClock.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double t0 = CpuMs(thread), p0 = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
    const auto w0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double wall = std::chrono::duration<double>(Clock::now() - w0).count();
    const double t1 = CpuMs(thread), p1 = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
    std::printf(
        "(c) open, idle port over %.1f s: receive thread CPU %.3f ms; whole process (simulator included)"
        " %.3f ms\n",
        wall, t1 - t0, p1 - p0);
}

}  // namespace

int main(int argc, char** argv) {
    const int idleSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    {
        Rig rig;
        if (!rig.Start()) {
            std::printf("could not start the gauge simulator and open its port\n");
            return 1;
        }
        std::printf("CComPort against the gauge simulator on a pseudo-terminal (no baud-rate limit)\n");
        Latency(rig, 20000);
        std::printf("(a) rate of \"?\" -> reply lines:\n");
        ClosedLoop(rig, 1, std::chrono::seconds(3));
        ClosedLoop(rig, 4, std::chrono::seconds(3));
        ClosedLoop(rig, 16, std::chrono::seconds(3));
        for (int rate : {1000, 2000, 5000, 10000}) FixedRate(rig, rate, std::chrono::seconds(3));
    }
    IdleCpu(idleSeconds);
    return 0;
}
