// Whole uploads through CComPort, a pseudo-terminal and the gauge simulator, started with the
// program's own Start button, the acquisition thread and the tick timer running.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "AcquisitionSettings.h"
#include "ExportText.h"
#include "KvDlg.h"
#include "PortState.h"
#include "RunState.h"
#include "SampleStore.h"
#include "Timers.h"
#include "UploadEnd.h"
#include "afx_testing.h"
#include "gauge_dialog_fixture.h"
#include "upload_driver.h"
#include "upload_records.h"

namespace {

using orva::sim::MemoryRecordData;

// The port's hand-over to the receive ring, holding the first bytes back until the gauge has sent
// its first block again (resent, or as the first frame of a new upload if a stall let its upload
// lapse): as on a busy machine, where the first frame waits between the read and the ring while
// the tick timer, finding the ring empty, asks for it again.
struct FirstFrameHeldBack {
    CKvDlg* dlg = nullptr;
    orva::sim::GaugeSimulator* gauge = nullptr;
    std::vector<BYTE> held;  // receive thread only
    bool released = false;   // receive thread only
    std::atomic<bool> sentAgainWhileHeld{false};

    static void Receive(void* context, void* data, unsigned long length) {
        auto& self = *static_cast<FirstFrameHeldBack*>(context);
        const BYTE* bytes = static_cast<const BYTE*>(data);
        if (!self.released) {
            self.held.insert(self.held.end(), bytes, bytes + length);
            if (self.gauge->FramesSent() < 2) return;
            self.released = true;
            self.sentAgainWhileHeld = true;
            OnPortReceive(self.dlg, self.held.data(), static_cast<unsigned long>(self.held.size()));
            return;
        }
        OnPortReceive(self.dlg, data, length);
    }
};

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
    // The upload has ended: the status handler has shown the end text and given Start back.
    // The records are counted afterwards, so that one too many or too few fails at once.
    bool WaitForUpload() {
        return afx::testing::RunUntil(
            [&] {
                return Report().rfind("Data uploaded successfully!", 0) == 0 && Enabled(1023) &&
                       dlg_->m_bUploading.load() == 0 && g_bUploadActive.load() == 0;
            },
            60000);
    }
    std::string Report() const { return dlg_->GetDlgItemText(1054); }
    FirstFrameHeldBack held_;  // outlives the dialog's port, which TearDown closes
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
        const int records = static_cast<int>(memory.size());
        ASSERT_EQ(g_nSampleIndex.load(), records);
        ASSERT_EQ(dlg_->m_listResults.GetItemCount(), records);
        ASSERT_EQ(Count(g_strExportText, ",\r\n"), records);
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
    ASSERT_TRUE(WaitForUpload());

    EXPECT_TRUE(sim.UploadFinished());
    EXPECT_EQ(sim.BlocksAcknowledged(), 29u);
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
    Gauge(memory);
    ASSERT_TRUE(upload_test::StartUploadWithTheButtons(*dlg_));
    ASSERT_TRUE(WaitForUpload());
    ExpectListMatches(memory, true);
    EXPECT_EQ(Count(g_strExportText, "Report Name:test\r\n"), 1);
}

TEST_F(UploadE2eTest, BadChecksumIsReportedOnceAndTheUploadGoesOn) {
    const auto memory = orva::sim::GenerateRecords(100, 3);
    auto& sim = Gauge(memory);
    sim.CorruptNextFrames(1);
    ASSERT_TRUE(upload_test::StartUploadWithTheButtons(*dlg_));
    ASSERT_TRUE(WaitForUpload());
    // The box is posted to the UI thread and may come after the end of the upload.
    ASSERT_TRUE(afx::testing::RunUntil([] { return !afx::testing::ShownBoxes().empty(); }, 10000));
    afx::testing::Pump();
    EXPECT_EQ(CountBoxes("Communication of COM port is finished"), 1);
    EXPECT_EQ(afx::testing::ShownBoxes().size(), 1u);
    ExpectListMatches(memory, false);  // nothing lost, nothing doubled
    // Block 0 went out again: resent, or as the first frame of a new upload when a stall of the
    // program let the gauge's upload lapse. Three record frames and the end frame otherwise.
    EXPECT_GE(sim.FramesSent(), 5u);
    EXPECT_EQ(Report(), UploadEndText(1, false));
}

TEST_F(UploadE2eTest, AFirstFrameThatComesLateIsListedOnce) {
    const auto memory = orva::sim::GenerateRecords(100, 4);
    auto& sim = Gauge(memory);
    held_.dlg = dlg_.get();
    held_.gauge = &sim;
    dlg_->m_port.Close();
    dlg_->m_port.SetReceiveFunc(&FirstFrameHeldBack::Receive, &held_);
    ASSERT_NE(dlg_->m_port.Open(sim.VirtualPortNumber(), CComPort::CallbackReceive, 38400, CComPort::NoParity,
                                8, CComPort::OneStopBit, CComPort::NoFlowControl),
              0);
    ASSERT_TRUE(upload_test::StartUploadWithTheButtons(*dlg_));
    ASSERT_TRUE(WaitForUpload());
    ASSERT_TRUE(held_.sentAgainWhileHeld.load());  // the program asked again and got the frame twice
    ExpectListMatches(memory, false);
    EXPECT_EQ(Count(g_strExportText, "Report Name:"), 1);
    EXPECT_EQ(Report(), UploadEndText(0, false));
    EXPECT_TRUE(afx::testing::ShownBoxes().empty());
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
