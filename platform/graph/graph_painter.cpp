#include "graph_painter.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QLineF>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orva::graph {

namespace {

const QColor kBackground(32, 32, 32);
const QColor kPlotBackground(0, 0, 0);
const QColor kFrame(255, 255, 255);
const QColor kGrid(0x80, 0x80, 0x80);
const QColor kText(255, 255, 255);

constexpr std::size_t kRunsPerBatch = 8192;
constexpr double kFarOff = 1e5;  // pixel coordinates are clamped to this distance

QColor FromBgr(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

QFont GraphFont(double points, bool bold = false) {
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// Maps data values to pixel positions inside the plot area.
struct Mapper {
    const QRect& plot;
    const ViewRange& range;
    const ColumnMap& columns;

    double Py(double y) const {
        const double py = plot.top() + (range.ymax - y) * (plot.height() - 1) / (range.ymax - range.ymin);
        return std::clamp(py, plot.top() - kFarOff, plot.bottom() + kFarOff);
    }
    double Px(int column, double x) const {
        if (column >= 0 && column < columns.width) return plot.left() + column + 0.5;
        const double px = plot.left() + (x - range.xmin) * columns.scale;
        return std::clamp(px, plot.left() - kFarOff, plot.right() + kFarOff);
    }
};

// Draws batches of runs, joining each run to the one before it when lines are wanted.
class CurveDrawer {
public:
    CurveDrawer(QPainter& p, const Mapper& m, const Settings& s)
        : painter_(p), map_(m), lines_(s.curveStyle != kCurveStyleDots), markers_(s.curveOption) {}

    void Draw(const Run* runs, std::size_t count, bool newCurve) {
        if (newCurve) havePrev_ = false;
        segments_.clear();
        dots_.clear();
        boxes_.clear();
        for (std::size_t i = 0; i < count; ++i) {
            const Run& r = runs[i];
            const double pyFirst = map_.Py(r.yFirst);
            if (lines_ && havePrev_)
                segments_.emplace_back(prevX_, prevY_, map_.Px(r.column, r.xFirst), pyFirst);
            if (r.column >= 0 && r.column < map_.columns.width) {
                const double px = map_.Px(r.column, r.xFirst);
                if (r.ymin < r.ymax)
                    segments_.emplace_back(px, map_.Py(r.ymax), px, map_.Py(r.ymin));
                else
                    dots_.emplace_back(px, pyFirst);
                if (markers_ && r.count == 1) boxes_.emplace_back(px - 2, pyFirst - 2, 4, 4);
            }
            prevX_ = map_.Px(r.column, r.xLast);
            prevY_ = map_.Py(r.yLast);
            havePrev_ = true;
        }
        if (!segments_.empty()) painter_.drawLines(segments_.data(), static_cast<int>(segments_.size()));
        if (!dots_.empty()) painter_.drawPoints(dots_.data(), static_cast<int>(dots_.size()));
        if (!boxes_.empty()) painter_.drawRects(boxes_.data(), static_cast<int>(boxes_.size()));
    }

private:
    QPainter& painter_;
    const Mapper& map_;
    const bool lines_;
    const bool markers_;
    bool havePrev_ = false;
    double prevX_ = 0, prevY_ = 0;
    std::vector<QLineF> segments_;
    std::vector<QPointF> dots_;
    std::vector<QRectF> boxes_;
};

// Every `step`-th label is drawn so that neighbouring labels do not overlap.
int LabelStep(double spacing, double needed) {
    if (spacing <= 0) return 1;
    return std::max(1, static_cast<int>(std::ceil(needed / spacing)));
}

}  // namespace

std::string TickText(double value, double span, const char* format) {
    if (std::abs(value) < std::abs(span) * 1e-9) value = 0;
    char text[352];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

PaintedFrame PaintGraphBackground(QPainter& painter, const QRect& area, const Settings& s,
                                  const ViewRange& range) {
    const bool tickLabels = (s.plotOption & kPlotOptionTickLabels) != 0;
    const bool caption = !QString::fromStdString(s.caption).trimmed().isEmpty();

    const QFont tickFont = GraphFont(8.25);
    const QFont captionFont = GraphFont(9.75, true);
    const QFont labelFont = GraphFont(8.25);
    const QFontMetrics tickMetrics(tickFont), captionMetrics(captionFont), labelMetrics(labelFont);

    const int nx = s.xGridCount, ny = s.yGridCount;
    std::vector<QString> xTicks, yTicks;
    int widestY = 0;
    for (int i = 0; i <= nx; ++i)
        xTicks.push_back(QString::fromStdString(TickText(range.xmin + i * (range.xmax - range.xmin) / nx,
                                                         range.xmax - range.xmin, kXTickFormat)));
    for (int j = 0; j <= ny; ++j) {
        yTicks.push_back(QString::fromStdString(TickText(range.ymin + j * (range.ymax - range.ymin) / ny,
                                                         range.ymax - range.ymin, kYTickFormat)));
        widestY = std::max(widestY, tickMetrics.horizontalAdvance(yTicks.back()));
    }

    const int top = caption ? captionMetrics.height() + 10 : 12;
    const int left = 8 + (s.yLabel.empty() ? 0 : labelMetrics.height() + 6) + (tickLabels ? widestY + 8 : 0);
    const int bottom =
        8 + (tickLabels ? tickMetrics.height() + 6 : 0) + (s.xLabel.empty() ? 0 : labelMetrics.height() + 4);
    const int right = tickLabels ? std::max(14, tickMetrics.horizontalAdvance(xTicks.back()) / 2 + 6) : 14;
    const QRect plot = area.adjusted(left, top, -right, -bottom);

    painter.save();
    painter.fillRect(area, kBackground);
    PaintedFrame frame{plot, range};
    if (plot.width() < 2 || plot.height() < 2) {
        painter.restore();
        return frame;
    }
    painter.fillRect(plot, kPlotBackground);

    // Grid and ticks.
    const double dx = static_cast<double>(plot.width()) / nx;
    const double dy = static_cast<double>(plot.height()) / ny;
    if (s.showGrid) {
        QPen gridPen(kGrid, 0, Qt::DotLine);
        painter.setPen(gridPen);
        for (int i = 1; i < nx; ++i) {
            const double x = plot.left() + i * dx;
            painter.drawLine(QLineF(x, plot.top(), x, plot.bottom()));
        }
        for (int j = 1; j < ny; ++j) {
            const double y = plot.top() + j * dy;
            painter.drawLine(QLineF(plot.left(), y, plot.right(), y));
        }
    }
    if (tickLabels) {
        painter.setPen(QPen(kText, 0));
        painter.setFont(tickFont);
        int widestX = 0;
        for (const QString& t : xTicks) widestX = std::max(widestX, tickMetrics.horizontalAdvance(t));
        const int xStep = LabelStep(dx, widestX + 8);
        const int yStep = LabelStep(dy, tickMetrics.height());
        const int tickTop = plot.bottom() + 1;
        for (int i = 0; i <= nx; i += xStep) {
            const double x = plot.left() + i * dx;
            painter.drawLine(QLineF(x, tickTop, x, tickTop + 3));
            const QRectF box(x - widestX, tickTop + 4, 2.0 * widestX, tickMetrics.height());
            painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, xTicks[i]);
        }
        for (int j = 0; j <= ny; j += yStep) {
            const double y = plot.bottom() + 1 - j * dy;
            painter.drawLine(QLineF(plot.left() - 4, y, plot.left() - 1, y));
            const QRectF box(plot.left() - 6 - widestY, y - tickMetrics.height() / 2.0, widestY,
                             tickMetrics.height());
            painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, yTicks[j]);
        }
    }

    // Titles, exactly as set.
    painter.setPen(QPen(kText, 0));
    if (!s.caption.empty()) {
        painter.setFont(captionFont);
        painter.drawText(QRect(area.left(), area.top() + 4, area.width(), captionMetrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, QString::fromStdString(s.caption));
    }
    painter.setFont(labelFont);
    if (!s.xLabel.empty()) {
        const QRect box(plot.left(), area.bottom() - 4 - labelMetrics.height(), plot.width(),
                        labelMetrics.height());
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignBottom, QString::fromStdString(s.xLabel));
    }
    if (!s.yLabel.empty()) {
        painter.save();
        painter.translate(area.left() + 6, plot.center().y());
        painter.rotate(-90);
        painter.drawText(QRect(-plot.height() / 2, 0, plot.height(), labelMetrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, QString::fromStdString(s.yLabel));
        painter.restore();
    }

    painter.restore();
    return frame;
}

void PaintGraphCurves(QPainter& painter, const PaintedFrame& frame, const GraphModel& model,
                      const Settings& s, std::vector<Run>& scratch) {
    const QRect plot = frame.plot;
    const ViewRange range = frame.range;
    if (plot.width() < 2 || plot.height() < 2) return;
    painter.save();
    painter.save();
    painter.setClipRect(plot);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(FromBgr(s.curveColor), 0));
    painter.setBrush(Qt::NoBrush);
    const ColumnMap columns(range.xmin, range.xmax, plot.width());
    const Mapper mapper{plot, range, columns};
    CurveDrawer drawer(painter, mapper, s);
    scratch.reserve(kRunsPerBatch + kFineSize + 1);
    model.VisitRuns(columns, kRunsPerBatch, scratch, [&](const Run* runs, std::size_t count, bool newCurve) {
        drawer.Draw(runs, count, newCurve);
    });
    painter.restore();

    if (s.plotOption & kPlotOptionFrame) {
        painter.setPen(QPen(kFrame, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(plot.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

PaintedFrame PaintGraph(QPainter& painter, const QRect& area, const GraphModel& model,
                        std::vector<Run>& scratch) {
    const Settings s = model.CurrentSettings();
    const PaintedFrame frame = PaintGraphBackground(painter, area, s, model.Range());
    PaintGraphCurves(painter, frame, model, s, scratch);
    return frame;
}

}  // namespace orva::graph
