// The receive callback's side of the ring, and a reader that blocks on an empty ring.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

#include "AcquisitionSettings.h"
#include "KvDlg.h"
#include "ReceiveRing.h"
#include "afx_testing.h"
#include "win32_thread.h"

namespace {

class ReceiveRingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { afx::testing::EnsureApplication(); }
    void SetUp() override {
        dlg_ = std::make_unique<CKvDlg>();
        g_bRealTimeMode = 1;
    }
    void TearDown() override { g_bRealTimeMode = 1; }

    void Feed(const std::vector<BYTE>& block) {
        OnPortReceive(dlg_.get(), const_cast<BYTE*>(block.data()), static_cast<unsigned long>(block.size()));
    }
    static std::vector<BYTE> Pattern(std::size_t n, int start = 0) {
        std::vector<BYTE> v(n);
        for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<BYTE>((start + i) % 251);
        return v;
    }
    void SetPositions(std::int32_t read, std::int32_t write) {
        dlg_->m_nRxRead = read;
        dlg_->m_nRxWrite = write;
    }

    std::unique_ptr<CKvDlg> dlg_;
};

TEST_F(ReceiveRingTest, RealTimeFullRingDropsBytesOneByOne) {
    Feed(Pattern(4095));  // read 0: the ring now holds 4095 unread bytes
    EXPECT_EQ(dlg_->m_nRxWrite, 4095);
    Feed(Pattern(10, 100));  // every byte finds the ring full
    EXPECT_EQ(dlg_->m_nRxWrite, 4095);
    EXPECT_EQ(dlg_->m_bRxOverflow, 0);  // only upload mode flags it
    EXPECT_EQ(dlg_->m_rxRing[4094], Pattern(4095)[4094]);

    // The reader frees five slots: five bytes of the next block are stored, the rest dropped.
    dlg_->m_nRxRead = 5;
    Feed({'A', 'B', 'C', 'D', 'E', 'F', 'G'});
    EXPECT_EQ(dlg_->m_nRxWrite, 4);
    EXPECT_EQ(dlg_->m_rxRing[4095], 'A');
    EXPECT_EQ(dlg_->m_rxRing[0], 'B');
    EXPECT_EQ(dlg_->m_rxRing[3], 'E');
    EXPECT_EQ(dlg_->m_rxRing[4], Pattern(4095)[4]);  // the free slot is not written
}

TEST_F(ReceiveRingTest, RealTimeReadPositionAtRingEndCountsAsFull) {
    SetPositions(kRxRingSize, 4095);  // the reader stands at 4096 before it wraps
    Feed({'x'});
    EXPECT_EQ(dlg_->m_nRxWrite, 4095);
    SetPositions(0, 4095);
    Feed({'x'});
    EXPECT_EQ(dlg_->m_nRxWrite, 4095);
}

TEST_F(ReceiveRingTest, UploadOverflowDropsTheRestOfTheBlock) {
    g_bRealTimeMode = 0;
    SetPositions(0, 4000);
    const auto block = Pattern(200);
    Feed(block);
    EXPECT_EQ(dlg_->m_nRxWrite, 4095);
    EXPECT_EQ(dlg_->m_bRxOverflow, 1);
    EXPECT_EQ(dlg_->m_rxRing[4000], block[0]);
    EXPECT_EQ(dlg_->m_rxRing[4094], block[94]);
    EXPECT_EQ(dlg_->m_rxRing[4095], 0);

    // Room again (the reader moved on): a later block is stored; the flag stays until reset.
    dlg_->m_nRxRead = 4095;
    Feed({'q'});
    EXPECT_EQ(dlg_->m_rxRing[4095], 'q');
    EXPECT_EQ(dlg_->m_nRxWrite, 0);
    EXPECT_EQ(dlg_->m_bRxOverflow, 1);
}

TEST_F(ReceiveRingTest, WritePositionWrapsInBothModes) {
    for (int mode : {1, 0}) {
        g_bRealTimeMode = mode;
        SetPositions(4090, 4090);
        const auto block = Pattern(10, mode * 7);
        Feed(block);
        EXPECT_EQ(dlg_->m_nRxWrite, 4) << mode;
        for (int i = 0; i < 6; ++i) EXPECT_EQ(dlg_->m_rxRing[4090 + i], block[i]) << mode;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(dlg_->m_rxRing[i], block[6 + i]) << mode;
        EXPECT_EQ(dlg_->m_bRxOverflow, 0) << mode;
    }
}

TEST_F(ReceiveRingTest, BlockCountersAndLastBlockCopy) {
    Feed({'a', 'b', 'c'});
    EXPECT_EQ(dlg_->m_nRxBlockCount, 1u);
    EXPECT_EQ(dlg_->m_nRxLastLength, 3u);
    EXPECT_EQ(dlg_->m_rxLastBlock[2], 'c');
    OnPortReceive(dlg_.get(), nullptr, 0);  // an empty block still counts
    EXPECT_EQ(dlg_->m_nRxBlockCount, 2u);
    EXPECT_EQ(dlg_->m_nRxLastLength, 0u);
    EXPECT_EQ(dlg_->m_nRxWrite, 3);

    // Longer than the copy: the copy keeps its first 65,536 bytes and nothing is written past it.
    g_bRealTimeMode = 0;
    SetPositions(0, 0);
    const auto big = Pattern(70000);
    Feed(big);
    EXPECT_EQ(dlg_->m_nRxLastLength, 70000u);
    EXPECT_EQ(dlg_->m_rxLastBlock[65535], big[65535]);
    EXPECT_EQ(dlg_->m_nRxWrite, 4095);
}

