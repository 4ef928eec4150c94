// Building a dialog's window and controls from its template.
#include "dialog_build.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTextOption>
#include <cmath>

#include "afx_dialog.h"
#include "afx_gdi.h"
#include "list_model.h"
#include "widgets.h"

namespace afx::detail {

QString MapFontFace(const std::string& face) {
    if (face.empty() || face == "Microsoft Sans Serif" || face == "MS Sans Serif" || face == "MS Shell Dlg" ||
        face == "MS Shell Dlg 2" || face == "Arial" || face == "Tahoma")
        return "Liberation Sans";
    if (face == "宋体" || face == "SimSun" || face == "新宋体" || face == "NSimSun")
        return "WenQuanYi Micro Hei";
    return ToQt(face);
}

QFont TemplateFont(const DialogTemplate& t) {
    QFont f(MapFontFace(t.fontFace));
    int pt = t.pointSize > 0 ? t.pointSize : 8;
    f.setPixelSize((pt * 96 + 36) / 72);  // the character height at 96 dots per inch
    return f;
}

BaseUnits MeasureBaseUnits(const QFont& font) {
    QFontMetrics fm(font);
    int width = fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    BaseUnits b;
    b.cx = (width / 26 + 1) / 2;
    b.cy = fm.height();
    return b;
}

namespace {

int MulDiv(int a, int b, int c) {
    long long p = static_cast<long long>(a) * b;
    long long q = p >= 0 ? (p + c / 2) / c : (p - c / 2) / c;
    return static_cast<int>(q);
}

}  // namespace

CRect ToPixels(const BaseUnits& b, int x, int y, int cx, int cy) {
    int l = MulDiv(x, b.cx, 4), t = MulDiv(y, b.cy, 8);
    return CRect(l, t, l + MulDiv(cx, b.cx, 4), t + MulDiv(cy, b.cy, 8));
}

std::shared_ptr<const FontTable> MeasureFont(const QFont& font) {
    auto t = std::make_shared<FontTable>();
    QFontMetricsF fm(font);
    double sum = 0;
    for (int ch = 32; ch < 127; ++ch) {
        t->advance[ch] = static_cast<float>(fm.horizontalAdvance(QChar(ch)));
        sum += t->advance[ch];
    }
    t->fallback = static_cast<float>(fm.horizontalAdvance(QChar(0x6C34)));  // a wide character
    if (t->fallback <= 0) t->fallback = static_cast<float>(sum / 95);
    t->height = QFontMetrics(font).height();
    return t;
}

CSize TextExtent(const FontTable& table, const std::string& text) {
    double w = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        auto b = static_cast<unsigned char>(text[i]);
        if (b < 128) {
            w += table.advance[b];
        } else if ((b & 0xC0) != 0x80) {
            w += table.fallback;  // one per character start
        }
    }
    return CSize(static_cast<int>(std::lround(w)), table.height);
}

