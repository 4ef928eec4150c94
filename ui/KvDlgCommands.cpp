// The main dialog's own commands: the About box, the minimised icon, the ways out, Help, the
// setup tab, and the members that nothing reaches.
#include "AboutDlg.h"
#include "AboutMenu.h"
#include "KvDlg.h"
#include "win32_shell.h"
#include "win32_thread.h"

namespace {

constexpr const char* kCaption = "System Message";
constexpr const char* kUploadWarningCaption = "系统消息";
constexpr const char* kUploadWarningText = "数据正在上传中，请不要强行退出系统！这会造成数据丢失！";
// The byte 0xA1 stands between the two sentences, as the program has always shown it.
constexpr const char* kCloseUploadWarningText = "Data uploading!don't exit\xA1Please wait a moment.";

// The Exit command's question, and its upload warning while an upload runs; true to go on.
bool ConfirmExit(CKvDlg& dlg) {
    if (dlg.MessageBox("Do you want to exit?", kCaption, MB_OKCANCEL | MB_ICONQUESTION) == IDCANCEL)
        return false;
    return !(dlg.m_bUploading.load() && dlg.MessageBox(kUploadWarningText, kUploadWarningCaption,
                                                       MB_OKCANCEL | MB_ICONINFORMATION) == IDCANCEL);
}

}  // namespace

void CKvDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CKvDlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
        const int cxIcon = GetSystemMetrics(SM_CXICON);
        const int cyIcon = GetSystemMetrics(SM_CYICON);
        CRect rect;
        GetClientRect(&rect);
        const int x = (rect.Width() - cxIcon + 1) / 2;
        const int y = (rect.Height() - cyIcon + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
    } else {
        CDialog::OnPaint();
    }
}

HCURSOR CKvDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

// The Exit command, reached with the Escape key: the modal loop ends through the quit message.
void CKvDlg::OnBnClickedExit() {
    if (!ConfirmExit(*this)) return;
    if (m_comm.GetPortOpen() == TRUE) m_comm.SetPortOpen(FALSE);
    PostQuitMessage(0);
    ShutDownLink();
}

// The close box, the system menu's Close and Alt+F4: the dialog ends with IDCANCEL.
void CKvDlg::OnClose() {
    if (MessageBox("Do you want to exit? ", kCaption, MB_OKCANCEL | MB_ICONQUESTION) == IDCANCEL) return;
    if (m_bUploading.load() &&
        MessageBox(kCloseUploadWarningText, kCaption, MB_OKCANCEL | MB_ICONQUESTION) == IDCANCEL) {
        return;
    }
    if (m_comm.GetPortOpen() == TRUE) m_comm.SetPortOpen(FALSE);
    ShutDownLink();
    CDialog::OnClose();
}

// Enter, while no push button has the focus: a person types a name or a value and presses Return
// out of habit, so it asks as the Exit command does before the dialog ends with IDOK. Ending at
// once would throw away a test that runs or was not yet exported.
void CKvDlg::OnOK() {
    if (!ConfirmExit(*this)) return;
    ShutDownLink();
    CDialog::OnOK();
}

BOOL CKvDlg::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE) {
        OnBnClickedExit();
        return TRUE;
    }
    return CDialog::PreTranslateMessage(pMsg);
}

void CKvDlg::OnBnClickedHelp() {
    if (MessageBox("Do you want to open the help document", kCaption, MB_YESNO) == IDYES) {
        ShellExecuteA(nullptr, "open", ".\\user.doc", nullptr, nullptr, SW_SHOWNORMAL);
    }
}

void CKvDlg::OnTcnSelchangeSetupTab(NMHDR*, LRESULT* pResult) {
    switch (m_tabSetup.GetCurSel()) {
        case 0:
            m_page1.ShowWindow(SW_SHOWNORMAL);
            m_page2.ShowWindow(SW_HIDE);
            break;
        case 1:
            m_page1.ShowWindow(SW_HIDE);
            m_page2.ShowWindow(SW_SHOWNORMAL);
            break;
        default:
            break;
    }
    if (pResult) *pResult = 0;
}

void CKvDlg::OnDtnCloseupLegacyDate(NMHDR*, LRESULT* pResult) {
    if (pResult) *pResult = 0;
}

void CKvDlg::OnTcnSelchangeLegacyTab(NMHDR*, LRESULT* pResult) {
    if (pResult) *pResult = 0;
}

void CKvDlg::SetGraphLabelFromText() {
    m_graph.SetCaption("   ");
    const std::string label = "" + m_cbLabelText.GetWindowText();
    m_graph.SetYLabel(label.c_str());
}

void CKvDlg::OnLabelTextChanged(std::string) {}
void CKvDlg::OnRangeChanged(DWORD, DWORD, DWORD, DWORD) {}
void CKvDlg::OnQueryListsShown() {}
void CKvDlg::OnQueryListsHidden() {}
