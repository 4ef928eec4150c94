// The main dialog on the offscreen screen, driven as a user drives it, with a gauge simulator
// registered as a virtual port. Ports, state and runtime folders are private to the test run.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "KvDlg.h"
#include "gauge_sim.h"
#include "graph_model.h"

namespace e2e {

// A gauge whose lines are these number texts, cycled.
orva::sim::SimOptions SequenceGauge(std::vector<std::string> numbers, bool lineFeed = false);

class DialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Starts the simulator, registers it, runs the dialog (its start-up connects the gauge) and
    // the body inside the dialog's loop; then shuts the link down and ends the dialog.
    void RunWithGauge(orva::sim::SimOptions options, const std::function<void()>& body);
    void ShutDown();

    // User actions.
    void ClickStart();  // the Start/Stop button; fails the test when it is not clickable
    void ShowSetupTab(int index);
    void TypeInto(CWnd& page, int id, const std::string& text);
    void ClickOn(CWnd& page, int id);
    void SetRate(const std::string& perSecond) { TypeInto(dlg_->m_page1, 1159, perSecond); }
    void SetStopTime(const std::string& seconds);

    bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 20000);
    // Until the test has stopped (the button reads "Start acquisition" again after a start).
    bool WaitForStop(int timeoutMs = 30000);

    std::string Report() const { return dlg_->GetDlgItemText(1054); }
    std::string Pane(int index) const { return dlg_->m_wndStatusBar.GetPaneText(index); }
    bool Enabled(CWnd& wnd, int id) const;
    std::shared_ptr<orva::graph::GraphModel> Graph() const;
    // The results list as the window shows it: once the view has caught up with the list, its
    // row count and, for these rows, its three texts are the list's.
    void ExpectViewShowsTheList(const std::vector<std::int32_t>& rows);
    // The curve holds the stored readings 0 .. last, in order, and nothing after them.
    void ExpectCurveIsTheStore(const std::vector<std::int32_t>& indices, std::int32_t last);
    static int Count(const std::string& text, const std::string& part);
    static int CountBoxesWith(const std::string& text);

    std::filesystem::path root_;
    std::unique_ptr<orva::sim::GaugeSimulator> gauge_;
    std::unique_ptr<CKvDlg> dlg_;
    INT_PTR modalResult_ = 0;  // how the last RunWithGauge's window ended
};

// The texts of reading `index` as the results list must show them.
struct RowTexts {
    std::string number, value, time;
};
RowTexts ExpectedRow(std::int32_t count, float load, float time, const std::string& unit);
// A load as the gauge's number text becomes after the sign rule and the rounding.
float StoredLoad(const std::string& number, bool invert);
// Reading n's time at the rate: n / rate through "%.3f".
float ReadingTime(std::int32_t n, double rate);

}  // namespace e2e
