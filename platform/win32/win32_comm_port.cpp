#include "win32_comm_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "win32_sync.h"
#include "win32_thread.h"

namespace orva::win32 {
namespace {

constexpr int kTxEmptyPollMs = 10;  // how often a drain of the output queue is looked at
constexpr int kModemPollMs = 20;    // how often the modem lines are read while an event wait needs them
constexpr DWORD kModemEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;
constexpr DWORD kLineEvents = EV_BREAK | EV_ERR;
// Input the port holds ahead of its readers while it looks for the event character; the device
// keeps the rest.
constexpr std::size_t kReadAheadSize = 4096;
// Reads shorter than this are served from the read-ahead, filled by one system call, rather than
// by a system call each (a reader taking one byte at a time).
constexpr DWORD kSmallRead = 256;

std::optional<std::chrono::steady_clock::time_point> TotalDeadline(std::chrono::steady_clock::time_point now,
                                                                   DWORD multiplier, DWORD constant,
                                                                   DWORD length) {
    const std::uint64_t ms = static_cast<std::uint64_t>(multiplier) * length + constant;
    if (multiplier == 0 && constant == 0) return std::nullopt;
    return now + std::chrono::milliseconds(ms);
}

}  // namespace

std::shared_ptr<CommPort> CommPort::Open(const std::string& device, bool overlapped, DWORD& error,
                                         std::unique_ptr<LineCounterSource> counters) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno == EACCES || errno == EBUSY ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    termios tio{};
    if (!::isatty(fd) || ::tcgetattr(fd, &tio) != 0) {
        ::close(fd);
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    // A port has one opener at a time, in this process or another.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        error = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_iflag |= IGNBRK;  // a break is counted as a line event, not read as a zero byte
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0 || wakeFd < 0) {
        if (wakeFd >= 0) ::close(wakeFd);
        ::close(fd);
        error = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    std::shared_ptr<CommPort> port(new CommPort(fd, wakeFd, overlapped));
    int lines = 0;
    port->m_modemLines = ::ioctl(fd, TIOCMGET, &lines) == 0;
    port->m_lastModem = lines;
    port->m_counters = std::move(counters);
    port->m_hasCounters = port->m_counters && port->m_counters->Read(fd, port->m_lastCounts);
    port->m_worker = std::thread(&CommPort::Run, port.get());
    return port;
}

CommPort::CommPort(int fd, int wakeFd, bool overlapped)
    : m_fd(fd), m_wakeFd(wakeFd), m_overlapped(overlapped) {}

CommPort::~CommPort() {
    OnHandleClosed();
}

void CommPort::OnHandleClosed() {
    {
        std::lock_guard guard(m_lock);
        if (m_closed) return;
        m_closed = true;
        FailAll(ERROR_OPERATION_ABORTED);
    }
    Wake();
    if (m_worker.joinable()) m_worker.join();
    ::close(m_wakeFd);
    ::close(m_fd);  // also drops the opener's lock
}

void CommPort::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

void CommPort::Run() {
    std::unique_lock lock(m_lock);
    while (!m_closed) {
        const Clock::time_point now = Clock::now();
        Progress(now);
        short events = 0;
        if (!m_reads.empty() || (m_wait != nullptr && (m_mask & EV_RXCHAR)) ||
            (m_wait != nullptr && (m_mask & EV_RXFLAG) && ReadAheadSize() < kReadAheadSize)) {
            events |= POLLIN;
        }
        if (!m_writes.empty()) events |= POLLOUT;
        const int timeout = PollTimeoutMs(now);
        // A vanished device keeps reporting a hang-up: it is no longer watched.
        pollfd fds[2] = {{m_gone ? -1 : m_fd, events, 0}, {m_wakeFd, POLLIN, 0}};
        lock.unlock();
        ::poll(fds, 2, timeout);
        if (fds[1].revents & POLLIN) {
            std::uint64_t count;
            [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &count, sizeof count);
        }
        lock.lock();
        if (!m_closed && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))) MarkGone();
    }
}

bool CommPort::Usable() {
    if (m_closed) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (m_gone || ProbeGone()) {
        SetLastError(ERROR_BAD_COMMAND);
        return false;
    }
    return true;
}

