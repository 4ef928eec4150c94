// Icon 128: a force gauge, drawn on a 32 x 32 grid and scaled to the requested size.
#include <QLinearGradient>
#include <QPainterPath>
#include <QtMath>

#include "picture_canvas.h"
#include "pictures.h"

namespace orva::resources {

QImage ApplicationIcon(int size) {
    if (size <= 0) return {};
    constexpr double kGrid = 32.0;
    const QPointF centre(16.0, 12.5);
    constexpr double kRadius = 11.0;

    QImage image = detail::TransparentImage(size, size);
    QPainter p(&image);
    detail::BeginGrid(p, image, kGrid);
    auto pen = [&](const QColor& c, double w) {
        QPen pen(c, detail::PenWidth(image, kGrid, w));
        pen.setCapStyle(Qt::RoundCap);
        return pen;
    };

    // Hook below the dial: a short shank ending in an open J.
    const QColor steel(0x4a, 0x4f, 0x57);
    p.setPen(Qt::NoPen);
    p.setBrush(steel);
    p.drawRect(QRectF(14.6, 22.5, 2.8, 3.5));
    QPainterPath hook;
    hook.moveTo(16.0, 25.5);
    hook.lineTo(16.0, 27.8);
    hook.arcTo(QRectF(10.8, 25.2, 5.2, 5.2), 0.0, -180.0);
    hook.lineTo(10.8, 26.6);
    p.setBrush(Qt::NoBrush);
    p.setPen(pen(steel, 2.0));
    p.drawPath(hook);

    // Dial: blue rim around a light face.
    QLinearGradient face(centre.x(), centre.y() - kRadius, centre.x(), centre.y() + kRadius);
    face.setColorAt(0.0, QColor(0xff, 0xff, 0xff));
    face.setColorAt(1.0, QColor(0xd8, 0xe2, 0xee));
    p.setBrush(face);
    p.setPen(pen(QColor(0x1f, 0x4e, 0x8c), 2.4));
    p.drawEllipse(centre, kRadius - 1.0, kRadius - 1.0);

    // Scale: ticks over a 270 degree sweep, only where there are pixels enough to show them.
    if (size >= 24) {
        p.setPen(pen(QColor(0x33, 0x33, 0x33), 1.0));
        for (int i = 0; i <= 8; ++i) {
            const double a = qDegreesToRadians(225.0 - i * 270.0 / 8);
            const double inner = (i % 2 == 0) ? 6.2 : 7.2;
            const QPointF dir(qCos(a), -qSin(a));
            p.drawLine(centre + dir * inner, centre + dir * 8.3);
        }
    }

    // Needle well into the scale, then the hub.
    const double a = qDegreesToRadians(40.0);
    p.setPen(pen(QColor(0xd6, 0x28, 0x28), 1.7));
    p.drawLine(centre, centre + QPointF(qCos(a), -qSin(a)) * 7.6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x22, 0x22, 0x22));
    p.drawEllipse(centre, 1.9, 1.9);
    return image;
}

}  // namespace orva::resources
