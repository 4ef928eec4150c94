// What a real-time reading does outside the sample store: the graph, the results list, the
// report box, the status message. The acquisition thread drives the dialog through it; tests
// record the calls.
#pragma once

#include <ctime>
#include <string>

#include "win32_types.h"

class RealTimeView {
public:
    virtual ~RealTimeView() = default;

    // Window text of the report-name box (Acquisition page).
    virtual std::string ReportName() = 0;
    // "Show grid" ticked on the Acquisition page.
    virtual bool ShowGridTicked() = 0;
    // Local time of the first reading, for the report header.
    virtual std::tm LocalTime() = 0;

    virtual void ShowReport(const std::string& text) = 0;
    virtual void PostStatusUpdate() = 0;

    virtual void ClearGraph() = 0;
    virtual void SetCurveColor(DWORD rgb) = 0;
    virtual void SetCurveOption(BOOL option) = 0;
    virtual void SetCurveStyle(int style) = 0;
    virtual void SetShowGrid(BOOL show) = 0;
    virtual void SetXGridCount(int count) = 0;
    virtual void SetYGridCount(int count) = 0;
    virtual void SetYLabel(const std::string& label) = 0;
    virtual void SetRange(double xmin, double xmax, double ymin, double ymax) = 0;
    virtual void PlotXY(double x, double y, int element) = 0;

    virtual void InsertListRow(int row, const std::string& number, const std::string& value,
                               const std::string& time) = 0;
};

constexpr DWORD RgbColour(BYTE r, BYTE g, BYTE b) {
    return static_cast<DWORD>(r) | (static_cast<DWORD>(g) << 8) | (static_cast<DWORD>(b) << 16);
}
