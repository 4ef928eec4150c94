// A transparent image and a painter set up to draw on it in a fixed logical grid.
#pragma once

#include <QImage>
#include <QPainter>

namespace orva::resources::detail {

inline QImage TransparentImage(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Antialiased painter whose coordinates run from 0 to `grid` across the image's width.
inline void BeginGrid(QPainter& p, const QImage& image, double grid) {
    p.setRenderHint(QPainter::Antialiasing, true);
    const double scale = image.width() / grid;
    p.scale(scale, scale);
}

// Pen width in grid units that stays at least one device pixel wide when drawn small.
inline double PenWidth(const QImage& image, double grid, double width) {
    const double pixel = grid / image.width();
    return width < pixel ? pixel : width;
}

}  // namespace orva::resources::detail
