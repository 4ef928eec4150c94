// A RealTimeView that records what a reading does to the window.
#pragma once

#include <string>
#include <vector>

#include "RealTimeView.h"

struct FakeView : RealTimeView {
    struct Range {
        double xmin, xmax, ymin, ymax;
    };
    struct Row {
        int row;
        std::string number, value, time;
    };
    struct Point {
        double x, y;
    };

    std::string reportName = "Bolt 7";
    bool grid = true;
    std::tm when{};
    std::vector<std::string> reports;
    std::vector<std::string> yLabels;
    std::vector<Range> ranges;
    std::vector<Row> rows;
    std::vector<Point> points;  // points since the last ClearGraph
    int clears = 0;
    int statusPosts = 0;
    std::vector<BOOL> gridCalls;

    FakeView() {
        when.tm_year = 2026 - 1900;
        when.tm_mon = 11;
        when.tm_mday = 8;
        when.tm_hour = 8;
        when.tm_min = 32;
        when.tm_sec = 4;
    }
    std::string ReportName() override { return reportName; }
    bool ShowGridTicked() override { return grid; }
    std::tm LocalTime() override { return when; }
    void ShowReport(const std::string& text) override { reports.push_back(text); }
    void PostStatusUpdate() override { ++statusPosts; }
    void ClearGraph() override {
        ++clears;
        points.clear();
    }
    void SetCurveColor(DWORD) override {}
    void SetCurveOption(BOOL) override {}
    void SetCurveStyle(int) override {}
    void SetShowGrid(BOOL show) override { gridCalls.push_back(show); }
    void SetXGridCount(int) override {}
    void SetYGridCount(int) override {}
    void SetYLabel(const std::string& label) override { yLabels.push_back(label); }
    void SetRange(double a, double b, double c, double d) override { ranges.push_back({a, b, c, d}); }
    void PlotXY(double x, double y, int) override { points.push_back({x, y}); }
    void InsertListRow(int row, const std::string& n, const std::string& v, const std::string& t) override {
        rows.push_back({row, n, v, t});
    }
};
