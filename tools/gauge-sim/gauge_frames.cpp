// Frames, checksums and memory records on the gauge's side of the link.
#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "gauge_sim.h"

namespace orva::sim {

std::uint16_t Crc16Arc(const std::uint8_t* data, std::size_t n) {
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    return crc;
}

std::vector<std::uint8_t> BuildFrame(std::uint8_t command, const std::vector<std::uint8_t>& payload) {
    const std::size_t length = kMinFrameLength + payload.size();
    if (length > 0xFFFF) throw std::length_error("gauge frame longer than 65535 bytes");
    std::vector<std::uint8_t> frame;
    frame.reserve(length);
    frame.push_back(kFrameSync0);
    frame.push_back(kFrameSync1);
    frame.push_back(static_cast<std::uint8_t>(length >> 8));
    frame.push_back(static_cast<std::uint8_t>(length & 0xFF));
    frame.push_back(command);
    frame.insert(frame.end(), payload.begin(), payload.end());
    const std::uint16_t crc = Crc16Arc(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

void AppendRecord(std::vector<std::uint8_t>& out, const MemoryRecordData& r) {
    out.push_back(static_cast<std::uint8_t>(r.raw >> 8));
    out.push_back(static_cast<std::uint8_t>(r.raw & 0xFF));
    out.push_back(r.decimals);
    out.push_back(r.unit);
    out.push_back(r.mode);
    out.push_back(r.direction);
    out.push_back(r.group);
}

std::vector<std::uint8_t> BuildRecordFrame(const std::vector<MemoryRecordData>& memory, std::size_t first,
                                           std::size_t count) {
    std::vector<std::uint8_t> payload;
    if (first < memory.size()) {
        const std::size_t end = first + std::min(count, memory.size() - first);
        payload.reserve((end - first) * kRecordSize);
        for (std::size_t i = first; i < end; ++i) AppendRecord(payload, memory[i]);
    }
    return BuildFrame(kFrameRecords, payload);
}

std::vector<std::uint8_t> BuildEndFrame() {
    return BuildFrame(kFrameEnd, {});
}

const char* UnitTextForCode(int code) {
    switch (code) {
        case 1:
            return "N";
        case 2:
            return "kN";
        case 3:
            return "mN";
        case 4:
            return "kgf";
        case 5:
            return "gf";
        case 6:
            return "tf";
        case 7:
            return "lbf";
        case 8:
            return "klbf";
        case 9:
            return "ozf";
        case 32:
            return "N.m";
        case 33:
            return "N.cm";
        case 34:
            return "kgf.m";
        case 35:
            return "kgf.cm";
        case 36:
            return "lbf.ft";
        case 37:
            return "lbf.in";
        case 112:
            return "MPa";
        default:
            return "N";
    }
}

std::vector<MemoryRecordData> GenerateRecords(std::size_t count, std::uint32_t seed) {
    // Units in turn: force, torque, pressure, the code between the families and one outside
    // the table; decimals codes 0..5 and one outside the table.
    static constexpr std::uint8_t kUnits[] = {1,  2,  3,  4,  5,  6,  7,   8,  9,
                                              32, 33, 34, 35, 36, 37, 112, 31, 200};
    static constexpr std::uint8_t kDecimals[] = {0, 1, 2, 3, 4, 5, 9};
    std::vector<MemoryRecordData> out;
    out.reserve(count);
    std::uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (std::size_t i = 0; i < count; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        MemoryRecordData r;
        r.raw = static_cast<std::uint16_t>(x >> 16);
        r.decimals = kDecimals[i % std::size(kDecimals)];
        r.unit = kUnits[i % std::size(kUnits)];
        r.mode = static_cast<std::uint8_t>((i / 3) % 8);  // 0..6 and one outside the table
        r.direction = static_cast<std::uint8_t>((x >> 40) % 3);
        r.group = static_cast<std::uint8_t>(x >> 48);
        out.push_back(r);
    }
    return out;
}

}  // namespace orva::sim
