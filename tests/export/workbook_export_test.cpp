// Export Data to a workbook through the real window, with the desktop's opener replaced: the
// workbook read back from the .xlsx file cell by cell against both layouts, the boxes, and the
// lists and texts that must not cost the user a file or the program a readable one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <array>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>

#include "AcquisitionSettings.h"
#include "ExportText.h"
#include "ListTexts.h"
#include "ResultSummary.h"
#include "fake_opener.h"
#include "ole_com_init.h"
#include "stored_test.h"
#include "window_fixture.h"
#include "xlsx_reader.h"

namespace fs = std::filesystem;

namespace {

using afx::testing::AnswerNextMessageBox;
using afx::testing::Click;
using ui_test::Printf;
using ui_test::StoreTest;
using ui_test::WindowTest;
using xlsx_test::FakeOpener;
using xlsx_test::ReadWorkbook;

constexpr int kExportData = 1080;
constexpr int kUploadMode = 1043;
constexpr const char* kAsk = "Do you want to save as Excel table?";
using Cells = std::map<std::string, std::string>;

class WorkbookExportTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        g_strStartTime.clear();  // kept by the program between tests; some tests set their own
    }

    // Export Data answered Yes; the one workbook it opened, read back.
    xlsx_test::Workbook Export(CKvDlg& dlg) {
        AnswerNextMessageBox(IDYES);
        EXPECT_TRUE(Click(dlg, kExportData));
        const auto opened = opener_.Opened();
        EXPECT_EQ(opened.size(), 1u);
        if (opened.empty()) return {};
        auto book = ReadWorkbook(opened.back());
        EXPECT_TRUE(book.readable) << book.error;
        EXPECT_EQ(book.sheetNames, std::vector<std::string>{"test"});
        EXPECT_EQ(book.columns.size(), 1u);
        for (const auto& c : book.columns) {
            EXPECT_EQ(c.min, 1);
            EXPECT_EQ(c.max, 16384);
            EXPECT_NEAR(c.width, 10.0, 0.72);
        }
        return book;
    }

    // The list as the acquisition thread fills it: number, load with two blanks and the unit
    // with its own blank, time with " s".
    static void RealTimeList(CKvDlg& dlg, int rows) {
        dlg.m_listResults.SetVirtualItems(rows, [](int item, int column) -> std::string {
            if (column == 0) return std::to_string(item + 1);
            if (column == 1) return Printf("%.4f", 0.25 * item - 1) + "   N";
            return Printf("%.3f", 0.1 * (item + 1)) + " s";
        });
    }

    FakeOpener opener_;
};

TEST_F(WorkbookExportTest, RealTimeLayoutCellByCell) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {0.5f, -1.25f, 3.0f});
        ASSERT_NE(g_bRealTimeMode.load(), 0);
        ASSERT_EQ(g_nExportFileType, 0);  // "xls", the default
        g_strStartTime = "2027-03-05 09:07:12";
        dlg.m_page1.m_cbReportName.SetWindowText("  Spring 测试");
        RealTimeList(dlg, 3);
        const auto book = Export(dlg);
        const std::string avg = Printf("%.4f", g_fAverage.load()) + "  N";
        const std::string peak = Printf("%.4f", g_fPeak.load()) + "  N";
        const Cells expected = {{"A1", "Report Name:"},
                                {"B1", "  Spring 测试"},
                                {"A2", "Start Time:"},
                                {"B2", "2027-03-05 09:07:12"},
                                {"A3", "Avg:"},
                                {"B3", avg},
                                {"A4", "Peak:"},
                                {"B4", peak},
                                {"A5", "Num"},
                                {"B5", "Load"},
                                {"C5", "Unit"},
                                {"D5", "Time"},
                                {"E5", "Sec"},
                                {"A6", "1"},
                                {"B6", "-1.0000"},
                                {"C6", "   N"},
                                {"D6", "0.100"},
                                {"E6", "s"},
                                {"A7", "2"},
                                {"B7", "-0.7500"},
                                {"C7", "   N"},
                                {"D7", "0.200"},
                                {"E7", "s"},
                                {"A8", "3"},
                                {"B8", "-0.5000"},
                                {"C8", "   N"},
                                {"D8", "0.300"},
                                {"E8", "s"}};
        EXPECT_EQ(book.cells, expected);
        EXPECT_EQ(book.rowOrder, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
        EXPECT_EQ(avg.substr(avg.size() - 3), "  N");
        // Only the question was shown: no success box on this path.
        ASSERT_EQ(ui_test::Boxes().size(), 1u);
        EXPECT_EQ(ui_test::Boxes()[0].text, kAsk);
        EXPECT_EQ(ui_test::Boxes()[0].caption, "System Message");
        EXPECT_EQ(ui_test::Boxes()[0].buttons, static_cast<UINT>(MB_YESNO));
        EXPECT_EQ(ui_test::Boxes()[0].icon, 0u);
    });
}

