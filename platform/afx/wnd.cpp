// CWnd: windows and controls by id, with the thread rules of the framework.
#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <stdexcept>

#include "afx_controls.h"
#include "afx_dialog.h"
#include "afx_gdi.h"
#include "afx_pictures.h"
#include "list_model.h"
#include "widgets.h"

using afx::IsUiThread;
using afx::detail::WndCore;
using afx::detail::WndKind;

namespace afx::detail {

std::shared_ptr<WndCore> WndCore::FindChild(int wantedId) const {
    std::lock_guard<std::mutex> lock(childMu);
    for (const auto& c : children)
        if (c->id == wantedId) return c;
    return nullptr;
}

std::shared_ptr<WndCore> NewCore(WndKind kind, CWnd* owner) {
    auto c = std::make_shared<WndCore>();
    c->kind = kind;
    c->owner.store(owner);
    RegisterWindowCore(c);
    return c;
}

CWnd* NewControlObject(WndKind kind) {
    switch (kind) {
        case WndKind::PushButton:
        case WndKind::CheckBox:
        case WndKind::RadioButton:
            return new CButton;
        case WndKind::Static:
        case WndKind::GroupBox:
            return new CStatic;
        case WndKind::Edit:
            return new CEdit;
        case WndKind::ComboSimple:
        case WndKind::ComboDropList:
            return new CComboBox;
        case WndKind::ListView:
            return new CListCtrl;
        case WndKind::TabControl:
            return new CTabCtrl;
        default:
            return new CWnd;
    }
}

void NotifyCommand(WndCore& core, UINT code) {
    CWnd* target = core.notify;
    if (!target) return;
    AfxMsgArgs a;
    a.message = WM_COMMAND;
    a.wParam = static_cast<WPARAM>((core.id & 0xFFFF) | (code << 16));
    a.lParam = reinterpret_cast<LPARAM>(core.widget.data());
    target->AfxDispatch(WM_COMMAND, code, static_cast<UINT>(core.id), a);
}

void NotifyTabChange(WndCore& core) {
    CWnd* target = core.notify;
    if (!target) return;
    NMHDR hdr;
    hdr.hwndFrom = reinterpret_cast<HWND>(core.widget.data());
    hdr.idFrom = static_cast<UINT_PTR>(core.id);
    hdr.code = TCN_SELCHANGE;
    LRESULT result = 0;
    AfxMsgArgs a;
    a.message = WM_NOTIFY;
    a.wParam = static_cast<WPARAM>(core.id);
    a.lParam = reinterpret_cast<LPARAM>(&hdr);
    a.pNMHDR = &hdr;
    a.pResult = &result;
    target->AfxDispatch(WM_NOTIFY, TCN_SELCHANGE, static_cast<UINT>(core.id), a);
}

namespace {

std::string ToWindowsLines(const QString& s) {
    std::string in = FromQt(s), out;
    out.reserve(in.size());
    for (char ch : in) {
        if (ch == '\n') out += '\r';
        out += ch;
    }
    return out;
}

QString FromWindowsLines(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out += s[i];
    return ToQt(out);
}

}  // namespace

void ApplyText(WndCore& core, const std::string& text, bool notify) {
    QWidget* w = core.widget;
    if (!w) return;
    switch (core.kind) {
        case WndKind::Dialog:
            w->setWindowTitle(ToQt(text));
            break;
        case WndKind::PushButton:
        case WndKind::CheckBox:
        case WndKind::RadioButton:
            if (auto* pb = dynamic_cast<PushButton*>(w))
                pb->SetCaption(ToQt(text));
            else if (auto* b = qobject_cast<QAbstractButton*>(w))
                b->setText(ToQt(text));
            break;
        case WndKind::GroupBox:
            if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(ToQt(text));
            break;
        case WndKind::Static:
            if (auto* l = qobject_cast<QLabel*>(w)) l->setText(ToQt(StripMnemonic(text)));
            break;
        case WndKind::Edit:
            if (auto* le = qobject_cast<QLineEdit*>(w)) {
                QSignalBlocker block(le);
                le->setText(ToQt(text));
            } else if (auto* me = dynamic_cast<MultiEdit*>(w)) {
                me->settingFromCode = true;
                me->setPlainText(FromWindowsLines(text));
                me->settingFromCode = false;
            }
            if (notify) {
                NotifyCommand(core, EN_UPDATE);
                NotifyCommand(core, EN_CHANGE);
            }
            break;
        case WndKind::ComboSimple:
            if (auto* le = qobject_cast<QLineEdit*>(w)) {
                QSignalBlocker block(le);
                le->setText(ToQt(text));
            }
            break;
        default:
            break;
    }
}

void ApplyCheck(WndCore& core, int check) {
    if (auto* b = qobject_cast<QAbstractButton*>(core.widget.data())) {
        QSignalBlocker block(b);
        b->setChecked(check != 0);
    }
}

void ApplyEnabled(WndCore& core, bool enabled) {
    if (QWidget* w = core.widget) w->setEnabled(enabled);
}

void ApplyVisible(WndCore& core, bool visible) {
    QWidget* w = core.widget;
    if (!w) return;
    if (w->isWindow() && core.kind == WndKind::Dialog) {
        // A top-level dialog is shown by its modal loop; only hiding applies before that.
        if (!visible) w->hide();
        return;
    }
    w->setVisible(visible);
}

void ApplyGeometry(WndCore& core, const CRect& r) {
    QWidget* w = core.widget;
    if (!w) return;
    int h = r.Height();
    if (core.kind == WndKind::ComboDropList) h = std::min(h, w->sizeHint().height());
    if (w->isWindow()) {
        w->move(r.left, r.top);
        w->setFixedSize(r.Width(), r.Height());
    } else {
        w->setGeometry(r.left, r.top, r.Width(), std::max(0, h));
    }
    if (core.kind == WndKind::StatusBar) {
        std::vector<std::string> panes;
        std::vector<int> widths;
        {
            std::lock_guard<std::mutex> lock(core.mu);
            panes = core.st.panes;
            widths = core.st.paneWidths;
        }
        if (auto* sb = dynamic_cast<StatusBarWidget*>(w)) sb->SetPanes(panes, widths);
    }
}

void ApplyButtonImage(WndCore& core) {
    auto* b = qobject_cast<QAbstractButton*>(core.widget.data());
    if (!b) return;
    HICON icon;
    HBITMAP bitmap;
    UINT style;
    {
        std::lock_guard<std::mutex> lock(core.mu);
        icon = core.st.icon;
        bitmap = core.st.bitmap;
        style = core.st.buttonStyle;
    }
    QImage img;
    if ((style & BS_ICON) && icon)
        img = afx::PictureImage(icon);
    else if ((style & BS_BITMAP) && bitmap)
        img = afx::PictureImage(bitmap);
    else if (icon)
        img = afx::PictureImage(icon);
    else if (bitmap)
        img = afx::PictureImage(bitmap);
    if (img.isNull()) {
        b->setIcon(QIcon());
    } else {
        b->setIcon(QIcon(QPixmap::fromImage(img)));
        b->setIconSize(img.size().boundedTo(b->size().isEmpty() ? img.size() : b->size()));
    }
    if (auto* pb = dynamic_cast<PushButton*>(b))
        pb->SetPictureOnly((style & (BS_ICON | BS_BITMAP)) && !img.isNull());
}

void PublishList(WndCore& core) {
    if (!core.model || !core.widget) return;  // the view (and its model) are gone with the window
    bool redraw;
    {
        std::lock_guard<std::mutex> lock(core.mu);
        redraw = core.st.redraw;
    }
    if (!redraw) return;
    core.lastPublish = std::chrono::steady_clock::now();
    core.model->Publish();
}

void ScheduleListPublish(const std::shared_ptr<WndCore>& core) {
    if (IsUiThread()) {
        PublishList(*core);
        return;
    }
    // Rows written by another thread reach the view at most once per frame: a reading a
    // millisecond costs one repaint of the list per frame, not one per reading.
    if (core->publishScheduled.exchange(true)) return;
    afx::PostToUi([core] {
        const auto due = core->lastPublish + std::chrono::milliseconds(kListFrameMs);
        const auto now = std::chrono::steady_clock::now();
        auto publish = [core] {
            core->publishScheduled.store(false);
            PublishList(*core);
        };
        if (now >= due) {
            publish();
            return;
        }
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count() + 1;
        QTimer::singleShot(static_cast<int>(wait), qApp, publish);
    });
}

}  // namespace afx::detail

