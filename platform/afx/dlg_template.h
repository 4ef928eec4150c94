// Dialog templates: what a dialog window is built from. A template lists its controls in
// tab order, each at a rectangle in dialog units (converted with the template font's
// metrics when the dialog is created).
#pragma once

#include <string>
#include <vector>

namespace afx {

enum class ItemKind {
    PushButton,   // flags: MultiLine, Icon, Bitmap, DefPush
    CheckBox,     // automatic; flags: PushLike, Bitmap
    RadioButton,  // automatic
    GroupBox,
    Static,         // flags: Notify (click notifications), Centre
    Edit,           // flags: MultiLine, Centre, Border, VScroll, AutoVScroll, ReadOnly
    ComboSimple,    // simple combo box used as an edit field
    ComboDropList,  // drop-down list (no edit field)
    ListView,       // report view
    TabControl,
    CustomControl,  // a component created by class id (graph, communications control)
};

// Style flags of an item (combine with |).
enum ItemFlags : unsigned {
    kNone = 0,
    kHidden = 1u << 0,  // created without the visible style
    kDisabled = 1u << 1,
    kGroup = 1u << 2,  // opens a group of its own
    kTabStop = 1u << 3,
    kMultiLine = 1u << 4,
    kIcon = 1u << 5,
    kBitmap = 1u << 6,
    kPushLike = 1u << 7,
    kBorder = 1u << 8,
    kCentre = 1u << 9,
    kVScroll = 1u << 10,
    kNotify = 1u << 11,
    kDefPush = 1u << 12,
    kAutoVScroll = 1u << 13,
    kReadOnly = 1u << 14,
    kWantReturn = 1u << 15,
    kSortList = 1u << 16,
};

struct DialogItem {
    int id = -1;  // -1: a control without id (static text, group box)
    ItemKind kind = ItemKind::Static;
    std::string caption;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    unsigned flags = kNone;
    std::string classId;                    // CustomControl: the component's class id
    std::vector<std::string> initialItems;  // combo boxes: list entries, in this order
};

enum DialogStyle : unsigned {
    kDsChild = 1u << 0,
    kDsPopup = 1u << 1,
    kDsCaption = 1u << 2,
    kDsSysMenu = 1u << 3,
    kDsMinimizeBox = 1u << 4,
    kDsModalFrame = 1u << 5,
    kDsAppWindow = 1u << 6,  // a task-bar button of its own
};

struct DialogTemplate {
    unsigned id = 0;
    unsigned language = 1033;
    int cx = 0, cy = 0;  // dialog units
    unsigned style = 0;
    std::string caption;
    std::string fontFace;  // as written in the template; mapped to an installed font
    int pointSize = 8;
    std::vector<DialogItem> items;
};

// The program's resources register their templates, strings and pictures at start-up.
void RegisterTemplate(const DialogTemplate& t);
const DialogTemplate* FindTemplate(unsigned id);

}  // namespace afx
