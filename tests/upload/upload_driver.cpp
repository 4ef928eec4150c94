#include "upload_driver.h"

#include "AcquisitionSettings.h"
#include "ExportText.h"
#include "KvDlg.h"
#include "ReceiveRing.h"
#include "RunState.h"
#include "SampleStore.h"
#include "TestRun.h"
#include "frame_protocol.h"
#include "win32_thread.h"

namespace upload_test {

namespace {

void EndThread(CKvDlg& dlg) {
    if (HANDLE thread = dlg.m_hAcqThread.exchange(nullptr)) {
        TerminateThread(thread, dlg.m_dwAcqThreadId.load());
        CloseHandle(thread);
    }
}

}  // namespace

void StartUploadLikeStart(CKvDlg& dlg) {
    g_bRealTimeMode = 0;  // "Upload Memory Data From Gauge"
    // The run is numbered before its thread and timer exist: their posted stops check it.
    BeginRun(dlg);
    // 1. Texts and flags.
    dlg.m_strResult.clear();
    g_strExportText.clear();
    g_strReportTitle.clear();
    g_strReportHeader.clear();
    dlg.m_bUploadDone = 0;
    dlg.m_bHeaderPending = 1;
    // 2. Report box and list.
    dlg.SetDlgItemText(1054, "");
    dlg.m_listResults.DeleteAllItems();
    // 3. Ring (emptied from the reader's side: the port may be delivering), counts.
    DiscardRxData(dlg);
    g_nSampleIndex = 0;
    g_nSampleCount = 0;
    dlg.m_nUploadTicks = 0;
    // 4. Graph.
    dlg.m_graph.ClearGraph();
    dlg.m_graph.SetCurveColor(0x0000FFFF);
    dlg.m_graph.SetCurveOption(FALSE);
    // 5. A new acquisition thread.
    EndThread(dlg);
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, AcquisitionThread, &dlg, 0, &id);
    dlg.m_dwAcqThreadId = id;
    dlg.m_hAcqThread = thread;
    // 6. The connect request.
    g_bUploadActive = 0;
    dlg.m_port.Output(GAUGE_CMD_CONNECT, sizeof GAUGE_CMD_CONNECT);
    // 7. Controls.
    dlg.GetDlgItem(1023)->EnableWindow(FALSE);
    dlg.GetDlgItem(1080)->EnableWindow(FALSE);
    dlg.GetDlgItem(1026)->EnableWindow(FALSE);
    dlg.m_page1.GetDlgItem(1042)->EnableWindow(FALSE);
    dlg.m_page1.GetDlgItem(1082)->EnableWindow(FALSE);
    // 8. The tick timer.
    dlg.StartTickTimer(10);
}

void EndUpload(CKvDlg& dlg) {
    dlg.StopTickTimer();
    EndThread(dlg);
}

}  // namespace upload_test
