// The program's string table.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orva::resources {

struct StringEntry {
    unsigned id;
    std::string text;
};

// Every entry, in id order.
std::vector<StringEntry> StringTable();

}  // namespace orva::resources
