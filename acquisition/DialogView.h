// The main dialog seen by a real-time reading: graph calls go to the graph directly (it keeps
// its own lock), list and report-box calls are posted by the control classes to the UI thread,
// the status message is posted.
#pragma once

#include "KvDlg.h"
#include "RealTimeView.h"

class DialogView final : public RealTimeView {
public:
    explicit DialogView(CKvDlg& dlg) : m_dlg(dlg) {}

    std::string ReportName() override;
    bool ShowGridTicked() override;
    std::tm LocalTime() override;
    void ShowReport(const std::string& text) override;
    void PostStatusUpdate() override;
    void ClearGraph() override { m_dlg.m_graph.ClearGraph(); }
    void SetCurveColor(DWORD rgb) override { m_dlg.m_graph.SetCurveColor(rgb); }
    void SetCurveOption(BOOL option) override { m_dlg.m_graph.SetCurveOption(option); }
    void SetCurveStyle(int style) override { m_dlg.m_graph.SetCurveStyle(static_cast<short>(style)); }
    void SetShowGrid(BOOL show) override { m_dlg.m_graph.SetShowGrid(show); }
    void SetXGridCount(int count) override { m_dlg.m_graph.SetXGridCount(static_cast<short>(count)); }
    void SetYGridCount(int count) override { m_dlg.m_graph.SetYGridCount(static_cast<short>(count)); }
    void SetYLabel(const std::string& label) override { m_dlg.m_graph.SetYLabel(label.c_str()); }
    void SetRange(double xmin, double xmax, double ymin, double ymax) override {
        m_dlg.m_graph.SetRange(xmin, xmax, ymin, ymax);
    }
    void PlotXY(double x, double y, int element) override {
        m_dlg.m_graph.PlotXY(x, y, static_cast<short>(element));
    }
    void InsertListRow(int row, const std::string& number, const std::string& value,
                       const std::string& time) override;

private:
    CKvDlg& m_dlg;
};
