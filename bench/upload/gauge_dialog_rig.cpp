#include "gauge_dialog_rig.h"

#include <QWidget>

#include "afx_testing.h"
#include "port_table.h"
#include "resources.h"
#include "temp_folder.h"
#include "test_machine.h"
#include "upload_driver.h"

namespace fs = std::filesystem;

namespace upload_bench {

bool GaugeDialogRig::Open(std::vector<orva::sim::MemoryRecordData> memory, const std::string& folderName) {
    afx::testing::EnsureApplication();
    orva::resources::RegisterAll();
    root = orva::testing::MakeTempFolder(folderName);
    if (root.empty()) return false;
    fs::create_directories(root / "tty");
    orva::testing::UsePortTable(orva::ports::PortTable((root / "tty").string(), (root / "ports").string()));
    orva::sim::SimOptions options;
    options.memory = std::move(memory);
    options.recordsPerFrame = 35;
    sim = std::make_unique<orva::sim::GaugeSimulator>(options);
    if (!sim->Open() || sim->RegisterVirtualPort("USB Gauge Simulator") == 0) return false;
    dlg = std::make_unique<CKvDlg>();
    if (!dlg->Create(CKvDlg::IDD, nullptr)) return false;
    // A modeless top-level dialog is not shown by the framework: shown here, so that its buttons
    // take clicks.
    if (QWidget* w = dlg->GetWidget()) w->show();
    afx::testing::Pump();
    return dlg->m_port.IsOpen();
}

void GaugeDialogRig::Close() {
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
    if (!root.empty()) fs::remove_all(root, ec);
}

}  // namespace upload_bench
