#include "DialogView.h"

#include <ctime>

#include "resources.h"

namespace main_dialog = orva::resources::main_dialog;

std::string DialogView::ReportName() {
    return m_dlg.m_page1.m_cbReportName.GetWindowText();
}

bool DialogView::ShowGridTicked() {
    return m_dlg.m_page1.m_chkShowGrid.GetCheck() == 1;
}

std::tm DialogView::LocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

void DialogView::ShowReport(const std::string& text) {
    m_dlg.GetDlgItem(main_dialog::kReportText)->SetWindowText(text);
}

void DialogView::PostStatusUpdate() {
    m_dlg.PostMessage(WM_STATUS_UPDATE, 0, 0);
}

void DialogView::InsertListRow(int row, const std::string& number, const std::string& value,
                               const std::string& time) {
    m_dlg.m_listResults.InsertItem(row, number);
    m_dlg.m_listResults.SetItemText(row, 1, value);
    m_dlg.m_listResults.SetItemText(row, 2, time);
}
