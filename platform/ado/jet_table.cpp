#include "jet_table.h"

#include "com_error.h"
#include "text_collation.h"

namespace ado_detail {

namespace {

// Row offsets on a data page carry two flag bits above the offset. kRowGone marks a place that
// holds no row of the table: a deleted row, or the pointer to its new place that a row moved to
// another page by an edit leaves behind. Its offset need not lie on the page (a deleted row's is
// often the page's end). The moved row itself carries the other flag only and is read where it
// lies, so each row is read once.
constexpr int kRowGone = 0x4000;
constexpr int kRowFlags = 0xc000;
// A page usage map starts with its type byte and the first page it covers (4 bytes).
constexpr std::size_t kUsageMapHeader = 5;

[[noreturn]] void Unreadable() {
    _com_issue_error(E_FAIL);
}

}  // namespace

TableDefPtr ReadDefinition(MdbCatalogEntry& entry, std::uint32_t filePages) {
    MdbHandle* const mdb = entry.mdb;
    CheckDefinitionPages(mdb, static_cast<std::uint32_t>(entry.table_pg), filePages);
    // The page buffer may hold a page other than the one its number says (see ReadDataPage).
    mdb->cur_pg = 0;
    TableDefPtr def(mdb_read_table(&entry));
    if (!def) Unreadable();
    GPtrArray* cols = mdb_read_columns(def.get());
    // mdb_crack_row fills one field per column of the definition: a damaged definition must
    // not claim more columns than a row's field array holds.
    if (!cols || cols->len != def->num_cols || def->num_cols > MDB_MAX_COLS) Unreadable();
    // A definition whose page usage map could not be read comes back without one.
    if (!def->usage_map || def->map_sz < kUsageMapHeader) Unreadable();
    return def;
}

const MdbColumn& ColumnAt(const MdbTableDef& def, unsigned index) {
    return *static_cast<const MdbColumn*>(g_ptr_array_index(def.columns, index));
}

int ColumnIndex(const MdbTableDef& def, const std::string& name) {
    for (unsigned i = 0; i < def.columns->len; ++i)
        if (SameName(ColumnAt(def, i).name, name)) return static_cast<int>(i);
    return -1;
}

RowWalk::RowWalk(MdbHandle* mdb, MdbTableDef& def, std::vector<unsigned> columns, std::uint32_t filePages)
    : m_mdb(mdb),
      m_def(def),
      m_columns(std::move(columns)),
      m_pages(TablePages(mdb, def, filePages)),
      m_fields(MDB_MAX_COLS) {}

bool RowWalk::Next() {
    const std::size_t pageSize = static_cast<std::size_t>(m_mdb->fmt->pg_size);
    unsigned char* const page = m_mdb->pg_buf;
    for (;;) {
        while (m_nextRow >= m_rowsOnPage) {
            if (m_nextPage == m_pages.size()) {
                // The definition holds the table's row count: fewer rows read means rows were
                // lost.
                if (m_rowsRead < m_def.num_rows) Unreadable();
                return false;
            }
            ReadDataPage(m_mdb, m_pages[m_nextPage++]);
            m_nextRow = 0;
            m_rowsOnPage = 0;
            // A page the map gives but another table owns is not this table's (as libmdb reads
            // it).
            if (page[0] != MDB_PAGE_DATA || static_cast<unsigned long>(static_cast<std::uint32_t>(
                                                mdb_get_int32(page, 4))) != m_def.entry->table_pg)
                continue;
            m_rowsOnPage = mdb_get_int16(page, m_mdb->fmt->row_count_offset);
            if (m_mdb->fmt->row_count_offset + 2 + 2 * static_cast<std::size_t>(m_rowsOnPage) > pageSize)
                Unreadable();
        }
        const int row = m_nextRow++;
        if (mdb_get_int16(page, m_mdb->fmt->row_count_offset + 2 + 2 * row) & kRowGone) continue;
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(m_mdb, row, &start, &size) != 0) Unreadable();
        start &= ~kRowFlags;
        if (size == 0 || static_cast<std::size_t>(start) + size > pageSize) Unreadable();
        if (mdb_crack_row(&m_def, start, size, m_fields.data()) < 0) Unreadable();
        if (m_fieldOf.empty()) {
            for (unsigned c : m_columns) {
                std::size_t j = 0;
                while (j < m_def.num_cols && m_fields[j].colnum != static_cast<int>(c)) ++j;
                if (j == m_def.num_cols) Unreadable();
                m_fieldOf.push_back(j);
            }
        }
        for (std::size_t k = 0; k < m_columns.size(); ++k)
            if (m_fields[m_fieldOf[k]].colnum != static_cast<int>(m_columns[k])) Unreadable();
        ++m_rowsRead;
        return true;
    }
}

const MdbField& RowWalk::Field(std::size_t k) const {
    return m_fields[m_fieldOf[k]];
}

}  // namespace ado_detail
