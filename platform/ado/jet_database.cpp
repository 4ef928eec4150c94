#include "jet_database.h"

#include <cstring>

#include "jet_pages.h"
#include "text_collation.h"

namespace ado_detail {

namespace {

// Row offsets on a data page carry two flag bits above the offset: a deleted row, or one moved
// to an overflow page (it is read there).
constexpr int kRowFlags = 0xc000;
// A page usage map starts with its type byte and the first page it covers (4 bytes).
constexpr std::size_t kUsageMapHeader = 5;
constexpr unsigned long kCatalogDefinitionPage = 2;

struct TableDefFree {
    void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};
using TableDefPtr = std::unique_ptr<MdbTableDef, TableDefFree>;

[[noreturn]] void Unreadable() {
    _com_issue_error(E_FAIL);
}

std::size_t FixedSize(int type) {
    switch (type) {
        case MDB_BYTE:
            return 1;
        case MDB_INT:
            return 2;
        case MDB_LONGINT:
        case MDB_FLOAT:
            return 4;
        case MDB_MONEY:
        case MDB_DOUBLE:
        case MDB_DATETIME:
            return 8;
        default:
            return 0;
    }
}

std::uint64_t Little(const unsigned char* p, std::size_t n) {
    std::uint64_t v = 0;
    for (std::size_t i = n; i-- > 0;) v = (v << 8) | p[i];
    return v;
}

// A text of the file's code page (Jet 3) or of UCS-2, plain or compressed (Jet 4), as UTF-8.
std::string Utf8Text(MdbHandle* mdb, const std::string& bytes) {
    // Each byte or pair of bytes becomes at most three bytes of UTF-8.
    std::string out(3 * bytes.size() + 1, '\0');
    const int n = mdb_unicode2ascii(mdb, bytes.data(), bytes.size(), out.data(), out.size());
    if (n < 0) Unreadable();
    out.resize(std::strlen(out.c_str()));
    return out;
}

// One field of the row that the page buffer holds, as the provider types it.
_variant_t FieldValue(MdbHandle* mdb, const MdbColumn& col, const MdbField& f, std::uint32_t filePages) {
    const int type = col.col_type;
    if (type == MDB_BOOL)
        return _variant_t(static_cast<std::int16_t>(f.is_null ? VARIANT_FALSE : VARIANT_TRUE), VT_BOOL);
    if (f.is_null) return _variant_t::Null();

    const long pageSize = static_cast<long>(mdb->fmt->pg_size);
    if (f.start < 0 || f.siz < 0 || static_cast<long>(f.start) + f.siz > pageSize) Unreadable();
    const unsigned char* p = mdb->pg_buf + f.start;
    const std::size_t fixed = FixedSize(type);
    if (fixed != 0 && static_cast<std::size_t>(f.siz) < fixed) Unreadable();

    switch (type) {
        case MDB_BYTE:
            return _variant_t(static_cast<std::uint8_t>(p[0]));
        case MDB_INT:
            return _variant_t(static_cast<std::int16_t>(Little(p, 2)));
        case MDB_LONGINT:
            return _variant_t(static_cast<std::int32_t>(Little(p, 4)));
        case MDB_FLOAT: {
            auto bits = static_cast<std::uint32_t>(Little(p, 4));
            float v;
            std::memcpy(&v, &bits, sizeof v);
            return _variant_t(v);
        }
        case MDB_DOUBLE:
        case MDB_DATETIME: {
            std::uint64_t bits = Little(p, 8);
            double v;
            std::memcpy(&v, &bits, sizeof v);
            return _variant_t(v, type == MDB_DATETIME ? VT_DATE : VT_R8);
        }
        case MDB_MONEY:
            return _variant_t(CY{static_cast<std::int64_t>(Little(p, 8))});
        case MDB_MEMO:
            if (f.siz == 0) return _variant_t("");
            // Read here rather than by libmdb, which cuts a long text at its bind size and reads
            // one whose page is missing as "".
            return _variant_t(Utf8Text(mdb, MemoBytes(mdb, p, static_cast<std::size_t>(f.siz), filePages)));
        case MDB_TEXT:
        case MDB_NUMERIC:
        case MDB_REPID: {
            if (f.siz == 0) return _variant_t("");
            // libmdb turns these into text itself: the file's code page (Jet 3) or UCS-2 (Jet 4)
            // to UTF-8, scaled decimals and GUIDs as text.
            char* text = mdb_col_to_string(mdb, mdb->pg_buf, f.start, type, f.siz);
            if (!text) Unreadable();
            _variant_t v{std::string(text)};
            g_free(text);
            return v;
        }
        case MDB_BINARY: {
            _variant_t v(std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(f.siz)));
            v.vt = VT_ARRAY | VT_UI1;
            return v;
        }
        default: {
            // Long binary data (pictures, documents) is not loaded: the program reads none.
            _variant_t v;
            v.vt = VT_ARRAY | VT_UI1;
            return v;
        }
    }
}

bool HasUsageMap(const MdbTableDef& def) {
    return def.usage_map && def.map_sz >= kUsageMapHeader;
}

// libmdb reads the catalog as a table whose definition is on page 2 and walks its rows
// without checking that the definition's usage map could be read: check it first.
bool CatalogReadable(MdbHandle* mdb) {
    MdbCatalogEntry catalog{};
    catalog.mdb = mdb;
    std::strcpy(catalog.object_name, "MSysObjects");
    catalog.object_type = MDB_TABLE;
    catalog.table_pg = kCatalogDefinitionPage;
    TableDefPtr def(mdb_read_table(&catalog));
    return def && HasUsageMap(*def);
}

}  // namespace

