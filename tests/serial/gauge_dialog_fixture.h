// The main dialog on screen (offscreen), with the machine's ports replaced by a private, empty
// port table and gauge simulators registered as virtual ports.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "KvDlg.h"
#include "gauge_sim.h"

namespace serial_test {

class GaugeDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // A simulator on a pty, registered as the next virtual port (COM97, COM98, ...).
    orva::sim::GaugeSimulator& AddGauge(const std::string& product, orva::sim::SimOptions options = {});
    // A built-in serial port without a device file behind it (ttyS<n>: COM<n+1>).
    void AddBuiltInPort(int ttyIndex);
    // A USB port whose device file does not exist, so that opening it fails.
    void AddUsbPortWithoutDevice(int ttyUsbIndex, const std::string& product);

    // Creates the dialog; its set-up runs the start-up connection.
    void OpenDialog();
    void CloseDialog();

    std::string Pane0() const;
    bool Enabled(int id) const;
    static int CountBoxes(const std::string& text);

    std::filesystem::path root_;
    std::vector<std::unique_ptr<orva::sim::GaugeSimulator>> gauges_;
    std::unique_ptr<CKvDlg> dlg_;
};

}  // namespace serial_test
