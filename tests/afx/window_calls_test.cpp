// Window calls by handle: what a worker that keeps only a window handle can do with it.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "test_dialogs.h"
#include "win32_error.h"

using namespace afxtest;
namespace T = afx::testing;

namespace {

class WindowCalls : public ::testing::Test {
protected:
    void SetUp() override {
        T::EnsureApplication();
        RegisterTestTemplates();
    }
};

TEST_F(WindowCalls, PostsFromAWorkerReachTheMapAndSendsOnTheUiThreadRunAtOnce) {
    RecordingDialog dlg;
    T::RunModal(dlg, [&](CDialog&) {
        const HWND hwnd = dlg.GetSafeHwnd();
        ASSERT_NE(hwnd, nullptr);
        EXPECT_TRUE(IsWindow(hwnd));
        dlg.log.clear();
        auto worker = std::async(std::launch::async, [&] {
            EXPECT_TRUE(IsWindow(hwnd));
            EXPECT_TRUE(PostMessageA(hwnd, WM_USER + 5, 3, 1642));
            // From a worker a send is posted and returns at once: no worker waits for the UI.
            EXPECT_EQ(SendMessageA(hwnd, WM_USER + 5, 4, 0), 0);
        });
        ASSERT_EQ(worker.wait_for(std::chrono::seconds(20)), std::future_status::ready);
        EXPECT_TRUE(dlg.log.empty());
        ASSERT_TRUE(T::RunUntil([&] { return dlg.log.size() == 2; }, 10000));
        EXPECT_EQ(dlg.log[0], "WM_USER+5 3 1642");
        EXPECT_EQ(dlg.log[1], "WM_USER+5 4 0");
        EXPECT_EQ(SendMessageA(hwnd, WM_USER + 5, 5, 6), 1);  // the handler's result
        EXPECT_EQ(dlg.log.back(), "WM_USER+5 5 6");
    });
}

TEST_F(WindowCalls, AHandleWhoseWindowIsGoneOrThatNeverWasOneIsRefused) {
    HWND stale = nullptr;
    {
        RecordingDialog dlg;
        T::RunModal(dlg, [&](CDialog&) { stale = dlg.GetSafeHwnd(); });
        EXPECT_FALSE(IsWindow(stale));  // destroyed, the object still there
    }
    EXPECT_FALSE(IsWindow(stale));  // the object gone too
    EXPECT_FALSE(PostMessageA(stale, WM_USER + 5, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(SendMessageA(stale, WM_USER + 5, 0, 0), 0);
    int notAWindow = 0;
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(&notAWindow)));
    EXPECT_FALSE(IsWindow(nullptr));
    T::Pump();
}

}  // namespace
