// Writes small Jet 3 and Jet 4 database files for the tests: a database page, the object catalog
// (each table's row with a property block, as real files have) and one table definition page
// plus data pages per table, memo texts inline, on long-value pages or, past a page, in a chain of
// long-value rows, and rows moved or deleted by an edit where asked. No indexes: just enough for
// a reader to find the tables by name and walk their rows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace jet {

enum class Format { kJet3, kJet4 };

enum class ColumnType : std::uint8_t {
    kBool = 0x01,
    kByte = 0x02,
    kInt = 0x03,
    kLong = 0x04,
    kMoney = 0x05,
    kFloat = 0x06,
    kDouble = 0x07,
    kDateTime = 0x08,
    kText = 0x0a,
    kOle = 0x0b,  // long binary: the value's bytes as they are
    kMemo = 0x0c,
};

struct Column {
    std::string name;
    ColumnType type = ColumnType::kText;
};

// A field's value as text ("3", "2.5", "steel"); nullopt is NULL. Numbers are parsed by the
// column's type ("nan" and "1e300" included); money takes whole units. Texts are stored as
// given in Jet 3 (code page 1252 bytes) and are UTF-8 for Jet 4 (stored as UCS-2, compressed
// where every character fits a byte).
using Value = std::optional<std::string>;

struct Table {
    std::string name;
    std::vector<Column> columns;
    std::vector<std::vector<Value>> rows;
    // Rows (by index) stored as an edit that made them longer leaves them: each on a page after
    // the table's others, flagged as moved there, with a pointer to it, flagged as a deleted row
    // is, in its old place.
    std::vector<std::size_t> movedRows;
    // The table's row in the catalog was moved the same way.
    bool catalogRowMoved = false;
    // Rows deleted before the first: each leaves its offset on the page, flagged, and no bytes
    // (the first one's offset is the page's end).
    std::size_t deletedRows = 0;
};

constexpr std::size_t kJet3PageSize = 2048;
constexpr std::size_t kJet4PageSize = 4096;
// A memo of more stored bytes than this goes on a long-value page.
constexpr std::size_t kInlineMemoLimit = 64;

constexpr std::size_t PageSize(Format f) {
    return f == Format::kJet3 ? kJet3PageSize : kJet4PageSize;
}

// The whole file. Rows must fit a row offset of one byte in Jet 3 (under 256 bytes each).
std::vector<std::uint8_t> BuildDatabase(const std::vector<Table>& tables, Format format = Format::kJet3);
bool WriteDatabase(const std::string& path, const std::vector<Table>& tables, Format format = Format::kJet3);

}  // namespace jet
