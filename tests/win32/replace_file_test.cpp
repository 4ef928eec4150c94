// The export's file: it replaces its target only when whole, and every failure is an error
// that names the file and the system's reason.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "temp_folder.h"
#include "win32_replace_file.h"

namespace fs = std::filesystem;
using orva::files::FileError;
using orva::files::ReplacingFile;

namespace {

class ReplacingFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = orva::testing::MakeTempFolder("orva-replace");
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Read(const fs::path& p) const {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::size_t Entries() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }

    fs::path dir_;
};

TEST_F(ReplacingFileTest, TheTargetChangesOnlyAtCommit) {
    const fs::path target = dir_ / "report.csv";
    std::ofstream(target) << "old";
    ReplacingFile file(target.string());
    file.Open();
    file.Write("new ", 4);
    file.Write("text", 4);
    EXPECT_EQ(Read(target), "old");
    EXPECT_EQ(Entries(), 2u);  // the target and the new file beside it
    file.Commit();
    EXPECT_EQ(Read(target), "new text");
    EXPECT_EQ(Entries(), 1u);
    // A new file gets the rights any new file of the user gets.
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(fs::status(target).permissions(), static_cast<fs::perms>(0666 & ~mask));
}

TEST_F(ReplacingFileTest, AnAbandonedFileLeavesNothingBehind) {
    const fs::path target = dir_ / "report.csv";
    std::ofstream(target) << "old";
    {
        ReplacingFile file(target.string());
        file.Open();
        file.Write("partial", 7);
    }
    EXPECT_EQ(Read(target), "old");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(ReplacingFileTest, FailuresNameTheFileAndTheReason) {
    const fs::path missing = dir_ / "no folder" / "report.csv";
    ReplacingFile file(missing.string());
    try {
        file.Open();
        FAIL() << "a file in a missing folder was opened";
    } catch (const FileError& e) {
        EXPECT_EQ(e.path(), missing.string());
        EXPECT_EQ(e.error(), ENOENT);
        EXPECT_EQ(std::string(e.what()),
                  "The file " + missing.string() + " could not be written: No such file or directory.");
    }
    // A write or a commit without an open file is an error too, not a silent nothing.
    EXPECT_THROW(file.Write("x", 1), FileError);
    EXPECT_THROW(file.Commit(), FileError);
    EXPECT_THROW(ReplacingFile("").Open(), FileError);
    // A folder in the target's place cannot be replaced.
    fs::create_directories(dir_ / "folder.csv");
    ReplacingFile onFolder((dir_ / "folder.csv").string());
    onFolder.Open();
    onFolder.Write("x", 1);
    EXPECT_THROW(onFolder.Commit(), FileError);
    EXPECT_TRUE(fs::is_directory(dir_ / "folder.csv"));
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(ReplacingFileTest, AWriteCutShortIsAnErrorAndTheTargetStays) {
    const fs::path target = dir_ / "report.csv";
    std::ofstream(target) << "old";
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &limit);
    ReplacingFile file(target.string());
    file.Open();
    const std::string block(600, 'y');
    file.Write(block.data(), block.size());
    int error = 0;
    try {
        file.Write(block.data(), block.size());  // 400 bytes fit, then the limit
    } catch (const FileError& e) {
        error = e.error();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(error, EFBIG);
    EXPECT_EQ(Read(target), "old");
    EXPECT_EQ(Entries(), 1u);
}

}  // namespace
