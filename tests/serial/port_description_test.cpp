// Telling the gauge's port by the friendly names of the present serial devices.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "PortState.h"
#include "port_table.h"

namespace {

class PortDescription : public ::testing::Test {
protected:
    void SetUp() override {
        g_bDeviceFound = 0;
        g_nComPort = -77;  // "unchanged" marker
    }
    int Parse(const char* name) {
        ParsePortDescription(name);
        return g_nComPort;
    }
};

TEST_F(PortDescription, PortNumbersOfOneTwoAndThreeDigits) {
    EXPECT_EQ(Parse("USB Serial Port (COM3)"), 3);
    EXPECT_EQ(g_bDeviceFound, 1);
    EXPECT_EQ(Parse("HJT Gauge (COM12)"), 12);
    EXPECT_EQ(Parse("STM Port (COM123)"), 123);
    EXPECT_EQ(Parse("USB Device (COM8)"), 8);
    // One digit: '1' to '8' are themselves, anything else counts as 9.
    EXPECT_EQ(Parse("USB Device (COM0)"), 9);
    EXPECT_EQ(Parse("USB Device (COM9)"), 9);
}

TEST_F(PortDescription, FriendlyNamesOfAnyProductTextGiveTheirPortNumber) {
    // Product texts as USB devices report them: brackets of their own, control bytes, texts
    // longer than the part of the name that is searched.
    const std::string longText = "USB " + std::string(150, 'L');
    const std::string wide = "USB \xE6\xB5\x8B\xE5\x8A\x9B" + std::string(200, 'W');
    struct Case {
        std::string product;
        int number;
    } cases[] = {{"USB2.0-Serial (CH340)", 33},    {"USB (", 34},   {"USB )(COM5)", 65},
                 {"USB\x01Serial\tGauge\x7F", 97}, {longText, 127}, {wide, 64}};
    for (const Case& c : cases) {
        orva::ports::PortEntry port;
        port.number = c.number;
        port.product = c.product;
        const std::string name = orva::ports::FriendlyName(port);
        EXPECT_LE(name.size(), orva::ports::kMaxFriendlyName) << name;
        g_nComPort = -77;
        EXPECT_EQ(Parse(name.c_str()), c.number) << name;
    }
    orva::ports::PortEntry port;
    port.number = 33;
    port.product = "USB2.0-Serial (CH340)";
    EXPECT_EQ(orva::ports::FriendlyName(port), "USB2.0-Serial [CH340] (COM33)");
    port.product = "USB\x01Serial\tGauge";
    EXPECT_EQ(orva::ports::FriendlyName(port), "USBSerialGauge (COM33)");
    port.product = longText;
    EXPECT_EQ(orva::ports::FriendlyName(port), longText.substr(0, 93) + " (COM33)");
    // Shortened at a character boundary, never inside a multi-byte character.
    port.product = "USB" + std::string(87, 'x') + "\xE6\xB5\x8B\xE5\x8A\x9B";
    EXPECT_EQ(orva::ports::FriendlyName(port), "USB" + std::string(87, 'x') + "\xE6\xB5\x8B (COM33)");
}

TEST_F(PortDescription, OtherNamesChangeNothing) {
    for (const char* name :
         {"usb Device (COM5)", "Communications Port (COM1)", "US", "", "Hjt (COM4)", " USB (COM4)"}) {
        ParsePortDescription(name);
        EXPECT_EQ(g_bDeviceFound, 0) << name;
        EXPECT_EQ(g_nComPort, -77) << name;
    }
    ParsePortDescription(nullptr);
    EXPECT_EQ(g_bDeviceFound, 0);
}

TEST_F(PortDescription, GaugeNameWithoutParenthesesGivesPort1) {
    EXPECT_EQ(Parse("USB"), 1);
    EXPECT_EQ(g_bDeviceFound, 1);
    EXPECT_EQ(Parse("USB Serial Device"), 1);
    EXPECT_EQ(Parse("USB Serial (COM3"), 1);  // no closing parenthesis
    EXPECT_EQ(Parse("USB)Serial(COM3"), 1);   // the ')' must follow the '('
    g_nComPort = -77;
    EXPECT_EQ(Parse("(USB (COM4)"), -77);  // does not start with a gauge prefix
}

TEST_F(PortDescription, ParenthesesPastPosition100AreNotSeen) {
    std::string name = "USB" + std::string(92, 'x') + "(COM4)";  // ')' at index 100
    EXPECT_EQ(Parse(name.c_str()), 4);
    name = "USB" + std::string(93, 'x') + "(COM4)";  // ')' at index 101
    EXPECT_EQ(Parse(name.c_str()), 1);
    name = "USB" + std::string(98, 'x') + "(COM4)";  // '(' at index 101
    EXPECT_EQ(Parse(name.c_str()), 1);
}

TEST_F(PortDescription, ShortOrOddParenthesesStayInsideTheName) {
    // Distances that are not 5 or 6 are read as three digits; characters past the end count as
    // 0, so no byte beyond the name is read and the number comes out below 1: stored as 0.
    for (const char* name : {"USB()", "USB(C)", "USB(CO)", "USB(COM)", "USB (COM  )"}) {
        // Copy into an exactly sized heap block so that a read past the end is caught by ASan.
        const std::size_t n = std::strlen(name) + 1;
        char* exact = new char[n];
        std::memcpy(exact, name, n);
        EXPECT_EQ(Parse(exact), 0) << name;
        delete[] exact;
    }
    EXPECT_EQ(Parse("USB (COM1234)"), 123);  // four digits: the first three
}

TEST_F(PortDescription, LastGaugeLikeNameWins) {
    ParsePortDescription("USB Serial Port (COM3)");
    ParsePortDescription("Communications Port (COM1)");
    ParsePortDescription("HJT Gauge (COM12)");
    ParsePortDescription("usb thing (COM5)");
    EXPECT_EQ(g_nComPort, 12);
    EXPECT_EQ(g_bDeviceFound, 1);
}

TEST(PortNameParts, ComboEntryAndNumberText) {
    auto parts = SplitFriendlyName("USB Serial Port (COM3)");
    EXPECT_EQ(parts.portName, "COM3");
    EXPECT_EQ(parts.numberText, "3");
    parts = SplitFriendlyName("ECP Printer Port (LPT1)");
    EXPECT_EQ(parts.portName, "LPT1");
    EXPECT_EQ(parts.numberText, "1");
    parts = SplitFriendlyName("No parentheses");
    EXPECT_EQ(parts.portName, "");
    EXPECT_EQ(parts.numberText, "");
    parts = SplitFriendlyName("Odd ) order (COM4)");  // first ')' before the first '('
    EXPECT_EQ(parts.portName, "");
    parts = SplitFriendlyName("Open (COM42");
    EXPECT_EQ(parts.portName, "COM42");
    EXPECT_EQ(parts.numberText, "42");
    parts = SplitFriendlyName("Tiny (CO)");
    EXPECT_EQ(parts.portName, "CO");
    EXPECT_EQ(parts.numberText, "");
    parts = SplitFriendlyName("x (COM127) (COM2)");
    EXPECT_EQ(parts.portName, "COM127");
    EXPECT_EQ(parts.numberText, "127");
}

}  // namespace
