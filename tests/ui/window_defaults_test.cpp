// What the window shows once it has opened: the main dialog, both pages, the status panes, the
// graph and the results list, with and without a gauge.
#include <gtest/gtest.h>

#include <QWidget>

#include "AcquisitionSettings.h"
#include "PortState.h"
#include "ResultSummary.h"
#include "TestConditions.h"
#include "window_fixture.h"

namespace {

using ui_test::Checked;
using ui_test::Enabled;
using ui_test::Text;
using ui_test::Visible;
using ui_test::WindowTest;

using DefaultsTest = WindowTest;

TEST_F(DefaultsTest, MainDialogWithAGaugeRegistered) {
    AddGauge();
    RunDialog([&](CKvDlg& dlg) {
        EXPECT_EQ(dlg.GetWindowText(), "ORVA-FG V4.9.01");
        EXPECT_EQ(dlg.GetIcon(TRUE), LoadIconResource(128));
        EXPECT_EQ(dlg.GetIcon(FALSE), LoadIconResource(128));

        // The About item closes the system menu.
        CMenu* menu = dlg.GetSystemMenu(FALSE);
        ASSERT_NE(menu, nullptr);
        const auto items = menu->Items();
        ASSERT_GE(items.size(), 2u);
        EXPECT_TRUE(items[items.size() - 2].flags & MF_SEPARATOR);
        EXPECT_EQ(items.back().id, 0x0010u);
        EXPECT_EQ(items.back().text, "About ORVA(&A)...");

        // Connected at start-up.
        EXPECT_EQ(g_nConnectToggle, 1);
        EXPECT_EQ(g_nComPort, 97);
        EXPECT_TRUE(dlg.m_port.IsOpen());
        EXPECT_EQ(dlg.m_wndStatusBar.GetPaneText(0), "   Connected COM97");
        EXPECT_EQ(dlg.m_wndStatusBar.GetPaneText(1), " Ready  ");
        EXPECT_EQ(dlg.m_wndStatusBar.GetPaneText(2), "ORVA-FG V4.9.01");
        EXPECT_EQ(dlg.m_wndStatusBar.GetPaneText(3), "00:00");
        EXPECT_EQ(dlg.m_wndStatusBar.GetCount(), 4);
        for (int pane = 0; pane < 4; ++pane) {
            UINT id = 0, style = 0;
            int width = 0;
            dlg.m_wndStatusBar.GetPaneInfo(pane, id, style, width);
            CClientDC dc(&dlg);
            EXPECT_EQ(width, dc.GetTextExtent(dlg.m_wndStatusBar.GetPaneText(pane)).cx) << "pane " << pane;
            EXPECT_EQ(style, SBPS_NORMAL);
        }
        EXPECT_TRUE(Enabled(dlg, 1023));
        EXPECT_TRUE(Enabled(dlg, 1080));
        EXPECT_TRUE(Enabled(dlg, 1026));
        EXPECT_FALSE(Enabled(dlg, 1191));
        EXPECT_EQ(Text(dlg, 1023), "Start acquisition");
        EXPECT_EQ(dlg.m_btnConnect.GetIcon(), LoadIconResource(179));
        EXPECT_EQ(dlg.m_cbPort.GetCount(), 1);
        EXPECT_EQ(dlg.m_cbPort.GetCurSel(), 0);
        EXPECT_EQ(dlg.m_cbPort.GetLBText(0), "COM97");

        // Hidden controls stay hidden and disabled.
        for (int id : {1014, 1032}) {
            EXPECT_FALSE(Visible(dlg, id)) << id;
            EXPECT_FALSE(Enabled(dlg, id)) << id;
        }
        EXPECT_FALSE(Visible(dlg, 1179));
        EXPECT_FALSE(Visible(dlg, 1181));
        EXPECT_EQ(Text(dlg, 1054), "");
        EXPECT_EQ(Text(dlg, 1179), "");
        EXPECT_EQ(Text(dlg, 1181), "");
        EXPECT_EQ(Text(dlg, 1056), "Contral Area");

        // The state of a test starts reset.
        EXPECT_EQ(dlg.m_nStartToggle, 0);
        EXPECT_EQ(dlg.m_bGraphReset, 0);
        EXPECT_EQ(dlg.m_bUploading, 0);
        EXPECT_EQ(dlg.m_nRecordModulus, 1023u);
        EXPECT_EQ(g_bRealTimeMode, 1);
        EXPECT_EQ(g_bStartByDelay, 1);
        EXPECT_EQ(g_fPeak.load(), 0.0f);
        EXPECT_EQ(g_fAxisXMin, 0.0f);
        EXPECT_EQ(g_fAxisXMax, 10.0f);
        EXPECT_EQ(g_fAxisYMin, -5.0f);
        EXPECT_EQ(g_fAxisYMax, 5.0f);
    });
}

TEST_F(DefaultsTest, TabsPagesAndTheirPlace) {
    RunDialog([&](CKvDlg& dlg) {
        ASSERT_EQ(dlg.m_tabSetup.GetItemCount(), 2);
        EXPECT_EQ(dlg.m_tabSetup.GetCurSel(), 0);
        EXPECT_TRUE(dlg.m_page1.IsWindowVisible());
        EXPECT_FALSE(dlg.m_page2.IsWindowVisible());
        EXPECT_FALSE(dlg.m_page3.IsWindow());

        RECT tab{};
        dlg.m_tabSetup.GetClientRect(&tab);
        for (CWnd* page : {static_cast<CWnd*>(&dlg.m_page1), static_cast<CWnd*>(&dlg.m_page2)}) {
            QWidget* w = page->GetWidget();
            ASSERT_NE(w, nullptr);
            EXPECT_EQ(w->geometry(),
                      QRect(tab.left + 1, tab.top + 20, tab.right - tab.left - 3, tab.bottom - tab.top - 40));
        }
    });
}

TEST_F(DefaultsTest, AcquisitionPage) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage1& p = dlg.m_page1;
        EXPECT_EQ(Text(p, 1159), "10");
        EXPECT_EQ(Text(p, 1027), "test");
        EXPECT_EQ(Text(p, 1167), "0");
        EXPECT_EQ(Text(p, 1168), "0");
        EXPECT_EQ(Text(p, 1171), "9.807");
        EXPECT_EQ(g_fReadingsPerSecond, 10.0f);
        EXPECT_EQ(g_fGravity.load(), 9.807f);

