// Bitmaps 157 and 159 of the graph tools, drawn pixel-aligned on their own 16 x 14 grid.
#include <QPainterPath>
#include <QPolygonF>

#include "picture_canvas.h"
#include "pictures.h"

namespace orva::resources {

QImage MouseZoomBitmap() {
    QImage image = detail::TransparentImage(kToolBitmapWidth, kToolBitmapHeight);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);

    // A small load curve across the bitmap.
    QPainterPath curve;
    curve.moveTo(0.5, 12.0);
    curve.cubicTo(3.0, 12.0, 4.0, 3.5, 7.0, 4.5);
    curve.cubicTo(9.5, 5.5, 11.0, 10.0, 15.5, 8.5);
    p.setPen(QPen(QColor(0x1a, 0x5f, 0xb4), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(curve);

    // Magnifier over its peak: tinted lens, dark ring, thick handle to the lower right.
    const QPointF lens(6.5, 5.5);
    p.setBrush(QColor(0xa8, 0xd0, 0xf0, 0x70));
    p.setPen(QPen(QColor(0x24, 0x24, 0x24), 1.3));
    p.drawEllipse(lens, 4.0, 4.0);
    p.setPen(QPen(QColor(0x24, 0x24, 0x24), 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9.6, 8.6), QPointF(13.2, 12.2));
    return image;
}

QImage ViewAllBitmap() {
    QImage image = detail::TransparentImage(kToolBitmapWidth, kToolBitmapHeight);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);

    // The frame of the window in the middle.
    p.setPen(QPen(QColor(0x5a, 0x5e, 0x64), 1.0));
    p.setBrush(QColor(0xe6, 0xec, 0xf3));
    p.drawRect(QRectF(5.5, 4.5, 5.0, 5.0));

    // Four arrows from the frame's corners out to the bitmap's corners.
    const QColor arrow(0x1a, 0x5f, 0xb4);
    struct Corner {
        QPointF from, tip;
        double sx, sy;  // direction of the tip
    };
    const Corner corners[] = {
        {{5.0, 4.0}, {0.0, 0.0}, -1, -1},
        {{11.0, 4.0}, {16.0, 0.0}, 1, -1},
        {{5.0, 10.0}, {0.0, 14.0}, -1, 1},
        {{11.0, 10.0}, {16.0, 14.0}, 1, 1},
    };
    for (const Corner& c : corners) {
        p.setPen(QPen(arrow, 1.3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c.from, c.tip - QPointF(c.sx * 2.0, c.sy * 2.0));
        p.setPen(Qt::NoPen);
        p.setBrush(arrow);
        QPolygonF head;
        head << c.tip << c.tip - QPointF(c.sx * 4.0, 0.0) << c.tip - QPointF(0.0, c.sy * 4.0);
        p.drawPolygon(head);
    }
    return image;
}

}  // namespace orva::resources
