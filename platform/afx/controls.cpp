// Control classes: buttons, edits, combo boxes, tab control, list control.
#include <QAbstractButton>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>

#include "afx_controls.h"
#include "list_model.h"
#include "widgets.h"

using afx::IsUiThread;
using namespace afx::detail;

// --- CButton ---------------------------------------------------------------------------------------

void CButton::SetCheck(int nCheck) {
    auto c = m_core;
    if (IsUiThread()) {
        {
            std::lock_guard<std::mutex> lock(c->mu);
            c->st.check = nCheck;
        }
        ApplyCheck(*c, nCheck);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(c->mu);
        c->st.check = nCheck;
        ++c->pendingCheck;
    }
    afx::PostToUi([c, nCheck] {
        {
            std::lock_guard<std::mutex> lock(c->mu);
            if (--c->pendingCheck == 0) c->st.check = nCheck;
        }
        ApplyCheck(*c, nCheck);
    });
}

int CButton::GetCheck() const {
    if (IsUiThread()) {
        if (auto* b = qobject_cast<QAbstractButton*>(m_core->widget.data()))
            return b->isCheckable() && b->isChecked() ? BST_CHECKED : BST_UNCHECKED;
    }
    std::lock_guard<std::mutex> lock(m_core->mu);
    return m_core->st.check;
}

HICON CButton::SetIcon(HICON hIcon) {
    auto c = m_core;
    HICON old;
    {
        std::lock_guard<std::mutex> lock(c->mu);
        old = c->st.icon;
        c->st.icon = hIcon;
    }
    RunOnUi([c] { ApplyButtonImage(*c); });
    return old;
}

HICON CButton::GetIcon() const {
    std::lock_guard<std::mutex> lock(m_core->mu);
    return m_core->st.icon;
}

HBITMAP CButton::SetBitmap(HBITMAP hBitmap) {
    auto c = m_core;
    HBITMAP old;
    {
        std::lock_guard<std::mutex> lock(c->mu);
        old = c->st.bitmap;
        c->st.bitmap = hBitmap;
    }
    RunOnUi([c] { ApplyButtonImage(*c); });
    return old;
}

HBITMAP CButton::GetBitmap() const {
    std::lock_guard<std::mutex> lock(m_core->mu);
    return m_core->st.bitmap;
}

void CButton::SetButtonStyle(UINT nStyle, BOOL) {
    auto c = m_core;
    {
        std::lock_guard<std::mutex> lock(c->mu);
        c->st.buttonStyle = nStyle;
    }
    RunOnUi([c] { ApplyButtonImage(*c); });
}

UINT CButton::GetButtonStyle() const {
    std::lock_guard<std::mutex> lock(m_core->mu);
    return m_core->st.buttonStyle;
}

// --- CEdit -----------------------------------------------------------------------------------------

BOOL CEdit::SetReadOnly(BOOL bReadOnly) {
    auto c = m_core;
    bool on = bReadOnly != 0;
    RunOnUi([c, on] {
        if (auto* le = qobject_cast<QLineEdit*>(c->widget.data())) le->setReadOnly(on);
        if (auto* me = qobject_cast<QPlainTextEdit*>(c->widget.data())) me->setReadOnly(on);
    });
    return TRUE;
}

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL) {
    auto c = m_core;
    RunOnUi([c, nStartChar, nEndChar] {
        if (auto* le = qobject_cast<QLineEdit*>(c->widget.data())) {
            if (nStartChar == 0 && nEndChar == -1)
                le->selectAll();
            else if (nStartChar < 0)
                le->deselect();
            else
                le->setSelection(nStartChar, std::max(0, nEndChar - nStartChar));
        }
    });
}

// --- CComboBox -------------------------------------------------------------------------------------

namespace {

// Runs a change of a combo box's list or selection: the state copy at once, the widget on the UI
// thread; once no posted change is left, the copy is taken from the widget again.
template <class StateFn, class WidgetFn>
void ComboChange(const std::shared_ptr<WndCore>& c, StateFn onState, WidgetFn onWidget) {
    bool ui = IsUiThread();
    {
        std::lock_guard<std::mutex> lock(c->mu);
        onState(c->st);
        if (!ui) ++c->pendingSel;
    }
    auto apply = [c, onWidget, ui] {
        auto* cb = qobject_cast<QComboBox*>(c->widget.data());
        if (cb) {
            QSignalBlocker block(cb);
            onWidget(cb);
        }
        if (!ui) {
            std::lock_guard<std::mutex> lock(c->mu);
            if (--c->pendingSel == 0 && cb) {
                c->st.items.clear();
                for (int i = 0; i < cb->count(); ++i) c->st.items.push_back(FromQt(cb->itemText(i)));
                c->st.curSel = cb->currentIndex();
            }
        }
    };
    if (ui)
        apply();
    else
        afx::PostToUi(apply);
}

}  // namespace

