// The port list read from the system's serial-port map (the registry), for a combo box. The
// window's own port list comes from the present devices instead; nothing calls this one.
#pragma once

#include "win32_registry.h"

class CComboBox;

inline constexpr int kRegistryPortSlots = 20;
// Port numbers from the map in its order; -1 marks an empty entry and ends the list.
extern int g_nRegistryPorts[kRegistryPortSlots];

// Reads the map into g_nRegistryPorts and lists it in the combo box as "COM%d", entry 0 selected.
void EnumerateSerialPorts(CComboBox& combo);
// Fills g_nRegistryPorts from the values of an open key whose names contain "Serial" or "VCom".
void ListPortsFromKey(HKEY key);
