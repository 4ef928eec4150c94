// The Test Setup page: start condition, stop condition and break detection.
#pragma once

#include "afx.h"
#include "resources.h"

class Cpage2 : public CDialog {
public:
    enum { IDD = orva::resources::kIddTestSetupPage };

    explicit Cpage2(CWnd* pParent = nullptr);
    ~Cpage2() override;

    CEdit m_edBreakPercent;
    CButton m_chkBreakDetect;
    CButton m_rbStopTime;
    CButton m_rbStopLoad;
    CButton m_rbStartLoad;
    CButton m_rbStartTime;
    CEdit m_edStartThreshold;
    CEdit m_edStopLoad;
    CEdit m_edStopTime;
    CEdit m_edStartDelay;
    CStatic m_stStopTimeLabel;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

    void OnStnClickedStopTimeLabel();
    void OnBnClickedStartTime();
    void OnBnClickedStartLoad();
    void OnBnClickedStopTime();
    void OnBnClickedStopLoad();
    void OnEnChangeStartDelay();
    void OnEnChangeStopTime();
    void OnEnChangeStopLoad();
    void OnEnChangeStartThreshold();
    void OnBnClickedBreakDetect();
    void OnEnChangeBreakPercent();
    void OnEnKillfocusStopTime();
    void OnEnKillfocusStopLoad();
    void OnEnKillfocusStartDelay();
    void OnEnKillfocusStartThreshold();

    DECLARE_MESSAGE_MAP()
};
