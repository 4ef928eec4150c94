// Real-time tests through the main dialog: a user sets the pages up and clicks Start and Stop;
// the simulator answers the poll timer's requests over a pseudo-terminal.
#include <cstdlib>
#include <limits>

#include "AcquisitionSettings.h"
#include "ExportText.h"
#include "ResultSummary.h"
#include "RunState.h"
#include "SampleStore.h"
#include "StartStop.h"
#include "TestConditions.h"
#include "afx_testing.h"
#include "e2e_fixture.h"
#include "win32_thread.h"

namespace e2e {
namespace {

using afx::testing::Click;

// "%2d/%2d/%4d" of month, day, year, two blanks, "%2d:%2d:%2d" of the time: digits, or a blank
// in place of a leading digit.
bool IsStartTimeText(const std::string& t) {
    const std::string shape = "dd/dd/dddd  dd:dd:dd";
    if (t.size() != shape.size()) return false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const bool digit = t[i] >= '0' && t[i] <= '9';
        const bool leading = shape[i] == 'd' && (i == 0 || shape[i - 1] != 'd');
        if (shape[i] != 'd' ? t[i] != shape[i] : !(digit || (leading && t[i] == ' '))) return false;
    }
    return true;
}

class RealTimeTest : public DialogTest {
protected:
    // The stored readings 1..n against the gauge's number texts (cycled), the list rows too.
    void ExpectReadings(const std::vector<std::string>& numbers, std::int32_t n, bool invert, double rate,
                        std::size_t firstNumber = 0) {
        ASSERT_EQ(dlg_->m_listResults.GetItemCount(), n);
        for (std::int32_t i = 1; i <= n; ++i) {
            const std::string& number =
                numbers[(firstNumber + static_cast<std::size_t>(i) - 1) % numbers.size()];
            const float load = StoredLoad(number, invert);
            const float time = ReadingTime(i, rate);
            ASSERT_EQ(g_fLoad[i], load) << "reading " << i << " from " << number;
            ASSERT_EQ(g_fTime[i], time) << "reading " << i;
            ASSERT_EQ(g_nIndex[i], i);
            const RowTexts row = ExpectedRow(i, load, time, " N");
            ASSERT_EQ(dlg_->m_listResults.GetItemText(i - 1, 0), row.number);
            ASSERT_EQ(dlg_->m_listResults.GetItemText(i - 1, 1), row.value);
            ASSERT_EQ(dlg_->m_listResults.GetItemText(i - 1, 2), row.time);
        }
    }

    // After a stop of a test without the live display: the whole curve from the origin on, and
    // every row as the window shows it.
    void ExpectStopShowedEveryReading(std::int32_t n) {
        std::vector<std::int32_t> all(static_cast<std::size_t>(n) + 1);
        for (std::int32_t i = 0; i <= n; ++i) all[static_cast<std::size_t>(i)] = i;
        ExpectCurveIsTheStore(all, n);
        all.pop_back();
        ExpectViewShowsTheList(all);
    }

