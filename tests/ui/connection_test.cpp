// The connect button on the running window, and the report-name check of Start.
#include <gtest/gtest.h>

#include "PortState.h"
#include "window_fixture.h"

namespace {

using ui_test::Enabled;
using ui_test::Text;
using ui_test::WindowTest;

using ConnectionTest = WindowTest;

TEST_F(ConnectionTest, DisconnectAndConnectAgain) {
    orva::sim::GaugeSimulator& gauge = AddGauge();
    RunDialog([&](CKvDlg& dlg) {
        ASSERT_TRUE(dlg.m_port.IsOpen());

        ASSERT_TRUE(afx::testing::Click(dlg, 1188));
        EXPECT_FALSE(dlg.m_port.IsOpen());
        EXPECT_EQ(dlg.m_wndStatusBar.GetPaneText(0), " Not Connected    ");
        EXPECT_EQ(g_nConnectToggle, 0);
        EXPECT_EQ(g_bDeviceFound, 0);
        EXPECT_EQ(dlg.m_bGraphReset, 1);
        EXPECT_FALSE(Enabled(dlg, 1023));
        EXPECT_FALSE(Enabled(dlg, 1080));
        EXPECT_FALSE(Enabled(dlg, 1026));
        EXPECT_TRUE(Enabled(dlg, 1191));
        EXPECT_EQ(dlg.m_btnConnect.GetIcon(), LoadIconResource(178));

        ASSERT_TRUE(afx::testing::Click(dlg, 1188));
        EXPECT_TRUE(dlg.m_port.IsOpen());
        EXPECT_EQ(dlg.m_wndStatusBar.GetPaneText(0), "   Connected COM97");
        EXPECT_EQ(g_nConnectToggle, 1);
        EXPECT_TRUE(Enabled(dlg, 1023));
        EXPECT_FALSE(Enabled(dlg, 1191));
        EXPECT_EQ(dlg.m_btnConnect.GetIcon(), LoadIconResource(179));
        EXPECT_TRUE(ui_test::Boxes().empty());

        // The link works after the reconnect: a request reaches the gauge and its line the ring.
        const std::uint64_t before = gauge.RequestsReceived();
        const int written = dlg.m_nRxWrite.load();
        const char request = '?';
        dlg.m_port.Output(&request, 1);
        EXPECT_TRUE(afx::testing::RunUntil([&] { return gauge.RequestsReceived() > before; }, 10000));
        EXPECT_TRUE(afx::testing::RunUntil([&] { return dlg.m_nRxWrite.load() != written; }, 10000));
    });
}

// Start refuses a missing index name; the box is the dialog's own and the name box is emptied.
TEST_F(ConnectionTest, StartAsksForAnIndexNameInsteadOfAll) {
    AddGauge();
    RunDialog([&](CKvDlg& dlg) {
        ASSERT_TRUE(afx::testing::TypeText(dlg.m_page1, 1027, "All"));
        ASSERT_EQ(Text(dlg.m_page1, 1027), "All");
        ASSERT_TRUE(afx::testing::Click(dlg, 1023));
        afx::testing::Pump();
        const afx::testing::ShownBox box = ui_test::LastBox();
        EXPECT_EQ(box.text, "Please set index name");
        EXPECT_EQ(box.caption, "System Message");
        EXPECT_EQ(box.buttons, MB_OK);
        EXPECT_EQ(ui_test::Boxes().size(), 1u);
        EXPECT_EQ(Text(dlg.m_page1, 1027), "");
        EXPECT_EQ(dlg.m_hAcqThread.load(), nullptr);
        EXPECT_EQ(dlg.m_nStartToggle, 0);
        EXPECT_EQ(Text(dlg, 1023), "Start acquisition");
    });
}

}  // namespace
