#include "upload_driver.h"

#include "KvDlg.h"
#include "afx_testing.h"
#include "win32_thread.h"

namespace upload_test {

namespace {

constexpr int kUploadMode = 1043;  // Acquisition page
constexpr int kStart = 1023;

}  // namespace

bool StartUploadWithTheButtons(CKvDlg& dlg) {
    return afx::testing::Click(dlg.m_page1, kUploadMode) && afx::testing::Click(dlg, kStart);
}

void EndUpload(CKvDlg& dlg) {
    dlg.StopTickTimer();
    if (HANDLE thread = dlg.m_hAcqThread.exchange(nullptr)) {
        TerminateThread(thread, dlg.m_dwAcqThreadId.load());
        CloseHandle(thread);
    }
}

}  // namespace upload_test
