// The real program: its start-up log for each way out, and a second copy beside the first.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "program_run.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

using app_test::LogEntries;
using app_test::ProgramRun;
using app_test::ReadLog;
using Entries = std::vector<std::string>;

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = orva::testing::MakeTempFolder("orva-app-test");
        ASSERT_FALSE(home_.empty());
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(home_, ec);
    }
    fs::path home_;
};

TEST_F(AppTest, ClosingTheWindowEndsWithCancel) {
    ProgramRun run(home_, {"wait-window", "answer 1", "close", "boxes"});
    EXPECT_NE(run.WaitForLine("window-shown "), "");
    EXPECT_EQ(run.WaitForLine("box "), "box System Message|Do you want to exit? ");
    EXPECT_EQ(run.Wait(), 0);
    const std::string log = ReadLog(home_);
    EXPECT_EQ(LogEntries(log),
              (Entries{"kv_Start System1", "kv_Start System3", "kv_Start System4", "kv_Start System6"}));
    EXPECT_EQ(log.substr(0, 2), "\r\n");
    EXPECT_NE(log.back(), '\n');  // nothing follows the last text
}

TEST_F(AppTest, EscapeEndsTheLoopThroughTheQuitMessage) {
    ProgramRun run(home_, {"wait-window", "answer 1", "key escape", "boxes"});
    EXPECT_EQ(run.WaitForLine("box "), "box System Message|Do you want to exit?");
    EXPECT_EQ(run.Wait(), 0);
    EXPECT_EQ(LogEntries(ReadLog(home_)),
              (Entries{"kv_Start System1", "kv_Start System3", "kv_Start System4"}));
}

TEST_F(AppTest, EnterAsksFirstAndEndsWithOk) {
    // Without a gauge no push button is enabled to take the focus (and the Enter key).
    ProgramRun run(home_, {"wait-window", "answer 1", "key enter", "boxes", "pane 0"});
    EXPECT_EQ(run.WaitForLine("box "), "box System Message|Do you want to exit?");
    EXPECT_EQ(run.WaitForLine("not-run "), "not-run pane 0");  // the window has gone
    EXPECT_EQ(run.Wait(), 0);
    EXPECT_EQ(LogEntries(ReadLog(home_)),
              (Entries{"kv_Start System1", "kv_Start System3", "kv_Start System4", "kv_Start System5"}));
}

TEST_F(AppTest, CancelledCloseKeepsTheWindow) {
    ProgramRun run(home_, {"wait-window", "answer 2", "close", "sleep 300", "pane 1", "answer 1", "close"});
    EXPECT_EQ(run.WaitForLine("pane 1"), "pane 1  Ready  ");
    EXPECT_EQ(run.Wait(), 0);
    EXPECT_EQ(LogEntries(ReadLog(home_)).back(), "kv_Start System6");
}

// The first copy holds the log exclusively: the second writes nothing, not even System2, and
// still shows its window. The first copy's entries are whole afterwards.
TEST_F(AppTest, SecondCopyWritesNoLogEntryAndStillOpens) {
    ProgramRun first(home_, {"wait-window", "sleep 100000"});
    ASSERT_NE(first.WaitForLine("window-shown "), "");
    const std::string before = ReadLog(home_);
    EXPECT_EQ(LogEntries(before), (Entries{"kv_Start System1", "kv_Start System3"}));

    ProgramRun second(home_, {"wait-window", "pane 2", "answer 1", "close"});
    EXPECT_NE(second.WaitForLine("window-shown "), "");
    EXPECT_EQ(second.WaitForLine("pane 2"), "pane 2 ORVA-FG V4.9.01");
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_EQ(ReadLog(home_), before);
}

// Each run writes from the log's first byte without truncating it.
TEST_F(AppTest, LaterRunOverwritesFromTheStart) {
    {
        ProgramRun run(home_, {"wait-window", "answer 1", "close"});
        ASSERT_EQ(run.Wait(), 0);
    }
    const std::string longer = ReadLog(home_);
    {
        ProgramRun run(home_, {"wait-window", "answer 1", "key escape"});
        ASSERT_EQ(run.Wait(), 0);
    }
    const std::string now = ReadLog(home_);
    ASSERT_EQ(now.size(), longer.size());
    const std::size_t threeEntries = longer.size() / 4 * 3;  // every entry has the same length
    EXPECT_EQ(LogEntries(now.substr(0, threeEntries)),
              (Entries{"kv_Start System1", "kv_Start System3", "kv_Start System4"}));
    EXPECT_EQ(now.substr(threeEntries), longer.substr(threeEntries));
}

}  // namespace
