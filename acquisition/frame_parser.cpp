// The frame parser of memory uploads and the upload loop of the acquisition thread.
#include <atomic>

#include "KvDlg.h"
#include "ReceiveRing.h"
#include "RunState.h"
#include "UploadRepeats.h"
#include "frame_protocol.h"
#include "upload_records.h"
#include "win32_thread.h"

void CKvDlg::ResetFrameParser() {
    m_bFrameSync = 0;
    m_bFrameHeader = 0;
    m_nFrameBytes = 0;
    m_nFrameLength = 0;
    m_byCrcHigh = 0;
    m_byCrcLow = 0;
    for (BYTE& w : m_byFrameWindow) w = 0;
}

FrameStep FeedFrameByte(CKvDlg& dlg, BYTE b, int* frameLength) {
    BYTE* window = dlg.m_byFrameWindow;
    const bool hunting = dlg.m_bFrameSync == 0 && dlg.m_bFrameHeader == 0;
    // Every byte enters the buffer when it leaves the two-byte window. While hunting nothing is
    // kept: the count restarts at the sync pair anyway.
    if (!hunting) dlg.m_frameBuf[dlg.m_nFrameBytes++] = window[1];
    window[1] = window[0];
    window[0] = b;

    if (hunting) {
        if (window[1] == GAUGE_FRAME_SYNC[0] && window[0] == GAUGE_FRAME_SYNC[1]) {
            dlg.m_bFrameSync = 1;
            dlg.m_bFrameHeader = 1;
            dlg.m_nFrameBytes = 0;
        }
        return FrameStep::Pending;
    }
    if (dlg.m_nFrameBytes == 4) {
        dlg.m_nFrameLength = dlg.m_frameBuf[2] * 256 + dlg.m_frameBuf[3];
        if (dlg.m_nFrameLength < kGaugeFrameMinLength || dlg.m_nFrameLength > kGaugeFrameMaxLength) {
            // Not a frame: hunt again from the byte after its FC. The five bytes taken since may
            // hold the start of a real frame (they are too few to hold a whole one).
            const BYTE taken[5] = {dlg.m_frameBuf[1], dlg.m_frameBuf[2], dlg.m_frameBuf[3], window[1],
                                   window[0]};
            dlg.ResetFrameParser();
            for (BYTE again : taken) FeedFrameByte(dlg, again, nullptr);
            return FrameStep::Refused;
        }
        return FrameStep::Pending;
    }
    if (dlg.m_nFrameBytes > 4 && dlg.m_nFrameBytes + 2 == dlg.m_nFrameLength) {
        const int length = dlg.m_nFrameLength;
        ++dlg.m_nFramesDone;
        dlg.m_frameBuf[dlg.m_nFrameBytes++] = window[1];
        dlg.m_frameBuf[dlg.m_nFrameBytes] = window[0];
        const WORD crc = CalcCrc16(dlg.m_frameBuf, static_cast<std::size_t>(length - 2));
        dlg.m_byCrcLow = static_cast<BYTE>(crc & 0xFF);
        dlg.m_byCrcHigh = static_cast<BYTE>(crc >> 8);
        const bool match =
            dlg.m_byCrcLow == dlg.m_frameBuf[length - 2] && dlg.m_byCrcHigh == dlg.m_frameBuf[length - 1];
        dlg.ResetFrameParser();
        if (frameLength != nullptr) *frameLength = length;
        return match ? FrameStep::Complete : FrameStep::BadCrc;
    }
    return FrameStep::Pending;
}

void HandleFrameByte(CKvDlg& dlg, BYTE b) {
    int length = 0;
    switch (FeedFrameByte(dlg, b, &length)) {
        case FrameStep::Complete:
            // The gauge has answered: the tick timer stops repeating the connect request.
            g_bUploadActive.store(1);
            if (dlg.m_frameBuf[4] == GAUGE_FRAME_RECORDS) {
                // Its records are listed already: the gauge answered a repeated request.
                if (IsRecordFrameSentAgain(dlg, dlg.m_frameBuf, length)) break;
                HandleRecordFrame(dlg, dlg.m_frameBuf, length);
                break;
            }
            ForgetRecordFrame(dlg);
            if (dlg.m_frameBuf[4] == GAUGE_FRAME_END) HandleEndFrame(dlg);
            break;
        case FrameStep::BadCrc:
            ForgetRecordFrame(dlg);
            // Shown on the UI thread; parsing goes on. The gauge gets no answer, so the tick
            // timer asks for the block again; the end of the upload says a frame was refused.
            dlg.m_nUploadBadFrames.fetch_add(1);
            AfxMessageBox(kFrameCrcErrorText, MB_OK);
            break;
        case FrameStep::Pending:
        case FrameStep::Refused:
            break;
    }
}

void RunUploadLoop(CKvDlg& dlg) {
    RxReaderStopWake wake(dlg);
    while (WaitForRxData(dlg)) {
        const std::int32_t read = dlg.m_nRxRead.load(std::memory_order_relaxed);
        if (read >= kRxRingSize) {  // left at the ring's end by a real-time test
            dlg.m_nRxRead.store(0, std::memory_order_release);
            continue;
        }
        // The end frame clears the ring's own flag: keep that bytes were lost for the end text.
        if (dlg.m_bRxOverflow.load() != 0) dlg.m_bUploadOverflow = 1;
        // The byte leaves the ring only once it is handled: while a frame's last byte is being
        // handled (its records listed, the pause, the next-block request) the ring still shows
        // it, and the tick timer, which repeats requests only into an empty ring, does not ask
        // the gauge again for an answer that is already here.
        HandleFrameByte(dlg, dlg.m_rxRing[read]);
        // The end frame empties the ring itself; then the read position is already past this byte.
        std::int32_t expected = read;
        dlg.m_nRxRead.compare_exchange_strong(expected, (read + 1) % kRxRingSize, std::memory_order_release,
                                              std::memory_order_relaxed);
        if (ThreadStopRequested()) return;
    }
}

void SendGaugeRequest(CKvDlg& dlg, const BYTE (&request)[8]) {
    dlg.m_port.Output(request, sizeof request);
}
