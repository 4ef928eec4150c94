// Icons 178 and 179 of the connect button, drawn on a 32 x 32 grid.
#include <QPainterPath>

#include "picture_canvas.h"
#include "pictures.h"

namespace orva::resources {

namespace {

constexpr double kGrid = 32.0;

struct PlugColours {
    QColor body, bodyEdge, cable;
};

// A USB-A plug lying horizontally: cable from the left, moulded body, metal shell with its
// two contact windows. `dx` shifts the whole plug to the right.
void DrawPlug(QPainter& p, const QImage& image, const PlugColours& c, double dx) {
    const double thin = detail::PenWidth(image, kGrid, 1.0);
    p.setPen(QPen(c.cable, 3.2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(0.0, 16.0), QPointF(6.0 + dx, 16.0));

    p.setPen(QPen(c.bodyEdge, thin));
    p.setBrush(c.body);
    p.drawRoundedRect(QRectF(5.5 + dx, 10.5, 10.0, 11.0), 2.0, 2.0);

    p.setPen(QPen(QColor(0x6a, 0x6e, 0x74), thin));
    p.setBrush(QColor(0xd4, 0xd7, 0xdb));
    p.drawRect(QRectF(15.5 + dx, 12.0, 9.0, 8.0));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x55, 0x59, 0x60));
    p.drawRect(QRectF(18.0 + dx, 13.8, 2.0, 1.8));
    p.drawRect(QRectF(18.0 + dx, 16.4, 2.0, 1.8));
}

}  // namespace

QImage NotConnectedIcon(int size) {
    if (size <= 0) return {};
    QImage image = detail::TransparentImage(size, size);
    QPainter p(&image);
    detail::BeginGrid(p, image, kGrid);

    DrawPlug(p, image, {QColor(0x9a, 0x9d, 0xa2), QColor(0x5f, 0x63, 0x68), QColor(0x7a, 0x7d, 0x82)}, 0.0);

    // Red cross over the plug's tip, on a white halo so that it reads on the grey.
    const QLineF a(QPointF(19.5, 19.5), QPointF(29.5, 29.5));
    const QLineF b(QPointF(29.5, 19.5), QPointF(19.5, 29.5));
    p.setPen(QPen(Qt::white, 5.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(a);
    p.drawLine(b);
    p.setPen(QPen(QColor(0xe0, 0x1b, 0x24), 3.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(a);
    p.drawLine(b);
    return image;
}

QImage ConnectedIcon(int size) {
    if (size <= 0) return {};
    QImage image = detail::TransparentImage(size, size);
    QPainter p(&image);
    detail::BeginGrid(p, image, kGrid);

    // Socket on the right edge, drawn first so that the plug's shell disappears into it.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3d, 0x40, 0x45));
    p.drawRoundedRect(QRectF(22.0, 7.0, 10.0, 18.0), 1.5, 1.5);
    p.setBrush(QColor(0x1c, 0x1e, 0x21));
    p.drawRect(QRectF(22.0, 11.0, 6.0, 10.0));

    DrawPlug(p, image, {QColor(0x2e, 0xa0, 0x43), QColor(0x1a, 0x6b, 0x2a), QColor(0x26, 0x85, 0x38)}, 3.0);

    // The shell's front part inside the socket is hidden by the socket's lip.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3d, 0x40, 0x45));
    p.drawRect(QRectF(26.0, 7.0, 6.0, 18.0));

    // Green signal bars above the cable: the link is up.
    p.setPen(QPen(QColor(0x2e, 0xc2, 0x4f), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3.0, 9.0), QPointF(3.0, 11.0));
    p.drawLine(QPointF(6.5, 6.5), QPointF(6.5, 11.0));
    p.drawLine(QPointF(10.0, 4.0), QPointF(10.0, 8.0));
    return image;
}

}  // namespace orva::resources