int CComboBox::AddString(const char* lpszString) {
    return InsertString(-1, lpszString);
}

int CComboBox::InsertString(int nIndex, const char* lpszString) {
    std::string s = lpszString ? lpszString : "";
    int at = -1;
    ComboChange(
        m_core,
        [&](WndState& st) {
            int n = static_cast<int>(st.items.size());
            at = (nIndex < 0 || nIndex > n) ? n : nIndex;
            st.items.insert(st.items.begin() + at, s);
            if (st.curSel >= at) ++st.curSel;
        },
        [s, nIndex](QComboBox* cb) {
            int prev = cb->currentIndex();
            int n = cb->count();
            int pos = (nIndex < 0 || nIndex > n) ? n : nIndex;
            cb->insertItem(pos, ToQt(s));
            if (prev < 0) cb->setCurrentIndex(-1);  // adding an entry selects nothing
        });
    return at;
}

int CComboBox::DeleteString(UINT nIndex) {
    int remaining = CB_ERR;
    ComboChange(
        m_core,
        [&](WndState& st) {
            if (nIndex >= st.items.size()) return;
            st.items.erase(st.items.begin() + nIndex);
            if (st.curSel == static_cast<int>(nIndex))
                st.curSel = -1;
            else if (st.curSel > static_cast<int>(nIndex))
                --st.curSel;
            remaining = static_cast<int>(st.items.size());
        },
        [nIndex](QComboBox* cb) {
            if (static_cast<int>(nIndex) >= cb->count()) return;
            bool wasSel = cb->currentIndex() == static_cast<int>(nIndex);
            cb->removeItem(static_cast<int>(nIndex));
            if (wasSel) cb->setCurrentIndex(-1);
        });
    return remaining;
}

void CComboBox::ResetContent() {
    ComboChange(
        m_core,
        [](WndState& st) {
            st.items.clear();
            st.curSel = -1;
        },
        [](QComboBox* cb) { cb->clear(); });
}

int CComboBox::SetCurSel(int nSelect) {
    bool valid = false;
    ComboChange(
        m_core,
        [&](WndState& st) {
            valid = nSelect >= 0 && nSelect < static_cast<int>(st.items.size());
            st.curSel = valid ? nSelect : -1;
        },
        [nSelect](QComboBox* cb) {
            cb->setCurrentIndex(nSelect >= 0 && nSelect < cb->count() ? nSelect : -1);
        });
    return valid ? nSelect : CB_ERR;
}

int CComboBox::GetCurSel() const {
    if (IsUiThread())
        if (auto* cb = qobject_cast<QComboBox*>(m_core->widget.data())) return cb->currentIndex();
    std::lock_guard<std::mutex> lock(m_core->mu);
    return m_core->st.curSel;
}

int CComboBox::GetCount() const {
    if (IsUiThread())
        if (auto* cb = qobject_cast<QComboBox*>(m_core->widget.data())) return cb->count();
    std::lock_guard<std::mutex> lock(m_core->mu);
    return static_cast<int>(m_core->st.items.size());
}

int CComboBox::GetLBText(int nIndex, std::string& text) const {
    if (IsUiThread()) {
        if (auto* cb = qobject_cast<QComboBox*>(m_core->widget.data())) {
            if (nIndex < 0 || nIndex >= cb->count()) return CB_ERR;
            text = FromQt(cb->itemText(nIndex));
            return static_cast<int>(text.size());
        }
    }
    std::lock_guard<std::mutex> lock(m_core->mu);
    if (nIndex < 0 || nIndex >= static_cast<int>(m_core->st.items.size())) return CB_ERR;
    text = m_core->st.items[static_cast<size_t>(nIndex)];
    return static_cast<int>(text.size());
}

std::string CComboBox::GetLBText(int nIndex) const {
    std::string s;
    GetLBText(nIndex, s);
    return s;
}

