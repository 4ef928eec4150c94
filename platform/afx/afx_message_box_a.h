// The system's own message box, for code that has no window object to show it from.
#pragma once

#include "afx_types.h"

// Shows the box with exactly this caption, buttons and icon, over the window in front (the owner
// is not used). From another thread the box is shown on the UI thread and IDOK is returned at once.
int MessageBoxA(HWND hWnd, const char* lpText, const char* lpCaption, UINT uType);
