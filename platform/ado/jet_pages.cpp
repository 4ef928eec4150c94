#include "jet_pages.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "com_error.h"

namespace ado_detail {

namespace {

constexpr std::uint8_t kUsageMapInline = 0;    // type, first page (4), one bit per page
constexpr std::uint8_t kUsageMapIndirect = 1;  // type, then page numbers of bitmap pages
constexpr std::size_t kInlineMapHeader = 5;
constexpr std::size_t kBitmapPageHeader = 4;
// A definition page holds the number of the page its definition continues on (0 for none).
constexpr std::size_t kNextDefinitionPage = 4;
// Row offsets carry two flag bits above the offset (deleted, moved to an overflow page).
constexpr unsigned kRowOffsetMask = 0x1fff;

// The 12-byte header of a long value in its row: length and kind (4), the long-value row (4).
constexpr std::size_t kMemoHeader = 12;
constexpr std::uint32_t kMemoInline = 0x80000000u;
constexpr std::uint32_t kMemoOneRow = 0x40000000u;
constexpr std::uint32_t kMemoKindBits = 0xff000000u;
constexpr std::uint32_t kMemoLengthMask = 0x3fffffffu;
// A chained long-value row starts with the pointer to the next one.
constexpr std::size_t kChainPointer = 4;

[[noreturn]] void Unreadable() {
    _com_issue_error(E_FAIL);
}

std::uint32_t Get32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

unsigned Get16(const unsigned char* p) {
    return static_cast<unsigned>(p[0]) | static_cast<unsigned>(p[1]) << 8;
}

std::size_t PageSize(MdbHandle* mdb) {
    return static_cast<std::size_t>(mdb->fmt->pg_size);
}

// Row `row` of the page in `page`: its bytes from [start, end), or false when the page does not
// hold such a row.
bool FindRow(MdbHandle* mdb, const unsigned char* page, unsigned row, std::size_t& start, std::size_t& end) {
    const std::size_t rowCountAt = mdb->fmt->row_count_offset;
    const std::size_t pageSize = PageSize(mdb);
    const unsigned rows = Get16(page + rowCountAt);
    const std::size_t table = rowCountAt + 2;
    if (row >= rows || table + 2 * std::size_t{rows} > pageSize) return false;
    start = Get16(page + table + 2 * row) & kRowOffsetMask;
    end = row == 0 ? pageSize : Get16(page + table + 2 * (row - 1)) & kRowOffsetMask;
    return start >= table + 2 * std::size_t{rows} && start <= end && end <= pageSize;
}

// One long-value row by its data pointer (page << 8 | row), read into the handle's second buffer.
std::pair<const unsigned char*, std::size_t> LongValueRow(MdbHandle* mdb, std::uint32_t pointer,
                                                          std::uint32_t filePages) {
    const std::uint32_t page = pointer >> 8;
    if (page == 0 || page >= filePages) Unreadable();
    if (mdb_read_alt_pg(mdb, page) != mdb->fmt->pg_size) Unreadable();
    const unsigned char* p = mdb->alt_pg_buf;
    if (p[0] != MDB_PAGE_DATA || std::memcmp(p + 4, "LVAL", 4) != 0) Unreadable();
    std::size_t start = 0;
    std::size_t end = 0;
    if (!FindRow(mdb, p, pointer & 0xff, start, end)) Unreadable();
    return {p + start, end - start};
}

}  // namespace

std::uint32_t PagesInFile(MdbHandle* mdb) {
    struct stat st {};
    if (fstat(fileno(mdb->f->stream), &st) != 0) Unreadable();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(st.st_size) / PageSize(mdb));
}

