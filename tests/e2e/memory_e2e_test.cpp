// What the sample store costs: nothing until written, and a full store with every list text,
// the whole curve and the filled results list under 250 MB for the whole program.
#include <cstdio>
#include <cstdlib>

#include "SampleStore.h"
#include "StartStop.h"
#include "afx_testing.h"
#include "e2e_fixture.h"
#include "full_store.h"

namespace e2e {
namespace {

constexpr std::int64_t kMB = 1024 * 1024;

class MemoryTest : public DialogTest {};

// Measured in a new copy of this test program, where nothing has written the store: in this one,
// an earlier test or an earlier round of a repeated run may have.
TEST(NewProcess, AStoreNeverWrittenIsNotResident) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const std::size_t bytes = sizeof(float) * kSampleCapacity;
            const std::int64_t resident = ResidentBytesOf(g_fLoad, bytes) + ResidentBytesOf(g_fTime, bytes) +
                                          ResidentBytesOf(g_nIndex, bytes) +
                                          ResidentBytesOf(g_fLoadConv, bytes);
            std::printf("sample arrays: %lld MB reserved, %lld KB resident; process %lld MB resident\n",
                        static_cast<long long>(4 * bytes / kMB), static_cast<long long>(resident / 1024),
                        static_cast<long long>(ResidentBytes() / kMB));
            std::fflush(stdout);
            std::exit(resident <= 20 * kMB ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(MemoryTest, AFullStoreWithItsListAndCurveStaysUnder250MB) {
    RunWithGauge({}, [&] {
        const std::int64_t before = ResidentBytes();
        // The reading after 3,599,999 would wrap the index: it stops the test and is not stored.
        ASSERT_TRUE(FillStoreLikeATest(*dlg_, kSampleCapacity - 1, /*offerOneMore=*/true));
        EXPECT_EQ(g_nSampleIndex.load(), kSampleCapacity - 1);
        EXPECT_EQ(g_nSampleCount.load(), kSampleCapacity - 1);
        EXPECT_EQ(g_bWrapped.load(), 1);
        EXPECT_EQ(g_fLoad[0], 0.0f);
        EXPECT_EQ(g_fTime[0], 0.0f);
        const std::int64_t filled = ResidentBytes();
        WrapUpTest(*dlg_, ReportVariant::Routine);
        afx::testing::Pump(50);
        ASSERT_EQ(dlg_->m_listResults.GetItemCount(), kSampleCapacity - 1);
        EXPECT_EQ(dlg_->m_listResults.GetItemText(kSampleCapacity - 2, 0), "3599999 ");
        EXPECT_EQ(dlg_->m_listResults.GetItemText(kSampleCapacity - 2, 2), "3600 s");
        // Sampled rows and points against the stored readings: the first and last ones, and every
        // 7919th (a prime, so that rows fall all over the ramp and the hold).
        std::vector<std::int32_t> rows = {0, 1, 2, kSampleCapacity - 3, kSampleCapacity - 2};
        for (std::int32_t r = 7919; r < kSampleCapacity - 1; r += 7919) rows.push_back(r);
        for (std::int32_t r : rows) {
            const RowTexts want = ExpectedRow(r + 1, g_fLoad[r + 1], g_fTime[r + 1], " N");
            ASSERT_EQ(dlg_->m_listResults.GetItemText(r, 0), want.number) << r;
            ASSERT_EQ(dlg_->m_listResults.GetItemText(r, 1), want.value) << r;
            ASSERT_EQ(dlg_->m_listResults.GetItemText(r, 2), want.time) << r;
        }
        ExpectViewShowsTheList(rows);
        std::vector<std::int32_t> points = rows;
        points.push_back(kSampleCapacity - 1);
        ExpectCurveIsTheStore(points, kSampleCapacity - 1);

        // The whole store shown in mN: the same rows with the converted texts, and the curve.
        dlg_->m_fTestRate = 1000.0f;
        ClickOn(dlg_->m_page1, 1186);
        int mN = -1;
        for (int i = 0; i < dlg_->m_page1.m_cbUnit.GetCount(); ++i)
            if (dlg_->m_page1.m_cbUnit.GetLBText(i) == "mN") mN = i;
        ASSERT_GE(mN, 0);
        ASSERT_TRUE(afx::testing::SelectComboEntry(dlg_->m_page1, 1182, mN));
        ASSERT_EQ(dlg_->m_listResults.GetItemCount(), kSampleCapacity - 1);
        const auto graph = Graph();
        ASSERT_EQ(graph->PointCount(0), static_cast<std::size_t>(kSampleCapacity));
        auto through = [](const char* format, double v) {
            char buf[64];
            std::snprintf(buf, sizeof buf, format, v);
            return static_cast<float>(std::atof(buf));
        };
        for (std::int32_t r : rows) {
            const std::int32_t i = r + 1;
            const float w = static_cast<float>(static_cast<double>(g_fLoad[i]) * 1000.0);
            ASSERT_EQ(g_fLoadConv[i], w) << i;
            char buf[64];
            std::snprintf(buf, sizeof buf, "%d", i);
            ASSERT_EQ(dlg_->m_listResults.GetItemText(r, 0), buf) << r;
            std::snprintf(buf, sizeof buf, "%g   mN", static_cast<double>(through("%.4f", w)));
            ASSERT_EQ(dlg_->m_listResults.GetItemText(r, 1), buf) << r;
            const float t = static_cast<float>(i) * (1.0f / 1000.0f);
            std::snprintf(buf, sizeof buf, "%g s", static_cast<double>(through("%.3f", t)));
            ASSERT_EQ(dlg_->m_listResults.GetItemText(r, 2), buf) << r;
            ASSERT_EQ(graph->GetElementX(i, 0), static_cast<double>(static_cast<float>(i) / 1000.0f)) << i;
            ASSERT_EQ(graph->GetElementY(i, 0), static_cast<double>(through("%.4f", w))) << i;
        }
        ExpectViewShowsTheList(rows);
        const std::int64_t after = ResidentBytes();
        std::printf(
            "resident: %lld MB with the window open, %lld MB with the store full, %lld MB with the list "
            "and the curve too\n",
            static_cast<long long>(before / kMB), static_cast<long long>(filled / kMB),
            static_cast<long long>(after / kMB));
        EXPECT_LT(after, 250 * kMB);
    });
}

}  // namespace
}  // namespace e2e
