// Time to upload 999 records (29 frames of up to 35) from the gauge simulator over a
// pseudo-terminal, from the connect request to the last record listed and the end frame handled,
// with the acquisition thread and the tick timer running as the Start button runs them.
#include <benchmark/benchmark.h>

#include <chrono>

#include "KvDlg.h"
#include "RunState.h"
#include "SampleStore.h"
#include "afx_testing.h"
#include "gauge_dialog_rig.h"
#include "gauge_sim.h"
#include "upload_driver.h"

namespace {

void BM_Upload999Records(benchmark::State& state) {
    upload_bench::GaugeDialogRig b;
    if (!b.Open(orva::sim::GenerateRecords(999, 1), "orva-bench-upload")) {
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