int CComboBox::GetLBTextLen(int nIndex) const {
    std::string s;
    return GetLBText(nIndex, s);
}

int CComboBox::FindStringExact(int nIndexStart, const char* lpszFind) const {
    std::string want = lpszFind ? lpszFind : "";
    int n = GetCount();
    for (int k = 1; k <= n; ++k) {
        int i = (nIndexStart + k) % std::max(1, n);
        if (i < 0) i += n;
        std::string s;
        if (GetLBText(i, s) != CB_ERR && s.size() == want.size() &&
            std::equal(s.begin(), s.end(), want.begin(), [](char a, char b) {
                // ASCII letters only, whatever the user's locale.
                auto lower = [](char c) {
                    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
                };
                return lower(a) == lower(b);
            }))
            return i;
    }
    return CB_ERR;
}

// --- CTabCtrl --------------------------------------------------------------------------------------

namespace {

QTabBar* BarOf(const std::shared_ptr<WndCore>& c) {
    auto* t = dynamic_cast<TabWidget*>(c->widget.data());
    return t ? t->Bar() : nullptr;
}

}  // namespace

LONG CTabCtrl::InsertItem(int nItem, const char* lpszItem) {
    auto c = m_core;
    std::string s = lpszItem ? lpszItem : "";
    int at;
    bool ui = IsUiThread();
    {
        std::lock_guard<std::mutex> lock(c->mu);
        int n = static_cast<int>(c->st.items.size());
        at = (nItem < 0 || nItem > n) ? n : nItem;
        c->st.items.insert(c->st.items.begin() + at, s);
        if (c->st.curSel < 0)
            c->st.curSel = 0;  // the first item is selected
        else if (c->st.curSel >= at && n > 0)
            ++c->st.curSel;
        if (!ui) ++c->pendingSel;
    }
    auto apply = [c, at, s, ui] {
        QTabBar* bar = BarOf(c);
        if (bar) {
            QSignalBlocker block(bar);
            bar->insertTab(at, ToQt(s));
        }
        if (!ui) {
            std::lock_guard<std::mutex> lock(c->mu);
            if (--c->pendingSel == 0 && bar) c->st.curSel = bar->currentIndex();
        }
    };
    if (ui)
        apply();
    else
        afx::PostToUi(apply);
    return at;
}

int CTabCtrl::GetCurSel() const {
    if (IsUiThread())
        if (QTabBar* bar = BarOf(m_core)) return bar->currentIndex();
    std::lock_guard<std::mutex> lock(m_core->mu);
    return m_core->st.curSel;
}

int CTabCtrl::SetCurSel(int nItem) {
    auto c = m_core;
    int prev;
    bool ui = IsUiThread();
    {
        std::lock_guard<std::mutex> lock(c->mu);
        prev = c->st.curSel;
        if (nItem < 0 || nItem >= static_cast<int>(c->st.items.size())) return -1;
        c->st.curSel = nItem;
        if (!ui) ++c->pendingSel;
    }
    if (ui) {
        if (QTabBar* bar = BarOf(c)) prev = bar->currentIndex();
    }
    auto apply = [c, nItem, ui] {
        QTabBar* bar = BarOf(c);
        if (bar) {
            QSignalBlocker block(bar);
            bar->setCurrentIndex(nItem);
        }
        if (!ui) {
            std::lock_guard<std::mutex> lock(c->mu);
            if (--c->pendingSel == 0 && bar) c->st.curSel = bar->currentIndex();
        }
    };
    if (ui)
        apply();
    else
        afx::PostToUi(apply);
    return prev;
}

int CTabCtrl::GetItemCount() const {
    std::lock_guard<std::mutex> lock(m_core->mu);
    return static_cast<int>(m_core->st.items.size());
}

BOOL CTabCtrl::DeleteAllItems() {
    auto c = m_core;
    {
        std::lock_guard<std::mutex> lock(c->mu);
        c->st.items.clear();
        c->st.curSel = -1;
    }
    RunOnUi([c] {
        if (QTabBar* bar = BarOf(c)) {
            QSignalBlocker block(bar);
            while (bar->count()) bar->removeTab(0);
        }
    });
    return TRUE;
}

// --- CListCtrl -------------------------------------------------------------------------------------

