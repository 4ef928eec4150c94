// A finished test shown in another unit (the Load switch and the unit list), uploaded records
// relisted in another unit, and Calculate over the range the graph shows; on the real window.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "AcquisitionSettings.h"
#include "ExportText.h"
#include "ResultSummary.h"
#include "SampleStore.h"
#include "stored_test.h"
#include "upload_records.h"
#include "window_fixture.h"

namespace {

using afx::testing::Click;
using afx::testing::SelectComboEntry;
using ui_test::Enabled;
using ui_test::Graph;
using ui_test::Printf;
using ui_test::Rounded;
using ui_test::StoreTest;
using ui_test::Text;
using ui_test::WindowTest;

constexpr int kLoad = 1186;
constexpr int kUnit = 1182;
constexpr int kMouseZoom = 1164;
constexpr int kCalculate = 1169;
constexpr int kAverage = 1167;
constexpr int kPeak = 1168;
constexpr int kReport = 1054;

class UnitCommandsTest : public WindowTest {
protected:
    // Everything a conversion shows and keeps, to compare two conversions.
    struct Shown {
        std::vector<std::string> rows;
        std::vector<std::pair<double, double>> points;
        std::vector<float> converted;
        float peak = 0, average = 0;
        std::string report, peakText, averageText, resultUnit;
        bool operator==(const Shown&) const = default;
    };
    static Shown Capture(CKvDlg& dlg) {
        Shown s;
        CListCtrl& list = dlg.m_listResults;
        for (int r = 0; r < list.GetItemCount(); ++r)
            for (int c = 0; c < 3; ++c) s.rows.push_back(list.GetItemText(r, c));
        auto& graph = Graph(dlg);
        for (std::size_t i = 0; i < graph.PointCount(0); ++i)
            s.points.emplace_back(graph.GetElementX(static_cast<long>(i), 0),
                                  graph.GetElementY(static_cast<long>(i), 0));
        for (std::int32_t i = 1; i <= g_nSampleCount.load(); ++i) s.converted.push_back(g_fLoadConv[i]);
        s.peak = g_fPeakConv;
        s.average = g_fAverageConv;
        s.report = Text(dlg, kReport);
        s.peakText = g_strPeak;
        s.averageText = g_strAverage;
        s.resultUnit = g_strResultUnit;
        return s;
    }

    static int UnitIndex(Cpage1& p, const std::string& unit) {
        for (int i = 0; i < p.m_cbUnit.GetCount(); ++i)
            if (p.m_cbUnit.GetLBText(i) == unit) return i;
        return -1;
    }
    static void Choose(Cpage1& p, const std::string& unit) {
        const int index = UnitIndex(p, unit);
        ASSERT_GE(index, 0) << unit;
        ASSERT_TRUE(SelectComboEntry(p, kUnit, index)) << unit;
    }
};

TEST_F(UnitCommandsTest, KgfReadingInNewtonsThenPoundsFromTheStoredReading) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        StoreTest(dlg, " kgf", {1.0f});
        ASSERT_EQ(g_fGravity.load(), 9.807f);
        EXPECT_FALSE(Enabled(p, kUnit));
        ASSERT_TRUE(Click(p, kLoad));
        EXPECT_EQ(g_nLoadToggle, 1);
        EXPECT_TRUE(Enabled(p, kUnit));
        EXPECT_EQ(Text(p, kUnit), "kgf");  // a force test opens on kgf and converts once
        EXPECT_EQ(g_bUnitConverted, 1);
        EXPECT_EQ(dlg.m_listResults.GetItemText(0, 1), "1   kgf");

