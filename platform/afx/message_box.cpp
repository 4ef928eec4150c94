// The two kinds of message box and the error box for exceptions that reach the message loop.
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "afx_dialog.h"
#include "wnd_core.h"

namespace afx::detail {

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

int ShowBoxOnUi(const std::string& text, const std::string& caption, UINT type) {
    std::vector<ButtonMap> buttons = ButtonsOf(type);
    QMessageBox box(IconOf(type), ToQt(caption), ToQt(text), QMessageBox::NoButton, ActiveModalWidget());
    for (const auto& b : buttons) box.addButton(b.button);
    box.setDefaultButton(buttons.front().button);
    for (const auto& b : buttons)
        if (b.id == IDCANCEL || (buttons.size() == 1)) box.setEscapeButton(b.button);
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
