// Export Data to a workbook through the main dialog for a list of 1,048,570 real-time rows (the
// most that fit a sheet under the header rows): wall time of the export (cells sent one call
// each, the .xlsx written, checked and handed to the opener), and the peak resident memory during
// it above the resident memory before it (the kernel's high-water mark, reset just before), and
// the time of the completeness check that is part of it, on the written file.
// The desktop's opener is replaced by one that does nothing.
//   bench_workbook
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "ExportText.h"
#include "ResultSummary.h"
#include "afx_testing.h"
#include "bench_dialog.h"
#include "temp_folder.h"
#include "test_desktop_opener.h"
#include "workbook_check.h"

namespace fs = std::filesystem;

namespace {

constexpr double kMB = 1024.0 * 1024.0;
constexpr int kRows = 1048570;

// A private data folder and an opener that only ends.
fs::path ReplaceOpener() {
    const fs::path root = orva::testing::MakeTempFolder("orva-bench-workbook");
    orva::testing::UseDesktopOpener({"/bin/true"});
    setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    return root;
}

}  // namespace

int main() {
    bench::PrepareProcess();
    const fs::path root = ReplaceOpener();
    if (root.empty()) {
        std::printf("no temporary folder\n");
        return 1;
    }

    orva::sim::SimOptions options;
    orva::sim::GaugeSimulator gauge(options);
    const bool ok = bench::RunDialogWithGauge(gauge, [&](CKvDlg& dlg) {
        afx::testing::Pump(300);
        dlg.m_page1.m_cbReportName.SetWindowText("bench");
        g_strStartTime = "2027-03-05 09:07:12";
        g_strUnit = " N";
        dlg.m_listResults.SetVirtualItems(kRows, [](int item, int column) -> std::string {
            char text[48];
            if (column == 0) return std::to_string(item + 1);
            if (column == 1) {
                std::snprintf(text, sizeof text, "%.4f   N", 0.001 * (item % 20000));
                return text;
            }
            std::snprintf(text, sizeof text, "%.3f s", 0.001 * (item + 1));
            return text;
        });
        afx::testing::Pump(300);

        std::ofstream("/proc/self/clear_refs") << "5";
        const std::int64_t before = bench::StatusBytes("VmRSS:");
        afx::testing::AnswerNextMessageBox(IDYES);
        const double t0 = bench::NowSeconds();
        afx::testing::Click(dlg, 1080);
        const double wall = bench::NowSeconds() - t0;
        const std::int64_t peak = bench::StatusBytes("VmHWM:");
        std::uintmax_t size = 0;
        fs::path written;
        for (const auto& entry : fs::recursive_directory_iterator(root / "data"))
            if (entry.is_regular_file()) {
                size += entry.file_size();
                written = entry.path();
            }
        // The check made before the workbook is handed over, once more on its own.
        const double c0 = bench::NowSeconds();
        const std::string problem = orva::sheet::WorkbookProblem(
            written.string(),
            {{static_cast<std::uint64_t>(kRows) + 5, static_cast<std::uint64_t>(kRows) * 5 + 13}});
        const double check = bench::NowSeconds() - c0;
        std::printf(
            "workbook export of %d list rows (%d cells): %.3f s wall; file %.1f MB; peak resident memory "
            "%.1f MB, %.1f MB above the %.1f MB before it; its completeness check alone %.3f s (%s)\n",
            kRows, kRows * 5 + 13, wall, static_cast<double>(size) / kMB, static_cast<double>(peak) / kMB,
            static_cast<double>(peak - before) / kMB, static_cast<double>(before) / kMB, check,
            problem.empty() ? "complete" : problem.c_str());
        std::fflush(stdout);
    });
    std::error_code ec;
    fs::remove_all(root, ec);
    if (!ok) std::printf("the gauge was not connected at start-up\n");
    return ok ? 0 : 1;
}
