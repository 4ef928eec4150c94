// The window's own commands: tab switching, the About box, Help, the drag icon, the members
// that nothing reaches, and the message map.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "AboutDlg.h"
#include "KvApp.h"
#include "temp_folder.h"
#include "window_fixture.h"

namespace {

using ui_test::Text;
using ui_test::WindowTest;

using CommandsTest = WindowTest;

TEST_F(CommandsTest, SelectingATabShowsItsPage) {
    RunDialog([&](CKvDlg& dlg) {
        ASSERT_TRUE(afx::testing::SelectTab(dlg, 1111, 1));
        EXPECT_FALSE(dlg.m_page1.IsWindowVisible());
        EXPECT_TRUE(dlg.m_page2.IsWindowVisible());
        ASSERT_TRUE(afx::testing::SelectTab(dlg, 1111, 0));
        EXPECT_TRUE(dlg.m_page1.IsWindowVisible());
        EXPECT_FALSE(dlg.m_page2.IsWindowVisible());
    });
}

TEST_F(CommandsTest, AboutItemShowsTheAboutBox) {
    RunDialog([&](CKvDlg& dlg) {
        std::string title;
        bool sawBox = false;
        QTimer::singleShot(50, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box || box == dlg.GetWidget()) return;
            sawBox = true;
            title = box->windowTitle().toStdString();
            QCloseEvent close;
            QCoreApplication::sendEvent(box, &close);
        });
        ASSERT_TRUE(afx::testing::ChooseSystemMenuItem(dlg, 0x0010));
        EXPECT_TRUE(sawBox);
        EXPECT_EQ(title, "ORVA-FG V4.9.01");
        EXPECT_TRUE(dlg.IsModalRunning());
    });
}

TEST(AboutBox, CaptionAndText) {
    afx::testing::EnsureApplication();
    CAboutDlg about;
    std::vector<std::string> statics;
    const INT_PTR result = afx::testing::RunModal(
        about,
        [&](CDialog& d) {
            EXPECT_EQ(d.GetWindowText(), "ORVA-FG V4.9.01");
            EXPECT_EQ(d.GetDlgItemText(-1), "ORVA-FG V4.9.01");
            afx::testing::PressKey(d, Qt::Key_Escape);
        },
        0);
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(CommandsTest, HiddenButtonsCannotBeClickedAndHelpAsksFirst) {
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(root_);  // no user.doc here
    RunDialog([&](CKvDlg& dlg) {
        EXPECT_FALSE(afx::testing::Click(dlg, 1014));
        EXPECT_FALSE(afx::testing::Click(dlg, 1032));
        EXPECT_TRUE(ui_test::Boxes().empty());

        afx::testing::AnswerNextMessageBox(IDNO);
        dlg.OnBnClickedHelp();
        afx::testing::AnswerNextMessageBox(IDYES);
        dlg.OnBnClickedHelp();  // the document is missing: nothing more is shown
        ASSERT_EQ(ui_test::Boxes().size(), 2u);
        for (const auto& box : ui_test::Boxes()) {
            EXPECT_EQ(box.text, "Do you want to open the help document");
            EXPECT_EQ(box.caption, "System Message");
            EXPECT_EQ(box.buttons, MB_YESNO);
        }
        EXPECT_TRUE(dlg.IsModalRunning());
    });
    std::filesystem::current_path(cwd);
}

TEST_F(CommandsTest, SmallMembers) {
    RunDialog([&](CKvDlg& dlg) {
        EXPECT_EQ(dlg.OnQueryDragIcon(), LoadIconResource(128));

        dlg.m_graph.SetYLabel(" N");
        dlg.m_graph.SetCaption("x");
        dlg.SetGraphLabelFromText();
        const orva::graph::Settings s = ui_test::Graph(dlg).CurrentSettings();
        EXPECT_EQ(s.caption, "   ");
        EXPECT_EQ(s.yLabel, "");

        LRESULT result = 5;
        dlg.OnDtnCloseupLegacyDate(nullptr, &result);
        EXPECT_EQ(result, 0);
        result = 5;
        dlg.OnTcnSelchangeLegacyTab(nullptr, &result);
        EXPECT_EQ(result, 0);
        EXPECT_FALSE(dlg.m_page3.IsWindow());
    });
}

TEST_F(CommandsTest, MessageMapHasItsSixteenEntries) {
    CKvDlg dlg;
    const CCmdTarget& target = dlg;
    const AFX_MSGMAP* map = target.GetMessageMap();
    int n = 0;
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn; ++e) ++n;
    EXPECT_EQ(n, 16);
    struct Entry {
        UINT message, code, id;
    };
    const Entry entries[] = {
        {WM_SYSCOMMAND, 0, 0},
        {WM_PAINT, 0, 0},
        {WM_QUERYDRAGICON, 0, 0},
        {WM_COMMAND, BN_CLICKED, 1014},
        {WM_COMMAND, BN_CLICKED, 1032},
        {WM_CLOSE, 0, 0},
        {WM_COMMAND, BN_CLICKED, 1023},
        {WM_STATUS_UPDATE, 0, 0},
        {WM_NOTIFY, DTN_CLOSEUP, 1013},
        {WM_NOTIFY, TCN_SELCHANGE, 1077},
        {WM_COMMAND, CBN_SELCHANGE, 1191},
        {WM_COMMAND, BN_CLICKED, 1080},
        {WM_COMMAND, BN_CLICKED, 1026},
        {WM_NOTIFY, TCN_SELCHANGE, 1111},
        {WM_COMMAND, BN_CLICKED, 1188},
        {WM_COMMAND, CBN_DROPDOWN, 1191},
    };
    for (const Entry& e : entries)
        EXPECT_NE(dlg.FindMessageEntry(e.message, e.code, e.id), nullptr) << e.message << " " << e.id;
}

}  // namespace

namespace {

// The start-up log's writer on its own: refused entries write nothing.
TEST(StartupLog, WriteLogRefusesEmptyTextsAndAClosedLog) {
    const std::filesystem::path dir = orva::testing::MakeTempFolder("orva-ui-log");
    ASSERT_FALSE(dir.empty());
    const std::filesystem::path file = dir / "log.txt";
    ASSERT_TRUE(CreateNewFile(file.c_str()));

    CKvApp& app = theApp;
    app.m_bLogOpen = FALSE;
    EXPECT_EQ(app.WriteLog("kv_Start System1"), 0);
    ASSERT_TRUE(app.m_logFile.Open(file.c_str(), CFile::modeReadWrite | CFile::shareExclusive));
    app.m_bLogOpen = TRUE;
    EXPECT_EQ(app.WriteLog(""), 0);
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
    EXPECT_EQ(app.WriteLog("abc"), 1);
    app.m_logFile.Close();
    app.m_bLogOpen = FALSE;

    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(text.size(), 2u + 10 + 3 + 8 + 2 + 3);
    EXPECT_EQ(text.substr(0, 2), "\r\n");
    EXPECT_EQ(text.substr(12, 3), "   ");
    EXPECT_EQ(text[17], ':');
    EXPECT_EQ(text.substr(23), "--abc");
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

}  // namespace
