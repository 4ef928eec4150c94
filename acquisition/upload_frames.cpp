// What the acquisition thread does with the record frames and the end frame of an upload.
#include <atomic>
#include <cstdio>
#include <ctime>
#include <string>

#include "AcquisitionSettings.h"
#include "ExportText.h"
#include "KvDlg.h"
#include "ReceiveRing.h"
#include "RunState.h"
#include "SampleStore.h"
#include "UploadRepeats.h"
#include "frame_protocol.h"
#include "upload_records.h"
#include "win32_thread.h"

namespace {

struct FrameTime {
    std::string date;  // "%d/%d/%d" of year, month, day
    std::string time;  // "%H:%M"
    int hour = 0;
    int minute = 0;
};

FrameTime NowForFrame() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    FrameTime t;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d/%d/%d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    t.date = buf;
    std::strftime(buf, sizeof buf, "%H:%M", &tm);
    t.time = buf;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    return t;
}

}  // namespace

void HandleRecordFrame(CKvDlg& dlg, const BYTE* frame, int length) {
    std::string reportName;
    dlg.m_page1.m_cbReportName.GetWindowText(reportName);
    const FrameTime when = NowForFrame();
    const bool invertLoad = g_bInvertLoad.load() == 1;

    RecordTexts texts;  // mode and direction carry over within the frame only
    // Whole records only: a partial one at the end would reach into the checksum.
    for (int g = 5; g + MemoryRecord::kSize <= length - 2; g += MemoryRecord::kSize) {
        const int number = g_nSampleIndex.load() + 1;
        if (number > kUploadRecordMax) {
            // The arrays hold records 1 to 999; later ones are not kept (the end text counts
            // them), but the gauge is alive, so the silence count starts again.
            dlg.m_nUploadRecordsDropped.fetch_add((length - 2 - g) / MemoryRecord::kSize);
            dlg.m_nUploadTicks.store(0);
            break;
        }
        g_nSampleIndex.store(number);
        dlg.m_bUploading.store(1);

        const MemoryRecord rec = MemoryRecord::FromBytes(frame + g);
        DecodeRecordTexts(rec, number, invertLoad, texts);
        g_recValue[number] = texts.fValue;
        g_recNumber[number] = number;
        g_recDirection[number] = rec.direction;
        g_recGroup[number] = rec.group;
        g_recHour[number] = when.hour;
        g_recMinute[number] = when.minute;

        const int row = number - 1;
        dlg.m_listResults.InsertItem(row, texts.number);
        dlg.m_listResults.SetItemText(row, 1, texts.value + "  " + texts.unit);
        dlg.m_listResults.SetItemText(row, 2, when.time);
        dlg.m_listResults.SetItemText(row, 3, texts.mode);
        dlg.m_listResults.SetItemText(row, 4, texts.direction);
        dlg.m_listResults.SetItemText(row, 5, texts.group);

        if (dlg.m_bHeaderPending.exchange(0) != 0) {
            g_strReportHeader +=
                UploadReportHeader(reportName.empty() ? "test" : reportName, when.date, when.time);
            g_strExportText = g_strExportText + g_strReportHeader + "\r\n";
        }
        g_strExportText += UploadExportLine(texts, when.time);
        dlg.m_nUploadTicks.store(0);
    }

    // Give the gauge a moment, then ask for the next block (not when the thread is being ended).
    Sleep(20);
    if (ThreadStopRequested()) return;
    AcknowledgeRecordFrame(dlg, frame, length);
    // The silence that makes the tick timer repeat the request counts from this request. Counted
    // from the last record instead, a pause or a slow frame lets the repeat follow our own request
    // closely, and the gauge takes the repeat for a lost acknowledgement and sends the block again:
    // its records would be listed twice.
    dlg.m_nUploadTicks.store(0);
}

void HandleEndFrame(CKvDlg& dlg) {
    g_bUploadActive.store(0);
    dlg.m_bUploadDone.store(1);
    dlg.m_nUploadTicks.store(0);
    dlg.m_bUploading.store(0);
    // Empty the ring from this side, so that no byte the callback is writing is lost half-way.
    DiscardRxData(dlg);
    dlg.m_bRxOverflow.store(0);
    dlg.PostMessage(WM_STATUS_UPDATE, 0, 0);
}
