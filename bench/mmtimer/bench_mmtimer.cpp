// Periodic timer accuracy: for a 1 ms and a 10 ms timer run for 10 s each, the lateness of every
// callback against its nominal time start + k * period, the error of each interval against the
// period, and the drift (lateness of the last callback). Plain lines, microseconds.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "mmsystem_timers.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Record {
    std::vector<Clock::time_point> times;
    std::atomic<std::size_t> count{0};
};

void OnTick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    Record& r = *reinterpret_cast<Record*>(user);
    const std::size_t n = r.count.load(std::memory_order_relaxed);
    if (n < r.times.size()) {
        r.times[n] = Clock::now();
        r.count.store(n + 1, std::memory_order_release);
    }
}

double Percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))];
}

void Run(UINT periodMs, int seconds) {
    Record r;
    const std::size_t expected = static_cast<std::size_t>(seconds) * 1000 / periodMs;
    r.times.resize(expected + 1000);
    const Clock::time_point start = Clock::now();
    const UINT id = timeSetEvent(periodMs, 1, OnTick, reinterpret_cast<DWORD_PTR>(&r), TIME_PERIODIC);
    if (id == 0) {
        std::printf("period %u ms: timeSetEvent failed\n", periodMs);
        return;
    }
    // Stop half a period after the last wanted callback's nominal time.
    std::this_thread::sleep_until(start + std::chrono::milliseconds(periodMs) * expected +
                                  std::chrono::microseconds(periodMs * 500));
    timeKillEvent(id);
    const std::size_t n = r.count.load(std::memory_order_acquire);

    const auto period = std::chrono::milliseconds(periodMs);
    std::vector<double> lateness, intervalError;
    for (std::size_t k = 0; k < n; ++k) {
        const Clock::time_point nominal = start + period * static_cast<long>(k + 1);
        lateness.push_back(std::chrono::duration<double, std::micro>(r.times[k] - nominal).count());
        if (k > 0) {
            const double interval =
                std::chrono::duration<double, std::micro>(r.times[k] - r.times[k - 1]).count();
            intervalError.push_back(std::abs(interval - periodMs * 1000.0));
        }
    }
    std::printf("period %u ms, %d s: %zu callbacks (nominal %zu)\n", periodMs, seconds, n, expected);
    std::printf("  lateness vs nominal time  us: p50 %.1f  p99 %.1f  max %.1f\n", Percentile(lateness, 0.5),
                Percentile(lateness, 0.99), *std::max_element(lateness.begin(), lateness.end()));
    std::printf("  interval error |dt-period| us: p50 %.1f  p99 %.1f  max %.1f\n",
                Percentile(intervalError, 0.5), Percentile(intervalError, 0.99),
                *std::max_element(intervalError.begin(), intervalError.end()));
    std::printf("  drift (last callback minus its nominal time) us: %.1f\n",
                lateness.empty() ? 0.0 : lateness.back());
}

}  // namespace

int main() {
    Run(1, 10);
    Run(10, 10);
    return 0;
}
