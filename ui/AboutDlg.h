// The About box, shown from the system menu.
#pragma once

#include "afx.h"

class CAboutDlg : public CDialog {
public:
    enum { IDD = 100 };
    CAboutDlg();
    ~CAboutDlg() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    DECLARE_MESSAGE_MAP()
};
