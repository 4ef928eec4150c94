// Layout of the files written here (2 KB pages for Jet 3, 4 KB for Jet 4; little-endian):
//   page 0   database page: Jet version at 0x14 (0 Jet 3, 1 Jet 4)
//   page 1   data page holding the page usage maps of every table, two rows per table
//   page 2   table definition of the object catalog (MSysObjects), page 3 its data page
//   then per table: its definition page, its data pages, long-value pages for its long memos
//   (the catalog's: for its rows' property blocks)
//   and, for a table past the reach of one map row, the bitmap pages of its usage map.
// A data pointer is a page number shifted left by 8 with the row number in the low byte.
// A table's deleted rows come first on its first data page, its moved rows (the catalog's too)
// on data pages of their own after its others.
#include "jet_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace jet {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kPageData = 0x01;
constexpr std::uint8_t kPageTableDef = 0x02;
constexpr std::uint8_t kPageUsageBitmap = 0x05;
constexpr std::uint32_t kMapsPage = 1;
constexpr std::uint32_t kCatalogDefPage = 2;
constexpr std::uint32_t kCatalogDataPage = 3;
// A long-value page's owner field holds the bytes "LVAL".
constexpr std::uint32_t kLongValueOwner = 0x4c41564cu;

constexpr std::uint8_t kUserTable = 0x4e;
constexpr std::uint8_t kSystemTable = 0x53;
constexpr std::uint8_t kColumnFixed = 0x01;
constexpr std::uint8_t kColumnNullable = 0x02;
constexpr std::uint8_t kCompressedText = 0x01;
constexpr std::uint16_t kSortGeneral = 0x409;
constexpr std::uint16_t kCodePage1252 = 0x4e4;
constexpr std::uint16_t kTextLength = 255;

// A usage map row: type 0 (first page, then one bit per page) or type 1 (pages of bitmaps).
constexpr std::size_t kInlineMapBits = 64 * 8;
constexpr std::size_t kIndirectMapEntries = 16;
constexpr std::size_t kBitmapPageHeader = 4;

// A memo's 12-byte header in its row: length and kind, then the long-value row's pointer.
constexpr std::uint32_t kMemoInline = 0x80000000u;
constexpr std::uint32_t kMemoOneRow = 0x40000000u;
constexpr std::size_t kMemoHeader = 12;
// A chained long-value row starts with the next row's pointer.
constexpr std::size_t kChainPointer = 4;

// Chunk types of a property block.
constexpr std::uint16_t kPropertyNames = 0x80;
constexpr std::uint16_t kPropertyValues = 0x00;
constexpr std::uint16_t kColumnPropertyValues = 0x01;

constexpr std::int16_t kObjectTable = 1;

// Flags of a row offset: no row here (the pointer an edit left where it moved a row from), a
// row moved here; a deleted row has both.
constexpr std::uint16_t kNoRowHere = 0x4000;
constexpr std::uint16_t kRowMovedHere = 0x8000;
constexpr std::uint16_t kRowOffsetMask = 0x1fff;
constexpr std::size_t kRowPointer = 4;

// Bytes 0x3a to 0x41 of the database page: the text sort order (2), the code page (2) and the
// database key (4), stored scrambled. A reader unscrambles them by XOR with a fixed mask and
// takes a key other than 0 for an encrypted file, which reads every later page as garbage.
// The mask is what libmdb reads back from a page with zeros there (sort order 0xc3e4, code page
// 0x427b, key 0x4ebc8afb); tests/ado checks that a written file reads back unencrypted.
constexpr std::size_t kScrambledAt = 0x3a;
constexpr std::uint8_t kScrambleMask[8] = {0xe4, 0xc3, 0x7b, 0x42, 0xfb, 0x8a, 0xbc, 0x4e};

// Where the two formats differ.
struct Layout {
    std::size_t pageSize;
    std::size_t rowCountAt;  // data page: the row count, then the row offsets
    std::size_t countBytes;  // row: column count, end of data, offsets, variable count
    std::size_t defColumnsAt;
    std::size_t defColumnSize;
};

constexpr Layout kJet3{kJet3PageSize, 8, 1, 43, 18};
constexpr Layout kJet4{kJet4PageSize, 12, 2, 63, 25};

void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

