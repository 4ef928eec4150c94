// The conversion tables without a window, and the number texts the conversion and the CSV export
// write against printf's own.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "NumberText.h"
#include "UnitConversion.h"

namespace {

constexpr double kG = 9.807;

double Convert(const char* from, const char* to, double v, double g = kG) {
    return units::Apply(units::DisplayFactor(to), units::Apply(units::AcquisitionFactor(from), v, g), g);
}

TEST(UnitTables, EveryAcquisitionUnitReachesItsBaseInTheTablesOrder) {
    const double g = kG;
    const double v = 3.25;
    EXPECT_EQ(Convert(" N", "N", v), v);
    EXPECT_EQ(Convert(" kN", "N", v), v * 1000);
    EXPECT_EQ(Convert(" mN", "N", v), v / 1000);
    EXPECT_EQ(Convert(" kgf", "N", v), v * g);
    EXPECT_EQ(Convert(" gf", "N", v), v * g / 1000);
    EXPECT_EQ(Convert(" tf", "N", v), v * g * 1000);
    EXPECT_EQ(Convert(" lbf", "N", v), v * g / 2.2046);
    EXPECT_EQ(Convert(" klbf", "N", v), v * g / 0.0022046);
    EXPECT_EQ(Convert(" ozf", "N", v), v * g / 35.274);
    EXPECT_EQ(Convert(" N.m", "N.m", v), v);
    EXPECT_EQ(Convert(" N.cm", "N.m", v), v / 100);
    EXPECT_EQ(Convert(" kgf.cm", "N.m", v), v * g / 100);
    EXPECT_EQ(Convert(" lbf.ft", "N.m", v), v * 1.355848);
    EXPECT_EQ(Convert(" lbf.in", "N.m", v), v * 0.112987);
}

TEST(UnitTables, EveryDisplayUnitFromItsBase) {
    const double g = kG;
    const double b = 17.5;
    EXPECT_EQ(Convert(" N", "mN", b), b * 1000);
    EXPECT_EQ(Convert(" N", "kN", b), b / 1000);
    EXPECT_EQ(Convert(" N", "ozf", b), b / g * 35.274);
    EXPECT_EQ(Convert(" N", "lbf", b), b / g * 2.2046);
    EXPECT_EQ(Convert(" N", "klbf", b), b / g * 0.0022046);
    EXPECT_EQ(Convert(" N", "gf", b), b / g * 1000);
    EXPECT_EQ(Convert(" N", "kgf", b), b / g);
    EXPECT_EQ(Convert(" N", "tf", b), b / g / 1000);
    EXPECT_EQ(Convert(" N.m", "N.cm", b), b * 100);
    EXPECT_EQ(Convert(" N.m", "kgf.cm", b), b / g * 100);
    EXPECT_EQ(Convert(" N.m", "lbf.ft", b), b * 0.737546);
    EXPECT_EQ(Convert(" N.m", "lbf.in", b), b * 8.850547);
}

TEST(UnitTables, NewtonsToKlbfAndKgfThroughNewtons) {
    EXPECT_EQ(static_cast<float>(Convert(" N", "klbf", 1000.0)), static_cast<float>(1000.0 / kG * 0.0022046));
    // Through the base, a kgf reading comes back as itself.
    EXPECT_EQ(static_cast<float>(Convert(" kgf", "kgf", 1.0)), 1.0f);
    EXPECT_EQ(static_cast<float>(Convert(" kgf", "lbf", 1.0)), 2.2046f);
}

TEST(UnitTables, TextsAreExactCaseAndBlankIncluded) {
    EXPECT_EQ(units::AcquisitionFactor("kgf"), nullptr);  // no leading blank
    EXPECT_EQ(units::AcquisitionFactor(" KGF"), nullptr);
    EXPECT_EQ(units::AcquisitionFactor(" kgf "), nullptr);
    EXPECT_EQ(units::DisplayFactor(" kgf"), nullptr);
    EXPECT_EQ(units::DisplayFactor("Kgf"), nullptr);
    EXPECT_EQ(units::DisplayFactor(""), nullptr);
    // Outside a table a value is left as it is.
    EXPECT_EQ(Convert(" MPa", "", 12.5), 12.5);
    EXPECT_EQ(Convert(" N", "", 12.5), 12.5);
}

TEST(UnitTables, FamiliesAndTheirLists) {
    for (const char* torque : {" N.m", " N.cm", " kgf.cm", " lbf.ft", " lbf.in"})
        EXPECT_EQ(units::FamilyOf(torque), units::Family::Torque) << torque;
    EXPECT_EQ(units::FamilyOf(" MPa"), units::Family::Pressure);
    for (const char* force : {" N", " kgf", " ozf", " kgf.m", "", " N.M"})
        EXPECT_EQ(units::FamilyOf(force), units::Family::Force) << force;
    EXPECT_EQ(units::kForceUnits[units::kForceDefault], "kgf");
    EXPECT_EQ(units::kTorqueUnits[units::kTorqueDefault], "N.m");
    // Every unit offered converts.
    for (auto u : units::kForceUnits) EXPECT_NE(units::DisplayFactor(u), nullptr) << u;
    for (auto u : units::kTorqueUnits) EXPECT_NE(units::DisplayFactor(u), nullptr) << u;
}

TEST(UnitTables, UploadValuesFromNewtons) {
    const double g = kG;
    EXPECT_EQ(units::FromNewtons(12.5, "mN", g), 12500.0);
    EXPECT_EQ(units::FromNewtons(12.5, "ozf", g), 12.5 / g * 35.274);
    EXPECT_EQ(units::FromNewtons(12.5, "lbf", g), 12.5 / g * 2.2046);
    EXPECT_EQ(units::FromNewtons(12.5, "gf", g), 12.5 / g * 1000);
    EXPECT_EQ(units::FromNewtons(12.5, "kgf", g), 12.5 / g);
    // Not in the upload list: left in N, "kN" included.
    EXPECT_EQ(units::FromNewtons(12.5, "N", g), 12.5);
    EXPECT_EQ(units::FromNewtons(12.5, "kN", g), 12.5);
    EXPECT_EQ(units::FromNewtons(12.5, "", g), 12.5);
}

std::string Printf(const char* format, double v) {
    char buf[400];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

TEST(NumberTexts, SameDigitsAsPrintf) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-12, 12);
    std::vector<double> values = {0.0,      -0.0,    0.5,    1e-5,     123456.0, 1234567.0, 0.00004,
                                  -0.00004, 2.5e-5,  0.0625, 0.00125,  9.807,    45.257,    1e15,
                                  3.4e38,   -3.4e38, 1e300,  0.099999, 1.00005,  2.675,     0.0005};
    for (int i = 0; i < 20000; ++i) values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
    for (int i = 0; i < 2000; ++i) values.push_back(static_cast<float>(i) * 0.1f);
    values.push_back(std::numeric_limits<double>::infinity());
    numtext::Buffer buf;
    for (double v : values) {
        ASSERT_EQ(numtext::Fixed(buf, v, 4), Printf("%.4f", v)) << v;
        ASSERT_EQ(numtext::Fixed(buf, v, 3), Printf("%.3f", v)) << v;
        ASSERT_EQ(numtext::General(buf, v), Printf("%g", v)) << v;
        ASSERT_EQ(numtext::RoundedThrough(v, 4), static_cast<float>(std::atof(Printf("%.4f", v).c_str())))
            << v;
    }
    EXPECT_EQ(numtext::Integer(buf, -17), "-17");

