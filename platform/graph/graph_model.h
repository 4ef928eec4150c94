// The graph's state: point lists per element, the visible range and the display settings.
// Every member may be called from any thread at any time; the model keeps its own lock and
// holds it only for short, allocation-free steps (chunk allocation and release happen outside).
// It never calls into Qt, so worker threads can plot without touching the user-interface thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "point_store.h"

namespace orva::graph {

struct ViewRange {
    double xmin = 0;
    double xmax = 1;
    double ymin = -1;
    double ymax = 1;
};

struct Settings {
    std::string caption;
    std::string xLabel;
    std::string yLabel;
    bool showGrid = true;
    int xGridCount = 10;
    int yGridCount = 10;
    std::uint32_t curveColor = 0x0000FFFF;  // 0x00BBGGRR
    int plotOption = 5;                     // bit 0: frame round the plot area, bit 2: tick labels
    bool curveOption = false;               // marks single points with a small square
    int curveStyle = 2;                     // 1: dots only; other values: lines through the points
    int mouseMode = 1;                      // 1: normal; 2: dragging selects the X range to view
};

inline constexpr int kPlotOptionFrame = 1;
inline constexpr int kPlotOptionTickLabels = 4;
inline constexpr int kCurveStyleDots = 1;
inline constexpr int kMouseModeZoom = 2;
// Index that, asked of element 1 or 2, answers the start or end of the viewed X range.
inline constexpr int kViewRangeIndex = 2013;

class GraphModel {
public:
    GraphModel();
    ~GraphModel();
    GraphModel(const GraphModel&) = delete;
    GraphModel& operator=(const GraphModel&) = delete;

    void PlotXY(double x, double y, short element);
    // The same as PlotXY for each pair xs[i], ys[i] in turn, taking the lock once per chunk.
    void PlotPoints(const float* xs, const float* ys, std::size_t count, short element);
    // Zero-based, in plotting order; an index outside the list answers 0.
    double GetElementX(std::int64_t index, short element) const;
    double GetElementY(std::int64_t index, short element) const;
    std::size_t PointCount(short element) const;
    void ClearGraph();

    // A non-finite bound leaves that axis as it was; a reversed range is put in order and a
    // range without width is widened round its value.
    void SetRange(double xmin, double xmax, double ymin, double ymax);
    void SetXRange(double xmin, double xmax);
    // Fits both axes to every finite point plotted; without points the range stays.
    void AutoRange();
    ViewRange Range() const;

    void SetCaption(std::string text);
    void SetXLabel(std::string text);
    void SetYLabel(std::string text);
    void SetShowGrid(bool on);
    void SetXGridCount(int count);
    void SetYGridCount(int count);
    void SetCurveColor(std::uint32_t bgr);
    void SetPlotOption(int option);
    void SetCurveOption(bool on);
    void SetCurveStyle(int style);
    void SetMouseMode(int mode);
    Settings CurrentSettings() const;
    int MouseMode() const;

    // Size of the picture that SaveAs writes: the widget's size once it is shown.
    void SetPictureSize(int width, int height);
    std::pair<int, int> PictureSize() const;

    // Grows with every change; the widget repaints when it differs from the one it drew.
    std::uint64_t Version() const { return version_.load(std::memory_order_acquire); }

    // Hands every element's curve to `draw` as runs for the given columns, in batches of at
    // most maxRuns runs, element by element (newCurve marks an element's first batch). The
    // lock is held while a batch is built and released while `draw` runs; a clear in between
    // ends the pass early.
    using RunSink = std::function<void(const Run* runs, std::size_t count, bool newCurve)>;
    void VisitRuns(const ColumnMap& map, std::size_t maxRuns, std::vector<Run>& scratch,
                   const RunSink& draw) const;

private:
    PointStore* Find(short element) const;
    // The element's store, made if needed, with room for one more point: a chunk it needs is
    // allocated with the lock released and handed over in `spare`.
    PointStore* StoreWithRoom(std::unique_lock<std::mutex>& lock, short element,
                              std::unique_ptr<Chunk>& spare, std::unique_ptr<PointStore>& newStore);
    void Changed() { version_.fetch_add(1, std::memory_order_release); }

    mutable std::mutex mutex_;
    std::vector<std::pair<short, std::unique_ptr<PointStore>>> elements_;
    Bounds all_;
    ViewRange range_;
    Settings settings_;
    int pictureWidth_ = 640;
    int pictureHeight_ = 430;
    std::uint64_t generation_ = 0;  // counts clears
    std::atomic<std::uint64_t> version_{1};
};

}  // namespace orva::graph
