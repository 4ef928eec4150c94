// The acquisition thread: the real-time reading loop, or the upload loop, for one test.
#include <string>

#include "AcquisitionSettings.h"
#include "AutoStop.h"
#include "DialogView.h"
#include "KvDlg.h"
#include "ReadingLine.h"
#include "RealTimeParser.h"
#include "ReceiveRing.h"
#include "SampleStore.h"
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

}  // namespace

DWORD AcquisitionThread(LPVOID param) {
    CKvDlg& dlg = *static_cast<CKvDlg*>(param);
    // Start numbered the run before it created this thread.
    const unsigned run = ActiveRun(dlg);
    if (g_bRealTimeMode.load() != 0) {
        RunRealTimeLoop(dlg, run);
    } else {
        RunUploadLoop(dlg);
    }
    return 0;
}
