// Small corrections of how the dialog framework draws our templates, so that captions fit their
// template rectangles as they were laid out.
#pragma once

class CWnd;

namespace afx {

// The dialog font stands in for the template's font and runs about 1 % wider, so a caption that
// filled its static exactly ("Report Name" in 43 dialog units) would wrap onto a second line that
// the static is too low to show. Statics whose caption overshoots their width by at most 2 pixels
// are drawn unwrapped instead. UI thread, after the dialog's controls exist.
void KeepCaptionsOnOneLine(CWnd& dialog);

// Group boxes draw their frame through the middle of their caption, as the templates expect
// (texts placed just below a group's caption otherwise sit on its frame), and check boxes and
// radio buttons keep the narrow gap between mark and caption that their widths were made for.
// Applies to the controls the window holds now, those of its child dialogs included.
void UseTemplateLook(CWnd& window);

}  // namespace afx
