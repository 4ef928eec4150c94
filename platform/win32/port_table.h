// The machine's serial devices under fixed port numbers, as the program's port scan and
// CComPort::Open see them.
//
//   ttyS0-31   -> COM1-32
//   ttyUSB0-31 -> COM33-64
//   ttyACM0-31 -> COM65-96
//   virtual ports registered by tools (the gauge simulator) -> COM97-127
//
// A virtual port is a file "COM<n>" in the virtual-port folder holding the lines
// "device=<path of the tty>" and "name=<product text>".
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace orva::ports {

constexpr int kFirstVirtualPort = 97;
constexpr int kLastVirtualPort = 127;

struct PortEntry {
    int number = 0;          // 1..127
    std::string device;      // /dev/ttyUSB0, /dev/pts/3
    std::string kernelName;  // ttyUSB0; empty for a virtual port
    std::string product;     // friendly product text without the "(COMn)" suffix
};

// Port number of a kernel tty name (ttyS3 -> 4, ttyUSB0 -> 33); 0 when it has none.
int PortNumberForKernelName(const std::string& kernelName);

// The Ports-class friendly name "<product> (COMn)". The program finds the port number between the
// first "(" and the ")" after it within the name's first 101 characters, so the product text has
// its brackets made square, loses its control bytes and is shortened (at a character boundary)
// until the whole name fits.
std::string FriendlyName(const PortEntry& port);
inline constexpr std::size_t kMaxFriendlyName = 101;

// The ports found in a sysfs tty folder and a virtual-port folder.
class PortTable {
public:
    PortTable(std::string sysfsRoot, std::string virtualPortDir);
    // This machine's folders: /sys/class/tty, and $XDG_RUNTIME_DIR/orva-fg/ports (else
    // /tmp/orva-fg-<uid>/ports).
    static PortTable OfThisMachine();

    const std::string& SysfsRoot() const { return sysfsRoot_; }
    const std::string& VirtualPortDir() const { return virtualPortDir_; }

    // Every present port in ascending port-number order.
    std::vector<PortEntry> Enumerate() const;
    // Device path for a port number, or nothing when no such device is present now.
    std::optional<std::string> DevicePathFor(int number) const;
    // Registers a virtual port under the lowest free number; returns it, or 0 with errno 0 when
    // all are taken, or 0 with errno saying why the folder takes no registration.
    int RegisterVirtualPort(const std::string& device, const std::string& product) const;
    void UnregisterVirtualPort(int number) const;

private:
    std::string sysfsRoot_;
    std::string virtualPortDir_;
};

// The table the stand-ins consult: the Ports device class, the registry's serial map, CreateFile
// of "COMn" and CComPort::Open. Defined once per executable by the library of the machine it
// runs on: orva_machine for the program and the tools (this machine's folders), the tests'
// own for the test programs (folders a test chooses).
PortTable MachinePorts();

// The same on the machine's table.
std::vector<PortEntry> EnumeratePorts();
std::optional<std::string> DevicePathForPort(int number);
int RegisterVirtualPort(const std::string& device, const std::string& product);
void UnregisterVirtualPort(int number);

}  // namespace orva::ports