// The texts the acquisition puts into the list: the number with its trailing blank stays whole,
// the load splits into the number and the unit behind three blanks, the time loses " s".
TEST_F(WorkbookExportTest, AcquisitionTextsSplitIntoLoadUnitAndTime) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {1.0f});
        const float loads[] = {12.345678f, -3.5f, 0.0f};
        dlg.m_listResults.SetVirtualItems(3, [&](int item, int column) -> std::string {
            if (column == 0) return FormatNumberText(item + 1);
            if (column == 1) return FormatValueText(loads[item], " N");
            return FormatTimeText(0.1f * static_cast<float>(item + 1));
        });
        ASSERT_EQ(dlg.m_listResults.GetItemText(1, 1), "-3.5   N");
        const auto book = Export(dlg);
        for (int k = 0; k < 3; ++k) {
            const std::string row = std::to_string(6 + k);
            const std::string value = FormatValueText(loads[k], " N");
            EXPECT_EQ(book.cells.at("A" + row), FormatNumberText(k + 1)) << row;
            EXPECT_EQ(book.cells.at("B" + row), value.substr(0, value.find(' '))) << row;
            EXPECT_EQ(book.cells.at("C" + row), "   N") << row;
            const std::string time = FormatTimeText(0.1f * static_cast<float>(k + 1));
            EXPECT_EQ(book.cells.at("D" + row), time.substr(0, time.size() - 2)) << row;
            EXPECT_EQ(book.cells.at("E" + row), "s") << row;
        }
        EXPECT_EQ(book.cells.at("A6"), "1 ");
    });
}

TEST_F(WorkbookExportTest, ConvertedAverageAndPeakHaveOneBlankAndTheChosenUnit) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {0.5f, 9.807f});
        ASSERT_TRUE(Click(dlg.m_page1, 1186));  // Load: converts to kgf
        ASSERT_EQ(dlg.m_page1.m_cbUnit.GetWindowText(), "kgf");
        dlg.m_page1.m_cbReportName.SetWindowText("");
        RealTimeList(dlg, 1);
        const auto book = Export(dlg);
        EXPECT_EQ(book.cells.count("B1") ? book.cells.at("B1") : "", "");
        EXPECT_EQ(book.cells.at("B3"), Printf("%.4f", g_fAverageConv) + " kgf");
        EXPECT_EQ(book.cells.at("B4"), Printf("%.4f", g_fPeakConv) + " kgf");
    });
}

TEST_F(WorkbookExportTest, UploadLayoutCellByCell) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {1.0f});
        ASSERT_TRUE(Click(dlg.m_page1, kUploadMode));
        ASSERT_EQ(g_bRealTimeMode.load(), 0);
        dlg.m_page1.m_cbReportName.SetWindowText("up");
        dlg.m_listResults.SetVirtualItems(3, [](int item, int column) -> std::string {
            const char* texts[] = {"", "12.5 N", "14:7", "push", "peak", "1"};
            if (column == 0) return std::to_string(item + 1);
            if (column == 1 && item == 2) return "nounit";
            return texts[column];
        });
        const std::time_t before = std::time(nullptr);
        const auto book = Export(dlg);
        const std::time_t after = std::time(nullptr);
        Cells expected = {{"A1", "Report Name:"}, {"B1", "up"},   {"A2", "Report Time:"}, {"A3", "Num"},
                          {"B3", "Load"},         {"C3", "Unit"}, {"D3", "Upload Time"},  {"E3", "Mode"},
                          {"F3", "Direction"},    {"G3", "Group"}};
        for (int r = 4; r <= 6; ++r) {
            const std::string n = std::to_string(r);
            expected["A" + n] = std::to_string(r - 3);
            if (r != 6) expected["B" + n] = "12.5";  // an empty text leaves the cell empty
            expected["C" + n] = r == 6 ? "nounit" : " N";
            expected["D" + n] = "14:7";
            expected["E" + n] = "push";
            expected["F" + n] = "peak";
            expected["G" + n] = "1";
        }
        const auto stamp = [](std::time_t t) {
            std::tm local{};
            localtime_r(&t, &local);
            char text[64];
            std::snprintf(text, sizeof text, "%d/%d/%d %02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                          local.tm_mday, local.tm_hour, local.tm_min);
            return std::string(text);
        };
        const std::string b2 = book.cells.count("B2") ? book.cells.at("B2") : "";
        EXPECT_TRUE(b2 == stamp(before) || b2 == stamp(after)) << b2;
        expected["B2"] = b2;
        EXPECT_EQ(book.cells, expected);
    });
}

