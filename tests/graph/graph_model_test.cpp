// Point lists, indices, ranges and invalid input of the graph model, and its lock under
// several plotting threads.
#include "graph_model.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

namespace orva::graph {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(GraphModel, PointsKeepPlottingOrderAcrossChunksAndClearRestartsAtZero) {
    GraphModel g;
    const int n = 3 * 65536 + 17;
    for (int i = 0; i < n; ++i) g.PlotXY(i * 0.01, -i, 0);
    ASSERT_EQ(g.PointCount(0), static_cast<std::size_t>(n));
    for (int i : {0, 1, 255, 256, 65535, 65536, 65537, n - 1}) {
        EXPECT_DOUBLE_EQ(g.GetElementX(i, 0), i * 0.01) << i;
        EXPECT_DOUBLE_EQ(g.GetElementY(i, 0), -i) << i;
    }
    EXPECT_DOUBLE_EQ(g.GetElementX(2013, 0), 20.13);  // an ordinary point of element 0

    g.ClearGraph();
    EXPECT_EQ(g.PointCount(0), 0u);
    EXPECT_EQ(g.GetElementX(0, 0), 0);
    g.PlotXY(7, 8, 0);
    EXPECT_EQ(g.PointCount(0), 1u);
    EXPECT_EQ(g.GetElementX(0, 0), 7);
    EXPECT_EQ(g.GetElementY(0, 0), 8);
}

TEST(GraphModel, OutOfRangeIndicesAndUnknownElementsAnswerZero) {
    GraphModel g;
    EXPECT_EQ(g.GetElementX(0, 0), 0);  // nothing plotted yet
    for (int i = 0; i < 10; ++i) g.PlotXY(i + 1, i + 1, 0);
    for (std::int64_t i : {std::int64_t{-1}, std::int64_t{10}, std::int64_t{2013},
                           std::int64_t{std::numeric_limits<int>::max()}, std::int64_t{1} << 40,
                           std::numeric_limits<std::int64_t>::min()}) {
        EXPECT_EQ(g.GetElementX(i, 0), 0) << i;
        EXPECT_EQ(g.GetElementY(i, 0), 0) << i;
    }
    EXPECT_EQ(g.GetElementX(0, 3), 0);
    EXPECT_EQ(g.GetElementY(0, -1), 0);
}

TEST(GraphModel, Index2013OfElements1And2AnswersTheViewedRange) {
    GraphModel g;
    g.SetRange(0, 10, -5, 5);
    EXPECT_EQ(g.GetElementX(2013, 1), 0);
    EXPECT_EQ(g.GetElementX(2013, 2), 10);

    // Also when those elements hold points of their own, and after AutoRange.
    for (int i = 0; i < 3000; ++i) g.PlotXY(100 + i, 1, 1);
    for (int i = 0; i < 3000; ++i) g.PlotXY(200 + i, 1, 2);
    g.SetRange(3, 4, 0, 1);
    EXPECT_EQ(g.GetElementX(2013, 1), 3);
    EXPECT_EQ(g.GetElementX(2013, 2), 4);
    EXPECT_EQ(g.GetElementX(2012, 1), 2112);
    g.AutoRange();
    EXPECT_EQ(g.GetElementX(2013, 1), 100);
    EXPECT_EQ(g.GetElementX(2013, 2), 3199);
}

TEST(GraphModel, RangesWithoutWidthReversedOrNonFiniteStayUsable) {
    GraphModel g;
    g.SetRange(0, 10, -5, 5);
    g.SetRange(3, 3, 2, 2);  // zero width: widened round the value
    ViewRange r = g.Range();
    EXPECT_LT(r.xmin, 3);
    EXPECT_GT(r.xmax, 3);
    EXPECT_LT(r.ymin, 2);
    EXPECT_GT(r.ymax, 2);
    g.SetRange(0, 0, 0, 0);
    r = g.Range();
    EXPECT_LT(r.xmin, 0);
    EXPECT_GT(r.xmax, 0);

    g.SetRange(10, 0, 5, -5);  // reversed
    r = g.Range();
    EXPECT_EQ(r.xmin, 0);
    EXPECT_EQ(r.xmax, 10);
    EXPECT_EQ(r.ymin, -5);
    EXPECT_EQ(r.ymax, 5);

    g.SetRange(kNaN, 20, -1, 1);  // X left as it was, Y taken
    r = g.Range();
    EXPECT_EQ(r.xmin, 0);
    EXPECT_EQ(r.xmax, 10);
    EXPECT_EQ(r.ymin, -1);
    g.SetRange(-kInf, kInf, 1e308, -1e308);
    r = g.Range();
    EXPECT_EQ(r.xmax, 10);
    EXPECT_TRUE(std::isfinite(r.ymax - r.ymin));
    EXPECT_GT(r.ymax, r.ymin);
}

TEST(GraphModel, AutoRangeFitsFinitePointsOnlyAndKeepsTheRangeWithoutPoints) {
    GraphModel g;
    g.SetRange(0, 10, -5, 5);
    g.AutoRange();
    ViewRange r = g.Range();
    EXPECT_EQ(r.xmin, 0);
    EXPECT_EQ(r.xmax, 10);

    g.PlotXY(kNaN, 1, 0);
    g.PlotXY(1, kInf, 0);
    g.AutoRange();  // only non-finite points: still no fit
    EXPECT_EQ(g.Range().xmax, 10);

    g.PlotXY(2, -3, 0);
    g.PlotXY(kNaN, kNaN, 0);
    g.PlotXY(6, 4, 0);
    g.PlotXY(-kInf, 100, 0);
    g.AutoRange();
    r = g.Range();
    EXPECT_EQ(r.xmin, 2);
    EXPECT_EQ(r.xmax, 6);
    EXPECT_EQ(r.ymin, -3);
    EXPECT_EQ(r.ymax, 4);
    EXPECT_TRUE(std::isnan(g.GetElementX(0, 0)));  // stored as plotted

    g.ClearGraph();
    g.PlotXY(0, 0, 0);  // one point: widened, still in view
    g.AutoRange();
    r = g.Range();
    EXPECT_LT(r.xmin, 0);
    EXPECT_GT(r.xmax, 0);
    EXPECT_LT(r.ymin, 0);
    EXPECT_GT(r.ymax, 0);
}

TEST(GraphModel, AutoRangeAfterEveryPointOfAFullStoreMatchesTheData) {
    GraphModel g;
    g.PlotXY(0, 0, 0);
    double ymin = 0, ymax = 0;
    for (int i = 1; i <= 3'600'000; ++i) {
        const double x = i / 1000.0;
        const double y = std::sin(i * 1e-4) * (1 + i * 1e-6);
        ymin = std::min(ymin, y);
        ymax = std::max(ymax, y);
        g.PlotXY(x, y, 0);
        g.AutoRange();
        if (i % 600'000 == 0) {
            const ViewRange r = g.Range();
            ASSERT_EQ(r.xmin, 0);
            ASSERT_EQ(r.xmax, x);
            ASSERT_EQ(r.ymin, ymin);
            ASSERT_EQ(r.ymax, ymax);
        }
    }
    EXPECT_EQ(g.PointCount(0), 3'600'001u);
    EXPECT_EQ(g.GetElementX(3'600'000, 0), 3600.0);
}

TEST(GraphModel, ThreePlottingThreadsLoseNoPointAndKeepTheirOrder) {
    GraphModel g;
    constexpr int kThreads = 3;
    constexpr int kPerThread = 150'000;
    std::atomic<bool> go{false};
    std::atomic<int> finished{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load()) std::this_thread::yield();
            for (int i = 0; i < kPerThread; ++i) g.PlotXY(i, t * 1e7 + i, 0);
            finished.fetch_add(1);
        });
    }
    // A reader beside them: ranges, indices and a drawing pass.
    std::thread reader([&] {
        while (!go.load()) std::this_thread::yield();
        std::vector<orva::graph::Run> scratch;
        const ColumnMap map(0, kPerThread, 500);
        while (finished.load() < kThreads) {
            g.AutoRange();
            (void)g.GetElementX(static_cast<std::int64_t>(g.PointCount(0)) - 1, 0);
            (void)g.GetElementX(2013, 1);
            g.VisitRuns(map, 64, scratch, [](const orva::graph::Run*, std::size_t, bool) {});
        }
    });
    go = true;
    for (auto& th : threads) th.join();
    reader.join();

    ASSERT_EQ(g.PointCount(0), static_cast<std::size_t>(kThreads * kPerThread));
    std::vector<int> next(kThreads, 0);
    for (std::size_t i = 0; i < g.PointCount(0); ++i) {
        const double y = g.GetElementY(static_cast<std::int64_t>(i), 0);
        const int t = static_cast<int>(y / 1e7);
        const int seq = static_cast<int>(y - t * 1e7);
        ASSERT_GE(t, 0);
        ASSERT_LT(t, kThreads);
        ASSERT_EQ(seq, next[t]) << "thread " << t << " at " << i;
        ASSERT_EQ(g.GetElementX(static_cast<std::int64_t>(i), 0), seq);
        ++next[t];
    }
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kPerThread);
}

