// The application object: start-up, the start-up log and the run of the main dialog.
#pragma once

#include <string>

#include "afx.h"
#include "win32_file.h"

class CKvApp : public CWinApp {
public:
    CKvApp();
    ~CKvApp() override;

    BOOL InitInstance() override;
    // Writes one log entry (time stamp, then the text); 0 when refused (empty text, log not open).
    BOOL WriteLog(std::string text);

    CFile m_logFile;
    BOOL m_bLogOpen = FALSE;

    DECLARE_MESSAGE_MAP()
};

extern CKvApp theApp;

// Where the start-up log lives, in the program's path form.
inline constexpr const char* kStartupLogPath = "c:\\QZWLog.txt";
