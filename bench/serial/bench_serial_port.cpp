// Figures for the event-thread serial port class on a pseudo-terminal, with a dialog as the owner:
//   (a) bytes per second received and handed to the owner, the owner pumping its messages;
//   (b) resident memory while bytes arrive and the owner does not pump, then all of them handed
//       over once it does.
// Usage: bench_serial_port [bytes for (a), default 1 MiB] [bytes for (b), default 4 MiB]
#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "SerialPort.h"
#include "afx.h"
#include "afx_testing.h"
#include "bench_dialog.h"
#include "port_table.h"
#include "temp_folder.h"
#include "test_machine.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr UINT kTemplate = 9391;

// Counts the byte messages and checks their order against the pattern the device sends.
class Owner : public CDialog {
public:
    Owner() : CDialog(kTemplate) {}
    std::size_t received = 0;
    std::size_t wrong = 0;

protected:
    afx_msg LRESULT OnByte(WPARAM byte, LPARAM) {
        wrong += byte != Pattern(received);
        ++received;
        return 0;
    }
    DECLARE_MESSAGE_MAP()

public:
    static unsigned char Pattern(std::size_t i) { return static_cast<unsigned char>(i * 7 + i / 251); }
};

BEGIN_MESSAGE_MAP(Owner, CDialog)
ON_MESSAGE(kSerialByteMessage, &Owner::OnByte)
END_MESSAGE_MAP()

// The device side: a pseudo-terminal registered as a virtual port in a private folder.
struct Device {
    int master = -1;
    int keeper = -1;
    int port = 0;
    std::string dir;

    bool Open() {
        dir = orva::testing::MakeTempFolder("bench-serial");
        if (dir.empty()) return false;
        orva::testing::UseVirtualPortFolder(dir);
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128];
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
            ptsname_r(master, name, sizeof name) != 0)
            return false;
        keeper = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        port = orva::ports::RegisterVirtualPort(name, "USB Bench Gauge");
        return keeper >= 0 && port > 0;
    }
    ~Device() {
        if (keeper >= 0) ::close(keeper);
        if (master >= 0) ::close(master);
        std::error_code ec;
        if (!dir.empty()) std::filesystem::remove_all(dir, ec);
        orva::testing::UseMachinePortTable();
    }
    // Writes n bytes of the pattern on a thread of its own.
    std::thread Send(std::size_t n) {
        return std::thread([this, n] {
            std::vector<unsigned char> bytes(n);
            for (std::size_t i = 0; i < n; ++i) bytes[i] = Owner::Pattern(i);
            std::size_t done = 0;
            while (done < n) {
                const ssize_t w = ::write(master, bytes.data() + done, n - done);
                if (w <= 0) break;
                done += static_cast<std::size_t>(w);
            }
        });
    }
};

bool OpenPort(CSerialPort& port, Owner& owner, int number) {
    return port.OpenAndConfigure(owner.GetSafeHwnd(), static_cast<UINT>(number), 38400, 'N', 8, ONESTOPBIT,
                                 EV_RXCHAR, 64, 0, 0, 0, 0, 0) &&
           port.StartEventThread();
}

void ReceiveRate(Device& device, std::size_t n) {
    Owner owner;
    owner.Create(kTemplate);
    CSerialPort port;
    if (!OpenPort(port, owner, device.port)) {
        std::printf("(a) the port did not open\n");
        return;
    }
    afx::testing::Pump(50);  // past the thread's opening purge
    const auto start = Clock::now();
    std::thread sender = device.Send(n);
    const bool all = afx::testing::RunUntil([&] { return owner.received >= n; }, 600000);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    sender.join();
    port.Shutdown();
    afx::testing::Pump();
    std::printf("(a) owner pumping: %zu bytes in %.3f s = %.0f bytes/s%s, %zu out of order\n", owner.received,
                seconds, static_cast<double>(owner.received) / seconds, all ? "" : " (NOT ALL)", owner.wrong);
    owner.DestroyWindow();
    afx::testing::Pump();
}

void BusyOwnerMemory(Device& device, std::size_t n) {
    Owner owner;
    owner.Create(kTemplate);
    CSerialPort port;
    if (!OpenPort(port, owner, device.port)) {
        std::printf("(b) the port did not open\n");
        return;
    }
    afx::testing::Pump(50);
    const std::int64_t before = bench::StatusBytes("VmRSS:");
    const auto start = Clock::now();
    std::thread sender = device.Send(n);
    sender.join();
    // The owner does not pump until the thread has taken every byte in.
    int queued = 1;
    while (queued != 0 && Clock::now() - start < std::chrono::minutes(30)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ::ioctl(device.keeper, FIONREAD, &queued);
    }
    const double inSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    const std::int64_t held = bench::StatusBytes("VmRSS:");
    const bool all = afx::testing::RunUntil([&] { return owner.received >= n; }, 600000);
    port.Shutdown();
    afx::testing::Pump();
    std::printf(
        "(b) owner busy: %zu bytes taken in within %.1f s; RSS %.1f MB before, %.1f MB with them held "
        "(%.1f bytes per byte), peak %.1f MB; then %zu handed over%s, %zu out of order\n",
        n, inSeconds, before / 1e6, held / 1e6, static_cast<double>(held - before) / static_cast<double>(n),
        bench::StatusBytes("VmHWM:") / 1e6, owner.received, all ? "" : " (NOT ALL)", owner.wrong);
    owner.DestroyWindow();
    afx::testing::Pump();
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t rateBytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : (1u << 20);
    const std::size_t floodBytes = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : (4u << 20);
    bench::PrepareProcess();  // the application, with its state and runtime folders of its own
    afx::testing::RegisterOwnerTemplate(kTemplate);
    Device device;
    if (!device.Open()) {
        std::printf("no pseudo-terminal\n");
        return 1;
    }
    if (rateBytes != 0) ReceiveRate(device, rateBytes);
    if (floodBytes != 0) BusyOwnerMemory(device, floodBytes);
    return 0;
}
