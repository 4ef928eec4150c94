// CNTGraph on a real dialog: bound to control 1075 by the data exchange, driven from the UI
// thread and from workers, and harmless while not bound.
#include "NTGraph.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QWidget>
#include <stdexcept>
#include <thread>
#include <vector>

#include "afx_testing.h"
#include "graph_model.h"
#include "graph_widget.h"
#include "temp_folder.h"

namespace {

constexpr UINT kTemplate = 9107;
constexpr int kGraphId = 1075;

class GraphDialog : public CDialog {
public:
    GraphDialog() : CDialog(kTemplate) {}
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, kGraphId, m_graph);
    }
    CNTGraph m_graph;
};

class CNTGraphTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        afx::testing::EnsureApplication();
        RegisterGraphControl();
        afx::DialogTemplate t;
        t.id = kTemplate;
        t.cx = 420;
        t.cy = 300;
        t.style = afx::kDsPopup | afx::kDsCaption;
        t.caption = "graph";
        t.fontFace = "MS Sans Serif";
        afx::DialogItem graph;
        graph.id = kGraphId;
        graph.kind = afx::ItemKind::CustomControl;
        graph.classId = CNTGraph::GetClsid();
        graph.x = 5;
        graph.y = 18;
        graph.cx = 403;
        graph.cy = 267;
        graph.flags = afx::kTabStop;
        t.items.push_back(graph);
        afx::RegisterTemplate(t);
    }
};

TEST_F(CNTGraphTest, AnUnboundObjectDoesNothingAndAnswersZero) {
    CNTGraph g;
    g.SetCaption("   ");
    g.SetRange(0, 10, -5, 5);
    g.PlotXY(1, 2, 0);
    g.AutoRange();
    g.ClearGraph();
    EXPECT_EQ(g.GetElementX(0, 0), 0);
    EXPECT_EQ(g.GetElementX(2013, 1), 0);
    EXPECT_EQ(g.GetElementY(0, 0), 0);
    EXPECT_NO_THROW(g.SaveAs("/nonexistent-folder/x.bmp"));
    EXPECT_STREQ(CNTGraph::GetClsid(), "{C9FE01C2-2746-479B-96AB-E0BE9931B018}");
}

TEST_F(CNTGraphTest, DataExchangeBindsTheMemberToTheDialogsGraphControl) {
    GraphDialog dlg;
    ASSERT_TRUE(dlg.Create(kTemplate));
    auto* widget = dynamic_cast<orva::graph::GraphWidget*>(afx::testing::Widget(dlg, kGraphId));
    ASSERT_NE(widget, nullptr) << "control 1075 is not the graph component";
    orva::graph::GraphModel& model = *widget->model();

    // The window's set-up, then a test's graph reset and origin.
    CNTGraph& g = dlg.m_graph;
    g.SetCurveColor(0x0000FFFF);
    g.SetCurveOption(FALSE);
    g.SetShowGrid(TRUE);
    g.SetXGridCount(10);
    g.SetYGridCount(20);
    g.SetCaption("   ");
    g.SetPlotOption(5);
    g.SetXLabel("Time/s");
    g.SetYLabel("");
    g.SetRange(0, 10, -5, 5);
    g.AutoRange();
    g.SetMouseMode(1);
    EXPECT_EQ(g.GetElementX(2013, 1), 0);
    EXPECT_EQ(g.GetElementX(2013, 2), 10);
    g.ClearGraph();
    g.SetCurveStyle(2);
    g.PlotXY(0, 0, 0);
    g.SetYLabel(" N");
    const orva::graph::Settings s = model.CurrentSettings();
    EXPECT_EQ(s.caption, "   ");
    EXPECT_EQ(s.xLabel, "Time/s");
    EXPECT_EQ(s.yLabel, " N");
    EXPECT_EQ(s.yGridCount, 20);
    EXPECT_EQ(s.curveStyle, 2);

    // Live plotting from the acquisition thread and a stop from the timer thread, overlapping
    // with the window repainting here.
    std::thread acquisition([&] {
        for (int i = 1; i <= 20'000; ++i) g.PlotXY(i * 0.005, i, 0);
    });
    std::thread timer([&] {
        for (int i = 0; i < 200; ++i) (void)g.GetElementX(2013, 2);
    });
    afx::testing::Pump(50);
    acquisition.join();
    timer.join();
    EXPECT_EQ(model.PointCount(0), 20'001u);
    EXPECT_EQ(g.GetElementX(20'000, 0), 100.0);
    EXPECT_EQ(g.GetElementY(123, 0), 123.0);
    EXPECT_EQ(g.GetElementX(20'001, 0), 0);
    g.AutoRange();
    EXPECT_EQ(g.GetElementX(2013, 2), 100.0);

    // Export Image: a BMP; a path that cannot be written raises the error the loop reports.
    const std::string dir = orva::testing::MakeProcessTempFolder("orva-graph-test");
    ASSERT_FALSE(dir.empty());
    const std::string path = dir + "/curve.bmp";
    g.SaveAs(path.c_str());
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(2), QByteArray("BM"));
    EXPECT_EQ(QImage(QString::fromStdString(path)).size(), widget->size());
    EXPECT_THROW(g.SaveAs("/nonexistent-folder/curve.bmp"), std::runtime_error);

    dlg.DestroyWindow();
    // The model outlives the window: a late call from a worker is harmless.
    g.PlotXY(1, 1, 0);
}

}  // namespace
