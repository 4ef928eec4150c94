// A third setup page that the main dialog builds with itself but never shows.
#pragma once

#include "afx.h"
#include "resources.h"

class cpage3 : public CDialog {
public:
    enum { IDD = orva::resources::kIddPage3 };
    explicit cpage3(CWnd* pParent = nullptr);
    ~cpage3() override;

    CButton m_btnFirst;
    CButton m_btnSecond;
    CEdit m_edLoad;

    BOOL OnInitDialog() override;
    void OnEnChangeLoad();
    void OnLoadShown();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    DECLARE_MESSAGE_MAP()
};
