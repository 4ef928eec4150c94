// Draws a GraphModel with QPainter: frame, grid, tick labels, caption, axis titles and
// the curves, decimated to the minimum and maximum per pixel column. Used for the widget and
// for the saved picture, so both look the same. Needs a QGuiApplication (fonts) but no widget.
#pragma once

#include <QRect>
#include <string>
#include <vector>

#include "graph_model.h"

class QPainter;

namespace orva::graph {

// Where the plot area ended up and which range it showed: maps mouse positions back to X.
struct PaintedFrame {
    QRect plot;
    ViewRange range;
};

PaintedFrame PaintGraph(QPainter& painter, const QRect& area, const GraphModel& model,
                        std::vector<Run>& scratch);

// The two layers of PaintGraph: everything that stays while points come in (backgrounds, grid,
// ticks, labels, titles), then the curves and the frame over it.
PaintedFrame PaintGraphBackground(QPainter& painter, const QRect& area, const Settings& s,
                                  const ViewRange& range);
void PaintGraphCurves(QPainter& painter, const PaintedFrame& frame, const GraphModel& model,
                      const Settings& s, std::vector<Run>& scratch);

// The control's two number formats: time ticks as "%g", load ticks with two decimals.
inline constexpr const char* kXTickFormat = "%g";
inline constexpr const char* kYTickFormat = "%.2f";

// Text of a tick value in the format; values within rounding noise of zero print as zero.
std::string TickText(double value, double span, const char* format);

}  // namespace orva::graph
