// Internal: the Qt widgets behind the windows.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QWidget>
#include <memory>

#include "wnd_core.h"

class CDialog;

namespace afx::detail {

// The window of a dialog (top-level or child page).
class DialogWidget : public QWidget {
public:
    DialogWidget(QWidget* parent, Qt::WindowFlags flags, CDialog* dlg, std::shared_ptr<WndCore> core);
    CDialog* Dialog() const { return m_dlg; }
    void Detach() { m_dlg = nullptr; }
    bool InPaint() const { return m_painter != nullptr; }
    // A top-level window of fixed size: a window manager's maximise or full screen (and a
    // minimise where the window has no minimise box) is undone at once.
    void KeepFrame(bool minimizeAllowed) {
        m_keepFrame = true;
        m_minimizeAllowed = minimizeAllowed;
    }
    QPainter* Painter() const { return m_painter; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    CDialog* m_dlg;
    std::weak_ptr<WndCore> m_core;
    QPainter* m_painter = nullptr;
    bool m_keepFrame = false;
    bool m_minimizeAllowed = true;
};

// Push button (also a push-like check box): wraps a multi-line caption to its width and shows
// only its picture in icon or bitmap style.
class PushButton : public QPushButton {
public:
    PushButton(QWidget* parent, bool multiLine);
    void SetCaption(const QString& text);
    void SetPictureOnly(bool on);
    QString Caption() const { return m_caption; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void Relayout();
    QString m_caption;
    bool m_multiLine;
    bool m_pictureOnly = false;
};

// Automatic radio button in a group of its own: a click checks it, never unchecks it.
class RadioButton : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    void nextCheckState() override { setChecked(true); }
};

// Static text; with the notify style a click raises STN_CLICKED.
class StaticText : public QLabel {
public:
    StaticText(QWidget* parent, std::weak_ptr<WndCore> core) : QLabel(parent), m_core(std::move(core)) {}

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    std::weak_ptr<WndCore> m_core;
};

// Drop-down list: CBN_DROPDOWN reaches the handler before the list opens.
class DropList : public QComboBox {
public:
    DropList(QWidget* parent, std::weak_ptr<WndCore> core) : QComboBox(parent), m_core(std::move(core)) {}
    void showPopup() override;

private:
    std::weak_ptr<WndCore> m_core;
};

// Multi-line edit.
class MultiEdit : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;
    bool settingFromCode = false;
};

// Tab control: a tab bar over a framed area; the pages are children placed by the program.
class TabWidget : public QWidget {
public:
    explicit TabWidget(QWidget* parent);
    QTabBar* Bar() const { return m_bar; }

protected:
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    QTabBar* m_bar;
};

// Status bar panes.
class StatusBarWidget : public QWidget {
public:
    explicit StatusBarWidget(QWidget* parent) : QWidget(parent) {}
    void SetPanes(const std::vector<std::string>& texts, const std::vector<int>& widths);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::vector<QLabel*> m_labels;
};

// The dialog widget that contains w (w itself included); nullptr when none.
DialogWidget* DialogOf(QWidget* w);
// The painter of the paint in progress of this widget; nullptr when none.
QPainter* CurrentPainter(QWidget* w);

}  // namespace afx::detail
