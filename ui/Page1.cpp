#include "Page1.h"

#include <cstdlib>

#include "SharedState.h"

namespace {

// Only the digits and '.' pass; at the first other character the whole text is replaced.
bool NumericTextOrReset(CWnd& edit, const char* resetText, std::string& text) {
    text = edit.GetWindowText();
    for (char c : text) {
        if (c < '.' || c > '9' || c == '/') {
            text = resetText;
            edit.SetWindowText(text);
            return false;
        }
    }
    return true;
}

}  // namespace

Cpage1::Cpage1(CWnd* pParent) : CDialog(IDD, pParent) {}
Cpage1::~Cpage1() = default;

void Cpage1::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1187, m_cbFileType);
    DDX_Control(pDX, 1043, m_rbUpload);
    DDX_Control(pDX, 1042, m_rbDrawGraph);
    DDX_Control(pDX, 1182, m_cbUnit);
    DDX_Control(pDX, 1173, m_chkInvertLoad);
    DDX_Control(pDX, 1171, m_edGravity);
    DDX_Control(pDX, 1168, m_edPeak);
    DDX_Control(pDX, 1167, m_edAverage);
    DDX_Control(pDX, 1166, m_chkMouseUpDown);
    DDX_Control(pDX, 1165, m_chkMouseLeftRight);
    DDX_Control(pDX, 1164, m_chkMouseAll);
    DDX_Control(pDX, 1163, m_btnAllMouse);
    DDX_Control(pDX, 1162, m_btnButton2);
    DDX_Control(pDX, 1161, m_btnBitmap);
    DDX_Control(pDX, 1159, m_edReadingsPerSecond);
    DDX_Control(pDX, 1082, m_cbLoadUnit);
    DDX_Control(pDX, 1027, m_cbReportName);
    DDX_Control(pDX, 1079, m_chkShowGrid);
}

BEGIN_MESSAGE_MAP(Cpage1, CDialog)
ON_BN_CLICKED(1042, &Cpage1::OnBnClickedDrawGraph)
ON_BN_CLICKED(1043, &Cpage1::OnBnClickedUploadMemory)
ON_BN_CLICKED(1079, &Cpage1::OnBnClickedShowGrid)
ON_BN_CLICKED(1164, &Cpage1::OnBnClickedMouseZoom)
ON_BN_CLICKED(1169, &Cpage1::OnBnClickedCalculate)
ON_BN_CLICKED(1173, &Cpage1::OnBnClickedInvertLoad)
ON_BN_CLICKED(1184, &Cpage1::OnBnClickedViewAll)
ON_BN_CLICKED(1186, &Cpage1::OnBnClickedLoad)
ON_BN_CLICKED(1190, &Cpage1::OnBnClickedHelp)
ON_CBN_SELCHANGE(1082, &Cpage1::OnCbnSelchangeLoadUnit)
ON_CBN_SELCHANGE(1182, &Cpage1::OnCbnSelchangeUnit)
ON_CBN_SELCHANGE(1187, &Cpage1::OnCbnSelchangeFileType)
ON_CBN_EDITCHANGE(1027, &Cpage1::OnCbnEditchangeReportName)
ON_CBN_EDITCHANGE(1182, &Cpage1::OnCbnEditchangeUnit)
ON_EN_UPDATE(1159, &Cpage1::OnEnUpdateReadingsPerSecond)
ON_EN_CHANGE(1159, &Cpage1::OnEnChangeReadingsPerSecond)
ON_EN_CHANGE(1168, &Cpage1::OnEnChangeRangeOfPeak)
ON_EN_CHANGE(1171, &Cpage1::OnEnChangeGravity)
END_MESSAGE_MAP()

BOOL Cpage1::OnInitDialog() {
    CDialog::OnInitDialog();
    m_edReadingsPerSecond.SetWindowText("10");
    m_cbReportName.SetWindowText("test");
    m_edAverage.SetWindowText("0");
    m_edPeak.SetWindowText("0");
    m_cbLoadUnit.SetCurSel(3);
    m_cbUnit.SetCurSel(4);
    m_cbFileType.SetCurSel(0);
    g_nExportFileType = 0;
    m_chkShowGrid.SetCheck(1);
    m_rbDrawGraph.SetCheck(1);
    m_cbUnit.EnableWindow(FALSE);
    m_edGravity.SetWindowText("9.807");
    return TRUE;
}

void Cpage1::OnBnClickedDrawGraph() {
    m_rbDrawGraph.SetCheck(1);
    m_rbUpload.SetCheck(0);
    g_bRealTimeMode = 1;
}

void Cpage1::OnBnClickedUploadMemory() {
    m_rbUpload.SetCheck(1);
    m_rbDrawGraph.SetCheck(0);
    g_bRealTimeMode = 0;
}

void Cpage1::OnBnClickedInvertLoad() {
    g_nInvertToggle += 1;
    if (g_nInvertToggle == 1) {
        g_bInvertLoad = 1;
    } else {
        g_bInvertLoad = 0;
        g_nInvertToggle = 0;
    }
}

void Cpage1::OnEnUpdateReadingsPerSecond() {
    std::string text;
    NumericTextOrReset(m_edReadingsPerSecond, "10", text);
    g_fReadingsPerSecond = static_cast<float>(std::atof(text.c_str()));
    if (g_fReadingsPerSecond > 1000.0f || g_fReadingsPerSecond < 0.0f) {
        g_fReadingsPerSecond = 10.0f;
        m_edReadingsPerSecond.SetWindowText("10");
    }
}

void Cpage1::OnEnChangeGravity() {
    std::string text;
    NumericTextOrReset(m_edGravity, "9.807", text);
    g_fGravity = static_cast<float>(std::atof(text.c_str()));
    if (g_fGravity.load() > 10.0f || g_fGravity.load() < 9.0f) {
        g_fGravity = 9.807f;
        m_edGravity.SetWindowText("9.807");
    }
}

void Cpage1::OnCbnSelchangeFileType() {
    g_nExportFileType = m_cbFileType.GetWindowText() == "xls" ? 0 : 1;
}

// Completed with the graph view tools and the unit conversion.
void Cpage1::OnBnClickedShowGrid() {}
void Cpage1::OnBnClickedMouseZoom() {}
void Cpage1::OnBnClickedCalculate() {}
void Cpage1::OnBnClickedViewAll() {}
void Cpage1::OnBnClickedLoad() {}
void Cpage1::OnBnClickedHelp() {}
void Cpage1::OnCbnSelchangeLoadUnit() {}
void Cpage1::OnCbnSelchangeUnit() {}
void Cpage1::OnCbnEditchangeReportName() {}
void Cpage1::OnCbnEditchangeUnit() {}
void Cpage1::OnEnChangeReadingsPerSecond() {}
void Cpage1::OnEnChangeRangeOfPeak() {}
