#include "window_fixture.h"

#include <stdlib.h>

#include <QWidget>

#include "MSComm.h"
#include "NTGraph.h"
#include "PortState.h"
#include "ResultSummary.h"
#include "graph_widget.h"
#include "port_table.h"
#include "program_test_env.h"
#include "resources.h"

namespace fs = std::filesystem;

namespace ui_test {

void WindowTest::SetUpTestSuite() {
    afx::testing::EnsureApplication();
    orva::resources::RegisterAll();
    RegisterGraphControl();
    CMSComm::RegisterControl();
}

void WindowTest::SetUp() {
    root_ = orva::testenv::UsePrivatePortTable("orva-ui-test");
    orva::testenv::ResetSharedSettings();
    g_dRangeStart = -1;
    g_dRangeEnd = -1;
    afx::testing::ClearShownBoxes();
}

void WindowTest::TearDown() {
    dlg_.reset();
    afx::testing::Pump();
    gauges_.clear();
    orva::testenv::RestoreMachinePortTable(root_);
}

orva::sim::GaugeSimulator& WindowTest::AddGauge(const std::string& product, orva::sim::SimOptions options) {
    auto sim = std::make_unique<orva::sim::GaugeSimulator>(std::move(options));
    EXPECT_TRUE(sim->Open());
    EXPECT_NE(sim->RegisterVirtualPort(product), 0);
    gauges_.push_back(std::move(sim));
    return *gauges_.back();
}

INT_PTR WindowTest::RunDialog(const std::function<void(CKvDlg&)>& script, int endResult) {
    dlg_.reset();
    dlg_ = std::make_unique<CKvDlg>();
    CKvDlg& dlg = *dlg_;
    bool ran = false;
    const INT_PTR result = afx::testing::RunModal(
        dlg,
        [&](CDialog&) {
            ran = true;
            afx::testing::Pump();
            script(dlg);
        },
        endResult);
    EXPECT_TRUE(ran) << "the window never ran its modal loop";
    return result;
}

bool Enabled(CWnd& wnd, int id) {
    CWnd* item = wnd.GetDlgItem(id);
    return item && item->IsWindowEnabled();
}

bool Visible(CWnd& wnd, int id) {
    QWidget* w = afx::testing::Widget(wnd, id);
    return w && w->isVisibleTo(w->window());
}

int Checked(CWnd& wnd, int id) {
    CWnd* item = wnd.GetDlgItem(id);
    auto* button = dynamic_cast<CButton*>(item);
    return button ? button->GetCheck() : -1;
}

std::string Text(CWnd& wnd, int id) {
    return wnd.GetDlgItemText(id);
}

orva::graph::GraphModel& Graph(CKvDlg& dlg) {
    auto* widget = dynamic_cast<orva::graph::GraphWidget*>(dlg.m_graph.GetWidget());
    if (!widget) throw std::runtime_error("control 1075 is not the graph component");
    return *widget->model();
}

std::vector<afx::testing::ShownBox> Boxes() {
    return afx::testing::ShownBoxes();
}

afx::testing::ShownBox LastBox() {
    const auto boxes = afx::testing::ShownBoxes();
    EXPECT_FALSE(boxes.empty()) << "no message box was shown";
    return boxes.empty() ? afx::testing::ShownBox{} : boxes.back();
}

}  // namespace ui_test
