// Dialogs from templates: geometry, flags, tab order, notifications, modal results, boxes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <clocale>

#include "afx_pictures.h"
#include "temp_folder.h"
#include "test_dialogs.h"

using namespace afxtest;
namespace T = afx::testing;

namespace {

class AfxDialog : public ::testing::Test {
protected:
    void SetUp() override {
        T::EnsureApplication();
        RegisterTestTemplates();
        T::ClearShownBoxes();
        afx::RegisterControlFactory("{TEST-CLASS}", [](QWidget* parent) {
            auto* w = new QWidget(parent);
            w->setObjectName("test-component");
            return w;
        });
    }
    // Runs the dialog modally with the script and returns DoModal's result.
    INT_PTR Run(RecordingDialog& dlg, const std::function<void(RecordingDialog&)>& script,
                int end = IDCANCEL) {
        return T::RunModal(
            dlg, [&](CDialog& d) { script(static_cast<RecordingDialog&>(d)); }, end);
    }
};

int MulDivRound(int a, int b, int c) {
    return (a * b + c / 2) / c;
}

TEST_F(AfxDialog, ControlsSitAtTheirTemplateRectanglesInDialogUnits) {
    RecordingDialog dlg;
    Run(dlg, [&](RecordingDialog& d) {
        QFont f("Liberation Sans");
        f.setPixelSize(11);
        QFontMetrics fm(f);
        int cx = (fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
        int cy = fm.height();
        ASSERT_GT(cx, 3);
        QWidget* edit = T::Widget(d, kEdit);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->font().family(), "Liberation Sans");
        EXPECT_EQ(edit->geometry(), QRect(MulDivRound(10, cx, 4), MulDivRound(10, cy, 8),
                                          MulDivRound(50, cx, 4), MulDivRound(12, cy, 8)));
        QWidget* list = T::Widget(d, kList);
        EXPECT_EQ(list->x(), MulDivRound(10, cx, 4));
        EXPECT_EQ(list->y(), MulDivRound(95, cy, 8));
        EXPECT_EQ(d.GetWidget()->size(), QSize(MulDivRound(300, cx, 4), MulDivRound(200, cy, 8)));
        CRect client;
        d.GetClientRect(&client);
        EXPECT_EQ(client.Width(), MulDivRound(300, cx, 4));
        CRect tab;
        d.m_tab.GetClientRect(&tab);
        EXPECT_EQ(tab.Width(), MulDivRound(180, cx, 4));  // the whole control
        EXPECT_EQ(d.GetWidget()->windowTitle(), "Test dialog");
    });
}

TEST_F(AfxDialog, ChineseTemplateFontMapsToWenQuanYi) {
    CDialog about(kAboutTpl);
    T::RunModal(about, [&](CDialog& d) {
        EXPECT_EQ(d.GetWidget()->font().family(), "WenQuanYi Micro Hei");
        EXPECT_EQ(d.GetWidget()->font().pixelSize(), 12);
    });
}

TEST_F(AfxDialog, HiddenAndDisabledFlagsAndTabOrderFollowTheTemplate) {
    RecordingDialog dlg;
    Run(dlg, [&](RecordingDialog& d) {
        EXPECT_FALSE(d.GetDlgItem(kHiddenBtn)->IsWindowVisible());
        EXPECT_FALSE(d.GetDlgItem(kHiddenBtn)->IsWindowEnabled());
        EXPECT_FALSE(T::Widget(d, kHiddenBtn)->isVisible());
        EXPECT_TRUE(d.GetDlgItem(kDisabledBtn)->IsWindowVisible());
        EXPECT_FALSE(d.GetDlgItem(kDisabledBtn)->IsWindowEnabled());
        EXPECT_FALSE(T::Widget(d, kDisabledBtn)->isEnabled());
        EXPECT_TRUE(d.GetDlgItem(kButton)->IsWindowEnabled());
        EXPECT_FALSE(T::Click(d, kDisabledBtn));
        // Tab order = template order among the tab stops.
        std::vector<int> order = {kEdit, kEditMulti, kButton, kCheck, kRadioA, kRadioB, kCombo, kSimpleCombo};
        for (size_t i = 0; i + 1 < order.size(); ++i) {
            QWidget* next = T::Widget(d, order[i])->nextInFocusChain();
            while (next && next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
            EXPECT_EQ(next, T::Widget(d, order[i + 1])) << "after control " << order[i];
        }
        // ShowWindow and EnableWindow return the previous state.
        EXPECT_FALSE(d.GetDlgItem(kHiddenBtn)->ShowWindow(SW_SHOW));
        EXPECT_TRUE(d.GetDlgItem(kHiddenBtn)->IsWindowVisible());
        EXPECT_TRUE(d.GetDlgItem(kHiddenBtn)->EnableWindow(TRUE));
        EXPECT_TRUE(T::Widget(d, kHiddenBtn)->isEnabled());
    });
}

TEST_F(AfxDialog, SettingAnEditFromCodeRaisesUpdateThenChangeAlsoNested) {
    RecordingDialog dlg;
    Run(dlg, [&](RecordingDialog& d) {
        d.log.clear();
        d.m_edit.SetWindowText("12");
        ASSERT_EQ(d.log.size(), 2u);
        EXPECT_EQ(d.log[0], "EN_UPDATE 12");
        EXPECT_EQ(d.log[1], "EN_CHANGE 12");
        d.log.clear();
        // The handler rewrites its own field from inside EN_CHANGE: the nested run sees "10".
        d.SetDlgItemText(kEdit, "1,5");
        std::vector<std::string> want = {"EN_UPDATE 1,5", "EN_CHANGE 1,5", "EN_UPDATE 10", "EN_CHANGE 10"};
        EXPECT_EQ(d.log, want);
        EXPECT_EQ(d.m_edit.GetWindowText(), "10");
        // The same text again still notifies.
        d.log.clear();
        d.m_edit.SetWindowText("10");
        EXPECT_EQ(d.log.size(), 2u);
    });
}

TEST_F(AfxDialog, TypingAsAUserRaisesChangePerKeystroke) {
    RecordingDialog dlg;
    Run(dlg, [&](RecordingDialog& d) {
        d.log.clear();
        ASSERT_TRUE(T::TypeText(d, kEdit, "12a"));
        std::vector<std::string> want = {"EN_UPDATE 1",   "EN_CHANGE 1",   "EN_UPDATE 12", "EN_CHANGE 12",
                                         "EN_UPDATE 12a", "EN_CHANGE 12a", "EN_UPDATE 10", "EN_CHANGE 10"};
        EXPECT_EQ(d.log, want);
        EXPECT_EQ(d.GetDlgItemText(kEdit), "10");
        d.log.clear();
        ASSERT_TRUE(T::TypeText(d, kEdit, ""));
        ASSERT_EQ(d.log.size(), 2u);
        EXPECT_EQ(d.log[1], "EN_CHANGE ");
        d.log.clear();
        ASSERT_TRUE(T::TypeText(d, kSimpleCombo, "ab"));
        std::vector<std::string> combo = {"CBN_EDITCHANGE a", "CBN_EDITCHANGE ab"};
        EXPECT_EQ(d.log, combo);
        d.log.clear();
        d.SetDlgItemText(kSimpleCombo, "test");  // from code: nothing
        EXPECT_TRUE(d.log.empty());
        EXPECT_EQ(d.GetDlgItemText(kSimpleCombo), "test");
    });
}

TEST_F(AfxDialog, ComboSelectionFromCodeIsSilentFromTheUserNotifies) {
    RecordingDialog dlg;
    Run(dlg, [&](RecordingDialog& d) {
        EXPECT_EQ(d.m_combo.GetCurSel(), CB_ERR);  // template entries, nothing selected
        EXPECT_EQ(d.m_combo.GetCount(), 3);
        EXPECT_EQ(d.m_combo.GetWindowText(), "");
        d.log.clear();
        EXPECT_EQ(d.m_combo.SetCurSel(2), 2);
        EXPECT_TRUE(d.log.empty());
        EXPECT_EQ(d.m_combo.GetWindowText(), "kgf");
        EXPECT_EQ(d.m_combo.SetCurSel(7), CB_ERR);
        EXPECT_EQ(d.m_combo.GetCurSel(), CB_ERR);
        ASSERT_TRUE(T::SelectComboEntry(d, kCombo, 1));
        std::vector<std::string> want = {"CBN_DROPDOWN", "CBN_SELCHANGE kN"};
        EXPECT_EQ(d.log, want);
        std::string s;
        EXPECT_EQ(d.m_combo.GetLBText(0, s), 1);
        EXPECT_EQ(s, "N");
        EXPECT_EQ(d.m_combo.GetLBText(5, s), CB_ERR);
        d.m_combo.ResetContent();
        EXPECT_EQ(d.m_combo.GetCount(), 0);
        EXPECT_EQ(d.m_combo.AddString("COM3"), 0);
        EXPECT_EQ(d.m_combo.AddString("COM4"), 1);
        EXPECT_EQ(d.m_combo.GetCurSel(), CB_ERR);  // adding selects nothing
    });
}

TEST_F(AfxDialog, ButtonsCheckBoxesAndOwnGroupRadios) {
    RecordingDialog dlg;
    Run(dlg, [&](RecordingDialog& d) {
        d.log.clear();
        d.m_check.SetCheck(BST_CHECKED);
        EXPECT_TRUE(d.log.empty());
        EXPECT_EQ(d.IsDlgButtonChecked(kCheck), 1u);
        ASSERT_TRUE(T::Click(d, kCheck));  // toggled before the handler runs
        ASSERT_EQ(d.log.size(), 1u);
        EXPECT_EQ(d.log[0], "BN_CLICKED check 0");
        d.CheckDlgButton(kRadioA, BST_CHECKED);
        ASSERT_TRUE(T::Click(d, kRadioB));
        EXPECT_EQ(d.IsDlgButtonChecked(kRadioA), 1u);  // a group of its own
        EXPECT_EQ(d.IsDlgButtonChecked(kRadioB), 1u);
        ASSERT_TRUE(T::Click(d, kRadioB));  // an automatic radio stays checked
        EXPECT_EQ(d.IsDlgButtonChecked(kRadioB), 1u);
        d.log.clear();
        ASSERT_TRUE(T::Click(d, kNotifyStatic));
        EXPECT_EQ(d.log, std::vector<std::string>{"STN_CLICKED"});
        EXPECT_EQ(d.GetDlgItemText(kNotifyStatic), "&Label");
    });
}

TEST_F(AfxDialog, TabSelectionFromCodeIsSilentFromTheUserNotifiesAfterTheChange) {
    RecordingDialog dlg;
    dlg.withPage = true;
    Run(dlg, [&](RecordingDialog& d) {
        EXPECT_EQ(d.m_tab.GetCurSel(), 0);
        d.log.clear();
        EXPECT_EQ(d.m_tab.SetCurSel(1), 0);
        EXPECT_TRUE(d.log.empty());
        ASSERT_TRUE(T::SelectTab(d, kTab, 0));
        EXPECT_EQ(d.log, std::vector<std::string>{"TCN_SELCHANGE 0 from " + std::to_string(kTab)});
    });
}

TEST_F(AfxDialog, PagesAreChildrenOfTheTabControlWithTheirOwnMap) {
    RecordingDialog dlg;
    dlg.withPage = true;
    Run(dlg, [&](RecordingDialog& d) {
        EXPECT_EQ(d.m_page.GetParent(), &d.m_tab);
        EXPECT_EQ(d.m_page.GetParent()->GetParent(), &d);
        EXPECT_EQ(d.m_page.GetWidget()->parentWidget(), d.m_tab.GetWidget());
        EXPECT_TRUE(d.m_page.IsWindowVisible());
        EXPECT_EQ(d.m_page.GetSystemMenu(FALSE), nullptr);
        d.m_page.SetDlgItemText(kPageEdit, "5");
        EXPECT_EQ(d.m_page.log, std::vector<std::string>{"page EN_CHANGE 5"});
        T::ClickBackground(d.m_page, CPoint(150, 5));
        EXPECT_EQ(d.m_page.clicksOnBackground, 1);
        d.m_page.ShowWindow(SW_HIDE);
        EXPECT_FALSE(d.m_page.GetDlgItem(kPageEdit)->IsWindowVisible());
        EXPECT_FALSE(T::Widget(d.m_page, kPageEdit)->isVisible());
    });
}

TEST_F(AfxDialog, DoModalResults) {
    {
        RecordingDialog dlg;
        EXPECT_EQ(Run(dlg, [](RecordingDialog& d) { d.EndDialog(5); }), 5);
        EXPECT_EQ(dlg.log.front(), "init");
    }
    {
        RecordingDialog dlg;
        EXPECT_EQ(Run(
                      dlg, [](RecordingDialog&) { PostQuitMessage(0); }, 0),
                  -1);
    }
    {
        RecordingDialog dlg;  // Enter with the focus in an edit: OK, and the data exchange ran
        EXPECT_EQ(Run(dlg,
                      [](RecordingDialog& d) {
                          d.SetDlgItemText(kEditMulti, "typed");
                          T::Widget(d, kEdit)->setFocus();
                          T::PressKey(d, Qt::Key_Return);
                      }),
                  IDOK);
        EXPECT_EQ(dlg.m_text, "typed");
    }
    {
        RecordingDialog dlg;  // Enter on a push button clicks it
        EXPECT_EQ(Run(
                      dlg,
                      [](RecordingDialog& d) {
                          T::Widget(d, kButton)->setFocus();
                          T::PressKey(d, Qt::Key_Return);
                          EXPECT_TRUE(d.IsModalRunning());
                          EXPECT_EQ(d.log.back(), "BN_CLICKED button");
                      },
                      9),
                  9);
    }
    {
        RecordingDialog dlg;
        EXPECT_EQ(Run(
                      dlg, [](RecordingDialog& d) { T::PressKey(d, Qt::Key_Escape); }, 0),
                  IDCANCEL);
        EXPECT_EQ(dlg.escapesSeen, 1);
    }
    {
        RecordingDialog dlg;  // PreTranslateMessage consumes Escape: the dialog stays
        dlg.escapeConsumes = true;
        EXPECT_EQ(Run(
                      dlg,
                      [](RecordingDialog& d) {
                          T::Widget(d, kEdit)->setFocus();
                          T::PressKey(d, Qt::Key_Escape);
                          EXPECT_TRUE(d.IsModalRunning());
                          EXPECT_EQ(d.escapesSeen, 1);
                          T::TypeText(d, kEdit, "12");
                          EXPECT_GE(d.keyDowns, 3);  // every key-down, also those going to a child
                      },
                      7),
                  7);
    }
    {
        RecordingDialog dlg;
        EXPECT_EQ(Run(
                      dlg, [](RecordingDialog& d) { T::CloseWindow(d); }, 0),
                  IDCANCEL);
        EXPECT_EQ(dlg.log.back(), "WM_CLOSE");
    }
    {
        RecordingDialog dlg;  // the handler refuses the close
        dlg.closeAllowed = false;
        EXPECT_EQ(Run(
                      dlg,
                      [](RecordingDialog& d) {
                          T::CloseWindow(d);
                          T::PressKey(d, Qt::Key_F4, Qt::AltModifier);
                          EXPECT_TRUE(d.IsModalRunning());
                      },
                      3),
                  3);
        EXPECT_EQ(dlg.log.back(), "WM_CLOSE");
    }
}

TEST_F(AfxDialog, QuitPostedWithoutARunningLoopEndsTheNextDialogAtOnce) {
    PostQuitMessage(0);
    T::Pump(10);
    RecordingDialog dlg;
    EXPECT_EQ(dlg.DoModal(), -1);
    RecordingDialog again;
    EXPECT_EQ(Run(again, [](RecordingDialog& d) { d.EndDialog(IDOK); }), IDOK);
}

TEST_F(AfxDialog, PrivateMessagesSystemMenuAndCtlColor) {
    RecordingDialog dlg;
    Run(dlg, [&](RecordingDialog& d) {
        d.PostMessage(WM_USER + 5, 7, 9);
        EXPECT_TRUE(T::RunUntil([&] { return !d.log.empty() && d.log.back() == "WM_USER+5 7 9"; }, 2000));
        EXPECT_EQ(d.SendMessage(WM_USER + 5, 1, 2), 1);
        CMenu* menu = d.GetSystemMenu(FALSE);
        ASSERT_NE(menu, nullptr);
        menu->AppendMenu(MF_SEPARATOR);
        menu->AppendMenu(MF_STRING, IDM_ABOUTBOX, "About...");
        EXPECT_TRUE(T::ChooseSystemMenuItem(d, IDM_ABOUTBOX));
        EXPECT_EQ(d.log.back(), "WM_SYSCOMMAND 16");
        EXPECT_FALSE(T::ChooseSystemMenuItem(d, 0x20));
        auto* group = qobject_cast<QGroupBox*>(T::Widget(d, kGroupBox));
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        EXPECT_NE(T::Widget(d, kButton)->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
    });
}

TEST_F(AfxDialog, AHandlerThatThrowsIsReportedAndTheLoopGoesOn) {
    RecordingDialog dlg;
    dlg.throwOnClick = true;
    EXPECT_EQ(Run(dlg,
                  [&](RecordingDialog& d) {
                      T::Click(d, kButton);
                      ASSERT_EQ(T::ShownBoxes().size(), 1u);
                      EXPECT_EQ(T::ShownBoxes()[0].text, "button failed");
                      EXPECT_TRUE(d.IsModalRunning());
                      d.EndDialog(IDOK);
                  }),
              IDOK);
}

TEST_F(AfxDialog, CustomControlsComeFromTheirFactory) {
    RecordingDialog dlg;
    Run(dlg, [&](RecordingDialog& d) {
        EXPECT_EQ(T::Widget(d, kCustom)->objectName(), "test-component");
        ASSERT_NE(T::Widget(d, kUnknownCustom), nullptr);
        EXPECT_EQ(T::Widget(d, kUnknownCustom)->objectName(), "afx-placeholder");
    });
}

TEST_F(AfxDialog, TheDialogsOwnBoxShowsExactlyWhatItIsGiven) {
    CWnd wnd;
    T::AnswerNextMessageBox(IDCANCEL);
    EXPECT_EQ(wnd.MessageBox("Do you want to exit? ", "System Message", MB_OKCANCEL | MB_ICONQUESTION),
              IDCANCEL);
    T::AnswerNextMessageBox(IDYES);
    EXPECT_EQ(wnd.MessageBox("Open?", "System Message", MB_YESNO), IDYES);
    EXPECT_EQ(wnd.MessageBox("Plain"), IDOK);
    auto boxes = T::ShownBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Do you want to exit? ");
    EXPECT_EQ(boxes[0].caption, "System Message");
    EXPECT_EQ(boxes[0].buttons, MB_OKCANCEL);
    EXPECT_EQ(boxes[0].icon, MB_ICONQUESTION);
    EXPECT_EQ(boxes[1].buttons, MB_YESNO);
    EXPECT_EQ(boxes[1].icon, 0u);
    EXPECT_EQ(boxes[2].buttons, MB_OK);
    EXPECT_EQ(boxes[2].icon, 0u);
    // Bytes that are not UTF-8 are shown (each as U+FFFD), not a crash.
    std::string odd = "Data uploading!don't exit\xA1Please wait a moment.";
    wnd.MessageBox(odd.c_str(), "System Message", MB_OKCANCEL | MB_ICONQUESTION);
    EXPECT_EQ(T::ShownBoxes().back().text, "Data uploading!don't exit\xEF\xBF\xBDPlease wait a moment.");
}

TEST_F(AfxDialog, TheApplicationBoxHasTheProgramNameAndDefaultIcons) {
    EXPECT_EQ(AfxMessageBox("Faile"), IDOK);
    T::AnswerNextMessageBox(IDNO);
    EXPECT_EQ(AfxMessageBox("Sure?", MB_YESNO), IDNO);
    AfxMessageBox("Info", MB_OK | MB_ICONINFORMATION);
    auto boxes = T::ShownBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].caption, "afx_dialog_test");
    EXPECT_EQ(boxes[0].buttons, MB_OK);
    EXPECT_EQ(boxes[0].icon, MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes[1].buttons, MB_YESNO);
    EXPECT_EQ(boxes[1].icon, MB_ICONQUESTION);
    EXPECT_EQ(boxes[1].reply, IDNO);
    EXPECT_EQ(boxes[2].icon, MB_ICONINFORMATION);
}

TEST_F(AfxDialog, SaveDialogFilterDefaultExtensionAndOverwritePrompt) {
    EXPECT_EQ(afx::ConvertFileFilter("csv Files (*.csv)|*.csv||"), "csv Files (*.csv)");
    EXPECT_EQ(afx::ConvertFileFilter("Bitmap|*.bmp|All|*.*||"), "Bitmap (*.bmp);;All (*.*)");
    EXPECT_EQ(afx::ConvertFileFilter("Text (txt)|*.txt;*.log||"), "Text (txt) (*.txt *.log)");
    EXPECT_EQ(afx::ApplyDefaultExtension("/tmp/report", "csv"), "/tmp/report.csv");
    EXPECT_EQ(afx::ApplyDefaultExtension("/tmp/report.txt", "csv"), "/tmp/report.txt");
    EXPECT_EQ(afx::ApplyDefaultExtension("/tmp/a.b/report", "csv"), "/tmp/a.b/report.csv");

    const std::string base = orva::testing::MakeProcessTempFolder("orva-afx-test");
    ASSERT_FALSE(base.empty());
    {
        CFileDialog fd(FALSE, "csv", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       "csv Files (*.csv)|*.csv||");
        T::AnswerNextFileDialog(base + "/run1");
        ASSERT_EQ(fd.DoModal(), IDOK);
        EXPECT_EQ(fd.GetPathName(), base + "/run1.csv");
        EXPECT_TRUE(T::ShownBoxes().empty());
    }
    {
        QFile f(QString::fromStdString(base + "/old.csv"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        CFileDialog fd(FALSE, "csv", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       "csv Files (*.csv)|*.csv||");
        T::AnswerNextFileDialog(base + "/old");
        T::AnswerNextMessageBox(IDNO);  // do not replace: back to the dialog
        T::AnswerNextFileDialog(base + "/new");
        ASSERT_EQ(fd.DoModal(), IDOK);
        EXPECT_EQ(fd.GetPathName(), base + "/new.csv");
        ASSERT_EQ(T::ShownBoxes().size(), 1u);
        EXPECT_EQ(T::ShownBoxes()[0].buttons, MB_YESNO);
    }
    {
        CFileDialog fd(FALSE, "csv", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       "csv Files (*.csv)|*.csv||");
        T::AnswerNextFileDialog("");
        EXPECT_EQ(fd.DoModal(), IDCANCEL);
    }
}

TEST_F(AfxDialog, StatusBarPanesAndTextExtent) {
    afx::RegisterString(9102, "[State]");
    afx::RegisterString(9103, "Ready");
    RecordingDialog dlg;
    Run(dlg, [&](RecordingDialog& d) {
        CStatusBar bar;
        ASSERT_TRUE(bar.Create(&d, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR));
        const UINT ids[] = {9102, 9103};
        ASSERT_TRUE(bar.SetIndicators(ids, 2));
        EXPECT_EQ(bar.GetPaneText(1), "Ready");
        const UINT missing[] = {9102, 9999};
        EXPECT_FALSE(bar.SetIndicators(missing, 2));
        bar.SetIndicators(ids, 2);
        CClientDC dc(&d);
        CSize sz = dc.GetTextExtent(" Not Connected  ");
        EXPECT_GT(sz.cx, 40);
        bar.SetPaneInfo(0, 1, SBPS_NORMAL, sz.cx);
        bar.SetPaneText(0, " Not Connected  ");
        EXPECT_EQ(bar.GetPaneText(0), " Not Connected  ");
        UINT id, style;
        int width;
        bar.GetPaneInfo(0, id, style, width);
        EXPECT_EQ(width, sz.cx);
        bar.MoveWindow(CRect(0, 100, 200, 120));
        EXPECT_EQ(bar.GetWidget()->geometry(), QRect(0, 100, 200, 20));
        const std::string dir = orva::testing::MakeProcessTempFolder("orva-afx-test");
        ASSERT_FALSE(dir.empty());
        EXPECT_TRUE(T::GrabToPng(d, dir + "/dlg.png"));
    });
}

TEST_F(AfxDialog, NumbersKeepTheDot) {
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", 9.807);
    EXPECT_STREQ(buf, "9.807");
}

}  // namespace