void Append(Bytes& out, std::uint32_t v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

bool IsFixed(ColumnType t) {
    return t != ColumnType::kText && t != ColumnType::kOle && t != ColumnType::kMemo;
}

std::uint16_t FixedSize(ColumnType t) {
    switch (t) {
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
        default:
            return 0;  // Yes/No lives in the null mask; the others are variable
    }
}

// UTF-8 as UCS-2: compressed (0xff 0xfe, then one byte per character) when every character
// fits a byte, as Jet 4 stores such texts.
Bytes Ucs2(const std::string& utf8) {
    std::vector<std::uint32_t> chars;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<std::uint8_t>(utf8[i]);
        const std::size_t n = c < 0x80 ? 1 : c < 0xe0 ? 2 : c < 0xf0 ? 3 : 4;
        std::uint32_t cp = n == 1 ? c : c & (0xff >> (n + 1));
        for (std::size_t k = 1; k < n && i + k < utf8.size(); ++k) cp = cp << 6 | (utf8[i + k] & 0x3f);
        chars.push_back(cp);
        i += n;
    }
    bool narrow = true;
    for (std::uint32_t cp : chars) narrow = narrow && cp < 0x100;
    Bytes out;
    if (narrow) {
        out = {0xff, 0xfe};
        for (std::uint32_t cp : chars) out.push_back(static_cast<std::uint8_t>(cp));
    } else {
        for (std::uint32_t cp : chars) Append(out, cp, 2);
    }
    return out;
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
        default:
            break;
    }
}

// A data page (or a long-value page, owner "LVAL"): rows stored from the end downwards, their
// offsets after the header.
class DataPage {
public:
    DataPage(const Layout& layout, std::uint32_t owner) : m_layout(&layout), m_page(layout.pageSize, 0) {
        m_page[0] = kPageData;
        m_page[1] = 1;
        Put32(&m_page[4], owner);
        m_end = layout.pageSize;
        Update();
    }

    bool Fits(std::size_t rowSize) const { return rowSize + 2 <= FreeSpace(); }
    bool Empty() const { return m_rows == 0; }

    // Returns the row's number on the page.
    std::uint32_t Add(const Bytes& row, std::uint16_t flags = 0) {
        if (!Fits(row.size())) throw std::invalid_argument("row does not fit a page");
        m_end -= row.size();
        std::memcpy(&m_page[m_end], row.data(), row.size());
        Put16(&m_page[m_layout->rowCountAt + 2 + 2 * m_rows], static_cast<std::uint32_t>(m_end) | flags);
        ++m_rows;
        Update();
        return m_rows - 1;
    }

    // A deleted row's offset stays on the page, flagged; its room is given back.
    void AddDeleted() {
        if (!Fits(0)) throw std::invalid_argument("row does not fit a page");
        Put16(&m_page[m_layout->rowCountAt + 2 + 2 * m_rows],
              static_cast<std::uint32_t>(m_end) | kNoRowHere | kRowMovedHere);
        ++m_rows;
        Update();
    }

    const Bytes& Page() const { return m_page; }

private:
    std::size_t FreeSpace() const { return m_end - (m_layout->rowCountAt + 2 + 2 * m_rows); }
    void Update() {
        Put16(&m_page[2], static_cast<std::uint32_t>(FreeSpace()));
        Put16(&m_page[m_layout->rowCountAt], m_rows);
    }

    const Layout* m_layout;
    Bytes m_page;
    std::uint32_t m_rows = 0;
    std::size_t m_end;
};

const std::vector<Column>& CatalogColumns() {
    static const std::vector<Column> columns = {
        {"Id", ColumnType::kLong},  {"ParentId", ColumnType::kLong}, {"Name", ColumnType::kText},
        {"Type", ColumnType::kInt}, {"Flags", ColumnType::kLong},    {"LvProp", ColumnType::kOle},
    };
    return columns;
}

class Writer {
public:
    Writer(Format format)
        : m_format(format), m_layout(format == Format::kJet3 ? kJet3 : kJet4), m_maps(m_layout, 0) {
        m_pages.assign(4, Bytes(m_layout.pageSize, 0));
        m_pages[0] = DatabasePage();
    }

