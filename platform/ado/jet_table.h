// A table's definition as libmdb reads it, after the provider has checked the pages libmdb will
// take it from, and the walk over the table's rows that the catalog and the user tables share.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "jet_pages.h"

namespace ado_detail {

struct TableDefFree {
    void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};
using TableDefPtr = std::unique_ptr<MdbTableDef, TableDefFree>;

// The definition, columns read, of the table whose definition page `entry` names. `entry` must
// outlive it. Throws E_FAIL when a page of the definition or its usage map lies past the end of
// the file, when the definition's pages do not chain up, or when libmdb cannot read it.
TableDefPtr ReadDefinition(MdbCatalogEntry& entry, std::uint32_t filePages);

// The column of that name (compared without regard to case), or -1.
int ColumnIndex(const MdbTableDef& def, const std::string& name);
const MdbColumn& ColumnAt(const MdbTableDef& def, unsigned index);

// The live rows of a table, page by page, in the order they are stored. libmdb's own row walk
// ends the table at a page it cannot read and skips a row it cannot crack, as if the table ended
// there: here either is E_FAIL, and so is a table that ends before the row count its definition
// holds.
class RowWalk {
public:
    RowWalk(MdbHandle* mdb, MdbTableDef& def, std::vector<unsigned> columns, std::uint32_t filePages);
    // Cracks the next row into the handle's page buffer; false after the last.
    bool Next();
    // The field of columns[k] in the row Next cracked.
    const MdbField& Field(std::size_t k) const;

private:
    MdbHandle* m_mdb;
    MdbTableDef& m_def;
    std::vector<unsigned> m_columns;
    std::vector<std::uint32_t> m_pages;
    std::size_t m_nextPage = 0;
    int m_rowsOnPage = 0;
    int m_nextRow = 0;
    std::size_t m_rowsRead = 0;
    std::vector<MdbField> m_fields;
    // Where each wanted column's field lands among those mdb_crack_row fills, found on the
    // first row.
    std::vector<std::size_t> m_fieldOf;
};

}  // namespace ado_detail
