// Resources: strings and pictures by id, registered at start-up. The pictures themselves and the
// factories of custom controls are registered through afx_pictures.h.
#pragma once

#include <string>

#include "afx_types.h"

namespace afx {

void RegisterString(UINT id, std::string text);
// The string's text; empty when there is none.
std::string LoadStringResource(UINT id);
bool HasStringResource(UINT id);

// A custom control (ItemKind::CustomControl) of this class id that shows nothing; its widget
// carries the given name.
void RegisterPlainControl(const std::string& classId, const std::string& name);

}  // namespace afx

// nullptr when no picture has this id.
HICON LoadIconResource(UINT id);
HBITMAP LoadBitmapResource(UINT id);