TEST_F(WorkbookExportTest, EmptyListAndNoMakeNothing) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {1.0f, 2.0f});  // readings in the store, none in the list
        dlg.m_listResults.DeleteAllItems();
        ASSERT_TRUE(Click(dlg, kExportData));
        ASSERT_EQ(ui_test::Boxes().size(), 1u);
        EXPECT_EQ(ui_test::LastBox().text, "No data on the display area.");
        EXPECT_EQ(ui_test::LastBox().caption, "System Message");
        EXPECT_EQ(ui_test::LastBox().buttons, static_cast<UINT>(MB_OK));

        RealTimeList(dlg, 2);
        AnswerNextMessageBox(IDNO);
        ASSERT_TRUE(Click(dlg, kExportData));
        EXPECT_EQ(ui_test::LastBox().text, kAsk);
        EXPECT_EQ(ui_test::Boxes().size(), 2u);
        EXPECT_TRUE(opener_.Opened().empty());
        EXPECT_TRUE(opener_.FilesInFolder().empty());
    });
}

TEST_F(WorkbookExportTest, AListLongerThanASheetIsRefusedBeforeAnything) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {1.0f});
        RealTimeList(dlg, 1048576 - 5 + 1);  // one row more than the sheet holds after the header
        ASSERT_TRUE(Click(dlg, kExportData));
        ASSERT_EQ(ui_test::Boxes().size(), 1u);
        const std::string text = ui_test::LastBox().text;
        EXPECT_NE(text.find("1048572 rows"), std::string::npos) << text;
        EXPECT_NE(text.find("csv"), std::string::npos) << text;
        EXPECT_TRUE(opener_.Opened().empty());
        EXPECT_TRUE(opener_.FilesInFolder().empty());
    });
}

TEST_F(WorkbookExportTest, StrayBytesInTextsStillGiveAReadableWorkbook) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {1.0f});
        dlg.m_page1.m_cbReportName.SetWindowText(" Run\xff\xc3 7");
        g_strStartTime = "\x80start";
        RealTimeList(dlg, 1);
        const auto book = Export(dlg);
        EXPECT_EQ(book.cells.at("B1"), " Run\uFFFD\uFFFD 7");
        EXPECT_EQ(book.cells.at("B2"), "\uFFFDstart");
    });
}

// Readers decode "_x" + four hex digits + "_" in a text, and refuse a sheet holding U+FFFE or
// U+FFFF: texts typed by the user or sent by the gauge come back exactly, those two as U+FFFD.
TEST_F(WorkbookExportTest, EveryTextComesBackExactly) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {1.0f});
        dlg.m_page1.m_cbReportName.SetWindowText("Lot_x005F_7 \xEF\xBF\xBE _x 041_x+041_x0x41_");
        g_strStartTime = "_x005f_x0041__\xEF\xBF\xBF";
        const std::vector<std::array<std::string, 3>> items = {
            {"_x0041_\x01", "1.5 _x010F\r", "0.100 s"},
            {"2\x1f_x", "2.5 N\xEF\xBF\xBF_x00FF_", "_x00AB_\x0b s"},
        };
        // The list shows more columns than the three the export reads: those are empty.
        dlg.m_listResults.SetVirtualItems(2, [&](int item, int column) {
            return column < 3 ? items[static_cast<std::size_t>(item)][static_cast<std::size_t>(column)]
                              : std::string();
        });
        const auto book = Export(dlg);
        EXPECT_EQ(book.cells.at("B1"), "Lot_x005F_7 \uFFFD _x 041_x+041_x0x41_");
        EXPECT_EQ(book.cells.at("B2"), "_x005f_x0041__\uFFFD");
        EXPECT_EQ(book.cells.at("A6"), "_x0041_\x01");
        EXPECT_EQ(book.cells.at("C6"), " _x010F\r");
        EXPECT_EQ(book.cells.at("A7"), "2\x1f_x");
        EXPECT_EQ(book.cells.at("C7"), " N\uFFFD_x00FF_");
        EXPECT_EQ(book.cells.at("D7"), "_x00AB_\x0b");
    });
}

