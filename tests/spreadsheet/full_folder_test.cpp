// Workbooks on a full disk: one that cannot be written whole is never handed over, its error
// names the folder and the system's reason, and nothing is left behind, on disk or held open. A
// full temporary folder is made for real with a tiny tmpfs over /tmp in a namespace of its own
// (where the system allows one); the check that catches what libxlsxwriter misses is also shown on workbooks
// damaged by hand, which needs neither.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "ExcelClasses.h"
#include "fake_opener.h"
#include "temp_folder.h"
#include "workbook_check.h"
#include "xlsx_reader.h"

using namespace ole;
namespace fs = std::filesystem;
using xlsx_test::FakeOpener;
using xlsx_test::ReadWorkbook;

extern char** environ;

namespace {

constexpr int kRows = 2000;
constexpr const char* kInside = "ORVA_TEST_INSIDE_TINY_TMPFS";  // set for the run in the namespace
// A folder on a real disk and the tests' opener, reached through descriptors opened before the
// mount (wherever they lie, /tmp included): /proc/self/fd/<n> paths.
constexpr const char* kScratch = "ORVA_TEST_SCRATCH";
constexpr const char* kOpener = "ORVA_TEST_OPENER";
constexpr int kScratchFd = 100;
constexpr int kOpenerFd = 101;
constexpr int kSelfFd = 102;

// A workbook of kRows rows of five cells, shown: written, checked and opened, or an error.
std::string ExportRows() {
    _Application app;
    EXPECT_TRUE(app.CreateDispatch("Excel.Application"));
    Workbooks books(app.GetWorkbooks());
    _Workbook book(books.Add(MakeOmitted()));
    Worksheets sheets(book.GetWorksheets());
    _Worksheet sheet(sheets.GetItem(MakeI4(1)));
    sheet.SetName("test");
    Range range(sheet.GetCells());
    for (int row = 1; row <= kRows; ++row)
        for (int column = 1; column <= 5; ++column)
            range.SetItem(MakeI4(row), MakeI4(column), MakeText(std::to_string(row * 7919 + column)));
    try {
        app.SetVisible(1);
    } catch (const COleDispatchException& e) {
        return e.what();
    }
    return {};
}

// Fills the folder's file system, which must be a tiny tmpfs: never a real disk.
bool FillTinyFolder(const fs::path& folder) {
    struct statfs st {};
    if (statfs(folder.c_str(), &st) != 0 || st.f_type != TMPFS_MAGIC ||
        static_cast<std::uint64_t>(st.f_blocks) * st.f_bsize > (1u << 20))
        return false;
    std::ofstream fill(folder / "filler", std::ios::binary);
    const std::string block(4096, 'f');
    for (int i = 0; i < 256 && fill.write(block.data(), block.size()); ++i) {
    }
    fill.close();
    return statfs(folder.c_str(), &st) == 0 && st.f_bavail == 0;
}

// The files of the folder's file system that this process holds open although they are deleted.
std::vector<std::string> DeletedFilesHeldOn(const fs::path& folder) {
    struct stat where {};
    if (stat(folder.c_str(), &where) != 0) return {"(no " + folder.string() + ")"};
    std::vector<std::string> held;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        struct stat st {};
        if (stat(entry.path().c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 0 &&
            st.st_dev == where.st_dev)
            held.push_back(fs::read_symlink(entry.path()).string());
    }
    return held;
}

// Run by the test below, inside the namespace, with /tmp a full tmpfs of 256 KiB.
TEST(InsideTinyTemporaryFolder, WorkbooksAreWholeOrNotAtAll) {
    if (!getenv(kInside)) GTEST_SKIP() << "run by FullFolderTest in a namespace of its own";
    const fs::path tmp = "/tmp";
    fs::create_directories(tmp / "user");
    const std::string opener = getenv(kOpener) ? getenv(kOpener) : "";
    FakeOpener onFullDisk(tmp / "user", opener);  // made while there is room
    ASSERT_TRUE(FillTinyFolder(tmp)) << "/tmp is not the tiny tmpfs: nothing is written";

    // Its own folder full: one error with the system's reason, nothing left, nothing opened,
    // and no file held open: a user who frees space can export again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::string error = ExportRows();
        EXPECT_EQ(error, "The workbook could not be written in " + onFullDisk.Folder().string() +
                             ": No space left on device.");
    }
    EXPECT_TRUE(onFullDisk.Opened().empty());
    EXPECT_TRUE(onFullDisk.FilesInFolder().empty());
    EXPECT_EQ(DeletedFilesHeldOn(tmp), std::vector<std::string>{});

