// The frame parser on the dialog's frame state, fed byte by byte without a window.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "KvDlg.h"
#include "RunState.h"
#include "SampleStore.h"
#include "afx_testing.h"
#include "frame_builder.h"
#include "frame_protocol.h"

namespace {

using upload_test::AddRecord;
using upload_test::Frame;

struct Step {
    std::size_t at;  // index of the byte in the fed sequence
    FrameStep step;
    int length;
};

class FrameParserTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { afx::testing::EnsureApplication(); }
    void SetUp() override {
        dlg_ = std::make_unique<CKvDlg>();
        dlg_->ResetFrameParser();
    }

    // Feeds the bytes; returns every step other than Pending.
    std::vector<Step> Feed(const std::vector<BYTE>& bytes) {
        std::vector<Step> steps;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            int length = -1;
            const FrameStep s = FeedFrameByte(*dlg_, bytes[i], &length);
            if (s != FrameStep::Pending) steps.push_back({fed_ + i, s, length});
        }
        fed_ += bytes.size();
        return steps;
    }
    std::vector<BYTE> Buffer(int length) const { return {dlg_->m_frameBuf, dlg_->m_frameBuf + length}; }

    std::unique_ptr<CKvDlg> dlg_;
    std::size_t fed_ = 0;
};

std::vector<BYTE> Cat(std::vector<BYTE> a, const std::vector<BYTE>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(FrameParserTest, FrameCompletesOnItsLastByteAfterNoise) {
    std::vector<BYTE> payload;
    AddRecord(payload, 12345, 3, 1, 1, 1, 2);
    const auto frame = Frame(GAUGE_FRAME_RECORDS, payload);
    // Noise, a lone FC, FC followed by something else, then FC FC 33: the second FC pairs.
    const std::vector<BYTE> noise = {0x00, 0x33, 0xFC, 0x00, 0x12, 0xFC, 0x34, 0x55, 0xFC};
    const auto steps = Feed(Cat(noise, frame));
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].step, FrameStep::Complete);
    EXPECT_EQ(steps[0].at, noise.size() + frame.size() - 1);
    EXPECT_EQ(steps[0].length, 14);
    EXPECT_EQ(Buffer(14), frame);
    EXPECT_EQ(dlg_->m_nFramesDone, 1);
    // Hunting again, with the window cleared.
    EXPECT_EQ(dlg_->m_bFrameSync, 0);
    EXPECT_EQ(dlg_->m_bFrameHeader, 0);
    EXPECT_EQ(dlg_->m_nFrameBytes, 0);
    EXPECT_EQ(dlg_->m_nFrameLength, 0);
}

TEST_F(FrameParserTest, SyncPairInsideAFrameDoesNotRestartIt) {
    const auto frame = Frame(GAUGE_FRAME_RECORDS, {0xFC, 0x33, 0x00, 0x08, 0xFC, 0x33, 0x01});
    const auto steps = Feed(frame);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].step, FrameStep::Complete);
    EXPECT_EQ(Buffer(14), frame);
}

TEST_F(FrameParserTest, SmallestAndLargestFramesComplete) {
    const auto smallest = Frame(0x12, {});
    std::vector<BYTE> records;
    for (int i = 0; i < 35; ++i) AddRecord(records, static_cast<WORD>(i), 0, 1, 0, 1, 0);
    const auto full = Frame(GAUGE_FRAME_RECORDS, records);
    ASSERT_EQ(full.size(), 252u);
    const auto longest = Frame(0x12, std::vector<BYTE>(251, 0xFC));
    ASSERT_EQ(longest.size(), 258u);
    const auto steps = Feed(Cat(Cat(smallest, full), longest));
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].length, 7);
    EXPECT_EQ(steps[1].length, 252);
    EXPECT_EQ(steps[2].length, 258);
    for (const auto& s : steps) EXPECT_EQ(s.step, FrameStep::Complete);
    EXPECT_EQ(Buffer(258), longest);
    EXPECT_EQ(dlg_->m_nFramesDone, 3);
}

TEST_F(FrameParserTest, SwappedChecksumFailsAndTheNextFrameIsFine) {
    auto bad = Frame(GAUGE_FRAME_RECORDS, {0, 1, 3, 1, 1, 1, 0});
    std::swap(bad[bad.size() - 1], bad[bad.size() - 2]);
    const auto good = Frame(GAUGE_FRAME_END, {});
    const auto steps = Feed(Cat(bad, good));
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].step, FrameStep::BadCrc);
    EXPECT_EQ(steps[1].step, FrameStep::Complete);
    EXPECT_EQ(steps[1].length, 7);
}

