// CnComm: construction, the queries, opening, set-up and closing, and the workers' end.
#include "CnComm.h"

#include <cstddef>
#include <cstring>

#include "win32_sync.h"
#include "win32_thread.h"
#include "win32_time.h"

namespace {

constexpr DWORD kQueueSize = 4096;
constexpr DWORD kDrainPollMs = 50;
constexpr DWORD kFlushPollMs = 10;
// Every event but EV_RXFLAG.
constexpr DWORD kWatchedEvents =
    EV_RXCHAR | EV_TXEMPTY | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING;

struct TimeoutSet {
    DWORD interval, readMultiplier, readConstant, writeMultiplier, writeConstant;
};
constexpr TimeoutSet kOverlappedTimeouts{100, 0, 500, 1, 10000};
constexpr TimeoutSet kPlainTimeouts{100, 0, 250, 0, 250};

// Milliseconds since `start` on the wrapping tick counter.
DWORD TicksSince(DWORD start) {
    const DWORD now = ::GetTickCount();
    return now >= start ? now - start : 0xFFFFFFFFu - start + now;
}

}  // namespace

CnComm::CnComm(DWORD dwOption)
    : dwOption_(0),
      hComm_(INVALID_HANDLE_VALUE),
      nPortNumber_(-1),
      szPortPath_{},
      csState_{},
      LineSettings_{},
      CO_{},
      pSpareBuffer_(nullptr),
      dwBytesIn_(0),
      dwBytesOut_(0),
      bRunning_(false),
      dwWaitEvent_(0),
      hWatchWorker_(nullptr),
      dwWatchWorkerId_(0),
      hWatchEvent_(nullptr),
      hReadWorker_(nullptr),
      dwReadWorkerId_(0),
      hReadEvent_(nullptr),
      hWriteWorker_(nullptr),
      dwWriteWorkerId_(0),
      hWriteEvent_(nullptr),
      hOwnerWnd_(nullptr),
      dwOwnerThread_(0),
      dwReceiveThreshold_(0),
      RO_{},
      WO_{},
      EO_{} {
    Init();
    SetOption(dwOption);
}

CnComm::~CnComm() {
    Close(500);
    Destroy();
}

void CnComm::SetOption(DWORD dwOption) {
    CN_ASSERT(!IsOpen(), 210);
    dwOption_ = dwOption;
}

bool CnComm::AssertFailed(const char*) {
    return false;
}

void CnComm::Init() {
    InitializeCriticalSection(&csState_);
    std::memset(szPortPath_, 0, sizeof szPortPath_);
    std::memset(&LineSettings_, 0, sizeof LineSettings_);
    LineSettings_.DCBlength = sizeof(DCB);
    hComm_ = INVALID_HANDLE_VALUE;
    nPortNumber_ = -1;
    dwBytesIn_ = 0;
    dwBytesOut_ = 0;
    dwWaitEvent_ = kWatchedEvents;
    hWatchWorker_ = hReadWorker_ = hWriteWorker_ = nullptr;
    dwWatchWorkerId_ = dwReadWorkerId_ = dwWriteWorkerId_ = 0;
    hOwnerWnd_ = nullptr;
    dwReceiveThreshold_ = 0;
    dwOwnerThread_ = 0;
    pSpareBuffer_ = nullptr;
    RO_ = OVERLAPPED{};
    WO_ = OVERLAPPED{};
    EO_ = OVERLAPPED{};
    RO_.hEvent = ::CreateEventA(NULL, TRUE, FALSE, NULL);
    CN_ASSERT(RO_.hEvent != NULL, 1627);
    WO_.hEvent = ::CreateEventA(NULL, TRUE, FALSE, NULL);
    CN_ASSERT(WO_.hEvent != NULL, 1630);
    EO_.hEvent = ::CreateEventA(NULL, TRUE, FALSE, NULL);
    CN_ASSERT(EO_.hEvent != NULL, 1633);
    hWatchEvent_ = ::CreateEventA(NULL, TRUE, FALSE, NULL);
    CN_ASSERT(hWatchEvent_ != NULL, 1637);
    hReadEvent_ = ::CreateEventA(NULL, TRUE, FALSE, NULL);
    CN_ASSERT(hReadEvent_ != NULL, 1639);
    hWriteEvent_ = ::CreateEventA(NULL, TRUE, FALSE, NULL);
    CN_ASSERT(hWriteEvent_ != NULL, 1641);
}

