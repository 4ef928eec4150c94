// The block buffer of the port class: its block rules, refusals, and a long random run against a
// plain queue (run under AddressSanitizer by the test script).
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <numeric>
#include <random>
#include <vector>

#include "CnComm.h"

namespace {

using Buffer = CnComm::BlockBuffer;

std::vector<BYTE> Pattern(std::size_t n, unsigned seed) {
    std::vector<BYTE> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<BYTE>(seed + i * 13);
    return v;
}

int BlockCount(const Buffer& b) {
    int n = 0;
    for (auto* p = b.pFirst; p != nullptr; p = p->next) ++n;
    return n;
}

TEST(BlockBuffer, ABlockOfUpTo4096IsKeptAfterAFullReadALargerOneIsReleased) {
    Buffer b;
    const auto in = Pattern(3000, 1);
    EXPECT_EQ(b.Write(in.data(), 3000), 3000u);
    ASSERT_EQ(BlockCount(b), 1);
    EXPECT_EQ(b.pFirst->capacity, 3000u);
    std::vector<BYTE> out(3000);
    EXPECT_EQ(b.Read(out.data(), 3000), 3000u);
    EXPECT_EQ(out, in);
    ASSERT_EQ(BlockCount(b), 1);  // kept for reuse, emptied
    EXPECT_EQ(b.pFirst->begin, 0u);
    EXPECT_EQ(b.pFirst->end, 0u);
    EXPECT_EQ(b.Size(), 0u);
    EXPECT_EQ(b.FreeSize(), 3000u);

    Buffer big;
    const auto five = Pattern(5000, 2);
    big.Write(five.data(), 5000);
    EXPECT_EQ(big.pFirst->capacity, 5000u);
    std::vector<BYTE> back(5000);
    EXPECT_EQ(big.Read(back.data(), 5000), 5000u);
    EXPECT_EQ(back, five);
    EXPECT_EQ(big.pFirst, nullptr);
    EXPECT_EQ(big.pLast, nullptr);
}

TEST(BlockBuffer, AWriteThatDoesNotFitAddsABlockSizedForTheWholeWrite) {
    Buffer b;
    const auto a = Pattern(100, 3);
    b.Write(a.data(), 100);  // a block of the minimum size, 1024
    EXPECT_EQ(b.pFirst->capacity, 1024u);
    const auto c = Pattern(2000, 4);
    EXPECT_EQ(b.Write(c.data(), 2000), 2000u);
    ASSERT_EQ(BlockCount(b), 2);
    EXPECT_EQ(b.pFirst->end, 1024u);        // filled up first
    EXPECT_EQ(b.pLast->capacity, 2000u);    // sized n, not the rest
    EXPECT_EQ(b.pLast->end, 2000u - 924u);  // holding only the rest
    EXPECT_EQ(b.Size(), 2100u);
    std::vector<BYTE> out(2100);
    EXPECT_EQ(b.Read(out.data(), 5000), 2100u);
    EXPECT_TRUE(std::equal(a.begin(), a.end(), out.begin()));
    EXPECT_TRUE(std::equal(c.begin(), c.end(), out.begin() + 100));
    EXPECT_EQ(BlockCount(b), 1);  // the first released since another followed; the last kept
}

TEST(BlockBuffer, FreePointerCommitAndDiscard) {
    Buffer b;
    EXPECT_EQ(b.GetFreePointer(0), nullptr);
    EXPECT_EQ(b.Commit(1), 0u);  // no block: nothing to commit into
    EXPECT_EQ(b.FirstData(), nullptr);
    EXPECT_EQ(b.FirstLength(), 0u);

    auto* p = static_cast<BYTE*>(b.GetFreePointer(10));
    ASSERT_NE(p, nullptr);
    std::memcpy(p, "0123456789", 10);
    EXPECT_EQ(b.Commit(10), 10u);
    EXPECT_EQ(b.GetFreePointer(0), p + 10);
    // Beyond the free room (not only beyond the capacity): refused, nothing changes.
    EXPECT_EQ(b.Commit(1024 - 10 + 1), 0u);
    EXPECT_EQ(b.Commit(1024), 0u);
    EXPECT_EQ(b.Size(), 10u);
    EXPECT_EQ(b.pLast->end, 10u);
    EXPECT_EQ(b.Commit(1014), 1014u);  // exactly the room
    EXPECT_EQ(b.Commit(1), 0u);

    EXPECT_EQ(b.Read(nullptr, 4), 4u);  // discarded
    EXPECT_EQ(b.FirstLength(), 1020u);
    EXPECT_EQ(std::memcmp(b.FirstData(), "456789", 6), 0);
    b.Clear();
    EXPECT_EQ(b.Size(), 0u);
    EXPECT_EQ(b.pFirst, nullptr);
}

TEST(BlockBuffer, SizesThatCannotBeHeldAreRefusedWithoutTouchingTheBuffer) {
    Buffer b;
    const auto a = Pattern(10, 5);
    b.Write(a.data(), 10);
    EXPECT_EQ(b.NewBlock(Buffer::kMaxBlock + 1), nullptr);
    EXPECT_EQ(b.NewBlock(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(b.GetFreePointer(0xFFFFFFFFu), nullptr);
    // The source is never read: the size is refused first.
    EXPECT_EQ(b.Write(a.data(), 0xFFFFFFFFu), 0u);
    EXPECT_EQ(b.Write(nullptr, 5), 0u);
    EXPECT_EQ(b.Size(), 10u);
    EXPECT_EQ(BlockCount(b), 1);
    EXPECT_EQ(b.pLast->end, 10u);
}

TEST(BlockBuffer, LockedSizeAndLockMayBeTakenByTheSameThreadAgain) {
    Buffer b;
    b.Lock();
    EXPECT_EQ(b.LockedSize(), 0u);
    b.Unlock();
}

TEST(BlockBuffer, ARandomRunMatchesAPlainQueue) {
    std::mt19937 rng(20261209);
    Buffer b;
    std::deque<BYTE> model;
    std::vector<BYTE> scratch(20000);
    unsigned seed = 0;
    for (int step = 0; step < 20000; ++step) {
        const int op = static_cast<int>(rng() % 4);
        if (op == 0) {
            const DWORD n = rng() % 3 == 0 ? rng() % 9000 : rng() % 300;
            const auto in = Pattern(n, ++seed);
            ASSERT_EQ(b.Write(in.data(), n), n);
            model.insert(model.end(), in.begin(), in.end());
        } else if (op == 1) {
            const DWORD n = rng() % 6000;
            const bool discard = rng() % 3 == 0;
            const DWORD got = b.Read(discard ? nullptr : scratch.data(), n);
            ASSERT_EQ(got, std::min<std::size_t>(n, model.size()));
            if (!discard) {
                ASSERT_TRUE(std::equal(scratch.begin(), scratch.begin() + got, model.begin()));
            }
            model.erase(model.begin(), model.begin() + got);
        } else if (op == 2) {
            const DWORD n = 1 + rng() % 5000;
            auto* p = static_cast<BYTE*>(b.GetFreePointer(n));
            ASSERT_NE(p, nullptr);
            const DWORD k = rng() % (n + 1);
            const auto in = Pattern(k, ++seed);
            if (k != 0) std::memcpy(p, in.data(), k);
            ASSERT_EQ(b.Commit(k), k);
            model.insert(model.end(), in.begin(), in.end());
        } else {
            // The head block as an overlapped write sees it, then its bytes discarded.
            const DWORD first = b.FirstLength();
            if (first != 0) {
                ASSERT_TRUE(std::equal(static_cast<BYTE*>(b.FirstData()),
                                       static_cast<BYTE*>(b.FirstData()) + first, model.begin()));
                const DWORD k = std::min<DWORD>(first, 1024);
                ASSERT_EQ(b.Read(nullptr, k), k);
                model.erase(model.begin(), model.begin() + k);
            }
        }
        ASSERT_EQ(b.Size(), model.size());
        std::size_t held = 0;
        for (auto* p = b.pFirst; p != nullptr; p = p->next) {
            ASSERT_LE(p->begin, p->end);
            ASSERT_LE(p->end, p->capacity);
            ASSERT_GE(p->capacity, Buffer::kMinBlock);
            held += p->end - p->begin;
            if (p->next == nullptr) {
                ASSERT_EQ(p, b.pLast);
            }
        }
        ASSERT_EQ(held, model.size());
    }
}

}  // namespace
