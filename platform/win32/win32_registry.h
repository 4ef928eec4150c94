// The registry as the program reads it: only the system's serial-port map
// HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM exists. Its values are made from the port table
// when the key is opened: one REG_SZ value per present port, named "\Device\Serial<k>" for a
// built-in port (ttyS) and "\Device\VCom<k>" for a USB or virtual port, holding "COMn". Any other
// key is not found (ERROR_FILE_NOT_FOUND). Results are Windows error codes (ERROR_SUCCESS).
#pragma once

#include <cstdint>

#include "win32_error.h"
#include "win32_types.h"

using HKEY = HANDLE;
using PHKEY = HKEY*;
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD REG_SZ = 1;
constexpr DWORD ERROR_MORE_DATA = 234;

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, DWORD access, PHKEY result);
// Only the value counts and the longest name and data are reported; the other outputs are 0 or empty.
LONG RegQueryInfoKeyA(HKEY key, char* className, DWORD* classLength, DWORD* reserved, DWORD* subKeys,
                      DWORD* maxSubKeyLength, DWORD* maxClassLength, DWORD* values, DWORD* maxValueNameLength,
                      DWORD* maxValueLength, DWORD* securityDescriptor, void* lastWriteTime);
// The value at `index`: its name (nameLength in: the buffer's size, out: the name's length without
// its terminator), type and data. ERROR_NO_MORE_ITEMS past the last, ERROR_MORE_DATA when a buffer
// is too small.
LONG RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* nameLength, DWORD* reserved, DWORD* type,
                   BYTE* data, DWORD* dataLength);
// A value's data by name (dataLength in: the buffer's size, out: the data's size with its
// terminator). ERROR_MORE_DATA when the buffer is too small (nothing copied).
LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* dataLength);
LONG RegCloseKey(HKEY key);

#include <string>
#include <utility>
#include <vector>

#include "port_table.h"

namespace orva::win32 {

// The serial map's values (name, data), in order.
using SerialMapValues = std::vector<std::pair<std::string, std::string>>;

// The map of a port table's ports.
SerialMapValues SerialMapOf(const std::vector<orva::ports::PortEntry>& ports);

// What the key holds when it is opened. Defined beside orva::ports::MachinePorts() by the
// machine's library: the program's gives the map of the machine's ports; the tests' can also give
// maps that no port table gives (values that are not "COMn", more ports than the table holds).
SerialMapValues MachineSerialMap();

}  // namespace orva::win32
