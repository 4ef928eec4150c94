// The Test Setup page: the condition radios, Break Detect and the numeric fields' rules.
#include <gtest/gtest.h>

#include "TestConditions.h"
#include "window_fixture.h"

namespace {

using afx::testing::Click;
using ui_test::Checked;
using ui_test::Enabled;
using ui_test::Text;
using ui_test::WindowTest;

using TestSetupPageTest = WindowTest;

TEST_F(TestSetupPageTest, StartConditionRadios) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage2& p = dlg.m_page2;
        ASSERT_TRUE(afx::testing::SelectTab(dlg, 1111, 1));
        ASSERT_TRUE(Click(p, 1043));
        EXPECT_EQ(Checked(p, 1043), BST_CHECKED);
        EXPECT_EQ(Checked(p, 1042), BST_UNCHECKED);
        EXPECT_EQ(g_bStartByLoad, 1);
        EXPECT_EQ(g_bStartByDelay, 0);
        EXPECT_TRUE(Enabled(p, 1144));
        EXPECT_FALSE(Enabled(p, 1091));
        ASSERT_TRUE(afx::testing::TypeText(p, 1144, "12.5"));
        EXPECT_EQ(g_dStartThreshold.load(), 12.5);

        ASSERT_TRUE(Click(p, 1042));
        EXPECT_EQ(Checked(p, 1042), BST_CHECKED);
        EXPECT_EQ(Checked(p, 1043), BST_UNCHECKED);
        EXPECT_EQ(g_bStartByDelay, 1);
        EXPECT_EQ(g_bStartByLoad, 0);
        EXPECT_FALSE(Enabled(p, 1144));
        EXPECT_TRUE(Enabled(p, 1091));
        EXPECT_EQ(g_dStartThreshold.load(), 12.5);  // kept
    });
}

TEST_F(TestSetupPageTest, StopConditionRadiosAndBreakDetect) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage2& p = dlg.m_page2;
        ASSERT_TRUE(afx::testing::SelectTab(dlg, 1111, 1));
        ASSERT_TRUE(Click(p, 1130));
        EXPECT_EQ(Checked(p, 1130), BST_CHECKED);
        EXPECT_EQ(Checked(p, 1129), BST_UNCHECKED);
        EXPECT_EQ(g_bStopByLoad, 1);
        EXPECT_EQ(g_bStopByTime, 0);
        EXPECT_TRUE(Enabled(p, 1148));
        EXPECT_TRUE(Enabled(p, 1157));
        EXPECT_FALSE(Enabled(p, 1092));
        EXPECT_FALSE(Enabled(p, 1158));

        // Break Detect on: no load stop, the stop radios locked.
        ASSERT_TRUE(Click(p, 1157));
        EXPECT_EQ(g_bBreakDetect, 1);
        EXPECT_EQ(g_bStopByLoad, 0);
        EXPECT_FALSE(Enabled(p, 1148));
        EXPECT_TRUE(Enabled(p, 1158));
        EXPECT_FALSE(Enabled(p, 1129));
        EXPECT_FALSE(Enabled(p, 1130));
        // And off again.
        ASSERT_TRUE(Click(p, 1157));
        EXPECT_EQ(g_bBreakDetect, 0);
        EXPECT_EQ(g_bStopByLoad, 1);
        EXPECT_EQ(g_nBreakToggle, 0);
        EXPECT_TRUE(Enabled(p, 1148));
        EXPECT_FALSE(Enabled(p, 1158));
        EXPECT_TRUE(Enabled(p, 1129));
        EXPECT_TRUE(Enabled(p, 1130));

        // Stop by time disables Break Detect but keeps its mark and flag.
        ASSERT_TRUE(Click(p, 1157));
        dlg.m_page2.m_rbStopTime.EnableWindow(TRUE);
        ASSERT_TRUE(Click(p, 1129));
        EXPECT_EQ(g_bStopByTime, 1);
        EXPECT_EQ(g_bStopByLoad, 0);
        EXPECT_EQ(g_bBreakDetect, 1);
        EXPECT_EQ(Checked(p, 1157), BST_CHECKED);
        EXPECT_FALSE(Enabled(p, 1157));
        EXPECT_FALSE(Enabled(p, 1158));
        EXPECT_FALSE(Enabled(p, 1148));
        EXPECT_TRUE(Enabled(p, 1092));
    });
}

TEST_F(TestSetupPageTest, NumericFieldsResetAndBound) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage2& p = dlg.m_page2;
        ASSERT_TRUE(afx::testing::SelectTab(dlg, 1111, 1));
        ASSERT_TRUE(Click(p, 1130));  // enables the stop load
        p.m_edStopLoad.SetWindowText("1,5");
        EXPECT_EQ(Text(p, 1148), "100");
        EXPECT_EQ(g_dStopLoad.load(), 100.0);
        p.m_edStopLoad.SetWindowText("50000");
        EXPECT_EQ(g_dStopLoad.load(), 50000.0);
        p.m_edStopLoad.SetWindowText("50000.5");
        EXPECT_EQ(Text(p, 1148), "100");
        EXPECT_EQ(g_dStopLoad.load(), 100.0);

        p.m_edStopTime.SetWindowText("10000");
        EXPECT_EQ(g_dStopTime.load(), 10000.0);
        EXPECT_EQ(Text(p, 1092), "10000");
        p.m_edStopTime.SetWindowText("10001");
        EXPECT_EQ(Text(p, 1092), "100");
        EXPECT_EQ(g_dStopTime.load(), 100.0);
        p.m_edStopTime.SetWindowText("5x");
        EXPECT_EQ(Text(p, 1092), "100");

        p.m_edBreakPercent.SetWindowText("100");
        EXPECT_EQ(g_dBreakPercent.load(), 100.0);
        for (const char* bad : {"0", "100.5", "", ".", "-3"}) {
            p.m_edBreakPercent.SetWindowText("50");
            p.m_edBreakPercent.SetWindowText(bad);
            EXPECT_EQ(Text(p, 1158), "80") << bad;
            EXPECT_EQ(g_dBreakPercent.load(), 80.0) << bad;
        }

        // Delay and threshold have no range: an emptied field is 0 and stays empty.
        ASSERT_TRUE(afx::testing::TypeText(p, 1091, ""));
        EXPECT_EQ(Text(p, 1091), "");
        EXPECT_EQ(g_dStartDelay.load(), 0.0);
        p.m_edStartDelay.SetWindowText("99999.5");
        EXPECT_EQ(g_dStartDelay.load(), 99999.5);
        p.m_edStartDelay.SetWindowText("1 0");
        EXPECT_EQ(Text(p, 1091), "0");
        p.m_edStartThreshold.SetWindowText("");
        EXPECT_EQ(Text(p, 1144), "");
        EXPECT_EQ(g_dStartThreshold.load(), 0.0);
    });
}

}  // namespace
