// The simulator on a real pseudo-terminal, seen from the program's side.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "gauge_sim.h"
#include "port_table.h"
#include "slave_port.h"
#include "temp_folder.h"
#include "test_machine.h"

namespace sim = orva::sim;
using gauge_sim_test::DecodedFrame;
using gauge_sim_test::ReadFrame;
using gauge_sim_test::SlavePort;

namespace {

std::string Connect() {
    return std::string(std::begin(sim::kConnectRequest), std::end(sim::kConnectRequest));
}
std::string Next() {
    return std::string(std::begin(sim::kNextRequest), std::end(sim::kNextRequest));
}

sim::SimOptions RampOptions() {
    sim::SimOptions o;
    o.profile.kind = sim::LoadProfile::Kind::Ramp;
    o.profile.start = 1;
    o.profile.peak = 3;
    o.profile.slopePerReading = 0.5;
    o.profile.decimals = 2;
    return o;
}

TEST(GaugeSimulator, AnswersEachReadingRequestWithOneLine) {
    sim::GaugeSimulator gauge(RampOptions());
    ASSERT_TRUE(gauge.Open());
    EXPECT_EQ(gauge.SlavePath().rfind("/dev/pts/", 0), 0u);
    SlavePort port(gauge.SlavePath());
    ASSERT_TRUE(port.ok());

    const char* expected[] = {"1.00 N\r", "1.50 N\r", "2.00 N\r", "2.50 N\r", "3.00 N\r", "3.00 N\r"};
    for (const char* line : expected) {
        ASSERT_TRUE(port.Write("?"));
        EXPECT_EQ(port.ReadUntil('\r'), line);
    }
    // Requests written in one go are all answered, in order, and nothing else is sent.
    ASSERT_TRUE(port.Write(std::string(50, '?')));
    for (int i = 0; i < 50; ++i) ASSERT_EQ(port.ReadUntil('\r'), "3.00 N\r") << i;
    EXPECT_EQ(port.Drain(30), "");
    EXPECT_EQ(gauge.RequestsReceived(), 56u);
    EXPECT_EQ(gauge.LinesSent(), 56u);

    gauge.RestartProfile();
    ASSERT_TRUE(port.Write("?"));
    EXPECT_EQ(port.ReadUntil('\r'), "1.00 N\r");
}

TEST(GaugeSimulator, LineFeedUnitAndBreakProfile) {
    sim::SimOptions o;
    o.profile.kind = sim::LoadProfile::Kind::Break;
    o.profile.start = 0;
    o.profile.peak = 20;
    o.profile.slopePerReading = 10;
    o.profile.breakShare = 0.8;
    o.profile.decimals = 1;
    o.unitText = sim::UnitTextForCode(32);
    o.lineFeed = true;
    sim::GaugeSimulator gauge(o);
    ASSERT_TRUE(gauge.Open());
    SlavePort port(gauge.SlavePath());
    ASSERT_TRUE(port.Write("????"));
    EXPECT_EQ(port.ReadUntil('\n'), "0.0 N.m\r\n");
    EXPECT_EQ(port.ReadUntil('\n'), "10.0 N.m\r\n");
    EXPECT_EQ(port.ReadUntil('\n'), "20.0 N.m\r\n");
    EXPECT_EQ(port.ReadUntil('\n'), "8.0 N.m\r\n");
}

TEST(GaugeSimulator, ProgramMayCloseAndReopenThePort) {
    sim::GaugeSimulator gauge(RampOptions());
    ASSERT_TRUE(gauge.Open());
    for (int round = 0; round < 3; ++round) {
        SlavePort port(gauge.SlavePath());
        ASSERT_TRUE(port.Write("?"));
        EXPECT_EQ(port.ReadUntil('\r').back(), '\r');
    }
    EXPECT_EQ(gauge.LinesSent(), 3u);
}

// Reads a whole upload the way the program asks for it; returns the record frames' payloads.
struct Upload {
    std::vector<DecodedFrame> recordFrames;
    bool endSeen = false;
};
Upload RunUpload(SlavePort& port) {
    Upload u;
    if (!port.Write(Connect())) return u;
    for (int guard = 0; guard < 1000; ++guard) {
        auto f = ReadFrame(port);
        if (!f || !f->crcOk) return u;
        if (f->command == sim::kFrameEnd) {
            u.endSeen = f->payload.empty();
            return u;
        }
        u.recordFrames.push_back(*f);
        if (!port.Write(Next())) return u;
    }
    return u;
}

std::vector<sim::MemoryRecordData> DecodeRecords(const std::vector<DecodedFrame>& frames) {
    std::vector<sim::MemoryRecordData> out;
    for (const DecodedFrame& f : frames) {
        for (std::size_t g = 0; g + 7 <= f.payload.size(); g += 7) {
            const std::uint8_t* p = f.payload.data() + g;
            out.push_back({static_cast<std::uint16_t>(p[0] << 8 | p[1]), p[2], p[3], p[4], p[5], p[6]});
        }
    }
    return out;
}

sim::SimOptions UploadOptions(std::size_t records) {
    sim::SimOptions o;
    o.memory = sim::GenerateRecords(records, 11);
    o.upload.repeatGapMs = 0;  // this test acknowledges without the program's pauses
    return o;
}

TEST(GaugeSimulator, UploadOf999RecordsDecodesBack) {
    sim::GaugeSimulator gauge(UploadOptions(999));
    ASSERT_TRUE(gauge.Open());
    SlavePort port(gauge.SlavePath());
    const Upload u = RunUpload(port);
    ASSERT_TRUE(u.endSeen);
    ASSERT_EQ(u.recordFrames.size(), 29u);
    for (std::size_t i = 0; i < 28; ++i) {
        EXPECT_EQ(u.recordFrames[i].command, sim::kFrameRecords);
        EXPECT_EQ(u.recordFrames[i].payload.size(), 35u * 7u) << i;
    }
    EXPECT_EQ(u.recordFrames[28].payload.size(), (999u - 28u * 35u) * 7u);
    EXPECT_EQ(DecodeRecords(u.recordFrames), sim::GenerateRecords(999, 11));
    EXPECT_EQ(gauge.FramesSent(), 30u);
    EXPECT_EQ(gauge.ConnectRequests(), 1u);
    EXPECT_EQ(gauge.NextRequests(), 29u);
    EXPECT_EQ(gauge.BlocksAcknowledged(), 29u);
    EXPECT_TRUE(gauge.UploadFinished());
    EXPECT_EQ(gauge.RequestsReceived(), 0u);  // the 3F 3F of the connect request are no readings
    EXPECT_EQ(gauge.LinesSent(), 0u);
    EXPECT_EQ(port.Drain(30), "");

    // Readings are answered again once the upload is over.
    ASSERT_TRUE(port.Write("?"));
    EXPECT_EQ(port.ReadUntil('\r'), "0.000 N\r");
}

TEST(GaugeSimulator, SmallerFramesAndEmptyMemory) {
    auto o = UploadOptions(10);
    o.recordsPerFrame = 4;
    sim::GaugeSimulator gauge(o);
    ASSERT_TRUE(gauge.Open());
    SlavePort port(gauge.SlavePath());
    const Upload u = RunUpload(port);
    ASSERT_TRUE(u.endSeen);
    ASSERT_EQ(u.recordFrames.size(), 3u);
    EXPECT_EQ(u.recordFrames[2].payload.size(), 14u);
    EXPECT_EQ(DecodeRecords(u.recordFrames), o.memory);

    sim::GaugeSimulator empty(UploadOptions(0));
    ASSERT_TRUE(empty.Open());
    SlavePort port2(empty.SlavePath());
    const Upload e = RunUpload(port2);
    EXPECT_TRUE(e.endSeen);
    EXPECT_TRUE(e.recordFrames.empty());
}

TEST(GaugeSimulator, ReadingRequestsDuringAnUploadAreNotAnswered) {
    sim::GaugeSimulator gauge(UploadOptions(70));
    ASSERT_TRUE(gauge.Open());
    SlavePort port(gauge.SlavePath());
    ASSERT_TRUE(port.Write(Connect() + "?"));
    auto f = ReadFrame(port);
    ASSERT_TRUE(f && f->crcOk);
    EXPECT_EQ(port.Drain(30), "");
    EXPECT_EQ(gauge.RequestsReceived(), 1u);
    EXPECT_EQ(gauge.LinesSent(), 0u);
}

TEST(GaugeSimulator, BadCrcFramesAndTheirResend) {
    auto o = UploadOptions(40);
    o.upload = {};  // the real rules: a repeated connect resends after the guard time
    // ... but a stall of the test must not let the upload lapse: the first block would then go out
    // as a new upload's, not as a resend.
    o.upload.sessionIdleMs = 3600 * 1000;
    sim::GaugeSimulator gauge(o);
    gauge.CorruptNextFrames(1);
    ASSERT_TRUE(gauge.Open());
    SlavePort port(gauge.SlavePath());
    ASSERT_TRUE(port.Write(Connect()));
    auto bad = ReadFrame(port);
    ASSERT_TRUE(bad);
    EXPECT_FALSE(bad->crcOk);
    EXPECT_EQ(bad->command, sim::kFrameRecords);

    // The program sees no valid frame and repeats the connect request every 10 ms.
    std::optional<DecodedFrame> good;
    for (int i = 0; i < 200 && !good; ++i) {
        ASSERT_TRUE(port.Write(Connect()));
        if (port.WaitReadable(10)) good = ReadFrame(port);
    }
    ASSERT_TRUE(good);
    EXPECT_TRUE(good->crcOk);
    EXPECT_EQ(good->payload, bad->payload);  // the same first block, not the next one
    EXPECT_EQ(gauge.FramesResent(), 1u);
    EXPECT_EQ(gauge.FramesSent(), 2u);
}

TEST(GaugeSimulator, UploadRequestsThatCrossAFrameOnTheLineAreIgnored) {
    auto o = UploadOptions(80);
    o.upload = {};
    sim::GaugeSimulator gauge(o);
    ASSERT_TRUE(gauge.Open());
    SlavePort port(gauge.SlavePath());
    ASSERT_TRUE(port.Write(Connect()));
    ASSERT_TRUE(port.WaitReadable(10000));
    // A busy program has not read the first block yet and goes on asking, long after the
    // resend guard: the block must not come twice.
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    ASSERT_TRUE(port.Write(Connect()));
    ASSERT_TRUE(port.Write(Next()));
    for (int i = 0; i < 10000 && (gauge.ConnectRequests() < 2 || gauge.NextRequests() < 1); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(gauge.NextRequests(), 1u);
    EXPECT_EQ(gauge.FramesSent(), 1u);
    EXPECT_EQ(gauge.FramesResent(), 0u);
    auto first = ReadFrame(port);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->crcOk);

    // Taken now: the next request acknowledges it.
    ASSERT_TRUE(port.Write(Next()));
    auto second = ReadFrame(port);
    ASSERT_TRUE(second);
    EXPECT_NE(second->payload, first->payload);
    EXPECT_EQ(gauge.BlocksAcknowledged(), 1u);
    EXPECT_EQ(gauge.FramesResent(), 0u);
}

TEST(GaugeSimulator, BadRequestFramesGetNoAnswer) {
    sim::GaugeSimulator gauge(UploadOptions(5));
    ASSERT_TRUE(gauge.Open());
    SlavePort port(gauge.SlavePath());
    std::string swapped = Connect();
    std::swap(swapped[6], swapped[7]);
    ASSERT_TRUE(port.Write(swapped));
    // Once the gauge has taken the frame (and refused it), nothing has come back.
    for (int i = 0; i < 10000 && gauge.BadRequestFrames() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(port.Drain(50), "");
    EXPECT_EQ(gauge.BadRequestFrames(), 1u);
    EXPECT_EQ(gauge.FramesSent(), 0u);
    EXPECT_EQ(gauge.ConnectRequests(), 0u);
}

TEST(GaugeSimulator, SilentGaugeCountsButAnswersNothing) {
    sim::GaugeSimulator gauge(UploadOptions(5));
    gauge.SetSilent(true);
    ASSERT_TRUE(gauge.Open());
    SlavePort port(gauge.SlavePath());
    ASSERT_TRUE(port.Write("??" + Connect() + Next()));
    for (int i = 0; i < 10000 && gauge.NextRequests() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(port.Drain(80), "");
    EXPECT_EQ(gauge.RequestsReceived(), 2u);
    EXPECT_EQ(gauge.ConnectRequests(), 1u);
    EXPECT_EQ(gauge.NextRequests(), 1u);
    EXPECT_EQ(gauge.LinesSent() + gauge.FramesSent(), 0u);

    gauge.SetSilent(false);
    ASSERT_TRUE(port.Write("?"));
    EXPECT_EQ(port.ReadUntil('\r'), "0.000 N\r");
}

TEST(GaugeSimulator, GarbageSplitAndDroppedBytes) {
    auto o = RampOptions();
    o.splitPauseMs = 200;  // long enough that the halves cannot merge on the reader's side
    sim::GaugeSimulator gauge(o);
    ASSERT_TRUE(gauge.Open());
    SlavePort port(gauge.SlavePath());

    gauge.InjectGarbage("\x01xyz");
    EXPECT_EQ(port.ReadBytes(4), "\x01xyz");

    // "1.00 N\r" in two writes. A reader that comes later than the pause finds both halves in one
    // read, which shows nothing: the line is asked for again, a few times at most.
    gauge.SetSplitWrites(true);
    bool halvesSeen = false;
    for (int attempt = 0; attempt < 10 && !halvesSeen; ++attempt) {
        gauge.RestartProfile();
        ASSERT_TRUE(port.Write("?"));
        const auto first = port.ReadSome();
        ASSERT_FALSE(first.timedOut);
        if (first.bytes == "1.00 N\r") continue;
        EXPECT_EQ(first.bytes, "1.0");
        EXPECT_EQ(port.ReadUntil('\r'), "0 N\r");
        halvesSeen = true;
    }
    EXPECT_TRUE(halvesSeen) << "every read came after both halves";
    gauge.SetSplitWrites(false);

    gauge.DropNextBytes(2);
    ASSERT_TRUE(port.Write("??"));
    EXPECT_EQ(port.ReadUntil('\r'), "1.5N\r");  // "1.50 N\r" without "0 " from its middle
    EXPECT_EQ(port.ReadUntil('\r'), "2.00 N\r");
}

TEST(GaugeSimulator, RepeatingGarbageAndDrops) {
    auto o = RampOptions();
    o.profile.kind = sim::LoadProfile::Kind::Constant;
    o.garbageEvery = 2;
    o.garbage = "#";
    o.dropEvery = 3;
    sim::GaugeSimulator gauge(o);
    ASSERT_TRUE(gauge.Open());
    SlavePort port(gauge.SlavePath());
    ASSERT_TRUE(port.Write("??????"));
    EXPECT_EQ(port.ReadBytes(6 * 7 + 3 - 2), "1.00 N\r#1.00 N\r1.0 N\r#1.00 N\r1.00 N\r#1.0 N\r");
}

TEST(GaugeSimulator, RecordsWhatTheProgramWrote) {
    sim::GaugeSimulator gauge;
    ASSERT_TRUE(gauge.Open());
    SlavePort port(gauge.SlavePath());
    ASSERT_TRUE(port.Write("?"));
    port.ReadUntil('\r');  // not recorded yet
    gauge.SetRecordReceived(true);
    ASSERT_TRUE(port.Write("?" + Next()));
    port.ReadUntil('\r');
    const auto got = gauge.Received();
    std::string expected = "?" + Next();
    EXPECT_EQ(std::string(got.begin(), got.end()), expected);
}

TEST(GaugeSimulator, UnplugEndsTheProgramsReads) {
    sim::GaugeSimulator gauge;
    ASSERT_TRUE(gauge.Open());
    SlavePort port(gauge.SlavePath());
    ASSERT_TRUE(port.Write("?"));
    port.ReadUntil('\r');
    gauge.Unplug();
    EXPECT_FALSE(gauge.IsOpen());
    bool ended = false;
    for (int i = 0; i < 5 && !ended; ++i) {
        auto c = port.ReadSome();
        ASSERT_FALSE(c.timedOut);
        ended = c.eof;
    }
    EXPECT_TRUE(ended);
    // A later open is a new gauge on a new terminal.
    ASSERT_TRUE(gauge.Open());
    SlavePort again(gauge.SlavePath());
    ASSERT_TRUE(again.Write("?"));
    EXPECT_EQ(again.ReadUntil('\r'), "0.000 N\r");
}

class VirtualPortDir : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = orva::testing::MakeTempFolder("gauge-sim-ports");
        ASSERT_FALSE(dir_.empty());
        orva::testing::UseVirtualPortFolder(dir_);
    }
    void TearDown() override {
        orva::testing::UseMachinePortTable();
        std::filesystem::remove_all(dir_);
    }
    std::size_t Files() const {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_)) ++n;
        return n;
    }
    std::string dir_;
};

