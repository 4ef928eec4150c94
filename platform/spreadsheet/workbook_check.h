// Reads a written .xlsx back before anyone sees it: libxlsxwriter keeps the parts in temporary
// files and does not notice every write to them that fails, so a workbook it calls written may
// hold empty parts or a sheet cut short.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orva::sheet {

// What one sheet was given: rows with at least one cell, and cells (empty texts make none).
struct SheetTally {
    std::uint64_t rows = 0;
    std::uint64_t cells = 0;
};

// Empty when the package is complete: every part a reader needs present, every part non-empty,
// whole (its checksum) and well-formed, and sheet i (from 1) holding exactly the rows and cells
// of sheets[i - 1] and ending as a sheet ends. Otherwise what is wrong, in a few words.
std::string WorkbookProblem(const std::string& path, const std::vector<SheetTally>& sheets);

}  // namespace orva::sheet
