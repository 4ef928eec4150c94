// Bytes on the wire: checksum, the two request frames, record frames, unit texts, profiles.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "gauge_sim.h"
#include "slave_port.h"

namespace sim = orva::sim;

namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> v) {
    std::vector<std::uint8_t> out;
    for (int b : v) out.push_back(static_cast<std::uint8_t>(b));
    return out;
}

TEST(GaugeFrames, Crc16ArcCheckValueAndRequestFrames) {
    const char* digits = "123456789";
    EXPECT_EQ(sim::Crc16Arc(reinterpret_cast<const std::uint8_t*>(digits), 9), 0xBB3D);
    EXPECT_EQ(sim::Crc16Arc(nullptr, 0), 0);

    const auto connect = sim::BuildFrame(0x3F, {0x3F});
    EXPECT_EQ(connect, Bytes({0xFC, 0x33, 0x00, 0x08, 0x3F, 0x3F, 0xC0, 0x1A}));
    EXPECT_EQ(sim::Crc16Arc(connect.data(), 6), 0x1AC0);
    const auto next = sim::BuildFrame(0x2B, {0x2B});
    EXPECT_EQ(next, Bytes({0xFC, 0x33, 0x00, 0x08, 0x2B, 0x2B, 0xCF, 0x15}));
    EXPECT_EQ(sim::Crc16Arc(next.data(), 6), 0x15CF);
    EXPECT_EQ(std::vector<std::uint8_t>(std::begin(sim::kConnectRequest), std::end(sim::kConnectRequest)),
              connect);
    EXPECT_EQ(std::vector<std::uint8_t>(std::begin(sim::kNextRequest), std::end(sim::kNextRequest)), next);
}

TEST(GaugeFrames, LengthIsBigEndianAndCountsEveryByte) {
    EXPECT_EQ(sim::BuildEndFrame(), sim::BuildFrame(0x55, {}));
    const auto end = sim::BuildEndFrame();
    ASSERT_EQ(end.size(), 7u);
    EXPECT_EQ(end[2], 0x00);
    EXPECT_EQ(end[3], 0x07);
    EXPECT_EQ(end[4], 0x55);

    const std::vector<std::uint8_t> big(300, 0xAB);  // length 307 = 0x0133
    const auto f = sim::BuildFrame(0xAA, big);
    ASSERT_EQ(f.size(), 307u);
    EXPECT_EQ(f[2], 0x01);
    EXPECT_EQ(f[3], 0x33);
    const std::uint16_t crc = gauge_sim_test::ReferenceCrc(f.data(), f.size() - 2);
    EXPECT_EQ(f[f.size() - 2], crc & 0xFF);
    EXPECT_EQ(f[f.size() - 1], crc >> 8);

    EXPECT_THROW(sim::BuildFrame(0xAA, std::vector<std::uint8_t>(65529)), std::length_error);
    EXPECT_NO_THROW(sim::BuildFrame(0xAA, std::vector<std::uint8_t>(65528)));
}

TEST(GaugeFrames, RecordsAreSevenBytesRawBigEndian) {
    std::vector<sim::MemoryRecordData> memory = {{12345, 3, 1, 1, 1, 2}, {0xFFFF, 0, 32, 3, 0, 255}};
    const auto f = sim::BuildRecordFrame(memory, 0, 35);
    ASSERT_EQ(f.size(), 7u + 14u);
    EXPECT_EQ(f[3], 21);
    EXPECT_EQ(f[4], 0xAA);
    EXPECT_EQ(std::vector<std::uint8_t>(f.begin() + 5, f.begin() + 12), Bytes({0x30, 0x39, 3, 1, 1, 1, 2}));
    EXPECT_EQ(std::vector<std::uint8_t>(f.begin() + 12, f.begin() + 19),
              Bytes({0xFF, 0xFF, 0, 32, 3, 0, 255}));

    // A window past the end carries what is left, or nothing.
    EXPECT_EQ(sim::BuildRecordFrame(memory, 1, 35).size(), 14u);
    EXPECT_EQ(sim::BuildRecordFrame(memory, 5, 35).size(), 7u);
}

TEST(GaugeFrames, UnitTexts) {
    const std::pair<int, const char*> table[] = {
        {1, "N"},       {2, "kN"},      {3, "mN"},      {4, "kgf"},   {5, "gf"},    {6, "tf"},
        {7, "lbf"},     {8, "klbf"},    {9, "ozf"},     {32, "N.m"},  {33, "N.cm"}, {34, "kgf.m"},
        {35, "kgf.cm"}, {36, "lbf.ft"}, {37, "lbf.in"}, {112, "MPa"}, {0, "N"},     {31, "N"},
        {10, "N"},      {38, "N"},      {111, "N"},     {255, "N"},   {-1, "N"}};
    for (const auto& [code, text] : table) EXPECT_STREQ(sim::UnitTextForCode(code), text) << code;
}

