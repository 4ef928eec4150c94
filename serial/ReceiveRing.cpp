// The reader's side of the receive ring: waiting for bytes, and emptying it.
#include "ReceiveRing.h"

#include <atomic>

#include "KvDlg.h"
#include "win32_thread.h"

bool WaitForRxData(CKvDlg& dlg) {
    const std::int32_t read = dlg.m_nRxRead.load(std::memory_order_relaxed);
    for (;;) {
        if (dlg.m_nRxWrite.load(std::memory_order_acquire) != read) return true;
        if (ThreadStopRequested()) return false;
        // Raise the flag, then look again: either this look sees the callback's new write
        // position, or the callback sees the flag and wakes us. The exchange also orders us
        // after a stop callback's clear of the flag.
        dlg.m_nRxReaderWaiting.exchange(1, std::memory_order_seq_cst);
        if (dlg.m_nRxWrite.load(std::memory_order_seq_cst) != read || ThreadStopRequested()) {
            dlg.m_nRxReaderWaiting.store(0, std::memory_order_relaxed);
            continue;
        }
        dlg.m_nRxReaderWaiting.wait(1, std::memory_order_acquire);
    }
}

void DiscardRxData(CKvDlg& dlg) {
    dlg.m_nRxRead.store(dlg.m_nRxWrite.load(std::memory_order_acquire), std::memory_order_release);
}

void WakeRxReader(CKvDlg& dlg) {
    // A sequentially consistent touch of the write position (it keeps its value), then the look at
    // the flag: together with the reader's exchange and load this is the store-load pair that
    // rules out a reader asleep on bytes it has not seen.
    dlg.m_nRxWrite.fetch_add(0, std::memory_order_seq_cst);
    if (dlg.m_nRxReaderWaiting.load(std::memory_order_seq_cst) != 0) {
        dlg.m_nRxReaderWaiting.store(0, std::memory_order_release);
        dlg.m_nRxReaderWaiting.notify_all();
    }
}

void RxReaderStopWake::Waker::operator()() const noexcept {
    dlg->m_nRxReaderWaiting.store(0, std::memory_order_seq_cst);
    dlg->m_nRxReaderWaiting.notify_all();
}

RxReaderStopWake::RxReaderStopWake(CKvDlg& dlg) : m_callback(CurrentThreadStopToken(), Waker{&dlg}) {}
