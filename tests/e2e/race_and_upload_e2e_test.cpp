// Uploads through the main dialog, the silent gauge's time-out, and the three stops of a test
// meeting each other.
#include <chrono>
#include <random>
#include <thread>

#include "AcquisitionSettings.h"
#include "ExportText.h"
#include "RunState.h"
#include "SampleStore.h"
#include "TestConditions.h"
#include "Timers.h"
#include "UploadEnd.h"
#include "afx_testing.h"
#include "e2e_fixture.h"

namespace e2e {
namespace {

class UploadTest : public DialogTest {
protected:
    void StartUpload(const std::string& name) {
        ClickOn(dlg_->m_page1, 1043);  // "Upload Memory Data From Gauge"
        ASSERT_EQ(g_bRealTimeMode.load(), 0);
        TypeInto(dlg_->m_page1, 1027, name);
        ClickStart();
        EXPECT_FALSE(Enabled(*dlg_, 1023));
        EXPECT_FALSE(Enabled(*dlg_, 1080));
        EXPECT_FALSE(Enabled(*dlg_, 1026));
        EXPECT_FALSE(Enabled(dlg_->m_page1, 1042));
        EXPECT_FALSE(Enabled(dlg_->m_page1, 1082));
    }

    void ExpectControlsBack() {
        EXPECT_TRUE(Enabled(*dlg_, 1023));
        EXPECT_TRUE(Enabled(*dlg_, 1080));
        EXPECT_TRUE(Enabled(*dlg_, 1026));
        EXPECT_TRUE(Enabled(dlg_->m_page1, 1042));
        EXPECT_TRUE(Enabled(dlg_->m_page1, 1082));
    }
};

TEST_F(UploadTest, NineHundredNinetyNineRecordsListAndEndWithTheUploadText) {
    orva::sim::SimOptions options;
    options.memory = orva::sim::GenerateRecords(999, 7);
    RunWithGauge(options, [&] {
        StartUpload("memory");
        ASSERT_TRUE(WaitFor([&] { return Report().rfind("Data uploaded successfully!", 0) == 0; }, 60000));
        EXPECT_EQ(
            Report(),
            "Data uploaded successfully!\r\n  \r\nClick the 'Export Data' button,\r\nyou can save the data.");
        ASSERT_EQ(dlg_->m_listResults.GetItemCount(), 999);
        EXPECT_EQ(dlg_->m_listResults.GetItemText(0, 0), "1 ");
        EXPECT_EQ(dlg_->m_listResults.GetItemText(998, 0), "999 ");
        EXPECT_EQ(g_nSampleIndex.load(), 999);
        EXPECT_EQ(g_strExportText.rfind("Report Name:memory\r\n", 0), 0u);
        EXPECT_EQ(dlg_->m_bUploading.load(), 0);
        EXPECT_EQ(g_nTickTimerId.load(), 0u);
        ExpectControlsBack();
        afx::testing::Pump(100);
        EXPECT_TRUE(afx::testing::ShownBoxes().empty());
        // The button kept its text: uploads do not use the Start/Stop counter.
        EXPECT_EQ(dlg_->GetDlgItemText(1023), "Start acquisition");
    });
}

TEST_F(UploadTest, AFrameRefusedForItsChecksumIsNamedInTheEndText) {
    orva::sim::SimOptions options;
    options.memory = orva::sim::GenerateRecords(70, 3);
    RunWithGauge(options, [&] {
        gauge_->CorruptNextFrames(1);
        StartUpload("crc");
        ASSERT_TRUE(WaitFor([&] { return Report().rfind("Data uploaded successfully!", 0) == 0; }, 30000));
        // The frame was asked for again and came whole, but the text does not claim a clean upload.
        EXPECT_EQ(dlg_->m_listResults.GetItemCount(), 70);
        EXPECT_EQ(Report(), UploadEndText(1, false));
        EXPECT_NE(Report().find("1 frame refused for a wrong checksum"), std::string::npos);
    });
}

TEST_F(UploadTest, RecordsBeyondTheLastSlotAreNamedInTheEndText) {
    orva::sim::SimOptions options;
    options.memory = orva::sim::GenerateRecords(1010, 5);
    RunWithGauge(options, [&] {
        StartUpload("full");
        ASSERT_TRUE(WaitFor([&] { return Report().rfind("Data uploaded successfully!", 0) == 0; }, 60000));
        EXPECT_EQ(dlg_->m_listResults.GetItemCount(), 999);
        EXPECT_EQ(Report(), UploadEndText(0, false, 11));
        EXPECT_EQ(Report().substr(Report().rfind("\r\n")),
                  "\r\nWarning: data may be missing: 11 records beyond the first 999 not stored.");
    });
}

TEST_F(UploadTest, SilentGaugeTimesOutOnceAndGivesTheControlsBack) {
    RunWithGauge({}, [&] {
        gauge_->SetSilent(true);
        StartUpload("silent");
        dlg_->m_bUploading = 1;  // as if records had begun to arrive: the time-out must clear it
        ASSERT_TRUE(WaitFor([&] { return CountBoxesWith(kUploadTimeoutText) == 1; }, 30000));
        const auto boxes = afx::testing::ShownBoxes();
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back().caption, "System Message");
        EXPECT_EQ(g_nTickTimerId.load(), 0u);
        EXPECT_EQ(dlg_->m_bUploading.load(), 0);
        ExpectControlsBack();
        // One connect request from Start, one on each of 1001 ticks: the gauge may read the last
        // ones late, and nothing more follows them.
        EXPECT_TRUE(WaitFor([&] { return gauge_->ConnectRequests() >= 1002u; }, 10000));
        afx::testing::Pump(300);
        EXPECT_EQ(CountBoxesWith(kUploadTimeoutText), 1);
        EXPECT_EQ(gauge_->ConnectRequests(), 1002u);
    });
}

// The Stop button, the tick timer's stop by time and the thread's own stop (break detection) come
// due at the same reading. Whichever the UI thread takes first wraps the test up; the others find
// no test to stop.
class StopRaceTest : public DialogTest {};

TEST_F(StopRaceTest, ExactlyOneWrapUpWhateverStopComesFirst) {
    RunWithGauge(SequenceGauge({"100", "100", "100", "100", "100", "1"}), [&] {
        SetRate("100");
        // 5 readings use up the budget; the tick after the fifth posts the stop by time while the
        // sixth, 10 ms later, breaks.
        SetStopTime("0.05");
        ClickOn(dlg_->m_page2, 1130);
        ClickOn(dlg_->m_page2, 1157);  // Break Detect: the stop radios are locked meanwhile
        TypeInto(dlg_->m_page1, 1027, "race");
        // A first test ends by the break; its end enables the stop radios again, and a click on
        // "Time" keeps break detection on.
        ClickStart();
        ASSERT_TRUE(WaitForStop());
        ClickOn(dlg_->m_page2, 1129);
        ASSERT_EQ(g_bBreakDetect.load(), 1);
        ASSERT_EQ(g_bStopByTime.load(), 1);
        ASSERT_EQ(g_bStopByLoad.load(), 0);

        std::mt19937 random(12345);
        int byButton = 0, byRoutine = 0, byThread = 0;
        const int rounds = 40;
        for (int round = 0; round < rounds; ++round) {
            SCOPED_TRACE("round " + std::to_string(round));
            // Budget 5: the stop by time comes due one reading before the break; budget 6: both at
            // the sixth reading, the thread's stop posted first.
            SetStopTime(random() % 2 == 0 ? "0.05" : "0.06");
            const bool click = random() % 3 != 0;
            gauge_->RestartProfile();
            ClickStart();
            ASSERT_EQ(dlg_->GetDlgItemText(1023), "Stop acquisition");
            // Let the readings come without running the UI thread, so that the posted stops queue up.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (g_nSampleCount.load() < 4 && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 25));
            if (random() % 3 == 0) afx::testing::Pump(static_cast<int>(random() % 3));
            // A user clicks Stop while the button still says so.
            if (click && dlg_->GetDlgItemText(1023) == "Stop acquisition") ClickStart();
            ASSERT_TRUE(WaitForStop());
            afx::testing::Pump(40);  // whatever else was posted for this test

            const std::string report = Report();
            ASSERT_EQ(Count(report, "Report Name: race"), 1) << report;
            ASSERT_EQ(Count(report, "Avg: "), 1) << report;
            ASSERT_EQ(Count(report, "Peak: "), 1) << report;
            ASSERT_EQ(dlg_->m_strResult, report);
            ASSERT_EQ(dlg_->m_nStartToggle.load(), 0);
            ASSERT_EQ(dlg_->m_nActiveRun.load(), 0u);
            ASSERT_EQ(g_nTickTimerId.load(), 0u);
            ASSERT_EQ(g_nPollTimerId.load(), 0u);
            const std::int32_t n = g_nSampleIndex.load();
            ASSERT_EQ(dlg_->m_listResults.GetItemCount(), n);
            ASSERT_EQ(Graph()->PointCount(0), static_cast<std::size_t>(n) + 1);
            if (report.size() >= 2 && report.substr(report.size() - 2) == "\r\n") {
                ++byRoutine;
            } else if (report.size() >= 4 && report.substr(report.size() - 4) == "   N") {
                ++byButton;
            } else {
                ++byThread;
            }
        }
        std::printf("stops: button %d, stop by time %d, thread %d\n", byButton, byRoutine, byThread);
        EXPECT_EQ(byButton + byRoutine + byThread, rounds);
    });
}

}  // namespace
}  // namespace e2e
