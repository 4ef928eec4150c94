// The Acquisition page: acquisition mode, readings per second, g, Invert Load, export file type,
// report name, and the graph view tools.
#pragma once

#include <string>

#include "afx.h"
#include "resources.h"

class Cpage1 : public CDialog {
public:
    enum { IDD = orva::resources::kIddAcquisitionPage };

    explicit Cpage1(CWnd* pParent = nullptr);
    ~Cpage1() override;

    CComboBox m_cbFileType;
    CButton m_rbUpload;
    CButton m_rbDrawGraph;
    CComboBox m_cbUnit;
    CButton m_chkInvertLoad;
    CEdit m_edGravity;
    CEdit m_edPeak;
    CEdit m_edAverage;
    CButton m_chkMouseUpDown;
    CButton m_chkMouseLeftRight;
    CButton m_chkMouseAll;
    CButton m_btnAllMouse;
    CButton m_btnButton2;
    CButton m_btnBitmap;
    CEdit m_edReadingsPerSecond;
    CComboBox m_cbLoadUnit;
    CComboBox m_cbReportName;
    CButton m_chkShowGrid;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

    void OnBnClickedDrawGraph();
    void OnBnClickedUploadMemory();
    void OnBnClickedShowGrid();
    void OnBnClickedMouseZoom();
    void OnBnClickedCalculate();
    void OnBnClickedInvertLoad();
    void OnBnClickedViewAll();
    void OnBnClickedLoad();
    void OnBnClickedHelp();
    void OnCbnSelchangeLoadUnit();
    void OnCbnSelchangeUnit();
    void OnCbnSelchangeFileType();
    void OnCbnEditchangeReportName();
    void OnCbnEditchangeUnit();
    void OnEnUpdateReadingsPerSecond();
    void OnEnChangeReadingsPerSecond();
    void OnEnChangeRangeOfPeak();
    void OnEnChangeGravity();
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    void OnLButtonDown(UINT nFlags, CPoint point);

    DECLARE_MESSAGE_MAP()
};

class CKvDlg;
// The main dialog a page belongs to (the page lives in its tab control); nullptr when none.
CKvDlg* MainDialogOf(CWnd& page);

// Trims the text; a whole number becomes "%d" of its value, a number with a point "%d.%s" (the
// fraction digits as they stand). 1 when the text was such a number, else 0 (left trimmed).
int NormalizeNumberText(std::string& text);
