// ReceiveRing: the 4096-byte ring inside the main dialog through which received bytes go from
// the port's receive thread (OnPortReceive, the only writer of the write position) to the
// acquisition thread (the only one that moves the read position during a test).
//
// The ring is empty when read == write; one slot always stays free. A byte is stored before the
// write position moves past it (release), and the reader loads the write position with acquire
// before it reads bytes.
//
// A reader that finds the ring empty blocks in WaitForRxData: it raises the dialog's
// m_nRxReaderWaiting flag and waits on it; the receive callback clears the flag and wakes it
// only when the flag is up, so the receive path makes no system call while the reader is busy.
// A stop request of the reading thread (TerminateThread) wakes it through RxReaderStopWake.
#pragma once

#include <cstdint>
#include <stop_token>

class CKvDlg;

inline constexpr std::int32_t kRxRingSize = 4096;

// Blocks while the ring is empty. True when bytes are there (read != write), false when the
// calling thread was asked to stop.
bool WaitForRxData(CKvDlg& dlg);

// Empties the ring from the reader's side: read := write. Bytes that arrived so far are dropped;
// the callback may go on writing meanwhile.
void DiscardRxData(CKvDlg& dlg);

// While alive, a stop request of the calling CreateThread thread wakes its WaitForRxData.
// Construct it once at the top of the reading loop, on the reading thread.
class RxReaderStopWake {
public:
    explicit RxReaderStopWake(CKvDlg& dlg);
    RxReaderStopWake(const RxReaderStopWake&) = delete;
    RxReaderStopWake& operator=(const RxReaderStopWake&) = delete;

private:
    struct Waker {
        CKvDlg* dlg;
        void operator()() const noexcept;
    };
    std::stop_callback<Waker> m_callback;
};

// The receive side (OnPortReceive) wakes a waiting reader with this; it does nothing when the
// reader is not waiting.
void WakeRxReader(CKvDlg& dlg);
