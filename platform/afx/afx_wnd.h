// Windows and controls by id. Every call may be made from any thread: away from the UI thread a
// change is posted to the UI thread (in order, the call returns at once) and a read comes from a
// copy of the control's state that the framework keeps current.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "afx_msgmap.h"
#include "afx_types.h"

class QWidget;
class CWnd;
class CDataExchange;

namespace afx::detail {
struct WndCore;
struct MenuData;
}  // namespace afx::detail

// A window's menu (the system menu). Items appended here are offered in the window's context menu
// and reach the window as WM_SYSCOMMAND with the item's id.
class CMenu {
public:
    CMenu() = default;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, const char* lpszNewItem = nullptr);
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const std::string& text) {
        return AppendMenu(nFlags, nIDNewItem, text.c_str());
    }
    UINT GetMenuItemCount() const;

    struct Item {
        UINT flags = 0;
        UINT id = 0;
        std::string text;
    };
    std::vector<Item> Items() const;

private:
    friend class CWnd;
    std::shared_ptr<afx::detail::MenuData> m_data;
};

// A font object (CreateFont), set on a control with CWnd::SetFont.
class CFont {
public:
    BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                    BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                    BYTE nQuality, BYTE nPitchAndFamily, const char* lpszFacename);
    BOOL CreatePointFont(int nPointSize, const char* lpszFaceName);
    bool IsCreated() const { return m_created; }

    std::string m_face;
    int m_height = 0;  // logical units: negative = character height, positive = cell height
    int m_weight = 400;
    bool m_italic = false, m_underline = false, m_strikeOut = false;

private:
    bool m_created = false;
};

class CWnd : public CCmdTarget {
public:
    CWnd();
    ~CWnd() override;

    // --- window state -------------------------------------------------------------------------
    HWND GetSafeHwnd() const;
    BOOL IsWindow() const;  // the window exists (created and not destroyed)
    int GetDlgCtrlID() const;
    CWnd* GetParent() const;
    CWnd* GetDlgItem(int nID) const;

    BOOL EnableWindow(BOOL bEnable = TRUE);  // returns TRUE when the window was disabled before
    BOOL IsWindowEnabled() const;
    BOOL ShowWindow(int nCmdShow);  // returns TRUE when the window was visible before
    BOOL IsWindowVisible() const;   // the window and all its parents have the visible style
    BOOL IsIconic() const;

    void SetWindowText(const char* text);
    void SetWindowText(const std::string& text) { SetWindowText(text.c_str()); }
    int GetWindowText(std::string& text) const;
    std::string GetWindowText() const;
    int GetWindowTextLength() const;

    void SetDlgItemText(int nID, const char* text);
    void SetDlgItemText(int nID, const std::string& text) { SetDlgItemText(nID, text.c_str()); }
    int GetDlgItemText(int nID, std::string& text) const;
    std::string GetDlgItemText(int nID) const;
    void CheckDlgButton(int nIDButton, UINT nCheck);
    UINT IsDlgButtonChecked(int nIDButton) const;

    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(const RECT& rect, BOOL bRepaint = TRUE);
    void GetClientRect(LPRECT lpRect) const;
    void GetWindowRect(LPRECT lpRect) const;  // screen coordinates on the UI thread
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    void SetRedraw(BOOL bRedraw = TRUE);
    void Invalidate(BOOL bErase = TRUE);
    void UpdateWindow();
    CWnd* SetFocus();
    void SetFont(CFont* pFont, BOOL bRedraw = TRUE);

    CMenu* GetSystemMenu(BOOL bRevert);  // nullptr for a window without a system menu
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    HICON GetIcon(BOOL bBigIcon) const;

    // --- messages ------------------------------------------------------------------------------
    // Posted to the UI thread and dispatched through the message map there; callable from any thread.
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Dispatched at once on the UI thread; from another thread it is posted and returns 0.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // The window's own box: the given caption ("Error" when none), exactly the given buttons and icon.
    // From another thread the box is shown on the UI thread and IDOK is returned at once.
    int MessageBox(const char* lpszText, const char* lpszCaption = nullptr, UINT nType = MB_OK);
    int MessageBox(const std::string& text, const std::string& caption, UINT nType = MB_OK) {
        return MessageBox(text.c_str(), caption.c_str(), nType);
    }

    // Sees every key-down that goes to this window or its children; TRUE consumes the message.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    // --- data exchange -------------------------------------------------------------------------
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    BOOL DestroyWindow();

    // --- platform side (UI thread only) --------------------------------------------------------
    QWidget* GetWidget() const;  // the Qt widget behind the window; nullptr when none
    // Called when this object has been bound to its window (data exchange or creation).
    virtual void PreSubclassWindow() {}

    // Default processing of the handled messages; a handler calls its base's to get it.
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnClose();
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

    HWND m_hWnd = nullptr;  // set while the window exists (UI thread)

    // Framework internals.
    const std::shared_ptr<afx::detail::WndCore>& Core() const { return m_core; }
    void AttachCore(std::shared_ptr<afx::detail::WndCore> core);
    // Dispatches a message through the map (and the default processing); UI thread. Exceptions
    // thrown by handlers are reported in an error box and do not leave this function.
    LRESULT AfxDispatch(UINT message, UINT code, UINT id, AfxMsgArgs& args, bool* handled = nullptr);

protected:
    // The default action for a message that the map does not handle.
    virtual LRESULT DefaultMessage(UINT message, UINT code, UINT id, AfxMsgArgs& args);

    std::shared_ptr<afx::detail::WndCore> m_core;

private:
    std::unique_ptr<CMenu> m_sysMenu;
};

// Data exchange between a dialog's controls and its members.
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;  // TRUE: controls -> members
    CWnd* m_pDlgWnd;
};

// Binds the member object to the template's control with this id (once).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);

int GetSystemMetrics(int nIndex);
