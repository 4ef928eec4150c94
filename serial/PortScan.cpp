// The Ports-class scan behind the port combo box, and the combo box's own handlers.
#include <cstdlib>
#include <string>

#include "KvDlg.h"
#include "PortState.h"
#include "setupapi.h"

void CKvDlg::ScanPorts(int variant) {
    const bool fill = variant == kScanFill || variant == kScanRefill;
    if (variant == kScanRefill) {
        m_cbPort.ResetContent();
        g_arrPortNumbers.clear();
    }
    HDEVINFO set = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set != INVALID_HANDLE_VALUE && set != nullptr) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
            char name[260] = {};
            DWORD type = 0;
            if (!SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_FRIENDLYNAME, &type,
                                                   reinterpret_cast<BYTE*>(name), sizeof name, nullptr)) {
                continue;  // no friendly name, or one too long for the buffer
            }
            name[sizeof name - 1] = '\0';
            if (fill) {
                const PortNameParts parts = SplitFriendlyName(name);
                g_arrPortNumbers.push_back(parts.numberText);
                m_cbPort.AddString(parts.portName);
            }
            ParsePortDescription(name);
        }
        SetupDiDestroyDeviceInfoList(set);
    }
    if (variant == kScanRefill) m_cbPort.SetCurSel(0);
}

void CKvDlg::OnCbnDropdownPort() {
    ScanPorts(kScanRefill);
}

void CKvDlg::OnCbnSelchangePort() {
    const int sel = m_cbPort.GetCurSel();
    const std::string text = sel == CB_ERR ? std::string() : m_cbPort.GetLBText(sel);
    // "COM7" -> 7; the hand-picked number is taken as it is.
    g_nComPort = std::atoi(text.size() > 3 ? text.c_str() + 3 : "");
    g_bManualPort = 1;
}
