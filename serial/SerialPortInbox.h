// What the serial port's event thread has for the owner window and the owner has not had yet: the
// received bytes and the line events, in order. However much waits, one delivery is posted to the
// UI thread at a time; it hands the owner the same messages, in the same order, as if each had
// been sent by itself. A byte costs two bytes here while the owner is busy.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "afx_types.h"

class SerialPortInbox : public std::enable_shared_from_this<SerialPortInbox> {
public:
    // The messages go to `owner` with `port` as lParam.
    SerialPortInbox(HWND owner, UINT port) : m_owner(owner), m_port(port) {}

    // One entry: a received byte (below 0x100) or a line event's message number (wParam 0).
    using Entry = std::uint16_t;
    static Entry ByteEntry(BYTE byte) { return byte; }
    static Entry MessageEntry(UINT message) { return static_cast<Entry>(message); }

    // Called by the event thread: appends entries, posting a delivery when none is on its way.
    void Add(const Entry* entries, std::size_t count);

    // Called on the owner's thread once the event thread has ended (nothing more is added): with
    // bDeliver, hands the owner what still waits, at once; then nothing more comes from this
    // inbox (a delivery posted earlier hands over nothing). What still waits is dropped instead
    // without bDeliver, off the UI thread, and when called from the owner's own handler of one of
    // these messages: handed over there, it would come in the middle of that handler.
    void Close(bool bDeliver);

    // Entries gathered on the event thread and added together: one lock per batch, not per byte.
    class Batch {
    public:
        explicit Batch(SerialPortInbox& inbox) : m_inbox(inbox) {}
        ~Batch() { Flush(); }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        void Add(Entry entry) {
            m_entries[m_count++] = entry;
            if (m_count == kSize) Flush();
        }
        void Flush() {
            if (m_count != 0) m_inbox.Add(m_entries, m_count);
            m_count = 0;
        }

    private:
        static constexpr std::size_t kSize = 1024;
        SerialPortInbox& m_inbox;
        Entry m_entries[kSize];
        std::size_t m_count = 0;
    };

private:
    // On the UI thread: hands the owner everything that waits, including what comes meanwhile.
    void Deliver();
    void DeliverPending();

    const HWND m_owner;
    const UINT m_port;
    std::mutex m_lock;
    std::vector<Entry> m_pending;  // guarded by m_lock
    bool m_posted = false;         // guarded by m_lock: a delivery is on its way or running
    // Set by Close: a delivery that runs stops after the message in hand.
    std::atomic<bool> m_closed{false};
    // UI thread only.
    std::vector<Entry> m_delivery;
    bool m_delivering = false;
};
