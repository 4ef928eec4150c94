#include "string_table.h"

#include "resources.h"

namespace orva::resources {

std::vector<StringEntry> StringTable() {
    std::vector<StringEntry> table;
    table.push_back({kIdsAboutBox, "About ORVA(&A)..."});
    table.push_back({kIdsStatePane, "[State]"});
    table.push_back({kIdsVersionPane, "ORVA-FG V1.0"});
    table.push_back({kIdsBlankPane, std::string(28, ' ')});
    table.push_back({kIdsReadyPane, "Ready"});
    return table;
}

}  // namespace orva::resources
