#include "KvApp.h"

#include <ctime>

#include "KvDlg.h"
#include "win32_error.h"
#include "win32_sync.h"

CKvApp theApp;

BEGIN_MESSAGE_MAP(CKvApp, CWinApp)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CKvApp::CKvApp() : CWinApp(nullptr) {}

CKvApp::~CKvApp() = default;

BOOL CKvApp::InitInstance() {
    AfxEnableControlContainer();

    m_bLogOpen = FALSE;
    // Create the log when it is missing; an existing log is left as it is.
    CreateNewFile(kStartupLogPath);
    // Held with no sharing for the whole run, not truncated, written from its first byte.
    m_bLogOpen = m_logFile.Open(kStartupLogPath, CFile::modeReadWrite | CFile::shareExclusive);
    if (m_bLogOpen) WriteLog("kv_Start System1");

    AfxOleInit();

    // The handle stays open for the whole run: a later copy sees the name as taken.
    CreateMutexA(nullptr, TRUE, "Don't   run   again");
    if (GetLastError() == ERROR_ALREADY_EXISTS) WriteLog("kv_Start System2");

    {
        CKvDlg dlg;
        m_pMainWnd = &dlg;
        WriteLog("kv_Start System3");
        const INT_PTR nResponse = dlg.DoModal();
        WriteLog("kv_Start System4");
        if (nResponse == IDOK) {
            WriteLog("kv_Start System5");
        } else if (nResponse == IDCANCEL) {
            WriteLog("kv_Start System6");
        }
        m_pMainWnd = nullptr;
    }
    return FALSE;
}

BOOL CKvApp::WriteLog(std::string text) {
    if (text.empty()) return 0;
    if (!m_bLogOpen) return 0;
    char stamp[64];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::size_t n = std::strftime(stamp, sizeof stamp, "\r\n%Y-%m-%d   %H:%M:%S--", &local);
    m_logFile.Write(stamp, static_cast<UINT>(n));
    m_logFile.Write(text.data(), static_cast<UINT>(text.size()));
    return 1;
}
