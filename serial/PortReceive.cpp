// OnPortReceive: the receive thread's hand-over of each block into the receive ring.
//
// Constant work per byte; no allocation, lock or system call, except one wake-up of the reader
// when it sleeps on an empty ring.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "AcquisitionSettings.h"
#include "KvDlg.h"
#include "ReceiveRing.h"

namespace {

// Real-time mode: a byte that finds the ring full is dropped and the next one is tried.
void PutRealTime(CKvDlg& dlg, const BYTE* bytes, unsigned long n) {
    std::int32_t write = dlg.m_nRxWrite.load(std::memory_order_relaxed);
    bool wokeOnFull = false;
    for (unsigned long k = 0; k < n; ++k) {
        const std::int32_t read = dlg.m_nRxRead.load(std::memory_order_acquire);
        // The reader may leave its position at 4096 for a moment before it wraps it.
        if (write + 1 == read || (write == kRxRingSize - 1 && read == 0)) {
            if (!wokeOnFull) {
                WakeRxReader(dlg);
                wokeOnFull = true;
            }
            continue;
        }
        dlg.m_rxRing[write] = bytes[k];
        write = (write + 1) % kRxRingSize;
        dlg.m_nRxWrite.store(write, std::memory_order_release);
    }
}

// Upload mode: the first byte that finds the ring full sets the overflow flag and the rest of
// the block is dropped.
void PutUpload(CKvDlg& dlg, const BYTE* bytes, unsigned long n) {
    std::int32_t write = dlg.m_nRxWrite.load(std::memory_order_relaxed);
    for (unsigned long k = 0; k < n; ++k) {
        const std::int32_t next = (write + 1) % kRxRingSize;
        if (next == dlg.m_nRxRead.load(std::memory_order_acquire)) {
            dlg.m_bRxOverflow.store(1, std::memory_order_relaxed);
            return;
        }
        dlg.m_rxRing[write] = bytes[k];
        write = next;
        dlg.m_nRxWrite.store(write, std::memory_order_release);
    }
}

}  // namespace

void OnPortReceive(void* context, void* data, unsigned long length) {
    CKvDlg& dlg = *static_cast<CKvDlg*>(context);
    const BYTE* bytes = static_cast<const BYTE*>(data);
    // Only this thread writes the counters: a plain load and store each, no read-modify-write.
    dlg.m_nRxBlockCount.store(dlg.m_nRxBlockCount.load(std::memory_order_relaxed) + 1,
                              std::memory_order_relaxed);
    dlg.m_nRxLastLength.store(static_cast<std::uint32_t>(length), std::memory_order_relaxed);
    // The copy keeps the block's first 65,536 bytes; the ring takes the bytes straight from the
    // block, so a longer one loses nothing on the way.
    if (length > 0)
        std::memcpy(dlg.m_rxLastBlock, bytes, std::min<unsigned long>(length, sizeof dlg.m_rxLastBlock));

    if (g_bRealTimeMode.load(std::memory_order_relaxed) != 0) {
        PutRealTime(dlg, bytes, length);
    } else {
        PutUpload(dlg, bytes, length);
    }
    WakeRxReader(dlg);
}
