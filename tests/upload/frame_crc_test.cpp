// The checksum and the two request frames, byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "frame_protocol.h"

namespace {

// Bit-by-bit CRC-16/ARC, written independently of the table.
WORD BitwiseCrc16Arc(const BYTE* data, std::size_t n) {
    WORD crc = 0;
    for (std::size_t k = 0; k < n; ++k) {
        crc ^= data[k];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<WORD>((crc >> 1) ^ 0xA001) : (crc >> 1);
    }
    return crc;
}

TEST(FrameCrc, CheckValueAndTables) {
    const char* digits = "123456789";
    EXPECT_EQ(CalcCrc16(reinterpret_cast<const BYTE*>(digits), 9), 0xBB3D);
    EXPECT_EQ(CalcCrc16(nullptr, 0), 0);
    const BYTE low[] = {0x00, 0xC1, 0x81, 0x40};
    const BYTE high[] = {0x00, 0xC0, 0xC1, 0x01};
    EXPECT_EQ(std::memcmp(Crc16TableLow, low, 4), 0);
    EXPECT_EQ(std::memcmp(Crc16TableHigh, high, 4), 0);
    EXPECT_EQ(Crc16TableLow[255], 0x40);
    EXPECT_EQ(Crc16TableHigh[255], 0x40);
}

TEST(FrameCrc, MatchesBitwiseCrcOnRandomData) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::vector<BYTE> data(rng() % 300);
        for (BYTE& b : data) b = static_cast<BYTE>(rng());
        ASSERT_EQ(CalcCrc16(data.data(), data.size()), BitwiseCrc16Arc(data.data(), data.size())) << round;
    }
}

TEST(FrameCrc, RequestFramesAreByteExact) {
    const BYTE connect[8] = {0xFC, 0x33, 0x00, 0x08, 0x3F, 0x3F, 0xC0, 0x1A};
    const BYTE next[8] = {0xFC, 0x33, 0x00, 0x08, 0x2B, 0x2B, 0xCF, 0x15};
    EXPECT_EQ(std::memcmp(GAUGE_CMD_CONNECT, connect, 8), 0);
    EXPECT_EQ(std::memcmp(GAUGE_CMD_NEXT, next, 8), 0);
    // Their checksums are those of their first six bytes, low byte first.
    EXPECT_EQ(CalcCrc16(GAUGE_CMD_CONNECT, 6), 0x1AC0);
    EXPECT_EQ(CalcCrc16(GAUGE_CMD_NEXT, 6), 0x15CF);
}

}  // namespace