        Choose(p, "N");
        EXPECT_EQ(g_fLoadConv[1], static_cast<float>(1.0 * static_cast<double>(9.807f)));
        ASSERT_EQ(dlg.m_listResults.GetItemCount(), 1);
        EXPECT_EQ(dlg.m_listResults.GetItemText(0, 0), "1");
        EXPECT_EQ(dlg.m_listResults.GetItemText(0, 1), "9.807   N");
        EXPECT_EQ(dlg.m_listResults.GetItemText(0, 2), "0.1 s");
        EXPECT_EQ(Graph(dlg).CurrentSettings().yLabel, "N");
        EXPECT_EQ(Graph(dlg).CurrentSettings().caption, "   ");
        ASSERT_EQ(Graph(dlg).PointCount(0), 2u);
        EXPECT_EQ(Graph(dlg).GetElementX(0, 0), 0.0);
        EXPECT_EQ(Graph(dlg).GetElementY(1, 0), static_cast<double>(9.807f));
        EXPECT_EQ(Graph(dlg).GetElementX(1, 0), static_cast<double>(1.0f / 10.0f));

        // Converted again from the stored 1 kgf, not from 9.807 N.
        Choose(p, "lbf");
        EXPECT_EQ(g_fLoadConv[1], 2.2046f);
        EXPECT_EQ(dlg.m_listResults.GetItemText(0, 1), "2.2046   lbf");
        EXPECT_EQ(g_strResultUnit, "lbf");
        EXPECT_EQ(g_fLoad[1], 1.0f);
    });
}

TEST_F(UnitCommandsTest, NewtonsToKlbf) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        StoreTest(dlg, " N", {1000.0f});
        ASSERT_TRUE(Click(p, kLoad));
        Choose(p, "klbf");
        const float expected = static_cast<float>(1000.0 / static_cast<double>(9.807f) * 0.0022046);
        EXPECT_EQ(g_fLoadConv[1], expected);
        EXPECT_EQ(dlg.m_listResults.GetItemText(0, 1),
                  Printf("%g", Rounded("%.4f", static_cast<double>(expected))) + "   klbf");
    });
}

TEST_F(UnitCommandsTest, OzfPeakAndAverageAndTheReportBoxByteForByte) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        StoreTest(dlg, " ozf", {2.0f, -4.0f, 3.5f});
        const double g = static_cast<double>(9.807f);
        const float peak = g_fPeak.load(), average = g_fAverage.load();
        ASSERT_EQ(peak, 4.0f);
        ASSERT_TRUE(Click(p, kLoad));
        Choose(p, "N");
        const float peakN = static_cast<float>(static_cast<double>(peak) * g / 35.274);
        const float averageN = static_cast<float>(static_cast<double>(average) * g / 35.274);
        EXPECT_EQ(g_fPeakConv, peakN);
        EXPECT_EQ(g_fAverageConv, averageN);
        EXPECT_EQ(g_strPeak, Printf("%.4f ", peakN));
        EXPECT_EQ(g_strAverage, Printf("%.4f ", averageN));
        const std::string report = ui_test::kStoredHeader + "Avg: " + Printf("%.4f ", averageN) + "  N\r\n" +
                                   "Peak: " + Printf("%.4f ", peakN) + "  N";
        EXPECT_EQ(Text(dlg, kReport), report);
        // The run's own results are left as they were.
        EXPECT_EQ(g_fPeak.load(), peak);
        EXPECT_EQ(g_fAverage.load(), average);
    });
}

