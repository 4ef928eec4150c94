// Export Data to a CSV file through the real window: the file byte for byte against one laid out
// by hand, read back by a CSV library, the save dialog's answers, and files that cannot be made
// or written, which must never cost the user an earlier file.
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "AcquisitionSettings.h"
#include "ExportText.h"
#include "ResultSummary.h"
#include "SampleStore.h"
#include "csv_rows.h"
#include "file_text.h"
#include "stored_test.h"
#include "temp_folder.h"
#include "window_fixture.h"

namespace fs = std::filesystem;

namespace {

using afx::testing::AnswerNextFileDialog;
using afx::testing::Click;
using ui_test::kStoredHeader;
using ui_test::Printf;
using ui_test::StoreTest;
using ui_test::WindowTest;

constexpr int kExportData = 1080;
constexpr int kFileType = 1187;
constexpr const char* kOk = "Export Data OK!";

using export_test::ReadFile;
using export_test::WriteFile;

bool ShownBox(const std::string& text) {
    for (const auto& box : ui_test::Boxes())
        if (box.text == text) return true;
    return false;
}

class CsvExportTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        dir_ = root_ / "exports";
        fs::create_directories(dir_);
    }

    // The file type list set to "csv" as a user sets it.
    static void ChooseCsv(CKvDlg& dlg) {
        ASSERT_TRUE(afx::testing::SelectComboEntry(dlg.m_page1, kFileType, 1));
        ASSERT_EQ(g_nExportFileType, 1);
    }

    // Export Data answered with `path`; true when the button could be clicked.
    static bool Export(CKvDlg& dlg, const fs::path& path) {
        AnswerNextFileDialog(path.string());
        return Click(dlg, kExportData);
    }

    fs::path dir_;
};

// The rows of a real-time file by hand: number, load "%.4f", unit, time "%.3f", " s", empty.
std::string Row(int i, double load, const std::string& unit, double time) {
    return std::to_string(i) + "," + Printf("%.4f", load) + "," + unit + "," + Printf("%.3f", time) +
           ", s,\r\n";
}

// The whole file of a test of one reading, 2 N.
std::string OneReadingReport() {
    return kStoredHeader + "Avg: 2.0000   N\r\nPeak: 2.0000   N\r\n" + Row(1, 2.0, " N", 0.1);
}

TEST_F(CsvExportTest, RealTimeFileByteForByteAndReadBack) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {0.5f, -1.25f, 3.0f, 12.3456f});
        ChooseCsv(dlg);
        const fs::path file = dir_ / "run.csv";
        ASSERT_TRUE(Export(dlg, file));
        const std::string expected =
            kStoredHeader + "Avg: " + Printf("%.4f", (0.5 - 1.25 + 3.0 + 12.3456f) / 4.0f) + "   N\r\n" +
            "Peak: 12.3456   N\r\n" + Row(1, 0.5, " N", 0.1) + Row(2, -1.25, " N", 0.2) +
            Row(3, 3.0, " N", 0.3) + Row(4, 12.3456f, " N", 0.4);
        EXPECT_EQ(ReadFile(file), expected);
        EXPECT_NE(ReadFile(file).find("\r\n1,0.5000, N,0.100, s,\r\n"), std::string::npos);

        const auto box = ui_test::LastBox();
        EXPECT_EQ(box.text, kOk);
        EXPECT_EQ(box.buttons, static_cast<UINT>(MB_OK));
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONEXCLAMATION));

        // Read back: every row gives the stored number, load and time.
        const auto rows = testcsv::ReadCsv(ReadFile(file));
        ASSERT_EQ(rows.size(), 4u + 2u + 3u);  // three header lines (the empty one is skipped)
        EXPECT_EQ(rows[3], (std::vector<std::string>{"Avg: " + Printf("%.4f", g_fAverage.load()) + "   N"}));
        for (int i = 1; i <= 4; ++i) {
            const auto& row = rows[static_cast<std::size_t>(4 + i)];
            ASSERT_EQ(row.size(), 6u) << i;
            EXPECT_EQ(std::atoi(row[0].c_str()), i);
            EXPECT_EQ(static_cast<float>(std::atof(row[1].c_str())), g_fLoad[i]);
            EXPECT_EQ(row[2], "N");
            EXPECT_EQ(static_cast<float>(std::atof(row[3].c_str())), g_fTime[i]);
            EXPECT_EQ(row[4], "s");
            EXPECT_EQ(row[5], "");
        }

        // A second export of the same test writes the same file. Whatever the text held (an
        // upload report kept across a mode switch) goes in front, and the export empties it.
        g_strExportText = "kept text\r\n";
        ASSERT_TRUE(Export(dlg, dir_ / "again.csv"));
        EXPECT_EQ(ReadFile(dir_ / "again.csv"), "kept text\r\n" + expected);
        EXPECT_EQ(g_strExportText, "");
        ASSERT_TRUE(Export(dlg, dir_ / "third.csv"));
        EXPECT_EQ(ReadFile(dir_ / "third.csv"), expected);
    });
}

