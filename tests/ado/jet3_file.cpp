// Layout of the files written here (2 KB pages, little-endian numbers):
//   page 0   database page: Jet version 0 (Jet 3) at 0x14
//   page 1   data page holding the page usage maps of every table, two rows per table
//   page 2   table definition of the object catalog (MSysObjects)
//   page 3.. its data pages, then per table: its definition page and its data pages
// A data pointer is a page number shifted left by 8 with the row number in the low byte.
#include "jet3_file.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace jet3 {

namespace {

using Page = std::array<std::uint8_t, kPageSize>;

constexpr std::uint8_t kPageData = 0x01;
constexpr std::uint8_t kPageTableDef = 0x02;
constexpr std::uint32_t kCatalogDefPage = 2;
constexpr std::uint32_t kMapsPage = 1;

// Data page header: type, 1, free space (2), owning table definition page (4), row count (2),
// then one 2-byte row offset per row; rows are stored from the end of the page downwards.
constexpr std::size_t kDataRowCountAt = 8;
constexpr std::size_t kDataHeaderSize = 10;

// Table definition: 8-byte page header, 35-byte block, 18 bytes per column, then the names.
constexpr std::size_t kDefBlockAt = 8;
constexpr std::size_t kDefColumnsAt = 43;
constexpr std::size_t kDefColumnSize = 18;
constexpr std::uint8_t kUserTable = 0x4e;
constexpr std::uint8_t kSystemTable = 0x53;
constexpr std::uint8_t kColumnFixed = 0x01;
constexpr std::uint8_t kColumnNullable = 0x02;
constexpr std::uint16_t kSortGeneral = 0x409;
constexpr std::uint16_t kCodePage1252 = 0x4e4;
constexpr std::uint16_t kTextLength = 255;

// Catalog object type of a table.
constexpr std::int16_t kObjectTable = 1;

// Bytes 0x3a to 0x41 of the database page: the text sort order (2), the code page (2) and the
// database key (4), stored scrambled. A reader unscrambles them by XOR with a fixed mask and
// takes a key other than 0 for an encrypted file, which reads every later page as garbage.
// The mask is what libmdb reads back from a page with zeros there (sort order 0xc3e4, code page
// 0x427b, key 0x4ebc8afb); tests/ado checks that a written file reads back unencrypted.
constexpr std::size_t kScrambledAt = 0x3a;
constexpr std::array<std::uint8_t, 8> kScrambleMask = {0xe4, 0xc3, 0x7b, 0x42, 0xfb, 0x8a, 0xbc, 0x4e};
constexpr std::uint16_t kDatabaseSortOrder = kSortGeneral;
constexpr std::uint16_t kDatabaseCodePage = 1252;

void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

std::uint32_t DataPointer(std::uint32_t page, std::uint32_t row) {
    return (page << 8) | row;
}

bool IsFixed(ColumnType t) {
    return t != ColumnType::kText && t != ColumnType::kOle;
}

std::uint16_t FixedSize(ColumnType t) {
    switch (t) {
        case ColumnType::kBool:
            return 0;  // the value lives in the row's null mask
        case ColumnType::kByte:
            return 1;
        case ColumnType::kInt:
            return 2;
        case ColumnType::kLong:
        case ColumnType::kFloat:
            return 4;
        case ColumnType::kMoney:
        case ColumnType::kDouble:
        case ColumnType::kDateTime:
            return 8;
        case ColumnType::kText:
        case ColumnType::kOle:
            return 0;
    }
    return 0;
}

// Where each column sits: the fixed offset (after the row's column count) or the index among
// the variable columns.
struct ColumnPlace {
    bool fixed = true;
    std::uint16_t offset = 0;
};

std::vector<ColumnPlace> PlaceColumns(const std::vector<Column>& columns, std::size_t& fixedBytes,
                                      std::size_t& varCount) {
    std::vector<ColumnPlace> places;
    fixedBytes = 0;
    varCount = 0;
    for (const Column& c : columns) {
        ColumnPlace p;
        p.fixed = IsFixed(c.type);
        if (p.fixed) {
            p.offset = static_cast<std::uint16_t>(fixedBytes);
            fixedBytes += FixedSize(c.type);
        } else {
            p.offset = static_cast<std::uint16_t>(varCount++);
        }
        places.push_back(p);
    }
    return places;
}

void EncodeFixed(ColumnType t, const std::string& text, std::uint8_t* out) {
    switch (t) {
        case ColumnType::kByte:
            out[0] = static_cast<std::uint8_t>(std::strtol(text.c_str(), nullptr, 10));
            break;
        case ColumnType::kInt:
            Put16(out, static_cast<std::uint32_t>(std::strtol(text.c_str(), nullptr, 10)));
            break;
        case ColumnType::kLong:
            Put32(out, static_cast<std::uint32_t>(std::strtol(text.c_str(), nullptr, 10)));
            break;
        case ColumnType::kFloat: {
            float f = std::strtof(text.c_str(), nullptr);
            std::uint32_t bits;
            std::memcpy(&bits, &f, 4);
            Put32(out, bits);
            break;
        }
        case ColumnType::kDouble:
        case ColumnType::kDateTime: {
            double d = std::strtod(text.c_str(), nullptr);
            std::uint64_t bits;
            std::memcpy(&bits, &d, 8);
            Put32(out, static_cast<std::uint32_t>(bits));
            Put32(out + 4, static_cast<std::uint32_t>(bits >> 32));
            break;
        }
        case ColumnType::kMoney: {
            // Currency: a 64-bit count of ten-thousandths.
            auto v = static_cast<std::uint64_t>(std::strtoll(text.c_str(), nullptr, 10) * 10000);
            Put32(out, static_cast<std::uint32_t>(v));
            Put32(out + 4, static_cast<std::uint32_t>(v >> 32));
            break;
        }
        case ColumnType::kBool:
        case ColumnType::kText:
        case ColumnType::kOle:
            break;
    }
}

// One row: column count, fixed area, variable data, then from the end backwards the null mask
// (one bit per column, 1 = not NULL; a Yes/No column's value), the number of variable columns,
// their start offsets in reverse order and the end-of-data offset before them.
std::vector<std::uint8_t> EncodeRow(const std::vector<Column>& columns, const std::vector<Value>& row) {
    if (row.size() != columns.size()) throw std::invalid_argument("row width differs from the table's");
    std::size_t fixedBytes = 0;
    std::size_t varCount = 0;
    std::vector<ColumnPlace> places = PlaceColumns(columns, fixedBytes, varCount);

    std::vector<std::uint8_t> out(1 + fixedBytes, 0);
    out[0] = static_cast<std::uint8_t>(columns.size());
    std::vector<std::uint8_t> nullMask((columns.size() + 7) / 8, 0);
    std::vector<std::uint8_t> varStarts;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const Value& v = row[i];
        bool bit = v.has_value();
        if (columns[i].type == ColumnType::kBool) bit = v && *v != "0" && !v->empty();
        if (bit) nullMask[i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
        if (places[i].fixed) {
            if (v) EncodeFixed(columns[i].type, *v, out.data() + 1 + places[i].offset);
        } else {
            varStarts.push_back(static_cast<std::uint8_t>(out.size()));
            if (v && columns[i].type == ColumnType::kOle)
                throw std::invalid_argument("long binary values are not written");
            if (v) out.insert(out.end(), v->begin(), v->end());
        }
    }
    if (varCount > 0) {
        std::uint8_t eod = static_cast<std::uint8_t>(out.size());
        out.push_back(eod);
        for (std::size_t k = varStarts.size(); k-- > 0;) out.push_back(varStarts[k]);
        out.push_back(static_cast<std::uint8_t>(varCount));
    }
    out.insert(out.end(), nullMask.begin(), nullMask.end());
    if (out.size() >= 256) throw std::invalid_argument("row too long for a row without a jump table");
    return out;
}

class DataPage {
public:
    DataPage(std::uint32_t ownerDefPage) {
        m_page.fill(0);
        m_page[0] = kPageData;
        m_page[1] = 1;
        Put32(&m_page[4], ownerDefPage);
        Update();
    }

