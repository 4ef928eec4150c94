// The main dialog, connected at its start-up to a gauge simulator registered as a virtual port in
// a private port table: what the upload benchmarks drive. For benchmarks only.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "KvDlg.h"
#include "gauge_sim.h"

namespace upload_bench {

struct GaugeDialogRig {
    std::filesystem::path root;
    std::unique_ptr<orva::sim::GaugeSimulator> sim;
    std::unique_ptr<CKvDlg> dlg;

    // False when the dialog did not connect to the gauge; Close cleans up either way.
    bool Open(std::vector<orva::sim::MemoryRecordData> memory, const std::string& folderName);
    // Ends an upload in progress, closes the dialog and the gauge, removes the folder.
    void Close();
};

}  // namespace upload_bench