void CnComm::Destroy() {
    for (HANDLE* event :
         {&RO_.hEvent, &WO_.hEvent, &EO_.hEvent, &hWatchEvent_, &hReadEvent_, &hWriteEvent_}) {
        if (*event != nullptr) {
            ::CloseHandle(*event);
            *event = nullptr;
        }
    }
    if (pSpareBuffer_ != nullptr) {
        delete[] pSpareBuffer_;
        pSpareBuffer_ = nullptr;
    }
    DeleteCriticalSection(&csState_);
}

DWORD CnComm::GetModemStatus() {
    if (!CN_ASSERT(IsOpen(), 909)) return 0;
    DWORD dwStatus = 0;
    return ::GetCommModemStatus(hComm_, &dwStatus) ? dwStatus : 0;
}

DWORD CnComm::GetErrorFlags() {
    if (!CN_ASSERT(IsOpen(), 958)) return 0;
    DWORD dwError = 0;
    return ::ClearCommError(hComm_, &dwError, NULL) ? dwError : 0;
}

DWORD CnComm::GetQueueCount(bool bInput) {
    if (!CN_ASSERT(IsOpen(), 966)) return kQueueCountFailed;
    DWORD dwError = 0;
    COMSTAT Stat{};
    if (!::ClearCommError(hComm_, &dwError, &Stat)) return kQueueCountFailed;
    return bInput ? Stat.cbInQue : Stat.cbOutQue;
}

bool CnComm::OpenCommPort() {
    CN_ASSERT(!IsOpen(), 1685);
    if (IsOpen()) Close(500);
    const DWORD dwFlags = FILE_ATTRIBUTE_NORMAL | (IsOverlappedMode() ? FILE_FLAG_OVERLAPPED : 0);
    hComm_ = ::CreateFileA(szPortPath_, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, dwFlags, NULL);
    return IsOpen();
}

bool CnComm::SetupPort() {
    if (!CN_ASSERT(IsOpen(), 1705)) return false;
    if (!CN_ASSERT(::SetupComm(hComm_, 4096, 4096), 1711)) return false;
    static_assert(kQueueSize == 4096);
    if (!CN_ASSERT(::GetCommTimeouts(hComm_, &CO_), 1715)) return false;
    const TimeoutSet& t = IsOverlappedMode() ? kOverlappedTimeouts : kPlainTimeouts;
    CO_.ReadIntervalTimeout = t.interval;
    CO_.ReadTotalTimeoutMultiplier = t.readMultiplier;
    CO_.ReadTotalTimeoutConstant = t.readConstant;
    CO_.WriteTotalTimeoutMultiplier = t.writeMultiplier;
    CO_.WriteTotalTimeoutConstant = t.writeConstant;
    if (!CN_ASSERT(::SetCommTimeouts(hComm_, &CO_), 1724)) return false;
    // clang-format off
    if (!CN_ASSERT(::PurgeComm(hComm_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR ), 1727))
        return false;
    // clang-format on
    return true;
}

void CnComm::Close(DWORD dwWaitTime) {
    if (OnWorker()) {
        CloseFromWorker(dwWaitTime);
        return;
    }
    // Also joins a worker that closed the port from a notifier and is on its way out.
    EndThread(dwWaitTime);
    if (IsOpen()) ClosePort(dwWaitTime);
}

