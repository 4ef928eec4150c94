// The graph window on the offscreen platform: the saved bitmap, titles, the mouse zoom and
// repainting while another thread plots.
#include "graph_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "graph_image.h"
#include "graph_painter.h"
#include "temp_folder.h"

namespace orva::graph {
namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "graph_widget_test";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    QApplication* app_ = nullptr;
};
::testing::Environment* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

QImage Render(const GraphModel& g, QSize size, PaintedFrame* frame = nullptr) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    std::vector<Run> scratch;
    const PaintedFrame f = PaintGraph(painter, image.rect(), g, scratch);
    if (frame) *frame = f;
    return image;
}

int CountColour(const QImage& image, const QRect& area, QRgb colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return n;
}

bool Pump(const std::function<bool()>& done, int timeoutMs = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void SetUpLikeTheMainWindow(GraphModel& g) {
    g.SetCurveColor(0x0000FFFF);
    g.SetCurveOption(false);
    g.SetShowGrid(true);
    g.SetXGridCount(10);
    g.SetYGridCount(20);
    g.SetCaption("   ");
    g.SetPlotOption(5);
    g.SetXLabel("Time/s");
    g.SetYLabel(" N");
    g.SetCurveStyle(2);
    g.SetRange(0, 10, -5, 5);
}

TEST(GraphPicture, SaveAsWritesABitmapOfTheCurveReplacingTheFile) {
    GraphWidget w;
    w.resize(500, 320);
    w.show();
    ASSERT_TRUE(Pump([&] { return w.isVisible(); }));
    GraphModel& g = *w.model();
    SetUpLikeTheMainWindow(g);
    for (int i = 0; i <= 1000; ++i) g.PlotXY(i * 0.01, 4 * std::sin(i * 0.01), 0);

    const std::string dir = orva::testing::MakeProcessTempFolder("orva-graph-test");
    ASSERT_FALSE(dir.empty());
    const std::string path = dir + "/graph.bmp";
    {
        QFile old(QString::fromStdString(path));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older file that is longer than nothing");
    }
    ASSERT_TRUE(SaveGraphBitmap(g, path));

    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(2), QByteArray("BM"));
    file.close();
    const QImage saved(QString::fromStdString(path), "BMP");
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), QSize(500, 320));

    PaintedFrame frame;
    Render(g, saved.size(), &frame);
    const QRect plot = frame.plot;
    const QRgb yellow = qRgb(255, 255, 0);
    for (double x : {0.5, 1.6, 3.3, 4.7, 6.2, 7.9, 9.5}) {
        const int px = plot.left() + static_cast<int>(x / 10 * plot.width());
        const int py =
            plot.top() + static_cast<int>(std::lround((5 - 4 * std::sin(x)) * (plot.height() - 1) / 10));
        EXPECT_GT(CountColour(saved, QRect(px - 2, py - 2, 5, 5), yellow), 0) << "no curve near x=" << x;
    }
    EXPECT_EQ(CountColour(saved, plot, qRgb(0, 255, 255)), 0);  // colour taken as 0x00BBGGRR
    // Nothing yellow far from the curve: the middle of the upper left region stays clear.
    EXPECT_EQ(CountColour(saved, QRect(plot.left() + plot.width() * 3 / 4, plot.top() + 5, 20, 20), yellow),
              0);
}

