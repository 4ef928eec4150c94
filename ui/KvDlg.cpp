#include "KvDlg.h"

#include "SharedState.h"

CKvDlg::CKvDlg(CWnd* pParent) : CDialog(IDD, pParent) {
    m_strMessage = "";
    m_strSendText = "";
    m_strEdit1181 = "";
}

CKvDlg::~CKvDlg() = default;

void CKvDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1188, m_btnConnect);
    DDX_Control(pDX, 1038, m_listResults);
    DDX_Control(pDX, 1191, m_cbPort);
    DDX_Control(pDX, 1111, m_tabSetup);
    DDX_Control(pDX, 1075, m_graph);
    DDX_Text(pDX, 1054, m_strMessage);
    DDX_Text(pDX, 1179, m_strSendText);
    DDX_Text(pDX, 1181, m_strEdit1181);
}

BEGIN_MESSAGE_MAP(CKvDlg, CDialog)
ON_BN_CLICKED(1023, &CKvDlg::OnBnClickedStartAcquisition)
ON_MESSAGE(WM_STATUS_UPDATE, &CKvDlg::OnStatusUpdate)
ON_CBN_SELCHANGE(1191, &CKvDlg::OnCbnSelchangePort)
ON_BN_CLICKED(1188, &CKvDlg::OnBnClickedConnect)
ON_CBN_DROPDOWN(1191, &CKvDlg::OnCbnDropdownPort)
END_MESSAGE_MAP()

BOOL CKvDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText("ORVA-FG V4.9.01");

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
    m_page1.MoveWindow(rc);
    m_page2.MoveWindow(rc);
    m_page1.ShowWindow(SW_SHOWNORMAL);
    m_page2.ShowWindow(SW_HIDE);

    m_page2.m_rbStartLoad.SetCheck(0);
    m_page2.m_rbStartTime.SetCheck(1);
    m_page2.m_rbStopLoad.SetCheck(0);
    m_page2.m_rbStopTime.SetCheck(1);
    m_page2.m_edBreakPercent.SetWindowText("80");

    static const UINT kIndicators[] = {102, 105, 103, 104};
    if (!m_wndStatusBar.Create(this, 0x50008200, 0xE801) || !m_wndStatusBar.SetIndicators(kIndicators, 4)) {
        MessageBox("Faile");
        return FALSE;
    }
    RECT client{};
    GetClientRect(&client);
    m_wndStatusBar.MoveWindow(0, client.bottom - 20, client.right - client.left, 20);

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

    RECT lrc{};
    m_listResults.GetClientRect(&lrc);
    const int w = (lrc.right - lrc.left) / 6;
    m_listResults.InsertColumn(0, "  Num  ", LVCFMT_LEFT, w);
    m_listResults.InsertColumn(1, "  Load  ", LVCFMT_LEFT, w + 10);
    m_listResults.InsertColumn(2, "  Time  ", LVCFMT_LEFT, w);
    m_listResults.InsertColumn(3, "  Mode  ", LVCFMT_LEFT, w);
    m_listResults.InsertColumn(4, "  Dir  ", LVCFMT_LEFT, w);
    m_listResults.InsertColumn(5, " Group ", LVCFMT_LEFT, w);

    GetDlgItem(1023)->EnableWindow(FALSE);
    GetDlgItem(1080)->EnableWindow(FALSE);
    GetDlgItem(1026)->EnableWindow(FALSE);

    ConnectAtStartup();
    return TRUE;
}