// Several MiB, many times the writer's buffer: a byte lost or doubled at a flush shows here.
TEST_F(CsvExportTest, AReportOfSeveralMegabytesIsWrittenByteForByte) {
    RunDialog([&](CKvDlg& dlg) {
        std::vector<float> loads(200000);
        for (std::size_t i = 0; i < loads.size(); ++i)
            loads[i] = static_cast<float>(i % 997) * 0.0625f - 30.0f;
        StoreTest(dlg, " kgf", loads);
        ChooseCsv(dlg);
        const fs::path file = dir_ / "big.csv";
        ASSERT_TRUE(Export(dlg, file));
        std::string expected = kStoredHeader + "Avg: " + Printf("%.4f", g_fAverage.load()) + "   kgf\r\n" +
                               "Peak: " + Printf("%.4f", g_fPeak.load()) + "   kgf\r\n";
        for (std::size_t i = 1; i <= loads.size(); ++i)
            expected += Row(static_cast<int>(i), loads[i - 1], " kgf", g_fTime[i]);
        ASSERT_GT(expected.size(), 4u << 20);
        const std::string written = ReadFile(file);
        ASSERT_EQ(written.size(), expected.size());
        EXPECT_TRUE(written == expected);  // not printed: megabytes
    });
}

TEST_F(CsvExportTest, ConvertedTestTakesTheConvertedValuesAndUnit) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {0.5f, 9.807f});
        ASSERT_TRUE(Click(dlg.m_page1, 1186));  // Load: converts to kgf
        ASSERT_EQ(dlg.m_page1.m_cbUnit.GetWindowText(), "kgf");
        ChooseCsv(dlg);
        ASSERT_TRUE(Export(dlg, dir_ / "kgf.csv"));
        const std::string expected = kStoredHeader + "Avg: " + Printf("%.4f", g_fAverageConv) + "  kgf\r\n" +
                                     "Peak: " + Printf("%.4f", g_fPeakConv) + "  kgf\r\n" +
                                     Row(1, g_fLoadConv[1], "kgf", 0.1) + Row(2, g_fLoadConv[2], "kgf", 0.2);
        EXPECT_EQ(ReadFile(dir_ / "kgf.csv"), expected);
        EXPECT_EQ(Row(2, g_fLoadConv[2], "kgf", 0.2), "2,1.0000,kgf,0.200, s,\r\n");
    });
}

TEST_F(CsvExportTest, NoTestYetWritesTheEmptyReport) {
    RunDialog([&](CKvDlg& dlg) {
        // A first click before any test: the buttons are enabled by a connection, here by hand.
        g_nSampleIndex = 0;
        g_strReportHeader.clear();
        g_strUnit.clear();
        g_bUnitConverted = 0;
        g_fPeak = 0;
        g_fAverage = 0;
        dlg.GetDlgItem(kExportData)->EnableWindow(TRUE);
        ChooseCsv(dlg);
        ASSERT_TRUE(Export(dlg, dir_ / "empty.csv"));
        EXPECT_EQ(ReadFile(dir_ / "empty.csv"), "Avg: 0.0000  \r\nPeak: 0.0000  \r\n");
    });
}