TEST_F(UnitCommandsTest, TorqueTestOffersTheTorqueUnitsAndConvertsToNewtonMetres) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        StoreTest(dlg, " N.cm", {250.0f, -120.0f});
        ASSERT_TRUE(Click(p, kLoad));
        std::vector<std::string> offered;
        for (int i = 0; i < p.m_cbUnit.GetCount(); ++i) offered.push_back(p.m_cbUnit.GetLBText(i));
        EXPECT_EQ(offered, (std::vector<std::string>{"N.m", "N.cm", "kgf.cm", "lbf.ft", "lbf.in"}));
        EXPECT_EQ(p.m_cbUnit.GetCurSel(), 0);
        EXPECT_EQ(g_fLoadConv[1], 2.5f);
        EXPECT_EQ(g_fLoadConv[2], -1.2f);
        EXPECT_EQ(dlg.m_listResults.GetItemText(1, 1), "-1.2   N.m");
        EXPECT_EQ(dlg.m_listResults.GetItemText(1, 2), "0.2 s");

        // Switching Load off keeps what the conversion showed; on again, the list is rebuilt.
        ASSERT_TRUE(Click(p, kLoad));
        EXPECT_EQ(g_nLoadToggle, 0);
        EXPECT_FALSE(Enabled(p, kUnit));
        EXPECT_EQ(g_bUnitConverted, 1);
        EXPECT_EQ(dlg.m_listResults.GetItemText(1, 1), "-1.2   N.m");
    });
}

TEST_F(UnitCommandsTest, NoDataThenASilentSwitchOff) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        g_nSampleIndex = 0;
        g_bUnitConverted = 0;
        ASSERT_TRUE(Click(p, kLoad));
        const auto box = ui_test::LastBox();
        EXPECT_EQ(box.text, "No data!");
        EXPECT_EQ(box.buttons, static_cast<UINT>(MB_OK));
        EXPECT_EQ(g_nLoadToggle, 1);
        EXPECT_FALSE(Enabled(p, kUnit));
        EXPECT_EQ(g_bUnitConverted, 0);
        afx::testing::ClearShownBoxes();
        ASSERT_TRUE(Click(p, kLoad));
        EXPECT_TRUE(ui_test::Boxes().empty());
        EXPECT_EQ(g_nLoadToggle, 0);
        EXPECT_FALSE(Enabled(p, kUnit));
    });
}

TEST_F(UnitCommandsTest, UnitAfterUnitShowsTheSameAsTheFirstTime) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        StoreTest(dlg, " N", {0.5f, 12.25f, -3.125f, 7.0f, 0.0001f});
        ASSERT_TRUE(Click(p, kLoad));
        Choose(p, "N");
        const Shown newtons = Capture(dlg);
        Choose(p, "kgf");
        const Shown kgf = Capture(dlg);
        Choose(p, "N");
        EXPECT_TRUE(Capture(dlg) == newtons);
        Choose(p, "kgf");
        EXPECT_TRUE(Capture(dlg) == kgf);
        EXPECT_EQ(kgf.peak, static_cast<float>(12.25 / static_cast<double>(9.807f)));
        ASSERT_EQ(kgf.rows.size(), 15u);
        EXPECT_EQ(kgf.rows[4],
                  Printf("%g", Rounded("%.4f", static_cast<double>(kgf.converted[1]))) + "   kgf");
    });
}

TEST_F(UnitCommandsTest, PeakAndAverageNeverCompoundWithoutReadingsOrWithAnUnknownUnit) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        const double g = static_cast<double>(9.807f);
        // An acquisition unit outside the table converts with factor 1, each time from the run's peak.
        StoreTest(dlg, " daN", {5.0f, -8.0f});
        ASSERT_TRUE(Click(p, kLoad));
        EXPECT_EQ(g_fLoadConv[2], static_cast<float>(-8.0 / g));
        for (int i = 0; i < 3; ++i) {
            Choose(p, "kgf");
            EXPECT_EQ(g_fPeakConv, static_cast<float>(8.0 / g)) << i;
            EXPECT_EQ(g_fAverageConv, static_cast<float>(-1.5 / g)) << i;
        }
        // No readings: the peak and average still come from the run, once.
        g_nSampleCount = 0;
        g_strUnit = " kgf";
        g_fPeak = 2.0f;
        g_fAverage = 1.0f;
        for (int i = 0; i < 3; ++i) {
            Choose(p, "N");
            EXPECT_EQ(g_fPeakConv, static_cast<float>(2.0 * g)) << i;
            EXPECT_EQ(g_fAverageConv, static_cast<float>(1.0 * g)) << i;
            EXPECT_EQ(dlg.m_listResults.GetItemCount(), 0);
            EXPECT_EQ(Graph(dlg).PointCount(0), 1u);  // the origin only
        }
    });
}

