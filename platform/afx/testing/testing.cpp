// Headless test support.
#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QThread>
#include <QTimer>
#include <clocale>
#include <cstdlib>

#include "afx_dialog.h"
#include "afx_testing.h"
#include "widgets.h"
#include "wnd_core.h"

using namespace afx::detail;

namespace afx::testing {

void EnsureApplication() {
    if (!QCoreApplication::instance()) {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "afx_test";
        static char* argv[] = {name, nullptr};
        static QApplication* app = new QApplication(argc, argv);
        (void)app;
    }
    std::setlocale(LC_NUMERIC, "C");
    AnswerDialogsFromQueues();
}

QWidget* Widget(CWnd& dlg, int id) {
    CWnd* w = dlg.GetDlgItem(id);
    return w ? w->GetWidget() : nullptr;
}

namespace {

bool Reachable(QWidget* w) {
    return w && w->isEnabled() && w->isVisibleTo(w->window()) && w->window()->isVisible();
}

}  // namespace

bool Click(CWnd& dlg, int id) {
    CWnd* wnd = dlg.GetDlgItem(id);
    QWidget* w = wnd ? wnd->GetWidget() : nullptr;
    if (!Reachable(w)) return false;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->click();
        return true;
    }
    const auto& core = wnd->Core();
    if (core->kind == WndKind::Static) {
        if (core->flags & afx::kNotify) {
            NotifyCommand(*core, STN_CLICKED);
        } else {
            // A static without the notify style lets the click through to the window beneath.
            QPoint c = w->geometry().center();
            if (CWnd* parent = wnd->GetParent()) ClickBackground(*parent, CPoint(c.x(), c.y()));
        }
        return true;
    }
    return false;
}