        EXPECT_EQ(p.m_cbLoadUnit.GetCurSel(), 3);
        EXPECT_EQ(p.m_cbLoadUnit.GetLBText(3), "kgf");
        EXPECT_EQ(p.m_cbLoadUnit.GetCount(), 6);
        EXPECT_EQ(p.m_cbUnit.GetCurSel(), 4);
        EXPECT_EQ(Text(p, 1182), "kgf");
        EXPECT_EQ(p.m_cbUnit.GetCount(), 9);
        EXPECT_EQ(p.m_cbFileType.GetCurSel(), 0);
        EXPECT_EQ(Text(p, 1187), "xls");
        EXPECT_EQ(g_nExportFileType, 0);

        EXPECT_EQ(Checked(p, 1079), BST_CHECKED);
        EXPECT_EQ(Checked(p, 1042), BST_CHECKED);
        EXPECT_EQ(Checked(p, 1043), BST_UNCHECKED);
        EXPECT_EQ(Checked(p, 1173), BST_UNCHECKED);
        EXPECT_EQ(Checked(p, 1186), BST_UNCHECKED);
        EXPECT_EQ(Checked(p, 1164), BST_UNCHECKED);

        EXPECT_FALSE(Enabled(p, 1182));
        EXPECT_FALSE(Enabled(p, 1169));  // Calculate, disabled by the main dialog
        for (int id : {1159, 1171, 1027, 1187, 1079, 1173, 1186, 1164, 1184, 1042, 1043}) {
            EXPECT_TRUE(Enabled(p, id)) << id;
            EXPECT_TRUE(Visible(p, id)) << id;
        }
        for (int id : {1082, 1102, 1161, 1162, 1163, 1165, 1166, 1183, 1190})
            EXPECT_FALSE(Visible(p, id)) << id;

        // The two picture buttons show their bitmaps.
        EXPECT_EQ(p.m_chkMouseAll.GetBitmap(), LoadBitmapResource(157));
        auto* viewAll = dynamic_cast<CButton*>(p.GetDlgItem(1184));
        ASSERT_NE(viewAll, nullptr);
        EXPECT_EQ(viewAll->GetBitmap(), LoadBitmapResource(159));
        EXPECT_NE(LoadBitmapResource(157), nullptr);
    });
}

TEST_F(DefaultsTest, TestSetupPage) {
    RunDialog([&](CKvDlg& dlg) {
        Cpage2& p = dlg.m_page2;
        EXPECT_EQ(Text(p, 1092), "100");
        EXPECT_EQ(Text(p, 1091), "0");
        EXPECT_EQ(Text(p, 1148), "100");
        EXPECT_EQ(Text(p, 1144), "0");
        EXPECT_EQ(Text(p, 1158), "80");
        EXPECT_EQ(g_dStopTime.load(), 100.0);
        EXPECT_EQ(g_dStartDelay.load(), 0.0);
        EXPECT_EQ(g_dStopLoad.load(), 100.0);
        EXPECT_EQ(g_dStartThreshold.load(), 0.0);
        EXPECT_EQ(g_dBreakPercent.load(), 80.0);

        EXPECT_EQ(Checked(p, 1042), BST_CHECKED);
        EXPECT_EQ(Checked(p, 1043), BST_UNCHECKED);
        EXPECT_EQ(Checked(p, 1129), BST_CHECKED);
        EXPECT_EQ(Checked(p, 1130), BST_UNCHECKED);
        EXPECT_EQ(Checked(p, 1157), BST_UNCHECKED);
        for (int id : {1091, 1092, 1042, 1043, 1129, 1130}) EXPECT_TRUE(Enabled(p, id)) << id;
        for (int id : {1148, 1144, 1158, 1157}) EXPECT_FALSE(Enabled(p, id)) << id;
    });
}

