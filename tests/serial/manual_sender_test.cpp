// The registry port list, the manual command sender with its hexadecimal parsers, and the record
// ring of the main dialog.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "KvDlg.h"
#include "ManualSender.h"
#include "RegistryPorts.h"
#include "afx_testing.h"
#include "port_table.h"
#include "pty_fixture.h"
#include "temp_folder.h"
#include "test_machine.h"
#include "win32_registry.h"

namespace {

namespace fs = std::filesystem;
namespace T = afx::testing;
using Values = std::vector<std::pair<std::string, std::string>>;

class PortList : public ::testing::Test {
protected:
    void SetUp() override {
        T::EnsureApplication();
        T::ClearShownBoxes();
    }
    void TearDown() override { orva::testing::UseSerialMap(std::nullopt); }

    std::vector<std::string> Entries() {
        std::vector<std::string> out;
        for (int i = 0; i < combo_.GetCount(); ++i) out.push_back(combo_.GetLBText(i));
        return out;
    }
    CComboBox combo_;
};

TEST_F(PortList, BuiltInAndUsbPortsInMapOrderWithTheFirstSelected) {
    orva::testing::UseSerialMap(Values{{"\\Device\\Serial0", "COM3"},
                                       {"\\Device\\Modem", "COM7"},  // neither name: skipped
                                       {"\\Device\\VCom0", "COM12"},
                                       {"\\Device\\VCom1", "COM123456789"}});  // longer than 10 bytes
    combo_.AddString("old");
    EnumerateSerialPorts(combo_);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"COM3", "COM12"}));
    EXPECT_EQ(combo_.GetCurSel(), 0);
    EXPECT_EQ(g_nRegistryPorts[0], 3);
    EXPECT_EQ(g_nRegistryPorts[1], 12);
    EXPECT_EQ(g_nRegistryPorts[2], -1);
    EXPECT_TRUE(T::ShownBoxes().empty());
}

TEST_F(PortList, TheMachinesOwnPortTableGivesTheSameList) {
    const fs::path root = orva::testing::MakeTempFolder("port-list");
    ASSERT_FALSE(root.empty());
    for (const char* tty : {"ttyS0", "ttyS4"}) {
        fs::create_directories(root / "sys" / tty / "device");
        std::ofstream(root / "sys" / tty / "type") << "4\n";
    }
    fs::create_directories(root / "usb" / "tty");
    std::ofstream(root / "usb" / "idVendor") << "1a86\n";
    fs::create_directories(root / "sys" / "ttyUSB0");
    fs::create_directory_symlink(root / "usb" / "tty", root / "sys" / "ttyUSB0" / "device");
    orva::testing::UsePortTable(orva::ports::PortTable((root / "sys").string(), (root / "ports").string()));
    EnumerateSerialPorts(combo_);
    orva::testing::UseMachinePortTable();
    std::error_code ec;
    fs::remove_all(root, ec);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"COM1", "COM5", "COM33"}));
    EXPECT_EQ(combo_.GetCurSel(), 0);
}

TEST_F(PortList, AMapWithoutValuesShowsTheBoxAndEmptiesTheList) {
    orva::testing::UseSerialMap(Values{});
    combo_.AddString("COM9");
    EnumerateSerialPorts(combo_);
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(g_nRegistryPorts[0], -1);
    const auto boxes = T::ShownBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "本机没有串口.....");
    EXPECT_EQ(boxes[0].buttons, MB_OK);
}

TEST_F(PortList, TwentyPortsAreKeptAndDataWithoutComGivesZero) {
    Values values;
    for (int i = 1; i <= 21; ++i)
        values.push_back({"\\Device\\Serial" + std::to_string(i), "COM" + std::to_string(i)});
    orva::testing::UseSerialMap(values);
    EnumerateSerialPorts(combo_);
    EXPECT_EQ(combo_.GetCount(), 20);
    EXPECT_EQ(g_nRegistryPorts[19], 20);  // the 21st is dropped

    orva::testing::UseSerialMap(Values{{"\\Device\\VComA", "XY"}, {"\\Device\\VComB", "ABCD7"}});
    EnumerateSerialPorts(combo_);
    EXPECT_EQ(g_nRegistryPorts[0], 0);  // nothing after the first three characters
    EXPECT_EQ(g_nRegistryPorts[1], 0);  // "D7": no digits at the start
    EXPECT_EQ(Entries(), (std::vector<std::string>{"COM0", "COM0"}));
}

