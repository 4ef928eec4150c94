// Control classes. An object is bound to a dialog's control by DDX_Control, or is what GetDlgItem
// returns for the control (a pointer of the control's own class). All members may be called from
// any thread (see afx_wnd.h).
#pragma once

#include <functional>
#include <string>

#include "afx_wnd.h"

// Push buttons, check boxes (automatic, also push-like) and radio buttons (automatic; each opens a
// group of its own, so clicking one never unchecks another).
class CButton : public CWnd {
public:
    void SetCheck(int nCheck);  // raises no notification
    int GetCheck() const;
    HICON SetIcon(HICON hIcon);
    HICON GetIcon() const;
    HBITMAP SetBitmap(HBITMAP hBitmap);
    HBITMAP GetBitmap() const;
    void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE);
    UINT GetButtonStyle() const;
};

class CStatic : public CWnd {};

class CEdit : public CWnd {
public:
    BOOL SetReadOnly(BOOL bReadOnly = TRUE);
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
};

// Simple combo boxes (an edit field, with entries that are not shown) and drop-down lists.
// Selecting an entry from code raises no notification.
class CComboBox : public CWnd {
public:
    int AddString(const char* lpszString);  // returns the entry's index
    int AddString(const std::string& s) { return AddString(s.c_str()); }
    int InsertString(int nIndex, const char* lpszString);
    int DeleteString(UINT nIndex);  // returns the remaining count
    void ResetContent();
    int SetCurSel(int nSelect);  // CB_ERR when out of range (the selection is then cleared)
    int GetCurSel() const;       // CB_ERR when none
    int GetCount() const;
    int GetLBText(int nIndex, std::string& text) const;  // the length, or CB_ERR
    std::string GetLBText(int nIndex) const;
    int GetLBTextLen(int nIndex) const;
    int FindStringExact(int nIndexStart, const char* lpszFind) const;
};

// Tab control. Pages are child dialogs of the tab control, placed and shown by the program; the
// client rectangle is the whole control. Selecting an item from code raises no notification.
class CTabCtrl : public CWnd {
public:
    LONG InsertItem(int nItem, const char* lpszItem);
    LONG InsertItem(int nItem, const std::string& s) { return InsertItem(nItem, s.c_str()); }
    int GetCurSel() const;
    int SetCurSel(int nItem);  // returns the previous selection
    int GetItemCount() const;
    BOOL DeleteAllItems();
};

// List control in report view. Rows are not widgets: they live in a compact store behind a model.
// Between SetRedraw(FALSE) and SetRedraw(TRUE) changes raise no repaint and no model signal.
class CListCtrl : public CWnd {
public:
    DWORD SetExtendedStyle(DWORD dwNewStyle);  // returns the previous extended style
    DWORD GetExtendedStyle() const;
    int InsertColumn(int nCol, const char* lpszColumnHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1,
                     int nSubItem = -1);
    BOOL SetColumnWidth(int nCol, int cx);
    int GetColumnWidth(int nCol) const;
    int InsertItem(int nItem, const char* lpszItem);  // returns the new row's index (-1 on failure)
    int InsertItem(int nItem, const std::string& s) { return InsertItem(nItem, s.c_str()); }
    BOOL SetItemText(int nItem, int nSubItem, const char* lpszText);
    BOOL SetItemText(int nItem, int nSubItem, const std::string& s) {
        return SetItemText(nItem, nSubItem, s.c_str());
    }
    std::string GetItemText(int nItem, int nSubItem) const;
    int GetItemText(int nItem, int nSubItem, std::string& text) const;
    int GetItemCount() const;
    BOOL DeleteItem(int nItem);
    BOOL DeleteAllItems();
    int GetColumnCount() const;

    // Rows made on demand, for lists of millions of rows: the list holds `count` rows, and
    // `text(nItem, nSubItem)` makes a cell's text when the view (or GetItemText) reads it, on the
    // UI thread. Nothing is stored, so filling the list costs nothing per row. Until the next
    // DeleteAllItems the list takes no InsertItem, SetItemText or DeleteItem.
    void SetVirtualItems(int count, std::function<std::string(int nItem, int nSubItem)> text);
};

// Status bar with panes; pane texts come from the string table (SetIndicators).
class CStatusBar : public CWnd {
public:
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                UINT nID = AFX_IDW_STATUS_BAR);
    BOOL SetIndicators(const UINT* lpIDArray, int nIDCount);  // FALSE when a string is missing
    void SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth);
    void GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const;
    BOOL SetPaneText(int nIndex, const char* lpszNewText, BOOL bUpdate = TRUE);
    BOOL SetPaneText(int nIndex, const std::string& s, BOOL bUpdate = TRUE) {
        return SetPaneText(nIndex, s.c_str(), bUpdate);
    }
    std::string GetPaneText(int nIndex) const;
    void GetPaneText(int nIndex, std::string& text) const { text = GetPaneText(nIndex); }
    int GetCount() const;
};
