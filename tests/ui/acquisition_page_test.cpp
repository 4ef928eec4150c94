// The Acquisition page: its numeric fields, toggles, mode radios and graph tools, on the window.
#include <gtest/gtest.h>

#include "AcquisitionSettings.h"
#include "ResultSummary.h"
#include "SampleStore.h"
#include "window_fixture.h"

namespace {

using afx::testing::Click;
using ui_test::Checked;
using ui_test::Enabled;
using ui_test::Text;
using ui_test::WindowTest;

using AcquisitionPageTest = WindowTest;

// A point on the page's background, away from every control.
const CPoint kBackground(3, 3);

TEST_F(AcquisitionPageTest, ReadingsPerSecondTakesDigitsAndAPointUpTo1000) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        ASSERT_TRUE(afx::testing::TypeText(p, 1159, "12a"));
        EXPECT_EQ(Text(p, 1159), "10");
        EXPECT_EQ(g_fReadingsPerSecond, 10.0f);

        for (const char* bad : {"-5", "1 5", "1e3", "2,5", "3/4"}) {
            p.m_edReadingsPerSecond.SetWindowText(bad);
            EXPECT_EQ(Text(p, 1159), "10") << bad;
            EXPECT_EQ(g_fReadingsPerSecond, 10.0f) << bad;
        }
        p.m_edReadingsPerSecond.SetWindowText("1000");
        EXPECT_EQ(g_fReadingsPerSecond, 1000.0f);
        EXPECT_EQ(Text(p, 1159), "1000");
        p.m_edReadingsPerSecond.SetWindowText("1000.01");
        EXPECT_EQ(Text(p, 1159), "10");
        EXPECT_EQ(g_fReadingsPerSecond, 10.0f);
        ASSERT_TRUE(afx::testing::TypeText(p, 1159, "250"));
        EXPECT_EQ(g_fReadingsPerSecond, 250.0f);

        // An emptied field is a rate of 0 until a click on the page writes "0" into it.
        ASSERT_TRUE(afx::testing::TypeText(p, 1159, ""));
        EXPECT_EQ(Text(p, 1159), "");
        EXPECT_EQ(g_fReadingsPerSecond, 0.0f);
        afx::testing::ClickBackground(p, kBackground);
        EXPECT_EQ(Text(p, 1159), "0");
        EXPECT_EQ(g_fReadingsPerSecond, 0.0f);
    });
}

TEST_F(AcquisitionPageTest, BackgroundClickRewritesTheRateAsHeld) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        ASSERT_TRUE(afx::testing::TypeText(p, 1159, "2.25"));
        EXPECT_EQ(g_fReadingsPerSecond, 2.25f);
        afx::testing::ClickBackground(p, kBackground);
        EXPECT_EQ(Text(p, 1159), "2.2");  // "%.1f" of 2.25
        EXPECT_EQ(g_fReadingsPerSecond, 2.2f);

        ASSERT_TRUE(afx::testing::TypeText(p, 1159, "007"));
        afx::testing::ClickBackground(p, kBackground);
        EXPECT_EQ(Text(p, 1159), "7");
        EXPECT_EQ(g_fReadingsPerSecond, 7.0f);
    });
}

TEST_F(AcquisitionPageTest, GravityBetween9And10) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        for (const char* good : {"9", "10", "9.81"}) {
            p.m_edGravity.SetWindowText(good);
            EXPECT_EQ(Text(p, 1171), good);
            EXPECT_EQ(g_fGravity.load(), static_cast<float>(std::atof(good)));
        }
        for (const char* bad : {"8.99", "10.01", "9,8", "-9", ""}) {
            p.m_edGravity.SetWindowText("9.5");
            p.m_edGravity.SetWindowText(bad);
            EXPECT_EQ(Text(p, 1171), "9.807") << bad;
            EXPECT_EQ(g_fGravity.load(), 9.807f) << bad;
        }
        // Cleared by the user: "9.807" comes back at once.
        ASSERT_TRUE(afx::testing::TypeText(p, 1171, ""));
        EXPECT_EQ(Text(p, 1171), "9.807");
    });
}

TEST_F(AcquisitionPageTest, ShowGridAndInvertLoadFollowTheirClicks) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        ASSERT_TRUE(Click(p, 1079));
        EXPECT_FALSE(ui_test::Graph(dlg).CurrentSettings().showGrid);
        EXPECT_EQ(Checked(p, 1079), BST_UNCHECKED);
        EXPECT_EQ(g_nShowGridToggle, 1);
        ASSERT_TRUE(Click(p, 1079));
        const orva::graph::Settings s = ui_test::Graph(dlg).CurrentSettings();
        EXPECT_TRUE(s.showGrid);
        EXPECT_EQ(s.xGridCount, 10);
        EXPECT_EQ(s.yGridCount, 20);
        EXPECT_EQ(g_nShowGridToggle, 0);

        ASSERT_TRUE(Click(p, 1173));
        EXPECT_EQ(g_bInvertLoad, 1);
        EXPECT_EQ(Checked(p, 1173), BST_CHECKED);
        ASSERT_TRUE(Click(p, 1173));
        EXPECT_EQ(g_bInvertLoad, 0);
        EXPECT_EQ(g_nInvertToggle, 0);
    });
}