bool CommPort::ProbeGone() {
    pollfd fd{m_fd, 0, 0};
    if (::poll(&fd, 1, 0) == 1 && (fd.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        MarkGone();
        return true;
    }
    return false;
}

void CommPort::MarkGone() {
    m_gone = true;
    FailAll(ERROR_BAD_COMMAND);
}

void CommPort::FailAll(DWORD status) {
    for (Op* op : m_reads) Finish(op, status);
    for (Op* op : m_writes) Finish(op, status);
    m_reads.clear();
    m_writes.clear();
    if (m_wait != nullptr) {
        *m_wait->eventMask = 0;
        Finish(m_wait, status);
        m_wait = nullptr;
    }
}

void CommPort::Finish(Op* op, DWORD status) {
    op->finished = true;
    op->status = status;
    if (op->ov != nullptr) {
        op->ov->Internal = status;
        op->ov->InternalHigh = op->done;
        if (op->ov->hEvent != nullptr) SetEvent(op->ov->hEvent);
        m_owned.remove_if([op](const std::unique_ptr<Op>& owned) { return owned.get() == op; });
    }
    m_changed.notify_all();
}

void CommPort::Progress(Clock::time_point now) {
    if (m_gone || m_closed) return;
    while (!m_reads.empty()) {
        Op* op = m_reads.front();
        if (!ReadSome(*op, now)) return;  // gone: every op has been failed
        if (!ReadDone(*op, now)) break;
        m_reads.pop_front();
        Finish(op, ERROR_SUCCESS);
    }
    while (!m_writes.empty()) {
        Op* op = m_writes.front();
        if (!WriteSome(*op)) return;
        if (!WriteDone(*op, now)) break;
        m_writes.pop_front();
        Finish(op, ERROR_SUCCESS);
    }
    if (m_wait != nullptr) {
        const DWORD events = PendingEvents();
        if (events != 0) {
            *m_wait->eventMask = events;
            Finish(m_wait, ERROR_SUCCESS);
            m_wait = nullptr;
        }
    }
}

void CommPort::TakeReadAhead(Op& op, Clock::time_point now) {
    if (ReadAheadSize() == 0 || op.done == op.length) return;
    const std::size_t n = std::min<std::size_t>(ReadAheadSize(), op.length - op.done);
    std::memcpy(op.data + op.done, m_readAhead.data() + m_readAheadPos, n);
    op.done += static_cast<DWORD>(n);
    op.lastByte = now;
    m_readAheadPos += n;
    if (m_readAheadPos == m_readAhead.size()) {
        m_readAhead.clear();
        m_readAheadPos = 0;
    }
}

bool CommPort::ReadSome(Op& op, Clock::time_point now) {
    TakeReadAhead(op, now);
    if (op.done < op.length && op.length - op.done < kSmallRead) {
        if (!FillReadAhead()) return false;
        TakeReadAhead(op, now);
    }
    while (op.done < op.length) {
        const ssize_t n = ::read(m_fd, op.data + op.done, op.length - op.done);
        if (n > 0) {
            NoteReceived(op.data + op.done, static_cast<std::size_t>(n));
            op.done += static_cast<DWORD>(n);
            op.lastByte = now;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            MarkGone();
            return false;
        }
        break;  // nothing more there now
    }
    return true;
}

bool CommPort::WriteSome(Op& op) {
    unsigned char chunk[4096];
    while (op.done < op.length) {
        // The caller's bytes are read here, when the device takes them, as the kernel would: a
        // buffer handed back too early shows as a use after free under AddressSanitizer.
        const DWORD size = std::min<DWORD>(sizeof chunk, op.length - op.done);
        std::memcpy(chunk, op.data + op.done, size);
        const ssize_t n = ::write(m_fd, chunk, size);
        if (n > 0) {
            op.done += static_cast<DWORD>(n);
            // A write on another thread that the device took at once: the worker's poll had no
            // reason to look at the wait again and would not hear the output drain.
            if (!m_txSent && m_wait != nullptr && (m_mask & EV_TXEMPTY)) Wake();
            m_txSent = true;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            MarkGone();
            return false;
        }
        break;  // the output queue is full
    }
    return true;
}

bool CommPort::ReadDone(const Op& op, Clock::time_point now) const {
    if (op.done == op.length || op.immediate) return true;
    if (op.returnOnFirstBytes && op.done > 0) return true;
    if (op.deadline && now >= *op.deadline) return true;
    return op.interval != 0 && op.done > 0 && now - op.lastByte >= std::chrono::milliseconds(op.interval);
}

bool CommPort::WriteDone(const Op& op, Clock::time_point now) const {
    return op.done == op.length || (op.deadline && now >= *op.deadline);
}

DWORD CommPort::InQueue() {
    int n = 0;
    const DWORD inDevice = ::ioctl(m_fd, FIONREAD, &n) == 0 && n > 0 ? static_cast<DWORD>(n) : 0;
    return inDevice + static_cast<DWORD>(ReadAheadSize());
}

void CommPort::NoteReceived(const unsigned char* bytes, std::size_t n) {
    if (!(m_mask & EV_RXFLAG)) return;
    const auto found =
        static_cast<DWORD>(std::count(bytes, bytes + n, static_cast<unsigned char>(m_evtChar)));
    if (found == 0) return;
    m_rxFlags += found;
    // A reader on another thread took the bytes from the device: the worker's poll saw nothing
    // come and would not look at the wait until the next input.
    if (m_wait != nullptr) Wake();
}

bool CommPort::ReadAhead() {
    return (m_mask & EV_RXFLAG) ? FillReadAhead() : true;
}

bool CommPort::FillReadAhead() {
    if (m_readAheadPos != 0 && m_readAheadPos == m_readAhead.size()) {
        m_readAhead.clear();
        m_readAheadPos = 0;
    }
    while (ReadAheadSize() < kReadAheadSize) {
        const std::size_t used = m_readAhead.size();
        const std::size_t room = kReadAheadSize - ReadAheadSize();
        m_readAhead.resize(used + room);
        const ssize_t n = ::read(m_fd, m_readAhead.data() + used, room);
        m_readAhead.resize(used + (n > 0 ? static_cast<std::size_t>(n) : 0));
        if (n > 0) {
            NoteReceived(m_readAhead.data() + used, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            MarkGone();
            return false;
        }
        break;
    }
    return true;
}

void CommPort::UpdateLineCounts() {
    LineCounts now{};
    if (!m_hasCounters || !m_counters->Read(m_fd, now)) return;
    DWORD errors = 0;
    if (now.brk != m_lastCounts.brk) errors |= CE_BREAK;
    if (now.frame != m_lastCounts.frame) errors |= CE_FRAME;
    if (now.overrun != m_lastCounts.overrun) errors |= CE_OVERRUN;
    if (now.parity != m_lastCounts.parity) errors |= CE_RXPARITY;
    m_lastCounts = now;
    m_lineErrors |= errors;
    DWORD events = 0;
    if (errors & CE_BREAK) events |= EV_BREAK;
    if (errors & (CE_FRAME | CE_OVERRUN | CE_RXPARITY)) events |= EV_ERR;
    m_lineEvents |= events & m_mask;
}

DWORD CommPort::OutQueue() {
    int n = 0;
    DWORD total = ::ioctl(m_fd, TIOCOUTQ, &n) == 0 && n > 0 ? static_cast<DWORD>(n) : 0;
    for (const Op* op : m_writes) total += op->length - op->done;
    return total;
}

DWORD CommPort::PendingEvents() {
    DWORD events = 0;
    if (!ReadAhead()) return 0;
    if ((m_mask & EV_RXCHAR) && InQueue() > 0) events |= EV_RXCHAR;
    if ((m_mask & EV_RXFLAG) && m_rxFlags != 0) {
        events |= EV_RXFLAG;
        --m_rxFlags;
    }
    if (m_mask & kLineEvents) {
        UpdateLineCounts();
        events |= m_lineEvents & m_mask;
        m_lineEvents &= ~m_mask;
    }
    if ((m_mask & EV_TXEMPTY) && m_txSent && OutQueue() == 0) {
        events |= EV_TXEMPTY;
        m_txSent = false;
    }
    if ((m_mask & kModemEvents) && m_modemLines) {
        int lines = 0;
        if (::ioctl(m_fd, TIOCMGET, &lines) == 0) {
            const int changed = lines ^ m_lastModem;
            m_lastModem = lines;
            if ((m_mask & EV_CTS) && (changed & TIOCM_CTS)) events |= EV_CTS;
            if ((m_mask & EV_DSR) && (changed & TIOCM_DSR)) events |= EV_DSR;
            if ((m_mask & EV_RLSD) && (changed & TIOCM_CD)) events |= EV_RLSD;
            if ((m_mask & EV_RING) && (changed & TIOCM_RI)) events |= EV_RING;
        }
    }
    return events;
}

int CommPort::PollTimeoutMs(Clock::time_point now) {
    std::optional<Clock::time_point> next;
    const auto consider = [&](Clock::time_point t) {
        if (!next || t < *next) next = t;
    };
    if (!m_reads.empty()) {
        const Op& op = *m_reads.front();
        if (op.deadline) consider(*op.deadline);
        if (op.interval != 0 && op.done > 0) consider(op.lastByte + std::chrono::milliseconds(op.interval));
    }
    if (!m_writes.empty() && m_writes.front()->deadline) consider(*m_writes.front()->deadline);
    int timeout = -1;
    if (next) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - now).count();
        timeout = static_cast<int>(std::clamp<long long>(left, 0, 60000));
    }
    const auto atMost = [&](int ms) { timeout = timeout < 0 ? ms : std::min(timeout, ms); };
    if (m_wait != nullptr && !m_gone) {
        if ((m_mask & EV_TXEMPTY) && m_txSent) atMost(kTxEmptyPollMs);
        if ((m_mask & kModemEvents) && m_modemLines) atMost(kModemPollMs);
        if ((m_mask & kLineEvents) && m_hasCounters) atMost(kModemPollMs);
    }
    return timeout;
}