    void StartWithName(const std::string& name) {
        TypeInto(dlg_->m_page1, 1027, name);
        gauge_->RestartProfile();
        ClickStart();
    }
};

TEST_F(RealTimeTest, TenPerSecondStoppedByTheButton) {
    // Line feeds after each carriage return, and a garbage line among the readings.
    const std::vector<std::string> numbers = {"12.34567", "-3.5", "abc", "0.00004", "250"};
    RunWithGauge(SequenceGauge(numbers, /*lineFeed=*/true), [&] {
        StartWithName("e2e run");
        EXPECT_EQ(dlg_->GetDlgItemText(1023), "Stop acquisition");
        EXPECT_FALSE(Enabled(*dlg_, 1080));
        EXPECT_FALSE(Enabled(dlg_->m_page1, 1159));
        EXPECT_FALSE(Enabled(dlg_->m_page2, 1129));
        ASSERT_TRUE(WaitFor([&] { return Pane(1) == " Running "; }));
        ASSERT_TRUE(WaitFor([&] { return g_nSampleCount.load() >= 12; }));
        // Live display: rows come as the readings do.
        EXPECT_GE(dlg_->m_listResults.GetItemCount(), 11);
        ClickStart();
        ASSERT_TRUE(WaitForStop());

        const std::int32_t n = g_nSampleIndex.load();
        ASSERT_GE(n, 12);
        EXPECT_EQ(g_nSampleCount.load(), n);
        ExpectReadings(numbers, n, false, 10.0);
        // "abc" reads as 0 and 0.00004 rounds to 0: both without a sign, although negated.
        EXPECT_EQ(dlg_->m_listResults.GetItemText(2, 1), "0   N");
        EXPECT_EQ(dlg_->m_listResults.GetItemText(3, 1), "0   N");

        // The report: header with the name and the start time, then the button's two lines.
        float sum = 0;
        for (std::int32_t i = 1; i <= n; ++i) sum += g_fLoad[i];
        const float average = sum / static_cast<float>(n);
        EXPECT_EQ(g_fPeak.load(), 250.0f);
        EXPECT_EQ(g_fAverage.load(), average);
        EXPECT_TRUE(IsStartTimeText(g_strStartTime)) << g_strStartTime;
        const std::string header = "Report Name: e2e run\r\nStart Time : \r\n " + g_strStartTime + "\r\n\r\n";
        EXPECT_EQ(g_strReportTitle, header);
        EXPECT_EQ(g_strReportHeader, header);
        const std::string expected =
            header + "Avg: " + FormatFourDecimals(average) + "  N\r\n" + "Peak: 250.0000   N";
        EXPECT_EQ(dlg_->m_strResult, expected);
        EXPECT_EQ(Report(), expected);
        EXPECT_EQ(g_strPeak, "250.0000 ");
        EXPECT_EQ(g_strUnit, " N");
        EXPECT_EQ(g_strResultUnit, " N");

        // The whole curve redrawn from the origin, the range from 0 to the last time, +-(peak + 5).
        auto graph = Graph();
        ASSERT_NE(graph, nullptr);
        ASSERT_EQ(graph->PointCount(0), static_cast<std::size_t>(n) + 1);
        EXPECT_EQ(graph->GetElementX(0, 0), 0.0);
        EXPECT_EQ(graph->GetElementY(0, 0), 0.0);
        EXPECT_FLOAT_EQ(static_cast<float>(graph->GetElementX(n, 0)), g_fTime[n]);
        EXPECT_FLOAT_EQ(static_cast<float>(graph->GetElementY(n, 0)), g_fLoad[n]);
        // The range end is the X of point count - 1, the origin being point 0.
        EXPECT_FLOAT_EQ(static_cast<float>(g_dRangeEnd), g_fTime[n - 1]);

        // Idle again: ready, controls back, the unit box and Calculate still off.
        EXPECT_EQ(Pane(1), " Ready  ");
        EXPECT_EQ(dlg_->GetDlgItemText(1023), "Start acquisition");
        EXPECT_EQ(dlg_->m_nStartToggle.load(), 0);
        EXPECT_EQ(g_nTickTimerId.load(), 0u);
        EXPECT_EQ(g_nPollTimerId.load(), 0u);
        EXPECT_TRUE(Enabled(*dlg_, 1080));
        EXPECT_TRUE(Enabled(*dlg_, 1026));
        EXPECT_TRUE(Enabled(dlg_->m_page1, 1159));
        EXPECT_TRUE(Enabled(dlg_->m_page2, 1129));
        EXPECT_FALSE(Enabled(dlg_->m_page1, 1182));
        EXPECT_FALSE(Enabled(dlg_->m_page1, 1169));
    });
}

TEST_F(RealTimeTest, InvertLoadKeepsTheGaugesSign) {
    const std::vector<std::string> numbers = {"12.3456", "-2"};
    RunWithGauge(SequenceGauge(numbers), [&] {
        ClickOn(dlg_->m_page1, 1173);
        ASSERT_EQ(g_bInvertLoad.load(), 1);
        StartWithName("inv");
        ASSERT_TRUE(WaitFor([&] { return g_nSampleCount.load() >= 4; }));
        ClickStart();
        ASSERT_TRUE(WaitForStop());
        EXPECT_EQ(g_fLoad[1], 12.3456f);
        EXPECT_EQ(g_fLoad[2], -2.0f);
        EXPECT_EQ(dlg_->m_listResults.GetItemText(0, 1), "12.3456   N");
        ExpectReadings(numbers, g_nSampleIndex.load(), true, 10.0);
    });
}

TEST_F(RealTimeTest, StartByLoadWaitsForTheThreshold) {
    // The gauge stays below the threshold until the test has seen the waiting state; then one
    // line of -12 (sent as the gauge's next answer) reaches it.
    const std::vector<std::string> numbers = {"3", "5"};
    RunWithGauge(SequenceGauge(numbers), [&] {
        ClickOn(dlg_->m_page2, 1043);  // start by load
        ASSERT_EQ(g_bStartByLoad.load(), 1);
        TypeInto(dlg_->m_page2, 1144, "10");
        StartWithName("threshold");
        // While waiting, every reading puts the test back to index 0; the graph holds only it, at 0 s.
        // Each reading is stored at index 1 before it is put back, so the waiting state is waited
        // for as a whole rather than read at one moment.
        ASSERT_TRUE(WaitFor([&] {
            return g_fPeak.load() == 5.0f && g_nSampleIndex.load() == 0 && g_nSampleCount.load() == 0 &&
                   g_fAverage.load() == 0.0f;
        }));
        gauge_->InjectGarbage("-12 N\r");
        ASSERT_TRUE(WaitFor([&] { return g_nSampleCount.load() >= 4; }, 60000));
        ClickStart();
        ASSERT_TRUE(WaitForStop());

        const std::int32_t n = g_nSampleIndex.load();
        ASSERT_GE(n, 4);
        // The reading after -12 is the first of the test: index 1, one step in time; the gauge's
        // own readings go on from where they were.
        ExpectReadings(numbers, n, false, 10.0, /*firstNumber=*/g_fLoad[1] == -3.0f ? 0 : 1);
        EXPECT_EQ(dlg_->m_listResults.GetItemText(0, 0), "1 ");
        EXPECT_EQ(dlg_->m_listResults.GetItemText(0, 2), "0.1 s");
        EXPECT_EQ(g_fPeak.load(), 12.0f);
        // The threshold reading counts as reading 0 of the average: divisor index + 1.
        float sum = 12.0f;
        for (std::int32_t i = 1; i <= n; ++i) sum += g_fLoad[i];
        EXPECT_EQ(g_fAverage.load(), sum / static_cast<float>(n + 1));
        EXPECT_NE(Report().find("Avg: " + FormatFourDecimals(sum / static_cast<float>(n + 1)) + "  N\r\n"),
                  std::string::npos);
    });
}

TEST_F(RealTimeTest, StopByTheButtonBeforeTheThresholdShowsDashes) {
    RunWithGauge(SequenceGauge({"3"}), [&] {
        ClickOn(dlg_->m_page2, 1043);
        TypeInto(dlg_->m_page2, 1144, "10");
        StartWithName("never");
        ASSERT_TRUE(WaitFor([&] { return g_fPeak.load() == 3.0f; }));
        ClickStart();
        ASSERT_TRUE(WaitForStop());
        const std::string report = Report();
        ASSERT_GE(report.size(), 20u);
        EXPECT_EQ(report.substr(report.size() - 20), "Avg: --- \r\nPeak: ---");
        EXPECT_EQ(dlg_->m_listResults.GetItemCount(), 0);
    });
}

TEST_F(RealTimeTest, BreakDetectionEndsTheTestByItself) {
    const std::vector<std::string> numbers = {"50", "100", "90", "79.9", "60"};
    RunWithGauge(SequenceGauge(numbers), [&] {
        ClickOn(dlg_->m_page2, 1130);  // stop by load enables Break Detect
        TypeInto(dlg_->m_page2, 1148, "50000");
        ClickOn(dlg_->m_page2, 1157);
        ASSERT_EQ(g_bBreakDetect.load(), 1);
        StartWithName("break");
        ASSERT_TRUE(WaitForStop());
        // 79.9 is below 80 % of the peak of 100: stored, listed and plotted, not averaged.
        ASSERT_EQ(g_nSampleIndex.load(), 4);
        ExpectReadings(numbers, 4, false, 10.0);
        EXPECT_EQ(g_fAverage.load(), -80.0f);
        const std::string tail = "Avg: -80.0000  N\r\nPeak: 100.0000  N";
        const std::string report = Report();
        ASSERT_GE(report.size(), tail.size());
        EXPECT_EQ(report.substr(report.size() - tail.size()), tail);
        EXPECT_EQ(Count(report, "Avg: "), 1);
        EXPECT_EQ(Graph()->PointCount(0), 5u);
        EXPECT_TRUE(WaitFor([&] { return Pane(1) == " Ready  "; }));
        EXPECT_EQ(g_nTickTimerId.load(), 0u);
        EXPECT_TRUE(Enabled(*dlg_, 1080));
    });
}

TEST_F(RealTimeTest, StopByLoadKeepsTheStoppingReadingOutOfTheAverage) {
    const std::vector<std::string> numbers = {"10", "20", "50.5", "1"};
    RunWithGauge(SequenceGauge(numbers), [&] {
        ClickOn(dlg_->m_page2, 1130);
        TypeInto(dlg_->m_page2, 1148, "50");
        StartWithName("stopload");
        ASSERT_TRUE(WaitForStop());
        ASSERT_EQ(g_nSampleIndex.load(), 3);
        EXPECT_EQ(g_fLoad[3], -50.5f);
        ExpectReadings(numbers, 3, false, 10.0);
        const std::string tail = "Avg: -15.0000  N\r\nPeak: 50.5000  N";
        const std::string report = Report();
        ASSERT_GE(report.size(), tail.size());
        EXPECT_EQ(report.substr(report.size() - tail.size()), tail);
    });
}

TEST_F(RealTimeTest, StopByLoadAboveTwoHundredPerSecondFillsTheListAndTheCurveAtTheStop) {
    std::vector<std::string> numbers(400, "1.5");
    numbers.push_back("-60.25");
    RunWithGauge(SequenceGauge(numbers), [&] {
        SetRate("500");
        ClickOn(dlg_->m_page2, 1130);
        TypeInto(dlg_->m_page2, 1148, "50");
        StartWithName("fast stop");
        ASSERT_TRUE(WaitForStop());
        const std::int32_t n = g_nSampleIndex.load();
        ASSERT_EQ(n, 401);
        EXPECT_EQ(g_bLiveDisplay.load(), 0);
        ExpectReadings(numbers, n, false, 500.0);
        ExpectStopShowedEveryReading(n);
        EXPECT_EQ(Count(Report(), "Peak: 60.2500  N"), 1);
    });
}

TEST_F(RealTimeTest, StopByLoadEndsTheTestWhenTheTickTimerIsNotRunning) {
    // A tick timer that is not running (its start failed) leaves the test to the thread's own
    // stop conditions.
    std::vector<std::string> numbers(30, "1");
    numbers.push_back("50.5");
    RunWithGauge(SequenceGauge(numbers), [&] {
        ClickOn(dlg_->m_page2, 1130);
        TypeInto(dlg_->m_page2, 1148, "50");
        StartWithName("no tick");
        // The tick timer has started the recording (the poll timer asks from then on).
        ASSERT_TRUE(WaitFor([] { return g_bRecording.load() == 1 && g_nSampleIndex.load() >= 1; }));
        dlg_->StopTickTimer();
        ASSERT_LT(g_nSampleIndex.load(), 31);  // gone well before the stopping reading
        ASSERT_TRUE(WaitForStop());
        ASSERT_EQ(g_nSampleIndex.load(), 31);
        EXPECT_EQ(g_fLoad[31], -50.5f);
        const std::string report = Report();
        EXPECT_EQ(Count(report, "Avg: "), 1);
        EXPECT_EQ(Count(report, "Peak: 50.5000  N"), 1);
        EXPECT_EQ(g_nPollTimerId.load(), 0u);
        EXPECT_TRUE(Enabled(*dlg_, 1080));
    });
}

TEST_F(RealTimeTest, RateZeroAndTinyRatesGiveABoundedPollPeriod) {
    RunWithGauge(SequenceGauge({"1"}), [&] {
        SetRate("0");  // held as 0.1: 1000 / 0.1f in double is 9999.99..., truncated
        StartWithName("slow");
        EXPECT_EQ(g_fReadingsPerSecond, 0.1f);
        EXPECT_EQ(g_nPollPeriodMs, 9999);
        EXPECT_NE(g_nPollTimerId.load(), 0u);
        ClickStart();
        ASSERT_TRUE(WaitForStop());

        // Far beyond the timers' range: no timer, and no undefined conversion on the way.
        g_fReadingsPerSecond = 1e-7f;
        EXPECT_FALSE(dlg_->StartPollTimer(static_cast<UINT>(std::numeric_limits<int>::max())));
        EXPECT_EQ(g_nPollTimerId.load(), 0u);
        g_fReadingsPerSecond = 0.0001f;
        EXPECT_FALSE(dlg_->StartPollTimer(10000000));
        EXPECT_EQ(g_nPollTimerId.load(), 0u);
        g_fReadingsPerSecond = 10.0f;
    });
}

TEST_F(RealTimeTest, EnterAsksBeforeTheWindowEndsDuringAndBetweenTests) {
    RunWithGauge(SequenceGauge({"1", "2"}), [&] {
        StartWithName("enter");
        ASSERT_TRUE(WaitFor([] { return g_nSampleCount.load() >= 2; }));
        // "Range of Avg." stays open for typing while the test runs.
        ShowSetupTab(0);
        ASSERT_TRUE(Enabled(dlg_->m_page1, 1167));
        dlg_->m_page1.GetDlgItem(1167)->SetFocus();
        afx::testing::AnswerNextMessageBox(IDCANCEL);
        afx::testing::PressKey(*dlg_, Qt::Key_Return);
        auto boxes = afx::testing::ShownBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Do you want to exit?");
        EXPECT_EQ(boxes[0].caption, "System Message");
        EXPECT_EQ(boxes[0].buttons, static_cast<UINT>(MB_OKCANCEL));
        EXPECT_EQ(boxes[0].icon, static_cast<UINT>(MB_ICONQUESTION));
        // Cancel: the test goes on.
        EXPECT_TRUE(dlg_->IsModalRunning());
        const std::int32_t count = g_nSampleCount.load();
        EXPECT_TRUE(WaitFor([&] { return g_nSampleCount.load() > count + 1; }));
        EXPECT_EQ(dlg_->GetDlgItemText(1023), "Stop acquisition");
        EXPECT_NE(g_nTickTimerId.load(), 0u);

        ClickStart();
        ASSERT_TRUE(WaitForStop());
        // Between tests, typing the next report name: asked too; OK ends the window.
        dlg_->m_page1.m_cbReportName.SetFocus();
        afx::testing::AnswerNextMessageBox(IDOK);
        afx::testing::PressKey(*dlg_, Qt::Key_Return);
        boxes = afx::testing::ShownBoxes();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[1].text, "Do you want to exit?");
        EXPECT_FALSE(dlg_->IsModalRunning());
        EXPECT_EQ(g_nPollTimerId.load(), 0u);
        EXPECT_EQ(g_nTickTimerId.load(), 0u);
        EXPECT_FALSE(dlg_->m_port.IsOpen());
        DWORD code = 0;
        ASSERT_TRUE(GetExitCodeThread(dlg_->m_hAcqThread.load(), &code));
        EXPECT_NE(code, STILL_ACTIVE);
    });
    EXPECT_EQ(modalResult_, IDOK);
}

