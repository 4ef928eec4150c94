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

}  // namespace
}  // namespace orva::graph
