// A Jet database file opened read-only through libmdb, and the reading of a table's columns
// into values.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "variant.h"

namespace ado_detail {

struct ResultRows {
    std::vector<std::string> names;             // column names as the table spells them
    std::vector<std::vector<_variant_t>> rows;  // one value per name
};

class JetDatabase {
public:
    // nullptr when the file is missing, unreadable or not a Jet 3 or Jet 4 database.
    static std::unique_ptr<JetDatabase> Open(const std::string& path);
    ~JetDatabase();
    JetDatabase(const JetDatabase&) = delete;
    JetDatabase& operator=(const JetDatabase&) = delete;

    // The named columns (every column when none is named) of the user table of that name, in
    // the order the rows are stored. Names compare without regard to case. Throws DB_E_NOTABLE
    // for an unknown table, DB_E_PARAMNOTOPTIONAL for an unknown column and E_FAIL for a file
    // that cannot be read whole: a page past its end, a row or long text that cannot be read, or
    // fewer rows than the table's definition declares.
    ResultRows Read(const std::string& table, const std::vector<std::string>& columns);

private:
    struct Handle;  // libmdb's handle of the open file
    explicit JetDatabase(std::unique_ptr<Handle> handle);
    std::unique_ptr<Handle> m_handle;
};

}  // namespace ado_detail