TEST_F(AcquisitionPageTest, MouseZoomSwitchesTheGraphAndCalculate) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        ASSERT_TRUE(Click(p, 1164));
        EXPECT_EQ(Checked(p, 1164), BST_CHECKED);
        EXPECT_EQ(ui_test::Graph(dlg).MouseMode(), 2);
        EXPECT_TRUE(Enabled(p, 1169));
        EXPECT_FALSE(Enabled(p, 1165));
        EXPECT_FALSE(Enabled(p, 1166));
        ASSERT_TRUE(Click(p, 1164));
        EXPECT_EQ(ui_test::Graph(dlg).MouseMode(), 1);
        EXPECT_FALSE(Enabled(p, 1169));
        EXPECT_TRUE(Enabled(p, 1165));
        EXPECT_TRUE(Enabled(p, 1166));
    });
}

TEST_F(AcquisitionPageTest, ViewAllResetsTheCalculationRange) {
    RunDialog([&](CKvDlg& dlg) {
        ASSERT_TRUE(Click(dlg.m_page1, 1184));
        EXPECT_EQ(g_dRangeStart, 0.0);
        EXPECT_EQ(g_dRangeEnd, 0.0);

        dlg.m_graph.PlotXY(0, 0, 0);
        dlg.m_graph.PlotXY(0.1, 3, 0);
        dlg.m_graph.PlotXY(0.2, 6, 0);
        g_nSampleCount = 3;
        ASSERT_TRUE(Click(dlg.m_page1, 1184));
        EXPECT_DOUBLE_EQ(g_dRangeEnd, 0.2);
        EXPECT_EQ(g_dRangeStart, 0.0);
        const orva::graph::ViewRange r = ui_test::Graph(dlg).Range();
        EXPECT_LE(r.ymin, 0.0);
        EXPECT_GE(r.ymax, 6.0);
    });
}

TEST_F(AcquisitionPageTest, ModeRadiosSetBothMarksAndTheControls) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        ASSERT_TRUE(Click(p, 1043));
        EXPECT_EQ(Checked(p, 1043), BST_CHECKED);
        EXPECT_EQ(Checked(p, 1042), BST_UNCHECKED);
        EXPECT_EQ(g_bRealTimeMode, 0);
        for (int id : {1159, 1182, 1169, 1164, 1184, 1186}) EXPECT_FALSE(Enabled(p, id)) << id;

        ASSERT_TRUE(Click(p, 1042));
        EXPECT_EQ(Checked(p, 1042), BST_CHECKED);
        EXPECT_EQ(Checked(p, 1043), BST_UNCHECKED);
        EXPECT_EQ(g_bRealTimeMode, 1);
        for (int id : {1159, 1182, 1164, 1184, 1186}) EXPECT_TRUE(Enabled(p, id)) << id;
        EXPECT_FALSE(Enabled(p, 1169));
        EXPECT_EQ(Checked(p, 1186), BST_UNCHECKED);  // the unit box is enabled all the same
    });
}

TEST_F(AcquisitionPageTest, FileTypeAndSelectCaption) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        ASSERT_TRUE(afx::testing::SelectComboEntry(p, 1187, 1));
        EXPECT_EQ(Text(p, 1187), "csv");
        EXPECT_EQ(g_nExportFileType, 1);
        ASSERT_TRUE(afx::testing::SelectComboEntry(p, 1187, 0));
        EXPECT_EQ(g_nExportFileType, 0);

        CDC select;
        p.OnCtlColor(&select, p.GetDlgItem(1185), CTLCOLOR_STATIC);
        EXPECT_EQ(select.GetTextColor(), RGB(255, 0, 0));
        EXPECT_EQ(select.GetBkMode(), TRANSPARENT);
        CDC other;
        p.OnCtlColor(&other, p.GetDlgItem(1079), CTLCOLOR_BTN);
        EXPECT_FALSE(other.TextColorSet());
    });
}

TEST(NormalizeNumberText, WholeAndPointedNumbers) {
    struct Case {
        const char* in;
        int result;
        const char* out;
    };
    const Case cases[] = {
        {"  007 ", 1, "7"}, {"3.140", 1, "3.140"}, {"03.05", 1, "3.05"}, {"", 0, ""},
        {"   ", 0, ""},     {".5", 0, ".5"},       {"5.", 0, "5."},      {"1e5", 0, "1e5"},
        {" -4 ", 0, "-4"},  {"1.2.3", 0, "1.2.3"}, {"12a", 0, "12a"},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        EXPECT_EQ(NormalizeNumberText(text), c.result) << "'" << c.in << "'";
        EXPECT_EQ(text, c.out) << "'" << c.in << "'";
    }
}

}  // namespace
