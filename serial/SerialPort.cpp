// CSerialPort: construction, set-up, the thread's start, pause and stop, the send queue, the
// blocking read and the error box.
#include "SerialPort.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "afx_message_box_a.h"
#include "win32_format_message.h"
#include "win32_sync.h"
#include "win32_thread.h"

namespace {

constexpr std::size_t kPortNameSize = 50;
constexpr std::size_t kErrorTextSize = 200;
constexpr char kEventChar = 'q';
constexpr DWORD kAllPurges = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr DWORD kSuspendFailed = 0xFFFFFFFFu;

BYTE ParityCode(char cParity) {
    switch (std::toupper(static_cast<unsigned char>(cParity))) {
        case 'E':
            return EVENPARITY;
        case 'M':
            return MARKPARITY;
        case 'O':
            return ODDPARITY;
        case 'S':
            return SPACEPARITY;
        default:  // 'N' and anything else
            return NOPARITY;
    }
}

// Seconds to milliseconds. A value too large for 32 bits becomes the longest time-out rather than
// a wrapped short one (MAXDWORD itself would mean "return at once" as an interval).
DWORD Milliseconds(DWORD seconds) {
    constexpr DWORD kLongest = MAXDWORD - 1;
    return seconds > kLongest / 1000 ? kLongest : seconds * 1000;
}

void ResetOrCreate(HANDLE& event) {
    if (event != nullptr) {
        ResetEvent(event);
    } else {
        event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
}

void CloseIfSet(HANDLE& handle) {
    if (handle != nullptr) CloseHandle(handle);
    handle = nullptr;
}

}  // namespace

CSerialPort::CSerialPort()
    : m_dwReserved(0),
      m_bThreadRunning(FALSE),
      m_hStopEvent(nullptr),
      m_hPort(nullptr),
      m_hSendEvent(nullptr),
      m_nSendLength(1) {
    // Once, here: set-up runs again for every open, and the thread may hold the lock then.
    InitializeCriticalSection(&m_lock);
}

CSerialPort::~CSerialPort() {
    StopEventThread(false);  // the owner is not handed anything more while this goes
    if (HANDLE port = m_hPort.exchange(nullptr)) CloseHandle(port);
    CloseIfSet(m_hStopEvent);
    CloseIfSet(m_overlapped.hEvent);
    CloseIfSet(m_hSendEvent);
    CloseIfSet(m_readOverlapped.hEvent);
    CloseIfSet(m_writeOverlapped.hEvent);
    m_pSendBuffer.reset();
    DeleteCriticalSection(&m_lock);
}

void CSerialPort::StopEventThread(bool bDeliver) {
    SetEvent(m_hStopEvent);
    if (m_hThread == nullptr) return;
    // A paused thread would never see the stop: it is let go first.
    DWORD previous;
    do {
        previous = ResumeThread(m_hThread);
    } while (previous != kSuspendFailed && previous > 1);
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
    m_hThread = nullptr;
    // Nothing of this opening may come later, nor before the next opening's first message.
    if (const std::shared_ptr<SerialPortInbox> inbox = m_inbox) {
        const bool bWasHandingOver = std::exchange(m_bHandingOver, true);
        inbox->Close(bDeliver);
        m_bHandingOver = bWasHandingOver;
    }
}

BOOL CSerialPort::OpenAndConfigure(HWND hOwner, UINT nPort, UINT nBaud, char cParity, UINT nDataBits,
                                   UINT nStopBits, DWORD dwEventMask, UINT nSendCapacity,
                                   DWORD dwReadInterval, DWORD dwReadMultiplier, DWORD dwReadConstant,
                                   DWORD dwWriteMultiplier, DWORD dwWriteConstant) {
    if (m_bHandingOver) return FALSE;
    StopEventThread(true);  // the thread closes the port as it ends

    ResetOrCreate(m_overlapped.hEvent);
    ResetOrCreate(m_hSendEvent);
    ResetOrCreate(m_hStopEvent);
    ResetOrCreate(m_readOverlapped.hEvent);
    ResetOrCreate(m_writeOverlapped.hEvent);
    m_hWaitSet[0] = m_hStopEvent;
    m_hWaitSet[1] = m_overlapped.hEvent;
    m_hWaitSet[2] = m_hSendEvent;

    orva::win32::SectionLock locked(m_lock);
    m_hOwner = hOwner;
    m_pSendBuffer.reset(new (std::nothrow) BYTE[nSendCapacity]());
    m_pWriteBuffer.reset(m_pSendBuffer ? new (std::nothrow) BYTE[nSendCapacity] : nullptr);
    if (!m_pWriteBuffer) m_pSendBuffer.reset();
    m_nPort = nPort;
    m_nSendCapacity = m_pSendBuffer ? nSendCapacity : 0;
    m_inbox = std::make_shared<SerialPortInbox>(hOwner, nPort);
    m_dwEventMask = dwEventMask;

    if (HANDLE old = m_hPort.exchange(nullptr)) CloseHandle(old);

    char name[kPortNameSize];
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", static_cast<int>(nPort));
    const BYTE parity = ParityCode(cParity);
    const BYTE stopBits = static_cast<BYTE>(nStopBits);

    HANDLE port = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) return FALSE;  // no port: HasPort says so
    m_hPort = port;

