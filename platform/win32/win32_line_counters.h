// Where a serial port's line-error and break counts come from. A UART counts breaks, framing and
// parity errors and overruns as the kernel's interrupt counters; a pseudo-terminal has none.
#pragma once

#include <memory>

namespace orva::win32 {

struct LineCounts {
    unsigned frame = 0;
    unsigned overrun = 0;
    unsigned parity = 0;
    unsigned brk = 0;
};

class LineCounterSource {
public:
    virtual ~LineCounterSource() = default;
    // The counts since the device appeared; false when the device keeps none.
    virtual bool Read(int fd, LineCounts& counts) = 0;
};

// The kernel's counters of a serial device (TIOCGICOUNT).
std::unique_ptr<LineCounterSource> KernelLineCounters();

}  // namespace orva::win32
