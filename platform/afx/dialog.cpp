// CDialog: modal and modeless dialogs from templates, the keyboard interface and the modal loop.
#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <atomic>
#include <vector>

#include "afx_dialog.h"
#include "afx_thread.h"
#include "dialog_build.h"
#include "widgets.h"

using namespace afx::detail;

namespace {

std::vector<CDialog*> g_modalStack;  // UI thread
std::atomic<bool> g_quitPending{false};

UINT VirtualKey(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<UINT>(key);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<UINT>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + static_cast<UINT>(key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return VK_TAB;
        case Qt::Key_Backspace:
            return VK_BACK;
        case Qt::Key_Space:
            return VK_SPACE;
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Down:
            return VK_DOWN;
        case Qt::Key_Home:
            return VK_HOME;
        case Qt::Key_End:
            return VK_END;
        case Qt::Key_PageUp:
            return VK_PRIOR;
        case Qt::Key_PageDown:
            return VK_NEXT;
        case Qt::Key_Insert:
            return VK_INSERT;
        case Qt::Key_Delete:
            return VK_DELETE;
        case Qt::Key_Shift:
            return VK_SHIFT;
        case Qt::Key_Control:
            return VK_CONTROL;
        case Qt::Key_Alt:
            return VK_MENU;
        case Qt::Key_Period:
            return 0xBE;
        case Qt::Key_Comma:
            return 0xBC;
        case Qt::Key_Minus:
            return 0xBD;
        default:
            return 0;
    }
}

// Offers each key press to PreTranslateMessage of the dialogs that contain its target, innermost
// first, once per key press (on its first delivery, to the focus widget or the window).
class KeyFilter : public QObject {
public:
    bool eventFilter(QObject* obj, QEvent* ev) override {
        if (ev->type() != QEvent::KeyPress) return false;
        auto* w = qobject_cast<QWidget*>(obj);
        if (!w) return false;
        QWidget* win = w->window();
        QWidget* focus = win->focusWidget();
        if (!(w == focus || (w == win && !focus))) return false;
        auto* ke = static_cast<QKeyEvent*>(ev);
        std::vector<CDialog*> chain;
        for (QWidget* p = w; p; p = p->parentWidget()) {
            if (auto* d = dynamic_cast<DialogWidget*>(p))
                if (d->Dialog()) chain.push_back(d->Dialog());
            if (p->isWindow()) break;
        }
        if (chain.empty()) return false;
        MSG msg;
        msg.hwnd = reinterpret_cast<HWND>(w);
        bool alt = (ke->modifiers() & Qt::AltModifier) != 0;
        msg.message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
        msg.wParam = VirtualKey(ke->key());
        msg.lParam = ke->isAutoRepeat() ? (1 << 30) : 0;
        msg.time = static_cast<DWORD>(ke->timestamp());
        bool consumed = false;
        for (CDialog* d : chain) {
            Guarded([&] { consumed = d->PreTranslateMessage(&msg) != FALSE; });
            if (consumed) return true;
        }
        // Alt+F4 closes the window where no window manager does it.
        if (alt && ke->key() == Qt::Key_F4) {
            CDialog* top = chain.back();
            AfxMsgArgs a;
            a.message = WM_SYSCOMMAND;
            a.wParam = SC_CLOSE;
            top->AfxDispatch(WM_SYSCOMMAND, 0, 0, a);
            return true;
        }
        return false;
    }
};

void InstallKeyFilter() {
    static KeyFilter* filter = nullptr;
    if (filter || !qApp) return;
    filter = new KeyFilter;
    qApp->installEventFilter(filter);
}

}  // namespace

struct DialogAccess {
    static void EndAllModal(int result) {
        for (CDialog* d : g_modalStack) {
            d->m_modalResult = result;
            d->m_ended = true;
            if (d->m_loop) static_cast<QEventLoop*>(d->m_loop)->exit();
        }
    }
};