    std::vector<std::uint8_t> Build(const std::vector<Table>& tables) {
        Table catalog{"MSysObjects", CatalogColumns(), {}};
        for (const Table& t : tables) {
            if (t.catalogRowMoved) catalog.movedRows.push_back(catalog.rows.size());
            const std::uint32_t def = WriteTable(t, false, NewPage());
            const Bytes properties = PropertyBlock(t);
            catalog.rows.push_back({std::to_string(def), "251658241", t.name, std::to_string(kObjectTable),
                                    "0", std::string(properties.begin(), properties.end())});
        }
        WriteTable(catalog, true, kCatalogDefPage);
        m_pages[kMapsPage] = m_maps.Page();
        std::vector<std::uint8_t> file;
        for (const Bytes& p : m_pages) file.insert(file.end(), p.begin(), p.end());
        return file;
    }

private:
    std::uint32_t NewPage() {
        m_pages.emplace_back(m_layout.pageSize, 0);
        return static_cast<std::uint32_t>(m_pages.size() - 1);
    }

    Bytes Text(const std::string& s) const {
        return m_format == Format::kJet3 ? Bytes(s.begin(), s.end()) : Ucs2(s);
    }

    // A long value's header and, when short, its bytes. A longer one goes on a long-value page,
    // and one that no page holds whole in a chain of rows on pages of their own, each row
    // starting with the next one's pointer (0 in the last).
    Bytes LongValue(const Bytes& value) {
        Bytes out;
        if (value.size() <= kInlineMemoLimit) {
            Append(out, static_cast<std::uint32_t>(value.size()) | kMemoInline, 4);
            out.resize(kMemoHeader, 0);
            out.insert(out.end(), value.begin(), value.end());
            return out;
        }
        // A fresh page holds one row of this many bytes.
        const std::size_t rowLimit = m_layout.pageSize - m_layout.rowCountAt - 4;
        if (value.size() > rowLimit) {
            const std::size_t piece = rowLimit - kChainPointer;
            std::vector<std::uint32_t> pages;
            for (std::size_t at = 0; at < value.size(); at += piece) pages.push_back(NewPage());
            for (std::size_t k = 0; k < pages.size(); ++k) {
                DataPage page(m_layout, kLongValueOwner);
                Bytes row;
                Append(row, k + 1 < pages.size() ? pages[k + 1] << 8 : 0, kChainPointer);
                const auto from = value.begin() + static_cast<std::ptrdiff_t>(k * piece);
                row.insert(row.end(), from,
                           from + static_cast<std::ptrdiff_t>(std::min(piece, value.size() - k * piece)));
                page.Add(row);
                m_pages.at(pages[k]) = page.Page();
            }
            Append(out, static_cast<std::uint32_t>(value.size()), 4);
            Append(out, pages[0] << 8, 4);
            out.resize(kMemoHeader, 0);
            return out;
        }
        if (!m_longValues || !m_longValues->Fits(value.size())) {
            FlushLongValues();
            m_longValues.emplace(m_layout, kLongValueOwner);
            m_longValuesPage = NewPage();
        }
        const std::uint32_t row = m_longValues->Add(value);
        Append(out, static_cast<std::uint32_t>(value.size()) | kMemoOneRow, 4);
        Append(out, m_longValuesPage << 8 | row, 4);
        out.resize(kMemoHeader, 0);
        return out;
    }