using namespace afx::detail;

// --- CMenu, CFont ----------------------------------------------------------------------------------

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const char* lpszNewItem) {
    if (!m_data) return FALSE;
    std::lock_guard<std::mutex> lock(m_data->mu);
    m_data->items.push_back({nFlags, static_cast<UINT>(nIDNewItem), lpszNewItem ? lpszNewItem : ""});
    return TRUE;
}

UINT CMenu::GetMenuItemCount() const {
    if (!m_data) return 0;
    std::lock_guard<std::mutex> lock(m_data->mu);
    return static_cast<UINT>(m_data->items.size());
}

std::vector<CMenu::Item> CMenu::Items() const {
    if (!m_data) return {};
    std::lock_guard<std::mutex> lock(m_data->mu);
    return m_data->items;
}

BOOL CFont::CreateFont(int nHeight, int, int, int, int nWeight, BYTE bItalic, BYTE bUnderline,
                       BYTE cStrikeOut, BYTE, BYTE, BYTE, BYTE, BYTE, const char* lpszFacename) {
    m_face = lpszFacename ? lpszFacename : "";
    m_height = nHeight;
    m_weight = nWeight;
    m_italic = bItalic != 0;
    m_underline = bUnderline != 0;
    m_strikeOut = cStrikeOut != 0;
    m_created = true;
    return TRUE;
}

