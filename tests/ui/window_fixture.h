// The main window run modally as the program runs it, on the offscreen platform, with the
// machine's ports replaced by a private, empty port table and gauge simulators registered as
// virtual ports (COM97, COM98, ...).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "KvDlg.h"
#include "afx_testing.h"
#include "gauge_sim.h"
#include "graph_model.h"

namespace ui_test {

class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    orva::sim::GaugeSimulator& AddGauge(const std::string& product = "USB Gauge Simulator",
                                        orva::sim::SimOptions options = {});

    // Runs a fresh dialog modally; the script runs once the window is shown. When the script
    // leaves the dialog running, it is ended with endResult (0: left running is a failure).
    INT_PTR RunDialog(const std::function<void(CKvDlg&)>& script, int endResult = IDCANCEL);

    // The dialog of the latest RunDialog; it lives until the next RunDialog or the test's end.
    std::unique_ptr<CKvDlg> dlg_;
    std::filesystem::path root_;
    std::vector<std::unique_ptr<orva::sim::GaugeSimulator>> gauges_;
};

// Small readers used by many tests.
bool Enabled(CWnd& wnd, int id);
bool Visible(CWnd& wnd, int id);
int Checked(CWnd& wnd, int id);
std::string Text(CWnd& wnd, int id);
orva::graph::GraphModel& Graph(CKvDlg& dlg);
std::vector<afx::testing::ShownBox> Boxes();
// The box shown last; fails the test when none was shown.
afx::testing::ShownBox LastBox();

}  // namespace ui_test
