// The registry's serial map, made from a private port table.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "port_table.h"
#include "temp_folder.h"
#include "test_machine.h"
#include "win32_registry.h"

namespace {

namespace fs = std::filesystem;

class SerialMap : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = orva::testing::MakeTempFolder("registry-test");
        ASSERT_FALSE(root_.empty());
        fs::create_directories(root_ / "sys" / "ttyS0" / "device");
        std::ofstream(root_ / "sys" / "ttyS0" / "type") << "4\n";
        fs::create_directories(root_ / "usbdev" / "tty");
        std::ofstream(root_ / "usbdev" / "idVendor") << "1234\n";
        fs::create_directories(root_ / "sys" / "ttyUSB2");
        fs::create_directory_symlink(root_ / "usbdev" / "tty", root_ / "sys" / "ttyUSB2" / "device");
        fs::create_directories(root_ / "ports");
        orva::testing::UsePortTable(
            orva::ports::PortTable((root_ / "sys").string(), (root_ / "ports").string()));
        virtual_ = orva::ports::RegisterVirtualPort("/dev/null", "Gauge");
    }
    void TearDown() override {
        orva::testing::UseMachinePortTable();
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    fs::path root_;
    int virtual_ = 0;
};

std::string Name(HKEY key, DWORD index) {
    char name[64];
    DWORD length = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(length, std::strlen(name));
    return name;
}

TEST_F(SerialMap, ValuesAreThePortsInTableOrderNamedByKind) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD values = 0;
    char cls[260];
    DWORD clsLength = sizeof cls;
    ASSERT_EQ(RegQueryInfoKeyA(key, cls, &clsLength, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(values, 3u);
    EXPECT_EQ(Name(key, 0), "\\Device\\Serial0");
    EXPECT_EQ(Name(key, 1), "\\Device\\VCom0");
    EXPECT_EQ(Name(key, 2), "\\Device\\VCom1");
    char name[64];
    DWORD length = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, 3, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    BYTE data[10] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExA(key, "\\Device\\VCom0", nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_STREQ(reinterpret_cast<char*>(data), "COM35");  // ttyUSB2
    EXPECT_EQ(size, 6u);
    size = sizeof data;
    ASSERT_EQ(RegQueryValueExA(key, "\\Device\\VCom1", nullptr, nullptr, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data)), "COM" + std::to_string(virtual_));
    BYTE small[3];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, "\\Device\\Serial0", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(RegQueryValueExA(key, "nothing", nullptr, nullptr, data, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(SerialMap, OnlyTheSerialMapExists) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegOpenKeyExA(nullptr, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "hardware\\devicemap\\serialcomm", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

}  // namespace
