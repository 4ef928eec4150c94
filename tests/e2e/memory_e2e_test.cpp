// What the sample store costs: nothing until written, and a full store with every list text,
// the whole curve and the filled results list under 250 MB for the whole program.
#include <cstdio>

#include "SharedState.h"
#include "StartStop.h"
#include "afx_testing.h"
#include "e2e_fixture.h"
#include "full_store.h"

namespace e2e {
namespace {

constexpr std::int64_t kMB = 1024 * 1024;

class MemoryTest : public DialogTest {};

// Runs first: nothing has written the store yet.
TEST_F(MemoryTest, AStoreNeverWrittenIsNotResident) {
    const std::size_t bytes = sizeof(float) * kSampleCapacity;
    const std::int64_t resident = ResidentBytesOf(g_fLoad, bytes) + ResidentBytesOf(g_fTime, bytes) +
                                  ResidentBytesOf(g_nIndex, bytes) + ResidentBytesOf(g_fLoadConv, bytes);
    std::printf("sample arrays: %lld MB reserved, %lld KB resident; process %lld MB resident\n",
                static_cast<long long>(4 * bytes / kMB), static_cast<long long>(resident / 1024),
                static_cast<long long>(ResidentBytes() / kMB));
    EXPECT_LE(resident, 20 * kMB);
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
        rows.push_back(kSampleCapacity - 1);
        ExpectCurveIsTheStore(rows, kSampleCapacity - 1);
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
