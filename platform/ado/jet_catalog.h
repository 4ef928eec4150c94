// The file's catalog of objects (the MSysObjects table on page 2): the user and system tables by
// name, read with the provider's own row walk. libmdb's catalog read also parses each object's
// property block, trusting every length in it: on a damaged file it loops forever, allocates
// without end or reads past its buffer. No table read needs those properties.
#pragma once

#include <string>
#include <vector>

#include "jet_pages.h"

namespace ado_detail {

struct CatalogTable {
    std::string name;
    unsigned long definitionPage;
};

// The tables in catalog order. Throws E_FAIL when the catalog cannot be read whole.
std::vector<CatalogTable> ReadCatalogTables(MdbHandle* mdb, std::uint32_t filePages);

}  // namespace ado_detail
