// The per-column decimation built from the block summaries must show exactly what drawing
// every point would: the same minimum and maximum in every pixel column, no point lost.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <vector>

#include "graph_model.h"

namespace orva::graph {
namespace {

struct Column {
    double ymin = std::numeric_limits<double>::infinity();
    double ymax = -std::numeric_limits<double>::infinity();
    std::uint64_t count = 0;
};

std::map<int, Column> BruteForce(const std::vector<Point>& pts, const ColumnMap& map) {
    std::map<int, Column> cols;
    for (const Point& p : pts) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
        Column& c = cols[map.column(p.x)];
        c.ymin = std::min(c.ymin, p.y);
        c.ymax = std::max(c.ymax, p.y);
        ++c.count;
    }
    return cols;
}

std::vector<Run> Decimate(const GraphModel& g, const ColumnMap& map, std::size_t batch) {
    std::vector<Run> all, scratch;
    g.VisitRuns(map, batch, scratch,
                [&](const Run* r, std::size_t n, bool) { all.insert(all.end(), r, r + n); });
    return all;
}

void ExpectSameColumns(const std::vector<Point>& pts, const ColumnMap& map, std::size_t batch) {
    GraphModel g;
    for (const Point& p : pts) g.PlotXY(p.x, p.y, 0);
    const std::vector<Run> runs = Decimate(g, map, batch);
    std::map<int, Column> got;
    for (const Run& r : runs) {
        Column& c = got[r.column];
        c.ymin = std::min(c.ymin, r.ymin);
        c.ymax = std::max(c.ymax, r.ymax);
        c.count += r.count;
    }
    const std::map<int, Column> want = BruteForce(pts, map);
    ASSERT_EQ(got.size(), want.size());
    for (const auto& [col, w] : want) {
        const Column& c = got.at(col);
        ASSERT_EQ(c.ymin, w.ymin) << "column " << col;
        ASSERT_EQ(c.ymax, w.ymax) << "column " << col;
        ASSERT_EQ(c.count, w.count) << "column " << col;
    }
    // Neighbouring runs never share a column, and the curve's ends are its real ends.
    if (batch > runs.size()) {
        for (std::size_t i = 1; i < runs.size(); ++i) ASSERT_NE(runs[i].column, runs[i - 1].column);
    }
    std::size_t first = 0, last = pts.size() - 1;
    while (!std::isfinite(pts[first].x) || !std::isfinite(pts[first].y)) ++first;
    while (!std::isfinite(pts[last].x) || !std::isfinite(pts[last].y)) --last;
    ASSERT_FALSE(runs.empty());
    EXPECT_EQ(runs.front().xFirst, pts[first].x);
    EXPECT_EQ(runs.front().yFirst, pts[first].y);
    EXPECT_EQ(runs.back().xLast, pts[last].x);
    EXPECT_EQ(runs.back().yLast, pts[last].y);
}

TEST(Decimation, RisingTimeAxisMatchesEveryPointDrawnAndStaysNearOneRunPerColumn) {
    std::mt19937 rng(1);
    std::normal_distribution<double> noise(0, 3);
    std::vector<Point> pts;
    for (int i = 0; i < 300'000; ++i) pts.push_back({i * 0.005, 50 * std::sin(i * 1e-4) + noise(rng)});
    const ColumnMap view(100, 1200, 997);  // part of the curve lies left and right of the view
    ExpectSameColumns(pts, view, 1 << 20);
    ExpectSameColumns(pts, view, 5);  // small batches: the lock is dropped between them

    GraphModel g;
    for (const Point& p : pts) g.PlotXY(p.x, p.y, 0);
    EXPECT_LE(Decimate(g, view, 1 << 20).size(), 997u + 2);
}

TEST(Decimation, UnorderedAndNonFiniteXStillDrawsEveryPoint) {
    std::mt19937 rng(2);
    std::uniform_real_distribution<double> x(-10, 110), y(-1e6, 1e6);
    std::vector<Point> pts;
    for (int i = 0; i < 140'000; ++i) {
        Point p{x(rng), y(rng)};
        if (i % 997 == 0) p.x = std::numeric_limits<double>::quiet_NaN();
        if (i % 1009 == 0) p.y = -std::numeric_limits<double>::infinity();
        pts.push_back(p);
    }
    ExpectSameColumns(pts, ColumnMap(0, 100, 640), 1 << 20);
    // A mostly rising curve that steps back now and then.
    std::vector<Point> jitter;
    for (int i = 0; i < 200'000; ++i)
        jitter.push_back({i * 0.001 - (i % 300 == 0 ? 5.0 : 0.0), std::cos(i * 0.01)});
    ExpectSameColumns(jitter, ColumnMap(0, 200, 1000), 1 << 20);
}

TEST(Decimation, BlocksWithoutFinitePointsAreSkipped) {
    std::vector<Point> pts(70'000, Point{std::numeric_limits<double>::quiet_NaN(), 1});
    pts[0] = {1, 2};
    pts[69'999] = {3, 4};
    ExpectSameColumns(pts, ColumnMap(0, 4, 100), 1 << 20);
}

// The stop replots a whole stored test in one call: the model it leaves must be the one that
// plotting point by point leaves, summaries included, wherever in a chunk the bulk starts.
TEST(Decimation, PlottingInBulkLeavesTheCurveThatPointByPointLeaves) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> y(-500, 500);
    const std::size_t n = 2 * 65536 + 5000;
    std::vector<float> xs(n), ys(n);
    for (std::size_t i = 0; i < n; ++i) {
        xs[i] = static_cast<float>(i) * 0.001f;
        ys[i] = y(rng);
        if (i % 4999 == 7) ys[i] = std::numeric_limits<float>::quiet_NaN();
        if (i % 7919 == 3) xs[i] = std::numeric_limits<float>::infinity();
    }
    for (std::size_t prefix : {std::size_t{0}, std::size_t{100}, std::size_t{65535}}) {
        GraphModel single, bulk;
        for (std::size_t i = 0; i < prefix; ++i) {
            single.PlotXY(-1.0 - static_cast<double>(i), 2.0, 0);
            bulk.PlotXY(-1.0 - static_cast<double>(i), 2.0, 0);
        }
        for (std::size_t i = 0; i < n; ++i) single.PlotXY(xs[i], ys[i], 0);
        bulk.PlotPoints(xs.data(), ys.data(), n, 0);
        ASSERT_EQ(bulk.PointCount(0), single.PointCount(0));
        for (std::size_t i = 0; i < prefix + n; ++i) {
            const auto k = static_cast<std::int64_t>(i);
            const double bx = bulk.GetElementX(k, 0), sx = single.GetElementX(k, 0);
            const double by = bulk.GetElementY(k, 0), sy = single.GetElementY(k, 0);
            ASSERT_TRUE(bx == sx || (std::isnan(bx) && std::isnan(sx))) << i;
            ASSERT_TRUE(by == sy || (std::isnan(by) && std::isnan(sy))) << i;
        }
        single.AutoRange();
        bulk.AutoRange();
        EXPECT_EQ(bulk.Range().xmin, single.Range().xmin);
        EXPECT_EQ(bulk.Range().xmax, single.Range().xmax);
        EXPECT_EQ(bulk.Range().ymin, single.Range().ymin);
        EXPECT_EQ(bulk.Range().ymax, single.Range().ymax);
        for (const ColumnMap& map : {ColumnMap(-200, 140, 640), ColumnMap(10, 10.5, 333)}) {
            const std::vector<orva::graph::Run> a = Decimate(bulk, map, 1 << 20),
                                                b = Decimate(single, map, 1 << 20);
            ASSERT_EQ(a.size(), b.size()) << prefix;
            for (std::size_t r = 0; r < a.size(); ++r) {
                ASSERT_EQ(a[r].column, b[r].column) << r;
                ASSERT_EQ(a[r].count, b[r].count) << r;
                ASSERT_EQ(a[r].begin, b[r].begin) << r;
                ASSERT_EQ(a[r].end, b[r].end) << r;
                ASSERT_EQ(a[r].ymin, b[r].ymin) << r;
                ASSERT_EQ(a[r].ymax, b[r].ymax) << r;
            }
        }
    }
    // Nothing plotted, nothing made.
    GraphModel empty;
    empty.PlotPoints(xs.data(), ys.data(), 0, 0);
    EXPECT_EQ(empty.PointCount(0), 0u);
}

}  // namespace
}  // namespace orva::graph
