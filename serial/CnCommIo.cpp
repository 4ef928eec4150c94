// CnComm: reading and writing, straight on the port or through the block buffers.
#include <algorithm>
#include <cstring>

#include "CnComm.h"
#include "win32_sync.h"
#include "win32_time.h"

namespace {

// Milliseconds since `start` on the wrapping tick counter.
DWORD TicksSince(DWORD start) {
    const DWORD now = ::GetTickCount();
    return now >= start ? now - start : 0xFFFFFFFFu - start + now;
}

}  // namespace

DWORD CnComm::AwaitOverlapped(OVERLAPPED& o, DWORD dwAbortFlag) {
    DWORD dwDone = 0;
    for (;;) {
        if (::GetOverlappedResult(hComm_, &o, &dwDone, TRUE)) return dwDone;
        // Failed or cut short: what it moved is in the record.
        if (::GetOverlappedResult(hComm_, &o, &dwDone, FALSE) || ::GetLastError() != ERROR_IO_INCOMPLETE)
            return dwDone;
        // Still running, but this thread has been asked to stop: cut it short.
        ::PurgeComm(hComm_, dwAbortFlag);
    }
}

DWORD CnComm::ReadPort(void* pBuffer, DWORD dwLength, DWORD dwWaitTime) {
    if (!CN_ASSERT(IsOpen(), 408)) return 0;
    if (dwLength == 0) return 0;

    COMSTAT Stat{};
    DWORD dwError = 0;
    DWORD dwQueued = 0;  // a port whose status cannot be read has nothing queued for the timed read
    if (::ClearCommError(hComm_, &dwError, &Stat)) {
        if (dwError != 0) ::PurgeComm(hComm_, PURGE_RXABORT);
        dwQueued = Stat.cbInQue;
    }

    DWORD count = 0;
    if (!IsOverlappedMode()) {
        DWORD dwReadResult = 0;
        CN_ASSERT(::ReadFile(hComm_, pBuffer, dwLength, &dwReadResult, NULL), 460);
        count = dwReadResult;
    } else if (dwWaitTime == INFINITE) {
        DWORD dwReadResult = 0;
        if (!::ReadFile(hComm_, pBuffer, dwLength, &dwReadResult, &RO_)) {
            dwReadResult = 0;
            if (CN_ASSERT(::GetLastError() == ERROR_IO_PENDING, 421)) {
                // Waited for again only while it runs; a failed read (the device gone) ends here.
                while (!CN_ASSERT(::GetOverlappedResult(hComm_, &RO_, &dwReadResult, TRUE), 423)) {
                    if (::GetOverlappedResult(hComm_, &RO_, &dwReadResult, FALSE) ||
                        ::GetLastError() != ERROR_IO_INCOMPLETE) {
                        break;
                    }
                    ::PurgeComm(hComm_, PURGE_RXABORT);  // asked to stop: the read must not outlive pBuffer
                }
            }
        }
        count = dwReadResult;
    } else {
        const DWORD dwStart = ::GetTickCount();
        BYTE* const pBytes = static_cast<BYTE*>(pBuffer);
        DWORD uReadLength = std::min(dwLength, dwQueued);
        DWORD uReadReturn = 0;
        bool bFailed = false;
        if (uReadLength != 0 &&
            !CN_ASSERT(::ReadFile(hComm_, pBuffer, uReadLength, &uReadReturn, &RO_), 433)) {
            // The bytes asked for are queued: a pending read ends soon; its count is used once it has.
            uReadReturn = 0;
            if (::GetLastError() == ERROR_IO_PENDING) {
                uReadReturn = AwaitOverlapped(RO_, PURGE_RXABORT);
            } else {
                bFailed = true;
            }
        }
        count = uReadReturn;
        while (!bFailed && count < dwLength) {
            DWORD dwByte = 0;
            if (!::ReadFile(hComm_, pBytes + count, 1, &dwByte, &RO_)) {
                if (::GetLastError() != ERROR_IO_PENDING) break;
                if (dwWaitTime <= 5 || ::WaitForSingleObject(RO_.hEvent, dwWaitTime) != WAIT_OBJECT_0) {
                    CN_ASSERT(::PurgeComm(hComm_, PURGE_RXABORT), 449);
                    // The byte may have come just before the read was cut short.
                    count += AwaitOverlapped(RO_, PURGE_RXABORT);
                    break;
                }
                const DWORD elapsed = TicksSince(dwStart);
                CN_ASSERT(::GetOverlappedResult(hComm_, &RO_, &uReadReturn, FALSE), 444);
                dwByte = uReadReturn;
                dwWaitTime = dwWaitTime > elapsed ? dwWaitTime - elapsed : 0;
            }
            if (dwByte == 0) break;
            ++count;
        }
    }
    dwBytesIn_ += count;
    return count;
}