namespace afx::detail {
QWidget* ActiveModalWidget() {
    return g_modalStack.empty() ? nullptr : g_modalStack.back()->GetWidget();
}
}  // namespace afx::detail

BEGIN_MESSAGE_MAP(CDialog, CWnd)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {
    m_core->kind = WndKind::Dialog;
}

CDialog::CDialog() {
    m_core->kind = WndKind::Dialog;
}

CDialog::~CDialog() {
    if (afx::IsUiThread()) DestroyWindow();
}

bool CDialog::Build(const afx::DialogTemplate& t, QWidget* parentWidget, bool child) {
    InstallKeyFilter();
    if (m_core->widget) DestroyWindow();
    // A fresh window state; a dialog object may be run more than once. What was posted to the
    // object before it had a window is dropped.
    m_core->owner.store(nullptr);
    auto core = NewCore(WndKind::Dialog, this);
    core->internalObject = nullptr;
    m_core = core;
    m_hWnd = reinterpret_cast<HWND>(core.get());
    core->parent = m_pParentWnd;
    Qt::WindowFlags flags = Qt::Widget;
    if (!child) {
        flags = Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint;
        if (t.style & afx::kDsSysMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (t.style & afx::kDsMinimizeBox) flags |= Qt::WindowMinimizeButtonHint;
    }
    auto* w = new DialogWidget(parentWidget, flags, this, core);
    core->widget = w;
    QFont font = TemplateFont(t);
    w->setFont(font);
    core->font = MeasureFont(font);
    BaseUnits units = MeasureBaseUnits(font);
    CRect client = ToPixels(units, 0, 0, t.cx, t.cy);
    if (!child && (t.style & afx::kDsSysMenu)) core->sysMenu = std::make_shared<MenuData>();
    {
        std::lock_guard<std::mutex> lock(core->mu);
        core->st.exists = true;
        core->st.text = t.caption;
        core->st.rect = client;
        core->st.visible = false;
        core->st.style = child ? WS_CHILD : 0;
    }
    if (child) {
        w->setGeometry(0, 0, client.Width(), client.Height());
        w->hide();
    } else {
        w->setWindowTitle(ToQt(t.caption));
        w->setFixedSize(client.Width(), client.Height());
        w->KeepFrame((t.style & afx::kDsMinimizeBox) != 0);
        if (t.style & afx::kDsAppWindow) w->setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
    BuildControls(*this, t, w, units);
    return true;
}

INT_PTR CDialog::DoModal() {
    if (!afx::IsUiThread() || !QCoreApplication::instance()) return -1;
    if (g_quitPending.exchange(false)) return -1;
    const afx::DialogTemplate* t = afx::FindTemplate(m_nIDTemplate);
    if (!t) return -1;
    QWidget* parentWidget = m_pParentWnd ? m_pParentWnd->GetWidget() : nullptr;
    if (parentWidget) parentWidget = parentWidget->window();
    if (!Build(*t, parentWidget, false)) return -1;
    m_ended = false;
    m_modalResult = IDCANCEL;
    g_modalStack.push_back(this);
    BOOL focusDefault = TRUE;
    Guarded([&] { focusDefault = OnInitDialog(); });
    QWidget* w = GetWidget();
    if (!m_ended && w) {
        w->setWindowModality(Qt::ApplicationModal);
        {
            std::lock_guard<std::mutex> lock(m_core->mu);
            m_core->st.visible = true;
        }
        w->show();
        w->activateWindow();
        if (focusDefault) {
            QWidget* first = w->nextInFocusChain();
            for (int guard = 0; first && first != w && guard < 1000;
                 ++guard, first = first->nextInFocusChain()) {
                if ((first->focusPolicy() & Qt::TabFocus) && first->isEnabled() && first->isVisibleTo(w)) {
                    first->setFocus(Qt::TabFocusReason);
                    break;
                }
            }
        }
        QEventLoop loop;
        m_loop = &loop;
        if (!m_ended) loop.exec();
        m_loop = nullptr;
    }
    g_modalStack.erase(std::remove(g_modalStack.begin(), g_modalStack.end(), this), g_modalStack.end());
    if (QWidget* ww = GetWidget()) ww->hide();
    DestroyWindow();
    return m_modalResult;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    if (!afx::IsUiThread() || !QCoreApplication::instance()) return FALSE;
    const afx::DialogTemplate* t = afx::FindTemplate(nIDTemplate);
    if (!t) return FALSE;
    m_nIDTemplate = nIDTemplate;
    if (pParentWnd) m_pParentWnd = pParentWnd;
    bool child = (t->style & afx::kDsChild) != 0;
    QWidget* parentWidget = m_pParentWnd ? m_pParentWnd->GetWidget() : nullptr;
    if (child && !parentWidget) return FALSE;
    if (!Build(*t, parentWidget, child)) return FALSE;
    m_ended = false;
    Guarded([&] { OnInitDialog(); });
    return TRUE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::EndDialog(int nResult) {
    if (!afx::IsUiThread()) {
        auto core = m_core;
        afx::PostToUi([core, nResult] {
            if (auto* d = dynamic_cast<CDialog*>(core->owner.load())) d->EndDialog(nResult);
        });
        return;
    }
    m_modalResult = nResult;
    m_ended = true;
    if (m_loop) {
        static_cast<QEventLoop*>(m_loop)->exit();
    } else if (std::find(g_modalStack.begin(), g_modalStack.end(), this) == g_modalStack.end()) {
        ShowWindow(SW_HIDE);  // a modeless dialog
    }
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

LRESULT CDialog::DefaultMessage(UINT message, UINT code, UINT id, AfxMsgArgs& args) {
    if (message == WM_COMMAND && code == BN_CLICKED) {
        if (id == IDOK) {
            OnOK();
            return 0;
        }
        if (id == IDCANCEL) {
            OnCancel();
            return 0;
        }
    }
    return CWnd::DefaultMessage(message, code, id, args);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    if (!pMsg || pMsg->message != WM_KEYDOWN) return FALSE;
    QWidget* w = GetWidget();
    if (!w || !w->isWindow()) return FALSE;  // a child dialog leaves keys to its owner
    auto command = [this](UINT id) {
        AfxMsgArgs a;
        a.message = WM_COMMAND;
        a.wParam = id;
        AfxDispatch(WM_COMMAND, BN_CLICKED, id, a);
    };
    if (pMsg->wParam == VK_ESCAPE) {
        command(IDCANCEL);
        return TRUE;
    }
    if (pMsg->wParam == VK_RETURN) {
        auto* target = reinterpret_cast<QWidget*>(pMsg->hwnd);
        if (auto* b = qobject_cast<QPushButton*>(target); b && !b->isCheckable()) {
            b->click();
            return TRUE;
        }
        if (qobject_cast<QPlainTextEdit*>(target)) {
            std::lock_guard<std::mutex> lock(m_core->childMu);
            for (const auto& c : m_core->children)
                if (c->widget == target && (c->flags & afx::kWantReturn)) return FALSE;
        }
        UINT def = IDOK;
        std::shared_ptr<WndCore> defCore;
        {
            std::lock_guard<std::mutex> lock(m_core->childMu);
            for (const auto& c : m_core->children)
                if (c->kind == WndKind::PushButton && (c->flags & afx::kDefPush)) {
                    def = static_cast<UINT>(c->id);
                    defCore = c;
                    break;
                }
        }
        if (!defCore) defCore = m_core->FindChild(static_cast<int>(def));
        if (defCore && defCore->widget && !defCore->widget->isEnabled()) return TRUE;
        command(def);
        return TRUE;
    }
    return FALSE;
}

void PostQuitMessage(int) {
    afx::PostToUi([] {
        if (g_modalStack.empty())
            g_quitPending.store(true);
        else
            DialogAccess::EndAllModal(-1);
    });
}
