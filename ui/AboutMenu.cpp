#include "AboutMenu.h"

#include <string>

#include "resources.h"

void AppendAboutItem(CWnd& wnd) {
    CMenu* pSysMenu = wnd.GetSystemMenu(FALSE);
    if (!pSysMenu) return;
    const std::string about = afx::LoadStringResource(orva::resources::kIdsAboutBox);
    if (about.empty()) return;
    pSysMenu->AppendMenu(MF_SEPARATOR);
    pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
}
