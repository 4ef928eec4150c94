#include "upload_driver.h"

#include "KvDlg.h"
#include "afx_testing.h"
#include "resources.h"
#include "win32_thread.h"

namespace upload_test {

bool StartUploadWithTheButtons(CKvDlg& dlg) {
    namespace ids = orva::resources;
    return afx::testing::Click(dlg.m_page1, ids::acquisition_page::kUploadMemory) &&
           afx::testing::Click(dlg, ids::main_dialog::kStartAcquisition);
}

void EndUpload(CKvDlg& dlg) {
    dlg.StopTickTimer();
    if (HANDLE thread = dlg.m_hAcqThread.exchange(nullptr)) {
        TerminateThread(thread, dlg.m_dwAcqThreadId.load());
        CloseHandle(thread);
    }
}

}  // namespace upload_test
