// Delivery of received bytes through the receive function, and the receive thread's end.
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <numeric>
#include <random>
#include <thread>

#include "ComPort.h"
#include "pty_fixture.h"

namespace orva::comport::test {
namespace {

using namespace std::chrono_literals;

class Receive : public PtyTest {};

TEST_F(Receive, LargeRandomStreamArrivesWholeAndInOrder) {
    constexpr size_t kSize = 3 * 1024 * 1024 + 17;
    std::vector<unsigned char> sent(kSize);
    std::mt19937 rng(1234);
    for (auto& b : sent) b = static_cast<unsigned char>(rng());

    Sink sink;
    sink.bytes.reserve(kSize);
    CComPort port;
    port.SetReceiveFunc(&Sink::Receive, &sink);
    ASSERT_NE(OpenLikeProgram(port, port_), 0);

    std::thread writer([&] {
        // Uneven pieces, so that blocks start and end anywhere.
        size_t at = 0, piece = 1;
        while (at < kSize) {
            const size_t n = std::min(piece, kSize - at);
            WriteMaster(sent.data() + at, n);
            at += n;
            piece = piece * 7 % 70001 + 1;
        }
    });
    writer.join();
    ASSERT_TRUE(sink.WaitForBytes(kSize, 60s));
    port.Close();

    std::lock_guard guard(sink.lock);
    ASSERT_EQ(sink.bytes.size(), kSize);
    EXPECT_TRUE(sink.bytes == sent)
        << "first difference at "
        << std::mismatch(sink.bytes.begin(), sink.bytes.end(), sent.begin()).first - sink.bytes.begin();
    EXPECT_LE(sink.largestBlock, CComPort::kReceiveBlockSize);
}

TEST_F(Receive, EveryByteValuePassesUntranslated) {
    // Carriage returns, XON/XOFF, interrupt and end-of-file characters are data to the gauge link.
    std::vector<unsigned char> all(256);
    std::iota(all.begin(), all.end(), 0);
    Sink sink;
    CComPort port;
    port.SetReceiveFunc(&Sink::Receive, &sink);
    ASSERT_NE(OpenLikeProgram(port, port_), 0);
    WriteMaster(all.data(), all.size());
    WriteMaster(all.data(), all.size());
    ASSERT_TRUE(sink.WaitForBytes(512));
    port.Close();
    std::vector<unsigned char> twice = all;
    twice.insert(twice.end(), all.begin(), all.end());
    std::lock_guard guard(sink.lock);
    EXPECT_EQ(sink.bytes, twice);
}

// Counts callbacks and notes one that ran after Close had returned.
struct ClosingProbe {
    std::atomic<bool> closed{false};
    std::atomic<long> calls{0};
    std::atomic<long> lateCalls{0};

    static void Receive(void* context, void*, unsigned long) {
        auto* p = static_cast<ClosingProbe*>(context);
        p->calls.fetch_add(1);
        if (p->closed.load()) p->lateCalls.fetch_add(1);
        std::this_thread::sleep_for(50us);  // widen the window a late callback would fall into
    }
};

TEST_F(Receive, NoCallbackRunsAfterCloseReturns) {
    std::atomic<bool> stopWriter{false};
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);  // the writer must see its stop
    std::thread writer([&] {
        const unsigned char chunk[64] = {};
        while (!stopWriter.load()) {
            if (::write(master_, chunk, sizeof chunk) < 0) std::this_thread::sleep_for(100us);
        }
    });
    CComPort port;
    for (int round = 0; round < 40; ++round) {
        ClosingProbe probe;
        port.SetReceiveFunc(&ClosingProbe::Receive, &probe);
        ASSERT_NE(OpenLikeProgram(port, port_), 0);
        ASSERT_TRUE(WaitUntil([&] { return probe.calls.load() >= 3; })) << round;
        port.Close();
        probe.closed.store(true);
        std::this_thread::sleep_for(2ms);
        EXPECT_EQ(probe.lateCalls.load(), 0) << round;
    }
    stopWriter.store(true);
    writer.join();
}

struct SelfClosing {
    CComPort* port = nullptr;
    std::atomic<long> calls{0};
    std::atomic<bool> closeReturned{false};
    std::atomic<bool> openAfterClose{true};