DWORD CnComm::ReadIntoBuffer(DWORD dwCount) {
    if (dwCount == 0) return 0;
    InBlocks_.Lock();
    DWORD dwAdded = 0;
    // No block for the bytes (a failed allocation or an impossible size): nothing is read.
    if (void* p = InBlocks_.GetFreePointer(dwCount))
        dwAdded = InBlocks_.Commit(ReadPort(p, dwCount, INFINITE));
    InBlocks_.Unlock();
    return dwAdded;
}

bool CnComm::FinishPendingWrite(DWORD& dwTaken) {
    dwTaken = 0;
    if (!bWritePending_) return true;
    DWORD dwWritten = 0;
    if (::GetOverlappedResult(hComm_, &WO_, &dwWritten, TRUE)) {
        dwTaken = std::min(dwWritten, dwPendingBlockBytes_);  // a timed-out write leaves the rest queued
    } else if (!::GetOverlappedResult(hComm_, &WO_, &dwWritten, FALSE) &&
               ::GetLastError() == ERROR_IO_INCOMPLETE) {
        return false;  // still running; this thread was asked to stop
    } else {
        dwTaken = dwPendingBlockBytes_;  // failed or cut short: its bytes cannot go
    }
    dwBytesOut_ += dwWritten;
    bWritePending_ = false;
    dwPendingBlockBytes_ = 0;
    return true;
}

bool CnComm::HasBytesForWatchLoop() {
    if (!(dwOption_ & EN_TX_BUFFER) || (dwOption_ & EN_TX_WORKER) || OutBlocks_.LockedSize() == 0)
        return false;
    // With a write in flight the queued bytes follow on its EV_TXEMPTY.
    EnterCriticalSection(&csState_);
    DWORD dwDone = 0;
    const bool bInFlight = bWritePending_ && !::GetOverlappedResult(hComm_, &WO_, &dwDone, FALSE) &&
                           ::GetLastError() == ERROR_IO_INCOMPLETE;
    LeaveCriticalSection(&csState_);
    return !bInFlight;
}

DWORD CnComm::WritePort(const void* pBuffer, DWORD dwLength) {
    if (!CN_ASSERT(IsOpen(), 497)) return 0;
    if (dwLength == 0 || pBuffer == nullptr) return 0;
    DWORD dwError = 0;
    if (::ClearCommError(hComm_, &dwError, NULL) && dwError != 0) ::PurgeComm(hComm_, PURGE_TXABORT);

    DWORD dwWritten = 0;
    if (!IsOverlappedMode()) {
        ::WriteFile(hComm_, pBuffer, dwLength, &dwWritten, NULL);
        dwBytesOut_ += dwWritten;
        return dwWritten;
    }
    EnterCriticalSection(&csState_);
    DWORD dwTaken = 0;
    if (!FinishPendingWrite(dwTaken)) {
        LeaveCriticalSection(&csState_);
        return 0;
    }
    if (dwTaken != 0) {
        OutBlocks_.Lock();
        OutBlocks_.Read(nullptr, dwTaken);
        OutBlocks_.Unlock();
    }
    if (!::WriteFile(hComm_, pBuffer, dwLength, &dwWritten, &WO_)) {
        dwWritten = 0;
        // The write reads the caller's bytes, which are the caller's again once this returns.
        if (CN_ASSERT(::GetLastError() == ERROR_IO_PENDING, 510))
            dwWritten = AwaitOverlapped(WO_, PURGE_TXABORT);
    }
    dwBytesOut_ += dwWritten;
    LeaveCriticalSection(&csState_);
    return dwWritten;
}

