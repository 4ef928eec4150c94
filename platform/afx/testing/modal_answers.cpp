// Answers the program's message boxes and file dialogs from outside, as a person at the screen
// does: an application event filter sees a box or a file dialog appear, and from the dialog's own
// event loop the queued answer is given: a button pressed, a path typed and the dialog accepted.
// Nothing in the program knows of it.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "afx_testing.h"
#include "wnd_core.h"

using afx::detail::FromQt;
using afx::detail::ToQt;

namespace afx::testing {

namespace {

struct Queues {
    std::mutex mu;
    std::deque<int> boxAnswers;
    std::vector<ShownBox> shown;
    std::deque<std::string> fileAnswers;
    std::vector<ShownFileDialog> dialogs;
};

Queues& State() {
    static Queues* q = new Queues;
    return *q;
}

int IdOf(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Ok:
            return IDOK;
        case QMessageBox::Cancel:
            return IDCANCEL;
        case QMessageBox::Abort:
            return IDABORT;
        case QMessageBox::Retry:
            return IDRETRY;
        case QMessageBox::Ignore:
            return IDIGNORE;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return IDOK;
    }
}

// What the box shows, read back from the box itself.
ShownBox Describe(const QMessageBox& box) {
    ShownBox s;
    s.text = FromQt(box.text());
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
    return s;
}

// The first button of a kind of box: OK, Yes, Abort, Retry.
int FirstButtonOf(UINT buttons) {
    switch (buttons) {
        case MB_YESNO:
        case MB_YESNOCANCEL:
            return IDYES;
        case MB_ABORTRETRYIGNORE:
            return IDABORT;
        case MB_RETRYCANCEL:
            return IDRETRY;
        default:
            return IDOK;
    }
}

// The queued reply, else the box's first button; the button is pressed.
void AnswerBox(QMessageBox& box) {
    ShownBox s = Describe(box);
    int reply = FirstButtonOf(s.buttons);
    {
        std::lock_guard<std::mutex> lock(State().mu);
        if (!State().boxAnswers.empty()) {
            reply = State().boxAnswers.front();
            State().boxAnswers.pop_front();
        }
    }
    QAbstractButton* press = nullptr;
    for (QAbstractButton* b : box.buttons())
        if (IdOf(box.standardButton(b)) == reply) press = b;
    // A reply the box does not offer: the box is closed as with Escape.
    if (!press) press = box.escapeButton();
    if (!press && !box.buttons().isEmpty()) press = box.buttons().front();
    s.reply = press ? IdOf(box.standardButton(press)) : IDOK;
    {
        std::lock_guard<std::mutex> lock(State().mu);
        State().shown.push_back(s);
    }
    if (press)
        press->click();
    else
        box.done(0);
}

// Types each queued path and accepts, for as long as the dialog stays open (it does after "No"
// at its question whether to replace a file); with no path left it is cancelled.
void AnswerFileDialog(const QPointer<QFileDialog>& dialog) {
    {
        ShownFileDialog d;
        d.save = dialog->acceptMode() == QFileDialog::AcceptSave;
        d.title = FromQt(dialog->windowTitle());
        for (const QString& f : dialog->nameFilters()) d.filters.push_back(FromQt(f));
        d.defaultSuffix = FromQt(dialog->defaultSuffix());
        d.confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        std::lock_guard<std::mutex> lock(State().mu);
        State().dialogs.push_back(d);
    }
    while (dialog && dialog->isVisible()) {
        std::optional<std::string> path;
        {
            std::lock_guard<std::mutex> lock(State().mu);
            if (!State().fileAnswers.empty()) {
                path = State().fileAnswers.front();
                State().fileAnswers.pop_front();
            }
        }
        if (!path || path->empty()) {
            dialog->reject();
            return;
        }
        // Typing into the name field, the field has the focus: a file highlighted in the list
        // (the dialog highlights the one it just asked about) no longer counts.
        if (auto* view = dialog->findChild<QAbstractItemView*>("listView"))
            view->selectionModel()->clearSelection();
        if (auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit"))
            edit->setText(ToQt(*path));
        else
            dialog->selectFile(ToQt(*path));
        // The Save (Open) button.
        QMetaObject::invokeMethod(dialog.data(), "accept", Qt::DirectConnection);
    }
}

// A step run from the event loop of the dialog just shown, before anything else waiting there.
class Step final : public QEvent {
public:
    explicit Step(std::function<void()> run) : QEvent(Type()), run_(std::move(run)) {}
    static QEvent::Type Type() {
        static const int type = QEvent::registerEventType();
        return static_cast<QEvent::Type>(type);
    }
    void Run() const { run_(); }

private:
    std::function<void()> run_;
};

class Answerer final : public QObject {
public:
    bool eventFilter(QObject* obj, QEvent* ev) override {
        if (ev->type() != QEvent::Show || !obj->isWidgetType()) return false;
        if (auto* box = qobject_cast<QMessageBox*>(obj)) {
            Later([box = QPointer<QMessageBox>(box)] {
                if (box && box->isVisible()) AnswerBox(*box);
            });
        } else if (auto* dialog = qobject_cast<QFileDialog*>(obj)) {
            Later([dialog = QPointer<QFileDialog>(dialog)] {
                if (dialog && dialog->isVisible()) AnswerFileDialog(dialog);
            });
        }
        return false;
    }

protected:
    void customEvent(QEvent* ev) override {
        if (ev->type() == Step::Type()) static_cast<Step*>(ev)->Run();
    }

private:
    // The box's exec() has not yet started its loop when it is shown: the answer is posted there.
    void Later(std::function<void()> run) {
        QCoreApplication::postEvent(this, new Step(std::move(run)), Qt::HighEventPriority);
    }
};

}  // namespace

void AnswerDialogsFromQueues() {
    // Installed once the application is there: now, or as the application is made.
    static bool once = false;
    if (once) return;
    once = true;
    qAddPreRoutine([] {
        // The file dialog keeps its places in the user's settings: in tests it neither reads nor
        // writes them (nothing can be made below a device file).
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, "/dev/null");
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, "/dev/null");
        QCoreApplication::instance()->installEventFilter(new Answerer);
    });
}

void AnswerNextMessageBox(int reply) {
    std::lock_guard<std::mutex> lock(State().mu);
    State().boxAnswers.push_back(reply);
}

std::vector<ShownBox> ShownBoxes() {
    std::lock_guard<std::mutex> lock(State().mu);
    return State().shown;
}

void ClearShownBoxes() {
    std::lock_guard<std::mutex> lock(State().mu);
    State().shown.clear();
    State().boxAnswers.clear();
    State().fileAnswers.clear();
    State().dialogs.clear();
}

void AnswerNextFileDialog(const std::string& path) {
    std::lock_guard<std::mutex> lock(State().mu);
    State().fileAnswers.push_back(path);
}

std::vector<ShownFileDialog> ShownFileDialogs() {
    std::lock_guard<std::mutex> lock(State().mu);
    return State().dialogs;
}

}  // namespace afx::testing
