// The query shapes the provider runs:
//   SELECT [DISTINCT] column|* FROM table [ORDER BY column [ASC|DESC]]
// Keywords in any case, names bare or in [brackets], any blanks between words, an optional
// closing ';'. Anything else is DB_E_ERRORSINCOMMAND.
#pragma once

#include <optional>
#include <string>

#include "jet_database.h"

namespace ado_detail {

struct SelectQuery {
    bool distinct = false;
    std::string column;  // empty: every column
    std::string table;
    std::string orderBy;  // empty: rows as stored
    bool descending = false;
};

std::optional<SelectQuery> ParseSelect(const std::string& text);

// DISTINCT keeps the first row of each set of equal rows (equal in every column read, text
// without regard to case); ORDER BY sorts stably, NULL first when ascending.
ResultRows RunSelect(JetDatabase& db, const SelectQuery& query);

}  // namespace ado_detail
