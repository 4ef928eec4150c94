// The gauge's port, told by the friendly name of its device.
#include <algorithm>
#include <cstring>

#include "PortState.h"

namespace {

// Last position looked at for the parentheses.
constexpr std::size_t kLastSearchPosition = 100;

// Character k of the name, or 0 at and past its end.
int CharAt(const char* name, std::size_t length, std::size_t k) {
    return k < length ? static_cast<unsigned char>(name[k]) : 0;
}

}  // namespace

void ParsePortDescription(const char* friendlyName) {
    if (friendlyName == nullptr) return;
    if (std::strncmp(friendlyName, "HJT", 3) != 0 && std::strncmp(friendlyName, "STM", 3) != 0 &&
        std::strncmp(friendlyName, "USB", 3) != 0) {
        return;
    }
    g_bDeviceFound = 1;

    const std::size_t length = std::strlen(friendlyName);
    const std::size_t last = std::min(kLastSearchPosition, length == 0 ? 0 : length - 1);
    std::size_t i = 0;
    for (std::size_t k = 1; k <= last; ++k) {
        if (friendlyName[k] == '(') {
            i = k;
            break;
        }
    }
    std::size_t j = 0;
    if (i != 0) {
        for (std::size_t k = i + 1; k <= last; ++k) {
            if (friendlyName[k] == ')') {
                j = k;
                break;
            }
        }
    }
    if (i == 0 || j == 0) {
        g_nComPort = 1;
        return;
    }

    auto digit = [&](std::size_t k) { return CharAt(friendlyName, length, k) - '0'; };
    int number;
    switch (j - i) {
        case 5: {
            const int c = CharAt(friendlyName, length, i + 4);
            number = (c >= '1' && c <= '8') ? c - '0' : 9;
            break;
        }
        case 6:
            number = digit(i + 4) * 10 + digit(i + 5);
            break;
        default:
            number = digit(i + 4) * 100 + digit(i + 5) * 10 + digit(i + 6);
            break;
    }
    // A "number" made of other characters can come out negative: no port has such a number.
    g_nComPort = number < 1 ? 0 : number;
}

PortNameParts SplitFriendlyName(const std::string& friendlyName) {
    const std::size_t length = friendlyName.size();
    std::size_t a = friendlyName.find('(');
    if (a == std::string::npos) a = length;
    std::size_t b = friendlyName.find(')');
    if (b == std::string::npos) b = length;
    PortNameParts parts;
    if (b > a + 1) parts.portName = friendlyName.substr(a + 1, b - a - 1);
    if (parts.portName.size() > 3) parts.numberText = parts.portName.substr(3);
    return parts;
}