std::vector<std::uint32_t> TablePages(MdbHandle* mdb, const MdbTableDef& def, std::uint32_t filePages) {
    const unsigned char* map = def.usage_map;
    const std::size_t size = def.map_sz;
    std::vector<std::uint32_t> pages;
    auto take = [&](const unsigned char* bits, std::size_t bytes, std::uint64_t first) {
        for (std::size_t i = 0; i < bytes; ++i) {
            if (bits[i] == 0) continue;
            for (unsigned b = 0; b < 8; ++b) {
                if (!(bits[i] & (1u << b))) continue;
                const std::uint64_t page = first + 8 * i + b;
                if (page >= filePages) Unreadable();
                pages.push_back(static_cast<std::uint32_t>(page));
            }
        }
    };
    if (!map || size < 1) Unreadable();
    if (map[0] == kUsageMapInline) {
        if (size < kInlineMapHeader) Unreadable();
        take(map + kInlineMapHeader, size - kInlineMapHeader, Get32(map + 1));
    } else if (map[0] == kUsageMapIndirect) {
        // Each bitmap page covers the same number of pages, the first from page 0.
        const std::size_t bitmapBytes = PageSize(mdb) - kBitmapPageHeader;
        std::vector<unsigned char> bitmap(bitmapBytes);
        for (std::size_t k = 0; 1 + 4 * k + 4 <= size; ++k) {
            const std::uint32_t mapPage = Get32(map + 1 + 4 * k);
            if (mapPage == 0) continue;
            if (mapPage >= filePages || mdb_read_alt_pg(mdb, mapPage) != mdb->fmt->pg_size) Unreadable();
            if (mdb->alt_pg_buf[0] != MDB_PAGE_MAP) Unreadable();
            std::memcpy(bitmap.data(), mdb->alt_pg_buf + kBitmapPageHeader, bitmapBytes);
            take(bitmap.data(), bitmapBytes, std::uint64_t{k} * bitmapBytes * 8);
        }
    } else {
        Unreadable();
    }
    return pages;
}

void CheckDefinitionPages(MdbHandle* mdb, std::uint32_t first, std::uint32_t filePages) {
    if (first == 0) Unreadable();
    std::uint32_t page = first;
    for (std::uint32_t n = 0; page != 0; ++n) {
        // More pages than the file has means the chain loops.
        if (page >= filePages || n >= filePages) Unreadable();
        if (mdb_read_alt_pg(mdb, page) != mdb->fmt->pg_size) Unreadable();
        const unsigned char* p = mdb->alt_pg_buf;
        if (p[0] != MDB_PAGE_TABLE) Unreadable();
        if (page == first && (Get32(p + mdb->fmt->tab_usage_map_offset) >> 8) >= filePages) Unreadable();
        page = Get32(p + kNextDefinitionPage);
    }
}

void ReadDataPage(MdbHandle* mdb, std::uint32_t page) {
    // A long value read since the last page may have left its page's number behind while the
    // buffer still holds the data page: the page is always read afresh.
    mdb->cur_pg = 0;
    if (mdb_read_pg(mdb, page) != mdb->fmt->pg_size) Unreadable();
}

std::string MemoBytes(MdbHandle* mdb, const unsigned char* field, std::size_t size, std::uint32_t filePages) {
    if (size < kMemoHeader) Unreadable();
    const std::uint32_t head = Get32(field);
    const std::size_t length = head & kMemoLengthMask;
    if (head & kMemoInline)
        return std::string(reinterpret_cast<const char*>(field + kMemoHeader), size - kMemoHeader);

    std::uint32_t pointer = Get32(field + 4);
    std::string out;
    if (head & kMemoOneRow) {
        auto [row, rowSize] = LongValueRow(mdb, pointer, filePages);
        if (rowSize < length) Unreadable();
        out.assign(reinterpret_cast<const char*>(row), length);
        return out;
    }
    if (head & kMemoKindBits) Unreadable();
    // A chain of rows: each holds the next row's pointer and a piece of the text. A damaged chain
    // may claim more than the file holds, or loop: either is an error at once, before the text
    // grows to the length claimed.
    if (length > std::uint64_t{filePages} * PageSize(mdb)) Unreadable();
    out.reserve(length);
    std::unordered_set<std::uint32_t> passed;
    while (out.size() < length) {
        if (pointer == 0 || !passed.insert(pointer).second) Unreadable();
        auto [row, rowSize] = LongValueRow(mdb, pointer, filePages);
        if (rowSize < kChainPointer) Unreadable();
        pointer = Get32(row);
        const std::size_t piece = std::min(rowSize - kChainPointer, length - out.size());
        out.append(reinterpret_cast<const char*>(row + kChainPointer), piece);
    }
    return out;
}

}  // namespace ado_detail