TEST_F(UnitCommandsTest, PressureTestKeepsItsValuesWithAnEmptyUnitList) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        StoreTest(dlg, " MPa", {12.5f});
        ASSERT_TRUE(Click(p, kLoad));
        EXPECT_EQ(p.m_cbUnit.GetCount(), 0);
        EXPECT_EQ(p.m_cbUnit.GetCurSel(), CB_ERR);
        EXPECT_EQ(g_fLoadConv[1], 12.5f);
        EXPECT_EQ(dlg.m_listResults.GetItemText(0, 1), "12.5   ");
        EXPECT_EQ(g_fPeakConv, 12.5f);
        EXPECT_EQ(g_strResultUnit, "");
    });
}

TEST_F(UnitCommandsTest, TimesComeFromTheTestsRateNotFromTheRateEdit) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        StoreTest(dlg, " N", {1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f}, 3.0f);
        ASSERT_TRUE(afx::testing::TypeText(p, 1159, "0"));
        ASSERT_EQ(g_fReadingsPerSecond, 0.0f);
        ASSERT_TRUE(Click(p, kLoad));
        Choose(p, "N");
        for (int i = 1; i <= 6; ++i) {
            const float t = static_cast<float>(i) * (1.0f / 3.0f);
            EXPECT_EQ(dlg.m_listResults.GetItemText(i - 1, 2), Printf("%g", Rounded("%.3f", t)) + " s");
            EXPECT_EQ(Graph(dlg).GetElementX(i, 0), static_cast<double>(static_cast<float>(i) / 3.0f));
        }
        EXPECT_EQ(dlg.m_listResults.GetItemText(2, 2), "1 s");

        // Calculate counts readings at the test's rate too: 0.5 s to 1.5 s holds readings 2 to 4.
        ASSERT_TRUE(Click(p, kMouseZoom));
        Graph(dlg).SetXRange(0.5, 1.5);
        ASSERT_TRUE(Click(p, kCalculate));
        EXPECT_EQ(Text(p, kAverage), "3.0000 N");
        EXPECT_EQ(Text(p, kPeak), "4.0000 N");
    });
}

// Every converted point of a test longer than the graph takes in one batch: its time from the test's
// rate and its value rounded to four decimals, in order, and nothing more.
TEST_F(UnitCommandsTest, EveryPointOfALongTestIsConvertedInOrder) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        std::vector<float> loads(10'007);
        for (std::size_t i = 0; i < loads.size(); ++i)
            loads[i] = static_cast<float>(i % 977) * 0.37f - 150.0f;
        StoreTest(dlg, " N", loads, 1000.0f);
        ASSERT_TRUE(Click(p, kLoad));
        Choose(p, "mN");
        const auto& graph = Graph(dlg);
        ASSERT_EQ(graph.PointCount(0), loads.size() + 1);
        EXPECT_EQ(graph.GetElementX(0, 0), 0.0);
        EXPECT_EQ(graph.GetElementY(0, 0), 0.0);
        for (std::size_t i = 1; i <= loads.size(); ++i) {
            const float w = g_fLoadConv[i];
            ASSERT_EQ(w, static_cast<float>(static_cast<double>(loads[i - 1]) * 1000.0)) << i;
            const auto k = static_cast<long>(i);
            ASSERT_EQ(graph.GetElementX(k, 0), static_cast<double>(static_cast<float>(i) / 1000.0f)) << i;
            ASSERT_EQ(graph.GetElementY(k, 0), static_cast<double>(Rounded("%.4f", w))) << i;
        }
    });
}

