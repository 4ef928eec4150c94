// CnComm: notifications of port events and the worker loops.
#include "CnComm.h"
#include "afx_window_calls.h"
#include "win32_sync.h"
#include "win32_thread.h"
#include "win32_thread_message.h"

namespace {

constexpr DWORD kBusyInputPauseMs = 10;  // the overlapped watch loop's pause while input waits
constexpr DWORD kPollMs = 50;            // the polling loops' round
constexpr DWORD kWriteWaitMs = 200;      // the write loop's longest wait for a wake-up

// The read request of the event handler: twice what is queued and a margin, within 32 bits.
DWORD EventReadRequest(DWORD n) {
    return n <= (0xFFFFFFFFu - 64) / 2 ? 2 * n + 64 : n;
}

// The object whose worker the calling thread is, and whether it is the watch worker.
struct WorkerOf {
    const CnComm* comm = nullptr;
    bool watch = false;
};
thread_local WorkerOf tWorkerOf;

}  // namespace

bool CnComm::OnWorker() const {
    return tWorkerOf.comm == this;
}

bool CnComm::OnWatchWorker() const {
    return tWorkerOf.comm == this && tWorkerOf.watch;
}

void CnComm::Notify(UINT uMsg, LPARAM lParam, bool bPost) {
    const WPARAM wParam = static_cast<WPARAM>(static_cast<LPARAM>(nPortNumber_));
    if (hOwnerWnd_ != nullptr && ::IsWindow(hOwnerWnd_)) {
        if (bPost) {
            ::PostMessageA(hOwnerWnd_, uMsg, wParam, lParam);
        } else {
            ::SendMessageA(hOwnerWnd_, uMsg, wParam, lParam);
        }
    }
    if (dwOwnerThread_ != 0) ::PostThreadMessageA(dwOwnerThread_, uMsg, wParam, lParam);
}

void CnComm::OnReceive() {
    Notify(ON_COM_RECEIVE, 0, true);
}

void CnComm::OnDSR() {
    Notify(ON_COM_DSR, IsDSR() ? 1 : 0, true);
}

void CnComm::OnCTS() {
    Notify(ON_COM_CTS, IsCTS() ? 1 : 0, true);
}

void CnComm::OnBreak() {
    ::ClearCommBreak(hComm_);
    Notify(ON_COM_BREAK, 0, true);
}

void CnComm::OnTxEmpty() {
    Notify(ON_COM_TXEMPTY, 0, true);
}

void CnComm::OnError() {
    Notify(ON_COM_ERROR, static_cast<LPARAM>(GetErrorFlags()), true);
}

void CnComm::OnRing() {
    Notify(ON_COM_RING, IsRing() ? 1 : 0, true);
}

void CnComm::OnRLSD() {
    Notify(ON_COM_RLSD, IsRLSD() ? 1 : 0, true);
}

void CnComm::OnRxFlag() {
    Notify(ON_COM_RXFLAG, 0, true);
}

void CnComm::OnExtra1() {
    Notify(ON_COM_EXTRA1, 0, true);
}

void CnComm::OnExtra2() {
    Notify(ON_COM_EXTRA2, 0, true);
}

void CnComm::OnExtra3() {
    Notify(ON_COM_EXTRA3, 0, true);
}

void CnComm::OnExtra4() {
    Notify(ON_COM_EXTRA4, 0, true);
}

void CnComm::OnExtra5() {
    Notify(ON_COM_EXTRA5, 0, true);
}

void CnComm::ReceiveStep(DWORD dwQueued, DWORD dwRequest) {
    if (dwOption_ & EN_RX_BUFFER) {
        ReadIntoBuffer(dwRequest);
        if (InBlocks_.Size() >= dwReceiveThreshold_) OnReceive();
    } else if (dwQueued >= dwReceiveThreshold_) {
        OnReceive();  // the bytes stay in the port's input queue
    }
}

void CnComm::HandleEvent(DWORD dwMask) {
    // A notifier may close the port: the events after it are not handled.
    const bool bWasOpen = IsOpen();
    const auto closed = [&] { return bWasOpen && !IsOpen(); };
    if ((dwMask & EV_RXCHAR) && !(dwOption_ & EN_RX_WORKER)) {
        const DWORD n = GetQueueCount(true);
        if (n != 0 && n != kQueueCountFailed) ReceiveStep(n, EventReadRequest(n));
        if (closed()) return;
    }
    if (dwMask & EV_TXEMPTY) {
        if ((dwOption_ & EN_TX_BUFFER) && !(dwOption_ & EN_TX_WORKER) && OutBlocks_.LockedSize() != 0)
            WriteFromBuffer(kDefaultWriteChunk);
        OnTxEmpty();
    }
    using Notifier = void (CnComm::*)();
    static constexpr struct {
        DWORD event;
        Notifier notifier;
    } kNotifiers[] = {{EV_RXFLAG, &CnComm::OnRxFlag}, {EV_CTS, &CnComm::OnCTS},
                      {EV_DSR, &CnComm::OnDSR},       {EV_RING, &CnComm::OnRing},
                      {EV_RLSD, &CnComm::OnRLSD},     {EV_BREAK, &CnComm::OnBreak},
                      {EV_ERR, &CnComm::OnError}};
    for (const auto& n : kNotifiers) {
        if (closed()) return;
        if (dwMask & n.event) (this->*n.notifier)();
    }
}

