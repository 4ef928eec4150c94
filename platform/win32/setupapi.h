// The Ports device class: the machine's serial ports (see port_table.h) as a device information
// set whose members carry the friendly name "<product> (COMn)".
#pragma once

#include "win32_error.h"
#include "win32_types.h"

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};

constexpr bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i) {
        if (a.Data4[i] != b.Data4[i]) return false;
    }
    return true;
}

// {4D36E978-E325-11CE-BFC1-08002BE10318}
inline constexpr GUID GUID_DEVCLASS_PORTS = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

using HDEVINFO = HANDLE;

struct SP_DEVINFO_DATA {
    DWORD cbSize;
    GUID ClassGuid;
    DWORD DevInst;
    ULONG_PTR Reserved;
};

constexpr DWORD DIGCF_PRESENT = 0x00000002;
constexpr DWORD SPDRP_FRIENDLYNAME = 0x0000000C;
constexpr DWORD REG_SZ = 1;

// A snapshot of the present Ports devices in ascending port-number order, taken now. Any class other
// than GUID_DEVCLASS_PORTS gives INVALID_HANDLE_VALUE. `enumerator`, `hwnd` and `flags` are accepted
// and ignored: only present devices are ever known.
HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, const char* enumerator, void* hwnd, DWORD flags);

// Member `index` of the set; FALSE with ERROR_NO_MORE_ITEMS past the last one. data->cbSize must be
// sizeof(SP_DEVINFO_DATA) (else ERROR_INVALID_USER_BUFFER).
BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* data);

// SPDRP_FRIENDLYNAME as a zero-terminated REG_SZ. *requiredSize (when given) gets the name's length
// plus one; a buffer smaller than that fails with ERROR_INSUFFICIENT_BUFFER and is left untouched.
// Other properties fail with ERROR_INVALID_DATA.
BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, SP_DEVINFO_DATA* data, DWORD property, DWORD* regType,
                                       BYTE* buffer, DWORD bufferSize, DWORD* requiredSize);

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set);