// A test that filled the store counted one reading more than the store holds; "Draw Graph"
// offers the unit list all the same. The conversion stops at the store's last entry.
TEST_F(UnitCommandsTest, AWrappedTestConvertsNoFurtherThanTheStore) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        StoreTest(dlg, " N", {1.0f, 2.0f});
        g_nSampleCount = kSampleCapacity;
        g_nSampleIndex = 0;
        g_fLoad[kSampleCapacity - 1] = 3.0f;
        ASSERT_TRUE(Click(p, 1042));  // Draw Graph
        ASSERT_TRUE(Enabled(p, kUnit));
        Choose(p, "mN");
        EXPECT_EQ(dlg.m_listResults.GetItemCount(), kSampleCapacity - 1);
        EXPECT_EQ(Graph(dlg).PointCount(0), static_cast<std::size_t>(kSampleCapacity));
        EXPECT_EQ(g_fLoadConv[kSampleCapacity - 1], 3000.0f);
        EXPECT_EQ(dlg.m_listResults.GetItemText(kSampleCapacity - 2, 1), "3000   mN");
    });
}

TEST_F(UnitCommandsTest, CalculateOverTheShownRange) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        // Readings 1..10 at 0.1 s to 1.0 s; the stop makes the range 0 to the time of reading 9.
        StoreTest(dlg, " N", {1, -2, 3, -4, 5, -6, 7, -8, 9, -10});
        ASSERT_FLOAT_EQ(static_cast<float>(g_dRangeEnd), 0.9f);
        EXPECT_FALSE(Enabled(p, kCalculate));
        ASSERT_TRUE(Click(p, kMouseZoom));
        ASSERT_TRUE(Enabled(p, kCalculate));

        // The whole run in view: the stored texts, nothing summed.
        Graph(dlg).SetXRange(-1.0, 2.0);
        ASSERT_TRUE(Click(p, kCalculate));
        EXPECT_EQ(Text(p, kAverage), g_strAverage + " " + g_strResultUnit);
        EXPECT_EQ(Text(p, kPeak), "10.0000   N");

        // 0.25 s to 0.65 s: readings 3 to 6 exactly (the one after the end is not taken).
        Graph(dlg).SetXRange(0.25, 0.65);
        ASSERT_TRUE(Click(p, kCalculate));
        EXPECT_EQ(Text(p, kAverage), Printf("%.4f", (3.0 - 4.0 + 5.0 - 6.0) / 4.0) + "  N");
        EXPECT_EQ(Text(p, kPeak), "6.0000  N");

        // Past the last reading: up to reading 10 and no further.
        Graph(dlg).SetXRange(0.55, 7.0);
        ASSERT_TRUE(Click(p, kCalculate));
        EXPECT_EQ(Text(p, kAverage), Printf("%.4f", (-6.0 + 7.0 - 8.0 + 9.0 - 10.0) / 5.0) + "  N");
        EXPECT_EQ(Text(p, kPeak), "10.0000  N");

        // Between two readings, or wholly past the test: nothing inside, 0.
        for (auto [a, b] : {std::pair{0.31, 0.39}, std::pair{5.0, 9.0}}) {
            Graph(dlg).SetXRange(a, b);
            ASSERT_TRUE(Click(p, kCalculate));
            EXPECT_EQ(Text(p, kAverage), "0.0000  N") << a;
            EXPECT_EQ(Text(p, kPeak), "0.0000  N") << a;
        }

        // After a conversion the values come from the converted curve, with its unit.
        ASSERT_TRUE(Click(p, kLoad));
        Choose(p, "mN");
        Graph(dlg).SetXRange(0.25, 0.45);
        ASSERT_TRUE(Click(p, kCalculate));
        EXPECT_EQ(Text(p, kAverage), "-500.0000 mN");
        EXPECT_EQ(Text(p, kPeak), "4000.0000 mN");
    });
}

