// Line settings of a serial device: raw bytes, the requested speed and frame, no echo, no
// line editing, and reads that never block.
#pragma once

#include <termios.h>

namespace orva::comport {

struct LineSettings {
    unsigned long baud = 38400;
    int dataBits = 8;  // 5..8
    int parity = 2;    // CComPort::Parity
    int stopBits = 0;  // CComPort::StopBits
    int flow = 0;      // CComPort::FlowControl
};

// The termios speed constant of a baud rate; false for a rate the kernel has no constant for.
bool SpeedForBaud(unsigned long baud, speed_t& speed);

// Fills `tio` (as read from the device) with the settings; false when a value is out of range.
bool BuildTermios(const LineSettings& settings, termios& tio);

// Applies the settings to an open tty; false when the device refuses them or is no tty.
bool ApplyLineSettings(int fd, const LineSettings& settings);

}  // namespace orva::comport
