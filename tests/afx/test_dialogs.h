// Small templates and dialog classes shared by the framework's tests.
#pragma once

#include <string>
#include <vector>

#include "afx.h"
#include "afx_testing.h"

namespace afxtest {

constexpr UINT kMainTpl = 9001;
constexpr UINT kPageTpl = 9002;
constexpr UINT kAboutTpl = 9003;

enum : int {
    kEdit = 100,
    kEditMulti = 101,
    kButton = 102,
    kCheck = 103,
    kRadioA = 104,
    kRadioB = 105,
    kCombo = 106,
    kSimpleCombo = 107,
    kTab = 108,
    kList = 109,
    kHiddenBtn = 110,
    kDisabledBtn = 111,
    kGroupBox = 112,
    kNotifyStatic = 113,
    kCustom = 114,
    kUnknownCustom = 115,
    kPageEdit = 200,
    kPageCheck = 201,
};

inline void RegisterTestTemplates() {
    using namespace afx;
    DialogTemplate t;
    t.id = kMainTpl;
    t.cx = 300;
    t.cy = 200;
    t.style = kDsPopup | kDsCaption | kDsSysMenu | kDsModalFrame;
    t.caption = "Test dialog";
    t.fontFace = "Microsoft Sans Serif";
    t.pointSize = 8;
    auto add = [&](int id, ItemKind k, const char* cap, int x, int y, int w, int h, unsigned f = kTabStop,
                   std::vector<std::string> items = {}, std::string cls = {}) {
        DialogItem it;
        it.id = id;
        it.kind = k;
        it.caption = cap;
        it.x = x, it.y = y, it.cx = w, it.cy = h;
        it.flags = f;
        it.initialItems = std::move(items);
        it.classId = std::move(cls);
        t.items.push_back(it);
    };
    add(kEdit, ItemKind::Edit, "", 10, 10, 50, 12, kTabStop | kBorder | kCentre);
    add(kEditMulti, ItemKind::Edit, "", 70, 10, 80, 30, kTabStop | kBorder | kMultiLine);
    add(kButton, ItemKind::PushButton, "Press me", 10, 30, 50, 14, kTabStop);
    add(kCheck, ItemKind::CheckBox, "Check", 10, 50, 50, 10, kTabStop);
    add(kRadioA, ItemKind::RadioButton, "A", 10, 62, 30, 10, kTabStop | kGroup);
    add(kRadioB, ItemKind::RadioButton, "B", 45, 62, 30, 10, kTabStop | kGroup);
    add(kCombo, ItemKind::ComboDropList, "", 10, 76, 40, 60, kTabStop, {"N", "kN", "kgf"});
    add(kSimpleCombo, ItemKind::ComboSimple, "", 60, 76, 40, 12, kTabStop);
    add(kHiddenBtn, ItemKind::PushButton, "Hidden", 160, 10, 40, 14, kTabStop | kHidden | kDisabled);
    add(kDisabledBtn, ItemKind::PushButton, "Disabled", 160, 30, 40, 14, kTabStop | kDisabled);
    add(kGroupBox, ItemKind::GroupBox, "Select", 5, 45, 100, 30, kNone);
    add(kNotifyStatic, ItemKind::Static, "&Label", 160, 50, 40, 10, kNotify);
    add(kTab, ItemKind::TabControl, "", 110, 90, 180, 100, kTabStop);
    add(kList, ItemKind::ListView, "", 10, 95, 95, 95, kTabStop | kBorder);
    add(kCustom, ItemKind::CustomControl, "", 210, 10, 40, 20, kTabStop, {}, "{TEST-CLASS}");
    add(kUnknownCustom, ItemKind::CustomControl, "", 210, 40, 40, 20, kNone, {}, "{NO-SUCH-CLASS}");
    RegisterTemplate(t);

    DialogTemplate p;
    p.id = kPageTpl;
    p.cx = 170;
    p.cy = 70;
    p.style = kDsChild;
    p.fontFace = "Microsoft Sans Serif";
    t = p;
    add(kPageEdit, ItemKind::Edit, "", 10, 10, 40, 12, kTabStop | kBorder);
    add(kPageCheck, ItemKind::CheckBox, "Page check", 10, 30, 60, 10, kTabStop);
    RegisterTemplate(t);

    DialogTemplate a;
    a.id = kAboutTpl;
    a.language = 2052;
    a.cx = 235;
    a.cy = 55;
    a.style = kDsPopup | kDsCaption | kDsSysMenu | kDsModalFrame;
    a.caption = "About";
    a.fontFace = "宋体";
    a.pointSize = 9;
    DialogItem s;
    s.kind = ItemKind::Static;
    s.caption = "About text";
    s.x = 67, s.y = 20, s.cx = 81, s.cy = 10;
    a.items.push_back(s);
    RegisterTemplate(a);
}

// Records every notification it receives, in order.
class RecordingPage : public CDialog {
public:
    RecordingPage() : CDialog(kPageTpl) {}
    std::vector<std::string> log;
    int clicksOnBackground = 0;

protected:
    afx_msg void OnPageEditChange() { log.push_back("page EN_CHANGE " + GetDlgItemText(kPageEdit)); }
    afx_msg void OnLButtonDown(UINT, CPoint) { ++clicksOnBackground; }
    DECLARE_MESSAGE_MAP()
};

class RecordingDialog : public CDialog {
public:
    RecordingDialog() : CDialog(kMainTpl) {}
    std::vector<std::string> log;
    CEdit m_edit;
    CComboBox m_combo;
    CTabCtrl m_tab;
    CListCtrl m_list;
    CButton m_check;
    std::string m_text = "initial";
    RecordingPage m_page;
    bool escapeConsumes = false;
    int escapesSeen = 0;
    bool closeAllowed = true;
    bool throwOnClick = false;
    int keyDowns = 0;
    bool withPage = false;

    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, kEdit, m_edit);
        DDX_Control(pDX, kCombo, m_combo);
        DDX_Control(pDX, kTab, m_tab);
        DDX_Control(pDX, kList, m_list);
        DDX_Control(pDX, kCheck, m_check);
        DDX_Text(pDX, kEditMulti, m_text);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        log.push_back("init");
        if (withPage) {
            m_tab.InsertItem(0, "  One  ");
            m_tab.InsertItem(1, "  Two  ");
            m_page.Create(kPageTpl, &m_tab);
            CRect r;
            m_tab.GetClientRect(&r);
            r.top += 20;
            m_page.MoveWindow(r);
            m_page.ShowWindow(SW_SHOW);
        }
        return TRUE;
    }
    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (pMsg->message == WM_KEYDOWN) ++keyDowns;
        if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE) {
            ++escapesSeen;
            if (escapeConsumes) return TRUE;
        }
        return CDialog::PreTranslateMessage(pMsg);
    }

