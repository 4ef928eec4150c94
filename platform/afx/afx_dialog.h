// Dialogs built from templates, the application object and the application's message box.
#pragma once

#include <string>

#include "afx_wnd.h"
#include "dlg_template.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    CDialog();
    ~CDialog() override;

    // Runs the dialog modally: IDOK, IDCANCEL, the value given to EndDialog, or -1 when the quit
    // message (PostQuitMessage) ended the loop or the window could not be made. UI thread only.
    virtual INT_PTR DoModal();
    // Creates the dialog as a modeless window; a child-style template makes a child of pParentWnd.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    virtual BOOL OnInitDialog();  // runs the data exchange towards the controls; returns TRUE
    void EndDialog(int nResult);  // any thread
    virtual void OnOK();          // UpdateData(TRUE), then EndDialog(IDOK)
    virtual void OnCancel();      // EndDialog(IDCANCEL)

    BOOL PreTranslateMessage(MSG* pMsg) override;

    UINT GetTemplateId() const { return m_nIDTemplate; }
    bool IsModalRunning() const { return m_loop != nullptr && !m_ended; }  // the modal loop runs

    DECLARE_MESSAGE_MAP()

protected:
    LRESULT DefaultMessage(UINT message, UINT code, UINT id, AfxMsgArgs& args) override;

private:
    friend struct DialogAccess;
    bool Build(const afx::DialogTemplate& t, QWidget* parentWidget, bool child);

    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;
    int m_modalResult = 0;
    bool m_ended = false;
    void* m_loop = nullptr;  // the running modal event loop
};

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(const char* lpszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return 0; }
    HICON LoadIcon(UINT nIDResource) const;
    afx_msg void OnHelp() {}

    CWnd* m_pMainWnd = nullptr;
    std::string m_pszAppName;  // the program file's name without extension once the run has begun

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
// Creates the Qt application (keeping LC_NUMERIC at "C"), runs the application object's
// InitInstance and, when that returns TRUE, an event loop. Returns the process exit code.
int AfxWinMain(int argc, char** argv);
BOOL AfxEnableControlContainer();
BOOL AfxOleInit();

// Ends the innermost running modal loop (and those around it) with -1; any thread. When no loop is
// running, the next DoModal returns -1 at once.
void PostQuitMessage(int nExitCode);

// The application's box: caption = the program file's name without extension; exclamation icon for
// an OK or OK/Cancel box, question icon for Yes/No, when the type names no icon. From another thread
// the box is shown on the UI thread and IDOK is returned at once.
int AfxMessageBox(const char* lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
inline int AfxMessageBox(const std::string& text, UINT nType = MB_OK, UINT nIDHelp = 0) {
    return AfxMessageBox(text.c_str(), nType, nIDHelp);
}
