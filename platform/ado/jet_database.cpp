#include "jet_database.h"

#include <cstdio>
#include <cstring>

#include "jet_catalog.h"
#include "jet_pages.h"
#include "jet_table.h"
#include "text_collation.h"

namespace ado_detail {

namespace {

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

}  // namespace

struct JetDatabase::Handle {
    explicit Handle(MdbHandle* m) : mdb(m) {}
    ~Handle() { mdb_close(mdb); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    MdbHandle* mdb;
    std::vector<CatalogTable> tables;
};

std::unique_ptr<JetDatabase> JetDatabase::Open(const std::string& path) {
    MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (!mdb) return nullptr;
    auto handle = std::make_unique<Handle>(mdb);
    // The Jet 4.0 provider reads Jet 3 and Jet 4 files, not the later formats.
    if (!mdb->f || (mdb->f->jet_version != MDB_VER_JET3 && mdb->f->jet_version != MDB_VER_JET4))
        return nullptr;
    try {
        // Read here rather than by mdb_read_catalog, which parses property blocks it need not.
        handle->tables = ReadCatalogTables(mdb, PagesInFile(mdb));
    } catch (const _com_error&) {
        return nullptr;
    }
    return std::unique_ptr<JetDatabase>(new JetDatabase(std::move(handle)));
}

JetDatabase::JetDatabase(std::unique_ptr<Handle> handle) : m_handle(std::move(handle)) {}

JetDatabase::~JetDatabase() = default;

ResultRows JetDatabase::Read(const std::string& table, const std::vector<std::string>& columns) {
    MdbHandle* const mdb = m_handle->mdb;
    const CatalogTable* found = nullptr;
    for (const CatalogTable& t : m_handle->tables) {
        if (SameName(t.name, table)) {
            found = &t;
            break;
        }
    }
    if (!found) _com_issue_error(DB_E_NOTABLE);

    MdbCatalogEntry entry{};
    entry.mdb = mdb;
    std::snprintf(entry.object_name, sizeof entry.object_name, "%s", found->name.c_str());
    entry.object_type = MDB_TABLE;
    entry.table_pg = found->definitionPage;
    const std::uint32_t filePages = PagesInFile(mdb);
    TableDefPtr def = ReadDefinition(entry, filePages);

    std::vector<unsigned> wanted;
    ResultRows out;
    if (columns.empty()) {
        for (unsigned i = 0; i < def->num_cols; ++i) wanted.push_back(i);
    } else {
        for (const std::string& name : columns) {
            const int i = ColumnIndex(*def, name);
            if (i < 0) _com_issue_error(DB_E_PARAMNOTOPTIONAL);
            wanted.push_back(static_cast<unsigned>(i));
        }
    }
    for (unsigned i : wanted) out.names.emplace_back(ColumnAt(*def, i).name);

    RowWalk rows(mdb, *def, wanted, filePages);
    while (rows.Next()) {
        std::vector<_variant_t> row;
        row.reserve(wanted.size());
        for (std::size_t k = 0; k < wanted.size(); ++k)
            row.push_back(FieldValue(mdb, ColumnAt(*def, wanted[k]), rows.Field(k), filePages));
        out.rows.push_back(std::move(row));
    }
    return out;
}

}  // namespace ado_detail