TEST_F(RealTimeTest, TimedTestOfFiveSecondsEndsWithFiftyReadings) {
    const std::vector<std::string> numbers = {"1.5", "2.5"};
    RunWithGauge(SequenceGauge(numbers), [&] {
        SetStopTime("5");
        StartWithName("timed");
        ASSERT_TRUE(WaitForStop());
        // The tick that sees the 50th reading stops the requests at once; only an answer already
        // on its way (a busy machine delaying that tick) can follow it.
        const std::int32_t n = g_nSampleCount.load();
        ASSERT_GE(n, 50);
        EXPECT_EQ(g_nPollTimerId.load(), 0u);
        ExpectReadings(numbers, n, false, 10.0);
        EXPECT_EQ(g_fTime[50], 5.0f);
        EXPECT_EQ(dlg_->m_listResults.GetItemText(49, 2), "5 s");
        // The routine's variant: both lines and a line end (-2.0000 for exactly 50 readings).
        float sum = 0.0f;
        for (std::int32_t i = 1; i <= n; ++i) sum += g_fLoad[i];
        const std::string tail =
            "Avg: " + FormatFourDecimals(sum / static_cast<float>(n)) + "  N\r\nPeak: 2.5000   N\r\n";
        const std::string report = Report();
        ASSERT_GE(report.size(), tail.size());
        EXPECT_EQ(report.substr(report.size() - tail.size()), tail);
        EXPECT_EQ(Count(report, "Peak: "), 1);
        EXPECT_TRUE(WaitFor([&] { return Pane(1) == " Ready  "; }));
    });
}

