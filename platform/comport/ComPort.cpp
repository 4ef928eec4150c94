// Open, Close and the object's lifetime.
#include "ComPort.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "comport_settings.h"
#include "comport_thread.h"
#include "port_table.h"

namespace {

bool EnumInRange(int value, int last) {
    return value >= 0 && value <= last;
}

void CloseQuietly(int fd) {
    if (fd >= 0) ::close(fd);
}

}  // namespace

CComPort::CComPort() : m_rxBuffer(std::make_unique_for_overwrite<unsigned char[]>(kReceiveBlockSize)) {}

CComPort::~CComPort() {
    Close();
}

void CComPort::SetReceiveFunc(ReceiveFunc fn, void* context) {
    m_nextFunc = fn;
    m_nextContext = context;
}

bool CComPort::OnReceiveThread() const {
    return orva::comport::ReceivingPort() == this;
}

bool CComPort::IsOpen() const {
    return m_open.load(std::memory_order_acquire);
}

int CComPort::Open(int port, ReceiveMode mode, unsigned long baud, Parity parity, unsigned char dataBits,
                   StopBits stopBits, FlowControl flow) {
    // The receive thread cannot wait for itself to end, so it cannot reopen its own port.
    if (OnReceiveThread()) return 0;
    Close();

    if (!EnumInRange(mode, CallbackReceive)) return 0;
    const orva::comport::LineSettings settings{baud, dataBits, parity, stopBits, flow};
    const auto path = orva::ports::DevicePathForPort(port);
    if (!path) return 0;

    const int fd = ::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return 0;
    // One program per gauge: a second opener (this program or another) is refused.
    if (!::isatty(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        !orva::comport::ApplyLineSettings(fd, settings)) {
        ::close(fd);
        return 0;
    }
    const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        ::close(fd);
        return 0;
    }

    m_fd = fd;
    m_wakeFd = wakeFd;
    m_func = m_nextFunc;
    m_context = m_nextContext;
    m_stopRequested.store(false, std::memory_order_relaxed);
    m_closeOnExit.store(false, std::memory_order_relaxed);
    m_deviceGone.store(false, std::memory_order_relaxed);
    m_deviceClosedByRx = false;
    SetWriteFd(fd);
    m_open.store(true, std::memory_order_release);
    try {
        m_rxThread = std::thread(&CComPort::ReceiveLoop, this);
    } catch (...) {
        m_open.store(false, std::memory_order_release);
        SetWriteFd(-1);
        ::close(m_fd);
        ::close(m_wakeFd);
        m_fd = m_wakeFd = -1;
        return 0;
    }
    // Named before Open returns, so that tools (and tests) see it at once.
    pthread_setname_np(m_rxThread.native_handle(), "comport-rx");
    return 1;
}

void CComPort::Close() {
    if (OnReceiveThread()) {
        StopFromReceiveThread();
        return;
    }
    if (!m_rxThread.joinable() && m_fd < 0) return;

    m_open.store(false, std::memory_order_release);
    SetWriteFd(-1);  // from here on no Output touches the device
    m_stopRequested.store(true, std::memory_order_release);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t w = ::write(m_wakeFd, &one, sizeof one);
    if (m_rxThread.joinable()) m_rxThread.join();

    if (!m_deviceClosedByRx) CloseQuietly(m_fd);
    CloseQuietly(m_wakeFd);
    m_fd = m_wakeFd = -1;
    m_deviceClosedByRx = false;
}

void CComPort::SetWriteFd(int fd) {
    std::unique_lock lock(m_writeLock);
    m_writeDone.wait(lock, [this] { return !m_writing; });  // a write in progress ends within its time-out
    m_writeFd = fd;
}

void CComPort::StopFromReceiveThread() {
    if (m_stopRequested.load(std::memory_order_acquire)) return;
    m_open.store(false, std::memory_order_release);
    SetWriteFd(-1);
    m_closeOnExit.store(true, std::memory_order_release);
    m_stopRequested.store(true, std::memory_order_release);
}
