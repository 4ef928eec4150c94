// The status message: run state, elapsed time, and the end of a memory upload. UI thread.
#include <string>

#include "ControlStates.h"
#include "DialogControls.h"
#include "KvDlg.h"
#include "RunState.h"
#include "TestRun.h"
#include "UploadEnd.h"
#include "resources.h"
#include "upload_records.h"
#include "win32_thread.h"

namespace main_dialog = orva::resources::main_dialog;

namespace {

// A pane's text; a text already shown is not set again (a message comes with every reading).
void SetPane(CKvDlg& dlg, int pane, const std::string& text) {
    if (dlg.m_wndStatusBar.GetPaneText(pane) != text) dlg.m_wndStatusBar.SetPaneText(pane, text);
}

// A pane with the width of its new text.
void SetPaneFitted(CKvDlg& dlg, int pane, const std::string& text) {
    if (dlg.m_wndStatusBar.GetPaneText(pane) != text) ShowPaneFitted(dlg, pane, text);
}

std::string TwoDigits(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

void FinishUpload(CKvDlg& dlg) {
    g_bUploadActive = 0;
    dlg.m_nUploadTicks = 0;
    dlg.StopTickTimer();
    Sleep(10);
    dlg.m_bUploadDone = 0;
    EndRun(dlg, ActiveRun(dlg));

    if (HANDLE thread = dlg.m_hAcqThread.load()) TerminateThread(thread, dlg.m_dwAcqThreadId.load());
    // The thread has ended: what it counted as lost is final.
    dlg.SetDlgItemText(main_dialog::kReportText,
                       UploadEndText(dlg.m_nUploadBadFrames.load(), dlg.m_bUploadOverflow.load() != 0,
                                     dlg.m_nUploadRecordsDropped.load()));
    EnableUploadControls(dlg, TRUE);
}

}  // namespace

std::string UploadEndText(int badFrames, bool overflow, int recordsNotStored) {
    std::string text = "Data uploaded successfully!";
    text += "\r\n";
    text += "  ";
    text += "\r\n";
    text += "Click the 'Export Data' button,";
    text += "\r\n";
    text += "you can save the data.";
    if (badFrames > 0 || overflow || recordsNotStored > 0) {
        text += "\r\nWarning: data may be missing:";
        const char* separator = "";
        if (badFrames > 0) {
            text += " " + std::to_string(badFrames) + (badFrames == 1 ? " frame" : " frames") +
                    " refused for a wrong checksum";
            separator = ",";
        }
        if (overflow) {
            text += separator;
            text += " received bytes lost (buffer full)";
            separator = ",";
        }
        if (recordsNotStored > 0) {
            text += separator;
            text += " " + std::to_string(recordsNotStored) +
                    (recordsNotStored == 1 ? " record" : " records") + " beyond the first " +
                    std::to_string(kUploadRecordMax) + " not stored";
        }
        text += ".";
    }
    return text;
}

LRESULT CKvDlg::OnStatusUpdate(WPARAM, LPARAM) {
    if (!m_wndStatusBar.IsWindow()) return 1;
    const BYTE running = m_bRunning.load();
    if (running == 0) {
        SetPane(*this, 1, " Ready  ");
    } else if (running == 1) {
        SetPane(*this, 1, " Running ");
    }

    if (m_bUploadDone.load() == 1) FinishUpload(*this);

    if (m_bClockChanged.load() == 1) {
        // Shown modulo 60, never written back: the tick timer owns the counter, and a tick
        // between a load and a store here would be lost.
        const int seconds = m_nSeconds.load() % 60;
        SetPaneFitted(*this, 3, TwoDigits(m_nMinutes.load()) + ":" + TwoDigits(seconds));
    }
    return 1;
}
