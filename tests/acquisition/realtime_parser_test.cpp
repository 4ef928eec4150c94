#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "AcquisitionSettings.h"
#include "ExportText.h"
#include "RealTimeParser.h"
#include "ResultSummary.h"
#include "RunState.h"
#include "SampleStore.h"
#include "TestConditions.h"
#include "fake_view.h"

namespace {

class RealTimeParserTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_nSampleIndex = 0;
        g_nSampleCount = 0;
        g_bWrapped = 0;
        g_bLiveDisplay = 1;
        g_fPeak = 0.0f;
        g_fAverage = 0.0f;
        g_fElapsed = 0.0f;
        g_nGraphPage = 0;
        g_fAxisXMin = 0;
        g_fAxisXMax = 10;
        g_fAxisYMin = -5;
        g_fAxisYMax = 5;
        g_bInvertLoad = 0;
        g_bStartByDelay = 1;
        g_bStartByLoad = 0;
        g_dStartThreshold = 0.0;
        g_bStopByTime = 1;
        g_bStopByLoad = 0;
        g_dStopLoad = 100.0;
        g_bBreakDetect = 0;
        g_dBreakPercent = 80.0;
        g_bThresholdReached = 0;
        g_strReadingUnit.clear();
        g_strReportTitle.clear();
        g_strReportHeader.clear();
        g_fLoad[0] = 0.0f;
        g_fTime[0] = 0.0f;
        headerPending = 1;
        loadSum = 0.0f;
        result.clear();
    }

    RealTimeParser Make(float rate = 10.0f) {
        return RealTimeParser(
            RealTimeMembers{&headerPending, &running, &seconds, &minutes, &loadSum, &result}, view, rate);
    }

    ReadingOutcome Line(RealTimeParser& p, const std::string& number, const std::string& unit = " N") {
        return p.ProcessLine(number, unit);
    }

    FakeView view;
    std::atomic<int> headerPending{1};
    std::atomic<BYTE> running{0};
    std::atomic<int> seconds{0};
    std::atomic<int> minutes{0};
    float loadSum = 0.0f;
    std::string result;
};

TEST_F(RealTimeParserTest, SignRuleRoundingTimesAndTexts) {
    RealTimeParser p = Make();
    ASSERT_EQ(Line(p, "12.3456"), ReadingOutcome::Continue);
    EXPECT_FLOAT_EQ(g_fLoad[1], -12.3456f);
    EXPECT_EQ(g_strReadingUnit, " N");
    EXPECT_EQ(p.ValueText(), "-12.3456   N");
    ASSERT_EQ(Line(p, "1.234567"), ReadingOutcome::Continue);
    EXPECT_FLOAT_EQ(g_fLoad[2], -1.2346f);
    for (int i = 3; i <= 10; ++i) Line(p, "-2");
    EXPECT_EQ(g_nSampleIndex.load(), 10);
    EXPECT_EQ(g_nSampleCount.load(), 10);
    EXPECT_FLOAT_EQ(g_fLoad[10], 2.0f);
    EXPECT_FLOAT_EQ(g_fTime[10], 1.0f);
    EXPECT_FLOAT_EQ(g_fTime[3], 0.3f);
    EXPECT_EQ(g_strTime, "1 s");
    EXPECT_EQ(g_arrListCol0[9], "10 ");
    EXPECT_EQ(g_arrListCol1[9], "2   N");
    EXPECT_EQ(g_arrListCol2[9], "1 s");
    EXPECT_EQ(g_nIndex[7], 7);
    EXPECT_EQ(g_fLoad[0], 0.0f);
    EXPECT_EQ(g_fTime[0], 0.0f);
    // Peak is the largest magnitude; average over the stored readings.
    EXPECT_FLOAT_EQ(g_fPeak.load(), 12.3456f);
    EXPECT_NEAR(g_fAverage.load(), (-12.3456f - 1.2346f + 8 * 2.0f) / 10.0f, 1e-5);
    // Live rows: one per reading, row index - 1, the same texts.
    ASSERT_EQ(view.rows.size(), 10u);
    EXPECT_EQ(view.rows[0].row, 0);
    EXPECT_EQ(view.rows[0].number, "1 ");
    EXPECT_EQ(view.rows[0].value, "-12.3456   N");
    EXPECT_EQ(view.rows[0].time, "0.1 s");
    EXPECT_EQ(view.statusPosts, 10);
    EXPECT_EQ(running.load(), 1);
}

TEST_F(RealTimeParserTest, InvertLoadKeepsTheGaugesSignAndGarbageGivesZero) {
    g_bInvertLoad = 1;
    RealTimeParser p = Make();
    Line(p, "12.3456");
    EXPECT_FLOAT_EQ(g_fLoad[1], 12.3456f);
    Line(p, "abc", " ???");
    EXPECT_EQ(g_fLoad[2], 0.0f);
    Line(p, "", "");
    EXPECT_EQ(g_fLoad[3], 0.0f);
    EXPECT_EQ(g_nSampleIndex.load(), 3);
}

