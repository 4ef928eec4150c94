#include "port_table.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

namespace fs = std::filesystem;

namespace orva::ports {
namespace {

struct Family {
    const char* prefix;
    int first;
};
constexpr Family kFamilies[] = {{"ttyS", 1}, {"ttyUSB", 33}, {"ttyACM", 65}};

std::string ReadFirstLine(const fs::path& p) {
    std::ifstream in(p);
    std::string line;
    if (in) std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

// Walks up from a tty's device folder to the USB device that carries it; empty when the
// tty does not sit on USB.
std::optional<fs::path> UsbDeviceOf(const fs::path& ttyEntry) {
    std::error_code ec;
    fs::path dev = fs::canonical(ttyEntry / "device", ec);
    if (ec) return std::nullopt;
    for (int up = 0; up < 4 && !dev.empty() && dev != dev.root_path(); ++up) {
        if (fs::exists(dev / "idVendor", ec)) return dev;
        dev = dev.parent_path();
    }
    return std::nullopt;
}

// The entries of a folder; nothing when it is missing. Never throws, also not when an entry
// vanishes while the folder is read.
std::vector<fs::path> ListFolder(const fs::path& folder) {
    std::vector<fs::path> out;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) out.push_back(it->path());
    return out;
}

// A registration is two short lines; whatever a file holds beyond this is not read.
constexpr std::size_t kMaxVirtualFileBytes = 4096;

bool ParseVirtualFile(const fs::path& file, std::string& device, std::string& product) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::string text(kMaxVirtualFileBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("device=", 0) == 0) device = line.substr(7);
        if (line.rfind("name=", 0) == 0) product = line.substr(5);
    }
    return !device.empty();
}

}  // namespace

PortTable::PortTable(std::string sysfsRoot, std::string virtualPortDir)
    : sysfsRoot_(std::move(sysfsRoot)), virtualPortDir_(std::move(virtualPortDir)) {}

PortTable PortTable::OfThisMachine() {
    std::string portDir;
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run)
        portDir = std::string(run) + "/orva-fg/ports";
    else
        portDir = "/tmp/orva-fg-" + std::to_string(getuid()) + "/ports";
    return PortTable("/sys/class/tty", std::move(portDir));
}

std::string FriendlyName(const PortEntry& port) {
    const std::string suffix = " (COM" + std::to_string(port.number) + ")";
    const std::size_t room = kMaxFriendlyName > suffix.size() ? kMaxFriendlyName - suffix.size() : 0;
    std::string product;
    for (char c : port.product) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) continue;
        product += c == '(' ? '[' : c == ')' ? ']' : c;
    }
    if (product.size() > room) {
        std::size_t cut = room;
        // Not inside a UTF-8 sequence: back up over its continuation bytes to its lead byte.
        while (cut > 0 && (static_cast<unsigned char>(product[cut]) & 0xC0) == 0x80) --cut;
        product.resize(cut);
    }
    return product + suffix;
}

int PortNumberForKernelName(const std::string& name) {
    for (const Family& f : kFamilies) {
        const std::string prefix = f.prefix;
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string digits = name.substr(prefix.size());
        const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
        if (digits.size() > 2 || !std::all_of(digits.begin(), digits.end(), isDigit)) return 0;
        const int n = std::atoi(digits.c_str());
        return n < 32 ? f.first + n : 0;
    }
    return 0;
}

std::vector<PortEntry> PortTable::Enumerate() const {
    std::vector<PortEntry> out;
    std::error_code ec;
    for (const fs::path& path : ListFolder(sysfsRoot_)) {
        const std::string name = path.filename().string();
        const int number = PortNumberForKernelName(name);
        if (number == 0) continue;
        // Only entries with a device behind them are ports. The 8250 driver also registers ttyS
        // lines where no UART answered: those report the port type 0 (unknown) and are skipped.
        if (!fs::exists(path / "device", ec)) continue;
        if (name.compare(0, 4, "ttyS") == 0 && ReadFirstLine(path / "type") == "0") continue;
        PortEntry p;
        p.number = number;
        p.kernelName = name;
        p.device = "/dev/" + name;
        if (auto usb = UsbDeviceOf(path)) {
            p.product = ReadFirstLine(*usb / "product");
            if (p.product.empty()) p.product = "USB Serial Device";
        } else {
            p.product = "Communications Port";
        }
        out.push_back(std::move(p));
    }
    for (const fs::path& path : ListFolder(virtualPortDir_)) {
        const std::string name = path.filename().string();
        if (name.size() < 4 || name.compare(0, 3, "COM") != 0) continue;
        const int number = std::atoi(name.c_str() + 3);
        if (number < kFirstVirtualPort || number > kLastVirtualPort || "COM" + std::to_string(number) != name)
            continue;
        // Only our own registrations count: in a shared fallback folder under /tmp another user
        // could otherwise point the program at a device of their choice.
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) continue;
        PortEntry p;
        p.number = number;
        if (!ParseVirtualFile(path, p.device, p.product)) continue;
        if (::access(p.device.c_str(), F_OK) != 0) continue;  // its tool has gone without cleaning up
        out.push_back(std::move(p));
    }
    std::sort(out.begin(), out.end(),
              [](const PortEntry& a, const PortEntry& b) { return a.number < b.number; });
    return out;
}

std::optional<std::string> PortTable::DevicePathFor(int number) const {
    for (const PortEntry& p : Enumerate()) {
        if (p.number == number) return p.device;
    }
    return std::nullopt;
}

int PortTable::RegisterVirtualPort(const std::string& device, const std::string& product) const {
    const fs::path dir = virtualPortDir_;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        errno = ec.value();
        return 0;
    }
    for (int n = kFirstVirtualPort; n <= kLastVirtualPort; ++n) {
        const fs::path file = dir / ("COM" + std::to_string(n));
        std::string oldDevice, oldProduct;
        if (ParseVirtualFile(file, oldDevice, oldProduct) && ::access(oldDevice.c_str(), F_OK) != 0) {
            fs::remove(file, ec);  // stale registration of a tool that died
        }
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return 0;  // the folder takes no file: no other number would do better
        }
        const std::string text = "device=" + device + "\nname=" + product + "\n";
        const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        const int writeError = ok ? 0 : (errno != 0 ? errno : ENOSPC);
        ::close(fd);
        if (ok) return n;
        fs::remove(file, ec);
        errno = writeError;
        return 0;
    }
    errno = 0;
    return 0;
}

void PortTable::UnregisterVirtualPort(int number) const {
    std::error_code ec;
    fs::remove(fs::path(virtualPortDir_) / ("COM" + std::to_string(number)), ec);
}

std::vector<PortEntry> EnumeratePorts() {
    return MachinePorts().Enumerate();
}

std::optional<std::string> DevicePathForPort(int number) {
    return MachinePorts().DevicePathFor(number);
}

int RegisterVirtualPort(const std::string& device, const std::string& product) {
    return MachinePorts().RegisterVirtualPort(device, product);
}

void UnregisterVirtualPort(int number) {
    MachinePorts().UnregisterVirtualPort(number);
}

}  // namespace orva::ports