TEST_F(CsvExportTest, UploadFileIsTheKeptTextAndALineEnd) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {1.0f});
        ASSERT_TRUE(Click(dlg.m_page1, 1043));  // upload mode
        const std::string upload = "Report Name: up\r\n\r\n1,12.5,N,14:7,1.2746,kgf,push,1,\r\n";
        g_strExportText = upload;
        ChooseCsv(dlg);
        ASSERT_TRUE(Export(dlg, dir_ / "up1.csv"));
        EXPECT_EQ(ReadFile(dir_ / "up1.csv"), upload + "\r\n");
        EXPECT_TRUE(ShownBox(kOk));
        ASSERT_TRUE(Export(dlg, dir_ / "up2.csv"));
        EXPECT_EQ(ReadFile(dir_ / "up2.csv"), upload + "\r\n\r\n");
        EXPECT_EQ(g_strExportText, upload + "\r\n\r\n");
    });
}

TEST_F(CsvExportTest, CancelWritesAndShowsNothing) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {1.0f});
        ChooseCsv(dlg);
        // Cancel: an empty answer, and no answer at all.
        ASSERT_TRUE(Export(dlg, ""));
        ASSERT_TRUE(Click(dlg, kExportData));
        EXPECT_TRUE(ui_test::Boxes().empty());
        EXPECT_TRUE(fs::is_empty(dir_));
    });
}

TEST_F(CsvExportTest, AnExistingFileIsConfirmedAndReplaced) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {2.0f});
        ChooseCsv(dlg);
        const fs::path file = dir_ / "old.csv";
        const std::string old(10000, 'x');
        WriteFile(file, old);
        // "No" at the question returns to the dialog, which is then cancelled: the file stays.
        afx::testing::AnswerNextMessageBox(IDNO);
        ASSERT_TRUE(Export(dlg, file));
        EXPECT_EQ(ReadFile(file), old);
        EXPECT_FALSE(ShownBox(kOk));
        ASSERT_EQ(ui_test::Boxes().size(), 1u);
        EXPECT_EQ(ui_test::Boxes()[0].caption, "Save As");
        EXPECT_EQ(ui_test::Boxes()[0].text, "old.csv already exists.\nDo you want to replace it?");
        EXPECT_EQ(ui_test::Boxes()[0].buttons, static_cast<UINT>(MB_YESNO));
        // The save dialog offers CSV files only, adds ".csv" to a bare name and asks before it
        // replaces a file.
        const auto dialogs = afx::testing::ShownFileDialogs();
        ASSERT_EQ(dialogs.size(), 1u);
        EXPECT_TRUE(dialogs[0].save);
        EXPECT_EQ(dialogs[0].filters, (std::vector<std::string>{"csv Files (*.csv)"}));
        EXPECT_EQ(dialogs[0].defaultSuffix, "csv");
        EXPECT_TRUE(dialogs[0].confirmsOverwrite);

        afx::testing::ClearShownBoxes();
        afx::testing::AnswerNextMessageBox(IDYES);
        ASSERT_TRUE(Export(dlg, file));
        EXPECT_EQ(ReadFile(file), OneReadingReport());
        EXPECT_TRUE(ShownBox(kOk));
        // Nothing but the file itself is left in the folder.
        EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
    });
}

TEST_F(CsvExportTest, MissingFolderGivesAnErrorBoxAndNoOk) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {2.0f});
        ChooseCsv(dlg);
        const fs::path file = dir_ / "no such folder" / "run.csv";
        ASSERT_TRUE(Export(dlg, file));
        const auto boxes = ui_test::Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].text.find(file.string()), std::string::npos) << boxes[0].text;
        EXPECT_NE(boxes[0].text.find("No such file or directory"), std::string::npos) << boxes[0].text;
        EXPECT_FALSE(ShownBox(kOk));
        // The text keeps nothing of the failed report: the next export is whole.
        EXPECT_TRUE(g_strExportText.empty());
        ASSERT_TRUE(Export(dlg, dir_ / "next.csv"));
        EXPECT_EQ(ReadFile(dir_ / "next.csv").rfind(kStoredHeader, 0), 0u);
    });
}

