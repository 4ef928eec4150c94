// The main dialog's own port-class object: built with the dialog, never opened, and gone with it
// without leaving an event or a lock behind.
#include <gtest/gtest.h>

#include "win32_critical_section.h"
#include "win32_handle_table.h"
#include "window_fixture.h"

namespace {

using DormantPortTest = ui_test::WindowTest;

TEST_F(DormantPortTest, TheDialogsPortObjectStaysClosedAndLeavesNothingBehind) {
    auto& gauge = AddGauge();
    gauge.SetRecordReceived(true);
    const std::size_t handles = orva::win32::HandleCount();
    const std::size_t sections = orva::win32::LiveCriticalSectionCount();
    RunDialog([&](CKvDlg& dlg) {
        EXPECT_FALSE(dlg.m_nComm.IsOpen());
        EXPECT_TRUE(dlg.m_nComm.IsOverlappedMode());
        EXPECT_FALSE(dlg.m_nComm.IsTxBuffer());
        EXPECT_TRUE(dlg.m_port.IsOpen());  // the gauge link is the library port
        EXPECT_GE(orva::win32::LiveCriticalSectionCount(), sections + 3);
    });
    dlg_.reset();
    EXPECT_EQ(orva::win32::HandleCount(), handles);
    EXPECT_EQ(orva::win32::LiveCriticalSectionCount(), sections);
    EXPECT_TRUE(gauge.Received().empty());  // the window sends nothing by opening and closing
}

}  // namespace
