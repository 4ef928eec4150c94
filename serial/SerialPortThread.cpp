// CSerialPort: the event thread with its receive and send steps.
#include <algorithm>
#include <cstring>

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
            // After the bytes, through the same inbox, so that the owner sees them in this order.
            SerialPortInbox::Entry lines[std::size(kLineEvents)];
            std::size_t count = 0;
            for (const LineEvent& line : kLineEvents) {
                if (mask & line.event) lines[count++] = SerialPortInbox::MessageEntry(line.message);
            }
            if (count != 0) self->m_inbox->Add(lines, count);
        } else if (result == kSendWanted) {
            SendPending(self);
        } else {
            AfxMessageBox("接收有问题!", MB_OK, 0);
        }
    }
}

void CSerialPort::ReceivePending(CSerialPort* pPort) {
    // The bytes go to the owner in batches: one post for a flood, not one per byte.
    SerialPortInbox::Batch received(*pPort->m_inbox);
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
        DWORD error = ERROR_SUCCESS;
        {
            orva::win32::SectionLock locked(pPort->m_lock);
            ok = ReadFile(port, &byte, 1, &read, &pPort->m_readOverlapped);
            if (!ok) error = GetLastError();
        }
        // A read that has to wait for its byte is waited for without the lock.
        if (!ok && error == ERROR_IO_PENDING) {
            bool stopped = false;
            ok = pPort->AwaitIo(pPort->m_readOverlapped, read, stopped);
            if (!ok && !stopped) pPort->ShowApiError("GetOverlappedResults() in ReadFile()");
        } else if (!ok) {
            SetLastError(error);
            pPort->ShowApiError("ReadFile()");
        }
        // A failed read, or one that timed out empty, has no byte to report.
        if (!ok || read != 1) return;
        received.Add(SerialPortInbox::ByteEntry(byte));
    }
}

void CSerialPort::SendPending(CSerialPort* pPort) {
    ResetEvent(pPort->m_hSendEvent);
    const HANDLE port = pPort->m_hPort.load();
    const char* failed = nullptr;
    DWORD error = ERROR_SUCCESS;
    OVERLAPPED& ov = pPort->m_writeOverlapped;
    DWORD written = 0;
    BOOL ok;
    {
        orva::win32::SectionLock locked(pPort->m_lock);
        ov.Offset = 0;
        ov.OffsetHigh = 0;
        PurgeComm(port, kAllPurges);  // input not yet read goes too
        // The write goes from the thread's copy: the send buffer is the owner's again at once.
        const DWORD length =
            pPort->m_pSendBuffer ? std::min(pPort->m_nSendLength, pPort->m_nSendCapacity) : 0;
        if (length != 0) std::memcpy(pPort->m_pWriteBuffer.get(), pPort->m_pSendBuffer.get(), length);
        ok = WriteFile(port, pPort->m_pWriteBuffer.get(), length, &written, &ov);
        if (!ok) error = GetLastError();
    }
    // A write that has to wait for the device is waited for without the lock.
    if (!ok && error == ERROR_IO_PENDING) {
        bool stopped = false;
        if (!pPort->AwaitIo(ov, written, stopped) && !stopped)
            failed = "GetOverlappedResults() in WriteFile()";
        error = GetLastError();
    } else if (!ok) {
        failed = "WriteFile()";
    }
    if (failed != nullptr) {
        SetLastError(error);
        pPort->ShowApiError(failed);
    }
}