DWORD CnComm::StartBlockWrite(DWORD dwCount) {
    const DWORD k = std::min(dwCount, OutBlocks_.FirstLength());
    if (k == 0) return 0;
    DWORD dwError = 0;
    if (::ClearCommError(hComm_, &dwError, NULL) && dwError != 0) ::PurgeComm(hComm_, PURGE_TXABORT);
    DWORD dwWritten = 0;
    if (::WriteFile(hComm_, OutBlocks_.FirstData(), k, &dwWritten, &WO_)) {
        dwBytesOut_ += dwWritten;
        return OutBlocks_.Read(nullptr, dwWritten);
    }
    if (::GetLastError() == ERROR_IO_PENDING) {
        // The bytes stay in the block until the write has read them.
        bWritePending_ = true;
        dwPendingBlockBytes_ = k;
        return 0;
    }
    return OutBlocks_.Read(nullptr, k);  // the port refused them: they cannot go
}

DWORD CnComm::WriteFromBuffer(DWORD dwCount) {
    if (IsOverlappedMode()) {
        EnterCriticalSection(&csState_);
        DWORD dwTaken = 0;
        if (!FinishPendingWrite(dwTaken)) {
            LeaveCriticalSection(&csState_);
            return 0;
        }
        OutBlocks_.Lock();
        if (dwTaken != 0) OutBlocks_.Read(nullptr, dwTaken);
        if (OutBlocks_.Size() != 0 && IsOpen()) dwTaken += StartBlockWrite(dwCount);
        OutBlocks_.Unlock();
        LeaveCriticalSection(&csState_);
        return dwTaken;
    }

    BYTE cbData[kDefaultWriteChunk];
    OutBlocks_.Lock();
    const DWORD dwCopied = OutBlocks_.Read(cbData, std::min<DWORD>(dwCount, sizeof cbData));
    OutBlocks_.Unlock();
    DWORD dwDone = 0;
    while (dwDone < dwCopied) {
        const DWORD dwWritten = WritePort(cbData + dwDone, dwCopied - dwDone);
        // Nothing taken within the port's write time-out: the port accepts nothing, the rest is
        // given up rather than tried for ever.
        if (dwWritten == 0) break;
        dwDone += dwWritten;
    }
    return dwCopied;
}

DWORD CnComm::Write(const void* pBuffer, DWORD dwLength) {
    if (dwLength == 0 || !(dwOption_ & EN_TX_BUFFER)) return WritePort(pBuffer, dwLength);
    if (pBuffer == nullptr) return 0;
    OutBlocks_.Lock();
    OutBlocks_.Write(pBuffer, dwLength);
    if (dwOption_ & EN_TX_WORKER) {
        ::SetEvent(hWriteEvent_);  // the write loop sends at once
    } else if (IsOverlappedMode()) {
        ::SetCommMask(hComm_, dwWaitEvent_);  // ends the watch loop's event wait with an empty mask
    } else {
        ::SetEvent(hWatchEvent_);
    }
    OutBlocks_.Unlock();
    return 0;
}

DWORD CnComm::WriteString(const char* szBuffer) {
    if (!CN_ASSERT(szBuffer, 555)) return 0;
    return Write(szBuffer, static_cast<DWORD>(std::strlen(szBuffer)));
}
