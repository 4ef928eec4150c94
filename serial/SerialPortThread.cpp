// CSerialPort: the event thread with its receive and send steps.
#include "SerialPort.h"
#include "afx.h"
#include "afx_window_calls.h"
#include "win32_sync.h"
#include "win32_thread.h"

namespace {

constexpr DWORD kAllPurges = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr DWORD kThreadExitCode = 100;
constexpr DWORD kStopped = WAIT_OBJECT_0;
constexpr DWORD kPortEvent = WAIT_OBJECT_0 + 1;
constexpr DWORD kSendWanted = WAIT_OBJECT_0 + 2;

// The line events reported at every port event, in this order, when the port's mask holds them.
struct LineEvent {
    DWORD event;
    UINT message;
};
constexpr LineEvent kLineEvents[] = {{EV_CTS, kSerialCtsMessage},
                                     {EV_RXFLAG, kSerialRxFlagMessage},
                                     {EV_BREAK, kSerialBreakMessage},
                                     {EV_ERR, kSerialErrorMessage},
                                     {EV_RING, kSerialRingMessage}};

}  // namespace

BOOL CSerialPort::AwaitIo(OVERLAPPED& ov, DWORD& transferred, bool& stopped) {
    const HANDLE port = m_hPort.load();
    const HANDLE ends[2] = {m_hStopEvent, ov.hEvent};
    stopped = WaitForMultipleObjects(2, ends, FALSE, INFINITE) != WAIT_OBJECT_0 + 1;
    if (stopped) PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT);
    return GetOverlappedResult(port, &ov, &transferred, TRUE);
}

DWORD CSerialPort::EventThreadProc(LPVOID pParam) {
    auto* self = static_cast<CSerialPort*>(pParam);
    self->m_bThreadRunning = TRUE;
    if (self->m_hPort.load() != nullptr) PurgeComm(self->m_hPort.load(), kAllPurges);

    // Filled in by a pending wait when it completes; closing the port ends that wait first.
    DWORD eventWord = 0;
    for (;;) {
        const HANDLE port = self->m_hPort.load();
        if (WaitCommEvent(port, &eventWord, &self->m_overlapped)) {
            DWORD errors = 0;
            COMSTAT status{};
            ClearCommError(port, &errors, &status);
            if (status.cbInQue == 0) continue;
        } else {
            // 87: a wait is still pending from before a send; 997: the wait has begun.
            const DWORD error = GetLastError();
            if (error != ERROR_INVALID_PARAMETER && error != ERROR_IO_PENDING) {
                self->ShowApiError("WaitCommEvent()");
                // No wait runs now: the record's event must not report one, or this would go
                // round at once for as long as the port fails.
                ResetEvent(self->m_overlapped.hEvent);
            }
        }

        const DWORD result = WaitForMultipleObjects(3, self->m_hWaitSet, FALSE, INFINITE);
        if (result == kStopped || ThreadStopRequested()) {
            CloseHandle(self->m_hPort.exchange(nullptr));
            self->m_bThreadRunning = FALSE;
            return kThreadExitCode;
        }
        if (result == kPortEvent) {
            // The events the port was set up for, not those that occurred.
            DWORD mask = 0;
            GetCommMask(port, &mask);
            if (mask & EV_RXCHAR) ReceivePending(self);
            for (const LineEvent& line : kLineEvents) {
                if (mask & line.event) {
                    SendMessageA(self->m_hOwner, line.message, 0, static_cast<LPARAM>(self->m_nPort));
                }
            }
        } else if (result == kSendWanted) {
            SendPending(self);
        } else {
            AfxMessageBox("接收有问题!", MB_OK, 0);
        }
    }
}

void CSerialPort::ReceivePending(CSerialPort* pPort) {
    for (;;) {
        if (WaitForSingleObject(pPort->m_hStopEvent, 0) == WAIT_OBJECT_0) return;
        const HANDLE port = pPort->m_hPort.load();
        {
            orva::win32::SectionLock locked(pPort->m_lock);
            DWORD errors = 0;
            COMSTAT status{};
            if (!ClearCommError(port, &errors, &status) || status.cbInQue == 0) return;
        }
        BYTE byte = 0;
        DWORD read = 0;
        BOOL ok;
        {
            orva::win32::SectionLock locked(pPort->m_lock);
            ok = ReadFile(port, &byte, 1, &read, &pPort->m_readOverlapped);
            if (!ok && GetLastError() == ERROR_IO_PENDING) {
                bool stopped = false;
                ok = pPort->AwaitIo(pPort->m_readOverlapped, read, stopped);
                if (!ok && !stopped) pPort->ShowApiError("GetOverlappedResults() in ReadFile()");
            } else if (!ok) {
                pPort->ShowApiError("ReadFile()");
            }
        }
        // A failed read, or one that timed out empty, has no byte to report.
        if (!ok || read != 1) return;
        SendMessageA(pPort->m_hOwner, kSerialByteMessage, byte, static_cast<LPARAM>(pPort->m_nPort));
    }
}

void CSerialPort::SendPending(CSerialPort* pPort) {
    ResetEvent(pPort->m_hSendEvent);
    const HANDLE port = pPort->m_hPort.load();
    const char* failed = nullptr;
    DWORD error = ERROR_SUCCESS;
    {
        orva::win32::SectionLock locked(pPort->m_lock);
        OVERLAPPED& ov = pPort->m_writeOverlapped;
        ov.Offset = 0;
        ov.OffsetHigh = 0;
        PurgeComm(port, kAllPurges);  // input not yet read goes too
        DWORD written = 0;
        if (!WriteFile(port, pPort->m_pSendBuffer.get(), pPort->m_nSendLength, &written, &ov)) {
            if (GetLastError() == ERROR_IO_PENDING) {
                bool stopped = false;
                if (!pPort->AwaitIo(ov, written, stopped) && !stopped)
                    failed = "GetOverlappedResults() in WriteFile()";
            } else {
                failed = "WriteFile()";
            }
            error = GetLastError();
        }
    }
    if (failed != nullptr) {
        SetLastError(error);
        pPort->ShowApiError(failed);
    }
}