void CommPort::PrepareRead(Op& op) const {
    const COMMTIMEOUTS& t = m_timeouts;
    const Clock::time_point now = Clock::now();
    op.lastByte = now;
    if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
        t.ReadTotalTimeoutConstant == 0) {
        op.immediate = true;
    } else if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD) {
        op.returnOnFirstBytes = true;
        op.deadline = now + std::chrono::milliseconds(t.ReadTotalTimeoutConstant);
    } else {
        op.deadline = TotalDeadline(now, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant, op.length);
        op.interval = t.ReadIntervalTimeout == MAXDWORD ? 0 : t.ReadIntervalTimeout;
    }
}

void CommPort::PrepareWrite(Op& op) const {
    op.deadline = TotalDeadline(Clock::now(), m_timeouts.WriteTotalTimeoutMultiplier,
                                m_timeouts.WriteTotalTimeoutConstant, op.length);
}

BOOL CommPort::CompleteAtOnce(const Op& op, DWORD* done) {
    if (op.ov != nullptr) {
        op.ov->Internal = ERROR_SUCCESS;
        op.ov->InternalHigh = op.done;
        if (op.ov->hEvent != nullptr) SetEvent(op.ov->hEvent);
    }
    if (done != nullptr) *done = op.done;
    return TRUE;
}

