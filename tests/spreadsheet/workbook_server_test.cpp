// The program's own spreadsheet server: what it writes when shown or told to quit, read back
// from the .xlsx file, and the failures that must not pass as success or leave half a file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "ExcelClasses.h"
#include "fake_opener.h"
#include "xlsx_reader.h"

using namespace ole;
namespace fs = std::filesystem;
using xlsx_test::FakeOpener;
using xlsx_test::ReadWorkbook;

namespace {

// A server with one workbook and the cells of its first sheet.
struct Session {
    _Application app;
    Workbooks books;
    _Workbook book;
    Worksheets sheets;
    _Worksheet sheet;
    Range range;

    Session() {
        EXPECT_TRUE(app.CreateDispatch("Excel.Application"));
        app.SetVisible(0);
        books.AttachDispatch(app.GetWorkbooks());
        book.AttachDispatch(books.Add(MakeOmitted()));
        sheets.AttachDispatch(book.GetWorksheets());
        sheet.AttachDispatch(sheets.GetItem(MakeI4(1)));
        range.AttachDispatch(sheet.GetCells());
    }
    void Put(int row, int column, const std::string& text) {
        range.SetItem(MakeI4(row), MakeI4(column), MakeText(text));
    }
};

TEST(WorkbookServerTest, ShownWorkbookIsWrittenSortedAndOpened) {
    FakeOpener opener;
    {
        Session s;
        s.sheet.SetName("test");
        s.Put(5, 1, "Num");
        s.Put(5, 2, "Load");
        s.range.SetColumnWidth(MakeI4(10));
        s.Put(1, 2, "  leading blanks kept");
        s.Put(1, 1, "Report Name:");
        s.Put(6, 3, "   N");
        s.Put(6, 3, "kgf");  // the later write wins
        s.Put(2, 2, "报告 \xff end");
        s.Put(1048576, 16384, "last cell");
        EXPECT_TRUE(opener.Opened().empty());
        s.app.SetVisible(1);
        s.app.Quit();  // nothing changed since: no second file
    }
    const auto opened = opener.Opened();
    ASSERT_EQ(opened.size(), 1u);
    const auto files = opener.FilesInFolder();
    ASSERT_EQ(files.size(), 1u);  // no temporary left
    EXPECT_EQ(files[0].string(), opened[0]);
    EXPECT_EQ(files[0].extension(), ".xlsx");

    const auto book = ReadWorkbook(files[0]);
    ASSERT_TRUE(book.readable) << book.error;
    EXPECT_EQ(book.sheetNames, std::vector<std::string>{"test"});
    ASSERT_EQ(book.columns.size(), 1u);
    EXPECT_EQ(book.columns[0].min, 1);
    EXPECT_EQ(book.columns[0].max, 16384);
    EXPECT_NEAR(book.columns[0].width, 10.0, 0.72);  // the file holds the width with padding
    const std::map<std::string, std::string> expected = {{"A1", "Report Name:"},
                                                         {"B1", "  leading blanks kept"},
                                                         {"B2", "报告 \uFFFD end"},
                                                         {"A5", "Num"},
                                                         {"B5", "Load"},
                                                         {"C6", "kgf"},
                                                         {"XFD1048576", "last cell"}};
    EXPECT_EQ(book.cells, expected);
    EXPECT_EQ(book.rowOrder, (std::vector<int>{1, 2, 5, 6, 1048576}));
}

TEST(WorkbookServerTest, EveryExportIsANewFile) {
    FakeOpener opener;
    for (int i = 0; i < 3; ++i) {
        Session s;
        s.Put(1, 1, "run " + std::to_string(i));
        s.app.Quit();  // quit alone hands the workbook over as well
    }
    const auto opened = opener.Opened();
    ASSERT_EQ(opened.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const auto book = ReadWorkbook(opened[static_cast<std::size_t>(i)]);
        ASSERT_TRUE(book.readable) << book.error;
        EXPECT_EQ(book.cells.at("A1"), "run " + std::to_string(i));
    }
    EXPECT_EQ(opener.FilesInFolder().size(), 3u);
}

TEST(WorkbookServerTest, AWorkbookNeverShownIsNeverWritten) {
    FakeOpener opener;
    {
        Session s;
        s.Put(1, 1, "abandoned");
    }
    EXPECT_TRUE(opener.Opened().empty());
    EXPECT_TRUE(opener.FilesInFolder().empty());
}

TEST(WorkbookServerTest, BadCallsAreRefusedByTheServer) {
    FakeOpener opener;
    Session s;
    EXPECT_THROW(s.Put(0, 1, "x"), COleDispatchException);
    EXPECT_THROW(s.Put(1, 16385, "x"), COleDispatchException);
    EXPECT_THROW(s.sheet.SetName("a/b"), COleDispatchException);
    EXPECT_THROW(s.sheet.SetName(""), COleDispatchException);
    EXPECT_THROW(s.range.SetColumnWidth(MakeI4(256)), COleDispatchException);
    EXPECT_THROW(s.sheets.GetItem(MakeI4(2)), COleException);
    EXPECT_THROW(s.Put(1, 1, std::string(32768, 'x')), COleDispatchException);
    COleDispatchDriver& app = s.app;
    EXPECT_THROW(app.InvokeHelper(0x1234, DISPATCH_METHOD, VT_EMPTY, nullptr), COleException);

    // Indexes given as doubles: whole ones are taken, NaN and those beyond any index refused
    // with the server's error like any other index outside the sheet.
    const auto r8 = [](double d) {
        VARIANT v;
        v.vt = VT_R8;
        v.dblVal = d;
        return v;
    };
    EXPECT_NO_THROW(s.range.SetItem(r8(2.0), r8(3.0), MakeText("taken")));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const double bad : {nan, inf, -inf, 1e300, -1e300, 9.3e18, 9223372036854775808.0}) {
        EXPECT_THROW(s.range.SetItem(r8(bad), MakeI4(1), MakeText("x")), COleDispatchException) << bad;
        EXPECT_THROW(s.range.SetItem(MakeI4(1), r8(bad), MakeText("x")), COleDispatchException) << bad;
        try {
            s.sheets.GetItem(r8(bad));
            ADD_FAILURE() << bad;
        } catch (const COleException& e) {
            EXPECT_EQ(e.m_sc, DISP_E_BADINDEX) << bad;
        }
    }
    try {
        s.range.SetItem(r8(nan), r8(-1e300), MakeText("x"));
    } catch (const COleDispatchException& e) {
        EXPECT_STREQ(e.what(), "The cell (row nan, column -1.0000000000000001e+300) lies outside the sheet.");
    }
}

