// The Start button and the shared stop routine. The stop by time reaches StopAcquisition on the
// UI thread, posted by the tick timer.
#include "KvDlg.h"
#include "ReceiveRing.h"
#include "SharedState.h"
#include "win32_thread.h"

void CKvDlg::OnBnClickedStartAcquisition() {}

void CKvDlg::StopAcquisition() {
    if (HANDLE thread = m_hAcqThread.load()) TerminateThread(thread, m_dwAcqThreadId.load());
    g_strForce.clear();
    g_strChar.clear();
    g_bRecording = 0;
    m_nArmedTicks = 0;
    m_nTickInSecond = 0;
    m_nSeconds = 0;
    m_nMinutes = 0;
    m_nStartToggle = 0;
    GetDlgItem(1023)->SetWindowText("Start acquisition");
    m_bGraphReset = 1;
    StopTickTimer();
    StopPollTimer();
    DiscardRxData(*this);
    m_nLineStart.store(m_nRxRead.load());
    m_bRunning = 0;
    PostMessage(WM_STATUS_UPDATE, 0, 0);
}

LRESULT CKvDlg::OnStatusUpdate(WPARAM, LPARAM) {
    if (!m_wndStatusBar.IsWindow()) return 1;
    const BYTE running = m_bRunning.load();
    if (running == 0) {
        m_wndStatusBar.SetPaneText(1, " Ready  ");
    } else if (running == 1) {
        m_wndStatusBar.SetPaneText(1, " Running ");
    }
    return 1;
}