TEST_F(DefaultsTest, GraphAndResultsList) {
    RunDialog([&](CKvDlg& dlg) {
        const orva::graph::Settings s = ui_test::Graph(dlg).CurrentSettings();
        EXPECT_EQ(s.curveColor, 0x0000FFFFu);
        EXPECT_FALSE(s.curveOption);
        EXPECT_TRUE(s.showGrid);
        EXPECT_EQ(s.xGridCount, 10);
        EXPECT_EQ(s.yGridCount, 20);
        EXPECT_EQ(s.caption, "   ");
        EXPECT_EQ(s.plotOption, 5);
        EXPECT_EQ(s.xLabel, "Time/s");
        EXPECT_EQ(s.yLabel, "");
        EXPECT_EQ(s.mouseMode, 1);
        // No points: the auto range keeps 0..10 by -5..5.
        const orva::graph::ViewRange r = ui_test::Graph(dlg).Range();
        EXPECT_EQ(r.xmin, 0);
        EXPECT_EQ(r.xmax, 10);
        EXPECT_EQ(r.ymin, -5);
        EXPECT_EQ(r.ymax, 5);

        CListCtrl& list = dlg.m_listResults;
        EXPECT_EQ(list.GetStyle() & LVS_TYPEMASK, LVS_REPORT);
        EXPECT_TRUE(list.GetExtendedStyle() & LVS_EX_GRIDLINES);
        ASSERT_EQ(list.GetColumnCount(), 6);
        EXPECT_EQ(list.GetItemCount(), 0);
        RECT rc{};
        list.GetClientRect(&rc);
        const int w = (rc.right - rc.left) / 6;
        EXPECT_GT(w, 0);
        const int widths[6] = {w, w + 10, w, w, w, w};
        for (int c = 0; c < 6; ++c) EXPECT_EQ(list.GetColumnWidth(c), widths[c]) << c;
    });
}

TEST_F(DefaultsTest, NoPortAtAll) {
    RunDialog([&](CKvDlg& dlg) {
        EXPECT_EQ(dlg.m_cbPort.GetCount(), 0);
        EXPECT_EQ(dlg.m_cbPort.GetCurSel(), CB_ERR);
        EXPECT_EQ(g_bManualPort, 1);
        EXPECT_EQ(g_bDeviceFound, 0);
        EXPECT_EQ(g_nConnectToggle, 0);
        EXPECT_EQ(g_nComPort, 1);
        EXPECT_FALSE(dlg.m_port.IsOpen());
        EXPECT_EQ(dlg.m_wndStatusBar.GetPaneText(0), " Not Connected  ");
        EXPECT_FALSE(Enabled(dlg, 1023));
        EXPECT_FALSE(Enabled(dlg, 1080));
        EXPECT_FALSE(Enabled(dlg, 1026));
        EXPECT_TRUE(Enabled(dlg, 1191));
        EXPECT_EQ(dlg.m_btnConnect.GetIcon(), LoadIconResource(178));
        EXPECT_TRUE(ui_test::Boxes().empty());
    });
}

TEST_F(DefaultsTest, PortThatIsNotAGaugeIsSelectedForAManualConnect) {
    AddGauge("Prolific Adapter");  // listed, but not gauge-like
    RunDialog([&](CKvDlg& dlg) {
        EXPECT_EQ(dlg.m_cbPort.GetCount(), 1);
        EXPECT_EQ(dlg.m_cbPort.GetCurSel(), 0);
        EXPECT_EQ(g_bManualPort, 1);
        EXPECT_FALSE(dlg.m_port.IsOpen());
        EXPECT_EQ(dlg.m_wndStatusBar.GetPaneText(0), " Not Connected  ");
    });
}

TEST_F(DefaultsTest, ElapsedClockIsShownModuloSixtyAndTheTimersCounterKeepsItsValue) {
    RunDialog([&](CKvDlg& dlg) {
        // The tick timer counts to 60 before it carries into the minutes; the pane never writes
        // the counter back, so a tick that lands meanwhile is not lost.
        dlg.m_nMinutes = 1;
        dlg.m_nSeconds = 65;
        dlg.m_bClockChanged = 1;
        dlg.OnStatusUpdate(0, 0);
        EXPECT_EQ(dlg.m_wndStatusBar.GetPaneText(3), "01:05");
        EXPECT_EQ(dlg.m_nSeconds.load(), 65);
        dlg.m_nSeconds = 9;
        dlg.OnStatusUpdate(0, 0);
        EXPECT_EQ(dlg.m_wndStatusBar.GetPaneText(3), "01:09");
        dlg.m_bClockChanged = 0;
        dlg.m_nSeconds = 0;
        dlg.m_nMinutes = 0;
    });
}

}  // namespace
