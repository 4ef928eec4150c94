// The two kinds of message box and the error box for exceptions that reach the message loop.
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "afx_dialog.h"
#include "test_hooks.h"
#include "wnd_core.h"

namespace afx::detail {

TestHooks& Hooks() {
    static TestHooks* h = new TestHooks;
    return *h;
}

bool TestingActive() {
    std::lock_guard<std::mutex> lock(Hooks().mu);
    return Hooks().active;
}

namespace {

struct ButtonMap {
    QMessageBox::StandardButton button;
    int id;
};

std::vector<ButtonMap> ButtonsOf(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL:
            return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
        case MB_ABORTRETRYIGNORE:
            return {{QMessageBox::Abort, IDABORT},
                    {QMessageBox::Retry, IDRETRY},
                    {QMessageBox::Ignore, IDIGNORE}};
        case MB_YESNOCANCEL:
            return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        case MB_YESNO:
            return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
        case MB_RETRYCANCEL:
            return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
        default:
            return {{QMessageBox::Ok, IDOK}};
    }
}

QMessageBox::Icon IconOf(UINT type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONERROR:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// What the box shows, read back from the box itself.
afx::testing::ShownBox Describe(const QMessageBox& box, const std::vector<ButtonMap>& buttons) {
    afx::testing::ShownBox s;
    s.caption = FromQt(box.windowTitle());
    QMessageBox::StandardButtons sb = box.standardButtons();
    auto has = [&](QMessageBox::StandardButton b) { return (sb & b) == b; };
    int n = static_cast<int>(box.buttons().size());
    if (n == 1 && has(QMessageBox::Ok))
        s.buttons = MB_OK;
    else if (n == 2 && has(QMessageBox::Ok) && has(QMessageBox::Cancel))
        s.buttons = MB_OKCANCEL;
    else if (n == 2 && has(QMessageBox::Yes) && has(QMessageBox::No))
        s.buttons = MB_YESNO;
    else if (n == 3 && has(QMessageBox::Yes) && has(QMessageBox::No) && has(QMessageBox::Cancel))
        s.buttons = MB_YESNOCANCEL;
    else if (n == 2 && has(QMessageBox::Retry) && has(QMessageBox::Cancel))
        s.buttons = MB_RETRYCANCEL;
    else if (n == 3 && has(QMessageBox::Abort))
        s.buttons = MB_ABORTRETRYIGNORE;
    else
        s.buttons = 0xFFFF;
    switch (box.icon()) {
        case QMessageBox::Critical:
            s.icon = MB_ICONERROR;
            break;
        case QMessageBox::Question:
            s.icon = MB_ICONQUESTION;
            break;
        case QMessageBox::Warning:
            s.icon = MB_ICONEXCLAMATION;
            break;
        case QMessageBox::Information:
            s.icon = MB_ICONINFORMATION;
            break;
        default:
            s.icon = 0;
            break;
    }
    (void)buttons;
    return s;
}

int ShowBoxOnUi(const std::string& text, const std::string& caption, UINT type) {
    std::vector<ButtonMap> buttons = ButtonsOf(type);
    QMessageBox box(IconOf(type), ToQt(caption), ToQt(text), QMessageBox::NoButton, ActiveModalWidget());
    for (const auto& b : buttons) box.addButton(b.button);
    box.setDefaultButton(buttons.front().button);
    for (const auto& b : buttons)
        if (b.id == IDCANCEL || (buttons.size() == 1)) box.setEscapeButton(b.button);
    if (TestingActive()) {
        afx::testing::ShownBox s = Describe(box, buttons);
        s.text = text;
        std::lock_guard<std::mutex> lock(Hooks().mu);
        int reply = buttons.front().id;
        if (!Hooks().boxAnswers.empty()) {
            reply = Hooks().boxAnswers.front();
            Hooks().boxAnswers.pop_front();
        }
        s.reply = reply;
        Hooks().shown.push_back(s);
        return reply;
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (const auto& b : buttons)
        if (clicked == box.button(b.button)) return b.id;
    for (const auto& b : buttons)
        if (b.id == IDCANCEL) return IDCANCEL;
    return buttons.front().id;
}

int ShowBox(const std::string& text, const std::string& caption, UINT type) {
    if (!QCoreApplication::instance()) return IDOK;
    if (!afx::IsUiThread()) {
        afx::PostToUi([text, caption, type] { ShowBoxOnUi(text, caption, type); });
        return IDOK;
    }
    return ShowBoxOnUi(text, caption, type);
}

}  // namespace

std::string AppTitle() {
    if (!QCoreApplication::instance()) return "";
    return FromQt(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
}

void ReportException(const char* what) {
    ShowBox(what && *what ? what : "An unknown error occurred.", AppTitle(), MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace afx::detail

int CWnd::MessageBox(const char* lpszText, const char* lpszCaption, UINT nType) {
    return afx::detail::ShowBox(lpszText ? lpszText : "", lpszCaption ? lpszCaption : "Error", nType);
}

int AfxMessageBox(const char* lpszText, UINT nType, UINT) {
    if ((nType & MB_ICONMASK) == 0) {
        UINT buttons = nType & MB_TYPEMASK;
        if (buttons == MB_OK || buttons == MB_OKCANCEL)
            nType |= MB_ICONEXCLAMATION;
        else if (buttons == MB_YESNO || buttons == MB_YESNOCANCEL)
            nType |= MB_ICONQUESTION;
    }
    return afx::detail::ShowBox(lpszText ? lpszText : "", afx::detail::AppTitle(), nType);
}
