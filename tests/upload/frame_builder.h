// Frames as the gauge sends them, for the upload tests.
#pragma once

#include <vector>

#include "frame_protocol.h"
#include "upload_records.h"

namespace upload_test {

inline std::vector<BYTE> Frame(BYTE type, const std::vector<BYTE>& payload) {
    const std::size_t length = payload.size() + 7;
    std::vector<BYTE> f;
    f.reserve(length);
    f.push_back(0xFC);
    f.push_back(0x33);
    f.push_back(static_cast<BYTE>(length >> 8));
    f.push_back(static_cast<BYTE>(length & 0xFF));
    f.push_back(type);
    for (BYTE b : payload) f.push_back(b);
    const WORD crc = CalcCrc16(f.data(), f.size());
    f.push_back(static_cast<BYTE>(crc & 0xFF));
    f.push_back(static_cast<BYTE>(crc >> 8));
    return f;
}

inline void AddRecord(std::vector<BYTE>& payload, WORD raw, BYTE decimals, BYTE unit, BYTE mode,
                      BYTE direction, BYTE group) {
    payload.insert(payload.end(), {static_cast<BYTE>(raw >> 8), static_cast<BYTE>(raw & 0xFF), decimals, unit,
                                   mode, direction, group});
}

}  // namespace upload_test
