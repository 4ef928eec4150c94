#include "point_store.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>

namespace orva::graph {

namespace {

bool Finite(const Point& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

}  // namespace

std::unique_ptr<Chunk> NewChunk() {
    auto chunk = std::make_unique_for_overwrite<Chunk>();
    // A chunk is filled at once when a whole curve is plotted: its pages are made in one call
    // rather than one fault at a time. Where the kernel cannot, they come as they are touched.
    const auto begin = reinterpret_cast<std::uintptr_t>(chunk.get());
    const std::uintptr_t page = 4096;
    const std::uintptr_t first = (begin + page - 1) & ~(page - 1);
    const std::uintptr_t end = (begin + sizeof(Chunk)) & ~(page - 1);
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
    return chunk;
}

ColumnMap::ColumnMap(double xmin, double xmax, int columns)
    : x0(xmin), x1(xmax), width(std::max(columns, 1)) {
    scale = width / (xmax - xmin);
}

void RunBuilder::add(int column, std::size_t begin, std::size_t end, double ymin, double ymax,
                     std::uint32_t count) {
    if (havePending_ && pending_.column == column) {
        pending_.end = end;
        pending_.ymin = std::min(pending_.ymin, ymin);
        pending_.ymax = std::max(pending_.ymax, ymax);
        const std::uint64_t n = std::uint64_t{pending_.count} + count;
        pending_.count = static_cast<std::uint32_t>(std::min<std::uint64_t>(n, UINT32_MAX));
        return;
    }
    if (havePending_) push();
    pending_ = Run{column, count, begin, end, ymin, ymax, 0, 0, 0, 0};
    havePending_ = true;
}

void RunBuilder::push() {
    // The stretch starts and ends in pieces that hold finite points.
    std::size_t first = pending_.begin;
    while (!Finite(store_.at(first))) ++first;
    std::size_t last = pending_.end - 1;
    while (!Finite(store_.at(last))) --last;
    const Point f = store_.at(first), l = store_.at(last);
    pending_.xFirst = f.x;
    pending_.yFirst = f.y;
    pending_.xLast = l.x;
    pending_.yLast = l.y;
    out_.push_back(pending_);
}

void RunBuilder::finish() {
    if (havePending_) push();
    havePending_ = false;
}

PointStore::PointStore() {
    chunks_.reserve(64);
}

void PointStore::append(double x, double y, std::unique_ptr<Chunk>& spare) {
    const std::size_t ci = size_ >> kChunkShift;
    if (ci >= chunks_.size()) chunks_.push_back(spare ? std::move(spare) : NewChunk());
    Chunk& c = *chunks_[ci];
    const std::size_t off = size_ & (kChunkSize - 1);
    c.points[off] = Point{x, y};
    ++size_;
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    c.fine[off >> kFineShift].add(x, y);
    c.blocks[off >> kBlockShift].add(x, y);
    c.all.add(x, y);
    bounds_.add(x, y);
}

void PointStore::append(const float* xs, const float* ys, std::size_t count, std::unique_ptr<Chunk>& spare,
                        Bounds& added) {
    if (count == 0) return;
    const std::size_t ci = size_ >> kChunkShift;
    if (ci >= chunks_.size()) chunks_.push_back(spare ? std::move(spare) : NewChunk());
    Chunk& c = *chunks_[ci];
    const std::size_t first = size_ & (kChunkSize - 1);
    // The summaries are built per group of kFineSize points, then merged upwards.
    for (std::size_t i = 0; i < count;) {
        const std::size_t off = first + i;
        const std::size_t end = std::min(count, i + (kFineSize - (off & (kFineSize - 1))));
        Bounds b;
        for (std::size_t k = i; k < end; ++k) {
            const double x = xs[k], y = ys[k];
            c.points[first + k] = Point{x, y};
            if (std::isfinite(x) && std::isfinite(y)) b.add(x, y);
        }
        c.fine[off >> kFineShift].add(b);
        c.blocks[off >> kBlockShift].add(b);
        c.all.add(b);
        bounds_.add(b);
        added.add(b);
        i = end;
    }
    size_ += count;
}

void PointStore::clear(std::vector<std::unique_ptr<Chunk>>& freed) {
    for (auto& c : chunks_) freed.push_back(std::move(c));
    chunks_.clear();
    size_ = 0;
    bounds_ = Bounds{};
}

bool PointStore::aggregate(const ColumnMap& map, const Bounds& b, std::size_t& pos, std::size_t end,
                           RunBuilder& builder) const {
    if (b.empty()) {  // nothing drawable in this stretch
        pos = end;
        return true;
    }
    const int col = map.column(b.xmin);
    if (col != map.column(b.xmax)) return false;
    builder.add(col, pos, end, b.ymin, b.ymax, b.count);
    pos = end;
    return true;
}

void PointStore::decimate(const ColumnMap& map, std::size_t& pos, std::size_t maxRuns,
                          RunBuilder& builder) const {
    const std::size_t n = size_;
    while (pos < n && builder.complete() < maxRuns) {
        const Chunk& c = *chunks_[pos >> kChunkShift];
        const std::size_t off = pos & (kChunkSize - 1);
        if (off == 0 && aggregate(map, c.all, pos, std::min(pos + kChunkSize, n), builder)) continue;
        if ((off & (kBlockSize - 1)) == 0 &&
            aggregate(map, c.blocks[off >> kBlockShift], pos, std::min(pos + kBlockSize, n), builder))
            continue;
        if ((off & (kFineSize - 1)) == 0 &&
            aggregate(map, c.fine[off >> kFineShift], pos, std::min(pos + kFineSize, n), builder))
            continue;
        // Point by point up to the end of this stretch of 32.
        const std::size_t end = std::min(n, (pos | (kFineSize - 1)) + 1);
        for (const Point* p = &c.points[off]; pos < end; ++pos, ++p) {
            if (Finite(*p)) builder.addPoint(map.column(p->x), pos, p->y);
        }
    }
}

}  // namespace orva::graph