// A text taken by the server is written: one that outgrows the limit of a cell only as written
// (a literal "_x0041_" is written with its underscore escaped) is refused at once, like any
// other text over the limit, instead of stopping the whole workbook when it is shown.
TEST(WorkbookServerTest, TheLongestCellsAreWrittenOrRefusedAtOnce) {
    FakeOpener opener;
    Session s;
    const std::string escaped = "_x0041_" + std::string(32760, 'y');
    EXPECT_THROW(s.Put(1, 1, escaped), COleDispatchException);
    const std::string plain = std::string(32766, 'p') + "\x01";  // written as "_x0001_"
    const std::string shorter = "_x0041_" + std::string(32754, 's');
    s.Put(2, 1, plain);
    s.Put(3, 1, shorter);
    s.app.SetVisible(1);
    ASSERT_EQ(opener.Opened().size(), 1u);
    const auto book = ReadWorkbook(opener.Opened()[0]);
    ASSERT_TRUE(book.readable) << book.error;
    EXPECT_EQ(book.cells, (std::map<std::string, std::string>{{"A2", plain}, {"A3", shorter}}));
}

TEST(WorkbookServerTest, AnOpenerThatFailsIsReported) {
    FakeOpener opener;
    opener.SetExitStatus(3);
    Session s;
    s.Put(1, 1, "x");
    try {
        s.app.SetVisible(1);
        FAIL() << "no error";
    } catch (const COleDispatchException& e) {
        EXPECT_NE(std::string(e.what()).find("could not be opened"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(opener.Folder().string()), std::string::npos) << e.what();
    }
    // The file itself is complete and stays for the user to open.
    ASSERT_EQ(opener.FilesInFolder().size(), 1u);
    EXPECT_TRUE(ReadWorkbook(opener.FilesInFolder()[0]).readable);
}

TEST(WorkbookServerTest, AFolderThatCannotBeMadeIsReported) {
    FakeOpener opener;
    fs::create_directories(opener.DataHome());
    std::ofstream(opener.DataHome() / "ORVA-FG") << "a file where the folder belongs";
    Session s;
    s.Put(1, 1, "x");
    try {
        s.app.SetVisible(1);
        FAIL() << "no error";
    } catch (const COleDispatchException& e) {
        EXPECT_NE(std::string(e.what()).find("could not be made"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(opener.Opened().empty());
}

TEST(WorkbookServerTest, AFullDiskLeavesNothingBehind) {
    FakeOpener opener;
    Session s;
    // Texts that do not compress, so that the file outgrows the limit.
    std::uint64_t seed = 12345;
    for (int row = 1; row <= 20000; ++row) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        s.Put(row, 1, std::to_string(seed) + std::to_string(seed * 31));
    }
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 64 * 1024;
    signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool failed = false;
    try {
        s.app.SetVisible(1);
    } catch (const COleDispatchException& e) {
        failed = true;
        // The folder the user knows, the system's reason, one period.
        EXPECT_EQ(std::string(e.what()),
                  "The workbook could not be written in " + opener.Folder().string() + ": File too large.");
    }
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_TRUE(failed);
    EXPECT_TRUE(opener.Opened().empty());
    EXPECT_TRUE(opener.FilesInFolder().empty());
}

// Under the usual umask a new workbook is readable by others, as the other exports are; its
// folder stays the user's own.
TEST(WorkbookServerTest, ANewWorkbookTakesItsRightsFromTheUmask) {
    FakeOpener opener;
    const mode_t oldMask = umask(022);
    {
        Session s;
        s.Put(1, 1, "x");
        s.app.SetVisible(1);
    }
    umask(oldMask);
    const auto opened = opener.Opened();
    ASSERT_EQ(opened.size(), 1u);
    struct stat st {};
    ASSERT_EQ(stat(opened[0].c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    ASSERT_EQ(stat(opener.Folder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
}

// Where the file system cannot make a file without a name, a killed write leaves its hidden one.
bool MakesFilesWithoutAName(const fs::path& folder) {
    const int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    return fd >= 0 && close(fd) == 0;
}

// In the child below: the write that reaches the file-size limit, in the middle of the workbook,
// tells the test so and waits there to be killed.
int g_atTheLimit = -1;
void TellAndWait(int) {
    const char c = 'w';
    if (write(g_atTheLimit, &c, 1) == 1) {
    }
    for (;;) pause();
}

// An export killed while it writes (an out-of-memory kill, a power cut) adds no name to the
// folder, and an earlier workbook there stays as it was.
TEST(WorkbookServerTest, AnExportKilledWhileWritingLeavesNoNewName) {
    FakeOpener opener;
    fs::create_directories(opener.Folder());
    if (!MakesFilesWithoutAName(opener.Folder()))
        GTEST_SKIP() << "the file system of " << opener.Folder() << " makes no file without a name";
    const fs::path earlier = opener.Folder() / "Workbook earlier.xlsx";
    std::ofstream(earlier, std::ios::binary) << "an earlier workbook";
    Session s;
    // Rows far past the limit below.
    for (int row = 1; row <= 5000; ++row) s.Put(row, 1, std::to_string(row * 7919));
    int atTheLimit[2];
    ASSERT_EQ(pipe(atTheLimit), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(atTheLimit[0]);
        g_atTheLimit = atTheLimit[1];
        signal(SIGXFSZ, TellAndWait);
        struct rlimit limit {};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 64 * 1024;
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            s.app.SetVisible(1);
        } catch (...) {
        }
        _exit(0);
    }
    close(atTheLimit[1]);
    char c = 0;
    ssize_t n = 0;
    while ((n = read(atTheLimit[0], &c, 1)) < 0 && errno == EINTR) {
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(atTheLimit[0]);
    ASSERT_EQ(n, 1) << "the export ended without reaching the limit";
    EXPECT_EQ(opener.FilesInFolder(), std::vector<fs::path>{earlier});
    std::ifstream in(earlier, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
              "an earlier workbook");
    EXPECT_TRUE(opener.Opened().empty());
}

}  // namespace
