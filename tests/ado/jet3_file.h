// Writes small Jet 3 database files for the tests: a database page, the object catalog and one
// table definition page plus data pages per table. No indexes, no long values: just enough for a
// reader to find the tables by name and walk their rows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace jet3 {

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
    kOle = 0x0b,  // long binary; only NULL values are written
};

struct Column {
    std::string name;
    ColumnType type = ColumnType::kText;
};

// A field's value as text ("3", "2.5", "steel"); nullopt is NULL. Numbers are parsed by the
// column's type; money takes whole units.
using Value = std::optional<std::string>;

struct Table {
    std::string name;
    std::vector<Column> columns;
    std::vector<std::vector<Value>> rows;
};

constexpr std::size_t kPageSize = 2048;

// The whole file. Rows must be short (under 256 bytes each); tables may span several pages.
std::vector<std::uint8_t> BuildDatabase(const std::vector<Table>& tables);
bool WriteDatabase(const std::string& path, const std::vector<Table>& tables);

}  // namespace jet3