    // The property block of a catalog row (its LvProp value), as the database engine writes
    // one: "KKD" (Jet 3) or "MR2" (Jet 4), a chunk of property names, then a chunk of values for
    // the table itself and one for its first column.
    Bytes PropertyBlock(const Table& t) const {
        const bool jet4 = m_format == Format::kJet4;
        Bytes out = jet4 ? Bytes{'M', 'R', '2', 0} : Bytes{'K', 'K', 'D', 0};
        auto name = [&](const std::string& s) { return jet4 ? Ucs2Plain(s) : Bytes(s.begin(), s.end()); };
        auto chunk = [&](std::uint16_t type, const Bytes& body) {
            Append(out, static_cast<std::uint32_t>(6 + body.size()), 4);
            Append(out, type, 2);
            out.insert(out.end(), body.begin(), body.end());
        };
        Bytes names;
        for (const char* property : {"Orientation", "ColumnWidth"}) {
            const Bytes n = name(property);
            Append(names, static_cast<std::uint32_t>(n.size()), jet4 ? 2 : 1);
            names.insert(names.end(), n.begin(), n.end());
        }
        chunk(kPropertyNames, names);
        // The object's name (none for the table itself), then per property: entry length, a
        // flag byte, the value's type, the name's index, the value's length and the value.
        auto values = [&](const std::string& object, std::uint16_t property, ColumnType type,
                          const Bytes& value) {
            const Bytes objectName = name(object);
            Bytes body;
            Append(body, static_cast<std::uint32_t>(6 + objectName.size() + 8 + value.size()), 4);
            Append(body, static_cast<std::uint32_t>(objectName.size()), 2);
            body.insert(body.end(), objectName.begin(), objectName.end());
            Append(body, static_cast<std::uint32_t>(8 + value.size()), 2);
            body.push_back(0);
            body.push_back(static_cast<std::uint8_t>(type));
            Append(body, property, 2);
            Append(body, static_cast<std::uint32_t>(value.size()), 2);
            body.insert(body.end(), value.begin(), value.end());
            return body;
        };
        chunk(kPropertyValues, values("", 0, ColumnType::kByte, {0}));
        if (!t.columns.empty())
            chunk(kColumnPropertyValues, values(t.columns[0].name, 1, ColumnType::kInt, {0xff, 0xff}));
        return out;
    }

    void FlushLongValues() {
        if (m_longValues) m_pages.at(m_longValuesPage) = m_longValues->Page();
        m_longValues.reset();
    }

    // Column count, fixed area, variable data, then the end of the data, the variable columns'
    // start offsets in reverse order, their number and the null mask (one bit per column, 1 = not
    // NULL; a Yes/No column's value).
    Bytes EncodeRow(const std::vector<Column>& columns, const std::vector<Value>& row) {
        if (row.size() != columns.size()) throw std::invalid_argument("row width differs from the table's");
        const std::size_t n = m_layout.countBytes;
        std::size_t fixedBytes = 0;
        std::size_t varCount = 0;
        for (const Column& c : columns) {
            fixedBytes += FixedSize(c.type);
            varCount += IsFixed(c.type) ? 0 : 1;
        }

        Bytes out;
        Append(out, static_cast<std::uint32_t>(columns.size()), n);
        out.resize(n + fixedBytes, 0);
        Bytes nullMask((columns.size() + 7) / 8, 0);
        std::vector<std::uint32_t> varStarts;
        std::size_t fixedAt = n;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const Value& v = row[i];
            const ColumnType type = columns[i].type;
            bool bit = v.has_value();
            if (type == ColumnType::kBool) bit = v && *v != "0" && !v->empty();
            if (bit) nullMask[i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
            if (IsFixed(type)) {
                if (v) EncodeFixed(type, *v, &out[fixedAt]);
                fixedAt += FixedSize(type);
                continue;
            }
            varStarts.push_back(static_cast<std::uint32_t>(out.size()));
            if (!v) continue;
            const Bytes data = type == ColumnType::kMemo  ? LongValue(Text(*v))
                               : type == ColumnType::kOle ? LongValue(Bytes(v->begin(), v->end()))
                                                          : Text(*v);
            out.insert(out.end(), data.begin(), data.end());
        }
        if (varCount > 0) {
            Append(out, static_cast<std::uint32_t>(out.size()), n);
            for (std::size_t k = varStarts.size(); k-- > 0;) Append(out, varStarts[k], n);
            Append(out, static_cast<std::uint32_t>(varCount), n);
        }
        out.insert(out.end(), nullMask.begin(), nullMask.end());
        if (m_format == Format::kJet3 && out.size() >= 256)
            throw std::invalid_argument("row too long for a row without a jump table");
        return out;
    }

