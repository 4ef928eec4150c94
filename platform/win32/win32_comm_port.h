// Internal: one open serial port behind a handle of win32_comm.h, with the worker thread that
// completes its pending operations. Every member takes the port's lock; the worker does its
// system calls under it too (they never block: the device is non-blocking).
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "win32_comm.h"
#include "win32_handle_table.h"
#include "win32_line_counters.h"

namespace orva::win32 {

class CommPort : public Win32Object {
public:
    // Opens the tty at `device` raw; nullptr with the Windows error in `error` on failure. Breaks
    // and line errors are taken from `counters` (the kernel's by default).
    static std::shared_ptr<CommPort> Open(const std::string& device, bool overlapped, DWORD& error,
                                          std::unique_ptr<LineCounterSource> counters = KernelLineCounters());
    ~CommPort() override;
    void OnHandleClosed() override;

    BOOL Read(void* buffer, DWORD length, DWORD* done, OVERLAPPED* ov);
    BOOL Write(const void* buffer, DWORD length, DWORD* done, OVERLAPPED* ov);
    BOOL WaitEvent(DWORD* eventMask, OVERLAPPED* ov);
    BOOL Result(OVERLAPPED* ov, DWORD* transferred, bool wait);
    BOOL SetMask(DWORD mask);
    BOOL GetMask(DWORD* mask);
    BOOL ClearError(DWORD* errors, COMSTAT* status);
    BOOL Purge(DWORD flags);
    BOOL Setup(DWORD inQueue, DWORD outQueue);
    BOOL GetTimeouts(COMMTIMEOUTS* timeouts);
    BOOL SetTimeouts(const COMMTIMEOUTS* timeouts);
    BOOL GetState(DCB* dcb);
    BOOL SetState(const DCB* dcb);
    BOOL ModemStatus(DWORD* status);
    BOOL ClearBreak();
    BOOL Flush();

private:
    using Clock = std::chrono::steady_clock;
    enum class OpKind { Read, Write, Wait };
    struct Op {
        OpKind kind = OpKind::Read;
        unsigned char* data = nullptr;  // a write's source is only read
        DWORD length = 0;
        DWORD done = 0;
        OVERLAPPED* ov = nullptr;  // null: a plain call waits for the op
        DWORD* eventMask = nullptr;
        bool finished = false;
        DWORD status = ERROR_SUCCESS;
        bool immediate = false;           // return what is there
        bool returnOnFirstBytes = false;  // wait for the first bytes only
        DWORD interval = 0;               // longest gap between bytes once bytes came; 0: none
        Clock::time_point lastByte;
        std::optional<Clock::time_point> deadline;
    };

    CommPort(int fd, int wakeFd, bool overlapped);
    void Run();
    void Wake();

    // All below: with m_lock held.
    bool Usable();  // sets the last error when closed or gone
    bool ProbeGone();
    void MarkGone();
    void FailAll(DWORD status);
    void Finish(Op* op, DWORD status);
    void Progress(Clock::time_point now);
    bool ReadSome(Op& op, Clock::time_point now);
    // Writes what the device takes now, on whichever thread writes; the first bytes since the
    // last EV_TXEMPTY wake the worker when a wait watches for it.
    bool WriteSome(Op& op);
    bool ReadDone(const Op& op, Clock::time_point now) const;
    bool WriteDone(const Op& op, Clock::time_point now) const;
    DWORD PendingEvents();
    // Reads the line counters and records what changed as error flags and events.
    void UpdateLineCounts();
    // Bytes taken from the device, on whichever thread reads them: each event character among
    // them raises EV_RXFLAG once, and a pending wait hears of it at once.
    void NoteReceived(const unsigned char* bytes, std::size_t n);
    // With EV_RXFLAG watched, input is taken into the read-ahead so that the event character is
    // seen when it arrives, not when someone reads it.
    bool ReadAhead();
    // Takes what the device has into the read-ahead, as much as it holds; false when it is gone.
    bool FillReadAhead();
    void TakeReadAhead(Op& op, Clock::time_point now);
    std::size_t ReadAheadSize() const { return m_readAhead.size() - m_readAheadPos; }
    DWORD InQueue();
    DWORD OutQueue();
    int PollTimeoutMs(Clock::time_point now);
    void PrepareRead(Op& op) const;
    void PrepareWrite(Op& op) const;
    // Queues `op` (copied for an overlapped call) or waits for it; the common end of the calls.
    BOOL Submit(std::unique_lock<std::mutex>& lock, Op& op, std::deque<Op*>* queue, DWORD* done);
    BOOL CompleteAtOnce(const Op& op, DWORD* done);

    const int m_fd;
    const int m_wakeFd;
    const bool m_overlapped;
    std::thread m_worker;

    std::mutex m_lock;
    std::condition_variable_any m_changed;  // an op finished
    bool m_closed = false;
    bool m_gone = false;
    COMMTIMEOUTS m_timeouts{};
    DWORD m_mask = 0;
    bool m_txSent = false;  // bytes were written since EV_TXEMPTY was last reported
    bool m_modemLines = false;
    int m_lastModem = 0;
    std::unique_ptr<LineCounterSource> m_counters;
    bool m_hasCounters = false;  // the device keeps line counters
    LineCounts m_lastCounts{};
    DWORD m_lineErrors = 0;  // CE_ flags since ClearCommError last reported them
    DWORD m_lineEvents = 0;  // EV_BREAK, EV_ERR seen since the last wait reported them
    char m_evtChar = 0;
    DWORD m_rxFlags = 0;  // event characters taken that no wait has reported yet
    std::vector<unsigned char> m_readAhead;
    std::size_t m_readAheadPos = 0;
    std::deque<Op*> m_reads, m_writes;
    Op* m_wait = nullptr;
    std::list<std::unique_ptr<Op>> m_owned;  // ops of overlapped calls
};

// termios <-> DCB (win32_comm_state.cpp).
bool ReadCommState(int fd, DCB& dcb);
bool WriteCommState(int fd, const DCB& dcb);

}  // namespace orva::win32