TEST_F(RealTimeTest, AboveTwoHundredPerSecondTheListIsFilledAtTheStop) {
    const std::vector<std::string> numbers = {"1", "-2.25", "3.125"};
    RunWithGauge(SequenceGauge(numbers), [&] {
        SetRate("500");
        StartWithName("fast");
        ASSERT_TRUE(WaitFor([&] { return g_nSampleCount.load() >= 600; }));
        // Nothing drawn or listed while the test runs.
        EXPECT_EQ(g_bLiveDisplay.load(), 0);
        EXPECT_EQ(dlg_->m_listResults.GetItemCount(), 0);
        EXPECT_EQ(Graph()->PointCount(0), 1u);
        ClickStart();
        ASSERT_TRUE(WaitForStop());
        const std::int32_t n = g_nSampleIndex.load();
        ExpectReadings(numbers, n, false, 500.0);
        ExpectStopShowedEveryReading(n);
    });
}

TEST_F(RealTimeTest, TenSecondPageChangeAndYRange) {
    orva::sim::SimOptions gauge = SequenceGauge({"20"});
    RunWithGauge(gauge, [&] {
        StartWithName("pages");
        // A peak above 5 widens the Y range at once, on the first page.
        ASSERT_TRUE(WaitFor([&] { return g_nSampleCount.load() >= 3; }));
        auto range = Graph()->Range();
        EXPECT_EQ(range.xmin, 0.0);
        EXPECT_EQ(range.xmax, 10.0);
        EXPECT_EQ(range.ymin, -25.0);
        EXPECT_EQ(range.ymax, 25.0);
        ASSERT_TRUE(WaitFor([&] { return g_nSampleCount.load() >= 102; }, 30000));
        EXPECT_EQ(g_nGraphPage, 10);
        EXPECT_EQ(g_fAxisXMin, 10.0f);  // the time of the reading that reached 10 s
        EXPECT_EQ(g_fAxisXMax, 20.0f);
        EXPECT_EQ(g_fAxisYMin, -25.0f);
        EXPECT_EQ(g_fAxisYMax, 25.0f);
        range = Graph()->Range();
        EXPECT_EQ(range.xmin, 10.0);
        EXPECT_EQ(range.xmax, 20.0);
        // The page was cleared with the reading at 10 s; the new page starts with the next one.
        EXPECT_EQ(Graph()->GetElementX(0, 0), static_cast<double>(g_fTime[101]));
        ClickStart();
        ASSERT_TRUE(WaitForStop());
    });
}

