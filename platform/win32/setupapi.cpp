#include "setupapi.h"

#include <cstring>
#include <string>
#include <vector>

#include "port_table.h"
#include "win32_handle_table.h"
#include "win32_sync.h"

namespace {

struct PortsDevice {
    DWORD number;
    std::string friendlyName;
};

class DeviceInfoSet : public Win32Object {
public:
    explicit DeviceInfoSet(std::vector<PortsDevice> devices) : m_devices(std::move(devices)) {}

    // The set never changes after its creation, so readers need no lock.
    const std::vector<PortsDevice>& Devices() const { return m_devices; }

private:
    const std::vector<PortsDevice> m_devices;
};

// The member a SP_DEVINFO_DATA filled by SetupDiEnumDeviceInfo points to (Reserved = index + 1).
const PortsDevice* MemberOf(const DeviceInfoSet& set, const SP_DEVINFO_DATA* data) {
    if (data == nullptr || data->cbSize != sizeof(SP_DEVINFO_DATA)) return nullptr;
    if (data->Reserved == 0 || data->Reserved > set.Devices().size()) return nullptr;
    return &set.Devices()[data->Reserved - 1];
}

}  // namespace

HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, const char*, void*, DWORD) {
    if (classGuid == nullptr || !(*classGuid == GUID_DEVCLASS_PORTS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<PortsDevice> devices;
    for (const orva::ports::PortEntry& port : orva::ports::EnumeratePorts()) {
        devices.push_back({static_cast<DWORD>(port.number), orva::ports::FriendlyName(port)});
    }
    return orva::win32::AddHandle(std::make_shared<DeviceInfoSet>(std::move(devices)));
}

BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* data) {
    const auto object = orva::win32::FindHandleAs<DeviceInfoSet>(set);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (data == nullptr || data->cbSize != sizeof(SP_DEVINFO_DATA)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (index >= object->Devices().size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    data->ClassGuid = GUID_DEVCLASS_PORTS;
    data->DevInst = object->Devices()[index].number;
    data->Reserved = static_cast<ULONG_PTR>(index) + 1;
    return TRUE;
}

BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, SP_DEVINFO_DATA* data, DWORD property, DWORD* regType,
                                       BYTE* buffer, DWORD bufferSize, DWORD* requiredSize) {
    const auto object = orva::win32::FindHandleAs<DeviceInfoSet>(set);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const PortsDevice* device = MemberOf(*object, data);
    if (device == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (property != SPDRP_FRIENDLYNAME) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    const std::string& name = device->friendlyName;
    const DWORD needed = static_cast<DWORD>(name.size() + 1);
    if (requiredSize != nullptr) *requiredSize = needed;
    if (regType != nullptr) *regType = REG_SZ;
    if (buffer == nullptr || bufferSize < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, name.c_str(), needed);
    return TRUE;
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) {
    if (!orva::win32::FindHandleAs<DeviceInfoSet>(set)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return CloseHandle(set);
}
