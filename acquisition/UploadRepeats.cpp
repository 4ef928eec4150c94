#include "UploadRepeats.h"

#include <cstring>

#include "KvDlg.h"
#include "frame_protocol.h"

void ResetUploadRepeats(CKvDlg& dlg) {
    dlg.m_nRepeatsBegun = 0;
    dlg.m_nRepeatsWritten = 0;
    dlg.m_nLastRecordLength = 0;
    dlg.m_bLastRecordMayComeAgain = false;
    dlg.m_nRepeatsWrittenAtRequest = 0;
}

void SendRepeatedRequest(CKvDlg& dlg, const BYTE (&request)[8]) {
    dlg.m_nRepeatsBegun.fetch_add(1);
    SendGaugeRequest(dlg, request);
    dlg.m_nRepeatsWritten.fetch_add(1);
}

bool IsRecordFrameSentAgain(const CKvDlg& dlg, const BYTE* frame, int length) {
    return dlg.m_bLastRecordMayComeAgain && dlg.m_nLastRecordLength == length &&
           std::memcmp(dlg.m_lastRecordFrame, frame, static_cast<std::size_t>(length)) == 0;
}

void AcknowledgeRecordFrame(CKvDlg& dlg, const BYTE* frame, int length) {
    // Repeats written before this request reach the gauge before it; repeats begun after it was
    // written reach the gauge after it and can only bring the next block again.
    const unsigned writtenBefore = dlg.m_nRepeatsWritten.load();
    SendGaugeRequest(dlg, GAUGE_CMD_NEXT);
    const unsigned begunByNow = dlg.m_nRepeatsBegun.load();
    // A repeat that had not been written when the request that brought this frame went out, and
    // that had begun before this acknowledgement was written, may have reached the gauge between
    // the two: the gauge then sends this frame once more.
    dlg.m_bLastRecordMayComeAgain = begunByNow > dlg.m_nRepeatsWrittenAtRequest;
    dlg.m_nRepeatsWrittenAtRequest = writtenBefore;
    std::memcpy(dlg.m_lastRecordFrame, frame, static_cast<std::size_t>(length));
    dlg.m_nLastRecordLength = length;
}

void ForgetRecordFrame(CKvDlg& dlg) {
    dlg.m_nLastRecordLength = 0;
}