    // Floats rounded without the text agree with the text, ties and signed zeros included.
    std::vector<float> floats = {0.5f,    -0.00004f, 0.00005f, -0.00005f, 0.00015f, 1.00005f, 2.675f,
                                 0.0625f, 3.4e38f,   -3.4e38f, 1e-30f,    0.1f,     0.0005f,  0.0015f};
    std::uniform_int_distribution<std::uint32_t> bits(0, 0x7F7FFFFF);
    for (int i = 0; i < 200000; ++i) {
        float f;
        const std::uint32_t b = bits(random) | (i % 2 ? 0x80000000u : 0u);
        std::memcpy(&f, &b, sizeof f);
        floats.push_back(f);
    }
    for (int i = 0; i < 200000; ++i) floats.push_back(static_cast<float>(mantissa(random)));
    for (int i = -20000; i <= 20000; ++i) floats.push_back(static_cast<float>(i) * 0.00005f);
    for (float f : floats) {
        for (int decimals : {3, 4}) {
            const float text =
                static_cast<float>(std::atof(Printf(decimals == 4 ? "%.4f" : "%.3f", f).c_str()));
            const float fast = numtext::RoundedFloat(f, decimals);
            ASSERT_EQ(std::signbit(fast), std::signbit(text)) << f;
            ASSERT_EQ(fast, text) << f << " to " << decimals;
        }
    }
    EXPECT_EQ(numtext::Integer(buf, 3599999), "3599999");
    EXPECT_EQ(numtext::Fixed(buf, std::numeric_limits<double>::max(), 4).size(), 314u);
}

}  // namespace