    bool Fits(std::size_t rowSize) const { return rowSize + 2 <= FreeSpace(); }

    // Returns the row's number on the page.
    std::uint32_t Add(const std::vector<std::uint8_t>& row) {
        m_end -= row.size();
        std::memcpy(&m_page[m_end], row.data(), row.size());
        Put16(&m_page[kDataHeaderSize + 2 * m_rows], static_cast<std::uint32_t>(m_end));
        ++m_rows;
        Update();
        return m_rows - 1;
    }

    const Page& Bytes() const { return m_page; }

private:
    std::size_t FreeSpace() const { return m_end - (kDataHeaderSize + 2 * m_rows); }
    void Update() {
        Put16(&m_page[2], static_cast<std::uint32_t>(FreeSpace()));
        Put16(&m_page[kDataRowCountAt], m_rows);
    }

    Page m_page;
    std::uint32_t m_rows = 0;
    std::size_t m_end = kPageSize;
};

// Page usage map, type 0: the type byte, the first page it covers (4), then one bit per page.
std::vector<std::uint8_t> UsageMap(const std::vector<std::uint32_t>& pages) {
    std::vector<std::uint8_t> map(5 + 64, 0);
    for (std::uint32_t p : pages) {
        if (p / 8 >= 64) throw std::invalid_argument("too many pages for one usage map");
        map[5 + p / 8] |= static_cast<std::uint8_t>(1u << (p % 8));
    }
    return map;
}

Page TableDefinition(const Table& t, std::uint32_t numRows, bool system, std::uint32_t usedMap,
                     std::uint32_t freeMap) {
    Page page{};
    page[0] = kPageTableDef;
    page[1] = 1;
    page[2] = 'V';
    page[3] = 'C';
    std::size_t fixedBytes = 0;
    std::size_t varCount = 0;
    std::vector<ColumnPlace> places = PlaceColumns(t.columns, fixedBytes, varCount);

    std::uint8_t* b = &page[kDefBlockAt];
    Put32(b + 4, numRows);
    b[12] = system ? kSystemTable : kUserTable;
    Put16(b + 13, static_cast<std::uint32_t>(t.columns.size()));  // most columns a row has had
    Put16(b + 15, static_cast<std::uint32_t>(varCount));
    Put16(b + 17, static_cast<std::uint32_t>(t.columns.size()));
    Put32(b + 19, 0);  // logical indexes
    Put32(b + 23, 0);  // index entries
    Put32(b + 27, usedMap);
    Put32(b + 31, freeMap);

    std::size_t at = kDefColumnsAt;
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        const Column& c = t.columns[i];
        std::uint8_t* e = &page[at];
        e[0] = static_cast<std::uint8_t>(c.type);
        Put16(e + 1, static_cast<std::uint32_t>(i));
        Put16(e + 3, places[i].fixed ? 0 : places[i].offset);
        Put16(e + 5, static_cast<std::uint32_t>(i));
        if (c.type == ColumnType::kText) {
            Put16(e + 7, kSortGeneral);
            Put16(e + 9, kCodePage1252);
        }
        e[13] = static_cast<std::uint8_t>((places[i].fixed ? kColumnFixed : 0) | kColumnNullable);
        Put16(e + 14, places[i].fixed ? places[i].offset : 0);
        Put16(e + 16, places[i].fixed ? FixedSize(c.type) : c.type == ColumnType::kText ? kTextLength : 0);
        at += kDefColumnSize;
    }
    for (const Column& c : t.columns) {
        if (c.name.size() > 64 || at + 1 + c.name.size() + 2 > kPageSize)
            throw std::invalid_argument("table definition does not fit one page");
        page[at++] = static_cast<std::uint8_t>(c.name.size());
        std::memcpy(&page[at], c.name.data(), c.name.size());
        at += c.name.size();
    }
    Put16(&page[at], 0xffff);  // end of the (empty) list of variable-column usage maps
    at += 2;
    Put32(b, static_cast<std::uint32_t>(at - kDefBlockAt));
    return page;
}

