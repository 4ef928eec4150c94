// CnComm: reading and writing, straight on the port or through the block buffers.
#include <algorithm>
#include <cstring>
#include <new>

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

bool CnComm::FinishPendingWrite(DWORD& dwTaken, bool bWait) {
    dwTaken = 0;
    if (!bWritePending_) return true;
    DWORD dwWritten = 0;
    if (::GetOverlappedResult(hComm_, &WO_, &dwWritten, bWait ? TRUE : FALSE)) {
        dwTaken = std::min(dwWritten, dwPendingBlockBytes_);  // a timed-out write leaves the rest queued
    } else if (::GetLastError() == ERROR_IO_INCOMPLETE ||
               (!::GetOverlappedResult(hComm_, &WO_, &dwWritten, FALSE) &&
                ::GetLastError() == ERROR_IO_INCOMPLETE)) {
        return false;  // still running
    } else {
        dwTaken = dwPendingBlockBytes_;  // failed or cut short: its bytes cannot go
    }
    dwBytesOut_ += dwWritten;
    bWritePending_ = false;
    dwPendingBlockBytes_ = 0;
    return true;
}

void CnComm::ReapDirectWrites(bool bWait) {
    while (!directWrites_.empty()) {
        DWORD dwDone = 0;
        OVERLAPPED& ov = directWrites_.front()->ov;
        if (!::GetOverlappedResult(hComm_, &ov, &dwDone, bWait ? TRUE : FALSE) &&
            ::GetLastError() == ERROR_IO_INCOMPLETE) {
            return;  // still running; so are those behind it
        }
        directWrites_.pop_front();
    }
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
    // The write is not waited for: it goes from a copy of the caller's bytes, with a record of its
    // own, since WO_ may carry a block write of OutBlocks_ that is still running.
    auto write = std::unique_ptr<DirectWrite>(new (std::nothrow) DirectWrite);
    if (write) write->bytes.reset(new (std::nothrow) BYTE[dwLength]);
    if (!write || !write->bytes) return 0;
    std::memcpy(write->bytes.get(), pBuffer, dwLength);
    EnterCriticalSection(&csState_);
    ReapDirectWrites(false);
    if (::WriteFile(hComm_, write->bytes.get(), dwLength, &dwWritten, &write->ov)) {
        dwBytesOut_ += dwLength;
    } else if (CN_ASSERT(::GetLastError() == ERROR_IO_PENDING, 510)) {
        dwWritten = 0;  // nothing is reported while it runs
        dwBytesOut_ += dwLength;
        directWrites_.push_back(std::move(write));
    } else {
        dwWritten = 0;
    }
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
        while (!FinishPendingWrite(dwTaken, false)) {
            LeaveCriticalSection(&csState_);
            // The watch loop never waits for the device: the write in flight sends the next on
            // its EV_TXEMPTY.
            if (OnWatchWorker()) return 0;
            // The write in flight must end before the next starts on WO_; it is waited for without
            // csState_, which the owner's calls take. A stop request ends the wait.
            if (::WaitForSingleObject(WO_.hEvent, INFINITE) != WAIT_OBJECT_0) return 0;
            EnterCriticalSection(&csState_);
        }
        OutBlocks_.Lock();
        if (dwTaken != 0) OutBlocks_.Read(nullptr, dwTaken);
        if (OutBlocks_.Size() != 0 && IsOpen()) dwTaken += StartBlockWrite(dwCount);
        OutBlocks_.Unlock();
        LeaveCriticalSection(&csState_);
        return dwTaken;
    }

    // The bytes are copied and stay queued until the port has taken them: a device that pauses
    // longer than the write time-out gets them later, in order. Only this sender takes bytes out.
    BYTE cbData[kDefaultWriteChunk];
    OutBlocks_.Lock();
    const DWORD dwCopied = std::min({dwCount, static_cast<DWORD>(sizeof cbData), OutBlocks_.FirstLength()});
    if (dwCopied != 0) std::memcpy(cbData, OutBlocks_.FirstData(), dwCopied);
    OutBlocks_.Unlock();
    // The watch loop makes one write (it takes input between two); any other sender tries again.
    const bool bOneWrite = OnWatchWorker();
    DWORD dwDone = 0;
    while (dwDone < dwCopied) {
        const DWORD dwWritten = WritePort(cbData + dwDone, dwCopied - dwDone);
        dwDone += dwWritten;
        if (bOneWrite) break;
        // Nothing taken within the write time-out: tried again, unless this thread is to stop
        // or the port is gone.
        if (dwWritten == 0 && (!KeepRunning() || GetQueueCount(false) == kQueueCountFailed)) break;
    }
    if (dwDone != 0) {
        OutBlocks_.Lock();
        OutBlocks_.Read(nullptr, dwDone);
        OutBlocks_.Unlock();
    }
    return dwDone;
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
