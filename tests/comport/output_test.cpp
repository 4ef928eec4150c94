// Sending: exact bytes, whole calls from several threads, nothing when not open.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <map>
#include <numeric>
#include <thread>

#include "ComPort.h"
#include "port_table.h"
#include "pty_fixture.h"

namespace orva::comport::test {
namespace {

using namespace std::chrono_literals;

class Output : public PtyTest {
protected:
    bool MasterHasData(std::chrono::milliseconds wait) {
        pollfd pfd{master_, POLLIN, 0};
        return ::poll(&pfd, 1, static_cast<int>(wait.count())) > 0 && (pfd.revents & POLLIN);
    }
};

TEST_F(Output, BytesGoOutExactlyAsGiven) {
    CComPort port;
    ASSERT_NE(OpenLikeProgram(port, port_), 0);
    std::vector<unsigned char> all(256);
    std::iota(all.begin(), all.end(), 0);
    EXPECT_EQ(port.Output(all.data(), all.size()), all.size());
    EXPECT_EQ(ReadMaster(all.size(), 5s), all);  // no "\n" -> "\r\n", no stripped bits
    EXPECT_FALSE(MasterHasData(20ms));
}

TEST_F(Output, NothingIsSentBeforeOpenOrAfterClose) {
    CComPort port;
    EXPECT_EQ(port.Output("?", 1), 0u);
    ASSERT_NE(OpenLikeProgram(port, port_), 0);
    EXPECT_EQ(port.Output("?", 1), 1u);
    EXPECT_EQ(ReadMaster(1, 5s), std::vector<unsigned char>{'?'});
    port.Close();
    EXPECT_EQ(port.Output("?", 1), 0u);
    const unsigned char frame[8] = {0xA5, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(port.Output(frame, sizeof frame), 0u);
    EXPECT_EQ(port.Output(nullptr, 8), 0u);
    EXPECT_FALSE(MasterHasData(50ms));

    // A failed open (the gauge was detected, then the port could not be opened) is no
    // different: the program still sends its requests, and they go nowhere.
    CComPort failed;
    EXPECT_EQ(OpenLikeProgram(failed, orva::ports::kLastVirtualPort), 0);
    EXPECT_EQ(failed.Output("?", 1), 0u);
}

// 8-byte frames that never contain '?': marker, sender, sequence in two 7-bit halves with the
// high bit set, a check of both halves, and an end marker.
std::array<unsigned char, 8> Frame(int sender, int seq) {
    std::array<unsigned char, 8> f{};
    f[0] = 0xA5;
    f[1] = static_cast<unsigned char>(sender);
    f[2] = static_cast<unsigned char>(0x80 | ((seq >> 7) & 0x7F));
    f[3] = static_cast<unsigned char>(0x80 | (seq & 0x7F));
    f[4] = static_cast<unsigned char>(0x80 | sender);
    f[5] = static_cast<unsigned char>(f[2] ^ 0x55);
    f[6] = static_cast<unsigned char>(f[3] ^ 0x2A);
    f[7] = 0x5A;
    return f;
}

TEST_F(Output, CallsFromSeveralThreadsNeverInterleave) {
    constexpr int kThreads = 4;
    // All of it fits the terminal's buffer, so no call waits for the reader: the output time-out
    // of a port that takes nothing cannot cut a frame on a busy machine.
    constexpr int kFramesPerThread = 100;
    CComPort port;
    ASSERT_NE(OpenLikeProgram(port, port_), 0);

    size_t expected = 0;
    std::vector<std::thread> senders;
    for (int t = 0; t < kThreads; ++t) {
        senders.emplace_back([&port, t] {
            for (int seq = 0; seq < kFramesPerThread; ++seq) {
                const auto frame = Frame(t, seq);
                ASSERT_EQ(port.Output(frame.data(), frame.size()), frame.size());
                ASSERT_EQ(port.Output("?", 1), 1u);
            }
        });
        expected += kFramesPerThread * 9;
    }

    const std::vector<unsigned char> wire = ReadMaster(expected, 60s);
    for (auto& s : senders) s.join();
    ASSERT_EQ(wire.size(), expected);

    std::map<int, int> nextSeq;
    int requests = 0, badFrames = 0;
    for (size_t i = 0; i < wire.size();) {
        if (wire[i] == '?') {
            ++requests;
            ++i;
            continue;
        }
        ASSERT_LE(i + 8, wire.size());
        const int sender = wire[i + 1];
        const int seq = (wire[i + 2] & 0x7F) << 7 | (wire[i + 3] & 0x7F);
        const auto want = Frame(sender, seq);
        if (sender >= kThreads || !std::equal(want.begin(), want.end(), wire.begin() + i)) {
            ++badFrames;
            ADD_FAILURE() << "torn frame at byte " << i;
            break;
        }
        EXPECT_EQ(seq, nextSeq[sender]) << "sender " << sender;
        nextSeq[sender] = seq + 1;
        i += 8;
    }
    EXPECT_EQ(badFrames, 0);
    EXPECT_EQ(requests, kThreads * kFramesPerThread);
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(nextSeq[t], kFramesPerThread);
}

TEST_F(Output, StuckDeviceGivesUpInsteadOfHanging) {
    // Nobody reads the master side: the queue fills and the call returns what fitted.
    CComPort port;
    ASSERT_NE(OpenLikeProgram(port, port_), 0);
    std::vector<unsigned char> big(8 * 1024 * 1024, 'x');
    const unsigned long written = port.Output(big.data(), big.size());
    EXPECT_LT(written, big.size());

    // Once the far side reads again, the port works as before.
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    unsigned char drain[4096];
    while (::read(master_, drain, sizeof drain) > 0) {
    }
    EXPECT_EQ(port.Output("?", 1), 1u);
}

TEST_F(Output, OutputRacingCloseIsHarmless) {
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    std::atomic<bool> stop{false};
    std::thread drain([&] {
        unsigned char buf[4096];
        while (!stop.load()) {
            if (::read(master_, buf, sizeof buf) <= 0) std::this_thread::sleep_for(200us);
        }
    });
    CComPort port;
    for (int round = 0; round < 30; ++round) {
        ASSERT_NE(OpenLikeProgram(port, port_), 0);
        std::vector<std::thread> senders;
        for (int t = 0; t < 3; ++t) {
            senders.emplace_back([&port] {
                const auto frame = Frame(1, 2);
                for (int i = 0; i < 200; ++i) {
                    const unsigned long n = port.Output(frame.data(), frame.size());
                    ASSERT_TRUE(n == 0 || n == frame.size()) << n;
                }
            });
        }
        std::this_thread::sleep_for(1ms);
        port.Close();
        for (auto& s : senders) s.join();
    }
    stop.store(true);
    drain.join();
}

}  // namespace
}  // namespace orva::comport::test
