// The About box, shown from the system menu.
#pragma once

#include "afx.h"
#include "resources.h"

class CAboutDlg : public CDialog {
public:
    enum { IDD = orva::resources::kIddAboutBox };
    CAboutDlg();
    ~CAboutDlg() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    DECLARE_MESSAGE_MAP()
};