// The file-size limit makes a write fail partway, as a full disk does.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_{};
    sighandler_t oldHandler_;
};

TEST_F(CsvExportTest, AWriteFailingMidwayLeavesTheEarlierFileIntact) {
    RunDialog([&](CKvDlg& dlg) {
        // About 25 bytes a row: 20000 rows are far past the limit.
        StoreTest(dlg, " N", std::vector<float>(20000, 1.5f));
        ChooseCsv(dlg);
        const fs::path file = dir_ / "kept.csv";
        WriteFile(file, "the earlier report\r\n");
        afx::testing::AnswerNextMessageBox(IDYES);
        {
            FileSizeLimit limit(64 * 1024);
            ASSERT_TRUE(Export(dlg, file));
        }
        const auto boxes = ui_test::Boxes();
        ASSERT_EQ(boxes.size(), 2u);  // the overwrite question, then the error
        EXPECT_NE(boxes[1].text.find(file.string()), std::string::npos) << boxes[1].text;
        EXPECT_NE(boxes[1].text.find("File too large"), std::string::npos) << boxes[1].text;
        EXPECT_FALSE(ShownBox(kOk));
        EXPECT_EQ(ReadFile(file), "the earlier report\r\n");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
        EXPECT_TRUE(g_strExportText.empty());
    });
}

}  // namespace