TEST(HexText, PairsOfDigitsAcrossAnySeparator) {
    char out[16] = {};
    EXPECT_EQ(HexTextToBytes("0a 1B-ff", out), 3);
    EXPECT_EQ(std::vector<unsigned char>(out, out + 3), (std::vector<unsigned char>{0x0A, 0x1B, 0xFF}));
    std::memset(out, 0, sizeof out);
    EXPECT_EQ(HexTextToBytes("ABC", out), 1);
    EXPECT_EQ(static_cast<unsigned char>(out[0]), 0xAB);
    EXPECT_EQ(static_cast<unsigned char>(out[1]), 0xC0);  // the lone digit's high half, uncounted
    char inPlace[] = "41 42 43";
    EXPECT_EQ(HexTextToBytes(inPlace, inPlace), 3);
    EXPECT_EQ(std::string(inPlace, 3), "ABC");
    EXPECT_EQ(HexTextToBytes("", out), 0);
}

class DialogParts : public ::testing::Test {
protected:
    void SetUp() override {
        T::EnsureApplication();
        dlg_ = std::make_unique<CKvDlg>();
    }
    std::unique_ptr<CKvDlg> dlg_;
};

TEST_F(DialogParts, HexStringsAndDigits) {
    std::vector<BYTE> bytes;
    EXPECT_EQ(dlg_->HexStringToByteArray("0A 1B", bytes), 2);
    EXPECT_EQ(bytes, (std::vector<BYTE>{0x0A, 0x1B}));
    EXPECT_EQ(dlg_->HexStringToByteArray("0A1B", bytes), 2);
    EXPECT_EQ(dlg_->HexStringToByteArray("0A1", bytes), 1);
    EXPECT_EQ(bytes, (std::vector<BYTE>{0x0A}));
    EXPECT_EQ(dlg_->HexStringToByteArray("0G12", bytes), 0);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(dlg_->HexStringToByteArray("0 A", bytes), 0);
    EXPECT_EQ(dlg_->HexCharToValue('f'), 15);
    EXPECT_EQ(dlg_->HexCharToValue('F'), 15);
    EXPECT_EQ(dlg_->HexCharToValue('7'), 7);
    EXPECT_EQ(dlg_->HexCharToValue('g'), -1);
}

TEST_F(DialogParts, TheRecordRingHolds1022RecordsInOrder) {
    // Usable from construction: the modulus is there before the window's set-up.
    EXPECT_EQ(dlg_->m_nRecordModulus, 1023u);
    BYTE out[3] = {};
    EXPECT_FALSE(dlg_->RecordRingGet(out));
    for (int i = 0; i < 1022; ++i) {
        const BYTE record[3] = {static_cast<BYTE>(i), static_cast<BYTE>(i >> 8), 0x5A};
        ASSERT_TRUE(dlg_->RecordRingPut(record)) << i;
    }
    const BYTE extra[3] = {1, 2, 3};
    EXPECT_FALSE(dlg_->RecordRingPut(extra));
    ASSERT_TRUE(dlg_->RecordRingGet(out));
    EXPECT_EQ(std::vector<BYTE>(out, out + 3), (std::vector<BYTE>{0, 0, 0x5A}));
    EXPECT_TRUE(dlg_->RecordRingPut(extra));
    EXPECT_FALSE(dlg_->RecordRingPut(extra));
    for (int i = 1; i < 1022; ++i) {
        ASSERT_TRUE(dlg_->RecordRingGet(out));
        ASSERT_EQ(std::vector<BYTE>(out, out + 3),
                  (std::vector<BYTE>{static_cast<BYTE>(i), static_cast<BYTE>(i >> 8), 0x5A}));
    }
    ASSERT_TRUE(dlg_->RecordRingGet(out));
    EXPECT_EQ(std::vector<BYTE>(out, out + 3), (std::vector<BYTE>{1, 2, 3}));
    EXPECT_FALSE(dlg_->RecordRingGet(out));
}

