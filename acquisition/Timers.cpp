#include "Timers.h"

#include <cmath>

#include "AcquisitionSettings.h"
#include "ControlStates.h"
#include "KvDlg.h"
#include "RunState.h"
#include "SampleStore.h"
#include "TestConditions.h"
#include "TestRun.h"
#include "UploadRepeats.h"
#include "frame_protocol.h"
#include "win32_thread.h"

namespace {

// The longest period the multimedia timers accept.
constexpr UINT kMaxTimerPeriodMs = 1000000;

// The timer whose stop request (or time-out) was posted last; a timer posts once in its life.
std::atomic<UINT> g_stopPostedBy{0};
std::atomic<UINT> g_timeoutPostedBy{0};

UINT StartTimer(std::uint64_t periodNs, LPTIMECALLBACK callback, CKvDlg* dlg) {
    TIMECAPS caps{};
    if (timeGetDevCaps(&caps, sizeof caps) != TIMERR_NOERROR) return 0;
    UINT resolution = caps.wPeriodMin > 1 ? caps.wPeriodMin : 1;
    if (resolution > caps.wPeriodMax) resolution = caps.wPeriodMax;
    timeBeginPeriod(resolution);
    return timeSetEventNs(periodNs, resolution, callback, reinterpret_cast<DWORD_PTR>(dlg), TIME_PERIODIC);
}

void KillTimer(std::atomic<UINT>& stored) {
    const UINT id = stored.exchange(0);
    if (id != 0) timeKillEvent(id);
}

void SendBytes(CKvDlg& dlg, const BYTE* bytes, unsigned long n) {
    dlg.m_port.Output(bytes, n);
}

// The gauge's answer is in our hands: bytes wait in the receive ring, or the acquisition thread is
// still handling a frame (it takes a byte out of the ring only after handling it). The gauge cannot
// tell a repeated request from a new one, so asking again now would bring a block twice.
bool AnswerPending(const CKvDlg& dlg) {
    return dlg.m_nRxRead.load(std::memory_order_acquire) != dlg.m_nRxWrite.load(std::memory_order_acquire);
}

void PostStopByTime(CKvDlg& dlg, UINT timerId) {
    if (g_stopPostedBy.exchange(timerId) == timerId) return;
    // The budget is reached: no reading is asked for from now on, however late the UI thread
    // takes the stop. (Killing the poll timer waits for its callback, which never waits for us.)
    dlg.StopPollTimer();
    const unsigned run = ActiveRun(dlg);
    PostToDialog(dlg, [timerId, run](CKvDlg& d) {
        // Only while this timer's test still runs: a stop made meanwhile already did the work.
        if (RunIsLive(d, run) && g_nTickTimerId.load() == timerId) d.StopAcquisition();
    });
}

void PostUploadTimeout(CKvDlg& dlg, UINT timerId) {
    if (g_timeoutPostedBy.exchange(timerId) == timerId) return;
    const unsigned run = ActiveRun(dlg);
    PostToDialog(dlg, [timerId, run](CKvDlg& d) {
        if (RunIsLive(d, run) && g_nTickTimerId.load() == timerId) UploadTimeout(d);
    });
}

}  // namespace

bool CKvDlg::StartPollTimer(UINT periodMs) {
    // Readings are asked for on the nominal schedule: k x 1000/rate ms after the start, however
    // the rate divides into milliseconds.
    std::uint64_t periodNs = static_cast<std::uint64_t>(periodMs) * 1000000u;
    const double rate = g_fReadingsPerSecond;
    // A period beyond the timers' range is left as it is (the start then fails); only within it
    // is the exact period made an integer.
    const double exactMs = rate > 0.0 ? 1000.0 / rate : 0.0;
    if (exactMs >= 1.0 && exactMs <= static_cast<double>(kMaxTimerPeriodMs) &&
        static_cast<UINT>(exactMs) == periodMs) {
        periodNs = static_cast<std::uint64_t>(std::llround(1e9 / rate));
    }
    const UINT id = StartTimer(periodNs, &PollTimerProc, this);
    g_nPollTimerId = id;
    return id != 0;
}

