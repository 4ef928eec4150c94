// The careful write under the exports, on a real folder: what a replaced file's new copy may
// grant, and what a process killed halfway through a write leaves behind.
#include "saved_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "file_text.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr char kAccessList[] = "system.posix_acl_access";
constexpr char kDefaultAccessList[] = "system.posix_acl_default";

using export_test::ReadFile;
using export_test::WriteFile;

std::vector<fs::path> Entries(const fs::path& folder) {
    std::vector<fs::path> entries;
    for (const auto& entry : fs::directory_iterator(folder)) entries.push_back(entry.path());
    return entries;
}

class SavedFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = orva::testing::MakeTempFolder("orva-saved-file");
        ASSERT_FALSE(folder_.empty());
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    fs::path folder_;
};

// A default access list on folder giving `reader` (any user id; the folder's owner may name
// one without an account) every right to the files made in it, in the kernel's own form:
// a version, then tag, rights and id of each entry in the order of the tags. 0 or errno.
int GrantDefaultAccess(const fs::path& folder, std::uint32_t reader) {
    struct Entry {
        std::uint16_t tag;
        std::uint16_t rights;
        std::uint32_t id;
    };
    constexpr std::uint32_t kNoId = 0xFFFFFFFF;
    const struct {
        std::uint32_t version;
        Entry entries[5];
    } list{2, {{0x01, 7, kNoId}, {0x02, 7, reader}, {0x04, 0, kNoId}, {0x10, 7, kNoId}, {0x20, 0, kNoId}}};
    return setxattr(folder.c_str(), kDefaultAccessList, &list, sizeof list, 0) == 0 ? 0 : errno;
}

// Where the file system cannot make a file without a name, a killed write leaves its hidden one.
bool MakesFilesWithoutAName(const fs::path& folder) {
    const int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    return fd >= 0 && close(fd) == 0;
}

bool HasAccessList(const fs::path& path) {
    return getxattr(path.c_str(), kAccessList, nullptr, 0) >= 0;
}

// The folder's default list is copied to a new file made in it; the file it replaces had no
// list of its own, so nobody the old file kept out may read the new one.
TEST_F(SavedFileTest, AReplacedFileTakesNoAccessListFromItsFolder) {
    const fs::path file = folder_ / "f.csv";
    WriteFile(file, "the earlier report");
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    if (const int error = GrantDefaultAccess(folder_, 4321))
        GTEST_SKIP() << "the file system of " << folder_
                     << " takes no access lists: " << std::strerror(error);
    ASSERT_FALSE(HasAccessList(file));

    orva::files::SavedFile out(file.string());
    out.Open();
    out.Write("the new report", 14);
    out.Commit();
    EXPECT_EQ(ReadFile(file), "the new report");
    EXPECT_FALSE(HasAccessList(file)) << "user 4321 may read " << file;
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(folder_), std::vector<fs::path>{file});
}

// A write killed halfway (an out-of-memory kill, a power cut) leaves the earlier file as it was
// and no other name in the folder.
TEST_F(SavedFileTest, AWriteKilledHalfwayLeavesOnlyTheEarlierFile) {
    if (!MakesFilesWithoutAName(folder_))
        GTEST_SKIP() << "the file system of " << folder_ << " makes no file without a name";
    const fs::path file = folder_ / "run.csv";
    WriteFile(file, "the earlier report");
    int halfway[2];  // the child tells that it is in the middle of the write
    int hold[2];     // never written: the child waits on it until it is killed
    ASSERT_EQ(pipe(halfway), 0);
    ASSERT_EQ(pipe(hold), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(halfway[0]);
        close(hold[1]);
        char c = 'w';
        try {
            orva::files::SavedFile out(file.string());
            out.Open();
            const std::string rows(1 << 20, 'r');
            out.Write(rows.data(), rows.size());
            if (write(halfway[1], &c, 1) != 1) _exit(1);
            while (read(hold[0], &c, 1) < 0 && errno == EINTR) {
            }
        } catch (...) {
        }
        _exit(1);
    }
    close(halfway[1]);
    close(hold[0]);
    char c = 0;
    ssize_t n = 0;
    while ((n = read(halfway[0], &c, 1)) < 0 && errno == EINTR) {
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(halfway[0]);
    close(hold[1]);
    ASSERT_EQ(n, 1) << "the child ended before it was halfway";
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(Entries(folder_), std::vector<fs::path>{file});
    EXPECT_EQ(ReadFile(file), "the earlier report");
}

}  // namespace