    // The system's temporary folder full, the workbook's own folder on a real disk: the
    // workbook does not depend on the temporary folder and is whole.
    ASSERT_NE(getenv(kScratch), nullptr);
    FakeOpener onRealDisk(getenv(kScratch), opener);
    EXPECT_EQ(ExportRows(), "");
    ASSERT_EQ(onRealDisk.Opened().size(), 1u);
    const auto book = ReadWorkbook(onRealDisk.Opened()[0]);
    ASSERT_TRUE(book.readable) << book.error;
    EXPECT_EQ(book.cells.size(), 5u * kRows);
    EXPECT_EQ(book.cells.at("E2000"), std::to_string(2000 * 7919 + 5));
}

// Wherever the test program, the build and $TMPDIR lie (under /tmp too): the program, the
// scratch folder and the opener are opened before /tmp is covered.
TEST(FullFolderTest, AFullTemporaryFolderInANamespaceOfItsOwn) {
    const std::string scratch = orva::testing::MakeTempFolder("orva-full-folder");
    ASSERT_FALSE(scratch.empty());
    const int scratchFd = open(scratch.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int openerFd = open(FakeOpener::Program().c_str(), O_PATH | O_CLOEXEC);
    const int selfFd = open("/proc/self/exe", O_PATH | O_CLOEXEC);
    ASSERT_GE(scratchFd, 0);
    ASSERT_GE(openerFd, 0) << FakeOpener::Program();
    ASSERT_GE(selfFd, 0);

    std::string helper = ORVA_TINY_TMPFS_RUN;
    std::string self = "/proc/self/fd/" + std::to_string(kSelfFd), size = "256", folder = "/tmp";
    std::string filter = "--gtest_filter=InsideTinyTemporaryFolder.*";
    char* argv[] = {helper.data(), size.data(), folder.data(), self.data(), filter.data(), nullptr};
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("TMPDIR=", 0) != 0) env.emplace_back(*e);
    env.push_back(std::string(kInside) + "=1");
    env.push_back(std::string(kScratch) + "=/proc/self/fd/" + std::to_string(kScratchFd));
    env.push_back(std::string(kOpener) + "=/proc/self/fd/" + std::to_string(kOpenerFd));
    env.push_back("TMPDIR=/tmp");  // where libxlsxwriter would put its files by itself
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, scratchFd, kScratchFd);
    posix_spawn_file_actions_adddup2(&actions, openerFd, kOpenerFd);
    posix_spawn_file_actions_adddup2(&actions, selfFd, kSelfFd);
    pid_t pid = 0;
    const int started = posix_spawn(&pid, helper.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(scratchFd);
    close(openerFd);
    close(selfFd);
    int status = 0;
    const bool ended = started == 0 && waitpid(pid, &status, 0) == pid;
    std::error_code ec;
    fs::remove_all(scratch, ec);
    ASSERT_TRUE(ended) << helper << ": " << std::strerror(started);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "this system allows no mount namespace with a tmpfs";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the run in the namespace failed (its output is above)";
}

// Replaces one part of a package (or drops it, for nullptr) in a copy.
fs::path Doctored(const fs::path& good, const fs::path& copy, const char* part, const std::string* text) {
    fs::copy_file(good, copy, fs::copy_options::overwrite_existing);
    int code = 0;
    zip_t* archive = zip_open(copy.c_str(), 0, &code);
    EXPECT_NE(archive, nullptr);
    const zip_int64_t index = zip_name_locate(archive, part, 0);
    EXPECT_GE(index, 0) << part;
    if (!text) {
        zip_delete(archive, static_cast<zip_uint64_t>(index));
    } else {
        zip_source_t* source = zip_source_buffer(archive, text->data(), text->size(), 0);
        zip_file_replace(archive, static_cast<zip_uint64_t>(index), source, 0);
    }
    EXPECT_EQ(zip_close(archive), 0);
    return copy;
}

