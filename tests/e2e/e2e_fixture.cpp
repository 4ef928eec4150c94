#include "e2e_fixture.h"

#include <stdlib.h>

#include <QTableView>
#include <cstdio>

#include "MSComm.h"
#include "NTGraph.h"
#include "PortState.h"
#include "SampleStore.h"
#include "afx_testing.h"
#include "graph_widget.h"
#include "port_table.h"
#include "program_test_env.h"
#include "resources.h"
#include "temp_folder.h"
#include "win32_thread.h"

namespace fs = std::filesystem;

namespace e2e {

orva::sim::SimOptions SequenceGauge(std::vector<std::string> numbers, bool lineFeed) {
    orva::sim::SimOptions o;
    o.profile.kind = orva::sim::LoadProfile::Kind::Sequence;
    o.profile.sequence = std::move(numbers);
    o.unitText = "N";
    o.lineFeed = lineFeed;
    return o;
}

RowTexts ExpectedRow(std::int32_t count, float load, float time, const std::string& unit) {
    char buf[128];
    RowTexts r;
    std::snprintf(buf, sizeof buf, "%d ", count);
    r.number = buf;
    std::snprintf(buf, sizeof buf, "%g", static_cast<double>(load));
    r.value = std::string(buf) + "  " + unit;
    std::snprintf(buf, sizeof buf, "%g s", static_cast<double>(time));
    r.time = buf;
    return r;
}

float StoredLoad(const std::string& number, bool invert) {
    float load = -static_cast<float>(std::atof(number.c_str()));
    if (invert) load = -load;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", static_cast<double>(load));
    const float stored = static_cast<float>(std::atof(buf));
    return stored == 0.0f ? 0.0f : stored;  // a zero load is stored without a sign
}

float ReadingTime(std::int32_t n, double rate) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", static_cast<double>(n) / rate);
    return static_cast<float>(std::atof(buf));
}

void DialogTest::SetUpTestSuite() {
    static std::string base;
    if (base.empty()) {
        base = orva::testing::MakeProcessTempFolder("orva-e2e");
        ASSERT_FALSE(base.empty());
        fs::create_directories(base + "/state");
        fs::create_directories(base + "/runtime");
        fs::permissions(base + "/runtime", fs::perms::owner_all, fs::perm_options::replace);
        setenv("XDG_STATE_HOME", (base + "/state").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (base + "/runtime").c_str(), 1);
    }
    afx::testing::EnsureApplication();
    orva::resources::RegisterAll();
    RegisterGraphControl();
    CMSComm::RegisterControl();
}

void DialogTest::SetUp() {
    // No port of the machine: only the simulator's virtual port.
    root_ = orva::testenv::UsePrivatePortTable("orva-e2e-ports");
    orva::testenv::ResetSharedSettings();
    afx::testing::ClearShownBoxes();
}

void DialogTest::TearDown() {
    dlg_.reset();
    gauge_.reset();
    orva::testenv::RestoreMachinePortTable(root_);
}

void DialogTest::RunWithGauge(orva::sim::SimOptions options, const std::function<void()>& body) {
    gauge_ = std::make_unique<orva::sim::GaugeSimulator>(std::move(options));
    ASSERT_TRUE(gauge_->Open());
    ASSERT_NE(gauge_->RegisterVirtualPort("USB Force Gauge"), 0);
    dlg_ = std::make_unique<CKvDlg>();
    // The window runs modally, as the program runs it; the body acts inside its loop.
    modalResult_ = afx::testing::RunModal(*dlg_, [&](CDialog&) {
        EXPECT_EQ(Pane(0), "   Connected COM" + std::to_string(gauge_->VirtualPortNumber()));
        if (!::testing::Test::HasFatalFailure()) body();
        ShutDown();
    });
    afx::testing::Pump(10);  // stops still queued for the dialog find it gone
    dlg_.reset();
}

void DialogTest::ShutDown() {
    // As the exit paths do: timers, thread, port.
    dlg_->StopPollTimer();
    dlg_->StopTickTimer();
    if (HANDLE thread = dlg_->m_hAcqThread.load()) TerminateThread(thread, dlg_->m_dwAcqThreadId.load());
    dlg_->m_port.Close();
    afx::testing::Pump(20);
}

void DialogTest::ClickStart() {
    ASSERT_TRUE(afx::testing::Click(*dlg_, 1023));
}

void DialogTest::ShowSetupTab(int index) {
    ASSERT_TRUE(afx::testing::SelectTab(*dlg_, 1111, index));
}

void DialogTest::TypeInto(CWnd& page, int id, const std::string& text) {
    ShowSetupTab(&page == &dlg_->m_page2 ? 1 : 0);
    ASSERT_TRUE(afx::testing::TypeText(page, id, text)) << "control " << id;
}

void DialogTest::ClickOn(CWnd& page, int id) {
    ShowSetupTab(&page == &dlg_->m_page2 ? 1 : 0);
    ASSERT_TRUE(afx::testing::Click(page, id)) << "control " << id;
}

void DialogTest::SetStopTime(const std::string& seconds) {
    TypeInto(dlg_->m_page2, 1092, seconds);
}

bool DialogTest::WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    return afx::testing::RunUntil(condition, timeoutMs);
}

bool DialogTest::WaitForStop(int timeoutMs) {
    return WaitFor(
        [this] { return dlg_->GetDlgItemText(1023) == "Start acquisition" && dlg_->m_nActiveRun == 0; },
        timeoutMs);
}

bool DialogTest::Enabled(CWnd& wnd, int id) const {
    CWnd* item = wnd.GetDlgItem(id);
    return item != nullptr && item->IsWindowEnabled();
}

std::shared_ptr<orva::graph::GraphModel> DialogTest::Graph() const {
    auto* widget = dynamic_cast<orva::graph::GraphWidget*>(afx::testing::Widget(*dlg_, 1075));
    return widget != nullptr ? widget->model() : nullptr;
}

void DialogTest::ExpectViewShowsTheList(const std::vector<std::int32_t>& rows) {
    auto* view = qobject_cast<QTableView*>(afx::testing::Widget(*dlg_, 1038));
    ASSERT_NE(view, nullptr);
    const int count = dlg_->m_listResults.GetItemCount();
    ASSERT_TRUE(WaitFor([&] { return view->model()->rowCount() == count; })) << view->model()->rowCount();
    for (std::int32_t r : rows)
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(view->model()->data(view->model()->index(r, c)).toString().toStdString(),
                      dlg_->m_listResults.GetItemText(r, c))
                << "row " << r << " column " << c;
}

void DialogTest::ExpectCurveIsTheStore(const std::vector<std::int32_t>& indices, std::int32_t last) {
    const auto graph = Graph();
    ASSERT_EQ(graph->PointCount(0), static_cast<std::size_t>(last) + 1);
    for (std::int32_t i : indices) {
        ASSERT_EQ(graph->GetElementX(i, 0), static_cast<double>(g_fTime[i])) << "point " << i;
        ASSERT_EQ(graph->GetElementY(i, 0), static_cast<double>(g_fLoad[i])) << "point " << i;
    }
}

int DialogTest::Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

int DialogTest::CountBoxesWith(const std::string& text) {
    int n = 0;
    for (const auto& box : afx::testing::ShownBoxes()) n += box.text == text ? 1 : 0;
    return n;
}

}  // namespace e2e