DWORD CListCtrl::SetExtendedStyle(DWORD dwNewStyle) {
    auto c = m_core;
    DWORD old;
    {
        std::lock_guard<std::mutex> lock(c->mu);
        old = c->st.exStyle;
        c->st.exStyle = dwNewStyle;
    }
    RunOnUi([c, dwNewStyle] {
        if (auto* v = qobject_cast<QTableView*>(c->widget.data())) {
            v->setShowGrid((dwNewStyle & LVS_EX_GRIDLINES) != 0);
            v->setSelectionBehavior((dwNewStyle & LVS_EX_FULLROWSELECT) ? QAbstractItemView::SelectRows
                                                                        : QAbstractItemView::SelectItems);
        }
    });
    return old;
}

DWORD CListCtrl::GetExtendedStyle() const {
    return GetExStyle();
}

int CListCtrl::InsertColumn(int nCol, const char* lpszColumnHeading, int nFormat, int nWidth, int) {
    auto c = m_core;
    std::string title = lpszColumnHeading ? lpszColumnHeading : "";
    int at;
    {
        std::lock_guard<std::mutex> lock(c->mu);
        int n = static_cast<int>(c->st.paneWidths.size());  // column widths
        at = (nCol < 0 || nCol > n) ? n : nCol;
        c->st.paneWidths.insert(c->st.paneWidths.begin() + at, nWidth < 0 ? 100 : nWidth);
    }
    RunOnUi([c, at, title, nFormat, nWidth] {
        if (!c->model) return;
        c->model->InsertColumn(at, ListModel::Column{ToQt(title), nFormat, nWidth});
        if (auto* v = qobject_cast<QTableView*>(c->widget.data())) {
            if (nWidth >= 0) v->horizontalHeader()->resizeSection(at, nWidth);
            v->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        }
    });
    return at;
}

BOOL CListCtrl::SetColumnWidth(int nCol, int cx) {
    auto c = m_core;
    {
        std::lock_guard<std::mutex> lock(c->mu);
        if (nCol < 0 || nCol >= static_cast<int>(c->st.paneWidths.size())) return FALSE;
        c->st.paneWidths[static_cast<size_t>(nCol)] = cx;
    }
    RunOnUi([c, nCol, cx] {
        if (auto* v = qobject_cast<QTableView*>(c->widget.data()))
            v->horizontalHeader()->resizeSection(nCol, cx);
    });
    return TRUE;
}

int CListCtrl::GetColumnWidth(int nCol) const {
    std::lock_guard<std::mutex> lock(m_core->mu);
    if (nCol < 0 || nCol >= static_cast<int>(m_core->st.paneWidths.size())) return 0;
    return m_core->st.paneWidths[static_cast<size_t>(nCol)];
}

int CListCtrl::GetColumnCount() const {
    std::lock_guard<std::mutex> lock(m_core->mu);
    return static_cast<int>(m_core->st.paneWidths.size());
}

int CListCtrl::InsertItem(int nItem, const char* lpszItem) {
    if (!m_core->list) return -1;
    int row = m_core->list->Insert(nItem, lpszItem ? lpszItem : "");
    if (row >= 0) ScheduleListPublish(m_core);
    return row;
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, const char* lpszText) {
    if (!m_core->list) return FALSE;
    if (!m_core->list->SetText(nItem, nSubItem, lpszText ? lpszText : "")) return FALSE;
    ScheduleListPublish(m_core);
    return TRUE;
}

std::string CListCtrl::GetItemText(int nItem, int nSubItem) const {
    return m_core->list ? m_core->list->Text(nItem, nSubItem) : std::string();
}

int CListCtrl::GetItemText(int nItem, int nSubItem, std::string& text) const {
    text = GetItemText(nItem, nSubItem);
    return static_cast<int>(text.size());
}

int CListCtrl::GetItemCount() const {
    return m_core->list ? m_core->list->Count() : 0;
}

BOOL CListCtrl::DeleteItem(int nItem) {
    if (!m_core->list || !m_core->list->Erase(nItem)) return FALSE;
    ScheduleListPublish(m_core);
    return TRUE;
}

BOOL CListCtrl::DeleteAllItems() {
    if (!m_core->list) return FALSE;
    m_core->list->Clear();
    ScheduleListPublish(m_core);
    return TRUE;
}

void CListCtrl::SetVirtualItems(int count, std::function<std::string(int nItem, int nSubItem)> text) {
    if (!m_core->list) return;
    m_core->list->SetVirtual(count, std::move(text));
    ScheduleListPublish(m_core);
}
