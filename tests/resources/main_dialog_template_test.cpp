#include <gtest/gtest.h>

#include <set>

#include "resources.h"
#include "template_lookup.h"
#include "templates.h"

namespace orva::resources {
namespace {

using afx::ItemKind;
using testing::ById;
using testing::ExpectRect;
using testing::Has;

TEST(MainDialogTemplate, WindowAttributes) {
    const afx::DialogTemplate t = MainDialogTemplate();
    EXPECT_EQ(t.id, 102u);
    EXPECT_EQ(t.language, 1033u);
    EXPECT_EQ(t.cx, 633);
    EXPECT_EQ(t.cy, 409);
    EXPECT_EQ(t.caption, "ORVA-FG V1.0");
    EXPECT_EQ(t.fontFace, "Microsoft Sans Serif");
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.style, unsigned(afx::kDsPopup | afx::kDsCaption | afx::kDsSysMenu | afx::kDsMinimizeBox |
                                afx::kDsModalFrame | afx::kDsAppWindow));
}

TEST(MainDialogTemplate, ControlsInTabOrder) {
    const std::vector<int> expected = {1023, 1014, 1032, 1056, 1025, 1054, 1075, 1080,
                                       1026, 1111, 1179, 1038, 1181, 1188, 1191};
    EXPECT_EQ(testing::IdsInOrder(MainDialogTemplate()), expected);
}

TEST(MainDialogTemplate, ButtonsAndTheirStates) {
    const afx::DialogTemplate t = MainDialogTemplate();

    const afx::DialogItem& start = ById(t, 1023);
    EXPECT_EQ(start.kind, ItemKind::PushButton);
    EXPECT_EQ(start.caption, "Start acquisition");
    ExpectRect(start, {13, 340, 50, 21});
    EXPECT_TRUE(Has(start, afx::kMultiLine | afx::kTabStop));
    EXPECT_FALSE(start.flags & (afx::kHidden | afx::kDisabled));

    // Exit and Help exist but can never be seen or pressed.
    const afx::DialogItem& exit = ById(t, 1014);
    EXPECT_EQ(exit.caption, "Exit&X)");
    ExpectRect(exit, {549, 347, 50, 19});
    EXPECT_TRUE(Has(exit, afx::kHidden | afx::kDisabled | afx::kMultiLine));
    const afx::DialogItem& help = ById(t, 1032);
    EXPECT_EQ(help.caption, "Help(&H)");
    ExpectRect(help, {545, 318, 50, 19});
    EXPECT_TRUE(Has(help, afx::kHidden | afx::kDisabled));

    const afx::DialogItem& connect = ById(t, 1188);
    EXPECT_EQ(connect.caption, "Button3");
    ExpectRect(connect, {13, 318, 50, 19});
    EXPECT_TRUE(Has(connect, afx::kIcon));

    EXPECT_EQ(ById(t, 1080).caption, "Export Data");
    ExpectRect(ById(t, 1080), {13, 364, 50, 13});
    EXPECT_EQ(ById(t, 1026).caption, "Export Image");
    ExpectRect(ById(t, 1026), {13, 380, 50, 14});
}

TEST(MainDialogTemplate, HiddenEditsStayEnabled) {
    const afx::DialogTemplate t = MainDialogTemplate();
    for (int id : {1179, 1181}) {
        const afx::DialogItem& e = ById(t, id);
        EXPECT_EQ(e.kind, ItemKind::Edit) << id;
        EXPECT_TRUE(Has(e, afx::kHidden | afx::kBorder)) << id;
        EXPECT_FALSE(e.flags & afx::kDisabled) << id;
    }
    ExpectRect(ById(t, 1179), {582, 294, 32, 12});
    ExpectRect(ById(t, 1181), {576, 319, 27, 15});

    // Exactly these four controls are created hidden.
    std::set<int> hidden;
    for (const afx::DialogItem& item : t.items)
        if (item.flags & afx::kHidden) hidden.insert(item.id);
    EXPECT_EQ(hidden, (std::set<int>{1014, 1032, 1179, 1181}));
}

TEST(MainDialogTemplate, HostedComponents) {
    const afx::DialogTemplate t = MainDialogTemplate();
    const afx::DialogItem& graph = ById(t, 1075);
    EXPECT_EQ(graph.kind, ItemKind::CustomControl);
    EXPECT_EQ(graph.classId, "{C9FE01C2-2746-479B-96AB-E0BE9931B018}");
    ExpectRect(graph, {5, 18, 403, 267});
    EXPECT_TRUE(Has(graph, afx::kTabStop));
    EXPECT_FALSE(graph.flags & afx::kHidden);

    const afx::DialogItem& comm = ById(t, 1025);
    EXPECT_EQ(comm.kind, ItemKind::CustomControl);
    EXPECT_EQ(comm.classId, "{648A5600-2C6E-101B-82B6-000000000014}");
    ExpectRect(comm, {120, 327, 25, 23});
    EXPECT_TRUE(Has(comm, afx::kTabStop));
    EXPECT_FALSE(comm.flags & afx::kHidden);

    // No other control carries a class id.
    for (const afx::DialogItem& item : t.items) {
        if (item.id != 1075 && item.id != 1025) {
            EXPECT_TRUE(item.classId.empty()) << item.id;
        }
    }
}

TEST(MainDialogTemplate, ListTabReportAndPortControls) {
    const afx::DialogTemplate t = MainDialogTemplate();
    const afx::DialogItem& list = ById(t, 1038);
    EXPECT_EQ(list.kind, ItemKind::ListView);
    EXPECT_EQ(list.caption, "List1");
    ExpectRect(list, {414, 18, 209, 208});
    EXPECT_TRUE(Has(list, afx::kBorder));

    const afx::DialogItem& tab = ById(t, 1111);
    EXPECT_EQ(tab.kind, ItemKind::TabControl);
    EXPECT_EQ(tab.caption, "Tab2");
    ExpectRect(tab, {79, 290, 544, 107});

    const afx::DialogItem& report = ById(t, 1054);
    EXPECT_EQ(report.kind, ItemKind::Edit);
    EXPECT_TRUE(Has(report, afx::kMultiLine));
    ExpectRect(report, {414, 230, 209, 55});

    const afx::DialogItem& ports = ById(t, 1191);
    EXPECT_EQ(ports.kind, ItemKind::ComboDropList);
    EXPECT_TRUE(Has(ports, afx::kVScroll | afx::kTabStop));
    EXPECT_TRUE(ports.initialItems.empty());  // filled by the port scan
    ExpectRect(ports, {12, 299, 55, 77});

    const afx::DialogItem& group = ById(t, 1056);
    EXPECT_EQ(group.kind, ItemKind::GroupBox);
    EXPECT_EQ(group.caption, "Contral Area");
    EXPECT_FALSE(group.flags & afx::kTabStop);
}

TEST(MainDialogTemplate, EveryControlLiesInsideTheDialog) {
    const afx::DialogTemplate t = MainDialogTemplate();
    for (const afx::DialogItem& item : t.items) {
        EXPECT_GE(item.x, 0) << item.id;
        EXPECT_GE(item.y, 0) << item.id;
        EXPECT_GT(item.cx, 0) << item.id;
        EXPECT_GT(item.cy, 0) << item.id;
        EXPECT_LE(item.x + item.cx, t.cx) << item.id;
        EXPECT_LE(item.y + item.cy, t.cy) << item.id;
    }
}

}  // namespace
}  // namespace orva::resources
