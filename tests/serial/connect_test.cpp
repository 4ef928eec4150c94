// Finding the gauge among the ports, the start-up connection, Connect and Disconnect, and the
// port combo box, on the real dialog with simulated gauges.
#include <gtest/gtest.h>

#include <string>

#include "PortState.h"
#include "afx_testing.h"
#include "gauge_dialog_fixture.h"

namespace {

using serial_test::GaugeDialogTest;

constexpr int kStart = 1023;
constexpr int kExportData = 1080;
constexpr int kExportImage = 1026;
constexpr int kConnect = 1188;
constexpr int kPortList = 1191;

const char* const kNoDevice =
    "Can not find the device please reconnect the device or power on the device or select the COM PORT "
    "manual";
const char* const kOpenFailed =
    "USB connect error,Please reconnect the USB Port or check the COM PORT is correct";

class ConnectTest : public GaugeDialogTest {
protected:
    void ExpectConnected(int port) {
        EXPECT_EQ(g_nConnectToggle, 1);
        EXPECT_EQ(g_nComPort, port);
        EXPECT_TRUE(dlg_->m_port.IsOpen());
        EXPECT_EQ(Pane0(), "   Connected COM" + std::to_string(port));
        EXPECT_TRUE(Enabled(kStart));
        EXPECT_TRUE(Enabled(kExportData));
        EXPECT_TRUE(Enabled(kExportImage));
        EXPECT_FALSE(Enabled(kPortList));
        EXPECT_EQ(dlg_->GetDlgItemText(kStart), "Start acquisition");
        EXPECT_EQ(dlg_->m_btnConnect.GetIcon(), LoadIconResource(179));
        EXPECT_EQ(dlg_->m_nStartToggle, 0);
    }
    void ExpectNotConnected() {
        EXPECT_FALSE(dlg_->m_port.IsOpen());
        EXPECT_FALSE(Enabled(kStart));
        EXPECT_FALSE(Enabled(kExportData));
        EXPECT_FALSE(Enabled(kExportImage));
        EXPECT_TRUE(Enabled(kPortList));
    }
    std::vector<std::string> ComboEntries() const {
        std::vector<std::string> v;
        for (int i = 0; i < dlg_->m_cbPort.GetCount(); ++i) v.push_back(dlg_->m_cbPort.GetLBText(i));
        return v;
    }
};

TEST_F(ConnectTest, StartupOpensTheGaugeAndItsBytesReachTheRing) {
    AddBuiltInPort(0);
    auto& gauge = AddGauge("USB Gauge Simulator");  // COM97, after COM1 in scan order
    OpenDialog();
    EXPECT_EQ(ComboEntries(), (std::vector<std::string>{"COM1", "COM97"}));
    EXPECT_EQ(g_arrPortNumbers, (std::vector<std::string>{"1", "97"}));
    EXPECT_EQ(dlg_->m_cbPort.GetCurSel(), 1);  // the gauge's entry, not the first
    EXPECT_EQ(g_bDeviceFound, 1);
    EXPECT_EQ(g_bManualPort, 0);
    ExpectConnected(97);
    EXPECT_EQ(CountBoxes(kOpenFailed), 0);

    // The receive callback is registered: a reading line lands in the ring.
    const char request = '?';
    dlg_->m_port.Output(&request, 1);
    EXPECT_TRUE(afx::testing::RunUntil([&] { return dlg_->m_nRxWrite.load() >= 3; }, 10000))
        << "requests at the gauge " << gauge.RequestsReceived() << ", lines sent " << gauge.LinesSent();
    EXPECT_GE(dlg_->m_nRxBlockCount.load(), 1u);
}

TEST_F(ConnectTest, ClicksToggleBetweenDisconnectAndConnect) {
    AddGauge("HJT Gauge");
    OpenDialog();
    ExpectConnected(97);

    ASSERT_TRUE(afx::testing::Click(*dlg_, kConnect));
    EXPECT_EQ(g_nConnectToggle, 0);
    EXPECT_EQ(g_bDeviceFound, 0);
    EXPECT_EQ(dlg_->m_bGraphReset, 1);
    EXPECT_EQ(Pane0(), " Not Connected    ");
    EXPECT_EQ(dlg_->m_btnConnect.GetIcon(), LoadIconResource(178));
    ExpectNotConnected();

    // Not hand-picked: the next click scans again and finds the gauge.
    ASSERT_TRUE(afx::testing::Click(*dlg_, kConnect));
    ExpectConnected(97);
    EXPECT_TRUE(afx::testing::ShownBoxes().empty());
}

TEST_F(ConnectTest, TheLastGaugeLikePortWins) {
    AddGauge("USB Gauge Simulator");           // COM97
    AddGauge("usb lower-case thing");          // COM98: not a gauge name
    auto& second = AddGauge("STM Simulator");  // COM99
    AddGauge("Communications Port");           // COM100
    OpenDialog();
    EXPECT_EQ(dlg_->m_cbPort.GetCount(), 4);
    ExpectConnected(99);
    EXPECT_EQ(dlg_->m_cbPort.GetCurSel(), 2);
    const char request = '?';
    dlg_->m_port.Output(&request, 1);
    EXPECT_TRUE(afx::testing::RunUntil([&] { return second.RequestsReceived() == 1; }, 10000));
}

TEST_F(ConnectTest, NoPortAtAllLeavesTheChoiceToTheUser) {
    OpenDialog();
    EXPECT_EQ(dlg_->m_cbPort.GetCount(), 0);
    EXPECT_EQ(dlg_->m_cbPort.GetCurSel(), CB_ERR);
    EXPECT_EQ(g_bManualPort, 1);
    EXPECT_EQ(g_nConnectToggle, 0);
    EXPECT_EQ(g_nComPort, 1);
    ExpectNotConnected();
    EXPECT_TRUE(afx::testing::ShownBoxes().empty());

    // Connect then opens port 1 without a scan; there is none, so the open fails.
    ASSERT_TRUE(afx::testing::Click(*dlg_, kConnect));
    EXPECT_EQ(CountBoxes(kOpenFailed), 1);
    EXPECT_EQ(g_nConnectToggle, 0);
    EXPECT_EQ(g_bDeviceFound, 1);  // survives the failed open
    ExpectNotConnected();
}

TEST_F(ConnectTest, GaugeFoundButNotOpenedStaysSilent) {
    AddBuiltInPort(0);
    AddUsbPortWithoutDevice(31, "HJT Force Gauge");  // COM64, no device file
    OpenDialog();
    EXPECT_EQ(g_bDeviceFound, 1);
    EXPECT_EQ(g_nComPort, 64);
    EXPECT_EQ(dlg_->m_cbPort.GetCurSel(), 1);
    EXPECT_EQ(g_nConnectToggle, 0);
    EXPECT_EQ(g_bManualPort, 0);
    ExpectNotConnected();
    EXPECT_TRUE(afx::testing::ShownBoxes().empty());
}

TEST_F(ConnectTest, NoGaugeWithoutAHandPickedPortShowsTheBox) {
    AddBuiltInPort(2);
    OpenDialog();
    EXPECT_EQ(g_bManualPort, 1);
    EXPECT_EQ(dlg_->m_cbPort.GetCurSel(), 0);
    g_bManualPort = 0;
    g_nComPort = 200;
    ASSERT_TRUE(afx::testing::Click(*dlg_, kConnect));
    EXPECT_EQ(CountBoxes(kNoDevice), 1);
    EXPECT_EQ(CountBoxes(kOpenFailed), 0);  // no open is tried
    EXPECT_EQ(g_nConnectToggle, 0);
    EXPECT_EQ(g_nComPort, 1);  // out of range: 1
    ExpectNotConnected();
}

TEST_F(ConnectTest, DropDownRefillsAndAHandPickedPortIsOpenedWithoutAScan) {
    AddBuiltInPort(0);
    OpenDialog();                                    // no gauge: manual
    auto& gauge = AddGauge("Plain Serial Adapter");  // COM97, plugged in later, not gauge-like
    ASSERT_TRUE(afx::testing::DropDownCombo(*dlg_, kPortList));
    EXPECT_EQ(ComboEntries(), (std::vector<std::string>{"COM1", "COM97"}));
    EXPECT_EQ(g_arrPortNumbers.size(), 2u);
    EXPECT_EQ(dlg_->m_cbPort.GetCurSel(), 0);
    ASSERT_TRUE(afx::testing::DropDownCombo(*dlg_, kPortList));
    EXPECT_EQ(dlg_->m_cbPort.GetCount(), 2);  // emptied first, never doubled

    ASSERT_TRUE(afx::testing::SelectComboEntry(*dlg_, kPortList, 1));
    EXPECT_EQ(g_nComPort, 97);
    EXPECT_EQ(g_bManualPort, 1);
    ASSERT_TRUE(afx::testing::Click(*dlg_, kConnect));
    EXPECT_EQ(g_bDeviceFound, 1);
    ExpectConnected(97);
    const char request = '?';
    dlg_->m_port.Output(&request, 1);
    EXPECT_TRUE(afx::testing::RunUntil([&] { return gauge.RequestsReceived() == 1; }, 10000));
}

}  // namespace
