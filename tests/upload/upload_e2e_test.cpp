// Whole uploads through CComPort, a pseudo-terminal and the gauge simulator, started with the
// program's own Start button, the acquisition thread and the tick timer running.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AcquisitionSettings.h"
#include "ExportText.h"
#include "KvDlg.h"
#include "PortState.h"
#include "RunState.h"
#include "SampleStore.h"
#include "Timers.h"
#include "afx_testing.h"
#include "gauge_dialog_fixture.h"
#include "upload_driver.h"
#include "upload_records.h"

namespace {

using orva::sim::MemoryRecordData;

class UploadE2eTest : public serial_test::GaugeDialogTest {
protected:
    orva::sim::GaugeSimulator& Gauge(std::vector<MemoryRecordData> memory) {
        orva::sim::SimOptions options;
        options.memory = std::move(memory);
        options.recordsPerFrame = 35;
        auto& sim = AddGauge("USB Gauge Simulator", options);
        OpenDialog();
        EXPECT_TRUE(dlg_->m_port.IsOpen());
        return sim;
    }
    void TearDown() override {
        if (dlg_) upload_test::EndUpload(*dlg_);
        GaugeDialogTest::TearDown();
    }
    // The upload is complete once every record is listed and the end frame was handled.
    bool WaitForUpload(orva::sim::GaugeSimulator& sim, int records) {
        return afx::testing::RunUntil(
            [&] {
                return sim.UploadFinished() && g_nSampleIndex.load() == records &&
                       dlg_->m_listResults.GetItemCount() == records && dlg_->m_bUploading.load() == 0 &&
                       g_bUploadActive.load() == 0;
            },
            60000);
    }
    std::string Cell(int row, int col) const { return dlg_->m_listResults.GetItemText(row, col); }