    m_timeouts.ReadIntervalTimeout = Milliseconds(dwReadInterval);
    m_timeouts.ReadTotalTimeoutMultiplier = Milliseconds(dwReadMultiplier);
    m_timeouts.ReadTotalTimeoutConstant = Milliseconds(dwReadConstant);
    m_timeouts.WriteTotalTimeoutMultiplier = Milliseconds(dwWriteMultiplier);
    m_timeouts.WriteTotalTimeoutConstant = Milliseconds(dwWriteConstant);

    if (!SetCommTimeouts(port, &m_timeouts)) {
        ShowApiError("SetCommTimeouts()");
    } else if (!SetCommMask(port, dwEventMask)) {
        ShowApiError("SetCommMask()");
    } else if (!GetCommState(port, &m_lineSettings)) {
        ShowApiError("GetCommState()");
    } else {
        m_lineSettings.EvtChar = kEventChar;
        m_lineSettings.flags = (m_lineSettings.flags & ~kDcbRtsControlMask) | kDcbRtsEnable;
        m_lineSettings.BaudRate = nBaud;
        m_lineSettings.Parity = parity;
        m_lineSettings.ByteSize = static_cast<BYTE>(nDataBits);
        m_lineSettings.StopBits = stopBits;
        if (!SetCommState(port, &m_lineSettings)) ShowApiError("SetCommState()");
    }
    PurgeComm(port, kAllPurges);
    return TRUE;
}

BOOL CSerialPort::StartEventThread() {
    // Without the port and its events the thread could only report failures; two threads on one
    // port would take each other's bytes.
    if (!HasPort() || m_hStopEvent == nullptr || m_hThread != nullptr) return FALSE;
    m_hThread = CreateThread(nullptr, 0, &CSerialPort::EventThreadProc, this, 0, nullptr);
    return m_hThread != nullptr ? TRUE : FALSE;
}

BOOL CSerialPort::ResumeEventThread() {
    ResumeThread(m_hThread);
    return TRUE;
}

BOOL CSerialPort::SuspendEventThread() {
    SuspendThread(m_hThread);
    return TRUE;
}

void CSerialPort::Shutdown() {
    StopEventThread(true);
    if (HANDLE port = m_hPort.exchange(nullptr)) CloseHandle(port);
    for (HANDLE event : {m_hStopEvent, m_overlapped.hEvent, m_hSendEvent, m_readOverlapped.hEvent,
                         m_writeOverlapped.hEvent}) {
        if (event != nullptr) ResetEvent(event);
    }
    orva::win32::SectionLock locked(m_lock);
    m_pSendBuffer.reset();
    m_pWriteBuffer.reset();
}