TEST_F(UnitCommandsTest, CalculateOnARunThatEndsAtZeroShowsZero) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        // One reading: the range runs from 0 to point 0's X, the origin; any view holding it is 0 to 0.
        StoreTest(dlg, " N", {4.0f});
        ASSERT_EQ(g_dRangeEnd, 0.0);
        ASSERT_TRUE(Click(p, kMouseZoom));
        Graph(dlg).SetXRange(-1.0, 1.0);
        ASSERT_TRUE(Click(p, kCalculate));
        EXPECT_EQ(Text(p, kAverage), "0");
        EXPECT_EQ(Text(p, kPeak), "0");
    });
}

TEST_F(UnitCommandsTest, UploadRecordsRelistedInAnotherUnit) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        ASSERT_TRUE(Click(p, 1043));  // Upload Memory Data From Gauge
        ASSERT_EQ(g_bRealTimeMode.load(), 0);
        g_strReportHeader = "Report Name: up\r\n";
        const float values[] = {12.5f, 0.75f, 300.0f};
        for (int i = 1; i <= 3; ++i) {
            g_recValue[i] = values[i - 1];
            g_recNumber[i] = i;
            g_recDirection[i] = i == 1 ? 1 : 0;
            g_recGroup[i] = i == 3 ? 2 : 1;
            g_recHour[i] = 14;
            g_recMinute[i] = 7 - i;
        }
        g_nSampleIndex = 3;

        // The combo is hidden in the page; its selection change runs the relist all the same.
        p.m_cbLoadUnit.SetCurSel(3);  // kgf
        p.OnCbnSelchangeLoadUnit();
        const double g = static_cast<double>(9.807f);
        const std::string c1 = Printf("%g", Rounded("%.4f", 12.5 / g));
        ASSERT_EQ(c1, "1.2746");
        ASSERT_EQ(dlg.m_listResults.GetItemCount(), 3);
        EXPECT_EQ(dlg.m_listResults.GetItemText(0, 0), "1");
        EXPECT_EQ(dlg.m_listResults.GetItemText(0, 1), "12.5 N");
        EXPECT_EQ(dlg.m_listResults.GetItemText(0, 2), "14:6");
        EXPECT_EQ(dlg.m_listResults.GetItemText(0, 3), "1.2746 kgf");
        EXPECT_EQ(dlg.m_listResults.GetItemText(0, 4), "pull");  // direction 1, Invert Load off
        EXPECT_EQ(dlg.m_listResults.GetItemText(1, 4), "push");
        EXPECT_EQ(dlg.m_listResults.GetItemText(2, 5), "2");
        const std::string expected =
            "Report Name: up\r\n\r\n" + std::string("1,12.5,N,14:6,1.2746,kgf,pull,1,\r\n") +
            "2,0.75,N,14:5," + Printf("%g", Rounded("%.4f", 0.75 / g)) + ",kgf,push,1,\r\n" +
            "3,300,N,14:4," + Printf("%g", Rounded("%.4f", 300.0 / g)) + ",kgf,push,2,\r\n";
        EXPECT_EQ(g_strExportText, expected);

        // Invert Load swaps push and pull; an index past the 999 records is never read.
        ASSERT_TRUE(Click(p, 1173));
        g_nSampleIndex = 5000;
        p.OnCbnSelchangeLoadUnit();
        EXPECT_EQ(dlg.m_listResults.GetItemCount(), kUploadRecordMax);
        EXPECT_EQ(dlg.m_listResults.GetItemText(0, 4), "push");
        EXPECT_EQ(dlg.m_listResults.GetItemText(1, 4), "pull");

        // Real-time mode leaves the list and the text alone.
        ASSERT_TRUE(Click(p, 1042));
        const std::string kept = g_strExportText;
        p.OnCbnSelchangeLoadUnit();
        EXPECT_EQ(g_strExportText, kept);
        EXPECT_EQ(dlg.m_listResults.GetItemCount(), kUploadRecordMax);
    });
}

}  // namespace