TEST_F(RealTimeParserTest, AZeroLoadIsStoredAndShownWithoutASign) {
    RealTimeParser p = Make();
    Line(p, "0.000");
    EXPECT_EQ(p.ValueText(), "0   N");
    Line(p, "0.00001");  // rounds to zero
    g_bInvertLoad = 1;
    Line(p, "-0.000");
    Line(p, "-0.00001");
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(g_fLoad[i], 0.0f);
        EXPECT_FALSE(std::signbit(g_fLoad[i])) << "reading " << i;
        EXPECT_EQ(g_arrListCol1[i - 1], "0   N") << "reading " << i;
    }
}

TEST_F(RealTimeParserTest, TimeOfReadingNIsComputedNotAccumulated) {
    RealTimeParser p = Make(3.0f);
    for (int i = 0; i < 30000; ++i) Line(p, "1");
    EXPECT_FLOAT_EQ(g_fTime[30000], 10000.0f);
    EXPECT_FLOAT_EQ(g_fTime[29999], 9999.667f);
}

TEST_F(RealTimeParserTest, ReportHeaderWithNameDateAndTime) {
    RealTimeParser p = Make();
    result = "old";
    Line(p, "1");
    const std::string head = "Report Name: Bolt 7\r\nStart Time : \r\n 12/ 8/2026   8:32: 4\r\n\r\n";
    EXPECT_EQ(g_strReportTitle, head);
    EXPECT_EQ(g_strReportHeader, head);
    EXPECT_EQ(g_strStartTime, "12/ 8/2026   8:32: 4");
    EXPECT_EQ(result, head + "old");
    ASSERT_EQ(view.reports.size(), 1u);
    ASSERT_EQ(view.yLabels.size(), 1u);
    EXPECT_EQ(view.yLabels[0], " N");
    EXPECT_EQ(headerPending.load(), 0);
    Line(p, "2");
    EXPECT_EQ(view.reports.size(), 1u);

    EXPECT_EQ(BuildReportHeader("", view.when).head.substr(0, 19), "Report Name: test\r\n");
}

TEST_F(RealTimeParserTest, StartByLoadWaitsThenStartsAtTheThreshold) {
    g_bStartByDelay = 0;
    g_bStartByLoad = 1;
    g_dStartThreshold = 10.0;
    RealTimeParser p = Make();
    Line(p, "3");
    EXPECT_EQ(g_nSampleIndex.load(), 0);
    EXPECT_EQ(g_fAverage.load(), 0.0f);
    Line(p, "5");
    EXPECT_EQ(g_nSampleIndex.load(), 0);
    EXPECT_EQ(g_nSampleCount.load(), 0);
    EXPECT_EQ(g_fAverage.load(), 0.0f);
    ASSERT_EQ(view.points.size(), 1u);  // only the latest, at time 0
    EXPECT_EQ(view.points[0].x, 0.0);
    EXPECT_FLOAT_EQ(static_cast<float>(view.points[0].y), -5.0f);
    EXPECT_TRUE(view.rows.empty());

    Line(p, "-12");
    EXPECT_EQ(g_bThresholdReached.load(), 1);
    EXPECT_EQ(g_nSampleIndex.load(), 0);
    EXPECT_TRUE(view.rows.empty());
    Line(p, "-8");
    EXPECT_EQ(g_nSampleIndex.load(), 1);
    EXPECT_FLOAT_EQ(g_fTime[1], 0.1f);
    EXPECT_FLOAT_EQ(g_fLoad[1], 8.0f);
    EXPECT_FLOAT_EQ(g_fAverage.load(), (12.0f + 8.0f) / 2.0f);
    ASSERT_EQ(view.rows.size(), 1u);
    EXPECT_EQ(view.rows[0].number, "1 ");
    EXPECT_EQ(g_fLoad[0], 0.0f);
}

TEST_F(RealTimeParserTest, BreakAtEightyPercentOfThePeak) {
    g_bStopByTime = 0;
    g_bBreakDetect = 1;
    RealTimeParser p = Make();
    EXPECT_EQ(Line(p, "100"), ReadingOutcome::Continue);
    EXPECT_EQ(Line(p, "80"), ReadingOutcome::Continue);
    EXPECT_EQ(Line(p, "79.9"), ReadingOutcome::Stop);
    EXPECT_EQ(g_nSampleIndex.load(), 3);
    EXPECT_FLOAT_EQ(g_fLoad[3], -79.9f);
    EXPECT_FLOAT_EQ(g_fAverage.load(), -90.0f);  // the stopping reading is not averaged
    EXPECT_EQ(view.rows.size(), 2u);             // its row is left to the wrap-up
    EXPECT_EQ(g_arrListCol1[2], "-79.9   N");    // but its texts are kept
    EXPECT_TRUE(p.LatestHasRow());
    AppendAutoStopResults(result);
    EXPECT_EQ(g_strPeak, "100.0000 ");
    EXPECT_TRUE(result.ends_with("Avg: -90.0000  N\r\nPeak: 100.0000  N"));
}