void CnComm::CloseFromWorker(DWORD dwWaitTime) {
    // The first worker to close does it; any other (or one calling again) only leaves its loop.
    if (!IsOpen() || bWorkerClosing_.exchange(true)) {
        bRunning_ = false;
        return;
    }
    EndThread(dwWaitTime);
    ClosePort(dwWaitTime);
}

void CnComm::ClosePort(DWORD dwWaitTime) {
    if (dwOption_ & (EN_FLUSH_ON_CLOSE | EN_DRAIN_ON_CLOSE)) {
        // The writes still running get the time granted to close; the flush itself would wait for
        // as long as a device takes nothing.
        const DWORD dwStart = ::GetTickCount();
        DWORD n = GetQueueCount(false);
        while (n != 0 && n != kQueueCountFailed && TicksSince(dwStart) < dwWaitTime) {
            ::Sleep(kFlushPollMs);
            n = GetQueueCount(false);
        }
        if (n == 0) ::FlushFileBuffers(hComm_);
    }
    ::PurgeComm(hComm_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    // The purge has ended every write; their bytes go with them, and what is still queued was
    // meant for this port, not for the next one opened on this object.
    EnterCriticalSection(&csState_);
    DWORD dwTaken = 0;
    FinishPendingWrite(dwTaken, true);
    ReapDirectWrites(true);
    OutBlocks_.Lock();
    OutBlocks_.Clear();
    OutBlocks_.Unlock();
    LeaveCriticalSection(&csState_);
    ::CloseHandle(hComm_);
    hComm_ = INVALID_HANDLE_VALUE;
}

bool CnComm::EndThread(DWORD dwWaitTime) {
    struct Worker {
        HANDLE& handle;
        HANDLE event;
        const DWORD& id;
    };
    const Worker workers[] = {{hWatchWorker_, hWatchEvent_, dwWatchWorkerId_},
                              {hReadWorker_, hReadEvent_, dwReadWorkerId_},
                              {hWriteWorker_, hWriteEvent_, dwWriteWorkerId_}};
    // On a worker (Close from a notifier) the handles are only looked at: the owner's thread
    // closes them, and joins the calling worker, which cannot wait for itself.
    const bool bOwner = !OnWorker();
    HANDLE handles[3] = {};
    DWORD ids[3] = {};
    {
        std::lock_guard guard(mxWorkers_);
        for (std::size_t i = 0; i < 3; ++i) {
            handles[i] = workers[i].handle;
            ids[i] = workers[i].id;
        }
    }
    if (handles[0] == nullptr && handles[1] == nullptr && handles[2] == nullptr) return false;
    if ((dwOption_ & EN_DRAIN_ON_CLOSE) && (dwOption_ & EN_TX_BUFFER)) {
        // Queued bytes get the time granted to a worker to leave; a port that takes nothing
        // would keep them for ever.
        const DWORD dwStart = ::GetTickCount();
        while (OutBlocks_.Size() != 0 && ::GetTickCount() - dwStart < dwWaitTime) ::Sleep(kDrainPollMs);
    }
    bRunning_ = false;
    if (IsOverlappedMode()) ::SetCommMask(hComm_, 0);
    for (std::size_t i = 0; i < 3; ++i) {
        if (handles[i] == nullptr) continue;
        ::SetEvent(workers[i].event);
        if (!bOwner && ids[i] == ::GetCurrentThreadId()) continue;
        // A worker that is not back in time is asked to stop at its next wait and joined: it is
        // never killed in the middle of a buffer operation.
        if (::WaitForSingleObject(handles[i], dwWaitTime) != WAIT_OBJECT_0 &&
            !::TerminateThread(handles[i], 0))
            return false;
        if (!bOwner) continue;
        ::CloseHandle(handles[i]);
        std::lock_guard guard(mxWorkers_);
        workers[i].handle = nullptr;
    }
    return true;
}

bool CnComm::KeepRunning() const {
    return bRunning_ && !::ThreadStopRequested();
}
