// Template 147: the Test Setup page of the setup tab.
#include "resources.h"
#include "template_items.h"
#include "templates.h"

namespace orva::resources {

afx::DialogTemplate TestSetupPageTemplate() {
    using afx::ItemKind;
    using detail::Item;
    namespace ids = test_setup_page;
    constexpr unsigned kNumberEdit = afx::kCentre | afx::kBorder;

    afx::DialogTemplate t;
    t.id = kIddTestSetupPage;
    t.language = 1033;
    t.cx = 427;
    t.cy = 82;
    t.style = afx::kDsChild;
    t.fontFace = "Microsoft Sans Serif";
    t.pointSize = 8;
    t.items = {
        Item(kIdcStatic, ItemKind::GroupBox, "Start Condition", {14, 8, 110, 66}),
        Item(kIdcStatic, ItemKind::GroupBox, "Stop Condition", {141, 8, 110, 66}),
        Item(kIdcStatic, ItemKind::Static, "Delay to start", {72, 16, 47, 9}),
        Item(kIdcStatic, ItemKind::Static, "Threshold", {75, 42, 35, 8}),
        Item(ids::kStopTime, ItemKind::RadioButton, "Time", {149, 29, 28, 10}, afx::kGroup),
        Item(ids::kStopLoad, ItemKind::RadioButton, "Load", {149, 53, 30, 11}, afx::kGroup),
        Item(ids::kStopTimeLabel, ItemKind::Static, "Time", {203, 15, 18, 10}),
        Item(kIdcStatic, ItemKind::Static, "Threshold", {197, 42, 36, 9}),
        Item(ids::kStartDelayEdit, ItemKind::Edit, "", {76, 26, 35, 12}, kNumberEdit),
        Item(ids::kStartThresholdEdit, ItemKind::Edit, "", {76, 54, 35, 12}, kNumberEdit),
        Item(ids::kStopTimeEdit, ItemKind::Edit, "", {197, 26, 35, 12}, kNumberEdit),
        Item(ids::kStopLoadEdit, ItemKind::Edit, "", {197, 54, 35, 12}, kNumberEdit),
        Item(ids::kStartTime, ItemKind::RadioButton, "Time", {22, 31, 29, 8}, afx::kGroup),
        Item(ids::kStartLoad, ItemKind::RadioButton, "Load", {22, 54, 29, 10}, afx::kGroup),
        Item(ids::kBreakDetect, ItemKind::CheckBox, "Break Detect", {254, 53, 54, 15}),
        Item(ids::kBreakPercentEdit, ItemKind::Edit, "", {315, 54, 28, 12}, kNumberEdit),
        Item(kIdcStatic, ItemKind::Static, "% of Maximum", {349, 57, 52, 9}),
    };
    return t;
}

}  // namespace orva::resources
