// The Qt widgets behind the windows.
#include "widgets.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>

#include "afx_dialog.h"

namespace afx::detail {

DialogWidget::DialogWidget(QWidget* parent, Qt::WindowFlags flags, CDialog* dlg,
                           std::shared_ptr<WndCore> core)
    : QWidget(parent, flags), m_dlg(dlg), m_core(core) {}

void DialogWidget::closeEvent(QCloseEvent* e) {
    // The dialog decides (WM_CLOSE); the window is hidden by EndDialog, never by Qt.
    e->ignore();
    if (!m_dlg) return;
    AfxMsgArgs a;
    a.message = WM_CLOSE;
    m_dlg->AfxDispatch(WM_CLOSE, 0, 0, a);
}

void DialogWidget::paintEvent(QPaintEvent* e) {
    if (!m_dlg || !m_dlg->FindMessageEntry(WM_PAINT, 0, 0)) {
        QWidget::paintEvent(e);
        return;
    }
    QPainter p(this);
    m_painter = &p;
    AfxMsgArgs a;
    a.message = WM_PAINT;
    m_dlg->AfxDispatch(WM_PAINT, 0, 0, a);
    m_painter = nullptr;
}

void DialogWidget::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !m_dlg) {
        QWidget::mousePressEvent(e);
        return;
    }
    AfxMsgArgs a;
    a.message = WM_LBUTTONDOWN;
    a.nFlags = MK_LBUTTON | ((e->modifiers() & Qt::ShiftModifier) ? MK_SHIFT : 0) |
               ((e->modifiers() & Qt::ControlModifier) ? MK_CONTROL : 0);
    QPoint pt = e->position().toPoint();
    a.point = CPoint(pt.x(), pt.y());
    a.wParam = a.nFlags;
    a.lParam = static_cast<LPARAM>((pt.x() & 0xFFFF) | ((pt.y() & 0xFFFF) << 16));
    m_dlg->AfxDispatch(WM_LBUTTONDOWN, 0, 0, a);
}

void DialogWidget::contextMenuEvent(QContextMenuEvent* e) {
    auto core = m_core.lock();
    if (!m_dlg || !core || !core->sysMenu) {
        e->ignore();
        return;
    }
    std::vector<CMenu::Item> items;
    {
        std::lock_guard<std::mutex> lock(core->sysMenu->mu);
        items = core->sysMenu->items;
    }
    if (items.empty()) {
        e->ignore();
        return;
    }
    QMenu menu(this);
    for (const auto& it : items) {
        if (it.flags & MF_SEPARATOR) {
            menu.addSeparator();
        } else {
            QAction* act = menu.addAction(ToQt(it.text));
            act->setData(it.id);
        }
    }
    QAction* chosen = menu.exec(e->globalPos());
    if (chosen && m_dlg) {
        AfxMsgArgs a;
        a.message = WM_SYSCOMMAND;
        a.wParam = chosen->data().toUInt();
        m_dlg->AfxDispatch(WM_SYSCOMMAND, 0, 0, a);
    }
}

void DialogWidget::changeEvent(QEvent* e) {
    if (e->type() == QEvent::WindowStateChange && m_keepFrame) {
        Qt::WindowStates refused = Qt::WindowMaximized | Qt::WindowFullScreen;
        if (!m_minimizeAllowed) refused |= Qt::WindowMinimized;
        if (windowState() & refused) setWindowState(windowState() & ~refused);
    }
    if (e->type() == QEvent::WindowStateChange) {
        if (auto core = m_core.lock()) {
            std::lock_guard<std::mutex> lock(core->mu);
            core->st.iconic = isMinimized();
        }
    }
    QWidget::changeEvent(e);
}

PushButton::PushButton(QWidget* parent, bool multiLine) : QPushButton(parent), m_multiLine(multiLine) {
    setAutoDefault(false);
    setDefault(false);
}

void PushButton::SetCaption(const QString& text) {
    m_caption = text;
    Relayout();
}

void PushButton::SetPictureOnly(bool on) {
    m_pictureOnly = on;
    Relayout();
}

void PushButton::resizeEvent(QResizeEvent* e) {
    QPushButton::resizeEvent(e);
    if (m_multiLine) Relayout();
}

void PushButton::Relayout() {
    if (m_pictureOnly && !icon().isNull()) {
        setText(QString());
        return;
    }
    if (!m_multiLine) {
        setText(m_caption);
        return;
    }
    // Wrap at blanks to the button's width.
    QFontMetrics fm(font());
    int avail = std::max(1, width() - 8);
    QStringList words = m_caption.split(' ');
    QString out, line;
    for (const QString& w : words) {
        QString candidate = line.isEmpty() ? w : line + ' ' + w;
        if (!line.isEmpty() && fm.horizontalAdvance(candidate) > avail) {
            out += (out.isEmpty() ? QString() : QString("\n")) + line;
            line = w;
        } else {
            line = candidate;
        }
    }
    out += (out.isEmpty() ? QString() : QString("\n")) + line;
    setText(out);
}

void StaticText::mouseReleaseEvent(QMouseEvent* e) {
    QLabel::mouseReleaseEvent(e);
    if (e->button() != Qt::LeftButton) return;
    if (auto core = m_core.lock()) NotifyCommand(*core, STN_CLICKED);
}

void DropList::showPopup() {
    if (auto core = m_core.lock()) NotifyCommand(*core, CBN_DROPDOWN);
    QComboBox::showPopup();
}

TabWidget::TabWidget(QWidget* parent) : QWidget(parent), m_bar(new QTabBar(this)) {
    m_bar->setDrawBase(false);
    m_bar->setExpanding(false);
}

void TabWidget::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    m_bar->setGeometry(0, 0, width(), std::min(height(), m_bar->sizeHint().height()));
}

void TabWidget::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionTabWidgetFrame opt;
    opt.initFrom(this);
    int barH = std::min(height(), m_bar->sizeHint().height());
    opt.rect = QRect(0, barH - 1, width(), height() - barH + 1);
    opt.tabBarSize = m_bar->sizeHint();
    opt.shape = QTabBar::RoundedNorth;
    p.drawPrimitive(QStyle::PE_FrameTabWidget, opt);
}

void StatusBarWidget::SetPanes(const std::vector<std::string>& texts, const std::vector<int>& widths) {
    while (m_labels.size() < texts.size()) {
        auto* l = new QLabel(this);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->show();
        m_labels.push_back(l);
    }
    while (m_labels.size() > texts.size()) {
        delete m_labels.back();
        m_labels.pop_back();
    }
    int x = 2;
    for (size_t i = 0; i < texts.size(); ++i) {
        int w = (i < widths.size() ? widths[i] : 0) + 6;
        m_labels[i]->setText(ToQt(texts[i]));
        m_labels[i]->setGeometry(x, 2, w, std::max(1, height() - 3));
        x += w + 2;
    }
}

void StatusBarWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(0, 0, width(), 0);
}

DialogWidget* DialogOf(QWidget* w) {
    for (; w; w = w->parentWidget()) {
        if (auto* d = dynamic_cast<DialogWidget*>(w)) return d;
        if (w->isWindow()) break;
    }
    return nullptr;
}

QPainter* CurrentPainter(QWidget* w) {
    auto* d = dynamic_cast<DialogWidget*>(w);
    return d ? d->Painter() : nullptr;
}

}  // namespace afx::detail
