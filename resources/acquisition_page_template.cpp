// Template 146: the Acquisition page of the setup tab.
#include "resources.h"
#include "template_items.h"
#include "templates.h"

namespace orva::resources {

afx::DialogTemplate AcquisitionPageTemplate() {
    using afx::ItemKind;
    using detail::Combo;
    using detail::Item;
    using detail::kHiddenDisabled;
    namespace ids = acquisition_page;
    constexpr unsigned kNumberEdit = afx::kCentre | afx::kBorder;
    constexpr unsigned kBitmapCheck = afx::kPushLike | afx::kBitmap;

    afx::DialogTemplate t;
    t.id = kIddAcquisitionPage;
    t.language = 1033;
    t.cx = 549;
    t.cy = 93;
    t.style = afx::kDsChild;
    t.fontFace = "Microsoft Sans Serif";
    t.pointSize = 8;
    t.items = {
        Combo(ids::kReportName, ItemKind::ComboSimple, {67, 13, 44, 12}, afx::kNone, {}),
        Item(ids::kReportNameLabel, ItemKind::Static, "Report Name", {17, 15, 43, 9}),
        Item(ids::kShowGrid, ItemKind::CheckBox, "Show grid", {17, 66, 45, 11}),
        Combo(ids::kLoadUnit, ItemKind::ComboDropList, {467, 15, 30, 79}, kHiddenDisabled,
              {"N", "mN", "gf", "kgf", "ozf", "lbf"}),
        Item(ids::kLoadLabel, ItemKind::Static, "Load", {445, 30, 20, 8}, kHiddenDisabled),
        Item(ids::kReadingsPerSecond, ItemKind::Edit, "", {100, 29, 26, 12}, kNumberEdit),
        Item(kIdcStatic, ItemKind::Static, "Readings per Seconds", {17, 32, 74, 11}),
        Item(ids::kBitmapButton, ItemKind::PushButton, "BITMAP_BUTTON", {463, 52, 18, 17},
             afx::kBitmap | kHiddenDisabled),
        Item(ids::kButton2, ItemKind::PushButton, "Button2", {443, 53, 18, 17},
             afx::kBitmap | kHiddenDisabled),
        Item(ids::kAllMouse, ItemKind::PushButton, "all_mouse", {471, 55, 17, 17},
             afx::kBitmap | kHiddenDisabled),
        Item(ids::kMouseZoom, ItemKind::CheckBox, "Check_mouse_all", {177, 19, 18, 16}, kBitmapCheck),
        Item(ids::kMouseLeftRight, ItemKind::CheckBox, "Check_l_r_mouse", {438, 51, 18, 19},
             kBitmapCheck | kHiddenDisabled),
        Item(ids::kMouseUpDown, ItemKind::CheckBox, "Check_u_d_mouse", {448, 54, 18, 19},
             kBitmapCheck | kHiddenDisabled),
        Item(kIdcStatic, ItemKind::Static, "Range of Avg.", {182, 42, 46, 8}),
        Item(kIdcStatic, ItemKind::Static, "Range of Peak", {181, 59, 51, 11}),
        Item(ids::kAverage, ItemKind::Edit, "", {233, 39, 57, 12}, kNumberEdit),
        Item(ids::kPeak, ItemKind::Edit, "", {233, 57, 57, 12}, kNumberEdit),
        Item(ids::kCalculate, ItemKind::PushButton, "Calculate", {295, 55, 37, 14}),
        Item(ids::kGravityLabel, ItemKind::Static, "g", {232, 22, 8, 9}),
        Item(ids::kGravity, ItemKind::Edit, "", {241, 21, 29, 12}, kNumberEdit),
        Item(ids::kInvertLoad, ItemKind::CheckBox, "Invert Load", {74, 66, 52, 11}),
        Combo(ids::kUnit, ItemKind::ComboDropList, {59, 48, 39, 67}, afx::kNone,
              {"N", "kN", "mN", "gf", "kgf", "tf", "lbf", "klbf", "ozf"}),
        Item(ids::kUnitLabel, ItemKind::Static, "Unit", {441, 15, 18, 11}, kHiddenDisabled),
        Item(kIdcStatic, ItemKind::GroupBox, "Setting", {7, 3, 158, 76}),
        Item(kIdcStatic, ItemKind::GroupBox, "Advance", {172, 3, 173, 77}),
        Item(ids::kViewAll, ItemKind::PushButton, "view all", {201, 18, 24, 17}, afx::kBitmap),
        Item(ids::kDrawGraph, ItemKind::RadioButton, "Draw Graph", {360, 20, 58, 12}, afx::kGroup),
        Item(ids::kUploadMemory, ItemKind::RadioButton, "Upload Memory Data From Gauge", {360, 37, 134, 12},
             afx::kGroup),
        Item(ids::kSelectGroup, ItemKind::GroupBox, "Select", {353, 3, 155, 77}),
        Item(ids::kLoad, ItemKind::CheckBox, "Load", {17, 50, 33, 11}),
        Item(ids::kHelp, ItemKind::PushButton, "Help", {361, 55, 42, 15}, kHiddenDisabled),
        Combo(ids::kFileType, ItemKind::ComboDropList, {113, 48, 39, 67}, afx::kNone, {"xls", "csv"}),
    };
    return t;
}

}  // namespace orva::resources