void ClickBackground(CWnd& wnd, CPoint point) {
    QWidget* w = wnd.GetWidget();
    if (!w) return;
    QPointF local(point.x, point.y);
    QMouseEvent press(QEvent::MouseButtonPress, local, w->mapToGlobal(local), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, w->mapToGlobal(local), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}

namespace {

void SendKey(QWidget* target, int key, Qt::KeyboardModifiers mods, const QString& text) {
    static ulong stamp = 1;
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    press.setTimestamp(++stamp);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    release.setTimestamp(++stamp);
    QCoreApplication::sendEvent(target, &release);
}

}  // namespace

bool TypeText(CWnd& dlg, int id, const std::string& text, bool replace) {
    QWidget* w = Widget(dlg, id);
    if (!Reachable(w)) return false;
    w->setFocus(Qt::OtherFocusReason);
    if (auto* le = qobject_cast<QLineEdit*>(w)) {
        if (replace)
            le->selectAll();
        else
            le->end(false);
        if (replace && text.empty() && !le->text().isEmpty())
            SendKey(w, Qt::Key_Backspace, Qt::NoModifier, QString());
    } else if (auto* me = qobject_cast<QPlainTextEdit*>(w)) {
        if (replace)
            me->selectAll();
        else
            me->moveCursor(QTextCursor::End);
        if (replace && text.empty() && !me->toPlainText().isEmpty())
            SendKey(w, Qt::Key_Backspace, Qt::NoModifier, QString());
    } else {
        return false;
    }
    QString q = ToQt(text);
    for (int i = 0; i < q.size(); ++i) {
        QString ch = q.mid(i, q[i].isHighSurrogate() && i + 1 < q.size() ? 2 : 1);
        if (ch.size() == 2) ++i;
        int key = 0;
        ushort u = ch[0].toUpper().unicode();
        if (u >= 0x20 && u < 0x7F) key = u;
        if (ch == "\n") key = Qt::Key_Return;
        SendKey(w, key, Qt::NoModifier, ch);
    }
    return true;
}

bool DropDownCombo(CWnd& dlg, int id) {
    auto* cb = qobject_cast<QComboBox*>(Widget(dlg, id));
    if (!Reachable(cb)) return false;
    cb->showPopup();
    cb->hidePopup();
    return true;
}

bool SelectComboEntry(CWnd& dlg, int id, int index) {
    auto* cb = qobject_cast<QComboBox*>(Widget(dlg, id));
    if (!Reachable(cb)) return false;
    cb->showPopup();
    cb->hidePopup();
    if (index < 0 || index >= cb->count()) return false;
    cb->setCurrentIndex(index);
    emit cb->activated(index);
    return true;
}

bool SelectTab(CWnd& dlg, int id, int index) {
    auto* t = dynamic_cast<TabWidget*>(Widget(dlg, id));
    if (!Reachable(t) || index < 0 || index >= t->Bar()->count()) return false;
    t->Bar()->setCurrentIndex(index);
    return true;
}

void PressKey(CWnd& wnd, int qtKey, Qt::KeyboardModifiers modifiers) {
    QWidget* w = wnd.GetWidget();
    if (!w) return;
    QWidget* win = w->window();
    QWidget* target = win->focusWidget() ? win->focusWidget() : win;
    QString text;
    if (qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter)
        text = "\r";
    else if (qtKey == Qt::Key_Escape)
        text = QString(QChar(0x1B));
    else if (qtKey >= 0x20 && qtKey < 0x7F && !(modifiers & (Qt::ControlModifier | Qt::AltModifier)))
        text = QString(QChar(qtKey)).toLower();
    SendKey(target, qtKey, modifiers, text);
}

void CloseWindow(CWnd& wnd) {
    QWidget* w = wnd.GetWidget();
    if (!w) return;
    QCloseEvent ev;
    QCoreApplication::sendEvent(w->window(), &ev);
}

bool ChooseSystemMenuItem(CWnd& wnd, UINT id) {
    CMenu* menu = wnd.GetSystemMenu(FALSE);
    if (!menu) return false;
    for (const auto& it : menu->Items()) {
        if (!(it.flags & MF_SEPARATOR) && it.id == id) {
            AfxMsgArgs a;
            a.message = WM_SYSCOMMAND;
            a.wParam = id;
            wnd.AfxDispatch(WM_SYSCOMMAND, 0, 0, a);
            return true;
        }
    }
    return false;
}

bool GrabToPng(CWnd& wnd, const std::string& path) {
    QWidget* w = wnd.GetWidget();
    if (!w) return false;
    return w->grab().save(ToQt(path), "PNG");
}

bool RunUntil(const std::function<bool()>& predicate, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!predicate()) {
        if (t.elapsed() >= timeoutMs) return predicate();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents();
        QThread::msleep(1);
    }
    return true;
}

void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents();
    } while (t.elapsed() < ms);
}

void RegisterOwnerTemplate(UINT id) {
    afx::DialogTemplate t;
    t.id = id;
    t.cx = 100;
    t.cy = 50;
    t.style = afx::kDsPopup | afx::kDsCaption;
    t.caption = "Owner";
    afx::RegisterTemplate(t);
}

INT_PTR RunModal(CDialog& dlg, const std::function<void(CDialog&)>& script, int endResult) {
    auto alive = std::make_shared<bool>(true);
    auto stepPtr = std::make_shared<std::function<void()>>();
    *stepPtr = [alive, stepPtr, &dlg, &script, endResult] {
        if (!*alive) return;
        if (!dlg.IsModalRunning()) {
            QTimer::singleShot(0, [stepPtr] {
                if (*stepPtr) (*stepPtr)();
            });
            return;
        }
        *alive = false;
        Guarded([&] { script(dlg); });
        if (dlg.IsModalRunning() && endResult != 0) dlg.EndDialog(endResult);
    };
    QTimer::singleShot(0, [stepPtr] {
        if (*stepPtr) (*stepPtr)();
    });
    INT_PTR r = dlg.DoModal();
    *alive = false;
    *stepPtr = nullptr;
    return r;
}

}  // namespace afx::testing