TEST_F(FrameParserTest, LengthsOutsideTheBufferAreRefusedAndTheParserHuntsAgain) {
    const auto good = Frame(GAUGE_FRAME_END, {});
    for (const std::vector<BYTE>& header :
         std::vector<std::vector<BYTE>>{{0xFC, 0x33, 0x00, 0x06, 0xAA, 0x01},
                                        {0xFC, 0x33, 0x00, 0x00, 0xAA, 0x01},
                                        {0xFC, 0x33, 0x01, 0x03, 0xAA, 0x01},
                                        {0xFC, 0x33, 0xFF, 0xFF, 0xAA, 0x01}}) {
        const auto steps = Feed(Cat(header, good));
        ASSERT_EQ(steps.size(), 2u);
        EXPECT_EQ(steps[0].step, FrameStep::Refused);
        EXPECT_EQ(steps[0].at + 1, fed_ - good.size());  // as soon as the length is known
        EXPECT_EQ(steps[1].step, FrameStep::Complete);
    }
}

TEST_F(FrameParserTest, AFrameRightAfterARefusedLengthIsNotLost) {
    const auto good = Frame(GAUGE_FRAME_END, {});
    // The refused header's length is followed at once by a frame, or the frame starts inside
    // the header's bytes.
    for (const std::vector<BYTE>& header : std::vector<std::vector<BYTE>>{{0xFC, 0x33, 0xFF, 0xFF},
                                                                          {0xFC, 0x33, 0x00, 0x03},
                                                                          {0xFC, 0x33, 0xFC},
                                                                          {0xFC, 0x33, 0x01, 0xFC}}) {
        const auto steps = Feed(Cat(header, good));
        ASSERT_EQ(steps.size(), 2u);
        EXPECT_EQ(steps[0].step, FrameStep::Refused);
        EXPECT_EQ(steps[1].step, FrameStep::Complete);
        EXPECT_EQ(steps[1].at + 1, fed_);
        EXPECT_EQ(Buffer(7), good);
    }
}

TEST_F(FrameParserTest, EndlessNoiseNeverGrowsTheBuffer) {
    std::mt19937 rng(11);
    std::vector<BYTE> noise(200000);
    for (BYTE& b : noise) {
        b = static_cast<BYTE>(rng());
        if (b == 0xFC) b = 0xFD;  // no sync pair anywhere
    }
    EXPECT_TRUE(Feed(noise).empty());
    EXPECT_EQ(dlg_->m_nFrameBytes, 0);
    // Random bytes with sync pairs: whatever lengths come, nothing is written past the buffer
    // (the address sanitizer watches) and the counter stays inside it.
    for (BYTE& b : noise) b = static_cast<BYTE>(rng() % 4 == 0 ? 0xFC : (rng() % 3 == 0 ? 0x33 : rng()));
    for (BYTE b : noise) {
        FeedFrameByte(*dlg_, b, nullptr);
        ASSERT_LE(dlg_->m_nFrameBytes, 258);
    }
}

TEST_F(FrameParserTest, LostByteCostsOneBadFrameThenTheParserResynchronises) {
    std::vector<BYTE> payload;
    for (int i = 0; i < 5; ++i) AddRecord(payload, static_cast<WORD>(100 + i), 1, 1, 0, 1, 0);
    auto first = Frame(GAUGE_FRAME_RECORDS, payload);
    first.erase(first.begin() + 20);
    const auto second = Frame(GAUGE_FRAME_RECORDS, payload);
    const auto third = Frame(GAUGE_FRAME_END, {});
    const auto steps = Feed(Cat(Cat(Cat(first, second), std::vector<BYTE>(3, 0x00)), third));
    ASSERT_GE(steps.size(), 2u);
    EXPECT_EQ(steps.front().step, FrameStep::BadCrc);
    EXPECT_EQ(steps.back().step, FrameStep::Complete);
    EXPECT_EQ(steps.back().length, 7);
}

TEST_F(FrameParserTest, FrameOfAnotherTypeOnlyMarksTheGaugeAsAnswering) {
    g_bUploadActive = 0;
    const std::int32_t index = g_nSampleIndex;
    for (BYTE b : Frame(0x12, {1, 2, 3})) HandleFrameByte(*dlg_, b);
    EXPECT_EQ(g_bUploadActive, 1);
    EXPECT_EQ(g_nSampleIndex, index);
    EXPECT_EQ(dlg_->m_nFramesDone, 1);
}

TEST_F(FrameParserTest, ResetKeepsTheBufferAndTheFrameCount) {
    const auto frame = Frame(0x12, {9});
    Feed(frame);
    Feed({0xFC, 0x33, 0x00});
    dlg_->ResetFrameParser();
    EXPECT_EQ(dlg_->m_bFrameSync, 0);
    EXPECT_EQ(dlg_->m_nFrameBytes, 0);
    for (BYTE w : dlg_->m_byFrameWindow) EXPECT_EQ(w, 0);
    EXPECT_EQ(dlg_->m_nFramesDone, 1);
    EXPECT_EQ(Buffer(8), frame);
}

}  // namespace
