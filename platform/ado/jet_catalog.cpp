#include "jet_catalog.h"

#include <cstring>

#include "com_error.h"
#include "jet_table.h"

namespace ado_detail {

namespace {

constexpr unsigned long kCatalogDefinitionPage = 2;
// An object's Id holds its definition page in the low three bytes; its Type the kind of object
// in the low seven bits.
constexpr std::uint32_t kIdPageMask = 0x00ffffff;
constexpr int kObjectKindMask = 0x7f;

[[noreturn]] void Unreadable() {
    _com_issue_error(E_FAIL);
}

unsigned CatalogColumn(const MdbTableDef& def, const char* name, int type) {
    const int i = ColumnIndex(def, name);
    if (i < 0 || ColumnAt(def, static_cast<unsigned>(i)).col_type != type) Unreadable();
    return static_cast<unsigned>(i);
}

// A fixed-size field of the cracked row as a little-endian number, or 0 for NULL.
std::uint32_t Number(MdbHandle* mdb, const MdbField& f, std::size_t size) {
    if (f.is_null) return 0;
    if (f.start < 0 || f.siz < 0 || static_cast<std::size_t>(f.siz) < size ||
        static_cast<std::size_t>(f.start) + size > static_cast<std::size_t>(mdb->fmt->pg_size))
        Unreadable();
    std::uint32_t v = 0;
    for (std::size_t i = size; i-- > 0;) v = v << 8 | mdb->pg_buf[static_cast<std::size_t>(f.start) + i];
    return v;
}

}  // namespace

std::vector<CatalogTable> ReadCatalogTables(MdbHandle* mdb, std::uint32_t filePages) {
    MdbCatalogEntry catalog{};
    catalog.mdb = mdb;
    std::strcpy(catalog.object_name, "MSysObjects");
    catalog.object_type = MDB_TABLE;
    catalog.table_pg = kCatalogDefinitionPage;
    TableDefPtr def = ReadDefinition(catalog, filePages);

    std::vector<CatalogTable> tables;
    RowWalk rows(mdb, *def,
                 {CatalogColumn(*def, "Id", MDB_LONGINT), CatalogColumn(*def, "Name", MDB_TEXT),
                  CatalogColumn(*def, "Type", MDB_INT)},
                 filePages);
    while (rows.Next()) {
        const MdbField& name = rows.Field(1);
        const auto kind = static_cast<std::int16_t>(Number(mdb, rows.Field(2), 2));
        // A row without a name cannot be asked for.
        if ((kind & kObjectKindMask) != MDB_TABLE || name.is_null || name.siz <= 0) continue;
        if (name.start < 0 || static_cast<std::size_t>(name.start) + static_cast<std::size_t>(name.siz) >
                                  static_cast<std::size_t>(mdb->fmt->pg_size))
            Unreadable();
        char* text = mdb_col_to_string(mdb, mdb->pg_buf, name.start, MDB_TEXT, name.siz);
        if (!text) Unreadable();
        std::string table(text);
        g_free(text);
        tables.push_back({std::move(table), Number(mdb, rows.Field(0), 4) & kIdPageMask});
    }
    return tables;
}

}  // namespace ado_detail
