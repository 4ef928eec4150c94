#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QRadioButton>
#include <QStyleOptionGroupBox>
#include <QWidget>

#include "afx_window_look.h"
#include "afx_wnd.h"

namespace {

class TemplateLookStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_CheckBoxLabelSpacing || metric == PM_RadioButtonLabelSpacing) return 3;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override {
        QRect r = QProxyStyle::subControlRect(control, option, sub, widget);
        if (control != CC_GroupBox) return r;
        const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        if (!box) return r;
        const int textHeight = box->fontMetrics.height();
        if (sub == SC_GroupBoxFrame) return box->rect.adjusted(0, textHeight / 2, 0, 0);
        if (sub == SC_GroupBoxLabel && !box->text.isEmpty()) {
            const int w = box->fontMetrics.horizontalAdvance(box->text) + 1;
            return QRect(box->rect.left() + 8, box->rect.top(), w, textHeight);
        }
        if (sub == SC_GroupBoxContents) return box->rect.adjusted(1, textHeight, -1, -1);
        return r;
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override {
        const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        if (control != CC_GroupBox || !box) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        const QRect label = subControlRect(control, option, SC_GroupBoxLabel, widget);
        const QRect frame = subControlRect(control, option, SC_GroupBoxFrame, widget);
        painter->save();
        QRegion clip(box->rect);
        if (!box->text.isEmpty()) clip -= QRegion(label.adjusted(-2, 0, 2, 0));
        painter->setClipRegion(clip);
        // An etched frame: a dark line with a light one inside it.
        painter->setPen(box->palette.color(QPalette::Mid));
        painter->drawRect(frame.adjusted(0, 0, -2, -2));
        painter->setPen(box->palette.color(QPalette::Light));
        painter->drawRect(frame.adjusted(1, 1, -1, -1));
        painter->restore();
        if (!box->text.isEmpty()) {
            painter->save();
            painter->setPen(box->palette.color(QPalette::WindowText));
            painter->drawText(label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, box->text);
            painter->restore();
        }
    }
};

QStyle* TemplateStyle() {
    static QPointer<TemplateLookStyle> style;
    if (!style) {
        style = new TemplateLookStyle;
        style->setParent(qApp);
    }
    return style;
}

}  // namespace

namespace afx {

void KeepCaptionsOnOneLine(CWnd& dialog) {
    QWidget* w = dialog.GetWidget();
    if (!w) return;
    for (QLabel* label : w->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!label->wordWrap() || label->text().contains('\n')) continue;
        const qreal needed = QFontMetricsF(label->font()).horizontalAdvance(label->text());
        if (needed > label->width() && needed <= label->width() + 2.0) label->setWordWrap(false);
    }
}

void UseTemplateLook(CWnd& window) {
    QWidget* w = window.GetWidget();
    if (!w || !qApp) return;
    QStyle* style = TemplateStyle();
    for (QGroupBox* box : w->findChildren<QGroupBox*>()) box->setStyle(style);
    for (QCheckBox* box : w->findChildren<QCheckBox*>()) box->setStyle(style);
    for (QRadioButton* radio : w->findChildren<QRadioButton*>()) radio->setStyle(style);
}

}  // namespace afx