// A call the server refuses ends the export there: the error box, no workbook, nothing shown, and
// every object released (the leak check of the sanitizer build).
TEST_F(WorkbookExportTest, ARefusedCellEndsTheExportWithAnErrorBoxAndNoWorkbook) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {1.0f});
        g_strStartTime = std::string(40000, 't');  // more than a cell holds
        RealTimeList(dlg, 2);
        AnswerNextMessageBox(IDYES);
        ASSERT_TRUE(Click(dlg, kExportData));
        const auto box = ui_test::LastBox();
        EXPECT_NE(box.text.find("32767"), std::string::npos) << box.text;
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONEXCLAMATION));
        EXPECT_TRUE(opener_.Opened().empty());
        EXPECT_TRUE(opener_.FilesInFolder().empty());
    });
}

// COM is initialised for the export: normally without a word (the other tests see only the
// question); on a thread already in the other apartment the failure is shown and the export
// goes on.
TEST_F(WorkbookExportTest, AFailedComInitialisationIsShownAndTheExportGoesOn) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {1.0f});
        RealTimeList(dlg, 1);
        // Earlier exports left this thread in the single-threaded apartment.
        int left = 1000;
        while (ole::CoInitializeEx(nullptr, ole::COINIT_MULTITHREADED) == ole::RPC_E_CHANGED_MODE &&
               --left > 0)
            ole::CoUninitialize();
        ASSERT_GT(left, 0);
        AnswerNextMessageBox(IDYES);
        const bool clicked = Click(dlg, kExportData);
        ole::CoUninitialize();
        ASSERT_TRUE(clicked);
        const auto boxes = ui_test::Boxes();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0].text, kAsk);
        EXPECT_EQ(boxes[1].text, "Failed to call Coinitialize()");
        EXPECT_EQ(boxes[1].buttons, static_cast<UINT>(MB_OK));
        EXPECT_EQ(boxes[1].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
        ASSERT_EQ(opener_.Opened().size(), 1u);
        EXPECT_EQ(ReadWorkbook(opener_.Opened()[0]).cells.at("A6"), "1");
    });
}

// A disk that takes no more (here the file-size limit): one error box naming the folder the user
// knows and the system's reason, nothing opened and nothing left in the folder.
TEST_F(WorkbookExportTest, AWorkbookThatCannotBeWrittenWholeIsOneErrorBoxAndNoFile) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {1.0f});
        RealTimeList(dlg, 20000);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved;
        limit.rlim_cur = 64 * 1024;
        setrlimit(RLIMIT_FSIZE, &limit);
        AnswerNextMessageBox(IDYES);
        const bool clicked = Click(dlg, kExportData);
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, oldHandler);
        ASSERT_TRUE(clicked);
        const auto boxes = ui_test::Boxes();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[1].text,
                  "The workbook could not be written in " + opener_.Folder().string() + ": File too large.");
        EXPECT_TRUE(opener_.Opened().empty());
        EXPECT_TRUE(opener_.FilesInFolder().empty());
    });
}

TEST_F(WorkbookExportTest, AFailingOpenerEndsInAnErrorBox) {
    RunDialog([&](CKvDlg& dlg) {
        StoreTest(dlg, " N", {1.0f});
        RealTimeList(dlg, 1);
        opener_.SetExitStatus(4);
        AnswerNextMessageBox(IDYES);
        ASSERT_TRUE(Click(dlg, kExportData));
        const auto box = ui_test::LastBox();
        EXPECT_NE(box.text.find("could not be opened"), std::string::npos) << box.text;
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONEXCLAMATION));
    });
}

}  // namespace
