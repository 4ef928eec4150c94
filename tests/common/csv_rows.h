// A CSV file's rows of fields as libcsv, an ordinary CSV reader, reads them (it trims the blanks
// round unquoted fields).
#pragma once

#include <string>
#include <vector>

namespace testcsv {

std::vector<std::vector<std::string>> ReadCsv(const std::string& text);

}  // namespace testcsv
