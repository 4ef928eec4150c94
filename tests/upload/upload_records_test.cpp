// Record frames and the end frame on the real dialog: list rows, upload file text, record arrays.
#include "upload_records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AcquisitionSettings.h"
#include "ExportText.h"
#include "KvDlg.h"
#include "ReceiveRing.h"
#include "RunState.h"
#include "SampleStore.h"
#include "Timers.h"
#include "afx_testing.h"
#include "frame_builder.h"
#include "gauge_dialog_fixture.h"

namespace {

using upload_test::AddRecord;
using upload_test::Frame;

class UploadRecordsTest : public serial_test::GaugeDialogTest {
protected:
    void SetUp() override {
        GaugeDialogTest::SetUp();
        OpenDialog();
        Prepare();
    }
    // As Start prepares an upload.
    void Prepare() {
        g_bRealTimeMode = 0;
        g_bUploadActive = 0;
        g_nSampleIndex = 0;
        g_nSampleCount = 0;
        g_strExportText.clear();
        g_strReportHeader.clear();
        dlg_->m_bHeaderPending = 1;
        dlg_->m_listResults.DeleteAllItems();
    }
    void Deliver(const std::vector<BYTE>& frame) {
        for (BYTE b : frame) HandleFrameByte(*dlg_, b);
        afx::testing::Pump();
    }
    std::vector<std::string> Row(int row) const {
        std::vector<std::string> v;
        for (int c = 0; c < 6; ++c) v.push_back(dlg_->m_listResults.GetItemText(row, c));
        return v;
    }
    static int Count(const std::string& text, const std::string& what) {
        int n = 0;
        for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
        return n;
    }
};

TEST_F(UploadRecordsTest, ExampleRecordGoesToListFileAndArrays) {
    dlg_->m_page1.m_cbReportName.SetWindowText("");
    std::vector<BYTE> payload;
    AddRecord(payload, 12345, 3, 1, 1, 1, 2);
    Deliver(Frame(GAUGE_FRAME_RECORDS, payload));

    ASSERT_EQ(dlg_->m_listResults.GetItemCount(), 1);
    const auto row = Row(0);
    EXPECT_EQ(row[0], "1 ");
    EXPECT_EQ(row[1], "12.345  N");
    ASSERT_EQ(row[2].size(), 5u);  // "%H:%M" of the frame's arrival
    EXPECT_EQ(row[2][2], ':');
    EXPECT_EQ(row[3], "Peak");
    EXPECT_EQ(row[4], "pull");
    EXPECT_EQ(row[5], "2 ");

    const std::string time = row[2];
    EXPECT_EQ(g_strReportHeader.rfind("Report Name:test\r\nReport Time : \r\n", 0), 0u);
    EXPECT_NE(
        g_strReportHeader.find("," + time + "\r\nNumber,Load,Unit,Upload Time,Mode,Direction,Group\r\n"),
        std::string::npos);
    EXPECT_EQ(g_strExportText, g_strReportHeader + "\r\n" + "1 ,12.345,N," + time + ",Peak,pull,2 ,\r\n");

    EXPECT_EQ(g_nSampleIndex, 1);
    EXPECT_FLOAT_EQ(g_recValue[1], 12.345f);
    EXPECT_EQ(g_recNumber[1], 1);
    EXPECT_EQ(g_recDirection[1], 1);
    EXPECT_EQ(g_recGroup[1], 2);
    EXPECT_EQ(g_recHour[1] * 100 + g_recMinute[1],
              std::stoi(time.substr(0, 2)) * 100 + std::stoi(time.substr(3)));
    EXPECT_EQ(dlg_->m_bUploading, 1);
    EXPECT_EQ(dlg_->m_bHeaderPending, 0);
    EXPECT_EQ(g_bUploadActive, 1);
}

TEST_F(UploadRecordsTest, OneFrameOrManyGiveTheSameTextsAndOneHeader) {
    dlg_->m_page1.m_cbReportName.SetWindowText("Spring 7");
    std::vector<BYTE> all;
    std::vector<std::vector<BYTE>> parts(5);
    for (int i = 0; i < 35; ++i) {
        const WORD raw = static_cast<WORD>(1000 + 37 * i);
        const BYTE unit = static_cast<BYTE>(i % 3 == 0 ? 32 : 1);
        AddRecord(all, raw, static_cast<BYTE>(i % 7), unit, static_cast<BYTE>(i % 7),
                  static_cast<BYTE>(i % 2), static_cast<BYTE>(i / 7));
        AddRecord(parts[i / 7], raw, static_cast<BYTE>(i % 7), unit, static_cast<BYTE>(i % 7),
                  static_cast<BYTE>(i % 2), static_cast<BYTE>(i / 7));
    }
    Deliver(Frame(GAUGE_FRAME_RECORDS, all));
    ASSERT_EQ(dlg_->m_listResults.GetItemCount(), 35);
    std::vector<std::vector<std::string>> once;
    for (int r = 0; r < 35; ++r) once.push_back(Row(r));
    const std::string onceText = g_strExportText;

    Prepare();  // a new upload
    dlg_->m_page1.m_cbReportName.SetWindowText("Spring 7");
    for (const auto& p : parts) Deliver(Frame(GAUGE_FRAME_RECORDS, p));
    ASSERT_EQ(dlg_->m_listResults.GetItemCount(), 35);
    for (int r = 0; r < 35; ++r) {
        auto row = Row(r);
        auto first = once[r];
        row[2] = first[2] = "";  // only the arrival time may differ
        EXPECT_EQ(row, first) << r;
    }
    EXPECT_EQ(Count(g_strExportText, "Report Name:Spring 7\r\n"), 1);
    EXPECT_EQ(Count(g_strExportText, ",\r\n"), 35);
    EXPECT_EQ(Count(onceText, ",\r\n"), 35);
    EXPECT_EQ(Row(3)[4], "W");  // torque, flag 1
    EXPECT_EQ(Row(6)[4], "C");  // torque, flag 0
    EXPECT_EQ(Row(4)[4], "push");
    EXPECT_EQ(Row(5)[4], "pull");
}

TEST_F(UploadRecordsTest, InvertLoadSwapsDirectionsAndUnit31KeepsTheFramesTexts) {
    g_bInvertLoad = 1;
    std::vector<BYTE> payload;
    AddRecord(payload, 10, 0, 31, 2, 1, 0);  // first of the frame: no mode, no direction
    AddRecord(payload, 20, 0, 1, 2, 1, 0);   // force: Autopeak, pull inverted
    AddRecord(payload, 30, 0, 31, 5, 0, 0);  // keeps the previous record's texts
    AddRecord(payload, 40, 0, 35, 5, 0, 1);  // torque: AutoFirstPeak, C inverted
    Deliver(Frame(GAUGE_FRAME_RECORDS, payload));
    std::vector<BYTE> next;
    AddRecord(next, 50, 0, 31, 1, 1, 0);  // a new frame starts empty again
    Deliver(Frame(GAUGE_FRAME_RECORDS, next));
    ASSERT_EQ(dlg_->m_listResults.GetItemCount(), 5);
    EXPECT_EQ(Row(0)[1], "10  N");
    EXPECT_EQ(Row(0)[3], "");
    EXPECT_EQ(Row(0)[4], "");
    EXPECT_EQ(Row(1)[3], "Autopeak");
    EXPECT_EQ(Row(1)[4], "push");
    EXPECT_EQ(Row(2)[3], "Autopeak");
    EXPECT_EQ(Row(2)[4], "push");
    EXPECT_EQ(Row(3)[1], "40  kgf.cm");
    EXPECT_EQ(Row(3)[3], "AutoFirstPeak");
    EXPECT_EQ(Row(3)[4], "W");
    EXPECT_EQ(Row(4)[3], "");
    EXPECT_EQ(Row(4)[4], "");
}

TEST_F(UploadRecordsTest, RecordsPast999AndPartialRecordsAreNotStored) {
    g_nSampleIndex = 997;
    dlg_->m_bHeaderPending = 0;
    g_recValue[999] = -1.0f;
    std::vector<BYTE> payload;
    for (int i = 0; i < 3; ++i) AddRecord(payload, static_cast<WORD>(7 + i), 0, 1, 0, 1, 0);
    Deliver(Frame(GAUGE_FRAME_RECORDS, payload));
    EXPECT_EQ(g_nSampleIndex, 999);
    EXPECT_FLOAT_EQ(g_recValue[998], 7.0f);
    EXPECT_FLOAT_EQ(g_recValue[999], 8.0f);
    EXPECT_EQ(Count(g_strExportText, ",\r\n"), 2);
    Deliver(Frame(GAUGE_FRAME_RECORDS, payload));  // nothing more fits
    EXPECT_EQ(g_nSampleIndex, 999);
    EXPECT_EQ(Count(g_strExportText, ",\r\n"), 2);

    Prepare();
    std::vector<BYTE> partial;
    AddRecord(partial, 5, 0, 1, 0, 1, 0);
    partial.insert(partial.end(), {0x00, 0x09, 0x00});  // three bytes of a second record
    Deliver(Frame(GAUGE_FRAME_RECORDS, partial));
    EXPECT_EQ(g_nSampleIndex, 1);
    EXPECT_EQ(dlg_->m_listResults.GetItemCount(), 1);
}

// A block that the gauge sends again after a repeated request is listed once; a block equal to
// the one before it is listed when no repeat went out between them.
TEST_F(UploadRecordsTest, ABlockSentAgainAfterARepeatIsListedOnceAndEqualBlocksTwice) {
    std::vector<BYTE> first, second;
    for (int i = 0; i < 3; ++i) {
        AddRecord(first, static_cast<WORD>(100 + i), 0, 1, 0, 1, 0);
        AddRecord(second, static_cast<WORD>(200 + i), 0, 1, 0, 1, 0);
    }
    const auto repeatByTheTickTimer = [&] {
        dlg_->m_nUploadTicks = 5;  // silent long enough for the next-block request's repeat
        TickTimerProc(0x7EED, 0, reinterpret_cast<DWORD_PTR>(dlg_.get()), 0, 0);
    };
    repeatByTheTickTimer();  // the connect request, repeated before the first block came
    Deliver(Frame(GAUGE_FRAME_RECORDS, first));
    Deliver(Frame(GAUGE_FRAME_RECORDS, first));  // the repeat's answer
    Deliver(Frame(GAUGE_FRAME_RECORDS, first));  // and another's
    EXPECT_EQ(dlg_->m_listResults.GetItemCount(), 3);
    Deliver(Frame(GAUGE_FRAME_RECORDS, second));
    Deliver(Frame(GAUGE_FRAME_RECORDS, second));  // the third block equals the second
    EXPECT_EQ(dlg_->m_listResults.GetItemCount(), 9);
    repeatByTheTickTimer();  // the next-block request, repeated after the third was acknowledged
    Deliver(Frame(GAUGE_FRAME_RECORDS, second));  // the fourth block, equal again
    Deliver(Frame(GAUGE_FRAME_RECORDS, second));  // the repeat's answer: the fourth again
    ASSERT_EQ(dlg_->m_listResults.GetItemCount(), 12);
    EXPECT_EQ(g_nSampleIndex, 12);
    EXPECT_EQ(Count(g_strExportText, ",\r\n"), 12);
    const char* values[] = {"100", "101", "102", "200", "201", "202"};
    for (int r = 0; r < 12; ++r) {
        EXPECT_EQ(Row(r)[0], std::to_string(r + 1) + " ");
        EXPECT_EQ(Row(r)[1], std::string(values[r < 3 ? r : 3 + r % 3]) + "  N") << r;
    }
}

TEST_F(UploadRecordsTest, EndFrameHandsTheFinishOver) {
    dlg_->m_bUploading = 1;
    dlg_->m_nUploadTicks = 5;
    dlg_->m_bRxOverflow = 1;
    dlg_->m_nRxWrite = 123;
    g_bUploadActive = 1;
    Deliver(Frame(GAUGE_FRAME_END, {}));
    EXPECT_EQ(g_bUploadActive, 0);
    EXPECT_EQ(dlg_->m_nUploadTicks, 0);
    EXPECT_EQ(dlg_->m_bUploading, 0);
    EXPECT_EQ(dlg_->m_bRxOverflow, 0);
    EXPECT_EQ(dlg_->m_nRxRead.load(), dlg_->m_nRxWrite.load());
    EXPECT_EQ(dlg_->m_listResults.GetItemCount(), 0);
    EXPECT_TRUE(afx::testing::ShownBoxes().empty());
}

TEST_F(UploadRecordsTest, BadChecksumShowsTheBoxAndStoresNothing) {
    std::vector<BYTE> payload;
    AddRecord(payload, 1, 0, 1, 0, 1, 0);
    auto bad = Frame(GAUGE_FRAME_RECORDS, payload);
    bad[7] ^= 0x01;
    Deliver(bad);
    afx::testing::RunUntil([] { return !afx::testing::ShownBoxes().empty(); }, 5000);
    EXPECT_EQ(CountBoxes("Communication of COM port is finished"), 1);
    EXPECT_EQ(g_nSampleIndex, 0);
    EXPECT_EQ(dlg_->m_listResults.GetItemCount(), 0);
    EXPECT_EQ(g_bUploadActive, 0);
}

}  // namespace
