#include "comport_settings.h"

#include <cerrno>

namespace orva::comport {
namespace {

struct SpeedEntry {
    unsigned long baud;
    speed_t speed;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

}  // namespace

bool SpeedForBaud(unsigned long baud, speed_t& speed) {
    for (const SpeedEntry& e : kSpeeds) {
        if (e.baud == baud) {
            speed = e.speed;
            return true;
        }
    }
    return false;
}

bool BuildTermios(const LineSettings& s, termios& tio) {
    speed_t speed;
    if (!SpeedForBaud(s.baud, speed)) return false;

    tcflag_t size;
    switch (s.dataBits) {
        case 5:
            size = CS5;
            break;
        case 6:
            size = CS6;
            break;
        case 7:
            size = CS7;
            break;
        case 8:
            size = CS8;
            break;
        default:
            return false;
    }

    tcflag_t parity;
    switch (s.parity) {
        case 0:
            parity = PARENB;
            break;  // even
        case 1:
            parity = PARENB | PARODD;
            break;  // odd
        case 2:
            parity = 0;
            break;  // none
        case 3:
            parity = PARENB | PARODD | CMSPAR;
            break;  // mark
        case 4:
            parity = PARENB | CMSPAR;
            break;  // space
        default:
            return false;
    }

    tcflag_t stop;
    switch (s.stopBits) {
        case 0:
            stop = 0;
            break;
        case 1:  // 1.5 stop bits: the UART sends 1.5 with CSTOPB at 5 data bits, 2 otherwise
        case 2:
            stop = CSTOPB;
            break;
        default:
            return false;
    }

    if (s.flow < 0 || s.flow > 2) return false;

    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= size | parity | stop | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (s.flow == 1) tio.c_cflag |= CRTSCTS;
    if (s.flow == 2) tio.c_iflag |= IXON | IXOFF;
    // Reads return at once with whatever is there; the receive thread waits in poll().
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    return true;
}

bool ApplyLineSettings(int fd, const LineSettings& settings) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    if (!BuildTermios(settings, tio)) return false;
    while (tcsetattr(fd, TCSANOW, &tio) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

}  // namespace orva::comport
