// The acquisition thread: the real-time reading loop, or the upload loop, for one test.
#include <string>

#include "AutoStop.h"
#include "DialogView.h"
#include "KvDlg.h"
#include "ReadingLine.h"
#include "RealTimeParser.h"
#include "ReceiveRing.h"
#include "SharedState.h"
#include "TestRun.h"
#include "frame_protocol.h"
#include "win32_thread.h"

namespace {

// Turns the ring's bytes into readings until a stop condition or a stop request. A stop request
// is seen between bytes: the reading in progress is then dropped whole; a reading whose carriage
// return was read is always finished.
void RunRealTimeLoop(CKvDlg& dlg, unsigned run) {
    RxReaderStopWake wake(dlg);
    DialogView view(dlg);
    RealTimeParser parser(RealTimeMembers{&dlg.m_bHeaderPending, &dlg.m_bRunning, &dlg.m_nSeconds,
                                          &dlg.m_nMinutes, &dlg.m_fLoadSum, &dlg.m_strResult},
                          view, g_fReadingsPerSecond);
    ReadingLineAssembler line;
    for (;;) {
        if (!WaitForRxData(dlg)) return;
        std::int32_t read = dlg.m_nRxRead.load(std::memory_order_relaxed);
        const std::int32_t write = dlg.m_nRxWrite.load(std::memory_order_acquire);
        while (read != write) {
            if (ThreadStopRequested()) return;
            const BYTE byte = dlg.m_rxRing[read];
            read = (read + 1) % kRxRingSize;
            dlg.m_nRxRead.store(read, std::memory_order_release);
            const ReadingLineAssembler::Result r = line.Put(byte);
            if (r == ReadingLineAssembler::Result::Partial) continue;
            dlg.m_nLineStart.store(read);
            if (r == ReadingLineAssembler::Result::Line &&
                parser.ProcessLine(line.Number(), line.Unit()) == ReadingOutcome::Stop) {
                // The stopping reading is listed like the others, whichever stop wraps the test
                // up: this one, or the Stop button or the stop by time meeting it.
                if (parser.LatestHasRow() && g_bLiveDisplay.load() == 1) {
                    view.InsertListRow(parser.LatestIndex() - 1, parser.RowText(), parser.ValueText(),
                                       parser.TimeText());
                }
                PostAutoStop(dlg, run);
                return;
            }
        }
    }
}

// A finished frame whose checksum does not match the frame's own: what the parser refused.
bool FrameRefused(const CKvDlg& dlg) {
    const int length = dlg.m_frameBuf[2] * 256 + dlg.m_frameBuf[3];
    if (length < kGaugeFrameMinLength || length > kGaugeFrameMaxLength) return false;
    const WORD crc = CalcCrc16(dlg.m_frameBuf, static_cast<std::size_t>(length - 2));
    return (crc & 0xFF) != dlg.m_frameBuf[length - 2] || (crc >> 8) != dlg.m_frameBuf[length - 1];
}

// The upload loop, counting what the upload loses: frames refused for their checksum, and an
// overflow of the ring (the end frame clears the ring's own flag).
void RunUploadLoopCounting(CKvDlg& dlg) {
    RxReaderStopWake wake(dlg);
    while (WaitForRxData(dlg)) {
        const std::int32_t read = dlg.m_nRxRead.load(std::memory_order_relaxed);
        if (read >= kRxRingSize) {  // left at the ring's end by a real-time test
            dlg.m_nRxRead.store(0, std::memory_order_release);
            continue;
        }
        if (dlg.m_bRxOverflow.load() != 0) dlg.m_bUploadOverflow = 1;
        const BYTE b = dlg.m_rxRing[read];
        dlg.m_nRxRead.store((read + 1) % kRxRingSize, std::memory_order_release);
        const std::int32_t framesBefore = dlg.m_nFramesDone;
        HandleFrameByte(dlg, b);
        if (dlg.m_nFramesDone != framesBefore && FrameRefused(dlg)) dlg.m_nUploadBadFrames.fetch_add(1);
        if (ThreadStopRequested()) return;
    }
}

}  // namespace

DWORD AcquisitionThread(LPVOID param) {
    CKvDlg& dlg = *static_cast<CKvDlg*>(param);
    // Start numbered the run before it created this thread.
    const unsigned run = ActiveRun(dlg);
    if (g_bRealTimeMode.load() != 0) {
        RunRealTimeLoop(dlg, run);
    } else {
        RunUploadLoopCounting(dlg);
    }
    return 0;
}
