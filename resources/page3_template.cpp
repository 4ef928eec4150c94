// Template 148: the third setup page, which the main window builds but never shows.
#include "resources.h"
#include "template_items.h"
#include "templates.h"

namespace orva::resources {

afx::DialogTemplate Page3Template() {
    using afx::ItemKind;
    using detail::Item;

    afx::DialogTemplate t;
    t.id = kIddPage3;
    t.language = 1033;
    t.cx = 441;
    t.cy = 72;
    t.style = afx::kDsChild;
    t.fontFace = "Microsoft Sans Serif";
    t.pointSize = 8;
    t.items = {
        Item(page3::kLoadEdit, ItemKind::Edit, "", {16, 7, 153, 57},
             afx::kMultiLine | afx::kCentre | afx::kBorder | detail::kHiddenDisabled),
        Item(kIdcStatic, ItemKind::Static, "Load", {176, 52, 29, 12}, afx::kHidden),
    };
    return t;
}

}  // namespace orva::resources