// True once a reader has raised its flag to sleep on the empty ring.
bool ReaderFallsAsleep(CKvDlg& dlg) {
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (dlg.m_nRxReaderWaiting.load() == 0) {
        if (std::chrono::steady_clock::now() > bound) return false;
        std::this_thread::yield();
    }
    return true;
}

TEST_F(ReceiveRingTest, ReaderBlocksUntilBytesArrive) {
    auto waited = std::async(std::launch::async, [&] { return WaitForRxData(*dlg_); });
    ASSERT_TRUE(ReaderFallsAsleep(*dlg_));
    Feed({'z'});
    ASSERT_EQ(waited.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(waited.get());
    EXPECT_EQ(dlg_->m_nRxReaderWaiting, 0);
}

struct StopCase {
    CKvDlg* dlg;
    std::atomic<int> result{-1};
};

DWORD WaitingThread(LPVOID param) {
    auto* c = static_cast<StopCase*>(param);
    RxReaderStopWake wake(*c->dlg);
    c->result = WaitForRxData(*c->dlg) ? 1 : 0;
    return 0;
}

TEST_F(ReceiveRingTest, StopRequestWakesAWaitingReader) {
    StopCase c;
    c.dlg = dlg_.get();
    DWORD id = 0;
    HANDLE h = CreateThread(nullptr, 0, WaitingThread, &c, 0, &id);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(ReaderFallsAsleep(*dlg_));
    // Returns only once the thread has ended: a reader that did not wake would hang here.
    auto stopped = std::async(std::launch::async, [&] { return TerminateThread(h, id); });
    ASSERT_EQ(stopped.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(c.result, 0);
    CloseHandle(h);
}

// A reader on its own thread takes every byte that the callback stored, in order. It sleeps in
// WaitForRxData like the acquisition thread and, like it, ends on a stop request: once the feeding
// is over, the test asks it to stop, and it takes what is still in the ring before it returns.
struct RingReader {
    CKvDlg* dlg = nullptr;
    std::vector<BYTE> got;
    HANDLE thread = nullptr;
};

DWORD RingReaderThread(LPVOID param) {
    auto* reader = static_cast<RingReader*>(param);
    CKvDlg& dlg = *reader->dlg;
    RxReaderStopWake wake(dlg);
    bool stopping = false;
    for (;;) {
        const std::int32_t r = dlg.m_nRxRead.load(std::memory_order_relaxed);
        if (dlg.m_nRxWrite.load(std::memory_order_acquire) != r) {
            reader->got.push_back(dlg.m_rxRing[r]);
            dlg.m_nRxRead.store((r + 1) % kRxRingSize, std::memory_order_release);
            continue;
        }
        if (stopping) return 0;
        stopping = !WaitForRxData(dlg);
    }
}

void StartReader(RingReader& reader, CKvDlg& dlg) {
    reader.dlg = &dlg;
    DWORD id = 0;
    reader.thread = CreateThread(nullptr, 0, RingReaderThread, &reader, 0, &id);
    ASSERT_NE(reader.thread, nullptr);
}

// Stop request and join: the reader wakes, drains the ring and returns.
void FinishReader(RingReader& reader) {
    TerminateThread(reader.thread, 0);
    CloseHandle(reader.thread);
    reader.thread = nullptr;
}

TEST_F(ReceiveRingTest, UploadBlocksThatFitArriveWholeAndInOrder) {
    g_bRealTimeMode = 0;
    RingReader reader;
    StartReader(reader, *dlg_);
    std::mt19937 rng(3);
    std::vector<BYTE> sent;
    int value = 0;
    while (sent.size() < 300000) {
        const std::size_t n = 1 + rng() % 700;
        // Flow control on the test's side: only blocks that fit, so nothing may be lost.
        const std::int32_t used =
            (dlg_->m_nRxWrite.load() - dlg_->m_nRxRead.load() + kRxRingSize) % kRxRingSize;
        if (static_cast<std::size_t>(kRxRingSize - 1 - used) < n) {
            std::this_thread::yield();
            continue;
        }
        std::vector<BYTE> block(n);
        for (BYTE& b : block) b = static_cast<BYTE>(value++ % 253);
        Feed(block);
        sent.insert(sent.end(), block.begin(), block.end());
    }
    FinishReader(reader);
    const auto& got = reader.got;
    EXPECT_EQ(dlg_->m_bRxOverflow, 0);
    ASSERT_EQ(got.size(), sent.size());
    EXPECT_TRUE(got == sent);
}

TEST_F(ReceiveRingTest, RealTimeBytesAfterAFullRingAreStoredOnceTheReaderFreesRoom) {
    RingReader reader;
    StartReader(reader, *dlg_);
    // One long block: the ring fills within it; the reader, woken, drains it while the callback
    // may still be going through the block (how much of it depends on the scheduler).
    std::vector<BYTE> block(8u << 20);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<BYTE>(i % 241);
    Feed(block);
    // Once the reader has emptied the ring, the next block finds room and is stored whole.
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (dlg_->m_nRxRead.load() != dlg_->m_nRxWrite.load() && std::chrono::steady_clock::now() < bound) {
        std::this_thread::yield();
    }
    const std::vector<BYTE> next = Pattern(1000, 250);
    Feed(next);
    FinishReader(reader);
    const auto& got = reader.got;
    ASSERT_GE(got.size(), 4095u + next.size());
    EXPECT_TRUE(std::equal(next.begin(), next.end(), got.end() - static_cast<std::ptrdiff_t>(next.size())));
    // What arrived of the long block is the block with some bytes left out, never reordered or
    // invented.
    std::size_t j = 0;
    for (std::size_t k = 0; k + next.size() < got.size(); ++k) {
        while (j < block.size() && block[j] != got[k]) ++j;
        ASSERT_LT(j, block.size());
        ++j;
    }
}

}  // namespace