class Sender : public orva::comport::test::PtyTest {
protected:
    void SetUp() override {
        PtyTest::SetUp();
        T::EnsureApplication();
        dlg_ = std::make_unique<CKvDlg>();
    }
    void TearDown() override {
        g_bHexSend = 0;
        dlg_.reset();
        PtyTest::TearDown();
    }
    std::vector<unsigned char> Send(const std::string& text, bool hex, std::size_t expected) {
        dlg_->m_strSendText = text;
        g_bHexSend = hex ? 1 : 0;
        dlg_->SendCommandText();
        return ReadMaster(expected, std::chrono::seconds(10));
    }
    std::unique_ptr<CKvDlg> dlg_;
};

TEST_F(Sender, SendsExactlyTheBytesAsHexOrTextInBothModes) {
    for (const DWORD option : {DWORD{3}, DWORD{1}}) {  // the dialog's overlapped port, a plain one
        SCOPED_TRACE(option);
        dlg_->m_nComm.SetOption(option);
        ASSERT_TRUE(dlg_->m_nComm.Open(static_cast<DWORD>(port_), 38400));
        EXPECT_EQ(Send("0a 1B-ff", true, 3), (std::vector<unsigned char>{0x0A, 0x1B, 0xFF}));
        EXPECT_EQ(Send("?abc 12", false, 7), (std::vector<unsigned char>{'?', 'a', 'b', 'c', ' ', '1', '2'}));
        dlg_->m_strSendText = "";  // sends nothing: the next bytes on the wire are the next send's
        dlg_->SendCommandText();
        EXPECT_EQ(Send("ABC", true, 1), std::vector<unsigned char>{0xAB});  // the lone digit stays
        dlg_->m_nComm.Close(500);
    }
}

TEST_F(Sender, APartialWriteGoesOnWithTheNextByteAndAWriteOfNothingEndsTheSend) {
    dlg_->m_nComm.SetOption(0);  // plain, no buffer: the text goes in as many writes as it takes
    ASSERT_TRUE(dlg_->m_nComm.Open(static_cast<DWORD>(port_), 38400));
    COMMTIMEOUTS t{};
    ASSERT_TRUE(GetCommTimeouts(dlg_->m_nComm.GetHandle(), &t));
    t.WriteTotalTimeoutConstant = 1;  // a full pseudo-terminal ends a write at once, partly done
    ASSERT_TRUE(SetCommTimeouts(dlg_->m_nComm.GetHandle(), &t));
    std::string text(100000, ' ');
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i * 7 % 26);
    dlg_->m_strSendText = text;
    std::vector<unsigned char> got;
    std::thread device([&] {
        // Once the line is full, read everything that comes until it goes quiet.
        orva::comport::test::WaitUntil([&] {
            int queued = 0;
            return ioctl(master_, FIONREAD, &queued) == 0 && queued >= 4000;  // the master side's share
        });
        for (;;) {
            auto chunk = ReadMaster(4096, std::chrono::milliseconds(300));
            if (chunk.empty()) break;
            got.insert(got.end(), chunk.begin(), chunk.end());
        }
    });
    dlg_->SendCommandText();
    device.join();
    ASSERT_GE(got.size(), 4000u);
    // Whatever went, went without a gap: a prefix of the text.
    EXPECT_TRUE(std::equal(got.begin(), got.end(), text.begin()));
    EXPECT_EQ(dlg_->m_nComm.BytesOut(), got.size());
}

TEST_F(Sender, TheDialogsNeverOpenedPortSendsNothing) {
    dlg_->m_strSendText = "hello";
    dlg_->SendCommandText();
    g_bHexSend = 1;
    dlg_->m_strSendText = "01 02";
    dlg_->SendCommandText();
    EXPECT_TRUE(ReadMaster(1, std::chrono::milliseconds(50)).empty());
    EXPECT_EQ(dlg_->m_nComm.BytesOut(), 0u);
}

}  // namespace