BOOL CSerialPort::HasPort() const {
    const HANDLE port = m_hPort.load();
    return port != nullptr && port != INVALID_HANDLE_VALUE ? TRUE : FALSE;
}

bool CSerialPort::SendBufferHolds(DWORD room) const {
    return m_pSendBuffer != nullptr && room <= m_nSendCapacity;
}

void CSerialPort::SendQueued() {
    SetEvent(m_hSendEvent);
}

BOOL CSerialPort::QueueText(const char* szText) {
    if (szText == nullptr) return FALSE;
    const std::size_t length = std::strlen(szText);
    {
        orva::win32::SectionLock locked(m_lock);
        if (length >= m_nSendCapacity || !SendBufferHolds(static_cast<DWORD>(length + 1))) return FALSE;
        std::memcpy(m_pSendBuffer.get(), szText, length + 1);
        m_nSendLength = static_cast<DWORD>(length);
    }
    SendQueued();
    return TRUE;
}

BOOL CSerialPort::QueueText(char* szText) {
    return QueueText(static_cast<const char*>(szText));
}

BOOL CSerialPort::QueueBytes(const BYTE* pBytes, DWORD n) {
    if (pBytes == nullptr && n != 0) return FALSE;
    {
        orva::win32::SectionLock locked(m_lock);
        if (!SendBufferHolds(n)) return FALSE;
        if (n != 0) std::memcpy(m_pSendBuffer.get(), pBytes, n);
        m_nSendLength = n;
    }
    SendQueued();
    return TRUE;
}

BOOL CSerialPort::QueueByteCopy(const BYTE* pBytes, DWORD n) {
    if (pBytes == nullptr && n != 0) return FALSE;
    {
        orva::win32::SectionLock locked(m_lock);
        if (!SendBufferHolds(n)) return FALSE;
        for (DWORD i = 0; i < n; ++i) m_pSendBuffer[i] = pBytes[i];
        m_nSendLength = n;
    }
    SendQueued();
    return TRUE;
}

BOOL CSerialPort::QueueTextPadded(const char* szText, DWORD n) {
    if (szText == nullptr) return FALSE;
    const std::size_t length = std::strlen(szText);
    {
        orva::win32::SectionLock locked(m_lock);
        if (length >= m_nSendCapacity || !SendBufferHolds(n) ||
            !SendBufferHolds(static_cast<DWORD>(length + 1)))
            return FALSE;
        std::memset(m_pSendBuffer.get(), 0, n);
        std::memcpy(m_pSendBuffer.get(), szText, length + 1);
        m_nSendLength = n;
    }
    SendQueued();
    return TRUE;
}

BOOL CSerialPort::ReadBlocking(void* pBuffer, DWORD n) {
    auto* bytes = static_cast<BYTE*>(pBuffer);
    if (n != 0) std::memset(bytes, 0, n);
    DWORD done = 0;
    while (done < n) {
        DWORD got = 0;
        if (!ReadFile(m_hPort.load(), bytes + done, n - done, &got, nullptr)) return FALSE;
        // The port's read time-outs bound each call; a call that brings nothing would be repeated
        // for ever.
        if (got == 0) return FALSE;
        done += got;
    }
    return TRUE;
}

void CSerialPort::ShowApiError(const char* szOperation) {
    char* systemText = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, GetLastError(),
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&systemText), 0,
                   nullptr);
    // A long operation name or system text is cut at the end of the box's 200 bytes.
    char text[kErrorTextSize];
    std::snprintf(text, sizeof text, "WARNING:  %s Failed with the following error: \n%s\nPort: %d\n",
                  szOperation != nullptr ? szOperation : "", systemText != nullptr ? systemText : "",
                  static_cast<int>(m_nPort));
    MessageBoxA(nullptr, text, "Application Error", MB_ICONSTOP);
    LocalFree(systemText);
}
