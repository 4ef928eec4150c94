#include "graph_model.h"

#include <algorithm>
#include <cmath>

namespace orva::graph {

namespace {

constexpr double kLargest = 1e300;  // keeps the width of a range finite

// Puts [lo, hi] in order and gives it a usable width; false for a non-finite bound.
bool NormaliseAxis(double& lo, double& hi) {
    if (!std::isfinite(lo) || !std::isfinite(hi)) return false;
    if (lo > hi) std::swap(lo, hi);
    lo = std::clamp(lo, -kLargest, kLargest);
    hi = std::clamp(hi, -kLargest, kLargest);
    const double magnitude = std::max(std::abs(lo), std::abs(hi));
    const double span = hi - lo;
    if (!(span > magnitude * 1e-12) || !std::isfinite(1.0 / span)) {
        const double centre = lo + span / 2;
        const double half = std::abs(centre) > 1e-6 ? std::abs(centre) * 0.05 : 1.0;
        lo = centre - half;
        hi = centre + half;
    }
    return true;
}

int ClampCount(int count) {
    return std::clamp(count, 1, 1000);
}

}  // namespace

GraphModel::GraphModel() = default;
GraphModel::~GraphModel() = default;

PointStore* GraphModel::Find(short element) const {
    for (const auto& [id, store] : elements_)
        if (id == element) return store.get();
    return nullptr;
}

PointStore* GraphModel::StoreWithRoom(std::unique_lock<std::mutex>& lock, short element,
                                      std::unique_ptr<Chunk>& spare, std::unique_ptr<PointStore>& newStore) {
    PointStore* store = Find(element);
    if (store == nullptr || store->needsChunk()) {
        // Allocated outside the lock, so that a painter waits for no allocation.
        lock.unlock();
        spare = NewChunk();
        if (store == nullptr) newStore = std::make_unique<PointStore>();
        lock.lock();
        store = Find(element);
        if (store == nullptr) {
            if (!newStore) newStore = std::make_unique<PointStore>();
            store = newStore.get();
            elements_.emplace_back(element, std::move(newStore));
        }
    }
    return store;
}

void GraphModel::PlotXY(double x, double y, short element) {
    // Declared before the lock so that whatever is left over is released after it.
    std::unique_ptr<Chunk> spare;
    std::unique_ptr<PointStore> newStore;
    std::unique_lock lock(mutex_);
    PointStore* store = StoreWithRoom(lock, element, spare, newStore);
    store->append(x, y, spare);
    if (std::isfinite(x) && std::isfinite(y)) all_.add(x, y);
    Changed();
}

void GraphModel::PlotPoints(const float* xs, const float* ys, std::size_t count, short element) {
    std::size_t done = 0;
    while (done < count) {
        std::unique_ptr<Chunk> spare;
        std::unique_ptr<PointStore> newStore;
        std::unique_lock lock(mutex_);
        PointStore* store = StoreWithRoom(lock, element, spare, newStore);
        // Up to the end of the store's last chunk under one hold of the lock.
        const std::size_t n = std::min(store->roomInChunk(), count - done);
        store->append(xs + done, ys + done, n, spare, all_);
        done += n;
        Changed();
    }
}

double GraphModel::GetElementX(std::int64_t index, short element) const {
    std::lock_guard lock(mutex_);
    if (index == kViewRangeIndex && element == 1) return range_.xmin;
    if (index == kViewRangeIndex && element == 2) return range_.xmax;
    const PointStore* store = Find(element);
    if (store == nullptr || index < 0 || static_cast<std::uint64_t>(index) >= store->size()) return 0;
    return store->at(static_cast<std::size_t>(index)).x;
}

double GraphModel::GetElementY(std::int64_t index, short element) const {
    std::lock_guard lock(mutex_);
    const PointStore* store = Find(element);
    if (store == nullptr || index < 0 || static_cast<std::uint64_t>(index) >= store->size()) return 0;
    return store->at(static_cast<std::size_t>(index)).y;
}

std::size_t GraphModel::PointCount(short element) const {
    std::lock_guard lock(mutex_);
    const PointStore* store = Find(element);
    return store ? store->size() : 0;
}

void GraphModel::ClearGraph() {
    std::vector<std::unique_ptr<Chunk>> freed;
    freed.reserve(64);
    {
        std::lock_guard lock(mutex_);
        for (auto& [id, store] : elements_) store->clear(freed);
        all_ = Bounds{};
        ++generation_;
        Changed();
    }
    // `freed` releases the chunks here, outside the lock.
}

void GraphModel::SetRange(double xmin, double xmax, double ymin, double ymax) {
    const bool xOk = NormaliseAxis(xmin, xmax);
    const bool yOk = NormaliseAxis(ymin, ymax);
    std::lock_guard lock(mutex_);
    if (xOk) range_.xmin = xmin, range_.xmax = xmax;
    if (yOk) range_.ymin = ymin, range_.ymax = ymax;
    Changed();
}

void GraphModel::SetXRange(double xmin, double xmax) {
    if (!NormaliseAxis(xmin, xmax)) return;
    std::lock_guard lock(mutex_);
    range_.xmin = xmin;
    range_.xmax = xmax;
    Changed();
}

void GraphModel::AutoRange() {
    std::lock_guard lock(mutex_);
    if (all_.empty()) return;
    double x0 = all_.xmin, x1 = all_.xmax, y0 = all_.ymin, y1 = all_.ymax;
    NormaliseAxis(x0, x1);
    NormaliseAxis(y0, y1);
    range_ = ViewRange{x0, x1, y0, y1};
    Changed();
}

ViewRange GraphModel::Range() const {
    std::lock_guard lock(mutex_);
    return range_;
}

#define ORVA_GRAPH_SETTER(Name, Type, field, expr) \
    void GraphModel::Name(Type value) {            \
        std::lock_guard lock(mutex_);              \
        settings_.field = expr;                    \
        Changed();                                 \
    }

ORVA_GRAPH_SETTER(SetCaption, std::string, caption, std::move(value))
ORVA_GRAPH_SETTER(SetXLabel, std::string, xLabel, std::move(value))
ORVA_GRAPH_SETTER(SetYLabel, std::string, yLabel, std::move(value))
ORVA_GRAPH_SETTER(SetShowGrid, bool, showGrid, value)
ORVA_GRAPH_SETTER(SetXGridCount, int, xGridCount, ClampCount(value))
ORVA_GRAPH_SETTER(SetYGridCount, int, yGridCount, ClampCount(value))
ORVA_GRAPH_SETTER(SetCurveColor, std::uint32_t, curveColor, value & 0x00FFFFFFu)
ORVA_GRAPH_SETTER(SetPlotOption, int, plotOption, value)
ORVA_GRAPH_SETTER(SetCurveOption, bool, curveOption, value)
ORVA_GRAPH_SETTER(SetCurveStyle, int, curveStyle, value)
ORVA_GRAPH_SETTER(SetMouseMode, int, mouseMode, value)

#undef ORVA_GRAPH_SETTER

Settings GraphModel::CurrentSettings() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

int GraphModel::MouseMode() const {
    std::lock_guard lock(mutex_);
    return settings_.mouseMode;
}

void GraphModel::SetPictureSize(int width, int height) {
    std::lock_guard lock(mutex_);
    pictureWidth_ = std::max(width, 1);
    pictureHeight_ = std::max(height, 1);
}

std::pair<int, int> GraphModel::PictureSize() const {
    std::lock_guard lock(mutex_);
    return {pictureWidth_, pictureHeight_};
}

void GraphModel::VisitRuns(const ColumnMap& map, std::size_t maxRuns, std::vector<Run>& scratch,
                           const RunSink& draw) const {
    std::vector<short> ids;
    std::uint64_t generation;
    {
        std::lock_guard lock(mutex_);
        ids.reserve(elements_.size());
        for (const auto& [id, store] : elements_)
            if (store->size() > 0) ids.push_back(id);
        generation = generation_;
    }
    for (short id : ids) {
        scratch.clear();
        const PointStore* store;
        {
            std::lock_guard lock(mutex_);
            if (generation_ != generation) return;
            store = Find(id);  // element stores live as long as the model
        }
        RunBuilder builder(scratch, *store);
        std::size_t pos = 0;
        bool first = true;
        for (bool done = false; !done;) {
            {
                std::lock_guard lock(mutex_);
                if (generation_ != generation) return;
                store->decimate(map, pos, maxRuns, builder);
                done = pos >= store->size();
                if (done) builder.finish();
            }
            if (!scratch.empty()) {
                draw(scratch.data(), scratch.size(), first);
                first = false;
            }
            scratch.clear();
        }
    }
}

}  // namespace orva::graph