    static void Receive(void* context, void*, unsigned long) {
        auto* s = static_cast<SelfClosing*>(context);
        if (s->calls.fetch_add(1) == 0) {
            s->port->Close();
            s->openAfterClose.store(s->port->IsOpen());
            s->closeReturned.store(true);
        }
    }
};

TEST_F(Receive, CloseFromTheReceiveFunctionStopsWithoutDeadlock) {
    CComPort port;
    SelfClosing self;
    self.port = &port;
    port.SetReceiveFunc(&SelfClosing::Receive, &self);
    ASSERT_NE(OpenLikeProgram(port, port_), 0);
    WriteMaster("first", 5);
    ASSERT_TRUE(WaitUntil([&] { return self.closeReturned.load(); }));
    EXPECT_FALSE(self.openAfterClose.load());
    EXPECT_FALSE(port.IsOpen());
    ASSERT_TRUE(WaitUntil([] { return ReceiveThreadCount() == 0; }));

    WriteMaster("more", 4);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(self.calls.load(), 1);
    EXPECT_EQ(port.Output("?", 1), 0u);

    // The device was let go at once: another object can take it while this one still
    // holds its finished thread.
    CComPort other;
    Sink sink;
    other.SetReceiveFunc(&Sink::Receive, &sink);
    EXPECT_NE(OpenLikeProgram(other, port_), 0);
    other.Close();

    port.Close();
    ASSERT_NE(OpenLikeProgram(port, port_), 0);
    WriteMaster("x", 1);
    ASSERT_TRUE(WaitUntil([&] { return self.calls.load() >= 2; }));
}

double ProcessCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

TEST_F(Receive, UnpluggedDeviceEndsTheReceiveThreadWithoutSpinning) {
    Sink sink;
    CComPort port;
    port.SetReceiveFunc(&Sink::Receive, &sink);
    ASSERT_NE(OpenLikeProgram(port, port_), 0);
    WriteMaster("12.5 N\r", 7);
    ASSERT_TRUE(sink.WaitForBytes(7));
    ASSERT_EQ(ReceiveThreadCount(), 1);

    ::close(slaveKeeper_);  // nobody else holds the slave: it hangs up for good
    slaveKeeper_ = -1;
    Unplug();
    EXPECT_TRUE(WaitUntil([] { return ReceiveThreadCount() == 0; }));

    // A spin detector, not a timing requirement: an idle process uses next to nothing.
    const double before = ProcessCpuMs();
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(ProcessCpuMs() - before, 50.0);

    EXPECT_TRUE(port.IsOpen());  // until the program disconnects
    EXPECT_EQ(port.Output("?", 1), 0u);
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(sink.Size(), 7u);
}

TEST_F(Receive, UnplugWhileBytesArriveDeliversWhatCameBeforeIt) {
    Sink sink;
    CComPort port;
    port.SetReceiveFunc(&Sink::Receive, &sink);
    ASSERT_NE(OpenLikeProgram(port, port_), 0);
    std::vector<unsigned char> data(3000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 31);
    WriteMaster(data.data(), data.size());
    ::close(slaveKeeper_);
    slaveKeeper_ = -1;
    Unplug();
    ASSERT_TRUE(WaitUntil([] { return ReceiveThreadCount() == 0; }));
    port.Close();
    std::lock_guard guard(sink.lock);
    // Whatever arrived is a prefix of what was sent, in order.
    ASSERT_LE(sink.bytes.size(), data.size());
    EXPECT_TRUE(std::equal(sink.bytes.begin(), sink.bytes.end(), data.begin()));
}

}  // namespace
}  // namespace orva::comport::test
