// The UI thread: the only thread that touches widgets.
#pragma once

#include <functional>

class CWnd;

namespace afx {

// True on the thread that runs the Qt application (also true before the application exists).
bool IsUiThread();
// Runs the function on the UI thread, after everything posted before it; returns at once. An
// exception leaving the function is reported in an error box.
void PostToUi(std::function<void()> fn);
// As PostToUi, for work on a window: the function runs only if the window still exists then and
// is still the one this object stands for (a destroyed or rebuilt window no longer names it).
void PostToWindow(CWnd& window, std::function<void()> fn);

}  // namespace afx
