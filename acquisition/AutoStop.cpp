#include "AutoStop.h"

#include "ControlStates.h"
#include "KvDlg.h"
#include "RealTimeParser.h"
#include "ReceiveRing.h"
#include "ResultSummary.h"
#include "RunState.h"
#include "SampleStore.h"
#include "StartStop.h"
#include "TestRun.h"
#include "resources.h"
#include "win32_thread.h"

namespace main_dialog = orva::resources::main_dialog;

namespace {

// UI thread. The stopping reading's live list row was added by the thread before it posted this.
void RunAutoStop(CKvDlg& dlg) {
    // The thread has returned or is about to: join it first, so that the store is complete.
    if (HANDLE thread = dlg.m_hAcqThread.load()) TerminateThread(thread, dlg.m_dwAcqThreadId.load());
    dlg.StopTickTimer();
    dlg.StopPollTimer();
    EnableSetupAfterTest(dlg);

    g_bRecording = 0;
    dlg.m_nArmedTicks = 0;
    dlg.m_nTickInSecond = 0;
    dlg.m_nSeconds = 0;
    dlg.m_nMinutes = 0;
    dlg.m_nStartToggle = 0;
    dlg.GetDlgItem(main_dialog::kStartAcquisition)->SetWindowText("Start acquisition");
    dlg.m_bGraphReset = 1;
    DiscardRxData(dlg);
    dlg.m_nLineStart.store(dlg.m_nRxRead.load());

    const std::int32_t last = g_nSampleIndex.load();
    const float peak = g_fPeak.load();
    dlg.m_graph.ClearGraph();
    dlg.m_graph.SetCurveColor(RgbColour(255, 255, 0));
    dlg.m_graph.SetCurveOption(FALSE);
    dlg.m_graph.SetCurveStyle(2);
    dlg.m_graph.SetRange(0, g_fTime[last], -peak - 5.0f, peak + 5.0f);
    ShowStoredReadings(dlg, last);

    AppendAutoStopResults(dlg.m_strResult);
    ShowFinalReport(dlg);
    dlg.m_bRunning = 0;
    dlg.PostMessage(WM_STATUS_UPDATE, 0, 0);
    g_strUnit = g_strReadingUnit;
    g_strResultUnit = g_strUnit;
    const std::int32_t count = g_nSampleCount.load();
    g_dRangeEnd = count > 0 ? dlg.m_graph.GetElementX(count - 1, 0) : 0.0;
    g_dRangeStart = 0.0;
}

}  // namespace

void PostAutoStop(CKvDlg& dlg, unsigned run) {
    PostToDialog(dlg, [run](CKvDlg& d) {
        if (!RunIsActive(d, run) || !EndRun(d, run)) return;
        RunAutoStop(d);
    });
}