BOOL CFont::CreatePointFont(int nPointSize, const char* lpszFaceName) {
    // Tenths of a point at 96 dots per inch.
    return CreateFont(-(nPointSize * 96 + 360) / 720, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, lpszFaceName);
}

// --- CWnd ------------------------------------------------------------------------------------------

CWnd::CWnd() : m_core(NewCore(WndKind::Unknown, this)) {}

CWnd::~CWnd() {
    if (m_core) {
        CWnd* self = this;
        CWnd* fallback = m_core->internalObject == this ? nullptr : m_core->internalObject;
        m_core->owner.compare_exchange_strong(self, fallback);
        if (m_core->notify == this) m_core->notify = nullptr;
    }
}

void CWnd::AttachCore(std::shared_ptr<WndCore> core) {
    m_core = std::move(core);
    m_hWnd = reinterpret_cast<HWND>(m_core.get());
}

QWidget* CWnd::GetWidget() const {
    return m_core ? m_core->widget.data() : nullptr;
}

HWND CWnd::GetSafeHwnd() const {
    return IsWindow() ? reinterpret_cast<HWND>(m_core.get()) : nullptr;
}

BOOL CWnd::IsWindow() const {
    std::lock_guard<std::mutex> lock(m_core->mu);
    return m_core->st.exists ? TRUE : FALSE;
}

int CWnd::GetDlgCtrlID() const {
    return m_core ? m_core->id : 0;
}

CWnd* CWnd::GetParent() const {
    return m_core ? m_core->parent : nullptr;
}

CWnd* CWnd::GetDlgItem(int nID) const {
    if (!m_core) return nullptr;
    auto c = m_core->FindChild(nID);
    return c ? c->owner.load() : nullptr;
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    auto c = m_core;
    bool was;
    {
        std::lock_guard<std::mutex> lock(c->mu);
        was = c->st.enabled;
        c->st.enabled = bEnable != 0;
    }
    bool on = bEnable != 0;
    RunOnUi([c, on] { ApplyEnabled(*c, on); });
    return was ? FALSE : TRUE;
}

