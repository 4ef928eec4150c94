#include "sheet_cells.h"

#include <algorithm>
#include <cstring>
#include <queue>

namespace orva::sheet {

bool SheetCells::Set(std::uint32_t row, std::uint32_t column, std::string_view text) {
    if (text.size() + 1 > kTextBlock - m_textUsed) {
        if (m_textBlocks.size() == kMaxTextBlocks) return false;
        m_textBlocks.push_back(std::make_unique_for_overwrite<char[]>(kTextBlock));
        m_textUsed = 0;
    }
    const std::uint64_t place = (m_textBlocks.size() - 1) * kTextBlock + m_textUsed;
    char* out = m_textBlocks.back().get() + m_textUsed;
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    m_textUsed += text.size() + 1;

    if (m_cellCount % kCellsPerBlock == 0)
        m_cellBlocks.push_back(std::make_unique_for_overwrite<std::uint64_t[]>(kCellsPerBlock));
    m_cellBlocks.back()[m_cellCount % kCellsPerBlock] =
        (std::uint64_t{row} << 44) | (std::uint64_t{column} << 30) | place;
    ++m_cellCount;
    return true;
}

bool SheetCells::ForEachSorted(const std::function<bool(std::uint32_t, std::uint32_t, std::string_view)>& f) {
    // Each block sorted in place, then merged.
    struct Run {
        const std::uint64_t* next;
        const std::uint64_t* end;
    };
    std::vector<Run> runs;
    for (std::size_t b = 0; b < m_cellBlocks.size(); ++b) {
        const std::size_t n = std::min(kCellsPerBlock, m_cellCount - b * kCellsPerBlock);
        std::uint64_t* begin = m_cellBlocks[b].get();
        std::sort(begin, begin + n);
        runs.push_back({begin, begin + n});
    }
    const auto later = [](const Run& a, const Run& b) { return *a.next > *b.next; };
    std::priority_queue<Run, std::vector<Run>, decltype(later)> heap(later, std::move(runs));

    constexpr std::uint64_t kPlaceMask = (std::uint64_t{1} << 30) - 1;
    bool pending = false;
    std::uint64_t held = 0;
    const auto emit = [&](std::uint64_t key) {
        const std::uint64_t place = key & kPlaceMask;
        const char* text = m_textBlocks[place / kTextBlock].get() + place % kTextBlock;
        return f(static_cast<std::uint32_t>(key >> 44),
                 static_cast<std::uint32_t>((key >> 30) & (kMaxColumns - 1)), text);
    };
    while (!heap.empty()) {
        Run run = heap.top();
        heap.pop();
        const std::uint64_t key = *run.next++;
        if (run.next != run.end) heap.push(run);
        // Of several writes to one cell the last counts.
        if (pending && (held >> 30) != (key >> 30) && !emit(held)) return false;
        held = key;
        pending = true;
    }
    return !pending || emit(held);
}

}  // namespace orva::sheet
