// A view of the window that takes every call and shows nothing: for filling the store fast.
#pragma once

#include <ctime>
#include <string>
#include <utility>

#include "RealTimeView.h"

namespace orva::testenv {

struct QuietView final : RealTimeView {
    explicit QuietView(std::string reportName) : name(std::move(reportName)) {}
    std::string ReportName() override { return name; }
    bool ShowGridTicked() override { return true; }
    std::tm LocalTime() override { return std::tm{}; }
    void ShowReport(const std::string&) override {}
    void PostStatusUpdate() override {}
    void ClearGraph() override {}
    void SetCurveColor(DWORD) override {}
    void SetCurveOption(BOOL) override {}
    void SetCurveStyle(int) override {}
    void SetShowGrid(BOOL) override {}
    void SetXGridCount(int) override {}
    void SetYGridCount(int) override {}
    void SetYLabel(const std::string&) override {}
    void SetRange(double, double, double, double) override {}
    void PlotXY(double, double, int) override {}
    void InsertListRow(int, const std::string&, const std::string&, const std::string&) override {}

    std::string name;
};

}  // namespace orva::testenv