namespace {

// What the save dialog's question and the error box showed, and the OK box.
std::vector<std::string> BoxTexts() {
    std::vector<std::string> texts;
    for (const auto& box : ui_test::Boxes()) texts.push_back(box.text);
    return texts;
}

// A test as a user would run the program: root writes any file, so these tests drop to an
// ordinary user (and back) for the export itself. Groups are left out so that only the
// owner's and the others' rights count.
class OrdinaryUser {
public:
    static constexpr uid_t kUid = 65534;
    static constexpr gid_t kGid = 65534;
    OrdinaryUser() {
        if (geteuid() != 0) return;
        const int n = getgroups(0, nullptr);
        groups_.resize(static_cast<std::size_t>(std::max(n, 0)));
        if (n > 0) getgroups(n, groups_.data());
        switched_ =
            setgroups(0, nullptr) == 0 && setresgid(kGid, kGid, 0) == 0 && setresuid(kUid, kUid, 0) == 0;
    }
    ~OrdinaryUser() {
        if (!switched_) return;
        if (setresuid(0, 0, 0) != 0 || setresgid(0, 0, 0) != 0 ||
            setgroups(groups_.size(), groups_.data()) != 0)
            std::abort();  // the rest of the suite must not run as another user
    }
    bool Active() const { return switched_ || geteuid() != 0; }

private:
    std::vector<gid_t> groups_;
    bool switched_ = false;
};

// A folder the ordinary user can reach; the test makes what it needs inside and hands it over.
fs::path ReachableFolder() {
    const std::string folder = orva::testing::MakeTempFolder("orva-csv-user");
    if (folder.empty()) return {};
    chmod(folder.c_str(), 0711);
    return folder;
}

void HandOver(const fs::path& path, mode_t mode) {
    if (geteuid() == 0 && chown(path.c_str(), OrdinaryUser::kUid, OrdinaryUser::kGid) != 0) FAIL() << path;
    chmod(path.c_str(), mode);
}

// The chosen file is written as a file write would write it: through a link to its target, with
// the file's own rights, under any name the folder takes, for every name the file has; a FIFO
// is refused at once.
TEST_F(CsvExportTest, TheChosenFileIsWrittenNotReplaced) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {2.0f});
        ChooseCsv(dlg);
        const std::string report = OneReadingReport();

        fs::create_directories(dir_ / "reports");
        const fs::path target = dir_ / "reports" / "target.csv";
        WriteFile(target, "old");
        fs::create_symlink("reports/target.csv", dir_ / "link.csv");
        afx::testing::AnswerNextMessageBox(IDYES);
        ASSERT_TRUE(Export(dlg, dir_ / "link.csv"));
        EXPECT_TRUE(fs::is_symlink(dir_ / "link.csv"));
        EXPECT_EQ(ReadFile(target), report);

        const fs::path secret = dir_ / "secret.csv";
        WriteFile(secret, "old");
        fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);
        afx::testing::AnswerNextMessageBox(IDYES);
        ASSERT_TRUE(Export(dlg, secret));
        EXPECT_EQ(ReadFile(secret), report);
        EXPECT_EQ(fs::status(secret).permissions(), fs::perms::owner_read | fs::perms::owner_write);

        // The longest names are written new and then replaced: a new file beside one of these
        // must take a short name of its own.
        const long nameMax = pathconf(dir_.c_str(), _PC_NAME_MAX);
        for (const long length : {250L, nameMax}) {
            const fs::path longName =
                dir_ / (std::string(static_cast<std::size_t>(length) - 4, 'n') + ".csv");
            ASSERT_TRUE(Export(dlg, longName));
            WriteFile(longName, "old");
            afx::testing::AnswerNextMessageBox(IDYES);
            ASSERT_TRUE(Export(dlg, longName));
            EXPECT_EQ(ReadFile(longName), report) << length;
        }

        // A file with a second name: both names show the new report.
        const fs::path linked = dir_ / "linked.csv";
        WriteFile(linked, "old");
        fs::create_hard_link(linked, dir_ / "second name.csv");
        afx::testing::AnswerNextMessageBox(IDYES);
        ASSERT_TRUE(Export(dlg, linked));
        EXPECT_EQ(ReadFile(linked), report);
        EXPECT_EQ(ReadFile(dir_ / "second name.csv"), report);
        EXPECT_EQ(fs::hard_link_count(linked), 2u);

        const auto shown = BoxTexts();
        EXPECT_EQ(std::count(shown.begin(), shown.end(), kOk), 7) << ::testing::PrintToString(shown);

        afx::testing::ClearShownBoxes();
        const fs::path fifo = dir_ / "pipe.csv";
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        afx::testing::AnswerNextMessageBox(IDYES);
        ASSERT_TRUE(Export(dlg, fifo));  // would block on a FIFO opened for writing
        EXPECT_TRUE(fs::is_fifo(fifo));
        const auto texts = BoxTexts();
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[1], "The file " + fifo.string() + " could not be written: It is not a regular file.");
    });
}

// A file the user may not write is refused and left alone; one in a folder that takes no new
// file is written in place.
TEST_F(CsvExportTest, RightsAreTheUsersOwn) {
    const fs::path folder = ReachableFolder();
    ASSERT_FALSE(folder.empty());
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {2.0f});
        ChooseCsv(dlg);
        const std::string report = OneReadingReport();
        const fs::path locked = folder / "locked";
        fs::create_directories(locked);
        WriteFile(locked / "readonly.csv", "earlier report");
        WriteFile(locked / "mine.csv", "earlier report");
        HandOver(locked / "readonly.csv", 0444);
        HandOver(locked / "mine.csv", 0644);
        HandOver(locked, 0555);

        std::vector<std::string> texts;
        {
            OrdinaryUser user;
            if (!user.Active() || access(locked.c_str(), X_OK) != 0) {
                texts.push_back("skip");
            } else {
                afx::testing::AnswerNextMessageBox(IDYES);
                EXPECT_TRUE(Export(dlg, locked / "readonly.csv"));
                afx::testing::AnswerNextMessageBox(IDYES);
                EXPECT_TRUE(Export(dlg, locked / "mine.csv"));
                texts = BoxTexts();
            }
        }
        if (texts == std::vector<std::string>{"skip"})
            GTEST_SKIP() << "no ordinary user can reach " << folder;
        EXPECT_EQ(ReadFile(locked / "readonly.csv"), "earlier report");
        EXPECT_EQ(ReadFile(locked / "mine.csv"), report);
        EXPECT_EQ(fs::status(locked / "readonly.csv").permissions(), static_cast<fs::perms>(0444));
        EXPECT_EQ(std::distance(fs::directory_iterator(locked), fs::directory_iterator()), 2);
        ASSERT_EQ(texts.size(), 4u);  // a question and an answer for each
        EXPECT_EQ(texts[1], "The file " + (locked / "readonly.csv").string() +
                                " could not be written: Permission denied.");
        EXPECT_EQ(texts[3], kOk);
    });
    std::error_code ec;
    fs::permissions(folder / "locked", fs::perms::owner_all, ec);
    fs::remove_all(folder, ec);
}

