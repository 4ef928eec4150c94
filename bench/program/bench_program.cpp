// The program's costs around a test, through the main dialog with a simulated gauge:
//  - resident memory with the window open and idle, and after the stop of a full test;
//  - the stop wrap-up of a test of 3,599,999 readings (live display off: the whole curve redrawn
//    and the list filled at the stop): wall time, and the longest time the UI thread could not
//    run its event loop, measured by a 1 ms heartbeat timer on it;
//  - CPU of the whole program (every thread but the simulator's) during a live test at 200
//    readings per second, and during a test at 1000 per second (no live list or curve).
//   bench_program [--live-seconds N]   (default 10)
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include "SampleStore.h"
#include "StartStop.h"
#include "afx_testing.h"
#include "bench_dialog.h"
#include "full_store.h"

namespace {

constexpr double kMB = 1024.0 * 1024.0;

std::set<int> Tids() {
    std::set<int> out;
    for (const auto& [tid, t] : bench::ThreadTimes()) out.insert(tid);
    return out;
}

double CpuExcept(const std::set<int>& excluded) {
    double sum = 0;
    for (const auto& [tid, t] : bench::ThreadTimes())
        if (excluded.count(tid) == 0) sum += t.seconds;
    return sum;
}

// Runs a test at the given rate for `seconds` while the UI thread sits in its event loop, and
// prints the CPU the program used meanwhile; then stops the test by the button.
void MeasureTest(CKvDlg& dlg, const char* perSecond, int seconds, const std::set<int>& simulator) {
    bench::StartTest(dlg, perSecond, "1000");
    bench::WaitUntil([] { return g_nSampleCount.load() >= 20; }, 10);
    const std::int32_t n0 = g_nSampleCount.load();
    const double w0 = bench::NowSeconds();
    const double c0 = CpuExcept(simulator);
    auto t0 = bench::ThreadTimes();
    bench::IdleFor(seconds);
    const double w1 = bench::NowSeconds();
    const double c1 = CpuExcept(simulator);
    const std::int32_t n1 = g_nSampleCount.load();
    for (const auto& [tid, t] : bench::ThreadTimes()) {
        const double used = t.seconds - (t0.count(tid) ? t0[tid].seconds : 0.0);
        if (used >= 0.05)
            std::printf("  thread %d %-16s %.2f s%s\n", tid, t.name.c_str(), used,
                        simulator.count(tid) ? " (simulator, not counted)" : "");
    }
    std::printf("test at %s/s%s: program CPU %.2f s over %.2f s wall = %.1f %% of one core (%d readings)\n",
                perSecond, g_bLiveDisplay.load() ? " (live list and curve)" : " (no live list or curve)",
                c1 - c0, w1 - w0, 100 * (c1 - c0) / (w1 - w0), n1 - n0);
    afx::testing::Click(dlg, 1023);
    bench::WaitUntil([&] { return dlg.GetDlgItemText(1023) == "Start acquisition"; }, 30);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    int liveSeconds = 10;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--live-seconds") == 0 && i + 1 < argc) liveSeconds = std::atoi(argv[++i]);
    bench::PrepareProcess();

    orva::sim::SimOptions options;
    options.profile.kind = orva::sim::LoadProfile::Kind::Noise;
    options.profile.start = 25;
    options.profile.noise = 5;
    orva::sim::GaugeSimulator gauge(options);
    const std::set<int> beforeGauge = Tids();
    gauge.Open();
    std::set<int> simulator;
    for (int tid : Tids())
        if (beforeGauge.count(tid) == 0) simulator.insert(tid);

    const bool ok = bench::RunDialogWithGauge(gauge, [&](CKvDlg& dlg) {
        afx::testing::Pump(500);
        const double idle = static_cast<double>(bench::ResidentBytes()) / kMB;
        std::printf("resident memory, window open and idle: %.1f MB\n", idle);

        // A live test at 200 readings per second, and a test at 1000 per second (no live list or
        // curve), each stopped by the button.
        MeasureTest(dlg, "200", liveSeconds, simulator);
        MeasureTest(dlg, "1000", liveSeconds, simulator);

        // The stop of a full test: the store filled as the thread fills it, then the wrap-up on
        // the UI thread while a heartbeat timer measures how long the loop was kept waiting.
        dlg.m_listResults.DeleteAllItems();
        FillStoreLikeATest(dlg, kSampleCapacity - 1);
        afx::testing::Pump(100);
        const double p0 = bench::NowSeconds();
        const bench::UiTiming wrap = bench::TimedOnUi([&] { WrapUpTest(dlg, ReportVariant::Button); }, 1500);
        std::printf(
            "stop wrap-up of %d readings (curve redraw + list fill): %.3f s wall; longest UI-thread block "
            "%.3f s (heartbeat 1 ms, over %.1f s from the stop on); list rows %d, curve points %d\n",
            g_nSampleIndex.load(), wrap.wallSeconds, wrap.longestBlockSeconds, bench::NowSeconds() - p0,
            dlg.m_listResults.GetItemCount(), static_cast<int>(g_nSampleIndex.load()) + 1);
        std::printf("resident memory after that test: %.1f MB\n",
                    static_cast<double>(bench::ResidentBytes()) / kMB);
        std::fflush(stdout);
    });
    if (!ok) std::printf("the gauge was not connected at start-up\n");
    return ok ? 0 : 1;
}
