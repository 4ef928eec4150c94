// Collects the bytes of one gauge reading line ("<number> <unit>" ended by a carriage return)
// and splits it at its first blank. The bytes are kept in order whatever the ring positions
// they came from, so a line split by the end of the receive ring parses as if contiguous. Zero
// bytes are left out wherever they stand.
#pragma once

#include <cstddef>
#include <string_view>

#include "win32_types.h"

constexpr BYTE kReadingLineEnd = 0x0D;
// A line that grows past this many bytes without a carriage return is discarded whole.
constexpr std::size_t kMaxReadingLine = 256;

class ReadingLineAssembler {
public:
    enum class Result { Partial, Line, Discarded };

    // Takes the next byte. At a carriage return: Line, with Number() and Unit() valid until the
    // next Put, or Discarded when the line had grown past kMaxReadingLine.
    Result Put(BYTE byte);
    void Reset();
    bool Empty() const { return m_length == 0 && !m_overlong; }

    // The bytes before the first blank.
    std::string_view Number() const { return {m_line, m_split}; }
    // The first blank and everything after it (empty without a blank), e.g. " N".
    std::string_view Unit() const { return {m_line + m_split, m_length - m_split}; }

private:
    char m_line[kMaxReadingLine] = {};
    std::size_t m_length = 0;
    std::size_t m_split = 0;
    bool m_overlong = false;
    bool m_complete = false;
};
