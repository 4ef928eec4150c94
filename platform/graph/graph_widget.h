// The graph's window: draws its GraphModel on the user-interface thread. A timer looks at the
// model's version a few dozen times a second and repaints only when something changed, so
// points may arrive from any thread at any rate. In mouse mode 2 a left-button drag across the
// plot area selects the X range to view.
#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

#include "graph_model.h"
#include "graph_painter.h"

namespace orva::graph {

class GraphWidget : public QWidget {
    Q_OBJECT

public:
    explicit GraphWidget(QWidget* parent = nullptr);
    GraphWidget(std::shared_ptr<GraphModel> model, QWidget* parent);
    ~GraphWidget() override;

    // Shared so that a caller on another thread can keep using it while the window closes.
    const std::shared_ptr<GraphModel>& model() const { return model_; }
    // Plot area and range of the last paint.
    const PaintedFrame& lastFrame() const { return frame_; }

    QSize sizeHint() const override { return QSize(640, 430); }

    static constexpr int kRepaintIntervalMs = 40;
    // Checks without a change after which the layer under the curves is let go.
    static constexpr int kKeepLayerTicks = 5;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void RepaintIfChanged();
    int ClampToPlot(int x) const;
    double XAt(int px) const;

    std::shared_ptr<GraphModel> model_;
    QTimer timer_;
    std::uint64_t paintedVersion_ = 0;
    PaintedFrame frame_;
    std::vector<Run> scratch_;
    // The layer under the curves as last drawn, and what it showed.
    bool SameLayer(const Settings& s, const ViewRange& r) const;
    QPixmap background_;
    Settings backgroundSettings_;
    ViewRange backgroundRange_;
    int unchangedTicks_ = 0;
    bool dragging_ = false;
    int dragFrom_ = 0;
    int dragTo_ = 0;
};

}  // namespace orva::graph
