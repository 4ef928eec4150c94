// The main window as built from its templates: controls at their template rectangles, hidden
// controls hidden, and a picture of the whole window.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include "AboutDlg.h"
#include "dialog_build.h"
#include "window_fixture.h"

namespace {

using ui_test::Visible;
using ui_test::WindowTest;
using LayoutTest = WindowTest;

// The rectangle in pixels of control `id` of template `templateId`, as the template gives it.
QRect TemplateRect(unsigned templateId, int id) {
    const afx::DialogTemplate* t = afx::FindTemplate(templateId);
    EXPECT_NE(t, nullptr);
    if (!t) return {};
    const auto units = afx::detail::MeasureBaseUnits(afx::detail::TemplateFont(*t));
    for (const afx::DialogItem& item : t->items) {
        if (item.id != id) continue;
        const CRect r = afx::detail::ToPixels(units, item.x, item.y, item.cx, item.cy);
        return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    ADD_FAILURE() << "no control " << id << " in template " << templateId;
    return {};
}

// A drop-down list's template height includes its open list; closed it is one line high.
void ExpectAtTemplateRect(CWnd& owner, unsigned templateId, int id, bool dropList = false) {
    QWidget* w = afx::testing::Widget(owner, id);
    ASSERT_NE(w, nullptr) << id;
    const QRect expected = TemplateRect(templateId, id);
    if (dropList) {
        EXPECT_EQ(w->geometry().topLeft(), expected.topLeft()) << "control " << id;
        EXPECT_EQ(w->width(), expected.width()) << "control " << id;
        EXPECT_LE(w->height(), expected.height()) << "control " << id;
    } else {
        EXPECT_EQ(w->geometry(), expected) << "control " << id;
    }
}

TEST_F(LayoutTest, ControlsStandAtTheirTemplateRectanglesAndTheWindowIsPictured) {
    AddGauge();
    RunDialog([&](CKvDlg& dlg) {
        // Main dialog: buttons, the report box, the graph, the tab control, the list, the port list.
        for (int id : {1023, 1080, 1026, 1188, 1054, 1075, 1111, 1038}) ExpectAtTemplateRect(dlg, 102, id);
        // The pages, inside the tab control.
        for (int id : {1027, 1159, 1171, 1164, 1184, 1042, 1043, 1169})
            ExpectAtTemplateRect(dlg.m_page1, 146, id);
        ExpectAtTemplateRect(dlg.m_page1, 146, 1187, true);
        ExpectAtTemplateRect(dlg, 102, 1191, true);
        for (int id : {1091, 1144, 1092, 1148, 1129, 1130, 1042, 1043, 1157, 1158}) {
            ExpectAtTemplateRect(dlg.m_page2, 147, id);
        }

        // Hidden in the templates, and nothing shows them.
        for (int id : {1014, 1032, 1179, 1181}) EXPECT_FALSE(Visible(dlg, id)) << id;
        for (int id : {1082, 1102, 1161, 1162, 1163, 1165, 1166, 1183, 1190}) {
            EXPECT_FALSE(Visible(dlg.m_page1, id)) << id;
        }
        for (int id : {1023, 1038, 1075, 1111}) EXPECT_TRUE(Visible(dlg, id)) << id;

        const std::string png = (root_ / "main-window.png").string();
        ASSERT_TRUE(afx::testing::GrabToPng(dlg, png));
        QImage picture(QString::fromStdString(png));
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.size(), dlg.GetWidget()->size());
        // Most of the graph control's rectangle is its black plot area.
        const QRect graph = TemplateRect(102, 1075);
        int dark = 0;
        for (int y = graph.top(); y <= graph.bottom(); y += 4) {
            for (int x = graph.left(); x <= graph.right(); x += 4) {
                if (picture.pixelColor(x, y).lightness() < 16) ++dark;
            }
        }
        const int samples = ((graph.height() + 3) / 4) * ((graph.width() + 3) / 4);
        EXPECT_GT(dark, samples / 2);
    });
}

// The frame offers what the template gives, and a fixed layout never fills the screen.
void ExpectFrame(QWidget* w, bool minimizeBox) {
    ASSERT_NE(w, nullptr);
    const Qt::WindowFlags flags = w->windowFlags();
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_EQ(static_cast<bool>(flags & Qt::WindowMinimizeButtonHint), minimizeBox);
    const QSize size = w->size();
    EXPECT_EQ(w->minimumSize(), size);
    EXPECT_EQ(w->maximumSize(), size);
    for (Qt::WindowState state : {Qt::WindowMaximized, Qt::WindowFullScreen}) {
        w->setWindowState(state);
        afx::testing::Pump(0);
        EXPECT_EQ(w->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen), Qt::WindowNoState)
            << state;
        EXPECT_EQ(w->size(), size) << state;
    }
    if (!minimizeBox) {
        w->setWindowState(Qt::WindowMinimized);
        afx::testing::Pump(0);
        EXPECT_FALSE(w->isMinimized());
    }
}

TEST_F(LayoutTest, EachWindowOffersTheButtonsOfItsTemplateAndKeepsItsSize) {
    RunDialog([&](CKvDlg& dlg) {
        ExpectFrame(dlg.GetWidget(), true);
        CAboutDlg about;
        afx::testing::RunModal(about, [](CDialog& d) { ExpectFrame(d.GetWidget(), false); });
    });
}

}  // namespace
