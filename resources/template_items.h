// Helpers that keep the template tables short: one line per control, in template order.
#pragma once

#include <initializer_list>
#include <string>

#include "dlg_template.h"

namespace orva::resources::detail {

struct DuRect {
    int x, y, cx, cy;  // dialog units
};

// Controls the user can reach with the Tab key; static texts and group boxes are skipped.
inline bool TakesTabStop(afx::ItemKind kind) {
    return kind != afx::ItemKind::Static && kind != afx::ItemKind::GroupBox;
}

inline afx::DialogItem Item(int id, afx::ItemKind kind, std::string caption, DuRect r,
                            unsigned flags = afx::kNone) {
    afx::DialogItem item;
    item.id = id;
    item.kind = kind;
    item.caption = std::move(caption);
    item.x = r.x;
    item.y = r.y;
    item.cx = r.cx;
    item.cy = r.cy;
    item.flags = flags | (TakesTabStop(kind) ? afx::kTabStop : afx::kNone);
    return item;
}

inline afx::DialogItem Combo(int id, afx::ItemKind kind, DuRect r, unsigned flags,
                             std::initializer_list<const char*> entries) {
    afx::DialogItem item = Item(id, kind, "", r, flags);
    for (const char* e : entries) item.initialItems.emplace_back(e);
    return item;
}

inline afx::DialogItem Custom(int id, const char* classId, DuRect r, unsigned flags = afx::kNone) {
    afx::DialogItem item = Item(id, afx::ItemKind::CustomControl, "", r, flags);
    item.classId = classId;
    return item;
}

// Created without the visible style and disabled.
inline constexpr unsigned kHiddenDisabled = afx::kHidden | afx::kDisabled;

}  // namespace orva::resources::detail