BOOL CommPort::Submit(std::unique_lock<std::mutex>& lock, Op& op, std::deque<Op*>* queue, DWORD* done) {
    if (op.ov != nullptr) {
        auto owned = std::make_unique<Op>(op);
        Op* pending = owned.get();
        m_owned.push_back(std::move(owned));
        if (queue != nullptr) {
            queue->push_back(pending);
        } else {
            m_wait = pending;
        }
        op.ov->Internal = ERROR_IO_PENDING;
        op.ov->InternalHigh = 0;
        Wake();
        SetLastError(ERROR_IO_PENDING);
        return FALSE;
    }
    if (queue != nullptr) {
        queue->push_back(&op);
    } else {
        m_wait = &op;
    }
    Wake();
    const std::stop_token stop = CurrentThreadStopToken();
    if (!m_changed.wait(lock, stop, [&] { return op.finished; })) {
        // Asked to stop: the call gives up; its op must not outlive it.
        if (queue != nullptr) {
            queue->erase(std::remove(queue->begin(), queue->end(), &op), queue->end());
        } else if (m_wait == &op) {
            m_wait = nullptr;
        }
        if (done != nullptr) *done = op.done;
        SetLastError(ERROR_OPERATION_ABORTED);
        return FALSE;
    }
    if (done != nullptr) *done = op.done;
    if (op.status != ERROR_SUCCESS) {
        SetLastError(op.status);
        return FALSE;
    }
    return TRUE;
}

BOOL CommPort::Read(void* buffer, DWORD length, DWORD* done, OVERLAPPED* ov) {
    std::unique_lock lock(m_lock);
    if (done != nullptr) *done = 0;
    if (!Usable()) return FALSE;
    Op op;
    op.kind = OpKind::Read;
    op.data = static_cast<unsigned char*>(buffer);
    op.length = length;
    op.ov = m_overlapped ? ov : nullptr;
    if (op.ov != nullptr && op.ov->hEvent != nullptr) ResetEvent(op.ov->hEvent);
    PrepareRead(op);
    if (m_reads.empty()) {
        const Clock::time_point now = Clock::now();
        if (!ReadSome(op, now)) {
            SetLastError(ERROR_BAD_COMMAND);
            return FALSE;
        }
        if (ReadDone(op, now)) return CompleteAtOnce(op, done);
    }
    return Submit(lock, op, &m_reads, done);
}

