// The receive thread: waits for bytes or a stop request and hands each block over.
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "ComPort.h"
#include "comport_thread.h"

void CComPort::ReceiveLoop() {
    orva::comport::SetReceivingPort(this);

    // Everything the loop needs is fixed before it starts: no allocation, lock or system
    // call other than poll() and read() happens in it.
    const int fd = m_fd;
    const ReceiveFunc fn = m_func;
    void* const context = m_context;
    unsigned char* const buffer = m_rxBuffer.get();
    pollfd fds[2] = {{fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    constexpr short kGone = POLLHUP | POLLERR | POLLNVAL;

    while (!m_stopRequested.load(std::memory_order_acquire)) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            m_deviceGone.store(true, std::memory_order_relaxed);
            break;
        }
        if (fds[1].revents != 0) break;  // stop request
        const short events = fds[0].revents;
        if (events & POLLIN) {
            const ssize_t n = ::read(fd, buffer, kReceiveBlockSize);
            if (n > 0) {
                if (fn != nullptr) fn(context, buffer, static_cast<unsigned long>(n));
                continue;
            }
            // Nothing read: a hung-up device reads 0 bytes or fails; otherwise poll again.
            const bool failed = n < 0 && errno != EAGAIN && errno != EINTR;
            if (!failed && (events & kGone) == 0) continue;
            m_deviceGone.store(true, std::memory_order_relaxed);
            break;
        }
        if (events & kGone) {
            // A pseudo-terminal whose other side closed keeps reporting a hang-up: stop here.
            m_deviceGone.store(true, std::memory_order_relaxed);
            break;
        }
    }

    if (m_closeOnExit.load(std::memory_order_acquire)) {
        ::close(fd);  // Close was called from the receive function; release the device now
        m_deviceClosedByRx = true;
    }
    orva::comport::SetReceivingPort(nullptr);
}
