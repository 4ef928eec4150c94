// The connection state of the gauge's port, shared by the port scan, Connect and Start.
// Used on the UI thread only.
#pragma once

#include <string>
#include <vector>

// 1 once a scanned friendly name marked the gauge, or when Connect uses a port chosen by hand.
extern int g_bDeviceFound;
// Connect button counter: 1 means connect, any other value disconnect.
extern int g_nConnectToggle;
// 1 after the user picked a port (or the start-up scan found no gauge): Connect skips the scan.
extern int g_bManualPort;
// The port number passed to CComPort::Open.
extern int g_nComPort;
// One port-number text per scanned device with a friendly name, in scan order; entry i belongs
// to entry i of the port combo box.
extern std::vector<std::string> g_arrPortNumbers;

// Recognises the gauge by a device's friendly name ("HJT", "STM" or "USB" first) and takes its
// port number from the "(COMn)" part: sets g_bDeviceFound and g_nComPort.
void ParsePortDescription(const char* friendlyName);

// The combo entry and the port-number text of a friendly name "<product> (COMn)".
struct PortNameParts {
    std::string portName;    // "COM3"
    std::string numberText;  // "3"
};
PortNameParts SplitFriendlyName(const std::string& friendlyName);
