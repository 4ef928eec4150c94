// The Acquisition page.
#include "Page1.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "AboutMenu.h"
#include "AcquisitionSettings.h"
#include "DialogControls.h"
#include "KvDlg.h"
#include "NumericField.h"
#include "ResultSummary.h"
#include "SampleStore.h"
#include "resources.h"
#include "win32_shell.h"

namespace acquisition_page = orva::resources::acquisition_page;
using orva::resources::kIdbMouseZoom;
using orva::resources::kIdbViewAll;

Cpage1::Cpage1(CWnd* pParent) : CDialog(IDD, pParent) {}
Cpage1::~Cpage1() = default;

void Cpage1::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, acquisition_page::kFileType, m_cbFileType);
    DDX_Control(pDX, acquisition_page::kUploadMemory, m_rbUpload);
    DDX_Control(pDX, acquisition_page::kDrawGraph, m_rbDrawGraph);
    DDX_Control(pDX, acquisition_page::kUnit, m_cbUnit);
    DDX_Control(pDX, acquisition_page::kInvertLoad, m_chkInvertLoad);
    DDX_Control(pDX, acquisition_page::kGravity, m_edGravity);
    DDX_Control(pDX, acquisition_page::kPeak, m_edPeak);
    DDX_Control(pDX, acquisition_page::kAverage, m_edAverage);
    DDX_Control(pDX, acquisition_page::kMouseUpDown, m_chkMouseUpDown);
    DDX_Control(pDX, acquisition_page::kMouseLeftRight, m_chkMouseLeftRight);
    DDX_Control(pDX, acquisition_page::kMouseZoom, m_chkMouseAll);
    DDX_Control(pDX, acquisition_page::kAllMouse, m_btnAllMouse);
    DDX_Control(pDX, acquisition_page::kButton2, m_btnButton2);
    DDX_Control(pDX, acquisition_page::kBitmapButton, m_btnBitmap);
    DDX_Control(pDX, acquisition_page::kReadingsPerSecond, m_edReadingsPerSecond);
    DDX_Control(pDX, acquisition_page::kLoadUnit, m_cbLoadUnit);
    DDX_Control(pDX, acquisition_page::kReportName, m_cbReportName);
    DDX_Control(pDX, acquisition_page::kShowGrid, m_chkShowGrid);
}

BEGIN_MESSAGE_MAP(Cpage1, CDialog)
ON_BN_CLICKED(acquisition_page::kDrawGraph, &Cpage1::OnBnClickedDrawGraph)
ON_BN_CLICKED(acquisition_page::kUploadMemory, &Cpage1::OnBnClickedUploadMemory)
ON_BN_CLICKED(acquisition_page::kShowGrid, &Cpage1::OnBnClickedShowGrid)
ON_BN_CLICKED(acquisition_page::kMouseZoom, &Cpage1::OnBnClickedMouseZoom)
ON_BN_CLICKED(acquisition_page::kCalculate, &Cpage1::OnBnClickedCalculate)
ON_BN_CLICKED(acquisition_page::kInvertLoad, &Cpage1::OnBnClickedInvertLoad)
ON_BN_CLICKED(acquisition_page::kViewAll, &Cpage1::OnBnClickedViewAll)
ON_BN_CLICKED(acquisition_page::kLoad, &Cpage1::OnBnClickedLoad)
ON_BN_CLICKED(acquisition_page::kHelp, &Cpage1::OnBnClickedHelp)
ON_CBN_SELCHANGE(acquisition_page::kLoadUnit, &Cpage1::OnCbnSelchangeLoadUnit)
ON_CBN_SELCHANGE(acquisition_page::kUnit, &Cpage1::OnCbnSelchangeUnit)
ON_CBN_SELCHANGE(acquisition_page::kFileType, &Cpage1::OnCbnSelchangeFileType)
ON_CBN_EDITCHANGE(acquisition_page::kReportName, &Cpage1::OnCbnEditchangeReportName)
ON_CBN_EDITCHANGE(acquisition_page::kUnit, &Cpage1::OnCbnEditchangeUnit)
ON_EN_UPDATE(acquisition_page::kReadingsPerSecond, &Cpage1::OnEnUpdateReadingsPerSecond)
ON_EN_CHANGE(acquisition_page::kReadingsPerSecond, &Cpage1::OnEnChangeReadingsPerSecond)
ON_EN_CHANGE(acquisition_page::kPeak, &Cpage1::OnEnChangeRangeOfPeak)
ON_EN_CHANGE(acquisition_page::kGravity, &Cpage1::OnEnChangeGravity)
ON_WM_CTLCOLOR()
ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

BOOL Cpage1::OnInitDialog() {
    CDialog::OnInitDialog();
    AppendAboutItem(*this);
    CBitmap mouseZoom;
    mouseZoom.LoadBitmap(kIdbMouseZoom);
    m_chkMouseAll.SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(mouseZoom.GetSafeHandle()));
    CBitmap viewAll;
    viewAll.LoadBitmap(kIdbViewAll);
    if (CWnd* button = GetDlgItem(acquisition_page::kViewAll))
        button->SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(viewAll.GetSafeHandle()));

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

// The page lives in the tab control, which lives in the main dialog.
CKvDlg* MainDialogOf(CWnd& page) {
    CWnd* tab = page.GetParent();
    return tab ? dynamic_cast<CKvDlg*>(tab->GetParent()) : nullptr;
}

void Cpage1::OnBnClickedDrawGraph() {
    m_rbDrawGraph.SetCheck(1);
    m_rbUpload.SetCheck(0);
    g_bRealTimeMode = 1;
    for (int id : {acquisition_page::kReadingsPerSecond, acquisition_page::kUnit,
                   acquisition_page::kMouseZoom, acquisition_page::kViewAll, acquisition_page::kLoad})
        EnableControl(*this, id, TRUE);
    EnableControl(*this, acquisition_page::kCalculate, FALSE);
}

