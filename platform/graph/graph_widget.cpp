#include "graph_widget.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cstdlib>

namespace orva::graph {

namespace {

constexpr int kMinimumDrag = 3;  // pixels; a shorter drag is a click and changes nothing

}  // namespace

GraphWidget::GraphWidget(QWidget* parent) : GraphWidget(std::make_shared<GraphModel>(), parent) {}

GraphWidget::GraphWidget(std::shared_ptr<GraphModel> model, QWidget* parent)
    : QWidget(parent), model_(std::move(model)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    model_->SetPictureSize(width(), height());
    timer_.setInterval(kRepaintIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &GraphWidget::RepaintIfChanged);
    timer_.start();
}

GraphWidget::~GraphWidget() = default;

void GraphWidget::RepaintIfChanged() {
    if (model_->Version() != paintedVersion_) {
        unchangedTicks_ = 0;
        update();
        return;
    }
    // A curve that no longer changes needs no kept layer: an idle window gives its memory back.
    if (!background_.isNull() && ++unchangedTicks_ >= kKeepLayerTicks) background_ = QPixmap();
}

void GraphWidget::paintEvent(QPaintEvent*) {
    paintedVersion_ = model_->Version();
    const Settings settings = model_->CurrentSettings();
    const ViewRange range = model_->Range();
    // The layer under the curves is drawn again only when what it shows has changed; while a
    // test runs, only the curves change from one paint to the next.
    const qreal ratio = devicePixelRatioF();
    if (background_.isNull() || background_.size() != size() * ratio ||
        background_.devicePixelRatio() != ratio || !SameLayer(settings, range)) {
        background_ = QPixmap(size() * ratio);
        background_.setDevicePixelRatio(ratio);
        QPainter layer(&background_);
        frame_ = PaintGraphBackground(layer, rect(), settings, range);
        backgroundSettings_ = settings;
        backgroundRange_ = range;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, background_);
    PaintGraphCurves(painter, frame_, *model_, settings, scratch_);
    if (dragging_) {
        const int a = std::min(dragFrom_, dragTo_), b = std::max(dragFrom_, dragTo_);
        const QRect band(a, frame_.plot.top(), b - a + 1, frame_.plot.height());
        painter.fillRect(band, QColor(255, 255, 255, 48));
        painter.setPen(QPen(QColor(255, 255, 255), 0, Qt::DashLine));
        painter.drawRect(band.adjusted(0, 0, -1, -1));
    }
}

bool GraphWidget::SameLayer(const Settings& s, const ViewRange& r) const {
    const Settings& b = backgroundSettings_;
    return s.caption == b.caption && s.xLabel == b.xLabel && s.yLabel == b.yLabel &&
           s.showGrid == b.showGrid && s.xGridCount == b.xGridCount && s.yGridCount == b.yGridCount &&
           s.plotOption == b.plotOption && r.xmin == backgroundRange_.xmin &&
           r.xmax == backgroundRange_.xmax && r.ymin == backgroundRange_.ymin &&
           r.ymax == backgroundRange_.ymax;
}

void GraphWidget::resizeEvent(QResizeEvent* event) {
    model_->SetPictureSize(event->size().width(), event->size().height());
    QWidget::resizeEvent(event);
}

int GraphWidget::ClampToPlot(int x) const {
    return std::clamp(x, frame_.plot.left(), frame_.plot.left() + frame_.plot.width());
}

double GraphWidget::XAt(int px) const {
    const double t = static_cast<double>(px - frame_.plot.left()) / std::max(frame_.plot.width(), 1);
    return frame_.range.xmin + t * (frame_.range.xmax - frame_.range.xmin);
}

void GraphWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() != Qt::LeftButton || model_->MouseMode() != kMouseModeZoom ||
        !frame_.plot.contains(p)) {
        QWidget::mousePressEvent(event);
        return;
    }
    dragging_ = true;
    dragFrom_ = dragTo_ = ClampToPlot(p.x());
    event->accept();
}

void GraphWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return QWidget::mouseMoveEvent(event);
    dragTo_ = ClampToPlot(event->position().toPoint().x());
    update();
}

void GraphWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    dragging_ = false;
    dragTo_ = ClampToPlot(event->position().toPoint().x());
    if (std::abs(dragTo_ - dragFrom_) >= kMinimumDrag) model_->SetXRange(XAt(dragFrom_), XAt(dragTo_));
    update();
}

}  // namespace orva::graph
