// One curve's points in plotting order, kept in fixed-size chunks that never move, with a
// three-level min/max summary (per 32, per 256 and per 65536 points) so that a drawing pass
// reads a few summary entries per pixel column however many points there are.
// Not synchronised: GraphModel guards it with its lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace orva::graph {

struct Point {
    double x;
    double y;
};

// Bounding box of the finite points of a stretch of the curve.
struct Bounds {
    double xmin = std::numeric_limits<double>::infinity();
    double xmax = -std::numeric_limits<double>::infinity();
    double ymin = std::numeric_limits<double>::infinity();
    double ymax = -std::numeric_limits<double>::infinity();
    std::uint32_t count = 0;

    bool empty() const { return xmin > xmax; }
    void add(double x, double y) {
        ++count;
        if (x < xmin) xmin = x;
        if (x > xmax) xmax = x;
        if (y < ymin) ymin = y;
        if (y > ymax) ymax = y;
    }
    void add(const Bounds& b) {
        count += b.count;
        xmin = b.xmin < xmin ? b.xmin : xmin;
        xmax = b.xmax > xmax ? b.xmax : xmax;
        ymin = b.ymin < ymin ? b.ymin : ymin;
        ymax = b.ymax > ymax ? b.ymax : ymax;
    }
};

inline constexpr int kFineShift = 5;
inline constexpr std::size_t kFineSize = std::size_t{1} << kFineShift;
inline constexpr int kBlockShift = 8;
inline constexpr std::size_t kBlockSize = std::size_t{1} << kBlockShift;
inline constexpr int kChunkShift = 16;
inline constexpr std::size_t kChunkSize = std::size_t{1} << kChunkShift;
inline constexpr std::size_t kBlocksPerChunk = kChunkSize / kBlockSize;
inline constexpr std::size_t kFinePerChunk = kChunkSize / kFineSize;

struct Chunk {
    Point points[kChunkSize];  // left uninitialised: only the filled part is read
    Bounds fine[kFinePerChunk];
    Bounds blocks[kBlocksPerChunk];
    Bounds all;
};

std::unique_ptr<Chunk> NewChunk();

// Maps X values to pixel columns 0..width-1 of the plot area; -1 and width stand for
// everything left and right of the view.
struct ColumnMap {
    double x0 = 0;
    double x1 = 1;
    double scale = 1;  // columns per X unit
    int width = 1;

    ColumnMap(double xmin, double xmax, int columns);
    int column(double x) const {
        if (x < x0) return -1;
        if (x > x1) return width;
        const double t = (x - x0) * scale;
        const int c = static_cast<int>(t);
        return c >= width ? width - 1 : c;
    }
};

// A stretch of consecutive points [begin, end) that falls into one pixel column. Its first and
// last finite points are looked up once the run is complete, so that the summaries alone are read
// while a run grows (the points themselves are far apart in memory).
struct Run {
    int column;
    std::uint32_t count;  // finite points in the stretch, saturating
    std::size_t begin, end;
    double ymin, ymax;
    double xFirst, yFirst;  // filled in when the run is complete
    double xLast, yLast;
};

class PointStore;

// Collects runs in plotting order, merging neighbours that share a column. The run being
// built stays pending until a point of another column arrives or finish() is called; both
// happen under the lock that guards the store.
class RunBuilder {
public:
    RunBuilder(std::vector<Run>& out, const PointStore& store) : out_(out), store_(store) {}
    void add(int column, std::size_t begin, std::size_t end, double ymin, double ymax, std::uint32_t count);
    // One finite point; the common case, merging into the pending run, stays inline.
    void addPoint(int column, std::size_t index, double y) {
        if (havePending_ && pending_.column == column) {
            pending_.end = index + 1;
            if (y < pending_.ymin) pending_.ymin = y;
            if (y > pending_.ymax) pending_.ymax = y;
            if (pending_.count != UINT32_MAX) ++pending_.count;
            return;
        }
        add(column, index, index + 1, y, y, 1);
    }
    void finish();
    std::size_t complete() const { return out_.size(); }

private:
    void push();

    std::vector<Run>& out_;
    const PointStore& store_;
    Run pending_{};
    bool havePending_ = false;
};

class PointStore {
public:
    PointStore();

    std::size_t size() const { return size_; }
    bool needsChunk() const {
        return (size_ & (kChunkSize - 1)) == 0 && (size_ >> kChunkShift) >= chunks_.size();
    }
    // Appends a point; `spare` supplies the next chunk when one is needed (see needsChunk()),
    // otherwise one is allocated here.
    void append(double x, double y, std::unique_ptr<Chunk>& spare);
    // Appends xs[i], ys[i] for i < count, as many appends would; the points must fit in the last
    // chunk (count up to the room left in it, or up to a chunk when the store needs one). `added`
    // grows by the finite points appended.
    void append(const float* xs, const float* ys, std::size_t count, std::unique_ptr<Chunk>& spare,
                Bounds& added);
    // Points that still fit in the last chunk before another one is needed.
    std::size_t roomInChunk() const { return kChunkSize - (size_ & (kChunkSize - 1)); }
    Point at(std::size_t i) const { return chunks_[i >> kChunkShift]->points[i & (kChunkSize - 1)]; }
    // Finite points only.
    const Bounds& bounds() const { return bounds_; }
    // Empties the store; the chunks move to `freed` so that the caller releases them
    // after leaving its lock.
    void clear(std::vector<std::unique_ptr<Chunk>>& freed);

    // Turns points [pos, size()) into runs for the given columns, stopping once the builder holds
    // maxRuns complete runs (give or take 32); advances pos past the points consumed.
    void decimate(const ColumnMap& map, std::size_t& pos, std::size_t maxRuns, RunBuilder& builder) const;

private:
    bool aggregate(const ColumnMap& map, const Bounds& b, std::size_t& pos, std::size_t end,
                   RunBuilder& builder) const;

    std::vector<std::unique_ptr<Chunk>> chunks_;
    std::size_t size_ = 0;
    Bounds bounds_;
};

}  // namespace orva::graph