TEST_F(RealTimeParserTest, BreakAlsoWhileWaitingForTheThreshold) {
    g_bStartByDelay = 0;
    g_bStartByLoad = 1;
    g_dStartThreshold = 500.0;
    g_bBreakDetect = 1;
    RealTimeParser p = Make();
    EXPECT_EQ(Line(p, "100"), ReadingOutcome::Continue);
    EXPECT_EQ(Line(p, "79.9"), ReadingOutcome::Stop);
    EXPECT_FALSE(p.LatestHasRow());
}

TEST_F(RealTimeParserTest, StopByLoadStoresTheStoppingReading) {
    g_bStopByTime = 0;
    g_bStopByLoad = 1;
    g_dStopLoad = 50.0;
    RealTimeParser p = Make();
    EXPECT_EQ(Line(p, "10"), ReadingOutcome::Continue);
    EXPECT_EQ(Line(p, "50"), ReadingOutcome::Continue);
    EXPECT_EQ(Line(p, "-50.5"), ReadingOutcome::Stop);
    EXPECT_FLOAT_EQ(g_fLoad[3], 50.5f);
    EXPECT_FLOAT_EQ(g_fPeak.load(), 50.5f);
    EXPECT_FLOAT_EQ(g_fAverage.load(), -30.0f);
}

TEST_F(RealTimeParserTest, TenSecondPagesAndTheSymmetricYRange) {
    RealTimeParser p = Make();
    for (int i = 1; i <= 98; ++i) Line(p, "-1");
    EXPECT_TRUE(view.ranges.empty());
    Line(p, "-7");  // peak 7 > 5: widened at once on the current page
    ASSERT_EQ(view.ranges.size(), 1u);
    EXPECT_EQ(view.ranges[0].xmin, 0.0);
    EXPECT_EQ(view.ranges[0].xmax, 10.0);
    EXPECT_EQ(view.ranges[0].ymin, -12.0);
    EXPECT_EQ(view.ranges[0].ymax, 12.0);
    // Reading 100 lies at 10 s: the page step clears the graph, point included.
    Line(p, "-1");
    EXPECT_EQ(g_nGraphPage, 10);
    EXPECT_EQ(view.points.size(), 0u);
    EXPECT_EQ(g_fAxisXMin, 10.0f);
    EXPECT_EQ(g_fAxisXMax, 20.0f);
    EXPECT_EQ(g_fAxisYMax, 12.0f);
    Line(p, "-1");
    EXPECT_EQ(view.points.size(), 1u);
    for (int i = 102; i <= 199; ++i) Line(p, "-1");
    EXPECT_EQ(g_nGraphPage, 10);
    Line(p, "-1");
    EXPECT_EQ(g_nGraphPage, 20);
    EXPECT_EQ(view.ranges.back().xmin, 20.0);
    EXPECT_EQ(view.ranges.back().xmax, 30.0);
}

TEST_F(RealTimeParserTest, NoLiveDisplayTouchesNeitherGraphNorList) {
    g_bLiveDisplay = 0;
    RealTimeParser p = Make(1000.0f);
    for (int i = 0; i < 20000; ++i) Line(p, "-1");
    EXPECT_TRUE(view.points.empty());
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(view.clears, 0);
    EXPECT_EQ(g_arrListCol2[19999], "20 s");
}

TEST_F(RealTimeParserTest, FullStoreStopsWithoutWrappingOverTheOrigin) {
    g_nSampleIndex = kSampleCapacity - 2;
    g_nSampleCount = kSampleCapacity - 2;
    headerPending = 0;
    RealTimeParser p = Make(1000.0f);
    EXPECT_EQ(Line(p, "3"), ReadingOutcome::Continue);
    EXPECT_EQ(g_nSampleIndex.load(), kSampleCapacity - 1);
    EXPECT_FLOAT_EQ(g_fTime[kSampleCapacity - 1], 3599.999f);
    EXPECT_EQ(Line(p, "4"), ReadingOutcome::Stop);
    EXPECT_EQ(g_bWrapped.load(), 1);
    EXPECT_EQ(g_nSampleIndex.load(), kSampleCapacity - 1);
    EXPECT_EQ(g_nSampleCount.load(), kSampleCapacity - 1);
    EXPECT_EQ(g_fLoad[0], 0.0f);
    EXPECT_EQ(g_fTime[0], 0.0f);
    EXPECT_FALSE(p.LatestHasRow());
}

}  // namespace
