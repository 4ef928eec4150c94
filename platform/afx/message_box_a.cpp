#include "afx_message_box_a.h"
#include "afx_wnd.h"

int MessageBoxA(HWND, const char* lpText, const char* lpCaption, UINT uType) {
    // A window object without a window: its box is the framework's plain box, with no owner.
    CWnd none;
    return none.MessageBox(lpText, lpCaption, uType);
}
