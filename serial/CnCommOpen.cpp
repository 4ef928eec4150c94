// CnComm::Open: naming the port, line settings, notification targets, opening, set-up and the
// workers, in that order.
#include <cstdio>

#include "CnComm.h"
#include "win32_thread.h"

bool CnComm::Open(DWORD dwPort, DWORD dwBaudRate, BYTE byParity, BYTE byByteSize, BYTE byStopBits,
                  HWND hOwnerWnd, DWORD dwOwnerThread, DWORD dwReceiveThreshold) {
    // The workers of this object are stopped and joined here: a worker cannot wait for itself.
    if (OnWorker()) return false;
    Close(500);  // the workers of an earlier opening read the fields set below
    bWorkerClosing_ = false;
    std::snprintf(szPortPath_, sizeof szPortPath_, "\\\\.\\COM%u", static_cast<unsigned>(dwPort));
    nPortNumber_ = static_cast<int>(dwPort);
    hOwnerWnd_ = hOwnerWnd;
    dwOwnerThread_ = dwOwnerThread;
    dwReceiveThreshold_ = dwReceiveThreshold;
    if (!OpenCommPort()) return false;

    LineSettings_.DCBlength = sizeof(DCB);
    bool ok = ::GetCommState(hComm_, &LineSettings_) != FALSE;
    if (ok) {
        LineSettings_.BaudRate = dwBaudRate;
        LineSettings_.Parity = byParity;
        LineSettings_.ByteSize = byByteSize;
        LineSettings_.StopBits = byStopBits;
        LineSettings_.flags = kDcbBinary;  // no flow control
        ok = ::SetCommState(hComm_, &LineSettings_) && SetupPort();
    }
    if (ok) {
        // A worker closing from a notifier reads the handles: it finds all of them set.
        std::lock_guard guard(mxWorkers_);
        bRunning_ = true;
        hWatchWorker_ = ::CreateThread(NULL, 0, WatchWorker, this, 0, &dwWatchWorkerId_);
        ok = hWatchWorker_ != nullptr;
        if (ok && (dwOption_ & EN_RX_WORKER)) {
            hReadWorker_ = ::CreateThread(NULL, 0, ReadWorker, this, 0, &dwReadWorkerId_);
            ok = hReadWorker_ != nullptr;
        }
        if (ok && (dwOption_ & EN_TX_WORKER)) {
            hWriteWorker_ = ::CreateThread(NULL, 0, WriteWorker, this, 0, &dwWriteWorkerId_);
            ok = hWriteWorker_ != nullptr;
        }
    }
    if (!ok) {
        bRunning_ = false;
        Close(500);
    }
    return ok;
}
