// The About item that every dialog of the program appends to its system menu.
#pragma once

#include "afx.h"

// Appends a separator and the About item (IDM_ABOUTBOX) with the text (string 101) when the window has a
// system menu and the text is not empty.
void AppendAboutItem(CWnd& wnd);