bool CKvDlg::StartTickTimer(UINT periodMs) {
    const UINT id = StartTimer(static_cast<std::uint64_t>(periodMs) * 1000000u, &TickTimerProc, this);
    g_nTickTimerId = id;
    return id != 0;
}

void CKvDlg::StopPollTimer() {
    KillTimer(g_nPollTimerId);
}
void CKvDlg::StopTickTimer() {
    KillTimer(g_nTickTimerId);
}

void PollTimerProc(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    CKvDlg& dlg = *reinterpret_cast<CKvDlg*>(user);
    const bool byDelay = g_bStartByDelay.load() != 0;
    const bool byLoad = g_bStartByLoad.load() != 0;
    if ((byDelay && !byLoad && g_bRecording.load() != 0) || (!byDelay && byLoad)) {
        static constexpr BYTE kRequest[1] = {'?'};
        SendBytes(dlg, kRequest, 1);
    }
}

void TickTimerProc(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    CKvDlg& dlg = *reinterpret_cast<CKvDlg*>(user);
    if (g_bRealTimeMode.load() != 0) {
        dlg.m_nArmedTicks.fetch_add(1);
        if (dlg.m_nTickInSecond.fetch_add(1) + 1 >= 100) {
            dlg.m_nTickInSecond = 0;
            if (dlg.m_nSeconds.fetch_add(1) + 1 >= 60) {
                const int minutes = dlg.m_nMinutes.load() + 1;
                dlg.m_nMinutes = minutes > 59 ? 0 : minutes;
                dlg.m_nSeconds = 0;
            }
            dlg.m_bClockChanged = 1;
        }
        const bool byDelay = g_bStartByDelay.load() != 0;
        const bool byLoad = g_bStartByLoad.load() != 0;
        if (byDelay && !byLoad && g_bArmed.load() == 1 &&
            static_cast<unsigned>(dlg.m_nArmedTicks.load()) >=
                static_cast<unsigned>(dlg.m_nDelayTicks.load())) {
            g_bArmed = 0;
            dlg.m_nArmedTicks = 0;
            g_bRecording = 1;
            dlg.m_nSeconds = 0;
            dlg.m_nMinutes = 0;
        }
        if (g_bStopByTime.load() != 0 && g_bStopByLoad.load() == 0 &&
            static_cast<unsigned>(g_nSampleCount.load()) >=
                static_cast<unsigned>(dlg.m_nSampleBudget.load())) {
            PostStopByTime(dlg, id);
        }
        return;
    }

    // Upload: once the time-out is on its way this timer sends nothing more.
    if (g_timeoutPostedBy.load() == id) return;
    if (g_bUploadActive.load() != 1) {
        if (!AnswerPending(dlg)) SendRepeatedRequest(dlg, GAUGE_CMD_CONNECT);
        if (dlg.m_nUploadTicks.fetch_add(1) + 1 > 1000) {
            g_bUploadActive = 0;
            dlg.m_nUploadTicks = 0;
            PostUploadTimeout(dlg, id);
        }
        return;
    }
    if (dlg.m_nUploadTicks.fetch_add(1) + 1 > 1000) {
        dlg.m_nUploadTicks = 0;
        PostUploadTimeout(dlg, id);
        return;
    }
    if (dlg.m_nUploadTicks.load() > 2 && dlg.m_bUploadDone.load() == 0 && !AnswerPending(dlg)) {
        SendRepeatedRequest(dlg, GAUGE_CMD_NEXT);
    }
}

void UploadTimeout(CKvDlg& dlg) {
    // Timer and thread end before the box shows, so no second time-out follows while it is open.
    dlg.StopTickTimer();
    if (HANDLE thread = dlg.m_hAcqThread.load()) TerminateThread(thread, dlg.m_dwAcqThreadId.load());
    // The end frame came after all, just before the thread ended: the status message that it
    // posted finishes the upload instead.
    if (dlg.m_bUploadDone.load() == 1) return;
    EndRun(dlg, ActiveRun(dlg));
    dlg.m_bUploading = 0;
    dlg.MessageBox(kUploadTimeoutText, "System Message", MB_OK);
    EnableUploadControls(dlg, TRUE);
}