BOOL CWnd::IsWindowEnabled() const {
    std::lock_guard<std::mutex> lock(m_core->mu);
    return m_core->st.enabled ? TRUE : FALSE;
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    auto c = m_core;
    bool was;
    bool show = nCmdShow != SW_HIDE;
    {
        std::lock_guard<std::mutex> lock(c->mu);
        was = c->st.visible;
        c->st.visible = show;
    }
    RunOnUi([c, nCmdShow, show] {
        QWidget* w = c->widget;
        if (w && w->isWindow() && (nCmdShow == SW_MINIMIZE || nCmdShow == SW_SHOWMINIMIZED)) {
            w->showMinimized();
        } else if (w && w->isWindow() && nCmdShow == SW_RESTORE) {
            w->showNormal();
        } else {
            ApplyVisible(*c, show);
        }
    });
    return was ? TRUE : FALSE;
}

BOOL CWnd::IsWindowVisible() const {
    std::shared_ptr<WndCore> c = m_core;
    for (int depth = 0; c && depth < 64; ++depth) {
        CWnd* parent;
        {
            std::lock_guard<std::mutex> lock(c->mu);
            if (!c->st.visible) return FALSE;
            parent = c->parent;
        }
        if (!parent) return TRUE;
        c = parent->Core();
    }
    return TRUE;
}

BOOL CWnd::IsIconic() const {
    std::lock_guard<std::mutex> lock(m_core->mu);
    return m_core->st.iconic ? TRUE : FALSE;
}

void CWnd::SetWindowText(const char* text) {
    auto c = m_core;
    std::string t = text ? text : "";
    if (IsUiThread()) {
        {
            std::lock_guard<std::mutex> lock(c->mu);
            c->st.text = t;
        }
        ApplyText(*c, t, true);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(c->mu);
        c->st.text = t;
        ++c->pendingText;
    }
    afx::PostToUi([c, t] {
        {
            std::lock_guard<std::mutex> lock(c->mu);
            if (--c->pendingText == 0) c->st.text = t;
        }
        ApplyText(*c, t, true);
    });
}

int CWnd::GetWindowText(std::string& text) const {
    text = GetWindowText();
    return static_cast<int>(text.size());
}

std::string CWnd::GetWindowText() const {
    auto& c = m_core;
    QWidget* w = IsUiThread() ? c->widget.data() : nullptr;
    switch (c->kind) {
        case WndKind::Edit:
        case WndKind::ComboSimple:
            if (w) {
                if (auto* le = qobject_cast<QLineEdit*>(w)) return FromQt(le->text());
                if (auto* me = dynamic_cast<MultiEdit*>(w)) return ToWindowsLines(me->toPlainText());
            }
            break;
        case WndKind::ComboDropList: {
            if (auto* cb = qobject_cast<QComboBox*>(w)) return FromQt(cb->currentText());
            std::lock_guard<std::mutex> lock(c->mu);
            if (c->st.curSel >= 0 && c->st.curSel < static_cast<int>(c->st.items.size()))
                return c->st.items[static_cast<size_t>(c->st.curSel)];
            return std::string();
        }
        default:
            break;
    }
    std::lock_guard<std::mutex> lock(c->mu);
    return c->st.text;
}

int CWnd::GetWindowTextLength() const {
    return static_cast<int>(GetWindowText().size());
}

void CWnd::SetDlgItemText(int nID, const char* text) {
    if (CWnd* w = GetDlgItem(nID)) w->SetWindowText(text);
}

int CWnd::GetDlgItemText(int nID, std::string& text) const {
    text = GetDlgItemText(nID);
    return static_cast<int>(text.size());
}

