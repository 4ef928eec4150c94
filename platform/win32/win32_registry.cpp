#include "win32_registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "port_table.h"
#include "win32_handle_table.h"
#include "win32_sync.h"

namespace {

constexpr const char* kSerialMap = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

struct RegValue {
    std::string name;
    std::string data;  // without its terminator
};

class SerialMapKey : public Win32Object {
public:
    std::vector<RegValue> values;
};

bool SameKeyName(const char* a, const char* b) {
    if (std::strlen(a) != std::strlen(b)) return false;
    // ASCII letters only: the user's locale must not decide whether a key name matches (a
    // Turkish 'i' upper-cases to itself there).
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    for (; *a != '\0'; ++a, ++b) {
        if (upper(*a) != upper(*b)) return false;
    }
    return true;
}

std::shared_ptr<SerialMapKey> Key(HKEY key) {
    return orva::win32::FindHandleAs<SerialMapKey>(key);
}

// Copies text and its terminator into a buffer of *size bytes; *size becomes what it takes.
LONG CopyOut(const std::string& text, BYTE* buffer, DWORD* size, bool countTerminator) {
    const DWORD needed = static_cast<DWORD>(text.size() + 1);
    if (buffer != nullptr && (size == nullptr || *size < needed)) {
        if (size != nullptr) *size = needed;
        return ERROR_MORE_DATA;
    }
    if (buffer != nullptr) std::memcpy(buffer, text.c_str(), needed);
    if (size != nullptr) *size = countTerminator ? needed : needed - 1;
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD, DWORD, PHKEY result) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (key != HKEY_LOCAL_MACHINE || subKey == nullptr || !SameKeyName(subKey, kSerialMap))
        return ERROR_FILE_NOT_FOUND;
    auto map = std::make_shared<SerialMapKey>();
    for (auto& [name, data] : orva::win32::MachineSerialMap()) map->values.push_back({name, data});
    *result = orva::win32::AddHandle(std::move(map));
    return ERROR_SUCCESS;
}

LONG RegQueryInfoKeyA(HKEY key, char* className, DWORD* classLength, DWORD*, DWORD* subKeys,
                      DWORD* maxSubKeyLength, DWORD* maxClassLength, DWORD* values, DWORD* maxValueNameLength,
                      DWORD* maxValueLength, DWORD* securityDescriptor, void*) {
    const auto map = Key(key);
    if (!map) return ERROR_INVALID_HANDLE;
    if (className != nullptr && classLength != nullptr && *classLength > 0) className[0] = '\0';
    if (classLength != nullptr) *classLength = 0;
    for (DWORD* zero : {subKeys, maxSubKeyLength, maxClassLength, securityDescriptor}) {
        if (zero != nullptr) *zero = 0;
    }
    if (values != nullptr) *values = static_cast<DWORD>(map->values.size());
    DWORD longestName = 0, longestData = 0;
    for (const RegValue& v : map->values) {
        longestName = std::max(longestName, static_cast<DWORD>(v.name.size()));
        longestData = std::max(longestData, static_cast<DWORD>(v.data.size() + 1));
    }
    if (maxValueNameLength != nullptr) *maxValueNameLength = longestName;
    if (maxValueLength != nullptr) *maxValueLength = longestData;
    return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* nameLength, DWORD*, DWORD* type, BYTE* data,
                   DWORD* dataLength) {
    const auto map = Key(key);
    if (!map) return ERROR_INVALID_HANDLE;
    if (index >= map->values.size()) return ERROR_NO_MORE_ITEMS;
    if (valueName == nullptr || nameLength == nullptr) return ERROR_INVALID_PARAMETER;
    const RegValue& v = map->values[index];
    const LONG nameResult = CopyOut(v.name, reinterpret_cast<BYTE*>(valueName), nameLength, false);
    if (nameResult != ERROR_SUCCESS) return nameResult;
    if (type != nullptr) *type = REG_SZ;
    if (data != nullptr || dataLength != nullptr) return CopyOut(v.data, data, dataLength, true);
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD*, DWORD* type, BYTE* data, DWORD* dataLength) {
    const auto map = Key(key);
    if (!map) return ERROR_INVALID_HANDLE;
    const std::string name = valueName != nullptr ? valueName : "";
    const auto it = std::find_if(map->values.begin(), map->values.end(),
                                 [&](const RegValue& v) { return v.name == name; });
    if (it == map->values.end()) return ERROR_FILE_NOT_FOUND;
    if (type != nullptr) *type = REG_SZ;
    return CopyOut(it->data, data, dataLength, true);
}

LONG RegCloseKey(HKEY key) {
    if (!Key(key)) return ERROR_INVALID_HANDLE;
    CloseHandle(key);
    return ERROR_SUCCESS;
}

namespace orva::win32 {

SerialMapValues SerialMapOf(const std::vector<orva::ports::PortEntry>& ports) {
    SerialMapValues values;
    int serial = 0, vcom = 0;
    for (const orva::ports::PortEntry& p : ports) {
        const bool builtIn = p.kernelName.rfind("ttyS", 0) == 0;
        const std::string name = builtIn ? "\\Device\\Serial" + std::to_string(serial++)
                                         : "\\Device\\VCom" + std::to_string(vcom++);
        values.emplace_back(name, "COM" + std::to_string(p.number));
    }
    return values;
}

}  // namespace orva::win32
