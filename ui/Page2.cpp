#include "Page2.h"

#include <cstdlib>

#include "AboutMenu.h"
#include "NumericField.h"
#include "TestConditions.h"
#include "resources.h"

namespace test_setup_page = orva::resources::test_setup_page;

namespace {

double NumericValue(CWnd& edit, const char* resetText) {
    return std::atof(CheckedNumericText(edit, resetText).c_str());
}

}  // namespace

Cpage2::Cpage2(CWnd* pParent) : CDialog(IDD, pParent) {}
Cpage2::~Cpage2() = default;

void Cpage2::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, test_setup_page::kBreakPercentEdit, m_edBreakPercent);
    DDX_Control(pDX, test_setup_page::kBreakDetect, m_chkBreakDetect);
    DDX_Control(pDX, test_setup_page::kStopTime, m_rbStopTime);
    DDX_Control(pDX, test_setup_page::kStopLoad, m_rbStopLoad);
    DDX_Control(pDX, test_setup_page::kStartLoad, m_rbStartLoad);
    DDX_Control(pDX, test_setup_page::kStartTime, m_rbStartTime);
    DDX_Control(pDX, test_setup_page::kStartThresholdEdit, m_edStartThreshold);
    DDX_Control(pDX, test_setup_page::kStopLoadEdit, m_edStopLoad);
    DDX_Control(pDX, test_setup_page::kStopTimeEdit, m_edStopTime);
    DDX_Control(pDX, test_setup_page::kStartDelayEdit, m_edStartDelay);
    DDX_Control(pDX, test_setup_page::kStopTimeLabel, m_stStopTimeLabel);
}

BEGIN_MESSAGE_MAP(Cpage2, CDialog)
ON_BN_CLICKED(test_setup_page::kStopTimeLabel, &Cpage2::OnStnClickedStopTimeLabel)
ON_BN_CLICKED(test_setup_page::kStartTime, &Cpage2::OnBnClickedStartTime)
ON_BN_CLICKED(test_setup_page::kStartLoad, &Cpage2::OnBnClickedStartLoad)
ON_BN_CLICKED(test_setup_page::kStopTime, &Cpage2::OnBnClickedStopTime)
ON_BN_CLICKED(test_setup_page::kStopLoad, &Cpage2::OnBnClickedStopLoad)
ON_EN_CHANGE(test_setup_page::kStartDelayEdit, &Cpage2::OnEnChangeStartDelay)
ON_EN_CHANGE(test_setup_page::kStopTimeEdit, &Cpage2::OnEnChangeStopTime)
ON_EN_CHANGE(test_setup_page::kStopLoadEdit, &Cpage2::OnEnChangeStopLoad)
ON_EN_CHANGE(test_setup_page::kStartThresholdEdit, &Cpage2::OnEnChangeStartThreshold)
ON_BN_CLICKED(test_setup_page::kBreakDetect, &Cpage2::OnBnClickedBreakDetect)
ON_EN_CHANGE(test_setup_page::kBreakPercentEdit, &Cpage2::OnEnChangeBreakPercent)
END_MESSAGE_MAP()

BOOL Cpage2::OnInitDialog() {
    CDialog::OnInitDialog();
    AppendAboutItem(*this);
    m_edStopTime.SetWindowText("100");
    m_edStartDelay.SetWindowText("0");
    m_edStopLoad.SetWindowText("100");
    m_edStartThreshold.SetWindowText("0");
    m_edStopLoad.EnableWindow(FALSE);
    m_edStartThreshold.EnableWindow(FALSE);
    m_edBreakPercent.EnableWindow(FALSE);
    m_chkBreakDetect.EnableWindow(FALSE);
    return TRUE;
}

void Cpage2::OnEnChangeStartDelay() {
    g_dStartDelay = NumericValue(m_edStartDelay, "0");
}
void Cpage2::OnEnChangeStartThreshold() {
    g_dStartThreshold = NumericValue(m_edStartThreshold, "0");
}

