#include "SerialPortInbox.h"

#include "SerialPort.h"
#include "afx_thread.h"
#include "afx_window_calls.h"

namespace {

constexpr std::size_t kKeptCapacity = 1 << 16;

}  // namespace

void SerialPortInbox::Add(const Entry* entries, std::size_t count) {
    bool post = false;
    {
        std::lock_guard guard(m_lock);
        m_pending.insert(m_pending.end(), entries, entries + count);
        if (!m_posted) m_posted = post = true;
    }
    if (post) afx::PostToUi([self = shared_from_this()] { self->Deliver(); });
}

void SerialPortInbox::Close(bool bDeliver) {
    if (bDeliver && afx::IsUiThread() && !m_delivering && !m_closed) DeliverPending();
    m_closed = true;
    std::lock_guard guard(m_lock);
    std::vector<Entry>().swap(m_pending);
}

void SerialPortInbox::Deliver() {
    if (m_delivering) {
        // Posted while the owner handles a message in a loop of its own (a box): the delivery
        // running below goes on with these once the owner is back, which keeps the order.
        std::lock_guard guard(m_lock);
        m_posted = false;
        return;
    }
    if (!m_closed) DeliverPending();
}

void SerialPortInbox::DeliverPending() {
    m_delivering = true;
    while (!m_closed) {
        m_delivery.clear();
        {
            std::lock_guard guard(m_lock);
            if (m_pending.empty()) {
                m_posted = false;
                break;
            }
            m_pending.swap(m_delivery);
        }
        for (const Entry entry : m_delivery) {
            // The owner shut the port down in a handler of one of these: the rest is dropped.
            if (m_closed.load(std::memory_order_relaxed)) break;
            if (entry < 0x100) {
                SendMessageA(m_owner, kSerialByteMessage, entry, static_cast<LPARAM>(m_port));
            } else {
                SendMessageA(m_owner, entry, 0, static_cast<LPARAM>(m_port));
            }
        }
    }
    m_delivering = false;
    // A flood that found the owner busy leaves no large buffer behind.
    if (m_delivery.capacity() > kKeptCapacity) std::vector<Entry>().swap(m_delivery);
}
