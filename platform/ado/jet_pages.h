// The page-level reading that the provider does itself rather than through libmdb's row walk:
// libmdb ends a table at the first page it cannot read and skips a row it cannot crack, both
// without a word, and reads a long text whose page is missing as "". Here every page and long
// value that cannot be read whole is an error (E_FAIL).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// libmdb's header opens an extern "C" block around its own include of glib, which holds C++
// templates: glib comes first.
#include <glib.h>
#include <mdbtools.h>

namespace ado_detail {

// Whole pages in the open file.
std::uint32_t PagesInFile(MdbHandle* mdb);

// The pages the table's usage map marks as its own, in file order. A map of an unknown kind, or
// one naming a page past the end of the file, throws E_FAIL.
std::vector<std::uint32_t> TablePages(MdbHandle* mdb, const MdbTableDef& def, std::uint32_t filePages);

// Checks the pages libmdb reads a table's definition from: the definition page `first` and each
// continuation page chained from it must be definition pages wholly inside the file, and the
// page its usage map lies on must be inside the file too. libmdb reads the missing end of a page as zeros: a
// definition cut short reads as a table without columns or rows. E_FAIL otherwise, and for a chain that
// loops.
void CheckDefinitionPages(MdbHandle* mdb, std::uint32_t first, std::uint32_t filePages);

// Reads data page `page` into the handle's page buffer; E_FAIL when it is not there whole.
void ReadDataPage(MdbHandle* mdb, std::uint32_t page);

// The bytes of a memo field (its 12-byte header at `field`, `size` bytes in all): inline, or in
// one or a chain of long-value rows on their own pages. Throws E_FAIL for a memo that cannot be
// read whole, one longer than the file, and a chain that comes back to a row it has passed.
std::string MemoBytes(MdbHandle* mdb, const unsigned char* field, std::size_t size, std::uint32_t filePages);

}  // namespace ado_detail
