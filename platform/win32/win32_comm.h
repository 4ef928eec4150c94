// The kernel's serial-port calls on a tty: CreateFileA on "COMn" or "\\.\COMn" (the number
// resolved through the port table), ReadFile and WriteFile plain or overlapped, the comm state,
// masks, events, queues and time-outs. Handles are closed with CloseHandle.
//
// How a port behaves here:
//  - Every open port has one worker thread of its own that completes the operations that cannot
//    finish at once. A plain call waits for its operation; an overlapped call returns FALSE with
//    ERROR_IO_PENDING and the worker later fills the OVERLAPPED record and sets its event. A
//    pending operation uses the caller's buffer until it completes: keep it valid until then.
//  - Reads and writes follow the COMMTIMEOUTS rules of Windows (all zero: no time-out; interval,
//    multiplier and constant; MAXDWORD interval with zero total for "return what is there").
//    A time-out completes the operation successfully with the bytes moved so far.
//  - Waits for port events: EV_RXCHAR holds while the input queue is not empty, EV_RXFLAG once
//    after the event character of the line settings came, EV_TXEMPTY once after written bytes left
//    the output queue, the modem-line events when the device reports its lines, EV_BREAK and
//    EV_ERR when the device counts breaks and line errors (a UART does, a pseudo-terminal has
//    neither lines nor counters). ClearCommError reports those as CE_ flags, each once. A break is
//    no data byte. SetCommMask completes a pending wait with an empty mask.
//  - A device that vanished (unplugged, its pseudo-terminal's master closed) fails every later
//    call with ERROR_BAD_COMMAND, and its pending operations complete with that error.
//  - Closing the handle or PurgeComm's abort flags complete pending operations with
//    ERROR_OPERATION_ABORTED. A CreateThread thread asked to stop leaves a plain call's wait, or
//    GetOverlappedResult's, with ERROR_OPERATION_ABORTED (the operation itself goes on).
#pragma once

#include "win32_error.h"
#include "win32_types.h"

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000u;
constexpr DWORD MAXDWORD = 0xFFFFFFFFu;

constexpr DWORD ERROR_BAD_COMMAND = 22;
constexpr DWORD ERROR_IO_INCOMPLETE = 996;
constexpr DWORD ERROR_IO_PENDING = 997;

// Port events (SetCommMask, WaitCommEvent).
constexpr DWORD EV_RXCHAR = 0x0001;
constexpr DWORD EV_RXFLAG = 0x0002;
constexpr DWORD EV_TXEMPTY = 0x0004;
constexpr DWORD EV_CTS = 0x0008;
constexpr DWORD EV_DSR = 0x0010;
constexpr DWORD EV_RLSD = 0x0020;
constexpr DWORD EV_BREAK = 0x0040;
constexpr DWORD EV_ERR = 0x0080;
constexpr DWORD EV_RING = 0x0100;

// Line errors (ClearCommError).
constexpr DWORD CE_RXOVER = 0x0001;
constexpr DWORD CE_OVERRUN = 0x0002;
constexpr DWORD CE_RXPARITY = 0x0004;
constexpr DWORD CE_FRAME = 0x0008;
constexpr DWORD CE_BREAK = 0x0010;

constexpr DWORD PURGE_TXABORT = 0x0001;
constexpr DWORD PURGE_RXABORT = 0x0002;
constexpr DWORD PURGE_TXCLEAR = 0x0004;
constexpr DWORD PURGE_RXCLEAR = 0x0008;

constexpr DWORD MS_CTS_ON = 0x0010;
constexpr DWORD MS_DSR_ON = 0x0020;
constexpr DWORD MS_RING_ON = 0x0040;
constexpr DWORD MS_RLSD_ON = 0x0080;

constexpr BYTE NOPARITY = 0;
constexpr BYTE ODDPARITY = 1;
constexpr BYTE EVENPARITY = 2;
constexpr BYTE MARKPARITY = 3;
constexpr BYTE SPACEPARITY = 4;
constexpr BYTE ONESTOPBIT = 0;
constexpr BYTE ONE5STOPBITS = 1;
constexpr BYTE TWOSTOPBITS = 2;

struct OVERLAPPED {
    ULONG_PTR Internal = 0;      // completion status: ERROR_IO_PENDING while pending, then an error code
    ULONG_PTR InternalHigh = 0;  // bytes moved
    DWORD Offset = 0;
    DWORD OffsetHigh = 0;
    HANDLE hEvent = nullptr;  // set when the operation completes (reset when it starts)
};
using LPOVERLAPPED = OVERLAPPED*;

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout = 0;
    DWORD ReadTotalTimeoutMultiplier = 0;
    DWORD ReadTotalTimeoutConstant = 0;
    DWORD WriteTotalTimeoutMultiplier = 0;
    DWORD WriteTotalTimeoutConstant = 0;
};

struct COMSTAT {
    DWORD flags = 0;  // hold reasons; none are reported here
    DWORD cbInQue = 0;
    DWORD cbOutQue = 0;
};

// Line settings, a plain record (zero it before use). 28 bytes, as DCBlength expects; the flag word's bits:
// binary 0x1, parity check 0x2, CTS flow 0x4, RTS handshake 0x2000 (RTS control 2), XON/XOFF out 0x100 and in
// 0x200.
struct DCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD flags;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};
static_assert(sizeof(DCB) == 28);

constexpr DWORD kDcbBinary = 0x1;
constexpr DWORD kDcbParityCheck = 0x2;
constexpr DWORD kDcbOutxCtsFlow = 0x4;
constexpr DWORD kDcbOutX = 0x100;
constexpr DWORD kDcbInX = 0x200;
constexpr DWORD kDcbRtsHandshake = 0x2000;
// The two bits of the RTS control (0 disabled, 1 enabled, 2 handshake, 3 toggle) and RTS enabled.
constexpr DWORD kDcbRtsControlMask = 0x3000;
constexpr DWORD kDcbRtsEnable = 0x1000;

// Only serial ports open here: "COMn" or "\\.\COMn", n a port of the port table; anything else
// fails with ERROR_FILE_NOT_FOUND, a port held by another opener with ERROR_ACCESS_DENIED. The
// port opens raw (no echo, no line editing, no translation) at its current speed.
HANDLE CreateFileA(const char* fileName, DWORD access, DWORD shareMode, void* security, DWORD disposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, OVERLAPPED* overlapped);
BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* transferred, BOOL wait);

BOOL SetCommMask(HANDLE file, DWORD mask);
BOOL GetCommMask(HANDLE file, DWORD* mask);
BOOL WaitCommEvent(HANDLE file, DWORD* eventMask, OVERLAPPED* overlapped);
BOOL ClearCommError(HANDLE file, DWORD* errors, COMSTAT* status);
BOOL PurgeComm(HANDLE file, DWORD flags);
BOOL SetupComm(HANDLE file, DWORD inQueue, DWORD outQueue);
BOOL GetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts);
BOOL SetCommTimeouts(HANDLE file, const COMMTIMEOUTS* timeouts);
BOOL GetCommState(HANDLE file, DCB* dcb);
BOOL SetCommState(HANDLE file, const DCB* dcb);
// Fails with ERROR_NOT_SUPPORTED on a device without modem lines (a pseudo-terminal).
BOOL GetCommModemStatus(HANDLE file, DWORD* modemStatus);
BOOL ClearCommBreak(HANDLE file);
// Waits until every pending write has completed and the output queue is empty.
BOOL FlushFileBuffers(HANDLE file);
