// The DCB fields a tty can carry: speed, frame, and the flow controls.
#include <termios.h>

#include <iterator>

#include "win32_comm_port.h"

namespace orva::win32 {
namespace {

struct Speed {
    DWORD baud;
    speed_t code;
};

constexpr Speed kSpeeds[] = {
    {110, B110},       {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},
    {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

}  // namespace

bool ReadCommState(int fd, DCB& dcb) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return false;
    dcb = DCB{};
    dcb.DCBlength = sizeof(DCB);
    const speed_t code = ::cfgetospeed(&tio);
    for (const Speed& s : kSpeeds) {
        if (s.code == code) dcb.BaudRate = s.baud;
    }
    dcb.flags = kDcbBinary;
    switch (tio.c_cflag & CSIZE) {
        case CS5:
            dcb.ByteSize = 5;
            break;
        case CS6:
            dcb.ByteSize = 6;
            break;
        case CS7:
            dcb.ByteSize = 7;
            break;
        default:
            dcb.ByteSize = 8;
            break;
    }
    if (!(tio.c_cflag & PARENB)) {
        dcb.Parity = NOPARITY;
    } else if (tio.c_cflag & CMSPAR) {
        dcb.Parity = (tio.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY;
    } else {
        dcb.Parity = (tio.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
    }
    if (tio.c_iflag & INPCK) dcb.flags |= kDcbParityCheck;
    dcb.StopBits = (tio.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
    if (tio.c_cflag & CRTSCTS) dcb.flags |= kDcbOutxCtsFlow | kDcbRtsHandshake;
    if (tio.c_iflag & IXON) dcb.flags |= kDcbOutX;
    if (tio.c_iflag & IXOFF) dcb.flags |= kDcbInX;
    dcb.XonChar = static_cast<char>(tio.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(tio.c_cc[VSTOP]);
    return true;
}

bool WriteCommState(int fd, const DCB& dcb) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return false;
    const Speed* speed = nullptr;
    for (const Speed& s : kSpeeds) {
        if (s.baud == dcb.BaudRate) speed = &s;
    }
    if (speed == nullptr || dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > SPACEPARITY ||
        dcb.StopBits > TWOSTOPBITS) {
        return false;
    }
    constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= kSizes[dcb.ByteSize - 5] | CLOCAL | CREAD;
    switch (dcb.Parity) {
        case ODDPARITY:
            tio.c_cflag |= PARENB | PARODD;
            break;
        case EVENPARITY:
            tio.c_cflag |= PARENB;
            break;
        case MARKPARITY:
            tio.c_cflag |= PARENB | PARODD | CMSPAR;
            break;
        case SPACEPARITY:
            tio.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
    }
    if (dcb.StopBits != ONESTOPBIT) tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~(INPCK | IXON | IXOFF | IXANY);
    if (dcb.flags & kDcbParityCheck) tio.c_iflag |= INPCK;
    if (dcb.flags & (kDcbOutxCtsFlow | kDcbRtsHandshake)) tio.c_cflag |= CRTSCTS;
    if (dcb.flags & kDcbOutX) tio.c_iflag |= IXON;
    if (dcb.flags & kDcbInX) tio.c_iflag |= IXOFF;
    tio.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    ::cfsetispeed(&tio, speed->code);
    ::cfsetospeed(&tio, speed->code);
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

}  // namespace orva::win32
