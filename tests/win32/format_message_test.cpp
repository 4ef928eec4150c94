#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "win32_comm.h"
#include "win32_format_message.h"

namespace {

constexpr DWORD kFromSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

TEST(Win32FormatMessage, TheSystemsTextMadeForTheCallerOrCopiedIntoItsBuffer) {
    char* made = nullptr;
    const DWORD n =
        FormatMessageA(kFromSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, ERROR_ACCESS_DENIED,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&made), 0, nullptr);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(std::string(made), std::strerror(EACCES));
    EXPECT_EQ(n, std::strlen(made));
    EXPECT_EQ(LocalFree(made), nullptr);

    char buffer[64];
    EXPECT_GT(FormatMessageA(kFromSystem, nullptr, ERROR_BAD_COMMAND, 0, buffer, sizeof buffer, nullptr), 0u);
    EXPECT_STREQ(buffer, std::strerror(ENODEV));
    EXPECT_GT(FormatMessageA(kFromSystem, nullptr, ERROR_SUCCESS, 0, buffer, sizeof buffer, nullptr), 0u);

    // Never past the caller's buffer.
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(FormatMessageA(kFromSystem, nullptr, ERROR_ACCESS_DENIED, 0, small, sizeof small, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(small, 4), "xxxx");
}

TEST(Win32FormatMessage, CodesWithoutATextAndOtherSourcesFail) {
    char* made = nullptr;
    EXPECT_EQ(FormatMessageA(kFromSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, 12345, 0,
                             reinterpret_cast<LPSTR>(&made), 0, nullptr),
              0u);
    EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
    EXPECT_EQ(made, nullptr);
    char buffer[16];
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_IGNORE_INSERTS, "text", 0, 0, buffer, sizeof buffer, nullptr),
              0u);
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
}

}  // namespace
