// Record decoding: value texts by decimals code, units, modes and directions.
#include <gtest/gtest.h>

#include "upload_records.h"

namespace {

MemoryRecord Rec(WORD raw, BYTE decimals, BYTE unit, BYTE mode, BYTE direction, BYTE group) {
    MemoryRecord r;
    r.raw = raw;
    r.decimals = decimals;
    r.unit = unit;
    r.mode = mode;
    r.direction = direction;
    r.group = group;
    return r;
}

TEST(RecordTexts, LayoutIsBigEndianValueThenCodes) {
    const BYTE bytes[7] = {0x30, 0x39, 3, 1, 1, 1, 2};
    const MemoryRecord r = MemoryRecord::FromBytes(bytes);
    EXPECT_EQ(r.raw, 12345);
    EXPECT_EQ(r.decimals, 3);
    EXPECT_EQ(r.unit, 1);
    EXPECT_EQ(r.mode, 1);
    EXPECT_EQ(r.direction, 1);
    EXPECT_EQ(r.group, 2);
    const BYTE top[7] = {0xFF, 0xFF, 0, 0, 0, 0, 255};
    EXPECT_EQ(MemoryRecord::FromBytes(top).raw, 65535);  // never negative
}

TEST(RecordTexts, ValueTextByDecimalsCode) {
    EXPECT_EQ(DecodeRecordValue(1000, 0).text, "1000");
    EXPECT_EQ(DecodeRecordValue(1000, 9).text, "1");  // unknown code: three decimals
    EXPECT_EQ(DecodeRecordValue(12345, 1).text, "1234.5");
    EXPECT_EQ(DecodeRecordValue(12345, 2).text, "123.45");
    EXPECT_EQ(DecodeRecordValue(12345, 3).text, "12.345");
    EXPECT_EQ(DecodeRecordValue(12345, 4).text, "1.2345");
    EXPECT_EQ(DecodeRecordValue(12345, 5).text, "0.12345");
    EXPECT_EQ(DecodeRecordValue(65535, 0).text, "65535");
    EXPECT_EQ(DecodeRecordValue(1500, 3).text, "1.5");  // "%g" drops the trailing zeros
    EXPECT_EQ(DecodeRecordValue(0, 2).text, "0");
    EXPECT_FLOAT_EQ(DecodeRecordValue(12345, 3).value, 12.345f);
    // "%g" keeps six significant digits.
    EXPECT_EQ(DecodeRecordValue(65535, 1).text, "6553.5");
    EXPECT_EQ(DecodeRecordValue(65535, 5).text, "0.65535");
}

TEST(RecordTexts, UnitsAndFamilies) {
    const struct {
        int code;
        const char* text;
        UnitFamily family;
    } cases[] = {
        {1, "N", UnitFamily::Force},        {2, "kN", UnitFamily::Force},
        {3, "mN", UnitFamily::Force},       {4, "kgf", UnitFamily::Force},
        {5, "gf", UnitFamily::Force},       {6, "tf", UnitFamily::Force},
        {7, "lbf", UnitFamily::Force},      {8, "klbf", UnitFamily::Force},
        {9, "ozf", UnitFamily::Force},      {32, "N.m", UnitFamily::Torque},
        {33, "N.cm", UnitFamily::Torque},   {34, "kgf.m", UnitFamily::Torque},
        {35, "kgf.cm", UnitFamily::Torque}, {36, "lbf.ft", UnitFamily::Torque},
        {37, "lbf.in", UnitFamily::Torque}, {112, "MPa", UnitFamily::Force},
        {0, "N", UnitFamily::Force},        {30, "N", UnitFamily::Force},
        {31, "N", UnitFamily::None},        {38, "N", UnitFamily::Torque},
        {255, "N", UnitFamily::Torque},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(UnitText(c.code), c.text) << c.code;
        EXPECT_EQ(UnitFamilyOf(c.code), c.family) << c.code;
    }
}

TEST(RecordTexts, ModesByFamily) {
    const char* force[] = {"Track", "Peak", "Autopeak", "Preset", "Track", "Track", "Track", "Track"};
    const char* torque[] = {"Track",    "Peak",          "Preset",     "FirstPeak",
                            "AutoPeak", "AutoFirstPeak", "DoublePeak", "Track"};
    for (int m = 0; m < 8; ++m) {
        EXPECT_STREQ(GaugeModeText(m, UnitFamily::Force), force[m]) << m;
        EXPECT_STREQ(GaugeModeText(m, UnitFamily::Torque), torque[m]) << m;
    }
    EXPECT_STREQ(GaugeModeText(200, UnitFamily::Torque), "Track");
}

TEST(RecordTexts, DirectionsByFamilyAndInvertLoad) {
    EXPECT_STREQ(DirectionText(UnitFamily::Force, 1, false), "pull");
    EXPECT_STREQ(DirectionText(UnitFamily::Force, 0, false), "push");
    EXPECT_STREQ(DirectionText(UnitFamily::Force, 2, false), "push");
    EXPECT_STREQ(DirectionText(UnitFamily::Force, 1, true), "push");
    EXPECT_STREQ(DirectionText(UnitFamily::Force, 0, true), "pull");
    EXPECT_STREQ(DirectionText(UnitFamily::Torque, 1, false), "W");
    EXPECT_STREQ(DirectionText(UnitFamily::Torque, 0, false), "C");
    EXPECT_STREQ(DirectionText(UnitFamily::Torque, 1, true), "C");
    EXPECT_STREQ(DirectionText(UnitFamily::Torque, 7, true), "W");
}

TEST(RecordTexts, ExampleRecordLine) {
    RecordTexts t;
    DecodeRecordTexts(Rec(12345, 3, 1, 1, 1, 2), 1, false, t);
    EXPECT_EQ(t.number, "1 ");
    EXPECT_EQ(t.value + "  " + t.unit, "12.345  N");
    EXPECT_EQ(t.mode, "Peak");
    EXPECT_EQ(t.direction, "pull");
    EXPECT_EQ(t.group, "2 ");
    EXPECT_EQ(UploadExportLine(t, "08:05"), "1 ,12.345,N,08:05,Peak,pull,2 ,\r\n");

    DecodeRecordTexts(Rec(12345, 3, 1, 1, 1, 2), 1, true, t);
    EXPECT_EQ(t.direction, "push");
    DecodeRecordTexts(Rec(500, 1, 32, 3, 1, 0), 2, false, t);
    EXPECT_EQ(t.unit, "N.m");
    EXPECT_EQ(t.mode, "FirstPeak");
    EXPECT_EQ(t.direction, "W");
    DecodeRecordTexts(Rec(500, 1, 32, 3, 1, 0), 2, true, t);
    EXPECT_EQ(t.direction, "C");
    DecodeRecordTexts(Rec(500, 1, 1, 3, 1, 0), 2, false, t);
    EXPECT_EQ(t.mode, "Preset");
}

TEST(RecordTexts, UnitCode31KeepsThePreviousModeAndDirection) {
    RecordTexts t;  // a new frame starts with empty texts
    DecodeRecordTexts(Rec(10, 0, 31, 1, 1, 0), 1, false, t);
    EXPECT_EQ(t.unit, "N");
    EXPECT_EQ(t.mode, "");
    EXPECT_EQ(t.direction, "");
    DecodeRecordTexts(Rec(10, 0, 32, 4, 0, 0), 2, false, t);
    EXPECT_EQ(t.mode, "AutoPeak");
    EXPECT_EQ(t.direction, "C");
    DecodeRecordTexts(Rec(99, 2, 31, 1, 1, 9), 3, false, t);
    EXPECT_EQ(t.value, "0.99");
    EXPECT_EQ(t.group, "9 ");
    EXPECT_EQ(t.mode, "AutoPeak");
    EXPECT_EQ(t.direction, "C");
}

TEST(RecordTexts, ReportHeader) {
    EXPECT_EQ(UploadReportHeader("test", "2026/12/8", "08:05"),
              "Report Name:test\r\nReport Time : \r\n2026/12/8,08:05\r\n"
              "Number,Load,Unit,Upload Time,Mode,Direction,Group\r\n");
}

}  // namespace