BOOL CommPort::Write(const void* buffer, DWORD length, DWORD* done, OVERLAPPED* ov) {
    std::unique_lock lock(m_lock);
    if (done != nullptr) *done = 0;
    if (!Usable()) return FALSE;
    Op op;
    op.kind = OpKind::Write;
    op.data = static_cast<unsigned char*>(const_cast<void*>(buffer));
    op.length = length;
    op.ov = m_overlapped ? ov : nullptr;
    if (op.ov != nullptr && op.ov->hEvent != nullptr) ResetEvent(op.ov->hEvent);
    PrepareWrite(op);
    if (m_writes.empty()) {
        if (!WriteSome(op)) {
            SetLastError(ERROR_BAD_COMMAND);
            return FALSE;
        }
        if (op.done == op.length) return CompleteAtOnce(op, done);
    }
    return Submit(lock, op, &m_writes, done);
}

BOOL CommPort::WaitEvent(DWORD* eventMask, OVERLAPPED* ov) {
    std::unique_lock lock(m_lock);
    if (!Usable()) return FALSE;
    if (eventMask == nullptr || m_mask == 0 || m_wait != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *eventMask = 0;
    Op op;
    op.kind = OpKind::Wait;
    op.eventMask = eventMask;
    op.ov = m_overlapped ? ov : nullptr;
    if (op.ov != nullptr && op.ov->hEvent != nullptr) ResetEvent(op.ov->hEvent);
    const DWORD events = PendingEvents();
    if (events != 0) {
        *eventMask = events;
        return CompleteAtOnce(op, nullptr);
    }
    if (!Usable()) return FALSE;  // went while its input was looked at
    return Submit(lock, op, nullptr, nullptr);
}

BOOL CommPort::Result(OVERLAPPED* ov, DWORD* transferred, bool wait) {
    std::unique_lock lock(m_lock);
    if (ov->Internal == ERROR_IO_PENDING) {
        if (!wait) {
            SetLastError(ERROR_IO_INCOMPLETE);
            return FALSE;
        }
        const std::stop_token stop = CurrentThreadStopToken();
        if (!m_changed.wait(lock, stop, [ov] { return ov->Internal != ERROR_IO_PENDING; })) {
            SetLastError(ERROR_OPERATION_ABORTED);
            return FALSE;
        }
    }
    if (transferred != nullptr) *transferred = static_cast<DWORD>(ov->InternalHigh);
    if (ov->Internal != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(ov->Internal));
        return FALSE;
    }
    return TRUE;
}

BOOL CommPort::SetMask(DWORD mask) {
    std::lock_guard guard(m_lock);
    if (m_wait != nullptr) {
        *m_wait->eventMask = 0;
        Finish(m_wait, ERROR_SUCCESS);
        m_wait = nullptr;
    }
    if (!Usable()) return FALSE;
    m_mask = mask;
    if (m_modemLines) ::ioctl(m_fd, TIOCMGET, &m_lastModem);
    Wake();
    return TRUE;
}

BOOL CommPort::GetMask(DWORD* mask) {
    std::lock_guard guard(m_lock);
    if (!Usable()) return FALSE;
    *mask = m_mask;
    return TRUE;
}

BOOL CommPort::ClearError(DWORD* errors, COMSTAT* status) {
    std::lock_guard guard(m_lock);
    // Readers ask this between two bytes: no probe of the device first, since a device that
    // vanished (hung up) fails the queue query below.
    if (m_closed || m_gone) return Usable() ? TRUE : FALSE;
    int in = 0;
    if (::ioctl(m_fd, FIONREAD, &in) != 0) {
        MarkGone();
        SetLastError(ERROR_BAD_COMMAND);
        return FALSE;
    }
    UpdateLineCounts();
    if (errors != nullptr) {
        *errors = m_lineErrors;
        m_lineErrors = 0;
    }
    if (status != nullptr) {
        *status = COMSTAT{};
        status->cbInQue = (in > 0 ? static_cast<DWORD>(in) : 0) + static_cast<DWORD>(ReadAheadSize());
        status->cbOutQue = OutQueue();
    }
    return TRUE;
}

