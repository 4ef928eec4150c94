// Time to upload 999 records (29 frames of up to 35) from the gauge simulator over a
// pseudo-terminal, from the connect request to the last record listed and the end frame handled,
// with the acquisition thread and the tick timer running as the Start button runs them.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QWidget>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "KvDlg.h"
#include "RunState.h"
#include "SampleStore.h"
#include "afx_testing.h"
#include "gauge_sim.h"
#include "port_table.h"
#include "resources.h"
#include "temp_folder.h"
#include "test_machine.h"
#include "upload_driver.h"

namespace fs = std::filesystem;

namespace {

struct Bench {
    fs::path root;
    std::unique_ptr<orva::sim::GaugeSimulator> sim;
    std::unique_ptr<CKvDlg> dlg;

    bool Open(std::size_t records) {
        afx::testing::EnsureApplication();
        orva::resources::RegisterAll();
        root = orva::testing::MakeTempFolder("orva-bench-upload");
        if (root.empty()) return false;
        fs::create_directories(root / "tty");
        orva::testing::UsePortTable(
            orva::ports::PortTable((root / "tty").string(), (root / "ports").string()));
        orva::sim::SimOptions options;
        options.memory = orva::sim::GenerateRecords(records, 1);
        options.recordsPerFrame = 35;
        sim = std::make_unique<orva::sim::GaugeSimulator>(options);
        if (!sim->Open() || sim->RegisterVirtualPort("USB Gauge Simulator") == 0) return false;
        dlg = std::make_unique<CKvDlg>();
        if (!dlg->Create(CKvDlg::IDD, nullptr)) return false;
        // A modeless top-level dialog is not shown by the framework: shown here, so that its
        // buttons take clicks.
        if (QWidget* w = dlg->GetWidget()) w->show();
        afx::testing::Pump();
        return dlg->m_port.IsOpen();
    }
    void Close() {
        if (dlg) {
            upload_test::EndUpload(*dlg);
            dlg->m_port.Close();
            afx::testing::Pump();
            dlg->DestroyWindow();
            dlg.reset();
        }
        sim.reset();
        orva::testing::UseMachinePortTable();
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

void BM_Upload999Records(benchmark::State& state) {
    Bench b;
    if (!b.Open(999)) {
        state.SkipWithError("could not open the dialog on the simulated gauge");
        b.Close();
        return;
    }
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!upload_test::StartUploadWithTheButtons(*b.dlg)) {
            state.SkipWithError("the upload could not be started");
            break;
        }
        const bool done = afx::testing::RunUntil(
            [&] {
                return g_nSampleIndex.load() == 999 && b.dlg->m_listResults.GetItemCount() == 999 &&
                       b.dlg->m_bUploading.load() == 0 && g_bUploadActive.load() == 0;
            },
            60000);
        const auto end = std::chrono::steady_clock::now();
        upload_test::EndUpload(*b.dlg);
        if (!done) {
            state.SkipWithError("upload did not finish");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        // The simulator starts a new upload only after half a second without upload requests.
        afx::testing::Pump(700);
    }
    state.counters["records"] = 999;
    state.counters["frames_sent"] = static_cast<double>(b.sim->FramesSent());
    b.Close();
}

BENCHMARK(BM_Upload999Records)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
