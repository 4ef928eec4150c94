// The application object and the program's start.
#include <QApplication>
#include <QFileInfo>
#include <clocale>

#include "afx_dialog.h"
#include "afx_resources.h"
#include "wnd_core.h"

namespace {
CWinApp* g_app = nullptr;
}

namespace afx::detail {
std::string AppTitle();
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* lpszAppName) {
    if (lpszAppName) m_pszAppName = lpszAppName;
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return LoadIconResource(nIDResource);
}

CWinApp* AfxGetApp() {
    return g_app;
}

int AfxWinMain(int argc, char** argv) {
    QApplication app(argc, argv);
    // Numbers are written with printf formats and read with atof: keep the dot.
    std::setlocale(LC_NUMERIC, "C");
    CWinApp* theApp = AfxGetApp();
    if (!theApp) return 1;
    if (theApp->m_pszAppName.empty()) theApp->m_pszAppName = afx::detail::AppTitle();
    BOOL run = FALSE;
    afx::detail::Guarded([&] { run = theApp->InitInstance(); });
    if (run) app.exec();
    return theApp->ExitInstance();
}

BOOL AfxEnableControlContainer() {
    return TRUE;
}

BOOL AfxOleInit() {
    return TRUE;
}