struct Owner {
    mode_t mode;
    uid_t uid;
    gid_t gid;
    bool operator==(const Owner&) const = default;
};

Owner OwnerOf(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return {static_cast<mode_t>(st.st_mode & 07777), st.st_uid, st.st_gid};
}

void PrintTo(const Owner& o, std::ostream* out) {
    *out << std::oct << o.mode << std::dec << " " << o.uid << ":" << o.gid;
}

// A replaced file keeps its mode, owner and group exactly: as root, a read-only file and one of
// another user; as an ordinary user writing a file of root's through its group.
TEST_F(CsvExportTest, AReplacedFileKeepsItsModeOwnerAndGroup) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give files to other users";
    const fs::path folder = ReachableFolder();
    ASSERT_FALSE(folder.empty());
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {2.0f});
        ChooseCsv(dlg);
        const std::string report = OneReadingReport();
        const fs::path readOnly = folder / "readonly.csv";
        const fs::path foreign = folder / "foreign.csv";
        const fs::path shared = folder / "shared";
        const fs::path grouped = shared / "grouped.csv";
        fs::create_directories(shared);
        HandOver(shared, 0755);
        for (const auto& path : {readOnly, foreign, grouped}) WriteFile(path, "earlier report");
        ASSERT_EQ(chown(foreign.c_str(), 4321, 8765), 0);
        ASSERT_EQ(chown(grouped.c_str(), 0, OrdinaryUser::kGid), 0);
        chmod(readOnly.c_str(), 0444);
        chmod(foreign.c_str(), 0640);
        chmod(grouped.c_str(), 0464);

        afx::testing::AnswerNextMessageBox(IDYES);
        ASSERT_TRUE(Export(dlg, readOnly));
        afx::testing::AnswerNextMessageBox(IDYES);
        ASSERT_TRUE(Export(dlg, foreign));
        bool reached = false;
        {
            OrdinaryUser user;
            reached = user.Active() && access(shared.c_str(), W_OK) == 0;
            afx::testing::AnswerNextMessageBox(IDYES);
            if (reached) {
                EXPECT_TRUE(Export(dlg, grouped));
            }
        }
        EXPECT_EQ(OwnerOf(readOnly), (Owner{0444, 0, 0}));
        EXPECT_EQ(OwnerOf(foreign), (Owner{0640, 4321, 8765}));
        EXPECT_EQ(ReadFile(readOnly), report);
        EXPECT_EQ(ReadFile(foreign), report);
        const auto shown = BoxTexts();
        EXPECT_EQ(std::count(shown.begin(), shown.end(), kOk), reached ? 3 : 2)
            << ::testing::PrintToString(shown);
        if (!reached) GTEST_SKIP() << "no ordinary user can reach " << shared;
        EXPECT_EQ(OwnerOf(grouped), (Owner{0464, 0, OrdinaryUser::kGid}));
        EXPECT_EQ(ReadFile(grouped), report);
        EXPECT_EQ(std::distance(fs::directory_iterator(shared), fs::directory_iterator()), 1);
    });
    std::error_code ec;
    fs::remove_all(folder, ec);
}

}  // namespace
