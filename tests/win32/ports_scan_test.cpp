#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "port_table.h"
#include "setupapi.h"
#include "temp_folder.h"
#include "test_machine.h"

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << text << "\n";
}

struct Scanned {
    DWORD devInst;
    std::string name;
};

// The program's own loop: members until the enumeration fails, each friendly name read into a
// 260-byte buffer, names that do not fit skipped.
std::vector<Scanned> ScanLikeTheProgram() {
    std::vector<Scanned> out;
    HDEVINFO set = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    EXPECT_NE(set, INVALID_HANDLE_VALUE);
    if (set == INVALID_HANDLE_VALUE) return out;
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &data); ++i) {
        BYTE buffer[260];
        DWORD type = 0, size = 0;
        if (!SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_FRIENDLYNAME, &type, buffer, sizeof buffer,
                                               &size)) {
            continue;
        }
        EXPECT_EQ(type, REG_SZ);
        out.push_back({data.DevInst, reinterpret_cast<const char*>(buffer)});
    }
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    return out;
}

class PortsScan : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = orva::testing::MakeTempFolder("orva-ports-test");
        ASSERT_FALSE(m_root.empty());
        m_tty = m_root / "class" / "tty";
        fs::create_directories(m_tty);
        orva::testing::UsePortTable(orva::ports::PortTable(m_tty.string(), (m_root / "ports").string()));
    }

    void TearDown() override {
        for (int fd : m_ptys) close(fd);
        orva::testing::UseMachinePortTable();
        fs::remove_all(m_root);
    }

    // A tty carried by a USB device: the tty's device is the usb-serial port below the interface.
    void AddUsbTty(const std::string& tty, const std::string& usbDev, const char* product) {
        const fs::path dev = m_root / "devices" / "pci0" / "usb1" / usbDev;
        WriteFile(dev / "idVendor", "1a86");
        if (product != nullptr) WriteFile(dev / "product", product);
        const fs::path port = dev / (usbDev + ":1.0") / tty;
        fs::create_directories(port);
        fs::create_directories(m_tty / tty);
        fs::create_directory_symlink(port, m_tty / tty / "device");
    }

    // An ACM tty: its device is the USB interface itself.
    void AddAcmTty(const std::string& tty, const std::string& usbDev, const char* product) {
        const fs::path dev = m_root / "devices" / "pci0" / "usb2" / usbDev;
        WriteFile(dev / "idVendor", "0483");
        WriteFile(dev / "product", product);
        fs::create_directories(dev / (usbDev + ":1.0"));
        fs::create_directories(m_tty / tty);
        fs::create_directory_symlink(dev / (usbDev + ":1.0"), m_tty / tty / "device");
    }

    void AddPlatformTty(const std::string& tty, const std::string& platformDev, const char* type) {
        const fs::path dev = m_root / "devices" / "platform" / platformDev;
        fs::create_directories(dev);
        fs::create_directories(m_tty / tty);
        fs::create_directory_symlink(dev, m_tty / tty / "device");
        if (type != nullptr) WriteFile(m_tty / tty / "type", type);
    }

    std::string OpenPty() {
        const int fd = posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(fd, 0);
        grantpt(fd);
        unlockpt(fd);
        m_ptys.push_back(fd);
        return ptsname(fd);
    }

    fs::path m_root;
    fs::path m_tty;
    std::vector<int> m_ptys;
};

TEST_F(PortsScan, ListsEveryKindOfPortInPortOrderWithItsFriendlyName) {
    AddUsbTty("ttyUSB1", "1-2", nullptr);
    AddUsbTty("ttyUSB0", "1-1", "HJT Force Gauge");
    AddAcmTty("ttyACM0", "2-1", "STM Virtual Port");
    AddPlatformTty("ttyS0", "00:04", "4");
    fs::create_directories(m_tty / "ttyS1");           // no device behind it
    AddPlatformTty("ttyS2", "serial8250", "0");        // registered line without a UART
    AddPlatformTty("tty0", "vtcon", nullptr);          // not a serial port
    AddUsbTty("ttyUSB40", "1-9", "Beyond the table");  // no number for it
    EXPECT_EQ(orva::ports::RegisterVirtualPort(OpenPty(), "USB Gauge Simulator"), 97);
    EXPECT_EQ(orva::ports::RegisterVirtualPort(OpenPty(), "HJT Simulator"), 98);
    WriteFile(m_root / "ports" / "COM99", "device=/dev/orva-gone\nname=Left behind");
    WriteFile(m_root / "ports" / "COM200", "device=/dev/null\nname=Out of range");

    const std::vector<Scanned> scan = ScanLikeTheProgram();
    const std::vector<std::pair<DWORD, std::string>> expected = {
        {1, "Communications Port (COM1)"},   {33, "HJT Force Gauge (COM33)"},
        {34, "USB Serial Device (COM34)"},   {65, "STM Virtual Port (COM65)"},
        {97, "USB Gauge Simulator (COM97)"}, {98, "HJT Simulator (COM98)"},
    };
    ASSERT_EQ(scan.size(), expected.size());
    for (std::size_t i = 0; i < scan.size(); ++i) {
        EXPECT_EQ(scan[i].devInst, expected[i].first) << i;
        EXPECT_EQ(scan[i].name, expected[i].second) << i;
    }
}