Page DatabasePage() {
    Page page{};
    page[1] = 1;
    const char kTitle[] = "Standard Jet DB";
    std::memcpy(&page[4], kTitle, sizeof kTitle);
    page[0x14] = 0;  // Jet 3
    std::uint8_t* plain = &page[kScrambledAt];
    Put16(plain, kDatabaseSortOrder);
    Put16(plain + 2, kDatabaseCodePage);
    Put32(plain + 4, 0);  // no encryption
    for (std::size_t i = 0; i < kScrambleMask.size(); ++i) plain[i] ^= kScrambleMask[i];
    return page;
}

const std::vector<Column>& CatalogColumns() {
    static const std::vector<Column> columns = {
        {"Id", ColumnType::kLong},  {"ParentId", ColumnType::kLong}, {"Name", ColumnType::kText},
        {"Type", ColumnType::kInt}, {"Flags", ColumnType::kLong},    {"LvProp", ColumnType::kOle},
    };
    return columns;
}

}  // namespace

std::vector<std::uint8_t> BuildDatabase(const std::vector<Table>& tables) {
    std::vector<Page> pages(3);
    pages[0] = DatabasePage();
    DataPage maps(0);

    // First pass: place every table (the catalog first) and its data pages.
    struct Placed {
        const Table* table;
        bool system;
        std::uint32_t defPage;
    };
    Table catalog{"MSysObjects", CatalogColumns(), {}};
    std::vector<Placed> placed;
    placed.push_back({&catalog, true, kCatalogDefPage});

    std::uint32_t next = 3;
    // The catalog's rows name the user tables' definition pages, so give those pages first:
    // each user table gets its definition page, then as many data pages as its rows need.
    std::vector<std::uint32_t> defPages;
    {
        // Count the catalog's own data pages: one is plenty for the few tables of a test file.
        next = 4;
        for (const Table& t : tables) {
            defPages.push_back(next);
            std::size_t used = 0;
            std::uint32_t dataPages = 1;
            for (const auto& r : t.rows) {
                std::size_t n = EncodeRow(t.columns, r).size() + 2;
                if (used + n > kPageSize - kDataHeaderSize) {
                    ++dataPages;
                    used = 0;
                }
                used += n;
            }
            next += 1 + dataPages;
        }
    }
    for (std::size_t i = 0; i < tables.size(); ++i) {
        catalog.rows.push_back({std::to_string(defPages[i]), "251658241", tables[i].name,
                                std::to_string(kObjectTable), "0", std::nullopt});
        placed.push_back({&tables[i], false, defPages[i]});
    }
    pages.resize(next);

    for (const Placed& p : placed) {
        const Table& t = *p.table;
        std::uint32_t page = p.defPage == kCatalogDefPage ? 3 : p.defPage + 1;
        std::vector<std::uint32_t> dataPages;
        DataPage current(p.defPage);
        for (const auto& r : t.rows) {
            std::vector<std::uint8_t> row = EncodeRow(t.columns, r);
            if (!current.Fits(row.size())) {
                pages.at(page) = current.Bytes();
                dataPages.push_back(page++);
                current = DataPage(p.defPage);
            }
            current.Add(row);
        }
        pages.at(page) = current.Bytes();
        dataPages.push_back(page);

        std::uint32_t usedRow = maps.Add(UsageMap(dataPages));
        std::uint32_t freeRow = maps.Add(UsageMap({}));
        pages.at(p.defPage) =
            TableDefinition(t, static_cast<std::uint32_t>(t.rows.size()), p.system,
                            DataPointer(kMapsPage, usedRow), DataPointer(kMapsPage, freeRow));
    }
    pages[kMapsPage] = maps.Bytes();

    std::vector<std::uint8_t> file;
    file.reserve(pages.size() * kPageSize);
    for (const Page& p : pages) file.insert(file.end(), p.begin(), p.end());
    return file;
}

bool WriteDatabase(const std::string& path, const std::vector<Table>& tables) {
    std::vector<std::uint8_t> bytes = BuildDatabase(tables);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace jet3