namespace {

WndKind KindOf(ItemKind k) {
    switch (k) {
        case ItemKind::PushButton:
            return WndKind::PushButton;
        case ItemKind::CheckBox:
            return WndKind::CheckBox;
        case ItemKind::RadioButton:
            return WndKind::RadioButton;
        case ItemKind::GroupBox:
            return WndKind::GroupBox;
        case ItemKind::Static:
            return WndKind::Static;
        case ItemKind::Edit:
            return WndKind::Edit;
        case ItemKind::ComboSimple:
            return WndKind::ComboSimple;
        case ItemKind::ComboDropList:
            return WndKind::ComboDropList;
        case ItemKind::ListView:
            return WndKind::ListView;
        case ItemKind::TabControl:
            return WndKind::TabControl;
        case ItemKind::CustomControl:
            return WndKind::Custom;
    }
    return WndKind::Unknown;
}

void ConnectButton(QAbstractButton* b, const std::shared_ptr<WndCore>& core) {
    std::weak_ptr<WndCore> weak = core;
    QObject::connect(b, &QAbstractButton::toggled, b, [weak](bool on) {
        if (auto c = weak.lock()) {
            std::lock_guard<std::mutex> lock(c->mu);
            if (c->pendingCheck == 0) c->st.check = on ? BST_CHECKED : BST_UNCHECKED;
        }
    });
    QObject::connect(b, &QAbstractButton::clicked, b, [weak] {
        if (auto c = weak.lock()) NotifyCommand(*c, BN_CLICKED);
    });
}

void ConnectLineEdit(QLineEdit* le, const std::shared_ptr<WndCore>& core, UINT updateCode, UINT changeCode) {
    std::weak_ptr<WndCore> weak = core;
    QObject::connect(le, &QLineEdit::textEdited, le, [weak, updateCode, changeCode](const QString& s) {
        auto c = weak.lock();
        if (!c) return;
        {
            std::lock_guard<std::mutex> lock(c->mu);
            if (c->pendingText == 0) c->st.text = FromQt(s);
        }
        NotifyCommand(*c, updateCode);
        NotifyCommand(*c, changeCode);
    });
}

QWidget* MakeWidget(const DialogItem& it, QWidget* parent, const std::shared_ptr<WndCore>& core) {
    std::weak_ptr<WndCore> weak = core;
    switch (it.kind) {
        case ItemKind::PushButton: {
            auto* b = new PushButton(parent, (it.flags & kMultiLine) != 0);
            b->SetCaption(ToQt(it.caption));
            ConnectButton(b, core);
            return b;
        }
        case ItemKind::CheckBox: {
            QAbstractButton* b;
            if (it.flags & kPushLike) {
                auto* pb = new PushButton(parent, (it.flags & kMultiLine) != 0);
                pb->setCheckable(true);
                pb->SetCaption(ToQt(it.caption));
                b = pb;
            } else {
                b = new QCheckBox(ToQt(it.caption), parent);
            }
            ConnectButton(b, core);
            return b;
        }
        case ItemKind::RadioButton: {
            auto* b = new RadioButton(ToQt(it.caption), parent);
            b->setAutoExclusive(false);
            ConnectButton(b, core);
            return b;
        }
        case ItemKind::GroupBox: {
            auto* g = new QGroupBox(ToQt(it.caption), parent);
            g->setAttribute(Qt::WA_TransparentForMouseEvents);
            return g;
        }
        case ItemKind::Static: {
            auto* l = new StaticText(parent, weak);
            l->setText(ToQt(StripMnemonic(it.caption)));
            l->setWordWrap(true);
            l->setAlignment(((it.flags & kCentre) ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
            if (!(it.flags & kNotify)) l->setAttribute(Qt::WA_TransparentForMouseEvents);
            return l;
        }
        case ItemKind::Edit: {
            if (it.flags & kMultiLine) {
                auto* e = new MultiEdit(parent);
                e->setFrameShape((it.flags & kBorder) ? QFrame::StyledPanel : QFrame::NoFrame);
                e->setReadOnly((it.flags & kReadOnly) != 0);
                e->setVerticalScrollBarPolicy((it.flags & kVScroll) ? Qt::ScrollBarAlwaysOn
                                                                    : Qt::ScrollBarAsNeeded);
                e->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
                e->setTabChangesFocus(true);
                if (it.flags & kCentre) {
                    QTextOption o = e->document()->defaultTextOption();
                    o.setAlignment(Qt::AlignHCenter);
                    e->document()->setDefaultTextOption(o);
                }
                e->setPlainText(ToQt(it.caption));
                QObject::connect(e, &QPlainTextEdit::textChanged, e, [weak, e] {
                    auto c = weak.lock();
                    if (!c || e->settingFromCode) return;
                    std::string text = FromQt(e->toPlainText());
                    {
                        std::lock_guard<std::mutex> lock(c->mu);
                        if (c->pendingText == 0) {
                            std::string crlf;
                            for (char ch : text) {
                                if (ch == '\n') crlf += '\r';
                                crlf += ch;
                            }
                            c->st.text = crlf;
                        }
                    }
                    NotifyCommand(*c, EN_UPDATE);
                    NotifyCommand(*c, EN_CHANGE);
                });
                return e;
            }
            auto* e = new QLineEdit(ToQt(it.caption), parent);
            e->setFrame((it.flags & kBorder) != 0);
            e->setReadOnly((it.flags & kReadOnly) != 0);
            if (it.flags & kCentre) e->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
            ConnectLineEdit(e, core, EN_UPDATE, EN_CHANGE);
            return e;
        }
        case ItemKind::ComboSimple: {
            auto* e = new QLineEdit(ToQt(it.caption), parent);
            ConnectLineEdit(e, core, CBN_EDITUPDATE, CBN_EDITCHANGE);
            return e;
        }
        case ItemKind::ComboDropList: {
            auto* cb = new DropList(parent, weak);
            for (const auto& s : it.initialItems) cb->addItem(ToQt(s));
            cb->setCurrentIndex(-1);
            QObject::connect(cb, QOverload<int>::of(&QComboBox::activated), cb, [weak](int index) {
                auto c = weak.lock();
                if (!c) return;
                {
                    std::lock_guard<std::mutex> lock(c->mu);
                    if (c->pendingSel == 0) c->st.curSel = index;
                }
                NotifyCommand(*c, CBN_SELCHANGE);
            });
            return cb;
        }
        case ItemKind::ListView: {
            auto* v = new QTableView(parent);
            core->list = std::make_shared<ListStore>();
            core->model = new ListModel(core->list, v);
            v->setModel(core->model);
            v->verticalHeader()->hide();
            v->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
            v->verticalHeader()->setDefaultSectionSize(QFontMetrics(parent->font()).height() + 4);
            v->horizontalHeader()->setHighlightSections(false);
            v->horizontalHeader()->setStretchLastSection(false);
            v->setShowGrid(false);
            v->setWordWrap(false);
            v->setSelectionBehavior(QAbstractItemView::SelectItems);
            v->setEditTriggers(QAbstractItemView::NoEditTriggers);
            v->setFrameShape((it.flags & kBorder) ? QFrame::StyledPanel : QFrame::NoFrame);
            return v;
        }
        case ItemKind::TabControl: {
            auto* t = new TabWidget(parent);
            QObject::connect(t->Bar(), &QTabBar::currentChanged, t, [weak](int index) {
                auto c = weak.lock();
                if (!c) return;
                {
                    std::lock_guard<std::mutex> lock(c->mu);
                    if (c->pendingSel == 0) c->st.curSel = index;
                }
                NotifyTabChange(*c);
            });
            return t;
        }
        case ItemKind::CustomControl: {
            if (auto f = FindControlFactory(it.classId))
                if (QWidget* w = f(parent)) return w;
            auto* placeholder = new QWidget(parent);
            placeholder->setObjectName("afx-placeholder");
            return placeholder;
        }
    }
    return new QWidget(parent);
}

UINT CtlColorKind(ItemKind k) {
    switch (k) {
        case ItemKind::Edit:
        case ItemKind::ComboSimple:
            return CTLCOLOR_EDIT;
        case ItemKind::ComboDropList:
            return CTLCOLOR_LISTBOX;
        case ItemKind::PushButton:
            return CTLCOLOR_BTN;
        default:
            return CTLCOLOR_STATIC;
    }
}

}  // namespace

struct CtlColorDC : public CDC {};

void BuildControls(CDialog& dlg, const DialogTemplate& t, QWidget* host, const BaseUnits& units) {
    auto dcore = dlg.Core();
    QWidget* prevTab = nullptr;
    std::vector<QWidget*> groups;
    bool askColour = dlg.FindMessageEntry(WM_CTLCOLOR, 0, 0) != nullptr;
    for (const DialogItem& it : t.items) {
        auto core = NewCore(KindOf(it.kind), nullptr);
        core->id = it.id;
        core->flags = it.flags;
        core->parent = &dlg;
        core->notify = &dlg;
        core->font = dcore->font;
        QWidget* w = MakeWidget(it, host, core);
        core->widget = w;
        CRect r = ToPixels(units, it.x, it.y, it.cx, it.cy);
        {
            std::lock_guard<std::mutex> lock(core->mu);
            WndState& s = core->st;
            s.exists = true;
            s.text = it.caption;
            s.visible = !(it.flags & kHidden);
            s.enabled = !(it.flags & kDisabled);
            s.rect = r;
            if (it.kind == ItemKind::ComboDropList || it.kind == ItemKind::ComboSimple)
                s.items = it.initialItems;
            if (it.kind == ItemKind::Edit || it.kind == ItemKind::ComboSimple) s.text = it.caption;
            if (it.kind == ItemKind::ListView) {
                if (auto* f = qobject_cast<QFrame*>(w)) s.insetX = s.insetY = f->frameWidth();
                s.style = LVS_ICON;
            }
            if (it.flags & kIcon) s.buttonStyle |= BS_ICON;
            if (it.flags & kBitmap) s.buttonStyle |= BS_BITMAP;
            if (it.flags & kMultiLine) s.buttonStyle |= BS_MULTILINE;
            if (it.flags & kPushLike) s.buttonStyle |= BS_PUSHLIKE;
            if (it.flags & kDefPush) s.buttonStyle |= BS_DEFPUSHBUTTON;
            if (it.flags & kTabStop) s.style |= WS_TABSTOP;
            if (it.flags & kBorder) s.style |= WS_BORDER;
        }
        ApplyGeometry(*core, r);
        if (it.kind == ItemKind::ComboDropList) {
            auto* cb = static_cast<QComboBox*>(w);
            int itemH = std::max(1, QFontMetrics(host->font()).height() + 2);
            cb->setMaxVisibleItems(std::max(1, (r.Height() - cb->sizeHint().height()) / itemH));
        }
        w->setEnabled(!(it.flags & kDisabled));
        w->setVisible(!(it.flags & kHidden));
        bool focusable = it.kind != ItemKind::GroupBox && it.kind != ItemKind::Static;
        if (focusable) {
            if (it.flags & kTabStop) {
                if (w->focusPolicy() != Qt::NoFocus || it.kind != ItemKind::CustomControl)
                    w->setFocusPolicy(Qt::StrongFocus);
                if (prevTab) QWidget::setTabOrder(prevTab, w);
                prevTab = w;
            } else if (it.kind != ItemKind::CustomControl) {
                w->setFocusPolicy(Qt::ClickFocus);
            }
        } else {
            w->setFocusPolicy(Qt::NoFocus);
        }
        if (it.kind == ItemKind::GroupBox) groups.push_back(w);

        CWnd* obj = NewControlObject(core->kind);
        obj->AttachCore(core);
        core->owner.store(obj);
        core->internalObject = obj;
        {
            std::lock_guard<std::mutex> lock(dcore->childMu);
            dcore->children.push_back(core);
            dcore->ownedObjects.emplace_back(obj);
        }

        if (askColour) {
            // The dialog's colour handler is asked once per control; the text colour it sets is kept.
            CtlColorDC dc;
            AfxMsgArgs a;
            a.message = WM_CTLCOLOR;
            a.pDC = &dc;
            a.pWnd = obj;
            a.nCtlColor = CtlColorKind(it.kind);
            dlg.AfxDispatch(WM_CTLCOLOR, 0, 0, a);
            if (dc.TextColorSet()) {
                COLORREF c = dc.GetTextColor();
                QColor qc(GetRValue(c), GetGValue(c), GetBValue(c));
                QPalette pal = w->palette();
                pal.setColor(QPalette::WindowText, qc);
                pal.setColor(QPalette::Text, qc);
                pal.setColor(QPalette::ButtonText, qc);
                w->setPalette(pal);
            }
        }
    }
    // Group boxes are frames drawn behind the controls they surround.
    for (QWidget* g : groups) g->lower();
}

}  // namespace afx::detail
