// Template 102: the main window.
#include "resources.h"
#include "template_items.h"
#include "templates.h"

namespace orva::resources {

namespace {
// Class ids of the two components hosted by the main window.
constexpr const char* kCommControlClassId = "{648A5600-2C6E-101B-82B6-000000000014}";
constexpr const char* kGraphControlClassId = "{C9FE01C2-2746-479B-96AB-E0BE9931B018}";
}  // namespace

afx::DialogTemplate MainDialogTemplate() {
    using afx::ItemKind;
    using detail::Combo;
    using detail::Custom;
    using detail::Item;
    using detail::kHiddenDisabled;
    namespace ids = main_dialog;

    afx::DialogTemplate t;
    t.id = kIddMainDialog;
    t.language = 1033;
    t.cx = 633;
    t.cy = 409;
    t.style = afx::kDsPopup | afx::kDsCaption | afx::kDsSysMenu | afx::kDsMinimizeBox | afx::kDsModalFrame |
              afx::kDsAppWindow;
    t.caption = "ORVA-FG V1.0";
    t.fontFace = "Microsoft Sans Serif";
    t.pointSize = 8;
    t.items = {
        Item(ids::kStartAcquisition, ItemKind::PushButton, "Start acquisition", {13, 340, 50, 21},
             afx::kMultiLine),
        Item(ids::kExit, ItemKind::PushButton, "Exit&X)", {549, 347, 50, 19},
             afx::kMultiLine | kHiddenDisabled),
        Item(ids::kHelp, ItemKind::PushButton, "Help(&H)", {545, 318, 50, 19}, kHiddenDisabled),
        Item(ids::kControlArea, ItemKind::GroupBox, "Contral Area", {5, 286, 68, 111}),
        Custom(ids::kComm, kCommControlClassId, {120, 327, 25, 23}),
        Item(ids::kReportText, ItemKind::Edit, "", {414, 230, 209, 55}, afx::kMultiLine),
        Custom(ids::kGraph, kGraphControlClassId, {5, 18, 403, 267}),
        Item(ids::kExportData, ItemKind::PushButton, "Export Data", {13, 364, 50, 13}),
        Item(ids::kExportImage, ItemKind::PushButton, "Export Image", {13, 380, 50, 14}),
        Item(ids::kSetupTab, ItemKind::TabControl, "Tab2", {79, 290, 544, 107}),
        Item(ids::kSendText, ItemKind::Edit, "", {582, 294, 32, 12}, afx::kHidden | afx::kBorder),
        Item(ids::kResultsList, ItemKind::ListView, "List1", {414, 18, 209, 208}, afx::kBorder),
        Item(ids::kEdit1181, ItemKind::Edit, "", {576, 319, 27, 15}, afx::kHidden | afx::kBorder),
        Item(ids::kConnect, ItemKind::PushButton, "Button3", {13, 318, 50, 19}, afx::kIcon),
        Combo(ids::kPortList, ItemKind::ComboDropList, {12, 299, 55, 77}, afx::kVScroll, {}),
    };
    return t;
}

}  // namespace orva::resources
