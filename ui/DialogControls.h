// Steps on the main dialog's controls that handlers in several places take.
#pragma once

#include <string>

#include "afx_types.h"

class CWnd;
class CKvDlg;

// Enables or disables the window's control with this id; a missing control is left alone.
void EnableControl(CWnd& window, int id, BOOL enable);

// Shows the text in the status bar's pane, the pane made as wide as the text.
void ShowPaneFitted(CKvDlg& dlg, int pane, const std::string& text);
