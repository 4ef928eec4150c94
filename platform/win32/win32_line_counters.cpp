#include "win32_line_counters.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace orva::win32 {
namespace {

class KernelCounters : public LineCounterSource {
public:
    bool Read(int fd, LineCounts& counts) override {
        serial_icounter_struct ic{};
        if (::ioctl(fd, TIOCGICOUNT, &ic) != 0) return false;
        counts.frame = static_cast<unsigned>(ic.frame);
        counts.overrun = static_cast<unsigned>(ic.overrun);
        counts.parity = static_cast<unsigned>(ic.parity);
        counts.brk = static_cast<unsigned>(ic.brk);
        return true;
    }
};

}  // namespace

std::unique_ptr<LineCounterSource> KernelLineCounters() {
    return std::make_unique<KernelCounters>();
}

}  // namespace orva::win32