// A picture of the window while a test runs: a ramp with noise at 50 readings per second.
TEST_F(RealTimeTest, PictureOfALiveTest) {
    orva::sim::SimOptions gauge;
    gauge.profile.kind = orva::sim::LoadProfile::Kind::Hold;
    gauge.profile.start = 0;
    gauge.profile.peak = 40;
    gauge.profile.slopePerReading = 0.4;
    gauge.profile.holdReadings = 40;
    gauge.profile.noise = 0.5;
    gauge.unitText = "N";
    RunWithGauge(gauge, [&] {
        SetRate("50");
        StartWithName("live picture");
        ASSERT_TRUE(WaitFor([&] { return g_nSampleCount.load() >= 200; }));
        afx::testing::Pump(100);  // let the graph repaint at display rate
        const char* path = std::getenv("ORVA_E2E_LIVE_PNG");
        const std::string file = path != nullptr ? path : E2E_LIVE_PNG_DEFAULT;
        EXPECT_TRUE(afx::testing::GrabToPng(*dlg_, file)) << file;
        EXPECT_EQ(Pane(1), " Running ");
        ClickStart();
        ASSERT_TRUE(WaitForStop());
    });
}

TEST_F(RealTimeTest, NameAllIsRefused) {
    RunWithGauge(SequenceGauge({"1"}), [&] {
        TypeInto(dlg_->m_page1, 1027, "All");
        ClickStart();
        EXPECT_EQ(CountBoxesWith("Please set index name"), 1);
        EXPECT_EQ(dlg_->m_page1.m_cbReportName.GetWindowText(), "");
        EXPECT_EQ(dlg_->m_hAcqThread.load(), nullptr);
        EXPECT_EQ(dlg_->GetDlgItemText(1023), "Start acquisition");
    });
}