void Cpage2::OnEnChangeStopTime() {
    g_dStopTime = NumericValue(m_edStopTime, "100");
    if (g_dStopTime.load() > 10000.0) {
        g_dStopTime = 100.0;
        m_edStopTime.SetWindowText("100");
    }
}

void Cpage2::OnEnChangeStopLoad() {
    g_dStopLoad = NumericValue(m_edStopLoad, "100");
    if (g_dStopLoad.load() > 50000.0) {
        g_dStopLoad = 100.0;
        m_edStopLoad.SetWindowText("100");
    }
}

void Cpage2::OnEnChangeBreakPercent() {
    g_dBreakPercent = NumericValue(m_edBreakPercent, "80");
    if (g_dBreakPercent.load() > 100.0 || g_dBreakPercent.load() == 0.0) {
        g_dBreakPercent = 80.0;
        m_edBreakPercent.SetWindowText("80");
    }
}

// The static has no notify style: this entry never fires.
void Cpage2::OnStnClickedStopTimeLabel() {}

// Each radio opens a group of its own, so a click sets both marks of its pair.
void Cpage2::OnBnClickedStartTime() {
    m_rbStartTime.SetCheck(1);
    m_rbStartLoad.SetCheck(0);
    g_bStartByDelay = 1;
    g_bStartByLoad = 0;
    m_edStartDelay.EnableWindow(TRUE);
    m_edStartThreshold.EnableWindow(FALSE);
}

void Cpage2::OnBnClickedStartLoad() {
    m_rbStartLoad.SetCheck(1);
    m_rbStartTime.SetCheck(0);
    g_bStartByDelay = 0;
    g_bStartByLoad = 1;
    m_edStartThreshold.EnableWindow(TRUE);
    m_edStartDelay.EnableWindow(FALSE);
}

// Break Detect keeps its mark and its flag; only its controls are disabled.
void Cpage2::OnBnClickedStopTime() {
    m_rbStopTime.SetCheck(1);
    m_rbStopLoad.SetCheck(0);
    g_bStopByTime = 1;
    g_bStopByLoad = 0;
    m_edStopTime.EnableWindow(TRUE);
    m_edStopLoad.EnableWindow(FALSE);
    m_edBreakPercent.EnableWindow(FALSE);
    m_chkBreakDetect.EnableWindow(FALSE);
}

void Cpage2::OnBnClickedStopLoad() {
    m_rbStopLoad.SetCheck(1);
    m_rbStopTime.SetCheck(0);
    g_bStopByTime = 0;
    g_bStopByLoad = 1;
    m_edStopLoad.EnableWindow(TRUE);
    m_chkBreakDetect.EnableWindow(TRUE);
    m_edStopTime.EnableWindow(FALSE);
}

// Followed by its click counter, not by its check mark.
void Cpage2::OnBnClickedBreakDetect() {
    g_nBreakToggle += 1;
    if (g_nBreakToggle == 1) {
        g_bBreakDetect = 1;
        m_edStopLoad.EnableWindow(FALSE);
        m_edBreakPercent.EnableWindow(TRUE);
        m_rbStopTime.EnableWindow(FALSE);
        m_rbStopLoad.EnableWindow(FALSE);
        g_bStopByLoad = 0;
    } else {
        g_bStopByLoad = 1;
        g_bBreakDetect = 0;
        m_edStopLoad.EnableWindow(TRUE);
        m_edBreakPercent.EnableWindow(FALSE);
        m_rbStopTime.EnableWindow(TRUE);
        m_rbStopLoad.EnableWindow(TRUE);
        g_nBreakToggle = 0;
    }
}

// Handlers that no map entry names.
void Cpage2::OnEnKillfocusStopTime() {}
void Cpage2::OnEnKillfocusStopLoad() {}
void Cpage2::OnEnKillfocusStartDelay() {}
void Cpage2::OnEnKillfocusStartThreshold() {}
