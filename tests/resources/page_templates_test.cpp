#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "template_lookup.h"
#include "templates.h"

namespace orva::resources {
namespace {

using afx::ItemKind;
using testing::ByCaption;
using testing::ById;
using testing::ExpectRect;
using testing::Has;

using Strings = std::vector<std::string>;

TEST(Templates, IdsAreUniqueWithinEachTemplate) {
    for (const afx::DialogTemplate& t : {AboutBoxTemplate(), MainDialogTemplate(), AcquisitionPageTemplate(),
                                         TestSetupPageTemplate(), Page3Template()}) {
        std::set<int> seen;
        for (const afx::DialogItem& item : t.items) {
            if (item.id == -1) continue;
            EXPECT_TRUE(seen.insert(item.id).second) << "template " << t.id << " repeats id " << item.id;
        }
    }
}

TEST(Templates, TabStopsOnlyOnControlsTheUserOperates) {
    for (const afx::DialogTemplate& t : {AboutBoxTemplate(), MainDialogTemplate(), AcquisitionPageTemplate(),
                                         TestSetupPageTemplate(), Page3Template()}) {
        for (const afx::DialogItem& item : t.items) {
            const bool passive = item.kind == ItemKind::Static || item.kind == ItemKind::GroupBox;
            EXPECT_EQ(bool(item.flags & afx::kTabStop), !passive)
                << "template " << t.id << " control " << item.id << " \"" << item.caption << "\"";
        }
    }
}

TEST(AcquisitionPageTemplate, PageAttributesAndOrder) {
    const afx::DialogTemplate t = AcquisitionPageTemplate();
    EXPECT_EQ(t.id, 146u);
    EXPECT_EQ(t.cx, 549);
    EXPECT_EQ(t.cy, 93);
    EXPECT_EQ(t.style, unsigned(afx::kDsChild));
    EXPECT_TRUE(t.caption.empty());
    EXPECT_EQ(t.fontFace, "Microsoft Sans Serif");
    ASSERT_EQ(t.items.size(), 32u);
    EXPECT_EQ(t.items.front().id, 1027);
    EXPECT_EQ(t.items[6].caption, "Readings per Seconds");
    EXPECT_EQ(t.items[23].caption, "Setting");
    EXPECT_EQ(t.items[24].caption, "Advance");
    EXPECT_EQ(t.items[25].id, 1184);
    EXPECT_EQ(t.items.back().id, 1187);
}

TEST(AcquisitionPageTemplate, HiddenControlsAreAlsoDisabled) {
    const afx::DialogTemplate t = AcquisitionPageTemplate();
    std::set<int> hidden;
    for (const afx::DialogItem& item : t.items) {
        if (!(item.flags & afx::kHidden)) continue;
        hidden.insert(item.id);
        EXPECT_TRUE(item.flags & afx::kDisabled) << item.id;
    }
    EXPECT_EQ(hidden, (std::set<int>{1082, 1102, 1161, 1162, 1163, 1165, 1166, 1183, 1190}));
    // Calculate and the unit list are disabled by code at start-up, not by the template.
    EXPECT_FALSE(ById(t, 1169).flags & afx::kDisabled);
    EXPECT_FALSE(ById(t, 1182).flags & afx::kDisabled);
}

TEST(AcquisitionPageTemplate, ModeRadiosEachOpenTheirOwnGroup) {
    const afx::DialogTemplate t = AcquisitionPageTemplate();
    const afx::DialogItem& draw = ById(t, 1042);
    const afx::DialogItem& upload = ById(t, 1043);
    EXPECT_EQ(draw.kind, ItemKind::RadioButton);
    EXPECT_EQ(upload.kind, ItemKind::RadioButton);
    EXPECT_EQ(draw.caption, "Draw Graph");
    EXPECT_EQ(upload.caption, "Upload Memory Data From Gauge");
    ExpectRect(draw, {360, 20, 58, 12});
    ExpectRect(upload, {360, 37, 134, 12});
    EXPECT_TRUE(Has(draw, afx::kGroup));
    EXPECT_TRUE(Has(upload, afx::kGroup));
}

TEST(AcquisitionPageTemplate, GraphToolButtons) {
    const afx::DialogTemplate t = AcquisitionPageTemplate();
    const afx::DialogItem& zoom = ById(t, 1164);
    EXPECT_EQ(zoom.kind, ItemKind::CheckBox);
    EXPECT_EQ(zoom.caption, "Check_mouse_all");
    ExpectRect(zoom, {177, 19, 18, 16});
    EXPECT_TRUE(Has(zoom, afx::kPushLike | afx::kBitmap));
    EXPECT_FALSE(zoom.flags & afx::kHidden);

    const afx::DialogItem& viewAll = ById(t, 1184);
    EXPECT_EQ(viewAll.kind, ItemKind::PushButton);
    EXPECT_EQ(viewAll.caption, "view all");
    ExpectRect(viewAll, {201, 18, 24, 17});
    EXPECT_TRUE(Has(viewAll, afx::kBitmap));

    const afx::DialogItem& upDown = ById(t, 1166);
    EXPECT_EQ(upDown.kind, ItemKind::CheckBox);
    EXPECT_TRUE(Has(upDown, afx::kPushLike | afx::kBitmap | afx::kHidden));
    ExpectRect(upDown, {448, 54, 18, 19});

    const afx::DialogItem& allMouse = ById(t, 1163);
    EXPECT_EQ(allMouse.kind, ItemKind::PushButton);
    EXPECT_EQ(allMouse.caption, "all_mouse");
    ExpectRect(allMouse, {471, 55, 17, 17});
}

TEST(AcquisitionPageTemplate, EditsTextsAndGroups) {
    const afx::DialogTemplate t = AcquisitionPageTemplate();
    for (int id : {1159, 1167, 1168, 1171}) {
        EXPECT_EQ(ById(t, id).kind, ItemKind::Edit) << id;
        EXPECT_TRUE(Has(ById(t, id), afx::kCentre | afx::kBorder)) << id;
    }
    ExpectRect(ById(t, 1159), {100, 29, 26, 12});
    ExpectRect(ById(t, 1171), {241, 21, 29, 12});
    ExpectRect(ById(t, 1168), {233, 57, 57, 12});

    EXPECT_EQ(ById(t, 1185).kind, ItemKind::GroupBox);
    EXPECT_EQ(ById(t, 1185).caption, "Select");
    ExpectRect(ById(t, 1185), {353, 3, 155, 77});
    ExpectRect(ByCaption(t, "Advance"), {172, 3, 173, 77});
    ExpectRect(ByCaption(t, "Range of Peak"), {181, 59, 51, 11});
    EXPECT_EQ(ById(t, 1170).caption, "g");
    EXPECT_EQ(ById(t, 1079).kind, ItemKind::CheckBox);
    EXPECT_EQ(ById(t, 1079).caption, "Show grid");
    EXPECT_EQ(ById(t, 1186).caption, "Load");
    EXPECT_EQ(ById(t, 1173).caption, "Invert Load");
    ExpectRect(ById(t, 1173), {74, 66, 52, 11});
    EXPECT_EQ(ById(t, 1190).caption, "Help");
}

TEST(AcquisitionPageTemplate, ComboBoxesAndTheirLists) {
    const afx::DialogTemplate t = AcquisitionPageTemplate();
    const afx::DialogItem& report = ById(t, 1027);
    EXPECT_EQ(report.kind, ItemKind::ComboSimple);
    EXPECT_TRUE(report.initialItems.empty());
    ExpectRect(report, {67, 13, 44, 12});

    const afx::DialogItem& loadUnit = ById(t, 1082);
    EXPECT_EQ(loadUnit.kind, ItemKind::ComboDropList);
    EXPECT_EQ(loadUnit.initialItems, (Strings{"N", "mN", "gf", "kgf", "ozf", "lbf"}));
    ExpectRect(loadUnit, {467, 15, 30, 79});

    const afx::DialogItem& unit = ById(t, 1182);
    EXPECT_EQ(unit.kind, ItemKind::ComboDropList);
    EXPECT_EQ(unit.initialItems, (Strings{"N", "kN", "mN", "gf", "kgf", "tf", "lbf", "klbf", "ozf"}));
    ExpectRect(unit, {59, 48, 39, 67});

    const afx::DialogItem& fileType = ById(t, 1187);
    EXPECT_EQ(fileType.kind, ItemKind::ComboDropList);
    EXPECT_EQ(fileType.initialItems, (Strings{"xls", "csv"}));
    ExpectRect(fileType, {113, 48, 39, 67});

    // The lists keep their order: nothing asks the framework to sort them.
    for (const afx::DialogItem& item : t.items) EXPECT_FALSE(item.flags & afx::kSortList) << item.id;
}

TEST(TestSetupPageTemplate, PageAttributesAndOrder) {
    const afx::DialogTemplate t = TestSetupPageTemplate();
    EXPECT_EQ(t.id, 147u);
    EXPECT_EQ(t.cx, 427);
    EXPECT_EQ(t.cy, 82);
    EXPECT_EQ(t.style, unsigned(afx::kDsChild));
    EXPECT_EQ(t.fontFace, "Microsoft Sans Serif");
    const std::vector<int> expected = {-1,   -1,   -1,   -1,   1129, 1130, 1147, -1, 1091,
                                       1144, 1092, 1148, 1042, 1043, 1157, 1158, -1};
    EXPECT_EQ(testing::IdsInOrder(t), expected);
    EXPECT_EQ(t.items[0].caption, "Start Condition");
    EXPECT_EQ(t.items[1].caption, "Stop Condition");
    EXPECT_EQ(t.items[16].caption, "% of Maximum");
    ExpectRect(t.items[3], {75, 42, 35, 8});
    ExpectRect(t.items[7], {197, 42, 36, 9});
    for (const afx::DialogItem& item : t.items) EXPECT_FALSE(item.flags & (afx::kHidden | afx::kDisabled));
}

TEST(TestSetupPageTemplate, ConditionRadiosAndEdits) {
    const afx::DialogTemplate t = TestSetupPageTemplate();
    struct Radio {
        int id;
        const char* caption;
        testing::Rect rect;
    };
    for (const Radio& r : {Radio{1129, "Time", {149, 29, 28, 10}}, Radio{1130, "Load", {149, 53, 30, 11}},
                           Radio{1042, "Time", {22, 31, 29, 8}}, Radio{1043, "Load", {22, 54, 29, 10}}}) {
        const afx::DialogItem& item = ById(t, r.id);
        EXPECT_EQ(item.kind, ItemKind::RadioButton) << r.id;
        EXPECT_EQ(item.caption, r.caption) << r.id;
        EXPECT_TRUE(Has(item, afx::kGroup)) << r.id;
        ExpectRect(item, r.rect);
    }
    for (int id : {1091, 1144, 1092, 1148, 1158}) {
        EXPECT_EQ(ById(t, id).kind, ItemKind::Edit) << id;
        EXPECT_TRUE(Has(ById(t, id), afx::kCentre | afx::kBorder)) << id;
    }
    ExpectRect(ById(t, 1158), {315, 54, 28, 12});
    ExpectRect(ById(t, 1092), {197, 26, 35, 12});

    const afx::DialogItem& label = ById(t, 1147);
    EXPECT_EQ(label.kind, ItemKind::Static);
    EXPECT_FALSE(label.flags & afx::kNotify);
    ExpectRect(label, {203, 15, 18, 10});

    const afx::DialogItem& breakDetect = ById(t, 1157);
    EXPECT_EQ(breakDetect.kind, ItemKind::CheckBox);
    EXPECT_EQ(breakDetect.caption, "Break Detect");
    ExpectRect(breakDetect, {254, 53, 54, 15});
}

TEST(Page3Template, LoadEditAndLabel) {
    const afx::DialogTemplate t = Page3Template();
    EXPECT_EQ(t.id, 148u);
    EXPECT_EQ(t.cx, 441);
    EXPECT_EQ(t.cy, 72);
    EXPECT_EQ(t.style, unsigned(afx::kDsChild));
    ASSERT_EQ(t.items.size(), 2u);
    const afx::DialogItem& edit = t.items[0];
    EXPECT_EQ(edit.id, 1144);
    EXPECT_EQ(edit.kind, ItemKind::Edit);
    EXPECT_TRUE(Has(edit, afx::kMultiLine | afx::kCentre | afx::kBorder | afx::kHidden | afx::kDisabled));
    ExpectRect(edit, {16, 7, 153, 57});
    const afx::DialogItem& label = t.items[1];
    EXPECT_EQ(label.kind, ItemKind::Static);
    EXPECT_EQ(label.caption, "Load");
    EXPECT_TRUE(Has(label, afx::kHidden));
    ExpectRect(label, {176, 52, 29, 12});
}

TEST(AboutBoxTemplate, OneVersionText) {
    const afx::DialogTemplate t = AboutBoxTemplate();
    EXPECT_EQ(t.id, 100u);
    EXPECT_EQ(t.language, 2052u);
    EXPECT_EQ(t.cx, 235);
    EXPECT_EQ(t.cy, 55);
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.caption, "ORVA-FG V4.9.01");
    EXPECT_EQ(t.style, unsigned(afx::kDsPopup | afx::kDsCaption | afx::kDsSysMenu | afx::kDsModalFrame));
    ASSERT_EQ(t.items.size(), 1u);
    EXPECT_EQ(t.items[0].kind, ItemKind::Static);
    EXPECT_EQ(t.items[0].caption, "ORVA-FG V4.9.01");
    ExpectRect(t.items[0], {67, 20, 81, 10});
}

}  // namespace
}  // namespace orva::resources
