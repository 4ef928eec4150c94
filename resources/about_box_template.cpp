// Template 100: the About box.
#include "resources.h"
#include "template_items.h"
#include "templates.h"

namespace orva::resources {

afx::DialogTemplate AboutBoxTemplate() {
    afx::DialogTemplate t;
    t.id = kIddAboutBox;
    t.language = 2052;
    t.cx = 235;
    t.cy = 55;
    t.style = afx::kDsPopup | afx::kDsCaption | afx::kDsSysMenu | afx::kDsModalFrame;
    t.caption = "ORVA-FG V4.9.01";
    t.fontFace = "宋体";  // UTF-8; the framework maps it to an installed CJK face
    t.pointSize = 9;
    t.items = {
        detail::Item(kIdcStatic, afx::ItemKind::Static, "ORVA-FG V4.9.01", {67, 20, 81, 10}),
    };
    return t;
}

}  // namespace orva::resources