std::string CWnd::GetDlgItemText(int nID) const {
    CWnd* w = GetDlgItem(nID);
    return w ? w->GetWindowText() : std::string();
}

void CWnd::CheckDlgButton(int nIDButton, UINT nCheck) {
    if (CWnd* w = GetDlgItem(nIDButton)) static_cast<CButton*>(w)->SetCheck(static_cast<int>(nCheck));
}

UINT CWnd::IsDlgButtonChecked(int nIDButton) const {
    CWnd* w = GetDlgItem(nIDButton);
    return w ? static_cast<UINT>(static_cast<CButton*>(w)->GetCheck()) : 0;
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL) {
    MoveWindow(CRect(x, y, x + nWidth, y + nHeight));
}

void CWnd::MoveWindow(const RECT& rect, BOOL) {
    auto c = m_core;
    CRect r(rect);
    {
        std::lock_guard<std::mutex> lock(c->mu);
        c->st.rect = r;
    }
    RunOnUi([c, r] { ApplyGeometry(*c, r); });
}

void CWnd::GetClientRect(LPRECT lpRect) const {
    if (!lpRect) return;
    std::lock_guard<std::mutex> lock(m_core->mu);
    const WndState& s = m_core->st;
    *lpRect =
        CRect(0, 0, std::max(0, s.rect.Width() - 2 * s.insetX), std::max(0, s.rect.Height() - 2 * s.insetY));
}

void CWnd::GetWindowRect(LPRECT lpRect) const {
    if (!lpRect) return;
    if (IsUiThread() && m_core->widget) {
        QWidget* w = m_core->widget;
        QPoint p = w->mapToGlobal(QPoint(0, 0));
        *lpRect = CRect(p.x(), p.y(), p.x() + w->width(), p.y() + w->height());
        return;
    }
    std::lock_guard<std::mutex> lock(m_core->mu);
    *lpRect = m_core->st.rect;
}

DWORD CWnd::GetStyle() const {
    std::lock_guard<std::mutex> lock(m_core->mu);
    DWORD s = m_core->st.style;
    if (m_core->st.visible) s |= WS_VISIBLE;
    if (!m_core->st.enabled) s |= WS_DISABLED;
    return s;
}

DWORD CWnd::GetExStyle() const {
    std::lock_guard<std::mutex> lock(m_core->mu);
    return m_core->st.exStyle;
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT) {
    std::lock_guard<std::mutex> lock(m_core->mu);
    m_core->st.style = (m_core->st.style & ~dwRemove) | dwAdd;
    return TRUE;
}

void CWnd::SetRedraw(BOOL bRedraw) {
    auto c = m_core;
    bool on = bRedraw != 0;
    {
        std::lock_guard<std::mutex> lock(c->mu);
        c->st.redraw = on;
    }
    RunOnUi([c, on] {
        QWidget* w = c->widget;
        if (!w) return;
        if (auto* view = qobject_cast<QAbstractScrollArea*>(w)) view->viewport()->setUpdatesEnabled(on);
        w->setUpdatesEnabled(on);
        if (on) {
            PublishList(*c);
            w->update();
        }
    });
}

void CWnd::Invalidate(BOOL) {
    auto c = m_core;
    RunOnUi([c] {
        if (QWidget* w = c->widget) w->update();
    });
}

void CWnd::UpdateWindow() {
    Invalidate();
}

CWnd* CWnd::SetFocus() {
    auto c = m_core;
    RunOnUi([c] {
        if (QWidget* w = c->widget) w->setFocus(Qt::OtherFocusReason);
    });
    return nullptr;
}

