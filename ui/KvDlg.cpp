// The main dialog: construction, data exchange, the message map and the window's set-up.
#include "KvDlg.h"

#include <cstring>

#include "AboutMenu.h"
#include "AcquisitionSettings.h"
#include "ExportText.h"
#include "ResultSummary.h"
#include "RunState.h"
#include "TestConditions.h"
#include "afx_window_look.h"
#include "resources.h"
#include "win32_thread.h"

namespace acquisition_page = orva::resources::acquisition_page;
namespace main_dialog = orva::resources::main_dialog;
using orva::resources::kIdiApplication;
using orva::resources::kIdiNotConnected;

namespace {

// Pane texts at start-up; each pane is as wide as its text.
constexpr const char* kInitialPanes[4] = {" Not Connected  ", " Ready  ", "ORVA-FG V4.9.01", "00:00"};

}  // namespace

CKvDlg::CKvDlg(CWnd* pParent) : CDialog(IDD, pParent) {
    m_strMessage = "";
    m_strSendText = "";
    m_strEdit1181 = "";
    CWinApp* app = AfxGetApp();
    m_hIcon = app ? app->LoadIcon(kIdiApplication) : LoadIconResource(kIdiApplication);
}

// The timers and the acquisition thread hold a pointer to this object and the port calls back
// into it: all of them end before any member goes.
CKvDlg::~CKvDlg() {
    ShutDownLink();
}

void CKvDlg::ShutDownLink() {
    StopPollTimer();
    StopTickTimer();
    g_bRecording = 0;
    g_bArmed = 0;
    if (HANDLE thread = m_hAcqThread.load()) TerminateThread(thread, m_dwAcqThreadId.load());
    m_port.Close();
    // A wrap-up or time-out still queued for this dialog finds no test to end.
    m_nActiveRun = 0;
    m_nStartToggle = 0;
    m_bUploading = 0;
}

void CKvDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, main_dialog::kConnect, m_btnConnect);
    DDX_Control(pDX, main_dialog::kResultsList, m_listResults);
    DDX_Control(pDX, main_dialog::kPortList, m_cbPort);
    DDX_Control(pDX, main_dialog::kSetupTab, m_tabSetup);
    DDX_Control(pDX, main_dialog::kComm, m_comm);
    DDX_Control(pDX, main_dialog::kGraph, m_graph);
    DDX_Text(pDX, main_dialog::kReportText, m_strMessage);
    DDX_Text(pDX, main_dialog::kSendText, m_strSendText);
    DDX_Text(pDX, main_dialog::kEdit1181, m_strEdit1181);
}

