// Resources: pictures, strings and the factories of custom controls, registered at start-up.
#pragma once

#include <QImage>
#include <functional>
#include <string>

#include "afx_types.h"

class QWidget;

namespace afx {

// The picture is made on first use (UI thread) and kept for the whole run.
void RegisterIcon(UINT id, std::function<QImage()> make);
void RegisterBitmap(UINT id, std::function<QImage()> make);
void RegisterString(UINT id, std::string text);
// The string's text; empty when there is none.
std::string LoadStringResource(UINT id);
bool HasStringResource(UINT id);

// Custom controls (ItemKind::CustomControl) are made by the factory registered for their class id;
// an unknown class id gives an empty placeholder widget.
void RegisterControlFactory(const std::string& classId, std::function<QWidget*(QWidget* parent)> factory);

// The picture behind a handle; a null image for a null handle.
QImage PictureImage(HICON picture);

}  // namespace afx

// nullptr when no picture has this id.
HICON LoadIconResource(UINT id);
HBITMAP LoadBitmapResource(UINT id);
