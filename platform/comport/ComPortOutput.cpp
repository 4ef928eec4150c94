// Sending: one call's bytes go out whole, with a bounded wait for a device that takes no more.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <mutex>

#include "ComPort.h"

namespace {

// How long one call waits, in all, for room in the device's output queue.
constexpr std::chrono::milliseconds kOutputTimeout{250};

// Writes until all bytes are out, the device fails, or the deadline passes.
unsigned long WriteAll(int fd, const void* data, unsigned long length,
                       std::chrono::steady_clock::time_point deadline) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    unsigned long done = 0;
    while (done < length) {
        const unsigned long chunk = length - done < SSIZE_MAX ? length - done : SSIZE_MAX;
        const ssize_t n = ::write(fd, bytes + done, chunk);
        if (n > 0) {
            done += static_cast<unsigned long>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) break;  // device gone or failing

        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd pfd{fd, POLLOUT, 0};
        const int r = ::poll(&pfd, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0 || (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) break;
    }
    return done;
}

}  // namespace

unsigned long CComPort::Output(const void* data, unsigned long length) {
    if (data == nullptr || length == 0) return 0;
    const auto deadline = std::chrono::steady_clock::now() + kOutputTimeout;
    int fd;
    {
        std::unique_lock lock(m_writeLock);
        if (!m_writeDone.wait_until(lock, deadline, [this] { return !m_writing; })) return 0;
        fd = m_writeFd;
        if (fd < 0 || m_deviceGone.load(std::memory_order_relaxed)) return 0;
        m_writing = true;
    }
    const unsigned long done = WriteAll(fd, data, length, deadline);
    {
        std::lock_guard lock(m_writeLock);
        m_writing = false;
    }
    m_writeDone.notify_all();
    return done;
}