TEST(GraphModel, ClearsAndRangeChangesOverlappingWithPlottingStayConsistent) {
    GraphModel g;
    std::atomic<bool> stop{false};
    // The last 10,000 points are plotted only once the clearer has made its last clear, so that
    // a tail survives however the two threads are scheduled.
    std::atomic<bool> lastStretch{false}, clearerDone{false};
    std::thread plotter([&] {
        for (int i = 0; i < 400'000; ++i) {
            if (i == 390'000) {
                lastStretch = true;
                while (!clearerDone.load()) std::this_thread::yield();
            }
            g.PlotXY(i % 5000, i, 0);
        }
        stop = true;
    });
    std::thread clearer([&] {
        int k = 0;
        while (!stop.load()) {
            if (lastStretch.load())
                clearerDone = true;
            else if (++k % 50 == 0)
                g.ClearGraph();
            g.SetRange(0, k, -k, k);
            g.SetCurveStyle(2);
            g.SetYLabel(" N");
            const std::size_t n = g.PointCount(0);
            if (n > 0) (void)g.GetElementY(static_cast<std::int64_t>(n) - 1, 0);
        }
    });
    plotter.join();
    clearer.join();
    // Whatever survived the last clear is a tail of the plotted sequence, in order.
    const std::size_t n = g.PointCount(0);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(g.GetElementY(static_cast<std::int64_t>(n) - 1, 0), 399'999);
    for (std::size_t i = 1; i < n; ++i)
        ASSERT_EQ(g.GetElementY(static_cast<std::int64_t>(i), 0),
                  g.GetElementY(static_cast<std::int64_t>(i) - 1, 0) + 1);
}

}  // namespace
}  // namespace orva::graph
