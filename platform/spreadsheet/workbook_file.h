// Writing a workbook of the server to a new .xlsx file and opening it on the desktop.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "sheet_cells.h"

namespace orva::sheet {

struct Sheet {
    std::string name;
    SheetCells cells;
    double columnWidth = -1;  // every column; below 0 leaves the default
};

// A workbook that could not be written or opened; the text says which and why.
class WorkbookError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The per-user folder the workbooks are written to (made when missing):
// <data home>/ORVA-FG/Workbooks.
std::string WorkbookFolder();

// Writes the sheets to a new file in folder and gives its path. Never replaces a file; a file
// that cannot be written completely leaves nothing behind. Throws WorkbookError.
std::string WriteWorkbook(const std::string& folder, std::vector<std::unique_ptr<Sheet>>& sheets);

// Opens path with the desktop's default program (xdg-open). Throws WorkbookError when the opener
// cannot be started or reports a failure.
void OpenWithDesktop(const std::string& path);

}  // namespace orva::sheet