TEST(GraphPicture, SaveAsReportsAPathThatCannotBeWritten) {
    GraphModel g;
    std::string reason;
    EXPECT_FALSE(SaveGraphBitmap(g, "/nonexistent-folder/graph.bmp", &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(SaveGraphBitmap(g, ""));
}

// Load ticks carry two decimals (after a stop they read 45.26, 40.73, 36.21, not 45.257,
// 40.7313, 36.2056); time ticks stay "%g".
TEST(GraphTicks, LoadTicksWithTwoDecimalsTimeTicksAsG) {
    EXPECT_STREQ(kYTickFormat, "%.2f");
    EXPECT_STREQ(kXTickFormat, "%g");
    EXPECT_EQ(TickText(45.257, 90.514, kYTickFormat), "45.26");
    EXPECT_EQ(TickText(40.7313, 90.514, kYTickFormat), "40.73");
    EXPECT_EQ(TickText(36.2056, 90.514, kYTickFormat), "36.21");
    EXPECT_EQ(TickText(-5, 10, kYTickFormat), "-5.00");
    EXPECT_EQ(TickText(2.5, 10, kXTickFormat), "2.5");
    EXPECT_EQ(TickText(10, 10, kXTickFormat), "10");
    // Rounding noise round zero prints as zero, not as -0.00 or 1e-17.
    EXPECT_EQ(TickText(-1e-15, 90.514, kYTickFormat), "0.00");
    EXPECT_EQ(TickText(1e-17, 10, kXTickFormat), "0");
}

TEST(GraphPicture, BlankCaptionShowsNoTitleAndTheGridFollowsItsSwitch) {
    GraphModel g;
    SetUpLikeTheMainWindow(g);
    const QSize size(400, 300);
    g.SetCaption("");
    const QImage none = Render(g, size);
    g.SetCaption("   ");
    EXPECT_EQ(Render(g, size), none);
    g.SetCaption("Load");
    EXPECT_NE(Render(g, size), none);
    g.SetCaption("   ");

    PaintedFrame frame;
    const QImage withGrid = Render(g, size, &frame);
    const QRect inner = frame.plot.adjusted(2, 2, -2, -2);
    EXPECT_GT(CountColour(withGrid, inner, qRgb(0x80, 0x80, 0x80)), 100);
    g.SetShowGrid(false);
    EXPECT_EQ(CountColour(Render(g, size), inner, qRgb(0x80, 0x80, 0x80)), 0);
    g.SetShowGrid(true);
    EXPECT_EQ(Render(g, size), withGrid);  // counts kept across the switch
}

TEST(GraphPicture, DrawsDegenerateRangesAndNonFinitePointsWithoutHarm) {
    GraphModel g;
    SetUpLikeTheMainWindow(g);
    g.PlotXY(std::nan(""), 1, 0);
    g.PlotXY(1, std::numeric_limits<double>::infinity(), 0);
    g.PlotXY(2, 1e308, 0);
    g.PlotXY(3, -1e308, 0);
    g.PlotXY(-1e300, 0, 0);
    g.SetRange(5, 5, 0, 0);
    Render(g, QSize(300, 200));
    g.AutoRange();
    Render(g, QSize(300, 200));
    Render(g, QSize(3, 3));  // too small for a plot area
    g.SetXGridCount(1000);
    g.SetYGridCount(1000);
    Render(g, QSize(300, 200));
}

void Mouse(QWidget& w, QEvent::Type type, int x, int y, Qt::MouseButtons buttons) {
    const QPointF local(x, y);
    QMouseEvent ev(type, local, w.mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &ev);
}

void Drag(QWidget& w, int x0, int x1, int y) {
    Mouse(w, QEvent::MouseButtonPress, x0, y, Qt::LeftButton);
    Mouse(w, QEvent::MouseMove, (x0 + x1) / 2, y, Qt::LeftButton);
    Mouse(w, QEvent::MouseMove, x1, y, Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, x1, y, Qt::NoButton);
}

TEST(GraphWindow, DragInMouseMode2ZoomsToTheXRangeThatIndex2013Reports) {
    GraphWidget w;
    w.resize(640, 400);
    GraphModel& g = *w.model();
    SetUpLikeTheMainWindow(g);
    g.SetRange(0, 100, -5, 5);
    g.SetMouseMode(1);
    w.show();
    ASSERT_TRUE(Pump([&] { return w.lastFrame().range.xmax == 100; }));
    const QRect plot = w.lastFrame().plot;
    const int y = plot.center().y();

    Drag(w, plot.left() + 50, plot.left() + 250, y);  // normal mode: nothing happens
    EXPECT_EQ(g.GetElementX(2013, 1), 0);
    EXPECT_EQ(g.GetElementX(2013, 2), 100);

    g.SetMouseMode(2);
    Drag(w, plot.left() + 250, plot.left() + 50, y);  // right to left works too
    const double perPixel = 100.0 / plot.width();
    EXPECT_NEAR(g.GetElementX(2013, 1), 50 * perPixel, 1e-9);
    EXPECT_NEAR(g.GetElementX(2013, 2), 250 * perPixel, 1e-9);
    EXPECT_EQ(g.Range().ymin, -5);  // only X is chosen
    EXPECT_EQ(g.Range().ymax, 5);

    // A click without movement and a drag that starts outside the plot leave the view.
    w.repaint();
    const ViewRange before = g.Range();
    Drag(w, plot.left() + 100, plot.left() + 101, y);
    Drag(w, 2, plot.left() + 300, y);
    EXPECT_EQ(g.Range().xmin, before.xmin);
    EXPECT_EQ(g.Range().xmax, before.xmax);

    // Dragging past the edge stops at the edge of the view.
    Drag(w, plot.center().x(), plot.right() + 200, y);
    EXPECT_NEAR(g.GetElementX(2013, 2), before.xmax, 1e-9);
}

TEST(GraphWindow, RepaintsOnItsOwnWhileAnotherThreadPlots) {
    GraphWidget w;
    w.resize(600, 400);
    w.show();
    GraphModel& g = *w.model();
    SetUpLikeTheMainWindow(g);
    std::atomic<bool> done{false};
    std::thread plotter([&] {
        for (int i = 0; i < 200'000; ++i) {
            g.PlotXY(i * 0.005, std::sin(i * 0.001), 0);
            if (i % 1000 == 0) g.AutoRange();
            if (i % 50'000 == 0) g.ClearGraph();
        }
        g.SetRange(0, 77, -3, 3);
        done = true;
    });
    int paints = 0;
    while (!done.load()) {
        w.repaint();
        ++paints;
        QApplication::processEvents();
    }
    plotter.join();
    EXPECT_GT(paints, 0);
    // The timer notices the last change and repaints without being asked.
    EXPECT_TRUE(Pump([&] { return w.lastFrame().range.xmax == 77; }));
}

// The window keeps the layer under the curves between paints: whatever changed in between, what
// it shows is what painting everything at once shows.
TEST(GraphWindow, ShowsWhatOnePassPaintsAsPointsRangesTitlesAndSizeChange) {
    GraphWidget w;
    w.resize(600, 400);
    GraphModel& g = *w.model();
    SetUpLikeTheMainWindow(g);
    w.show();
    auto same = [&](const char* step) {
        const QImage shown = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage whole = Render(g, w.size());
        ASSERT_EQ(shown.size(), whole.size()) << step;
        int differing = 0;
        for (int y = 0; y < whole.height(); ++y)
            for (int x = 0; x < whole.width(); ++x) differing += shown.pixel(x, y) != whole.pixel(x, y);
        EXPECT_EQ(differing, 0) << step;
    };
    same("empty");
    for (int i = 0; i < 500; ++i) g.PlotXY(i * 0.01, 3 * std::sin(i * 0.05), 0);
    same("points");
    for (int i = 500; i < 900; ++i) g.PlotXY(i * 0.01, 3 * std::cos(i * 0.05), 0);
    same("more points, same layer");
    g.SetRange(0, 10, -8, 8);
    same("new Y range");
    g.SetYLabel(" kgf");
    g.SetShowGrid(false);
    same("title and grid");
    g.SetCurveColor(0x000000FF);
    same("curve colour");
    w.resize(500, 300);
    same("smaller window");
    g.ClearGraph();
    same("cleared");
}

}  // namespace
}  // namespace orva::graph