TEST_F(VirtualPortDir, RegisterAndUnregisterLeaveNoFileBehind) {
    std::string path;
    {
        sim::GaugeSimulator gauge;
        EXPECT_EQ(gauge.RegisterVirtualPort(), 0);  // not open
        ASSERT_TRUE(gauge.Open());
        path = gauge.SlavePath();
        const int n = gauge.RegisterVirtualPort();
        EXPECT_EQ(n, orva::ports::kFirstVirtualPort);
        EXPECT_EQ(gauge.RegisterVirtualPort(), n);  // once only
        EXPECT_EQ(gauge.VirtualPortNumber(), n);
        const auto ports = orva::ports::EnumeratePorts();
        auto it = std::find_if(ports.begin(), ports.end(), [&](const auto& p) { return p.number == n; });
        ASSERT_NE(it, ports.end());
        EXPECT_EQ(it->device, path);
        EXPECT_EQ(it->product, "USB Gauge Simulator");
        EXPECT_EQ(orva::ports::DevicePathForPort(n), path);

        // The scan finds a working gauge behind the number.
        SlavePort port(*orva::ports::DevicePathForPort(n));
        ASSERT_TRUE(port.Write("?"));
        EXPECT_EQ(port.ReadUntil('\r'), "0.000 N\r");
        EXPECT_EQ(Files(), 1u);
    }
    EXPECT_EQ(Files(), 0u);  // destructor

    sim::GaugeSimulator a, b;
    ASSERT_TRUE(a.Open());
    ASSERT_TRUE(b.Open());
    EXPECT_EQ(a.RegisterVirtualPort("USB A"), 97);
    EXPECT_EQ(b.RegisterVirtualPort("USB B"), 98);
    a.Close();
    EXPECT_EQ(Files(), 1u);
    b.Unplug();
    EXPECT_EQ(Files(), 0u);
    EXPECT_EQ(b.VirtualPortNumber(), 0);
}

TEST(GaugeSimulator, FaultsFromOtherThreadsWhileServing) {
    auto o = RampOptions();
    o.splitPauseMs = 0;  // still two writes
    sim::GaugeSimulator gauge(o);
    ASSERT_TRUE(gauge.Open());
    SlavePort port(gauge.SlavePath());
    std::atomic<bool> done{false};
    std::thread faults([&] {
        for (int i = 0; !done.load(); ++i) {
            gauge.SetSplitWrites(i % 2 == 0);
            gauge.CorruptNextFrames(1);
            gauge.SetRecordReceived(i % 3 == 0);
            (void)gauge.Received();
            (void)gauge.LinesSent();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    // One request at a time, as the program's poll timer sends them: every one answered.
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(port.Write("?"));
        const std::string line = port.ReadUntil('\r');
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r') << i;
    }
    done.store(true);
    faults.join();
    EXPECT_EQ(gauge.LinesSent(), 1000u);
    gauge.Close();
    EXPECT_FALSE(gauge.IsOpen());
}

}  // namespace
