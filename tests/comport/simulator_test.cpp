// End to end with the gauge simulator: requests out through CComPort, replies back
// through the receive function.
#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ComPort.h"
#include "gauge_sim.h"
#include "port_table.h"
#include "pty_fixture.h"
#include "temp_folder.h"
#include "test_machine.h"

namespace orva::comport::test {
namespace {

using namespace std::chrono_literals;

// Splits the received bytes into CR-terminated lines, as the program's reader would.
struct LineCollector {
    std::mutex lock;
    std::string partial;
    std::vector<std::string> lines;
    std::vector<unsigned char> raw;

    static void Receive(void* context, void* data, unsigned long length) {
        auto* c = static_cast<LineCollector*>(context);
        const auto* p = static_cast<const char*>(data);
        std::lock_guard guard(c->lock);
        c->raw.insert(c->raw.end(), p, p + length);
        for (unsigned long i = 0; i < length; ++i) {
            if (p[i] == '\r') {
                c->lines.push_back(c->partial);
                c->partial.clear();
            } else {
                c->partial += p[i];
            }
        }
    }
    size_t LineCount() {
        std::lock_guard guard(lock);
        return lines.size();
    }
};

class WithSimulator : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = orva::testing::MakeTempFolder("comport-sim-test");
        ASSERT_FALSE(dir_.empty());
        orva::testing::UseVirtualPortFolder(dir_);
    }
    void TearDown() override {
        sim_.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        orva::testing::UseMachinePortTable();
    }
    int StartSimulator(orva::sim::SimOptions options) {
        sim_ = std::make_unique<orva::sim::GaugeSimulator>(std::move(options));
        if (!sim_->Open()) return 0;
        return sim_->RegisterVirtualPort("USB Force Gauge");
    }

    std::string dir_;
    std::unique_ptr<orva::sim::GaugeSimulator> sim_;
};

orva::sim::SimOptions SequenceOptions() {
    orva::sim::SimOptions o;
    o.profile.kind = orva::sim::LoadProfile::Kind::Sequence;
    o.profile.sequence = {"12.3456", "-0.5000", "100.0"};
    o.unitText = "N";
    return o;
}

TEST_F(WithSimulator, RequestIsAnsweredWithAReadingLine) {
    const int number = StartSimulator(SequenceOptions());
    ASSERT_GT(number, 0);
    LineCollector lines;
    CComPort port;
    port.SetReceiveFunc(&LineCollector::Receive, &lines);
    ASSERT_NE(OpenLikeProgram(port, number), 0);

    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(port.Output("?", 1), 1u);
        ASSERT_TRUE(WaitUntil([&] { return lines.LineCount() == static_cast<size_t>(i + 1); })) << i;
    }
    std::lock_guard guard(lines.lock);
    EXPECT_EQ(lines.lines, (std::vector<std::string>{"12.3456 N", "-0.5000 N", "100.0 N", "12.3456 N"}));
    EXPECT_EQ(lines.partial, "");
}

TEST_F(WithSimulator, RequestsFromFourThreadsAreEachAnsweredOnce) {
    constexpr int kThreads = 4, kPerThread = 300;
    const int number = StartSimulator(SequenceOptions());
    ASSERT_GT(number, 0);
    sim_->SetRecordReceived(true);
    LineCollector lines;
    CComPort port;
    port.SetReceiveFunc(&LineCollector::Receive, &lines);
    ASSERT_NE(OpenLikeProgram(port, number), 0);

    std::vector<std::thread> senders;
    for (int t = 0; t < kThreads; ++t) {
        senders.emplace_back([&] {
            for (int i = 0; i < kPerThread; ++i) {
                ASSERT_EQ(port.Output("?", 1), 1u);
                if (i % 16 == 0) std::this_thread::sleep_for(200us);
            }
        });
    }
    for (auto& s : senders) s.join();
    ASSERT_TRUE(WaitUntil([&] { return lines.LineCount() == kThreads * kPerThread; }, 30s))
        << lines.LineCount() << " lines";
    EXPECT_EQ(sim_->RequestsReceived(), static_cast<std::uint64_t>(kThreads * kPerThread));
    EXPECT_EQ(sim_->LinesSent(), static_cast<std::uint64_t>(kThreads * kPerThread));
    EXPECT_EQ(sim_->Received(), std::vector<std::uint8_t>(kThreads * kPerThread, '?'));
    std::lock_guard guard(lines.lock);
    for (size_t i = 0; i < lines.lines.size(); ++i) {
        ASSERT_EQ(lines.lines[i], SequenceOptions().profile.sequence[i % 3] + " N") << i;
    }
}

TEST_F(WithSimulator, ConnectRequestFrameGoesOutWholeAndFramesComeBack) {
    orva::sim::SimOptions o = SequenceOptions();
    o.memory = orva::sim::GenerateRecords(5);
    const int number = StartSimulator(o);
    ASSERT_GT(number, 0);
    LineCollector collector;
    CComPort port;
    port.SetReceiveFunc(&LineCollector::Receive, &collector);
    ASSERT_NE(OpenLikeProgram(port, number), 0);

    ASSERT_EQ(port.Output(orva::sim::kConnectRequest, 8), 8u);
    const auto expected = orva::sim::BuildRecordFrame(o.memory, 0, 5);
    ASSERT_TRUE(WaitUntil([&] {
        std::lock_guard guard(collector.lock);
        return collector.raw.size() >= expected.size();
    }));
    EXPECT_EQ(sim_->ConnectRequests(), 1u);
    EXPECT_EQ(sim_->BadRequestFrames(), 0u);
    std::lock_guard guard(collector.lock);
    EXPECT_EQ(std::vector<std::uint8_t>(collector.raw.begin(), collector.raw.begin() + expected.size()),
              expected);
}

TEST_F(WithSimulator, SilentGaugeThenUnplugEndsQuietly) {
    const int number = StartSimulator(SequenceOptions());
    ASSERT_GT(number, 0);
    LineCollector lines;
    CComPort port;
    port.SetReceiveFunc(&LineCollector::Receive, &lines);
    ASSERT_NE(OpenLikeProgram(port, number), 0);

    sim_->SetSilent(true);
    EXPECT_EQ(port.Output("?", 1), 1u);
    ASSERT_TRUE(WaitUntil([&] { return sim_->RequestsReceived() == 1; }));
    EXPECT_EQ(lines.LineCount(), 0u);

    sim_->Unplug();
    EXPECT_TRUE(WaitUntil([] { return ReceiveThreadCount() == 0; }));
    EXPECT_EQ(port.Output("?", 1), 0u);
    port.Close();
    // The number is gone with the device.
    EXPECT_EQ(OpenLikeProgram(port, number), 0);
}

}  // namespace
}  // namespace orva::comport::test