TEST_F(PortsScan, LongProductTextsAreShortenedAndASmallBufferIsRefused) {
    AddUsbTty("ttyUSB0", "1-1", std::string(300, 'P').c_str());
    AddUsbTty("ttyUSB1", "1-2", "USB2.0-Serial (CH340)");

    const std::vector<Scanned> scan = ScanLikeTheProgram();
    ASSERT_EQ(scan.size(), 2u);
    EXPECT_EQ(scan[0].name, std::string(93, 'P') + " (COM33)");
    EXPECT_EQ(scan[1].name, "USB2.0-Serial [CH340] (COM34)");

    HDEVINFO set = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    ASSERT_TRUE(SetupDiEnumDeviceInfo(set, 1, &data));
    BYTE buffer[260];
    buffer[0] = 'x';
    DWORD size = 0;
    EXPECT_FALSE(
        SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_FRIENDLYNAME, nullptr, buffer, 29, &size));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(size, 30u);
    EXPECT_EQ(buffer[0], 'x');  // untouched
    EXPECT_TRUE(
        SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_FRIENDLYNAME, nullptr, buffer, 30, nullptr));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer)), "USB2.0-Serial [CH340] (COM34)");
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &data, 0x0 /* device description */, nullptr, buffer,
                                                   sizeof buffer, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
}

// Bytes this process has read through read() and its kin so far.
long long BytesReadByThisProcess() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") return value;
    }
    return -1;
}

TEST_F(PortsScan, AHugeRegistrationFileIsReadOnlyAsFarAsARegistrationGoes) {
    const std::string device = OpenPty();
    const fs::path file = m_root / "ports" / "COM97";
    WriteFile(file, "device=" + device + "\nname=USB Big");
    fs::resize_file(file, 200u << 20);  // a sparse tail of zero bytes

    const long long before = BytesReadByThisProcess();
    ASSERT_GE(before, 0);
    const std::vector<Scanned> scan = ScanLikeTheProgram();
    const long long read = BytesReadByThisProcess() - before;
    ASSERT_EQ(scan.size(), 1u);
    EXPECT_EQ(scan[0].name, "USB Big (COM97)");
    EXPECT_LT(read, 1 << 20);
}

TEST_F(PortsScan, TheSetIsASnapshotAndDiesWithItsHandle) {
    AddUsbTty("ttyUSB0", "1-1", "HJT Force Gauge");
    HDEVINFO set = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    fs::remove_all(m_tty / "ttyUSB0");  // unplugged after the snapshot
    AddPlatformTty("ttyS0", "00:04", "4");
    EXPECT_TRUE(ScanLikeTheProgram().size() == 1u);

    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    ASSERT_TRUE(SetupDiEnumDeviceInfo(set, 0, &data));
    EXPECT_EQ(data.DevInst, 33u);
    EXPECT_TRUE(data.ClassGuid == GUID_DEVCLASS_PORTS);
    EXPECT_FALSE(SetupDiEnumDeviceInfo(set, 1, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);

    SP_DEVINFO_DATA wrongSize{};
    wrongSize.cbSize = 8;
    EXPECT_FALSE(SetupDiEnumDeviceInfo(set, 0, &wrongSize));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_USER_BUFFER);

    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_FALSE(SetupDiEnumDeviceInfo(set, 0, &data));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    BYTE buffer[260];
    EXPECT_FALSE(
        SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_FRIENDLYNAME, nullptr, buffer, 260, nullptr));
}

TEST_F(PortsScan, RegistrationsOfOtherUsersAreIgnored) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to hand a file to another user";
    const std::string pty = OpenPty();
    ASSERT_EQ(orva::ports::RegisterVirtualPort(pty, "HJT Planted"), 97);
    ASSERT_EQ(chown((m_root / "ports" / "COM97").c_str(), 65534, 65534), 0);
    EXPECT_TRUE(ScanLikeTheProgram().empty());
    ASSERT_EQ(orva::ports::RegisterVirtualPort(pty, "USB Gauge Simulator"), 98);
    const std::vector<Scanned> scan = ScanLikeTheProgram();
    ASSERT_EQ(scan.size(), 1u);
    EXPECT_EQ(scan[0].name, "USB Gauge Simulator (COM98)");
}

TEST_F(PortsScan, OtherClassesAndAnEmptyMachine) {
    EXPECT_TRUE(ScanLikeTheProgram().empty());
    const GUID other = {0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
    EXPECT_EQ(SetupDiGetClassDevsA(&other, nullptr, nullptr, DIGCF_PRESENT), INVALID_HANDLE_VALUE);
    EXPECT_EQ(SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT), INVALID_HANDLE_VALUE);
    orva::testing::UsePortTable(
        orva::ports::PortTable((m_root / "missing").string(), (m_root / "ports").string()));
    EXPECT_TRUE(ScanLikeTheProgram().empty());
}

TEST(PortNumbers, FixedByKernelName) {
    EXPECT_EQ(orva::ports::PortNumberForKernelName("ttyS0"), 1);
    EXPECT_EQ(orva::ports::PortNumberForKernelName("ttyS31"), 32);
    EXPECT_EQ(orva::ports::PortNumberForKernelName("ttyS32"), 0);
    EXPECT_EQ(orva::ports::PortNumberForKernelName("ttyUSB0"), 33);
    EXPECT_EQ(orva::ports::PortNumberForKernelName("ttyACM31"), 96);
    EXPECT_EQ(orva::ports::PortNumberForKernelName("ttyS"), 0);
    EXPECT_EQ(orva::ports::PortNumberForKernelName("ttyS1x"), 0);
    EXPECT_EQ(orva::ports::PortNumberForKernelName("ttyS\xc3\xa9"), 0);
    EXPECT_EQ(orva::ports::PortNumberForKernelName("tty1"), 0);
}

}  // namespace
