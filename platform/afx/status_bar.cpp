// The status bar.
#include "afx_controls.h"
#include "afx_gdi.h"
#include "afx_resources.h"
#include "afx_thread.h"
#include "widgets.h"

using namespace afx::detail;

namespace {

void ApplyPanes(const std::shared_ptr<WndCore>& c) {
    RunOnUi([c] {
        auto* sb = dynamic_cast<StatusBarWidget*>(c->widget.data());
        if (!sb) return;
        std::vector<std::string> panes;
        std::vector<int> widths;
        {
            std::lock_guard<std::mutex> lock(c->mu);
            panes = c->st.panes;
            widths = c->st.paneWidths;
        }
        sb->SetPanes(panes, widths);
    });
}

}  // namespace

BOOL CStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
    if (!afx::IsUiThread() || !pParentWnd) return FALSE;
    QWidget* parent = pParentWnd->GetWidget();
    if (!parent) return FALSE;
    auto core = NewCore(WndKind::StatusBar, this);
    core->id = static_cast<int>(nID);
    core->parent = pParentWnd;
    core->notify = pParentWnd;
    core->font = pParentWnd->Core()->font;
    auto* w = new StatusBarWidget(parent);
    core->widget = w;
    CRect r(0, std::max(0, parent->height() - 20), parent->width(), parent->height());
    {
        std::lock_guard<std::mutex> lock(core->mu);
        core->st.exists = true;
        core->st.visible = (dwStyle & WS_VISIBLE) != 0;
        core->st.style = dwStyle;
        core->st.rect = r;
    }
    AttachCore(core);
    ApplyGeometry(*core, r);
    w->setVisible((dwStyle & WS_VISIBLE) != 0);
    PreSubclassWindow();
    return TRUE;
}

BOOL CStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount) {
    if (nIDCount < 0 || (nIDCount > 0 && !lpIDArray)) return FALSE;
    std::vector<std::string> texts;
    std::vector<int> widths;
    bool ok = true;
    CClientDC dc(this);
    for (int i = 0; i < nIDCount; ++i) {
        UINT id = lpIDArray[i];
        std::string t;
        if (id != ID_SEPARATOR) {
            if (!afx::HasStringResource(id)) ok = false;
            t = afx::LoadStringResource(id);
        }
        texts.push_back(t);
        widths.push_back(dc.GetTextExtent(t).cx);
    }
    {
        std::lock_guard<std::mutex> lock(m_core->mu);
        m_core->st.panes = texts;
        m_core->st.paneWidths = widths;
        m_core->st.paneIds.assign(lpIDArray, lpIDArray + nIDCount);
        m_core->st.paneStyles.assign(static_cast<size_t>(nIDCount), SBPS_NORMAL);
    }
    ApplyPanes(m_core);
    return ok ? TRUE : FALSE;
}

void CStatusBar::SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth) {
    {
        std::lock_guard<std::mutex> lock(m_core->mu);
        auto& s = m_core->st;
        if (nIndex < 0 || nIndex >= static_cast<int>(s.panes.size())) return;
        auto i = static_cast<size_t>(nIndex);
        s.paneIds[i] = nID;
        s.paneStyles[i] = nStyle;
        s.paneWidths[i] = cxWidth;
    }
    ApplyPanes(m_core);
}

void CStatusBar::GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const {
    std::lock_guard<std::mutex> lock(m_core->mu);
    const auto& s = m_core->st;
    if (nIndex < 0 || nIndex >= static_cast<int>(s.panes.size())) {
        nID = nStyle = 0;
        cxWidth = 0;
        return;
    }
    auto i = static_cast<size_t>(nIndex);
    nID = s.paneIds[i];
    nStyle = s.paneStyles[i];
    cxWidth = s.paneWidths[i];
}

BOOL CStatusBar::SetPaneText(int nIndex, const char* lpszNewText, BOOL) {
    {
        std::lock_guard<std::mutex> lock(m_core->mu);
        auto& s = m_core->st;
        if (nIndex < 0 || nIndex >= static_cast<int>(s.panes.size())) return FALSE;
        s.panes[static_cast<size_t>(nIndex)] = lpszNewText ? lpszNewText : "";
    }
    ApplyPanes(m_core);
    return TRUE;
}

std::string CStatusBar::GetPaneText(int nIndex) const {
    std::lock_guard<std::mutex> lock(m_core->mu);
    const auto& s = m_core->st;
    if (nIndex < 0 || nIndex >= static_cast<int>(s.panes.size())) return std::string();
    return s.panes[static_cast<size_t>(nIndex)];
}

int CStatusBar::GetCount() const {
    std::lock_guard<std::mutex> lock(m_core->mu);
    return static_cast<int>(m_core->st.panes.size());
}