std::string Part(const fs::path& file, const char* name) {
    int code = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_RDONLY, &code);
    zip_stat_t st;
    zip_stat(archive, name, 0, &st);
    std::string text(st.size, '\0');
    zip_file_t* entry = zip_fopen(archive, name, 0);
    zip_fread(entry, text.data(), st.size);
    zip_fclose(entry);
    zip_discard(archive);
    return text;
}

// The broken workbooks libxlsxwriter hands over as written when its temporary files cannot be
// written: empty parts, a missing part, a sheet cut short between two rows.
TEST(FullFolderTest, TheCheckFindsEveryBrokenWorkbook) {
    FakeOpener opener;
    ASSERT_EQ(ExportRows(), "");
    ASSERT_EQ(opener.Opened().size(), 1u);
    const fs::path good = opener.Opened()[0];
    const std::vector<orva::sheet::SheetTally> tally = {{kRows, 5u * kRows}};
    EXPECT_EQ(orva::sheet::WorkbookProblem(good, tally), "");
    EXPECT_NE(orva::sheet::WorkbookProblem(good, {{kRows, 5u * kRows + 1}}), "");

    const fs::path copy = opener.Folder() / "copy.xlsx";
    const std::string empty;
    EXPECT_EQ(orva::sheet::WorkbookProblem(Doctored(good, copy, "[Content_Types].xml", &empty), tally),
              "the part [Content_Types].xml is empty");
    EXPECT_EQ(
        orva::sheet::WorkbookProblem(Doctored(good, copy, "xl/_rels/workbook.xml.rels", nullptr), tally),
        "the part xl/_rels/workbook.xml.rels is missing");
    const std::string rels = Part(good, "_rels/.rels");
    const std::string cutRels = rels.substr(0, rels.size() / 2);
    EXPECT_EQ(orva::sheet::WorkbookProblem(Doctored(good, copy, "_rels/.rels", &cutRels), tally),
              "the part _rels/.rels is cut short or damaged");

    // 262 of the rows, and the sheet closed as if it were whole.
    const std::string sheet = Part(good, "xl/worksheets/sheet1.xml");
    const std::size_t cut = sheet.find("<row r=\"263\"");
    const std::size_t close = sheet.find("</sheetData>");
    ASSERT_NE(cut, std::string::npos);
    const std::string shortSheet = sheet.substr(0, cut) + sheet.substr(close);
    EXPECT_EQ(
        orva::sheet::WorkbookProblem(Doctored(good, copy, "xl/worksheets/sheet1.xml", &shortSheet), tally),
        "the part xl/worksheets/sheet1.xml holds 262 of 2000 rows and 1310 of 10000 cells");
    const std::string openSheet = sheet.substr(0, cut);
    EXPECT_EQ(
        orva::sheet::WorkbookProblem(Doctored(good, copy, "xl/worksheets/sheet1.xml", &openSheet), tally),
        "the part xl/worksheets/sheet1.xml is cut short");

    // Whole sheets with the right counts that are not XML: a NUL inside a text, one byte of a
    // tag changed.
    const auto damaged = [&](const std::string& from, const std::string& to) {
        std::string text = sheet;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        return orva::sheet::WorkbookProblem(Doctored(good, copy, "xl/worksheets/sheet1.xml", &text), tally);
    };
    const std::string prefix = "the part xl/worksheets/sheet1.xml is damaged: ";
    EXPECT_EQ(damaged("<t>", std::string("<t>\0", 4)), prefix + "a character XML does not allow");
    EXPECT_EQ(damaged("</row>", "</rox>"), prefix + "an end tag for another element");
    EXPECT_EQ(damaged("<c r=", "<c t="), prefix + "an attribute given twice");
}

}  // namespace
