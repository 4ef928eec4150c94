// The shipped executable carries no test driver: no script hook, no environment variable of its
// own, none of the headless dialog answering.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

TEST(ShippedProgram, CarriesNoTestDriver) {
    std::ifstream in(ORVA_FG_PATH, std::ios::binary);
    ASSERT_TRUE(in);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 100000u);
    // Nor a way in for a test: an answerer the boxes would ask, port folders or a serial map set
    // from outside.
    for (const char* text : {"ORVA_FG_", "AnswerDialogsFromQueues", "AnswerNextMessageBox", "TestScript",
                             "wait-window", "ModalAnswerer", "SetSysfsRoot", "SetVirtualPortDir",
                             "SetSerialMapValues", "UsePortTable", "UseSerialMap", "UseDesktopOpener"}) {
        EXPECT_EQ(bytes.find(text), std::string::npos) << text;
    }
}

}  // namespace
