// The Qt side of the resources: pictures drawn by the resource library and the factories of
// custom controls. For the resource library, the other stand-ins and tests; the program's own
// code uses afx_resources.h.
#pragma once

#include <QImage>
#include <functional>
#include <string>

#include "afx_resources.h"

class QWidget;

namespace afx {

// The picture is made on first use (UI thread) and kept for the whole run.
void RegisterIcon(UINT id, std::function<QImage()> make);
void RegisterBitmap(UINT id, std::function<QImage()> make);

// Custom controls (ItemKind::CustomControl) are made by the factory registered for their class id;
// an unknown class id gives an empty placeholder widget.
void RegisterControlFactory(const std::string& classId, std::function<QWidget*(QWidget* parent)> factory);

// The picture behind a handle; a null image for a null handle.
QImage PictureImage(HICON picture);

}  // namespace afx