BEGIN_MESSAGE_MAP(CKvDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(main_dialog::kExit, &CKvDlg::OnBnClickedExit)
ON_BN_CLICKED(main_dialog::kHelp, &CKvDlg::OnBnClickedHelp)
ON_WM_CLOSE()
ON_BN_CLICKED(main_dialog::kStartAcquisition, &CKvDlg::OnBnClickedStartAcquisition)
ON_MESSAGE(WM_STATUS_UPDATE, &CKvDlg::OnStatusUpdate)
ON_NOTIFY(DTN_CLOSEUP, main_dialog::kLegacyDate, &CKvDlg::OnDtnCloseupLegacyDate)
ON_NOTIFY(TCN_SELCHANGE, main_dialog::kLegacyTab, &CKvDlg::OnTcnSelchangeLegacyTab)
ON_CBN_SELCHANGE(main_dialog::kPortList, &CKvDlg::OnCbnSelchangePort)
ON_BN_CLICKED(main_dialog::kExportData, &CKvDlg::OnBnClickedExportData)
ON_BN_CLICKED(main_dialog::kExportImage, &CKvDlg::OnBnClickedExportImage)
ON_NOTIFY(TCN_SELCHANGE, main_dialog::kSetupTab, &CKvDlg::OnTcnSelchangeSetupTab)
ON_BN_CLICKED(main_dialog::kConnect, &CKvDlg::OnBnClickedConnect)
ON_CBN_DROPDOWN(main_dialog::kPortList, &CKvDlg::OnCbnDropdownPort)
END_MESSAGE_MAP()

BOOL CKvDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    AppendAboutItem(*this);
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    SetWindowText("ORVA-FG V4.9.01");

    // The state of the dialog and of the shared records.
    std::memset(m_recordRing, 0, sizeof m_recordRing);
    m_nRecordRead = 0;
    m_nRecordWrite = 0;
    m_nRecordModulus = 1023;
    m_nRxRead = 0;
    m_nRxWrite = 0;
    m_nLineStart = 0;
    m_bRxOverflow = 0;
    m_bUploading = 0;
    m_bUploadDone = 0;
    m_bRunning = 0;
    m_nStartToggle = 0;
    m_bGraphReset = 0;
    m_bHeaderPending = 0;
    m_nArmedTicks = 0;
    m_nSeconds = 0;
    m_nMinutes = 0;
    m_nTickInSecond = 0;
    m_nDelayTicks = 0;
    m_fLoadSum = 0.0f;
    g_bStartByDelay = 1;
    g_dStartDelay = 0.0;
    g_dStopTime = 0.0;
    g_fAverage = 0.0f;
    g_fPeak = 0.0f;
    m_strResult.clear();
    g_strExportText.clear();
    m_strMessage.clear();
    g_bRealTimeMode = 1;

    // The setup tab and its two pages.
    m_tabSetup.InsertItem(0, "  Acquistition  ");
    m_tabSetup.InsertItem(1, "  Test Setup  ");
    m_page1.Create(Cpage1::IDD, &m_tabSetup);
    m_page2.Create(Cpage2::IDD, &m_tabSetup);
    RECT rc{};
    m_tabSetup.GetClientRect(&rc);
    rc.top += 20;
    rc.bottom -= 20;
    rc.left += 1;
    rc.right -= 2;
    afx::KeepCaptionsOnOneLine(m_page1);
    afx::KeepCaptionsOnOneLine(m_page2);
    afx::UseTemplateLook(*this);
    m_page1.MoveWindow(rc, TRUE);
    m_page2.MoveWindow(rc, TRUE);
    m_page1.ShowWindow(SW_SHOWNORMAL);
    m_page2.ShowWindow(SW_HIDE);
    m_tabSetup.SetCurSel(0);

    m_page2.m_rbStartLoad.SetCheck(0);
    m_page2.m_rbStartTime.SetCheck(1);
    m_page2.m_rbStopLoad.SetCheck(0);
    m_page2.m_rbStopTime.SetCheck(1);
    m_page2.m_edBreakPercent.SetWindowText("80");

    // The status bar, placed along the bottom of the client area as it was before the bar.
    RECT client{};
    GetClientRect(&client);
    static const UINT kIndicators[] = {orva::resources::kIdsStatePane, orva::resources::kIdsReadyPane,
                                       orva::resources::kIdsVersionPane, orva::resources::kIdsBlankPane};
    if (!m_wndStatusBar.Create(this, 0x50008200, 0xE801) || !m_wndStatusBar.SetIndicators(kIndicators, 4)) {
        MessageBox("Faile");
        return FALSE;
    }
    m_wndStatusBar.MoveWindow(0, client.bottom - 20, client.right - client.left, 20);

    UpdateData(FALSE);

    // Graph defaults.
    m_graph.SetCurveColor(0x0000FFFF);
    m_graph.SetCurveOption(FALSE);
    m_graph.SetShowGrid(TRUE);
    m_graph.SetXGridCount(10);
    m_graph.SetYGridCount(20);
    m_graph.SetCaption("   ");
    m_graph.SetPlotOption(5);
    m_graph.SetXLabel("Time/s");
    m_graph.SetYLabel("");
    m_graph.SetRange(0, 10, -5, g_fPeak.load() + 5);
    g_fAxisYMin = -5;
    g_fAxisYMax = 5;
    g_fAxisXMin = 0;
    g_fAxisXMax = 10;
    m_graph.AutoRange();
    m_graph.SetMouseMode(1);

    // Results list: report view with grid lines and six columns.
    m_listResults.ModifyStyle(LVS_TYPEMASK, LVS_REPORT);
    m_listResults.SetExtendedStyle(m_listResults.GetExtendedStyle() | LVS_EX_GRIDLINES);
    RECT lrc{};
    m_listResults.GetClientRect(&lrc);
    const int w = (lrc.right - lrc.left) / 6;
    m_listResults.InsertColumn(0, "  Num  ", LVCFMT_LEFT, w);
    m_listResults.InsertColumn(1, "  Load  ", LVCFMT_LEFT, w + 10);
    m_listResults.InsertColumn(2, "  Time  ", LVCFMT_LEFT, w);
    m_listResults.InsertColumn(3, "  Mode  ", LVCFMT_LEFT, w);
    m_listResults.InsertColumn(4, "  Dir  ", LVCFMT_LEFT, w);
    m_listResults.InsertColumn(5, " Group ", LVCFMT_LEFT, w);

    m_page1.GetDlgItem(acquisition_page::kCalculate)->EnableWindow(FALSE);

    // The connect button shows the not-connected icon until a port is open.
    m_hIconConnected = LoadIconResource(kIdiNotConnected);
    m_hIconDisconnected = LoadIconResource(kIdiNotConnected);
    m_btnConnect.SetButtonStyle(BS_ICON);
    m_btnConnect.SetIcon(m_hIconConnected);

    GetDlgItem(main_dialog::kStartAcquisition)->EnableWindow(FALSE);
    GetDlgItem(main_dialog::kExportData)->EnableWindow(FALSE);
    GetDlgItem(main_dialog::kExportImage)->EnableWindow(FALSE);

    {
        CClientDC dc(this);
        for (int pane = 0; pane < 4; ++pane) {
            const CSize extent = dc.GetTextExtent(kInitialPanes[pane]);
            m_wndStatusBar.SetPaneInfo(pane, 1, SBPS_NORMAL, extent.cx);
            m_wndStatusBar.SetPaneText(pane, kInitialPanes[pane]);
        }
    }

    // Scan, pick and open the gauge's port.
    ConnectAtStartup();
    return TRUE;
}