DWORD CnComm::WatchLoopOverlapped() {
    if (!CN_ASSERT(IsOpen(), 1917)) return 1;
    if (!CN_ASSERT(::SetCommMask(hComm_, dwWaitEvent_), 1920)) return 1;
    // Filled in by a pending wait when it completes: it must not be pending when the loop ends.
    DWORD dwMask = 0;
    while (KeepRunning() && IsOpen()) {
        dwMask = 0;
        const DWORD n = GetQueueCount(true);
        if (n == kQueueCountFailed) break;  // the port no longer answers (unplugged): nothing will come
        if (n != 0) {
            dwMask = EV_RXCHAR;
            ::Sleep(kBusyInputPauseMs);
        } else if (HasBytesForWatchLoop()) {
            // Queued while this loop was not waiting: Write's SetCommMask found no wait to end.
        } else if (!::WaitCommEvent(hComm_, &dwMask, &EO_)) {
            if (::GetLastError() != ERROR_IO_PENDING) {
                ::Sleep(kBusyInputPauseMs);
                continue;
            }
            // Bytes queued just before the wait began: the wait is ended here, as Write would.
            if (HasBytesForWatchLoop()) ::SetCommMask(hComm_, dwWaitEvent_);
            DWORD dwTransferred = 0;
            if (!::GetOverlappedResult(hComm_, &EO_, &dwTransferred, TRUE) &&
                !::GetOverlappedResult(hComm_, &EO_, &dwTransferred, FALSE) &&
                ::GetLastError() == ERROR_IO_INCOMPLETE) {
                // Asked to stop while the wait runs: setting the mask ends it.
                ::SetCommMask(hComm_, dwWaitEvent_);
                ::GetOverlappedResult(hComm_, &EO_, &dwTransferred, TRUE);
                break;
            }
        }
        if (dwMask != 0) {
            HandleEvent(dwMask);
            // While input keeps coming this loop does not wait for the port's events, so neither
            // a Write nor the end of a write in flight would reach it: each such pass also sends
            // once, after the input, as the polling loop does.
            if (n != 0 && HasBytesForWatchLoop()) WriteFromBuffer(kDefaultWriteChunk);
        } else if (HasBytesForWatchLoop()) {
            // Woken by Write. With a write still in flight the bytes follow on its EV_TXEMPTY;
            // this loop goes back to the port's events meanwhile.
            WriteFromBuffer(kDefaultWriteChunk);
        }
    }
    return 0;
}

DWORD CnComm::WatchLoopPolling() {
    if (!CN_ASSERT(IsOpen(), 1958)) return 1;
    // With a write worker only the write loop sends: two senders would interleave their chunks.
    const bool bSends = (dwOption_ & EN_TX_BUFFER) && !(dwOption_ & EN_TX_WORKER);
    while (KeepRunning() && IsOpen()) {
        const DWORD r = ::WaitForSingleObject(hWatchEvent_, kPollMs);
        if (!KeepRunning()) break;
        if (r != WAIT_OBJECT_0 && r != WAIT_TIMEOUT) continue;
        // Reset before sending, so that a Write meanwhile wakes the next round.
        if (r == WAIT_OBJECT_0) ::ResetEvent(hWatchEvent_);
        // Each round takes input first, then sends one write (WriteFromBuffer makes one attempt on
        // this thread, within the port's write time-out): a device that leaves its output unread
        // delays its input by one write at most.
        const DWORD n = GetQueueCount(true);
        if (n == kQueueCountFailed) break;  // the port no longer answers
        if (n != 0) ReceiveStep(n, n);
        if (!KeepRunning() || !bSends || OutBlocks_.LockedSize() == 0) continue;
        // The device took bytes: the next round goes at once. It took none: the rest waits a
        // round, still queued and in order.
        if (WriteFromBuffer(kDefaultWriteChunk) != 0 && OutBlocks_.LockedSize() != 0)
            ::SetEvent(hWatchEvent_);
    }
    return 0;
}

DWORD CnComm::ReadLoop() {
    while (KeepRunning()) {
        ::Sleep(kPollMs);
        const DWORD n = GetQueueCount(true);
        if (n == kQueueCountFailed) break;  // closed or unplugged
        if (n != 0) ReceiveStep(n, n);
    }
    return 0;
}

DWORD CnComm::WriteLoop() {
    CN_ASSERT(dwOption_ & EN_TX_BUFFER, 2073);
    while (KeepRunning()) {
        ::WaitForSingleObject(hWriteEvent_, kWriteWaitMs);
        ::ResetEvent(hWriteEvent_);  // a Write from here on wakes the next round
        while (KeepRunning() && OutBlocks_.LockedSize() != 0) {
            // Plain: nothing went, and the port is gone or this loop is to stop. Overlapped: the
            // first write has started; the next call waits for it.
            if (WriteFromBuffer(kDefaultWriteChunk) == 0 && !IsOverlappedMode()) break;
        }
    }
    return 0;
}

DWORD CnComm::WatchWorker(LPVOID pParam) {
    auto* self = static_cast<CnComm*>(pParam);
    tWorkerOf = {self, true};
    return self->IsOverlappedMode() ? self->WatchLoopOverlapped() : self->WatchLoopPolling();
}

DWORD CnComm::ReadWorker(LPVOID pParam) {
    tWorkerOf = {static_cast<CnComm*>(pParam), false};
    return static_cast<CnComm*>(pParam)->ReadLoop();
}

DWORD CnComm::WriteWorker(LPVOID pParam) {
    tWorkerOf = {static_cast<CnComm*>(pParam), false};
    return static_cast<CnComm*>(pParam)->WriteLoop();
}
