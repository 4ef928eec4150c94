#include "RegistryPorts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "afx.h"

int g_nRegistryPorts[kRegistryPortSlots] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                            -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

namespace {

constexpr DWORD kClassChars = 260;
constexpr DWORD kNameChars = 16383;
constexpr DWORD kDataBytes = 10;  // "COMnnn" and a little more; longer values are skipped

}  // namespace

void ListPortsFromKey(HKEY key) {
    char szClass[kClassChars] = {};
    DWORD dwClassLength = kClassChars;
    DWORD dwValues = 0;
    RegQueryInfoKeyA(key, szClass, &dwClassLength, nullptr, nullptr, nullptr, nullptr, &dwValues, nullptr,
                     nullptr, nullptr, nullptr);
    for (int& port : g_nRegistryPorts) port = -1;
    if (dwValues == 0) {
        AfxMessageBox("本机没有串口.....", MB_OK, 0);
        return;
    }
    std::vector<char> name(kNameChars);
    for (DWORD i = 0; i < dwValues; ++i) {
        DWORD dwNameLength = kNameChars;
        if (RegEnumValueA(key, i, name.data(), &dwNameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            continue;
        if (std::strstr(name.data(), "Serial") == nullptr && std::strstr(name.data(), "VCom") == nullptr)
            continue;
        // One byte more than the value may fill, so that the text always ends.
        BYTE data[kDataBytes + 1] = {};
        DWORD dwDataLength = kDataBytes;
        if (RegQueryValueExA(key, name.data(), nullptr, nullptr, data, &dwDataLength) != ERROR_SUCCESS)
            continue;
        const char* text = reinterpret_cast<const char*>(data);
        const int port = std::atoi(std::strlen(text) > 3 ? text + 3 : "");
        for (int& slot : g_nRegistryPorts) {
            if (slot == -1) {
                slot = port;
                break;
            }
        }
    }
}

void EnumerateSerialPorts(CComboBox& combo) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        ListPortsFromKey(key);
        RegCloseKey(key);
    }
    combo.ResetContent();
    for (int i = 0; i < kRegistryPortSlots && g_nRegistryPorts[i] != -1; ++i) {
        char text[16];
        std::snprintf(text, sizeof text, "COM%d", g_nRegistryPorts[i]);
        combo.InsertString(i, text);
        combo.SetCurSel(0);
    }
}
