#include "DialogControls.h"

#include "KvDlg.h"

void EnableControl(CWnd& window, int id, BOOL enable) {
    if (CWnd* item = window.GetDlgItem(id)) item->EnableWindow(enable);
}

void ShowPaneFitted(CKvDlg& dlg, int pane, const std::string& text) {
    CClientDC dc(&dlg);
    const CSize extent = dc.GetTextExtent(text);
    UINT id = 0, style = 0;
    int width = 0;
    dlg.m_wndStatusBar.GetPaneInfo(pane, id, style, width);
    dlg.m_wndStatusBar.SetPaneInfo(pane, id, SBPS_NORMAL, extent.cx);
    dlg.m_wndStatusBar.SetPaneText(pane, text);
}