    // What the list shows for a record, from the record's own fields.
    static RecordTexts Expected(const MemoryRecordData& r, int number, bool invert, RecordTexts& carried) {
        MemoryRecord rec;
        rec.raw = r.raw;
        rec.decimals = r.decimals;
        rec.unit = r.unit;
        rec.mode = r.mode;
        rec.direction = r.direction;
        rec.group = r.group;
        DecodeRecordTexts(rec, number, invert, carried);
        return carried;
    }
    void ExpectListMatches(const std::vector<MemoryRecordData>& memory, bool invert) {
        RecordTexts carried;
        for (std::size_t i = 0; i < memory.size(); ++i) {
            if (i % 35 == 0) carried = RecordTexts{};  // texts carry over within a frame only
            const RecordTexts t = Expected(memory[i], static_cast<int>(i + 1), invert, carried);
            const int row = static_cast<int>(i);
            ASSERT_EQ(Cell(row, 0), t.number) << i;
            ASSERT_EQ(Cell(row, 1), t.value + "  " + t.unit) << i;
            ASSERT_EQ(Cell(row, 3), t.mode) << i;
            ASSERT_EQ(Cell(row, 4), t.direction) << i;
            ASSERT_EQ(Cell(row, 5), t.group) << i;
            ASSERT_EQ(g_recNumber[i + 1], static_cast<int>(i + 1));
            ASSERT_FLOAT_EQ(g_recValue[i + 1], t.fValue) << i;
            ASSERT_EQ(g_recGroup[i + 1], memory[i].group);
            ASSERT_EQ(g_recDirection[i + 1], memory[i].direction);
        }
    }
    static int Count(const std::string& text, const std::string& what) {
        int n = 0;
        for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
        return n;
    }
};

TEST_F(UploadE2eTest, NineHundredNinetyNineRecordsInTwentyNineFrames) {
    const auto memory = orva::sim::GenerateRecords(999, 5);
    auto& sim = Gauge(memory);
    dlg_->m_page1.m_cbReportName.SetWindowText("Batch 12");
    ASSERT_TRUE(upload_test::StartUploadWithTheButtons(*dlg_));
    ASSERT_TRUE(WaitForUpload(sim, 999));

    EXPECT_EQ(sim.BlocksAcknowledged(), 29u);
    EXPECT_EQ(sim.FramesSent() - sim.FramesResent(), 30u);  // 29 record frames and the end frame
    EXPECT_EQ(dlg_->m_listResults.GetItemCount(), 999);
    ExpectListMatches(memory, false);
    EXPECT_EQ(Count(g_strExportText, "Report Name:Batch 12\r\n"), 1);
    EXPECT_EQ(Count(g_strExportText, ",\r\n"), 999);
    EXPECT_EQ(g_strExportText.rfind(g_strReportHeader + "\r\n1 ,", 0), 0u);
    EXPECT_TRUE(afx::testing::ShownBoxes().empty());

    // The generated records cover both families, code 31 and both direction flags.
    bool torque = false, none = false, pull = false, push = false;
    for (int r = 0; r < 999; ++r) {
        const std::string dir = Cell(r, 4);
        torque |= dir == "W" || dir == "C";
        pull |= dir == "pull";
        push |= dir == "push";
        none |= memory[r].unit == 31;
    }
    EXPECT_TRUE(torque && none && pull && push);
}

TEST_F(UploadE2eTest, InvertLoadSwapsTheDirections) {
    g_bInvertLoad = 1;
    const auto memory = orva::sim::GenerateRecords(80, 9);
    auto& sim = Gauge(memory);
    ASSERT_TRUE(upload_test::StartUploadWithTheButtons(*dlg_));
    ASSERT_TRUE(WaitForUpload(sim, 80));
    ExpectListMatches(memory, true);
    EXPECT_EQ(Count(g_strExportText, "Report Name:test\r\n"), 1);
}

TEST_F(UploadE2eTest, BadChecksumIsReportedOnceAndTheUploadGoesOn) {
    const auto memory = orva::sim::GenerateRecords(100, 3);
    auto& sim = Gauge(memory);
    sim.CorruptNextFrames(1);
    ASSERT_TRUE(upload_test::StartUploadWithTheButtons(*dlg_));
    ASSERT_TRUE(WaitForUpload(sim, 100));
    EXPECT_EQ(CountBoxes("Communication of COM port is finished"), 1);
    EXPECT_EQ(afx::testing::ShownBoxes().size(), 1u);
    ExpectListMatches(memory, false);  // nothing lost, nothing doubled
    EXPECT_GE(sim.FramesResent(), 1u);
}

TEST_F(UploadE2eTest, SilentGaugeGetsAConnectRequestPerTickThenTheTimeOut) {
    auto& sim = Gauge(orva::sim::GenerateRecords(10, 1));
    sim.SetSilent(true);
    ASSERT_TRUE(upload_test::StartUploadWithTheButtons(*dlg_));
    EXPECT_FALSE(Enabled(1023));
    ASSERT_TRUE(afx::testing::RunUntil([] { return CountBoxes(kUploadTimeoutText) == 1; }, 60000))
        << "connect requests " << sim.ConnectRequests() << ", ticks " << dlg_->m_nUploadTicks.load()
        << ", timer " << g_nTickTimerId.load() << ", answered " << g_bUploadActive.load();
    const auto boxes = afx::testing::ShownBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "System Message");
    EXPECT_EQ(boxes[0].buttons, MB_OK);
    // 1001 from the timer and the one Start sent; all of them reached the gauge.
    EXPECT_TRUE(afx::testing::RunUntil([&] { return sim.ConnectRequests() >= 1002; }, 10000));
    EXPECT_TRUE(afx::testing::RunUntil([&] { return Enabled(1023); }, 10000));
    EXPECT_TRUE(Enabled(1080));
    EXPECT_TRUE(Enabled(1026));
    EXPECT_TRUE(dlg_->m_page1.GetDlgItem(1042)->IsWindowEnabled());
    EXPECT_TRUE(dlg_->m_page1.GetDlgItem(1082)->IsWindowEnabled());
    // Timer and thread are gone: nothing more is sent and no second box follows.
    afx::testing::Pump(300);
    EXPECT_EQ(sim.ConnectRequests(), 1002u);
    EXPECT_EQ(CountBoxes(kUploadTimeoutText), 1);
    EXPECT_EQ(g_nTickTimerId.load(), 0u);
}

}  // namespace
