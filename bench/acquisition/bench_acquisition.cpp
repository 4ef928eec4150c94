// Acquisition cost: parse-and-store per reading line; and real tests through the main dialog at
// 1000 and 10 readings per second from the simulator over a pseudo-terminal: readings requested,
// answered and stored, and CPU time of the acquisition and receive threads.
//   bench_acquisition [--seconds N]   (default 60 per run; Google Benchmark flags pass through)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "ReadingLine.h"
#include "RealTimeParser.h"
#include "SampleStore.h"
#include "TestConditions.h"
#include "bench_dialog.h"
#include "quiet_view.h"

namespace {

// One line's bytes through the line assembler and the parser, stored with its kept texts; live
// display off, as above 200 readings per second.
void BM_ParseAndStoreLine(benchmark::State& state) {
    std::atomic<int> header{0}, seconds{0}, minutes{0};
    std::atomic<BYTE> running{0};
    float sum = 0;
    std::string result;
    orva::testenv::QuietView view("bench");
    g_bLiveDisplay = 0;
    g_bStartByLoad = 0;
    g_bStopByLoad = 0;
    g_bBreakDetect = 0;
    g_nSampleIndex = 0;
    g_nSampleCount = 0;
    RealTimeParser parser(RealTimeMembers{&header, &running, &seconds, &minutes, &sum, &result}, view,
                          1000.0f);
    ReadingLineAssembler line;
    const char* lines[] = {"12.345 N\r", "-0.125 N\r", "103.9 N\r", "7 N\r"};
    std::size_t k = 0;
    for (auto _ : state) {
        if (g_nSampleIndex.load() >= kSampleCapacity - 2) {
            g_nSampleIndex = 0;
            g_nSampleCount = 0;
        }
        for (const char* p = lines[k++ & 3]; *p != 0; ++p) {
            if (line.Put(static_cast<BYTE>(*p)) == ReadingLineAssembler::Result::Line)
                benchmark::DoNotOptimize(parser.ProcessLine(line.Number(), line.Unit()));
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseAndStoreLine);

std::set<int> Tids() {
    std::set<int> out;
    for (const auto& [tid, t] : bench::ThreadTimes()) out.insert(tid);
    return out;
}

void LiveRun(int perSecond, int seconds) {
    orva::sim::SimOptions options;
    options.profile.kind = orva::sim::LoadProfile::Kind::Noise;
    options.profile.start = 25;
    options.profile.noise = 5;
    orva::sim::GaugeSimulator gauge(options);
    bench::RunDialogWithGauge(gauge, [&](CKvDlg& dlg) {
        const std::int32_t budget = perSecond * seconds;
        const std::set<int> before = Tids();
        const double t0 = bench::NowSeconds();
        const double cpu0 = bench::ProcessCpuSeconds();
        bench::StartTest(dlg, std::to_string(perSecond), std::to_string(seconds));
        // The threads Start made: the acquisition thread first, then the poll and tick timers.
        std::vector<int> fresh;
        for (const auto& [tid, t] : bench::ThreadTimes())
            if (before.count(tid) == 0) fresh.push_back(tid);
        std::sort(fresh.begin(), fresh.end());
        const int acquisitionTid = fresh.empty() ? 0 : fresh.front();
        int receiveTid = 0;
        std::map<int, bench::ThreadCpu> start = bench::ThreadTimes();
        for (const auto& [tid, t] : start)
            if (t.name == "comport-rx") receiveTid = tid;

        // Thread times are taken just before the end, while the acquisition thread still exists.
        const std::int32_t sampleAt = budget - std::max(2, perSecond / 5);
        bench::WaitUntil([&] { return g_nSampleCount.load() >= sampleAt; }, seconds + 30);
        const double t1 = bench::NowSeconds();
        const double cpu1 = bench::ProcessCpuSeconds();
        std::map<int, bench::ThreadCpu> end = bench::ThreadTimes();
        bench::WaitUntil([&] { return dlg.GetDlgItemText(1023) == "Start acquisition"; }, 30);
        const double t2 = bench::NowSeconds();
        bench::WaitUntil([] { return false; }, 0.3);  // answers still on their way

        const auto cpuOf = [&](int tid) { return tid ? end[tid].seconds - start[tid].seconds : 0.0; };
        std::printf(
            "live test %4d/s for %d s: requested %llu, answered %llu, stored %d (budget %d); stop after %.3f "
            "s; "
            "CPU over %.2f s: acquisition thread %.2f s (%.1f %%), receive thread %.2f s (%.1f %%), "
            "whole process %.2f s (%.1f %%, simulator included)\n",
            perSecond, seconds, static_cast<unsigned long long>(gauge.RequestsReceived()),
            static_cast<unsigned long long>(gauge.LinesSent()), g_nSampleCount.load(), budget, t2 - t0,
            t1 - t0, cpuOf(acquisitionTid), 100 * cpuOf(acquisitionTid) / (t1 - t0), cpuOf(receiveTid),
            100 * cpuOf(receiveTid) / (t1 - t0), cpu1 - cpu0, 100 * (cpu1 - cpu0) / (t1 - t0));
        std::fflush(stdout);
    });
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 60;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else {
            rest.push_back(argv[i]);
        }
    }
    int n = static_cast<int>(rest.size());
    benchmark::Initialize(&n, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (seconds <= 0) return 0;
    bench::PrepareProcess();
    LiveRun(1000, seconds);
    LiveRun(10, seconds);
    return 0;
}
