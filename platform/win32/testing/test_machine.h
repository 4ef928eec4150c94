// The machine of a test program: the ports are those of the folders a test chooses; until it
// chooses, this machine's. For tests and benchmarks only.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "port_table.h"

namespace orva::testing {

// From now on the stand-ins see the ports of this table.
void UsePortTable(const orva::ports::PortTable& table);
// This machine's devices and the virtual ports registered in this folder.
void UseVirtualPortFolder(const std::string& folder);
// This machine's ports again.
void UseMachinePortTable();
// The registry's serial map holds these values, whatever the table holds; nothing: the table's.
void UseSerialMap(std::optional<std::vector<std::pair<std::string, std::string>>> values);

}  // namespace orva::testing
