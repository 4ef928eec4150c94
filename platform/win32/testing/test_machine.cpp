#include "test_machine.h"

#include <mutex>

#include "win32_registry.h"

namespace {

std::mutex g_lock;
std::optional<orva::ports::PortTable> g_table;
std::optional<orva::win32::SerialMapValues> g_serialMap;

}  // namespace

namespace orva::testing {

void UsePortTable(const orva::ports::PortTable& table) {
    std::lock_guard lock(g_lock);
    g_table = table;
}

void UseVirtualPortFolder(const std::string& folder) {
    UsePortTable(orva::ports::PortTable(orva::ports::PortTable::OfThisMachine().SysfsRoot(), folder));
}

void UseMachinePortTable() {
    std::lock_guard lock(g_lock);
    g_table.reset();
}

void UseSerialMap(std::optional<orva::win32::SerialMapValues> values) {
    std::lock_guard lock(g_lock);
    g_serialMap = std::move(values);
}

}  // namespace orva::testing

namespace orva::ports {

PortTable MachinePorts() {
    std::lock_guard lock(g_lock);
    return g_table ? *g_table : PortTable::OfThisMachine();
}

}  // namespace orva::ports

namespace orva::win32 {

SerialMapValues MachineSerialMap() {
    {
        std::lock_guard lock(g_lock);
        if (g_serialMap) return *g_serialMap;
    }
    return SerialMapOf(orva::ports::MachinePorts().Enumerate());
}

}  // namespace orva::win32