void CWnd::SetFont(CFont* pFont, BOOL) {
    if (!pFont || !pFont->IsCreated()) return;
    auto c = m_core;
    std::string face = pFont->m_face;
    int height = pFont->m_height, weight = pFont->m_weight;
    bool italic = pFont->m_italic, underline = pFont->m_underline, strike = pFont->m_strikeOut;
    RunOnUi([c, face, height, weight, italic, underline, strike] {
        QWidget* w = c->widget;
        if (!w) return;
        QFont f = w->font();
        if (!face.empty()) f.setFamily(ToQt(face == "Arial" ? "Liberation Sans" : face));
        if (height < 0) f.setPixelSize(-height);
        if (height > 0) f.setPixelSize(std::max(1, height * 4 / 5));
        f.setWeight(weight >= 700 ? QFont::Bold : QFont::Normal);
        f.setItalic(italic);
        f.setUnderline(underline);
        f.setStrikeOut(strike);
        w->setFont(f);
    });
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) {
    if (!m_core->sysMenu) return nullptr;
    if (bRevert) {
        std::lock_guard<std::mutex> lock(m_core->sysMenu->mu);
        m_core->sysMenu->items.clear();
        return nullptr;
    }
    if (!m_sysMenu || m_sysMenu->m_data != m_core->sysMenu) {
        m_sysMenu = std::make_unique<CMenu>();
        m_sysMenu->m_data = m_core->sysMenu;
    }
    return m_sysMenu.get();
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    auto c = m_core;
    HICON old;
    {
        std::lock_guard<std::mutex> lock(c->mu);
        HICON& slot = bBigIcon ? c->st.iconBig : c->st.iconSmall;
        old = slot;
        slot = hIcon;
    }
    RunOnUi([c, hIcon] {
        QWidget* w = c->widget;
        if (w && w->isWindow()) w->setWindowIcon(QIcon(QPixmap::fromImage(afx::PictureImage(hIcon))));
    });
    return old;
}

HICON CWnd::GetIcon(BOOL bBigIcon) const {
    std::lock_guard<std::mutex> lock(m_core->mu);
    return bBigIcon ? m_core->st.iconBig : m_core->st.iconSmall;
}

namespace {

void SplitMessage(UINT message, WPARAM wParam, LPARAM lParam, UINT& code, UINT& id, AfxMsgArgs& a) {
    code = 0;
    id = 0;
    a.message = message;
    a.wParam = wParam;
    a.lParam = lParam;
    if (message == WM_COMMAND) {
        id = static_cast<UINT>(wParam & 0xFFFF);
        code = static_cast<UINT>((wParam >> 16) & 0xFFFF);
    } else if (message == WM_NOTIFY && lParam) {
        a.pNMHDR = reinterpret_cast<NMHDR*>(lParam);
        code = a.pNMHDR->code;
        id = static_cast<UINT>(a.pNMHDR->idFrom);
    } else if (message == WM_LBUTTONDOWN) {
        a.nFlags = static_cast<UINT>(wParam);
        a.point = CPoint(static_cast<short>(lParam & 0xFFFF), static_cast<short>((lParam >> 16) & 0xFFFF));
    }
}

}  // namespace

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    auto c = m_core;
    afx::PostToUi([c, message, wParam, lParam] {
        CWnd* target = c->owner.load();
        if (!target) return;
        UINT code, id;
        AfxMsgArgs a;
        SplitMessage(message, wParam, lParam, code, id, a);
        LRESULT result = 0;
        if (message == WM_NOTIFY) a.pResult = &result;
        target->AfxDispatch(message, code, id, a);
    });
    return TRUE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsUiThread()) {
        PostMessage(message, wParam, lParam);
        return 0;
    }
    switch (message) {
        case BM_SETIMAGE: {
            auto* b = static_cast<CButton*>(this);
            if (wParam == IMAGE_BITMAP)
                return reinterpret_cast<LRESULT>(b->SetBitmap(reinterpret_cast<HBITMAP>(lParam)));
            return reinterpret_cast<LRESULT>(b->SetIcon(reinterpret_cast<HICON>(lParam)));
        }
        case WM_SETTEXT:
            SetWindowText(reinterpret_cast<const char*>(lParam));
            return TRUE;
        case WM_ICONERASEBKGND:
            return 1;
        default:
            break;
    }
    UINT code, id;
    AfxMsgArgs a;
    SplitMessage(message, wParam, lParam, code, id, a);
    LRESULT result = 0;
    if (message == WM_NOTIFY) a.pResult = &result;
    return AfxDispatch(message, code, id, a);
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    BOOL ok = TRUE;
    afx::detail::Guarded([&] { DoDataExchange(&dx); });
    return ok;
}