struct JetDatabase::Handle {
    explicit Handle(MdbHandle* m) : mdb(m) {}
    ~Handle() { mdb_close(mdb); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    MdbHandle* mdb;
};

std::unique_ptr<JetDatabase> JetDatabase::Open(const std::string& path) {
    MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (!mdb) return nullptr;
    // The Jet 4.0 provider reads Jet 3 and Jet 4 files, not the later formats.
    const bool known = mdb->f && (mdb->f->jet_version == MDB_VER_JET3 || mdb->f->jet_version == MDB_VER_JET4);
    if (!known || !CatalogReadable(mdb) || !mdb_read_catalog(mdb, MDB_ANY)) {
        mdb_close(mdb);
        return nullptr;
    }
    return std::unique_ptr<JetDatabase>(new JetDatabase(std::make_unique<Handle>(mdb)));
}

JetDatabase::JetDatabase(std::unique_ptr<Handle> handle) : m_handle(std::move(handle)) {}

JetDatabase::~JetDatabase() = default;

ResultRows JetDatabase::Read(const std::string& table, const std::vector<std::string>& columns) {
    MdbHandle* const mdb = m_handle->mdb;
    MdbCatalogEntry* entry = nullptr;
    for (unsigned i = 0; mdb->catalog && i < mdb->catalog->len; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (e->object_type == MDB_TABLE && SameName(e->object_name, table)) {
            entry = e;
            break;
        }
    }
    if (!entry) _com_issue_error(DB_E_NOTABLE);

    TableDefPtr def(mdb_read_table(entry));
    if (!def) Unreadable();
    GPtrArray* cols = mdb_read_columns(def.get());
    // mdb_crack_row fills one field per column of the definition: a damaged definition must
    // not claim more columns than the field array below holds.
    if (!cols || cols->len != def->num_cols || def->num_cols > MDB_MAX_COLS) Unreadable();

    std::vector<unsigned> wanted;
    ResultRows out;
    auto columnName = [&](unsigned i) { return static_cast<MdbColumn*>(g_ptr_array_index(cols, i))->name; };
    if (columns.empty()) {
        for (unsigned i = 0; i < cols->len; ++i) wanted.push_back(i);
    } else {
        for (const std::string& name : columns) {
            unsigned i = 0;
            while (i < cols->len && !SameName(columnName(i), name)) ++i;
            if (i == cols->len) _com_issue_error(DB_E_PARAMNOTOPTIONAL);
            wanted.push_back(i);
        }
    }
    for (unsigned i : wanted) out.names.emplace_back(columnName(i));

    // A definition whose page usage map could not be read comes back without one.
    if (!HasUsageMap(*def)) Unreadable();
    // The rows are walked here, page by page, rather than by mdb_fetch_row: it ends the table
    // at a page it cannot read and skips a row it cannot crack, as if the table ended there.
    const std::uint32_t filePages = PagesInFile(mdb);
    const std::size_t pageSize = static_cast<std::size_t>(mdb->fmt->pg_size);
    std::vector<MdbField> fields(MDB_MAX_COLS);
    // Where each wanted column's field lands among those mdb_crack_row fills, found on the
    // first row.
    std::vector<int> fieldOf;
    for (std::uint32_t page : TablePages(mdb, *def, filePages)) {
        ReadDataPage(mdb, page);
        // A page the map gives but another table owns is not this table's (as libmdb reads it).
        if (mdb->pg_buf[0] != MDB_PAGE_DATA || static_cast<unsigned long>(static_cast<std::uint32_t>(
                                                   mdb_get_int32(mdb->pg_buf, 4))) != entry->table_pg)
            continue;
        const int rows = mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset);
        if (mdb->fmt->row_count_offset + 2 + 2 * static_cast<std::size_t>(rows) > pageSize) Unreadable();
        for (int r = 0; r < rows; ++r) {
            int start = 0;
            size_t size = 0;
            if (mdb_find_row(mdb, r, &start, &size) != 0) Unreadable();
            if (start & kRowFlags) continue;
            if (size == 0 || static_cast<std::size_t>(start) + size > pageSize) Unreadable();
            if (mdb_crack_row(def.get(), start, size, fields.data()) < 0) Unreadable();

            if (fieldOf.empty()) {
                for (unsigned c : wanted) {
                    unsigned j = 0;
                    while (j < def->num_cols && fields[j].colnum != static_cast<int>(c)) ++j;
                    if (j == def->num_cols) Unreadable();
                    fieldOf.push_back(static_cast<int>(j));
                }
            }
            std::vector<_variant_t> row;
            row.reserve(wanted.size());
            for (std::size_t k = 0; k < wanted.size(); ++k) {
                const MdbField& field = fields[static_cast<std::size_t>(fieldOf[k])];
                if (field.colnum != static_cast<int>(wanted[k])) Unreadable();
                row.push_back(FieldValue(mdb, *static_cast<MdbColumn*>(g_ptr_array_index(cols, wanted[k])),
                                         field, filePages));
            }
            out.rows.push_back(std::move(row));
        }
    }
    // The definition holds the table's row count: fewer rows read means rows were lost.
    if (out.rows.size() < def->num_rows) Unreadable();
    return out;
}

}  // namespace ado_detail