    std::uint32_t WriteTable(const Table& t, bool system, std::uint32_t defPage) {
        std::vector<std::uint32_t> dataPages;
        std::optional<DataPage> current;
        auto startPage = [&] {
            if (current) m_pages.at(dataPages.back()) = current->Page();
            current.emplace(m_layout, defPage);
            dataPages.push_back(system && dataPages.empty() ? kCatalogDataPage : NewPage());
        };
        // Returns the row's data pointer.
        auto add = [&](const Bytes& row, std::uint16_t flags) {
            if (!current || !current->Fits(row.size())) startPage();
            return dataPages.back() << 8 | current->Add(row, flags);
        };
        for (std::size_t i = 0; i < t.deletedRows; ++i) {
            if (!current) startPage();
            current->AddDeleted();
        }
        // Each moved row's bytes and the pointer to its old place, which keeps the room it had.
        std::vector<std::pair<Bytes, std::uint32_t>> moved;
        for (std::size_t i = 0; i < t.rows.size(); ++i) {
            Bytes row = EncodeRow(t.columns, t.rows[i]);
            if (std::find(t.movedRows.begin(), t.movedRows.end(), i) == t.movedRows.end()) {
                add(row, 0);
                continue;
            }
            Bytes old = row;
            old.resize(std::max(old.size(), kRowPointer), 0);
            moved.emplace_back(std::move(row), add(old, kNoRowHere));
        }
        if (!moved.empty()) startPage();
        for (const auto& [row, from] : moved) {
            const std::uint32_t to = add(row, kRowMovedHere);
            Bytes& page = m_pages.at(from >> 8);
            Put32(&page[RowOffset(page, from & 0xff)], to);
        }
        if (!current) startPage();
        m_pages.at(dataPages.back()) = current->Page();
        FlushLongValues();

        const std::uint32_t used = m_maps.Add(UsageMap(dataPages));
        const std::uint32_t free = m_maps.Add(UsageMap({}));
        m_pages.at(defPage) = TableDefinition(t, system, kMapsPage << 8 | used, kMapsPage << 8 | free);
        return defPage;
    }

    // Where row `row` of a written data page starts.
    std::size_t RowOffset(const Bytes& page, std::uint32_t row) const {
        const std::size_t entry = m_layout.rowCountAt + 2 + 2 * row;
        return (page[entry] | std::size_t{page[entry + 1]} << 8) & kRowOffsetMask;
    }

    Bytes UsageMap(const std::vector<std::uint32_t>& pages) {
        Bytes map(5 + kInlineMapBits / 8, 0);
        bool inlineFits = true;
        for (std::uint32_t p : pages) inlineFits = inlineFits && p < kInlineMapBits;
        if (inlineFits) {
            for (std::uint32_t p : pages) map[5 + p / 8] |= static_cast<std::uint8_t>(1u << (p % 8));
            return map;
        }
        map.assign(1 + 4 * kIndirectMapEntries, 0);
        map[0] = 1;
        const std::size_t perPage = (m_layout.pageSize - kBitmapPageHeader) * 8;
        std::vector<std::uint32_t> bitmapPages(kIndirectMapEntries, 0);
        for (std::uint32_t p : pages) {
            const std::size_t k = p / perPage;
            if (k >= kIndirectMapEntries) throw std::invalid_argument("file too large for its usage map");
            if (bitmapPages[k] == 0) {
                bitmapPages[k] = NewPage();
                m_pages[bitmapPages[k]][0] = kPageUsageBitmap;
                m_pages[bitmapPages[k]][1] = 1;
                Put32(&map[1 + 4 * k], bitmapPages[k]);
            }
            const std::size_t bit = p % perPage;
            m_pages[bitmapPages[k]][kBitmapPageHeader + bit / 8] |=
                static_cast<std::uint8_t>(1u << (bit % 8));
        }
        return map;
    }

