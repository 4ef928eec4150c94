// The results of a full test through the main dialog with a simulated gauge: a store of
// 3,599,999 readings (as a test at 1000 readings per second leaves it, wrapped up by the stop),
//  - shown in kgf by the Load switch: wall time, and the longest time the UI thread could not run
//    its event loop, measured by a 1 ms heartbeat timer on it;
//  - exported to a CSV file: wall time, and the peak resident memory during the export above the
//    resident memory before it (the kernel's high-water mark, reset just before).
//   bench_export [--folder DIR]   (the CSV file is written there; default: a temporary folder)
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "ResultSummary.h"
#include "SampleStore.h"
#include "StartStop.h"
#include "afx_testing.h"
#include "bench_dialog.h"
#include "full_store.h"

namespace fs = std::filesystem;

namespace {

constexpr double kMB = 1024.0 * 1024.0;

}  // namespace

int main(int argc, char** argv) {
    std::string folder;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--folder") == 0 && i + 1 < argc) folder = argv[++i];
    bench::PrepareProcess();
    if (folder.empty()) folder = std::string(std::getenv("XDG_STATE_HOME")) + "/exports";
    fs::create_directories(folder);

    orva::sim::SimOptions options;
    orva::sim::GaugeSimulator gauge(options);
    const bool ok = bench::RunDialogWithGauge(gauge, [&](CKvDlg& dlg) {
        afx::testing::Pump(300);
        // The full store as the thread leaves it, then the stop's wrap-up (not measured here).
        FillStoreLikeATest(dlg, kSampleCapacity - 1);
        g_fTimeStep = 1.0f / 1000.0f;
        dlg.m_fTestRate = 1000.0f;
        g_strReadingUnit = " N";
        WrapUpTest(dlg, ReportVariant::Button);
        afx::testing::Pump(300);

        const auto [convertWall, convertBlock] =
            bench::TimedOnUi([&] { afx::testing::Click(dlg.m_page1, 1186); }, 1000);
        std::printf(
            "unit conversion of %d readings to %s (list rows, curve, converted values, report): %.3f s wall; "
            "longest UI-thread block %.3f s (heartbeat 1 ms); list rows %d, curve points %zu\n",
            g_nSampleCount.load(), dlg.m_page1.m_cbUnit.GetWindowText().c_str(), convertWall, convertBlock,
            dlg.m_listResults.GetItemCount(), static_cast<std::size_t>(g_nSampleCount.load()) + 1);

        afx::testing::SelectComboEntry(dlg.m_page1, 1187, 1);  // csv
        const fs::path file = fs::path(folder) / "full.csv";
        fs::remove(file);
        std::ofstream("/proc/self/clear_refs") << "5";  // the high-water mark starts again from here
        const std::int64_t before = bench::StatusBytes("VmRSS:");
        afx::testing::AnswerNextFileDialog(file.string());
        const auto [exportWall, exportBlock] =
            bench::TimedOnUi([&] { afx::testing::Click(dlg, 1080); }, 1000);
        const std::int64_t peak = bench::StatusBytes("VmHWM:");
        std::printf(
            "CSV export of %d readings: %.3f s wall (longest UI-thread block %.3f s, the OK box included); "
            "file %.1f MB; peak resident memory %.1f MB, %.1f MB above the %.1f MB before it\n",
            g_nSampleIndex.load(), exportWall, exportBlock, static_cast<double>(fs::file_size(file)) / kMB,
            static_cast<double>(peak) / kMB, static_cast<double>(peak - before) / kMB,
            static_cast<double>(before) / kMB);
        std::fflush(stdout);
        fs::remove(file);
    });
    if (!ok) std::printf("the gauge was not connected at start-up\n");
    return ok ? 0 : 1;
}
