// Headless test support: drives dialogs through the same notification paths as a user.
#pragma once

#include <Qt>
#include <functional>
#include <string>
#include <vector>

#include "afx_types.h"

class CWnd;
class CDialog;
class QWidget;

namespace afx::testing {

// Makes the Qt application when there is none (offscreen when no platform is set) and keeps
// LC_NUMERIC at "C". Message boxes and file dialogs are answered from the queues below from now on.
void EnsureApplication();
// Only the answering, on the thread that makes (or made) the application: each message box and
// file dialog the program shows is answered from the queues below, from outside, as a person at
// the screen answers it.
void AnswerDialogsFromQueues();

// The Qt widget of a control of the dialog; nullptr when none.
QWidget* Widget(CWnd& dlg, int id);

// A user's click: buttons, check boxes and radio buttons (BN_CLICKED after an automatic check box
// toggled), statics with the notify style. Returns false when the control is hidden or disabled.
bool Click(CWnd& dlg, int id);
// A left click on the window's background at the point (client coordinates): WM_LBUTTONDOWN.
void ClickBackground(CWnd& wnd, CPoint point);
// Types the text into an edit or a simple combo box as a user, one character per key stroke, after
// selecting what the field holds (replace) or at its end. Returns false when not enabled/visible.
bool TypeText(CWnd& dlg, int id, const std::string& text, bool replace = true);
// Opens a drop-down list as a user (CBN_DROPDOWN first) and picks the entry (CBN_SELCHANGE).
bool SelectComboEntry(CWnd& dlg, int id, int index);
// Opens a drop-down list and closes it again without a choice (CBN_DROPDOWN).
bool DropDownCombo(CWnd& dlg, int id);
// A click on a tab item (TCN_SELCHANGE once the selection changed).
bool SelectTab(CWnd& dlg, int id, int index);
// A key press and release, delivered to the focused control of the window (or the window).
void PressKey(CWnd& wnd, int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// The close box: WM_CLOSE.
void CloseWindow(CWnd& wnd);
// Chooses an item of the window's system menu (offered in its context menu): WM_SYSCOMMAND.
bool ChooseSystemMenuItem(CWnd& wnd, UINT id);

// Message boxes: each box takes the next queued answer; with an empty queue it takes its first
// button (IDOK, IDYES, ...). Every box shown is recorded as it reads on the screen.
struct ShownBox {
    std::string text;
    std::string caption;
    UINT buttons = 0;  // MB_OK, MB_OKCANCEL, MB_YESNO, ... read back from the box
    UINT icon = 0;     // 0, MB_ICONQUESTION, MB_ICONEXCLAMATION, MB_ICONINFORMATION, MB_ICONERROR
    int reply = 0;
};
void AnswerNextMessageBox(int reply);
std::vector<ShownBox> ShownBoxes();
void ClearShownBoxes();

// File dialogs: the next dialog is answered with this path as if the user had typed it and pressed
// Save or Open (empty: Cancel). With an empty queue a dialog is cancelled. A dialog that stays
// open (after "No" at its question whether to replace a file) takes the next path.
void AnswerNextFileDialog(const std::string& path);
// Every file dialog shown, as it was offered.
struct ShownFileDialog {
    bool save = false;
    std::string title;
    std::vector<std::string> filters;  // as listed, "csv Files (*.csv)"
    std::string defaultSuffix;         // without its dot
    bool confirmsOverwrite = false;
};
std::vector<ShownFileDialog> ShownFileDialogs();

bool GrabToPng(CWnd& wnd, const std::string& path);

// Registers an empty popup dialog with a caption ("Owner", 100 x 50 dialog units) under the id:
// the owner window a port class posts to in tests and benchmarks.
void RegisterOwnerTemplate(UINT id);

// Pumps the event loop until the predicate holds or the time is up; returns the predicate's value.
bool RunUntil(const std::function<bool()>& predicate, int timeoutMs = 5000);
// Pumps the event loop for the given time.
void Pump(int ms = 0);

// Runs dlg.DoModal(); the script runs inside the modal loop once the dialog is shown. When the
// script returns and the dialog still runs, it is ended with endResult unless endResult is 0.
INT_PTR RunModal(CDialog& dlg, const std::function<void(CDialog&)>& script, int endResult = IDCANCEL);

}  // namespace afx::testing
