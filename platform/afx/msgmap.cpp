// Message-map lookup along the chain of base classes.
#include "afx_msgmap.h"

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message, UINT code, UINT id) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e && e->pfn; ++e)
            if (e->nMessage == message && e->nCode == code && e->nID == id) return e;
        if (map->pfnGetBaseMap == nullptr) break;
        // The root map points to itself through CCmdTarget; stop there.
        if (map->pfnGetBaseMap() == map) break;
    }
    return nullptr;
}