void Cpage1::OnBnClickedUploadMemory() {
    m_rbUpload.SetCheck(1);
    m_rbDrawGraph.SetCheck(0);
    g_bRealTimeMode = 0;
    for (int id :
         {acquisition_page::kReadingsPerSecond, acquisition_page::kUnit, acquisition_page::kCalculate,
          acquisition_page::kMouseZoom, acquisition_page::kViewAll, acquisition_page::kLoad})
        EnableControl(*this, id, FALSE);
}

// The grid follows the clicks, not the check mark: the first click hides it.
void Cpage1::OnBnClickedShowGrid() {
    CKvDlg* dlg = MainDialogOf(*this);
    g_nShowGridToggle += 1;
    if (g_nShowGridToggle == 1) {
        if (dlg) dlg->m_graph.SetShowGrid(FALSE);
    } else {
        if (dlg) dlg->m_graph.SetShowGrid(TRUE);
        g_nShowGridToggle = 0;
    }
}

void Cpage1::OnBnClickedMouseZoom() {
    CKvDlg* dlg = MainDialogOf(*this);
    if (m_chkMouseAll.GetCheck() == BST_CHECKED) {
        if (dlg) dlg->m_graph.SetMouseMode(2);
        m_chkMouseUpDown.EnableWindow(FALSE);
        m_chkMouseLeftRight.EnableWindow(FALSE);
        EnableControl(*this, acquisition_page::kCalculate, TRUE);
    } else {
        if (dlg) dlg->m_graph.SetMouseMode(1);
        m_chkMouseUpDown.EnableWindow(TRUE);
        m_chkMouseLeftRight.EnableWindow(TRUE);
        EnableControl(*this, acquisition_page::kCalculate, FALSE);
    }
}

void Cpage1::OnBnClickedViewAll() {
    CKvDlg* dlg = MainDialogOf(*this);
    if (!dlg) return;
    dlg->m_graph.AutoRange();
    const auto count = static_cast<std::uint32_t>(g_nSampleCount.load());
    g_dRangeEnd = count > 0 ? dlg->m_graph.GetElementX(static_cast<long>(count - 1), 0) : 0.0;
    g_dRangeStart = 0.0;
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

void Cpage1::OnBnClickedHelp() {
    if (MessageBox("Do you want to open the help document", "System Message", MB_YESNO) == IDYES) {
        ShellExecuteA(nullptr, "open", ".\\manual.PDF", nullptr, nullptr, SW_SHOWNORMAL);
    }
}

void Cpage1::OnEnUpdateReadingsPerSecond() {
    const std::string text = CheckedNumericText(m_edReadingsPerSecond, "10");
    g_fReadingsPerSecond = static_cast<float>(std::atof(text.c_str()));
    if (g_fReadingsPerSecond > 1000.0f || g_fReadingsPerSecond < 0.0f) {
        g_fReadingsPerSecond = 10.0f;
        m_edReadingsPerSecond.SetWindowText("10");
    }
}

void Cpage1::OnEnChangeGravity() {
    const std::string text = CheckedNumericText(m_edGravity, "9.807");
    g_fGravity = static_cast<float>(std::atof(text.c_str()));
    if (g_fGravity.load() > 10.0f || g_fGravity.load() < 9.0f) {
        g_fGravity = 9.807f;
        m_edGravity.SetWindowText("9.807");
    }
}

void Cpage1::OnCbnSelchangeFileType() {
    g_nExportFileType = m_cbFileType.GetWindowText() == "xls" ? 0 : 1;
}

// The "Select" group box has a red caption.
HBRUSH Cpage1::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    HBRUSH hbr = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    if (pWnd && pDC && pWnd->GetDlgCtrlID() == acquisition_page::kSelectGroup) {
        pDC->SetTextColor(RGB(255, 0, 0));
        pDC->SetBkMode(TRANSPARENT);
    }
    return hbr;
}

// A click on the page background rewrites the rate as it is held.
void Cpage1::OnLButtonDown(UINT nFlags, CPoint point) {
    CDialog::OnLButtonDown(nFlags, point);
    const std::string rate = m_edReadingsPerSecond.GetWindowText();
    bool digitsOnly = true;
    for (char c : rate) {
        if (c < '0' || c > '9') digitsOnly = false;
    }
    char text[64];
    std::snprintf(text, sizeof text, digitsOnly ? "%.0f" : "%.1f", static_cast<double>(g_fReadingsPerSecond));
    m_edReadingsPerSecond.SetWindowText(text);
    static_cast<void>(m_edGravity.GetWindowText());
}

// Notifications the page receives and leaves alone.
void Cpage1::OnCbnEditchangeReportName() {}
void Cpage1::OnCbnEditchangeUnit() {}
void Cpage1::OnEnChangeReadingsPerSecond() {}
void Cpage1::OnEnChangeRangeOfPeak() {}

int NormalizeNumberText(std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        text.clear();
        return 0;
    }
    text = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    const std::size_t point = text.find('.');
    if (point == std::string::npos) {
        if (text.find_first_not_of("0123456789") != std::string::npos) return 0;
        text = std::to_string(std::atoi(text.c_str()));
        return 1;
    }
    const std::string whole = text.substr(0, point);
    const std::string fraction = text.substr(point + 1);
    if (whole.empty() || fraction.empty() || whole.find_first_not_of("0123456789") != std::string::npos ||
        fraction.find_first_not_of("0123456789") != std::string::npos) {
        return 0;
    }
    text = std::to_string(std::atoi(whole.c_str())) + "." + fraction;
    return 1;
}
