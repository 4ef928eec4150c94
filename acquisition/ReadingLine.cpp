#include "ReadingLine.h"

#include <cstring>

ReadingLineAssembler::Result ReadingLineAssembler::Put(BYTE byte) {
    if (m_complete) Reset();
    if (byte == kReadingLineEnd) {
        if (m_overlong) {
            Reset();
            return Result::Discarded;
        }
        const void* blank = std::memchr(m_line, ' ', m_length);
        m_split =
            blank == nullptr ? m_length : static_cast<std::size_t>(static_cast<const char*>(blank) - m_line);
        m_complete = true;
        return Result::Line;
    }
    // A zero byte carries no character: the line reads as if it were not there.
    if (byte == 0 || m_overlong) return Result::Partial;
    if (m_length == kMaxReadingLine) {
        m_overlong = true;
        m_length = 0;
        return Result::Partial;
    }
    m_line[m_length++] = static_cast<char>(byte);
    return Result::Partial;
}

void ReadingLineAssembler::Reset() {
    m_length = 0;
    m_split = 0;
    m_overlong = false;
    m_complete = false;
}
