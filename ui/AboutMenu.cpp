#include "AboutMenu.h"

#include <string>

void AppendAboutItem(CWnd& wnd) {
    CMenu* pSysMenu = wnd.GetSystemMenu(FALSE);
    if (!pSysMenu) return;
    const std::string about = afx::LoadStringResource(101);
    if (about.empty()) return;
    pSysMenu->AppendMenu(MF_SEPARATOR);
    pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
}
