// Finding controls in a template by id or, for controls without one, by caption.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dlg_template.h"

namespace orva::resources::testing {

inline const afx::DialogItem& ById(const afx::DialogTemplate& t, int id) {
    for (const afx::DialogItem& item : t.items)
        if (item.id == id) return item;
    ADD_FAILURE() << "template " << t.id << " has no control " << id;
    static const afx::DialogItem missing;
    return missing;
}

inline const afx::DialogItem& ByCaption(const afx::DialogTemplate& t, const std::string& caption) {
    for (const afx::DialogItem& item : t.items)
        if (item.id == -1 && item.caption == caption) return item;
    ADD_FAILURE() << "template " << t.id << " has no id-less control \"" << caption << "\"";
    static const afx::DialogItem missing;
    return missing;
}

inline std::vector<int> IdsInOrder(const afx::DialogTemplate& t) {
    std::vector<int> ids;
    for (const afx::DialogItem& item : t.items) ids.push_back(item.id);
    return ids;
}

struct Rect {
    int x, y, cx, cy;
};

inline void ExpectRect(const afx::DialogItem& item, Rect r) {
    EXPECT_EQ(item.x, r.x) << "control " << item.id << " \"" << item.caption << "\"";
    EXPECT_EQ(item.y, r.y) << "control " << item.id << " \"" << item.caption << "\"";
    EXPECT_EQ(item.cx, r.cx) << "control " << item.id << " \"" << item.caption << "\"";
    EXPECT_EQ(item.cy, r.cy) << "control " << item.id << " \"" << item.caption << "\"";
}

inline bool Has(const afx::DialogItem& item, unsigned flags) {
    return (item.flags & flags) == flags;
}

}  // namespace orva::resources::testing
