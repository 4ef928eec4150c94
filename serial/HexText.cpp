// The manual sender's hexadecimal parsers.
#include <cctype>

#include "KvDlg.h"
#include "ManualSender.h"

int HexTextToBytes(const char* source, char* destination) {
    int count = 0;
    bool high = true;
    for (const char* p = source; *p != '\0'; ++p) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
        int value;
        if (c >= '0' && c <= '9') {
            value = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            value = c - 55;
        } else {
            continue;  // blanks and separators; the digits around them pair up
        }
        if (high) {
            destination[count] = static_cast<char>(value * 16);
        } else {
            destination[count] = static_cast<char>(destination[count] + value);
            ++count;
        }
        high = !high;
    }
    return count;
}

signed char CKvDlg::HexCharToValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<signed char>(c - 48);
    if (c >= 'A' && c <= 'F') return static_cast<signed char>(c - 55);
    if (c >= 'a' && c <= 'f') return static_cast<signed char>(c - 87);
    return -1;
}

int CKvDlg::HexStringToByteArray(std::string text, std::vector<BYTE>& bytes) {
    const std::size_t length = text.size();
    bytes.resize(length / 2);
    std::size_t stored = 0;
    for (std::size_t i = 0; i < length;) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        if (i + 1 >= length) break;
        const signed char high = HexCharToValue(text[i]);
        const signed char low = HexCharToValue(text[i + 1]);
        if (high == -1 || low == -1) break;
        bytes[stored++] = static_cast<BYTE>(high * 16 + low);
        i += 2;
    }
    bytes.resize(stored);
    return static_cast<int>(stored);
}
