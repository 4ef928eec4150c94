// The cells of one worksheet, kept compactly until the workbook is written: eight bytes a cell
// and the text bytes, in fixed-size blocks (no reallocation that briefly doubles the memory).
// Written back in ascending rows and columns, the last write to a cell winning.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace orva::sheet {

constexpr std::uint32_t kMaxRows = 1048576;
constexpr std::uint32_t kMaxColumns = 16384;
constexpr std::size_t kMaxCellCharacters = 32767;
constexpr std::size_t kMaxCellText = kMaxCellCharacters * 3;  // characters of up to three bytes

class SheetCells {
public:
    // row and column counted from 0, inside the sheet; text at most kMaxCellText bytes.
    // False when the texts outgrow what a sheet is kept in.
    bool Set(std::uint32_t row, std::uint32_t column, std::string_view text);
    // f(row, column, text) for every cell, rows ascending, columns ascending within a row; false
    // from f stops and gives false.
    bool ForEachSorted(const std::function<bool(std::uint32_t, std::uint32_t, std::string_view)>& f);
    bool Empty() const { return m_cellBlocks.empty(); }

private:
    static constexpr std::size_t kCellsPerBlock = 65536;
    static constexpr std::size_t kTextBlock = 1 << 20;
    static constexpr std::size_t kMaxTextBlocks = 1024;  // the 30 bits of a text's place

    // row (20 bits), column (14 bits), place of the text (30 bits): sorting the keys sorts the
    // cells, a later write of one cell after the earlier.
    std::vector<std::unique_ptr<std::uint64_t[]>> m_cellBlocks;
    std::size_t m_cellCount = 0;
    // Each text ends in a NUL (texts hold none).
    std::vector<std::unique_ptr<char[]>> m_textBlocks;
    std::size_t m_textUsed = kTextBlock;  // in the last block
};

}  // namespace orva::sheet
