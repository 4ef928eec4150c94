// The ways out of the window: Escape (the Exit command), the close box and Enter, their
// questions and upload warnings, and the clean shutdown of timers, thread and port.
#include <gtest/gtest.h>

#include <climits>

#include "RunState.h"
#include "TestConditions.h"
#include "win32_thread.h"
#include "window_fixture.h"

namespace {

using afx::testing::AnswerNextMessageBox;
using ui_test::WindowTest;

constexpr const char* kExitQuestion = "Do you want to exit?";
constexpr const char* kCloseQuestion = "Do you want to exit? ";

// Stands in for the acquisition thread: it uses the dialog until it is asked to stop.
DWORD BusyThread(LPVOID param) {
    auto& dlg = *static_cast<CKvDlg*>(param);
    while (!ThreadStopRequested()) {
        static_cast<void>(dlg.m_nRxWrite.load());
        Sleep(2);
    }
    return 0;
}

class ExitPathsTest : public WindowTest {
protected:
    // Both timers and a thread running against the dialog, as during a test.
    void StartWork(CKvDlg& dlg) {
        g_bStopByTime = 0;
        dlg.m_nSampleBudget = INT_MAX;
        ASSERT_TRUE(dlg.StartPollTimer(100));
        ASSERT_TRUE(dlg.StartTickTimer(10));
        DWORD id = 0;
        HANDLE thread = CreateThread(nullptr, 0, BusyThread, &dlg, 0, &id);
        ASSERT_NE(thread, nullptr);
        dlg.m_dwAcqThreadId = id;
        dlg.m_hAcqThread = thread;
        thread_ = thread;
    }
    void ExpectWorkEnded(CKvDlg& dlg) {
        EXPECT_EQ(g_nPollTimerId.load(), 0u);
        EXPECT_EQ(g_nTickTimerId.load(), 0u);
        DWORD code = 0;
        ASSERT_TRUE(GetExitCodeThread(thread_, &code));
        EXPECT_NE(code, STILL_ACTIVE);
        EXPECT_FALSE(dlg.m_port.IsOpen());
    }
    void TearDown() override {
        WindowTest::TearDown();
        if (thread_) CloseHandle(thread_);
    }
    HANDLE thread_ = nullptr;
};

TEST_F(ExitPathsTest, EscapeAsksThenEndsTheModalLoopThroughTheQuitMessage) {
    AddGauge();
    const INT_PTR result = RunDialog(
        [&](CKvDlg& dlg) {
            StartWork(dlg);
            AnswerNextMessageBox(IDOK);
            afx::testing::PressKey(dlg, Qt::Key_Escape);
            const afx::testing::ShownBox box = ui_test::LastBox();
            EXPECT_EQ(box.text, kExitQuestion);
            EXPECT_EQ(box.caption, "System Message");
            EXPECT_EQ(box.buttons, MB_OKCANCEL);
            EXPECT_EQ(box.icon, MB_ICONQUESTION);
            EXPECT_EQ(ui_test::Boxes().size(), 1u);
            ExpectWorkEnded(dlg);
            // The communications control's port was closed already: read, not written.
            EXPECT_EQ(dlg.m_comm.PortOpenReads(), 1);
            EXPECT_EQ(dlg.m_comm.PortOpenWrites(), 0);
        },
        0);
    EXPECT_EQ(result, -1);
}

TEST_F(ExitPathsTest, CancelInTheFirstBoxKeepsEverythingRunning) {
    AddGauge();
    const INT_PTR result = RunDialog([&](CKvDlg& dlg) {
        StartWork(dlg);
        const UINT tick = g_nTickTimerId.load();
        AnswerNextMessageBox(IDCANCEL);
        afx::testing::PressKey(dlg, Qt::Key_Escape);
        AnswerNextMessageBox(IDCANCEL);
        afx::testing::CloseWindow(dlg);
        ASSERT_EQ(ui_test::Boxes().size(), 2u);
        EXPECT_EQ(ui_test::Boxes()[0].text, kExitQuestion);
        EXPECT_EQ(ui_test::Boxes()[1].text, kCloseQuestion);
        afx::testing::Pump(30);
        EXPECT_TRUE(dlg.IsModalRunning());
        EXPECT_TRUE(dlg.IsWindowVisible());
        EXPECT_EQ(g_nTickTimerId.load(), tick);
        DWORD code = 0;
        GetExitCodeThread(thread_, &code);
        EXPECT_EQ(code, STILL_ACTIVE);
        EXPECT_TRUE(dlg.m_port.IsOpen());
        EXPECT_EQ(dlg.m_comm.PortOpenReads(), 0);
    });
    EXPECT_EQ(result, IDCANCEL);  // ended by the fixture
}

TEST_F(ExitPathsTest, CloseBoxAsksThenEndsWithCancel) {
    AddGauge();
    const INT_PTR result = RunDialog(
        [&](CKvDlg& dlg) {
            StartWork(dlg);
            dlg.m_comm.SetPortOpen(TRUE);
            AnswerNextMessageBox(IDOK);
            afx::testing::CloseWindow(dlg);
            const afx::testing::ShownBox box = ui_test::LastBox();
            EXPECT_EQ(box.text, kCloseQuestion);
            EXPECT_EQ(box.caption, "System Message");
            EXPECT_EQ(box.buttons, MB_OKCANCEL);
            EXPECT_EQ(box.icon, MB_ICONQUESTION);
            ExpectWorkEnded(dlg);
            // Open before: exactly one put of FALSE after the read.
            EXPECT_EQ(dlg.m_comm.PortOpenReads(), 1);
            EXPECT_EQ(dlg.m_comm.PortOpenWrites(), 2);
            EXPECT_FALSE(dlg.m_comm.GetPortOpen());
        },
        0);
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(ExitPathsTest, EnterAsksThenEndsWithOkAndShutsDown) {
    AddGauge();
    const INT_PTR result = RunDialog(
        [&](CKvDlg& dlg) {
            StartWork(dlg);
            dlg.m_page1.m_edGravity.SetFocus();
            AnswerNextMessageBox(IDCANCEL);
            afx::testing::PressKey(dlg, Qt::Key_Return);
            ASSERT_EQ(ui_test::Boxes().size(), 1u);
            EXPECT_EQ(ui_test::Boxes()[0].text, kExitQuestion);
            EXPECT_TRUE(dlg.IsModalRunning());
            EXPECT_NE(g_nTickTimerId.load(), 0u);

            // While uploading, the upload warning follows, as for the Exit command.
            dlg.m_bUploading = 1;
            AnswerNextMessageBox(IDOK);
            AnswerNextMessageBox(IDCANCEL);
            afx::testing::PressKey(dlg, Qt::Key_Return);
            ASSERT_EQ(ui_test::Boxes().size(), 3u);
            EXPECT_EQ(ui_test::Boxes()[2].caption, "系统消息");
            EXPECT_TRUE(dlg.IsModalRunning());
            dlg.m_bUploading = 0;

            AnswerNextMessageBox(IDOK);
            afx::testing::PressKey(dlg, Qt::Key_Return);
            ASSERT_EQ(ui_test::Boxes().size(), 4u);
            ExpectWorkEnded(dlg);
        },
        0);
    EXPECT_EQ(result, IDOK);
}

TEST_F(ExitPathsTest, UploadWarningsOfBothWaysOut) {
    AddGauge();
    RunDialog([&](CKvDlg& dlg) {
        dlg.m_bUploading = 1;
        AnswerNextMessageBox(IDOK);
        AnswerNextMessageBox(IDCANCEL);
        afx::testing::PressKey(dlg, Qt::Key_Escape);
        ASSERT_EQ(ui_test::Boxes().size(), 2u);
        const afx::testing::ShownBox chinese = ui_test::Boxes()[1];
        EXPECT_EQ(chinese.text, "数据正在上传中，请不要强行退出系统！这会造成数据丢失！");
        EXPECT_EQ(chinese.caption, "系统消息");
        EXPECT_EQ(chinese.buttons, MB_OKCANCEL);
        EXPECT_EQ(chinese.icon, MB_ICONINFORMATION);

        AnswerNextMessageBox(IDOK);
        AnswerNextMessageBox(IDCANCEL);
        afx::testing::CloseWindow(dlg);
        ASSERT_EQ(ui_test::Boxes().size(), 4u);
        const afx::testing::ShownBox english = ui_test::Boxes()[3];
        // The program's byte 0xA1 between the sentences is not UTF-8: the box shows U+FFFD for it.
        EXPECT_EQ(english.text, "Data uploading!don't exit\xEF\xBF\xBDPlease wait a moment.");
        EXPECT_EQ(english.caption, "System Message");
        EXPECT_EQ(english.buttons, MB_OKCANCEL);
        EXPECT_EQ(english.icon, MB_ICONQUESTION);

        // Cancel in the second box keeps the upload going.
        afx::testing::Pump(20);
        EXPECT_TRUE(dlg.IsModalRunning());
        EXPECT_EQ(dlg.m_bUploading, 1);
        EXPECT_TRUE(dlg.m_port.IsOpen());
    });
}

TEST_F(ExitPathsTest, ConfirmedUploadWarningLeavesTheWindow) {
    const INT_PTR result = RunDialog(
        [&](CKvDlg& dlg) {
            dlg.m_bUploading = 1;
            AnswerNextMessageBox(IDOK);
            AnswerNextMessageBox(IDOK);
            afx::testing::PressKey(dlg, Qt::Key_Escape);
            EXPECT_EQ(ui_test::Boxes().size(), 2u);
        },
        0);
    EXPECT_EQ(result, -1);
}

// A dialog ended without any of its ways out (the framework's own EndDialog) still stops the
// timers and the thread before it goes, so no callback reaches a destroyed dialog.
TEST_F(ExitPathsTest, DestructorStopsWhatStillRuns) {
    AddGauge();
    RunDialog([&](CKvDlg& dlg) { StartWork(dlg); }, IDCANCEL);
    EXPECT_NE(g_nTickTimerId.load(), 0u);
    dlg_.reset();
    EXPECT_EQ(g_nPollTimerId.load(), 0u);
    EXPECT_EQ(g_nTickTimerId.load(), 0u);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread_, &code));
    EXPECT_NE(code, STILL_ACTIVE);
    afx::testing::Pump(30);
}

}  // namespace
