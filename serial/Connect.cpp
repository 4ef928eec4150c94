// Connecting and disconnecting the gauge's port: the connect button, the start-up connection
// and the two connection states of the window.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "AcquisitionSettings.h"
#include "DialogControls.h"
#include "KvDlg.h"
#include "PortState.h"
#include "resources.h"
#include "win32_thread.h"

namespace main_dialog = orva::resources::main_dialog;

namespace {

constexpr const char* kNoDeviceText =
    "Can not find the device please reconnect the device or power on the device or select the COM PORT "
    "manual";
constexpr const char* kOpenFailedText =
    "USB connect error,Please reconnect the USB Port or check the COM PORT is correct";
constexpr const char* kConnectErrorText = "USB connect error,Please reconnect the USB Port";

bool ValidPortNumber(int port) {
    return port >= 1 && port <= 127;
}

int OpenGaugePort(CKvDlg& dlg) {
    return dlg.m_port.Open(g_nComPort, CComPort::CallbackReceive, static_cast<unsigned long>(dlg.m_nBaud),
                           static_cast<CComPort::Parity>(dlg.m_nParity), dlg.m_nDataBits,
                           static_cast<CComPort::StopBits>(dlg.m_nStopBits), CComPort::NoFlowControl);
}

void SetSerialSettings(CKvDlg& dlg) {
    dlg.m_nBaud = 38400;
    dlg.m_nDataBits = 8;
    dlg.m_nParity = 2;
    dlg.m_nStopBits = 0;
}

}  // namespace

void CKvDlg::ShowConnectedState() {
    EnableControl(*this, main_dialog::kStartAcquisition, TRUE);
    EnableControl(*this, main_dialog::kExportData, TRUE);
    EnableControl(*this, main_dialog::kExportImage, TRUE);
    EnableControl(*this, main_dialog::kPortList, FALSE);
    SetDlgItemText(main_dialog::kStartAcquisition, "Start acquisition");
    m_nStartToggle = 0;
    m_hIconConnected = LoadIconResource(orva::resources::kIdiConnected);
    m_btnConnect.SetButtonStyle(BS_ICON);
    m_btnConnect.SetIcon(m_hIconConnected);
    ShowPaneFitted(*this, 0, "   Connected COM" + std::to_string(g_nComPort));
}

void CKvDlg::ShowDisconnectedState() {
    m_hIconDisconnected = LoadIconResource(orva::resources::kIdiNotConnected);
    SetDlgItemText(main_dialog::kStartAcquisition, "Start acquisition");
    m_btnConnect.SetButtonStyle(BS_ICON);
    m_btnConnect.SetIcon(m_hIconDisconnected);
    EnableControl(*this, main_dialog::kStartAcquisition, FALSE);
    EnableControl(*this, main_dialog::kExportData, FALSE);
    EnableControl(*this, main_dialog::kExportImage, FALSE);
    EnableControl(*this, main_dialog::kPortList, TRUE);
    ShowPaneFitted(*this, 0, " Not Connected    ");
}

void CKvDlg::OnBnClickedConnect() {
    ++g_nConnectToggle;
    if (g_nConnectToggle == 1) {
        if (g_bManualPort == 0) {
            ScanPorts(kScanParseOnly);
            if (g_bDeviceFound == 0) {
                g_nConnectToggle = 0;
                AfxMessageBox(kNoDeviceText, MB_OK);
            }
            if (!ValidPortNumber(g_nComPort)) g_nComPort = 1;
        } else {
            g_bDeviceFound = 1;  // the hand-picked number is used as it is
        }
        SetSerialSettings(*this);
        m_port.SetReceiveFunc(OnPortReceive, this);
        ResetFrameParser();
        if (g_bDeviceFound == 0) return;

        if (OpenGaugePort(*this) == 0) {
            g_nConnectToggle = 0;
            AfxMessageBox(kOpenFailedText, MB_OK);
            return;
        }
        try {
            ShowConnectedState();
        } catch (...) {
            g_nConnectToggle = 0;  // the port stays open
            AfxMessageBox(kConnectErrorText, MB_OK);
        }
        return;
    }

    // Disconnect: timers first, then the acquisition thread, then the port.
    if (g_bRealTimeMode.load() != 0) {
        StopPollTimer();
        StopTickTimer();
    } else {
        StopTickTimer();
    }
    if (HANDLE thread = m_hAcqThread.load()) TerminateThread(thread, m_dwAcqThreadId.load());
    m_port.Close();
    m_bGraphReset = 1;
    g_bDeviceFound = 0;
    g_nConnectToggle = 0;
    ShowDisconnectedState();
}

void CKvDlg::ConnectAtStartup() {
    ScanPorts(kScanFill);
    if (g_bDeviceFound == 0) g_nConnectToggle = 0;
    if (!ValidPortNumber(g_nComPort)) g_nComPort = 1;
    ResetFrameParser();
    SetSerialSettings(*this);
    m_port.SetReceiveFunc(OnPortReceive, this);

    if (g_bDeviceFound == 0) {
        // No gauge-like port: the user picks one, and the next Connect opens it without a scan.
        m_cbPort.SetCurSel(0);
        g_bManualPort = 1;
        return;
    }

    int entry = CB_ERR;
    for (std::size_t i = 0; i < g_arrPortNumbers.size(); ++i) {
        if (std::atoi(g_arrPortNumbers[i].c_str()) == g_nComPort) {
            entry = static_cast<int>(i);
            break;
        }
    }
    m_cbPort.SetCurSel(entry);

    // The receive monitor starts empty. Cleared before the open, while no callback can write it.
    std::memset(m_rxLastBlock, 0, 4096);
    m_strRxText.clear();
    m_nRxPending = 0;
    m_nRxBlockCount = 0;
    m_nRxLastLength = 0;
    m_bRxMonitorHold = 0;

    if (OpenGaugePort(*this) == 0) return;  // silent: the window stays not connected
    try {
        g_nConnectToggle = 1;
        ShowConnectedState();
    } catch (...) {
        g_nConnectToggle = 0;
        AfxMessageBox(kConnectErrorText, MB_OK);
    }
}