LRESULT CWnd::AfxDispatch(UINT message, UINT code, UINT id, AfxMsgArgs& args, bool* handled) {
    LRESULT r = 0;
    bool found = false;
    afx::detail::Guarded([&] {
        if (const AFX_MSGMAP_ENTRY* e = FindMessageEntry(message, code, id)) {
            found = true;
            r = e->pfn(this, args);
        } else {
            r = DefaultMessage(message, code, id, args);
        }
    });
    if (handled) *handled = found;
    return r;
}

LRESULT CWnd::DefaultMessage(UINT message, UINT, UINT, AfxMsgArgs& a) {
    switch (message) {
        case WM_CLOSE:
            CWnd::OnClose();
            return 0;
        case WM_SYSCOMMAND:
            CWnd::OnSysCommand(static_cast<UINT>(a.wParam), a.lParam);
            return 0;
        case WM_PAINT:
            return 0;
        case WM_QUERYDRAGICON:
            return 0;
        default:
            return 0;
    }
}

void CWnd::OnSysCommand(UINT nID, LPARAM) {
    switch (nID & 0xFFF0) {
        case SC_CLOSE: {
            AfxMsgArgs a;
            a.message = WM_CLOSE;
            AfxDispatch(WM_CLOSE, 0, 0, a);
            break;
        }
        case SC_MINIMIZE:
            ShowWindow(SW_MINIMIZE);
            break;
        case SC_RESTORE:
            ShowWindow(SW_RESTORE);
            break;
        default:
            break;
    }
}

void CWnd::OnPaint() {}

HCURSOR CWnd::OnQueryDragIcon() {
    return nullptr;
}

void CWnd::OnClose() {
    if (auto* dlg = dynamic_cast<CDialog*>(this)) dlg->OnCancel();
}

void CWnd::OnLButtonDown(UINT, CPoint) {}

HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) {
    return nullptr;
}

BOOL CWnd::DestroyWindow() {
    auto c = m_core;
    if (!c->widget) return FALSE;
    std::vector<std::shared_ptr<WndCore>> kids;
    {
        std::lock_guard<std::mutex> lock(c->childMu);
        kids = c->children;
        c->children.clear();
    }
    for (auto& k : kids) k->notify = nullptr;
    if (auto* d = dynamic_cast<DialogWidget*>(c->widget.data())) d->Detach();
    delete c->widget.data();
    {
        std::lock_guard<std::mutex> lock(c->mu);
        c->st.visible = false;
        c->st.exists = false;
    }
    return TRUE;
}

// --- data exchange ---------------------------------------------------------------------------------

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (!pDX || !pDX->m_pDlgWnd) return;
    auto child = pDX->m_pDlgWnd->Core()->FindChild(nIDC);
    if (!child) throw std::runtime_error("DDX_Control: the dialog has no control " + std::to_string(nIDC));
    if (rControl.Core() == child) return;
    rControl.AttachCore(child);
    child->owner.store(&rControl);
    rControl.PreSubclassWindow();
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value) {
    if (!pDX || !pDX->m_pDlgWnd) return;
    if (pDX->m_bSaveAndValidate)
        value = pDX->m_pDlgWnd->GetDlgItemText(nIDC);
    else
        pDX->m_pDlgWnd->SetDlgItemText(nIDC, value);
}

int GetSystemMetrics(int nIndex) {
    switch (nIndex) {
        case SM_CXICON:
        case SM_CYICON:
            return 32;
        default:
            return 0;
    }
}
