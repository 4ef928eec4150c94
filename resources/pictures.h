// The program's icons and bitmaps, drawn at run time (transparent background, ARGB32).
#pragma once

#include <QImage>

namespace orva::resources {

// Icon 128: a round force gauge dial with its needle and a hook; drawn for any square size.
QImage ApplicationIcon(int size = 32);

// Icons 178 and 179 of the connect button: a grey USB plug pulled out and crossed in red,
// and a green plug seated in its socket.
QImage NotConnectedIcon(int size = 32);
QImage ConnectedIcon(int size = 32);

// Bitmaps of the graph tools, 16 x 14: 157 a magnifier over a curve (mouse zoom),
// 159 four arrows pointing out of a frame (view all).
inline constexpr int kToolBitmapWidth = 16;
inline constexpr int kToolBitmapHeight = 14;
QImage MouseZoomBitmap();
QImage ViewAllBitmap();

}  // namespace orva::resources