BOOL CommPort::Purge(DWORD flags) {
    std::lock_guard guard(m_lock);
    if (flags & PURGE_TXABORT) {
        for (Op* op : m_writes) Finish(op, ERROR_OPERATION_ABORTED);
        m_writes.clear();
    }
    if (flags & PURGE_RXABORT) {
        for (Op* op : m_reads) Finish(op, ERROR_OPERATION_ABORTED);
        m_reads.clear();
    }
    if (!Usable()) return FALSE;
    if ((flags & PURGE_TXCLEAR) && ::tcflush(m_fd, TCOFLUSH) != 0) {
        MarkGone();
        SetLastError(ERROR_BAD_COMMAND);
        return FALSE;
    }
    if (flags & PURGE_RXCLEAR) {
        m_readAhead.clear();
        m_readAheadPos = 0;
    }
    if ((flags & PURGE_RXCLEAR) && ::tcflush(m_fd, TCIFLUSH) != 0) {
        MarkGone();
        SetLastError(ERROR_BAD_COMMAND);
        return FALSE;
    }
    Wake();
    return TRUE;
}

BOOL CommPort::Setup(DWORD, DWORD) {
    // The tty layer's queues have a fixed size; the request is accepted as Windows accepts it.
    std::lock_guard guard(m_lock);
    return Usable() ? TRUE : FALSE;
}

BOOL CommPort::GetTimeouts(COMMTIMEOUTS* timeouts) {
    std::lock_guard guard(m_lock);
    if (!Usable()) return FALSE;
    *timeouts = m_timeouts;
    return TRUE;
}

BOOL CommPort::SetTimeouts(const COMMTIMEOUTS* timeouts) {
    std::lock_guard guard(m_lock);
    if (!Usable()) return FALSE;
    if (timeouts->ReadIntervalTimeout == MAXDWORD && timeouts->ReadTotalTimeoutMultiplier == MAXDWORD &&
        timeouts->ReadTotalTimeoutConstant == MAXDWORD) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    m_timeouts = *timeouts;
    return TRUE;
}

BOOL CommPort::GetState(DCB* dcb) {
    std::lock_guard guard(m_lock);
    if (!Usable()) return FALSE;
    if (!ReadCommState(m_fd, *dcb)) {
        SetLastError(ERROR_BAD_COMMAND);
        return FALSE;
    }
    dcb->EvtChar = m_evtChar;  // the tty has no such setting: the port keeps it
    return TRUE;
}

BOOL CommPort::SetState(const DCB* dcb) {
    std::lock_guard guard(m_lock);
    if (!Usable()) return FALSE;
    if (!WriteCommState(m_fd, *dcb)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    m_evtChar = dcb->EvtChar;
    return TRUE;
}

BOOL CommPort::ModemStatus(DWORD* status) {
    std::lock_guard guard(m_lock);
    if (status != nullptr) *status = 0;
    if (!Usable()) return FALSE;
    int lines = 0;
    if (!m_modemLines || ::ioctl(m_fd, TIOCMGET, &lines) != 0) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    DWORD s = 0;
    if (lines & TIOCM_CTS) s |= MS_CTS_ON;
    if (lines & TIOCM_DSR) s |= MS_DSR_ON;
    if (lines & TIOCM_RI) s |= MS_RING_ON;
    if (lines & TIOCM_CD) s |= MS_RLSD_ON;
    if (status != nullptr) *status = s;
    return TRUE;
}

BOOL CommPort::ClearBreak() {
    std::lock_guard guard(m_lock);
    if (!Usable()) return FALSE;
    if (::ioctl(m_fd, TIOCCBRK) != 0) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    return TRUE;
}

BOOL CommPort::Flush() {
    std::unique_lock lock(m_lock);
    const std::stop_token stop = CurrentThreadStopToken();
    for (;;) {
        if (!Usable()) return FALSE;
        if (OutQueue() == 0) return TRUE;
        // Wakes when a write finishes, else looks at the device's queue again shortly.
        if (!m_changed.wait_for(lock, stop, std::chrono::milliseconds(kTxEmptyPollMs),
                                [] { return false; }) &&
            stop.stop_requested()) {
            SetLastError(ERROR_OPERATION_ABORTED);
            return FALSE;
        }
    }
}

}  // namespace orva::win32
