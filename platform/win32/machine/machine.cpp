// This machine as the stand-ins see it: its serial devices and the virtual ports registered here.
#include "port_table.h"
#include "win32_registry.h"

namespace orva::ports {

PortTable MachinePorts() {
    return PortTable::OfThisMachine();
}

}  // namespace orva::ports

namespace orva::win32 {

SerialMapValues MachineSerialMap() {
    return SerialMapOf(orva::ports::MachinePorts().Enumerate());
}

}  // namespace orva::win32
