// The window calls that take a window handle (HWND) rather than a window object, for code that
// keeps only the handle (the serial port class's owner window). A handle whose window was
// destroyed, or that never named one, is refused: IsWindow is FALSE and the posts fail with
// ERROR_INVALID_WINDOW_HANDLE. Callable from any thread.
#pragma once

#include "afx_types.h"

constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;

BOOL IsWindow(HWND hWnd);
// Posted to the UI thread and dispatched through the window's message map there.
BOOL PostMessageA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Dispatched at once on the UI thread; from another thread it is posted and 0 returned, since no
// worker waits for the UI thread.
LRESULT SendMessageA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