TEST(GaugeFrames, GeneratedRecordsAreAssortedAndReproducible) {
    const auto a = sim::GenerateRecords(999, 7);
    ASSERT_EQ(a.size(), 999u);
    EXPECT_EQ(a, sim::GenerateRecords(999, 7));
    EXPECT_NE(a, sim::GenerateRecords(999, 8));
    std::set<int> units, modes, dirs, decimals, groups;
    for (const auto& r : a) {
        units.insert(r.unit);
        modes.insert(r.mode);
        dirs.insert(r.direction);
        decimals.insert(r.decimals);
        groups.insert(r.group);
    }
    for (int u : {1, 9, 32, 37, 112, 31}) EXPECT_TRUE(units.count(u)) << u;
    EXPECT_GE(modes.size(), 8u);
    EXPECT_TRUE(dirs.count(1));
    EXPECT_GE(dirs.size(), 2u);
    EXPECT_TRUE(decimals.count(0) && decimals.count(5) && decimals.count(9));
    EXPECT_GT(groups.size(), 50u);
}

sim::LoadProfile Ramp(double start, double peak, double slope) {
    sim::LoadProfile p;
    p.kind = sim::LoadProfile::Kind::Ramp;
    p.start = start;
    p.peak = peak;
    p.slopePerReading = slope;
    return p;
}

TEST(GaugeProfiles, RampHoldBreak) {
    auto p = Ramp(0, 10, 2.5);
    EXPECT_EQ(sim::ProfileNumberText(p, 1, 0), "0.000");
    EXPECT_EQ(sim::ProfileNumberText(p, 1, 1), "2.500");
    EXPECT_EQ(sim::ProfileNumberText(p, 1, 4), "10.000");
    EXPECT_EQ(sim::ProfileNumberText(p, 1, 400), "10.000");
    auto down = Ramp(5, -5, -1);
    EXPECT_EQ(sim::ProfileNumberText(down, 1, 3), "2.000");
    EXPECT_EQ(sim::ProfileNumberText(down, 1, 30), "-5.000");

    p.kind = sim::LoadProfile::Kind::Hold;
    p.holdReadings = 2;
    const double hold[] = {0, 2.5, 5, 7.5, 10, 10, 10, 7.5, 5, 2.5, 0, 0, 0};
    for (std::size_t n = 0; n < std::size(hold); ++n)
        EXPECT_DOUBLE_EQ(sim::ProfileValue(p, 1, n), hold[n]) << n;

    p.kind = sim::LoadProfile::Kind::Break;
    p.breakShare = 0.8;
    p.holdReadings = 0;
    EXPECT_DOUBLE_EQ(sim::ProfileValue(p, 1, 4), 10);
    EXPECT_LT(sim::ProfileValue(p, 1, 5), 8);
    EXPECT_DOUBLE_EQ(sim::ProfileValue(p, 1, 5), sim::ProfileValue(p, 1, 50));

    p.decimals = 0;
    EXPECT_EQ(sim::ProfileNumberText(p, 1, 4), "10");
    p.decimals = 4;
    p.kind = sim::LoadProfile::Kind::Constant;
    p.start = -12.3456;
    EXPECT_EQ(sim::ProfileNumberText(p, 1, 99), "-12.3456");
}

TEST(GaugeProfiles, NoiseIsBoundedAndReproducible) {
    sim::LoadProfile p;
    p.kind = sim::LoadProfile::Kind::Noise;
    p.start = 50;
    p.noise = 2;
    std::set<std::string> texts;
    for (std::uint64_t n = 0; n < 500; ++n) {
        const double v = sim::ProfileValue(p, 3, n);
        EXPECT_GE(v, 48);
        EXPECT_LT(v, 52);
        EXPECT_EQ(v, sim::ProfileValue(p, 3, n));
        texts.insert(sim::ProfileNumberText(p, 3, n));
    }
    EXPECT_GT(texts.size(), 400u);
    EXPECT_NE(sim::ProfileValue(p, 3, 1), sim::ProfileValue(p, 4, 1));
}

TEST(GaugeProfiles, SequenceTextsAreSentAsTheyAreAndCycle) {
    sim::LoadProfile p;
    p.kind = sim::LoadProfile::Kind::Sequence;
    p.sequence = {"12.3456", "-12", "abc"};
    p.noise = 5;  // not applied to exact texts
    EXPECT_EQ(sim::ProfileNumberText(p, 1, 0), "12.3456");
    EXPECT_EQ(sim::ProfileNumberText(p, 1, 1), "-12");
    EXPECT_EQ(sim::ProfileNumberText(p, 1, 2), "abc");
    EXPECT_EQ(sim::ProfileNumberText(p, 1, 3), "12.3456");
    EXPECT_DOUBLE_EQ(sim::ProfileValue(p, 1, 4), -12);
    EXPECT_DOUBLE_EQ(sim::ProfileValue(p, 1, 5), 0);
}

}  // namespace
