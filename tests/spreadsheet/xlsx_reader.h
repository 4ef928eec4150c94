// Reads a written workbook back the way a spreadsheet program does: unzips it with libzip and
// follows its content types and relations to the first sheet, whose XML it reads; texts are
// decoded as readers decode them. Only what the export writes is read: texts, sheet name, widths.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace xlsx_test {

struct ColumnRange {
    int min = 0;
    int max = 0;
    double width = 0;
};

struct Workbook {
    bool readable = false;  // a zip holding well-formed XML in the places a reader looks
    std::string error;
    std::vector<std::string> sheetNames;
    std::vector<ColumnRange> columns;          // of the first sheet
    std::map<std::string, std::string> cells;  // "B3" -> text, of the first sheet
    std::vector<int> rowOrder;                 // row numbers as they come in the file
};

Workbook ReadWorkbook(const std::filesystem::path& file);

}  // namespace xlsx_test