TEST_F(RealTimeTest, StopTimeOutOfRangeIsRefused) {
    RunWithGauge(SequenceGauge({"1"}), [&] {
        SetRate("1000");
        // Typed in before the start: the check uses the rate the page holds.
        SetStopTime("3601");
        StartWithName("long");
        EXPECT_EQ(CountBoxesWith("Stop time out of range, please reduce stop time!"), 1);
        EXPECT_EQ(dlg_->m_nStartToggle.load(), 0);
        EXPECT_EQ(dlg_->m_hAcqThread.load(), nullptr);
        EXPECT_EQ(g_nTickTimerId.load(), 0u);
    });
}

TEST_F(RealTimeTest, DisconnectEndsTheTestWithoutAWrapUpAndConnectStartsAfresh) {
    RunWithGauge(SequenceGauge({"7", "8"}), [&] {
        StartWithName("unplugged");
        ASSERT_TRUE(WaitFor([&] { return g_nSampleCount.load() >= 3; }));
        ASSERT_TRUE(Click(*dlg_, 1188));  // disconnect
        afx::testing::Pump(300);
        EXPECT_EQ(g_nTickTimerId.load(), 0u);
        EXPECT_EQ(g_nPollTimerId.load(), 0u);
        EXPECT_EQ(Count(Report(), "Avg: "), 0);
        EXPECT_FALSE(Enabled(*dlg_, 1023));

        ASSERT_TRUE(Click(*dlg_, 1188));  // connect again
        ASSERT_EQ(Pane(0), "   Connected COM" + std::to_string(gauge_->VirtualPortNumber()));
        // The wrap-up did not run, so the name box is still disabled; the name stays.
        EXPECT_FALSE(Enabled(dlg_->m_page1, 1027));
        gauge_->RestartProfile();
        ClickStart();
        ASSERT_TRUE(WaitFor([&] { return g_nSampleCount.load() >= 3; }));
        ClickStart();
        ASSERT_TRUE(WaitForStop());
        EXPECT_EQ(Count(Report(), "Avg: "), 1);
        EXPECT_EQ(Count(Report(), "Report Name: unplugged"), 1);
        ExpectReadings({"7", "8"}, g_nSampleIndex.load(), false, 10.0);
    });
}

}  // namespace
}  // namespace e2e