    Bytes TableDefinition(const Table& t, bool system, std::uint32_t usedMap, std::uint32_t freeMap) const {
        const bool jet4 = m_format == Format::kJet4;
        Bytes page(m_layout.pageSize, 0);
        page[0] = kPageTableDef;
        page[1] = 1;
        if (!jet4) {
            page[2] = 'V';
            page[3] = 'C';
        }
        std::size_t varCount = 0;
        for (const Column& c : t.columns) varCount += IsFixed(c.type) ? 0 : 1;
        // The block after the 8-byte page header; Jet 4 has 20 more bytes before the table type.
        std::uint8_t* b = &page[8];
        const std::size_t extra = jet4 ? 20 : 0;
        Put32(b + (jet4 ? 8 : 4), static_cast<std::uint32_t>(t.rows.size()));
        b[12 + extra] = system ? kSystemTable : kUserTable;
        Put16(b + 13 + extra, static_cast<std::uint32_t>(t.columns.size()));  // most columns a row has had
        Put16(b + 15 + extra, static_cast<std::uint32_t>(varCount));
        Put16(b + 17 + extra, static_cast<std::uint32_t>(t.columns.size()));
        Put32(b + 27 + extra, usedMap);
        Put32(b + 31 + extra, freeMap);

        // Jet 4 column entries have 4 more bytes after the type and 4 before the fixed offset.
        const std::size_t shift = jet4 ? 4 : 0;
        std::size_t at = m_layout.defColumnsAt;
        std::size_t fixedAt = 0;
        std::size_t varIndex = 0;
        for (std::size_t i = 0; i < t.columns.size(); ++i) {
            const ColumnType type = t.columns[i].type;
            const bool fixed = IsFixed(type);
            std::uint8_t* e = &page[at];
            e[0] = static_cast<std::uint8_t>(type);
            Put16(e + 1 + shift, static_cast<std::uint32_t>(i));
            Put16(e + 3 + shift, fixed ? 0 : static_cast<std::uint32_t>(varIndex++));
            Put16(e + 5 + shift, static_cast<std::uint32_t>(i));
            if (type == ColumnType::kText || type == ColumnType::kMemo) {
                Put16(e + 7 + shift, kSortGeneral);
                if (!jet4) Put16(e + 9, kCodePage1252);
            }
            e[13 + shift / 2] = static_cast<std::uint8_t>((fixed ? kColumnFixed : 0) | kColumnNullable);
            if (jet4 && !fixed) e[16] = kCompressedText;
            Put16(e + 14 + 2 * shift - (jet4 ? 1 : 0), fixed ? static_cast<std::uint32_t>(fixedAt) : 0);
            Put16(e + 16 + 2 * shift - (jet4 ? 1 : 0), fixed                       ? FixedSize(type)
                                                       : type == ColumnType::kText ? kTextLength
                                                                                   : 0);
            fixedAt += fixed ? FixedSize(type) : 0;
            at += m_layout.defColumnSize;
        }
        for (const Column& c : t.columns) {
            const Bytes name = jet4 ? Ucs2Plain(c.name) : Bytes(c.name.begin(), c.name.end());
            if (c.name.size() > 64 || at + 2 + name.size() + 2 > m_layout.pageSize)
                throw std::invalid_argument("table definition does not fit one page");
            if (jet4) {
                Put16(&page[at], static_cast<std::uint32_t>(name.size()));
                at += 2;
            } else {
                page[at++] = static_cast<std::uint8_t>(name.size());
            }
            std::memcpy(&page[at], name.data(), name.size());
            at += name.size();
        }
        Put16(&page[at], 0xffff);  // end of the (empty) list of variable-column usage maps
        at += 2;
        Put32(b, static_cast<std::uint32_t>(at - 8));
        return page;
    }

    // Names in a Jet 4 definition are plain UCS-2.
    static Bytes Ucs2Plain(const std::string& ascii) {
        Bytes out;
        for (char c : ascii) Append(out, static_cast<std::uint8_t>(c), 2);
        return out;
    }

    Bytes DatabasePage() const {
        Bytes page(m_layout.pageSize, 0);
        page[1] = 1;
        const char kTitle[] = "Standard Jet DB";
        std::memcpy(&page[4], kTitle, sizeof kTitle);
        page[0x14] = m_format == Format::kJet3 ? 0 : 1;
        std::uint8_t* plain = &page[kScrambledAt];
        Put16(plain, kSortGeneral);
        Put16(plain + 2, 1252);
        Put32(plain + 4, 0);  // no encryption
        for (std::size_t i = 0; i < sizeof kScrambleMask; ++i) plain[i] ^= kScrambleMask[i];
        return page;
    }

    Format m_format;
    Layout m_layout;
    std::vector<Bytes> m_pages;
    DataPage m_maps;
    std::optional<DataPage> m_longValues;
    std::uint32_t m_longValuesPage = 0;
};

}  // namespace

std::vector<std::uint8_t> BuildDatabase(const std::vector<Table>& tables, Format format) {
    return Writer(format).Build(tables);
}

bool WriteDatabase(const std::string& path, const std::vector<Table>& tables, Format format) {
    const std::vector<std::uint8_t> bytes = BuildDatabase(tables, format);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace jet