protected:
    afx_msg void OnEditUpdate() { log.push_back("EN_UPDATE " + GetDlgItemText(kEdit)); }
    afx_msg void OnEditChange() {
        std::string t = GetDlgItemText(kEdit);
        log.push_back("EN_CHANGE " + t);
        // A numeric field: a bad character resets the whole field (nested notification).
        for (char ch : t)
            if ((ch < '.' || ch > '9' || ch == '/')) {
                SetDlgItemText(kEdit, "10");
                break;
            }
    }
    afx_msg void OnButton() {
        log.push_back("BN_CLICKED button");
        if (throwOnClick) throw std::runtime_error("button failed");
    }
    afx_msg void OnCheck() { log.push_back("BN_CLICKED check " + std::to_string(m_check.GetCheck())); }
    afx_msg void OnRadioA() { log.push_back("BN_CLICKED A"); }
    afx_msg void OnComboSel() { log.push_back("CBN_SELCHANGE " + m_combo.GetWindowText()); }
    afx_msg void OnComboDrop() { log.push_back("CBN_DROPDOWN"); }
    afx_msg void OnSimpleEdit() { log.push_back("CBN_EDITCHANGE " + GetDlgItemText(kSimpleCombo)); }
    afx_msg void OnStaticClicked() { log.push_back("STN_CLICKED"); }
    afx_msg void OnTabChange(NMHDR* hdr, LRESULT* result) {
        log.push_back("TCN_SELCHANGE " + std::to_string(m_tab.GetCurSel()) + " from " +
                      std::to_string(hdr->idFrom));
        *result = 0;
    }
    afx_msg LRESULT OnPrivate(WPARAM wp, LPARAM lp) {
        log.push_back("WM_USER+5 " + std::to_string(wp) + " " + std::to_string(lp));
        return 1;
    }
    afx_msg void OnClose() {
        log.push_back("WM_CLOSE");
        if (closeAllowed) CDialog::OnClose();
    }
    afx_msg void OnSysCommand(UINT id, LPARAM lp) {
        log.push_back("WM_SYSCOMMAND " + std::to_string(id));
        CDialog::OnSysCommand(id, lp);
    }
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
        HBRUSH hbr = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
        if (pWnd->GetDlgCtrlID() == kGroupBox) {
            pDC->SetTextColor(RGB(255, 0, 0));
            pDC->SetBkMode(TRANSPARENT);
        }
        return hbr;
    }
    DECLARE_MESSAGE_MAP()
};

}  // namespace afxtest
