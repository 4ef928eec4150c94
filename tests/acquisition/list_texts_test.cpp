#include <gtest/gtest.h>

#include "SampleStore.h"

namespace {

TEST(ListTexts, RebuiltTextsMatchTheLiveFormats) {
    g_fLoad[1] = -12.3456f;
    g_fTime[1] = 0.1f;
    KeepListTexts(1, 1, " N");
    g_fLoad[17] = 250.0f;
    g_fTime[17] = 1.7f;
    KeepListTexts(17, 17, " kgf");
    g_fLoad[18] = 0.5f;
    g_fTime[18] = 1.8f;
    KeepListTexts(18, 18, "");

    EXPECT_EQ(g_arrListCol0[0], "1 ");
    EXPECT_EQ(g_arrListCol1[0], "-12.3456   N");
    EXPECT_EQ(g_arrListCol2[0], "0.1 s");
    EXPECT_EQ(g_arrListCol0[16], "17 ");
    EXPECT_EQ(g_arrListCol1[16], "250   kgf");
    EXPECT_EQ(g_arrListCol2[16], "1.7 s");
    EXPECT_EQ(g_arrListCol1[17], "0.5  ");
    // The live texts use the same formats.
    EXPECT_EQ(FormatValueText(-12.3456f, " N"), g_arrListCol1[0]);
    EXPECT_EQ(FormatTimeText(1.7f), g_arrListCol2[16]);
    // Out of range never reads outside the store.
    EXPECT_EQ(g_arrListCol0[-1], "0 ");
    EXPECT_EQ(g_arrListCol2[kSampleCapacity], "0 s");
}

TEST(ListTexts, ManyDistinctUnitsStayExact) {
    // Garbage lines may bring a new unit text each; every entry keeps its own.
    for (int i = 1; i <= 70000; ++i) {
        g_fLoad[i] = 0.0f;
        KeepListTexts(i, i, " u" + std::to_string(i));
    }
    EXPECT_EQ(g_arrListCol1[0], "0   u1");
    EXPECT_EQ(g_arrListCol1[65600], "0   u65601");
    EXPECT_EQ(g_arrListCol1[69999], "0   u70000");
    KeepListTexts(69999 + 1, 70000, " N");
    EXPECT_EQ(g_arrListCol1[69999], "0   N");
}

}  // namespace
