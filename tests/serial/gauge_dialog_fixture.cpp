#include "gauge_dialog_fixture.h"

#include <stdlib.h>

#include <QWidget>
#include <fstream>

#include "PortState.h"
#include "afx_testing.h"
#include "port_table.h"
#include "program_test_env.h"
#include "resources.h"
#include "win32_thread.h"

namespace fs = std::filesystem;

namespace serial_test {

void GaugeDialogTest::SetUpTestSuite() {
    afx::testing::EnsureApplication();
    orva::resources::RegisterAll();
}

void GaugeDialogTest::SetUp() {
    root_ = orva::testenv::UsePrivatePortTable("orva-serial-test");
    orva::testenv::ResetSharedSettings();
    afx::testing::ClearShownBoxes();
}

void GaugeDialogTest::TearDown() {
    CloseDialog();
    gauges_.clear();
    orva::testenv::RestoreMachinePortTable(root_);
}

orva::sim::GaugeSimulator& GaugeDialogTest::AddGauge(const std::string& product,
                                                     orva::sim::SimOptions options) {
    auto sim = std::make_unique<orva::sim::GaugeSimulator>(std::move(options));
    EXPECT_TRUE(sim->Open());
    EXPECT_NE(sim->RegisterVirtualPort(product), 0);
    gauges_.push_back(std::move(sim));
    return *gauges_.back();
}

void GaugeDialogTest::AddBuiltInPort(int ttyIndex) {
    const std::string tty = "ttyS" + std::to_string(ttyIndex);
    const fs::path dev = root_ / "devices" / "platform" / ("00:0" + std::to_string(ttyIndex));
    fs::create_directories(dev);
    fs::create_directories(root_ / "class" / "tty" / tty);
    fs::create_directory_symlink(dev, root_ / "class" / "tty" / tty / "device");
    std::ofstream(root_ / "class" / "tty" / tty / "type") << "4\n";
}

void GaugeDialogTest::AddUsbPortWithoutDevice(int ttyUsbIndex, const std::string& product) {
    const std::string tty = "ttyUSB" + std::to_string(ttyUsbIndex);
    const std::string usbDev = "1-" + std::to_string(ttyUsbIndex + 1);
    const fs::path dev = root_ / "devices" / "pci0" / "usb1" / usbDev;
    fs::create_directories(dev);
    std::ofstream(dev / "idVendor") << "1a86\n";
    std::ofstream(dev / "product") << product << "\n";
    const fs::path port = dev / (usbDev + ":1.0") / tty;
    fs::create_directories(port);
    fs::create_directories(root_ / "class" / "tty" / tty);
    fs::create_directory_symlink(port, root_ / "class" / "tty" / tty / "device");
}

void GaugeDialogTest::OpenDialog() {
    dlg_ = std::make_unique<CKvDlg>();
    ASSERT_TRUE(dlg_->Create(CKvDlg::IDD, nullptr));
    // A modeless top-level dialog is not shown by the framework; the tests show it themselves so
    // that its controls take clicks.
    if (QWidget* w = dlg_->GetWidget()) w->show();
    afx::testing::Pump();
}

void GaugeDialogTest::CloseDialog() {
    if (!dlg_) return;
    dlg_->StopTickTimer();
    dlg_->StopPollTimer();
    if (HANDLE thread = dlg_->m_hAcqThread.exchange(nullptr)) {
        TerminateThread(thread, dlg_->m_dwAcqThreadId);
        CloseHandle(thread);
    }
    dlg_->m_port.Close();
    afx::testing::Pump();
    dlg_->DestroyWindow();
    dlg_.reset();
}

std::string GaugeDialogTest::Pane0() const {
    return dlg_->m_wndStatusBar.GetPaneText(0);
}

bool GaugeDialogTest::Enabled(int id) const {
    CWnd* item = dlg_->GetDlgItem(id);
    return item != nullptr && item->IsWindowEnabled();
}

int GaugeDialogTest::CountBoxes(const std::string& text) {
    int n = 0;
    for (const auto& box : afx::testing::ShownBoxes()) n += box.text == text ? 1 : 0;
    return n;
}

}  // namespace serial_test
