// CSerialPort: the program's second serial-port class. One object opens one port for overlapped
// input and output and runs one event thread that waits on the port's events, on a stop event and
// on a send event; it reports received bytes and line events to an owner window with private
// messages and shows every failed system call at once in a box captioned "Application Error".
//
// The main dialog holds one that it never opens.
//
// Threads: the owner's thread sets up, queues, pauses, shuts down and destroys; the event thread
// reads, sends and reports. m_lock guards the port calls of both and the send buffer with its
// length; nobody holds it while waiting for the device, so a queue call never waits for a send
// (the send goes from the thread's own copy). The owner stops the thread with the stop event and
// joins it; the thread never waits for the owner (its messages go through the inbox, its boxes are
// posted), and its reads and writes watch the stop event too, so a stop never waits on a device
// that does not answer.
#pragma once

#include <atomic>
#include <memory>

#include "SerialPortInbox.h"
#include "afx_types.h"
#include "win32_comm.h"
#include "win32_critical_section.h"
#include "win32_types.h"

// The messages to the owner window; lParam is the port number. They share the range of CnComm's
// notifications with other meanings.
constexpr UINT kSerialBreakMessage = 0x66A;
constexpr UINT kSerialCtsMessage = 0x66B;
constexpr UINT kSerialErrorMessage = 0x66D;
constexpr UINT kSerialRingMessage = 0x66E;
constexpr UINT kSerialByteMessage = 0x670;  // wParam: the received byte
constexpr UINT kSerialRxFlagMessage = 0x671;

class CSerialPort {
public:
    CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;
    virtual ~CSerialPort();

    // Opens "\\.\COM<nPort>" and sets it up: time-outs (given in seconds), event mask, line
    // settings (event character 'q', RTS on). A running event thread is stopped first. FALSE when
    // the port cannot be opened (no box); a later step that fails shows its box and the open still
    // returns TRUE. FALSE, changing nothing, from the owner's handler of a message that Shutdown or
    // another open is handing over: that call decides how the object ends.
    BOOL OpenAndConfigure(HWND hOwner, UINT nPort, UINT nBaud, char cParity, UINT nDataBits, UINT nStopBits,
                          DWORD dwEventMask, UINT nSendCapacity, DWORD dwReadInterval, DWORD dwReadMultiplier,
                          DWORD dwReadConstant, DWORD dwWriteMultiplier, DWORD dwWriteConstant);
    // FALSE without an open port, or while a thread is already there.
    BOOL StartEventThread();
    // Pause and go on; the thread pauses at its next wait. Always TRUE.
    BOOL ResumeEventThread();
    BOOL SuspendEventThread();
    // Stops the thread (also a paused one), closes the port and releases the send buffer. What the
    // thread had taken and the owner not yet had is handed to the owner before this returns
    // (dropped when called from the owner's handler of one of those messages): nothing of this
    // opening comes later. OpenAndConfigure does the same with a running thread; the destructor
    // drops it. When it returns the port is closed and no thread runs: a handler that opens again
    // while it hands over is refused.
    void Shutdown();

    DCB CopyLineSettings() const { return m_lineSettings; }
    DWORD GetEventMask() const { return m_dwEventMask; }
    DWORD GetSendCapacity() const { return m_nSendCapacity; }
    BOOL HasPort() const;

    // Queue a send for the event thread: fill the send buffer, set the count and wake the thread.
    // FALSE, and nothing changes, when what they would write does not fit in the send buffer.
    BOOL QueueText(const char* szText);  // the text and its terminator; sends the text
    BOOL QueueText(char* szText);
    BOOL QueueBytes(const BYTE* pBytes, DWORD n);     // one block copy
    BOOL QueueByteCopy(const BYTE* pBytes, DWORD n);  // byte by byte
    // n zero bytes with the text and its terminator over them; sends the first n bytes.
    BOOL QueueTextPadded(const char* szText, DWORD n);

    // Reads n bytes without the event thread; FALSE when a read fails or brings nothing within
    // the port's read time-outs.
    BOOL ReadBlocking(void* pBuffer, DWORD n);
    // The error box for the calling thread's last error after `szOperation` failed.
    void ShowApiError(const char* szOperation);

    static DWORD EventThreadProc(LPVOID pParam);
    static void ReceivePending(CSerialPort* pPort);
    static void SendPending(CSerialPort* pPort);

protected:
    HANDLE m_hThread = nullptr;
    DWORD m_dwReserved;
    CRITICAL_SECTION m_lock;
    std::atomic<BOOL> m_bThreadRunning;
    HANDLE m_hStopEvent;
    std::atomic<HANDLE> m_hPort;
    HANDLE m_hSendEvent;
    HANDLE m_hWaitSet[3] = {};  // stop, port event, send: the wait's results 0, 1 and 2
    OVERLAPPED m_overlapped;    // the event wait's record; its event is the wait set's second
    COMMTIMEOUTS m_timeouts;
    DCB m_lineSettings{};
    HWND m_hOwner = nullptr;
    UINT m_nPort = 0;
    std::unique_ptr<BYTE[]> m_pSendBuffer;
    DWORD m_dwEventMask = 0;
    DWORD m_nSendCapacity = 0;
    DWORD m_nSendLength;
    // Reads and writes have records of their own: a record is in use until its operation ends,
    // and a read or write must never complete into the event wait's record or each other's.
    OVERLAPPED m_readOverlapped;
    OVERLAPPED m_writeOverlapped;
    // What the running send writes from: the send buffer as it was queued, so that the owner may
    // queue the next one meanwhile. Event thread only, the size of the send buffer.
    std::unique_ptr<BYTE[]> m_pWriteBuffer;
    // The messages for the owner, made for each opening (an earlier one may still be delivering).
    std::shared_ptr<SerialPortInbox> m_inbox;
    // Owner's thread only: the ended thread's messages are being handed over (Shutdown, or an open
    // that stopped a running thread). An opening begun meanwhile by the owner's handler would be
    // closed under its new thread as that call goes on.
    bool m_bHandingOver = false;

private:
    // Sets the stop event and, when a thread is there, lets it go on if paused and joins it; then
    // closes its inbox, handing over what waits there with bDeliver.
    void StopEventThread(bool bDeliver);
    // The read or write on `ov` was left pending: waits for its end or for the stop event, which
    // cuts it short so that it never outlives the buffer it works on. `stopped` tells the second.
    BOOL AwaitIo(OVERLAPPED& ov, DWORD& transferred, bool& stopped);
    // Under m_lock: whether `room` bytes fit in the send buffer.
    bool SendBufferHolds(DWORD room) const;
    void SendQueued();
};
