// The port class on real pseudo-terminals: with the gauge simulator on the other side, or with the
// test itself playing the device.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CnComm.h"
#include "afx.h"
#include "afx_testing.h"
#include "device_release.h"
#include "gauge_sim.h"
#include "port_table.h"
#include "pty_fixture.h"
#include "temp_folder.h"
#include "test_machine.h"
#include "win32_handle_table.h"
#include "win32_thread.h"
#include "win32_thread_message.h"

namespace {

using namespace std::chrono_literals;
using orva::comport::test::WaitUntil;

constexpr DWORD kOverlappedAll = CnComm::EN_OVERLAPPED_IO | CnComm::EN_RX_BUFFER | CnComm::EN_TX_BUFFER |
                                 CnComm::EN_RX_WORKER | CnComm::EN_TX_WORKER;
constexpr DWORD kPlainAll =
    CnComm::EN_RX_BUFFER | CnComm::EN_TX_BUFFER | CnComm::EN_RX_WORKER | CnComm::EN_TX_WORKER;

long long ThreadCpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// How each worker loop ended: whether it returned at all, whether it had been asked to stop (it
// was not back within its time), and the CPU time its thread used in all.
struct LoopEnd {
    std::atomic<bool> ended{false};
    std::atomic<bool> stopAsked{false};
    std::atomic<long long> cpuNs{0};
};

class Recorder : public CnComm {
public:
    explicit Recorder(DWORD option) : CnComm(option) {}
    ~Recorder() override { Close(500); }  // the workers call into this object

    LoopEnd watch, read, write;
    bool stubbornReadLoop = false;  // a read loop that only ends when asked to stop

protected:
    static DWORD Record(LoopEnd& end, DWORD result) {
        end.stopAsked = ThreadStopRequested();
        end.cpuNs = ThreadCpuNs();
        end.ended = true;
        return result;
    }
    DWORD WatchLoopOverlapped() override { return Record(watch, CnComm::WatchLoopOverlapped()); }
    DWORD WatchLoopPolling() override { return Record(watch, CnComm::WatchLoopPolling()); }
    DWORD ReadLoop() override {
        if (stubbornReadLoop) {
            while (!ThreadStopRequested()) Sleep(INFINITE);
            return Record(read, 0);
        }
        return Record(read, CnComm::ReadLoop());
    }
    DWORD WriteLoop() override { return Record(write, CnComm::WriteLoop()); }
};

// A private port folder and the gauge simulator answering "?" with "12.500 N\r".
class WithGauge : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = orva::testing::MakeTempFolder("cncomm-test");
        ASSERT_FALSE(dir_.empty());
        orva::testing::UseVirtualPortFolder(dir_);
        orva::sim::SimOptions o;
        o.profile.kind = orva::sim::LoadProfile::Kind::Sequence;
        o.profile.sequence = {"12.500"};
        sim_ = std::make_unique<orva::sim::GaugeSimulator>(o);
        ASSERT_TRUE(sim_->Open());
        port_ = sim_->RegisterVirtualPort();
        ASSERT_GT(port_, 0);
    }
    void TearDown() override {
        sim_.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        orva::testing::UseMachinePortTable();
    }

    // Reads one reading line through ReadPort's wait-for-all mode.
    static std::string ReadLine(CnComm& comm) {
        std::string line;
        char buf[32];
        for (int round = 0; round < 200 && line.find('\r') == std::string::npos; ++round) {
            const DWORD n = comm.ReadPort(buf, sizeof buf, INFINITE);
            line.append(buf, n);
        }
        return line;
    }

    std::string dir_;
    std::unique_ptr<orva::sim::GaugeSimulator> sim_;
    int port_ = 0;
};

TEST_F(WithGauge, OpensByNumberInBothModesSetsUpAndRoundTrips) {
    struct Mode {
        DWORD option;
        COMMTIMEOUTS expected;
    };
    const Mode modes[] = {{3, {100, 0, 500, 1, 10000}}, {1, {100, 0, 250, 0, 250}}};
    for (const Mode& mode : modes) {
        SCOPED_TRACE(mode.option);
        CnComm comm(mode.option);
        ASSERT_TRUE(comm.Open(static_cast<DWORD>(port_), 38400));
        ASSERT_TRUE(comm.IsOpen());
        COMMTIMEOUTS t{};
        ASSERT_TRUE(GetCommTimeouts(comm.GetHandle(), &t));
        EXPECT_EQ(t.ReadIntervalTimeout, mode.expected.ReadIntervalTimeout);
        EXPECT_EQ(t.ReadTotalTimeoutConstant, mode.expected.ReadTotalTimeoutConstant);
        EXPECT_EQ(t.WriteTotalTimeoutMultiplier, mode.expected.WriteTotalTimeoutMultiplier);
        EXPECT_EQ(t.WriteTotalTimeoutConstant, mode.expected.WriteTotalTimeoutConstant);
        DCB dcb{};
        ASSERT_TRUE(GetCommState(comm.GetHandle(), &dcb));
        EXPECT_EQ(dcb.BaudRate, 38400u);

        EXPECT_EQ(comm.WritePort("?", 1), 1u);
        EXPECT_EQ(ReadLine(comm), "12.500 N\r");
        EXPECT_EQ(comm.BytesOut(), 1u);
        EXPECT_EQ(comm.BytesIn(), 9u);
        comm.Close(500);
        EXPECT_FALSE(comm.IsOpen());
    }
    EXPECT_EQ(sim_->RequestsReceived(), 2u);
}

TEST_F(WithGauge, ATimedReadReturnsOnlyWhatComesWithinItsLimit) {
    CnComm comm(3);
    ASSERT_TRUE(comm.Open(static_cast<DWORD>(port_), 38400));
    char buf[100] = {};
    EXPECT_EQ(comm.ReadPort(buf, sizeof buf, 5), 0u);   // nothing queued, no wait
    EXPECT_EQ(comm.ReadPort(buf, sizeof buf, 30), 0u);  // nothing comes within the limit

    comm.WritePort("?", 1);
    ASSERT_TRUE(WaitUntil([&] { return comm.GetQueueCount(true) == 9; }));
    // A short wait takes the queued bytes only, although more were asked for.
    EXPECT_EQ(comm.ReadPort(buf, sizeof buf, 5), 9u);
    EXPECT_EQ(std::string(buf, 9), "12.500 N\r");

    // Bytes arriving during a longer wait are taken one by one until the count is reached.
    comm.WritePort("??", 2);
    EXPECT_EQ(comm.ReadPort(buf, 18, 20000), 18u);
    EXPECT_EQ(std::string(buf, 18), "12.500 N\r12.500 N\r");
    EXPECT_EQ(comm.BytesIn(), 27u);
}

// A dialog that takes the receive notification and reads the queued bytes.
constexpr UINT kTemplate = 9301;
class OwnerDialog : public CDialog {
public:
    OwnerDialog() : CDialog(kTemplate) {}
    CnComm* comm = nullptr;
    std::string received;
    WPARAM port = 0;
    int notifications = 0;

protected:
    afx_msg LRESULT OnComReceive(WPARAM wParam, LPARAM) {
        ++notifications;
        port = wParam;
        char buf[64];
        const DWORD n = comm->ReadPort(buf, sizeof buf, 0);
        received.append(buf, n);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(OwnerDialog, CDialog)
ON_MESSAGE(ON_COM_RECEIVE, &OwnerDialog::OnComReceive)
END_MESSAGE_MAP()

TEST_F(WithGauge, TheWatchLoopTellsTheOwnerDialogAndThreadWhenBytesArrive) {
    afx::testing::EnsureApplication();
    afx::testing::RegisterOwnerTemplate(kTemplate);
    orva::win32::CreateThreadMessageQueue();

    OwnerDialog dlg;
    ASSERT_TRUE(dlg.Create(kTemplate));
    CnComm comm(3);
    dlg.comm = &comm;
    ASSERT_TRUE(comm.Open(static_cast<DWORD>(port_), 38400, NOPARITY, 8, ONESTOPBIT, dlg.GetSafeHwnd(),
                          GetCurrentThreadId(), 1));
    comm.Write("?", 1);
    ASSERT_TRUE(afx::testing::RunUntil([&] { return dlg.received.size() >= 9; }, 20000));
    EXPECT_EQ(dlg.received, "12.500 N\r");
    EXPECT_EQ(dlg.port, static_cast<WPARAM>(port_));
    // The thread gets the same notifications (the sent request's EV_TXEMPTY among them).
    orva::win32::ThreadMessage m;
    bool received = false;
    while (!received && orva::win32::TakeThreadMessage(m, 20000)) {
        received = m.message == ON_COM_RECEIVE;
        EXPECT_EQ(m.wParam, static_cast<WPARAM>(port_));
    }
    EXPECT_TRUE(received);
    comm.Close(500);
    dlg.DestroyWindow();
    afx::testing::Pump();
    while (orva::win32::TakeThreadMessage(m, 0)) {
    }
}

TEST_F(WithGauge, AWriteQueuedForTheWriteWorkerLeavesAtOnce) {
    // Each request must reach the gauge before the next is queued. Had the write loop to wait out
    // its 200-millisecond round, these 300 requests would take about 30 seconds.
    constexpr int kRequests = 300;
    sim_->SetSilent(true);
    CnComm comm(CnComm::EN_OVERLAPPED_IO | CnComm::EN_TX_BUFFER | CnComm::EN_TX_WORKER);
    ASSERT_TRUE(comm.Open(static_cast<DWORD>(port_), 38400));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRequests; ++i) {
        EXPECT_EQ(comm.Write("?", 1), 0u);
        ASSERT_TRUE(WaitUntil([&] { return sim_->RequestsReceived() == static_cast<std::uint64_t>(i + 1); }))
            << i;
        ASSERT_LT(std::chrono::steady_clock::now() - start, 15s) << i << " requests sent";
    }
    ASSERT_TRUE(WaitUntil([&] { return comm.BytesOut() == kRequests; }));
}

TEST_F(WithGauge, CloseEndsEveryWorkerWithinItsTime) {
    for (const DWORD option : {kOverlappedAll, kPlainAll}) {
        SCOPED_TRACE(option);
        const std::size_t handles = orva::win32::HandleCount();
        Recorder comm(option);
        ASSERT_TRUE(comm.Open(static_cast<DWORD>(port_), 38400));
        comm.Write("?", 1);
        ASSERT_TRUE(WaitUntil([&] { return comm.Input().LockedSize() == 9; }));  // read loop into the buffer
        comm.Close(500);
        for (LoopEnd* end : {&comm.watch, &comm.read, &comm.write}) {
            EXPECT_TRUE(end->ended);
            EXPECT_FALSE(end->stopAsked);  // each came back by itself
        }
        EXPECT_EQ(orva::win32::HandleCount(), handles + 6);  // its events; threads and port closed
    }
}

TEST_F(WithGauge, AWorkerThatIsNotBackInTimeIsStoppedAndJoined) {
    Recorder comm(CnComm::EN_OVERLAPPED_IO | CnComm::EN_RX_WORKER);
    comm.stubbornReadLoop = true;
    ASSERT_TRUE(comm.Open(static_cast<DWORD>(port_), 38400));
    auto closing = std::async(std::launch::async, [&] { comm.Close(50); });
    ASSERT_EQ(closing.wait_for(20s), std::future_status::ready);
    EXPECT_TRUE(comm.read.ended);
    EXPECT_TRUE(comm.read.stopAsked);
    EXPECT_TRUE(comm.watch.ended);
    EXPECT_FALSE(comm.IsOpen());
}

char ThreadState(pid_t tid) {
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string stat;
    std::getline(in, stat);
    const auto paren = stat.rfind(')');
    return paren != std::string::npos && paren + 2 < stat.size() ? stat[paren + 2] : '?';
}

TEST_F(WithGauge, UnpluggingMidReadEndsTheReadAndTheLoopsWithoutSpinning) {
    auto comm =
        std::make_unique<Recorder>(CnComm::EN_OVERLAPPED_IO | CnComm::EN_RX_BUFFER | CnComm::EN_RX_WORKER);
    ASSERT_TRUE(comm->Open(static_cast<DWORD>(port_), 38400));
    const COMMTIMEOUTS none{};  // a read that waits for every byte asked for
    ASSERT_TRUE(SetCommTimeouts(comm->GetHandle(), &none));

    struct Reader {
        std::atomic<pid_t> tid{0};
        std::atomic<bool> done{false};
        std::atomic<DWORD> count{99};
        std::atomic<long long> cpuNs{0};
    };
    auto state = std::make_shared<Reader>();
    CnComm* port = comm.get();
    std::thread reader([state, port] {
        state->tid = static_cast<pid_t>(syscall(SYS_gettid));
        char buf[64];
        state->count = port->ReadPort(buf, sizeof buf, INFINITE);
        state->cpuNs = ThreadCpuNs();
        state->done = true;
    });
    // The reader waits for its bytes (asleep in the pending read) when the gauge goes.
    ASSERT_TRUE(WaitUntil([&] { return state->tid != 0 && ThreadState(state->tid) == 'S'; }));
    sim_->Unplug();

    if (!WaitUntil([&] { return state->done && comm->watch.ended && comm->read.ended; }, 20s)) {
        // A read that spins cannot be stopped: it is left running with what it uses.
        reader.detach();
        comm.release();
        FAIL() << "the read or a loop did not end after the device went";
    }
    reader.join();
    EXPECT_EQ(state->count, 0u);
    // Each thread was asleep or finished: well under a second of CPU in all.
    EXPECT_LT(state->cpuNs.load(), 500'000'000LL);
    EXPECT_LT(comm->watch.cpuNs.load(), 500'000'000LL);
    EXPECT_LT(comm->read.cpuNs.load(), 500'000'000LL);
    EXPECT_FALSE(comm->watch.stopAsked);
    EXPECT_FALSE(comm->read.stopAsked);
    comm->Close(500);
    EXPECT_FALSE(comm->IsOpen());
}

// The test plays the device and reads at its own pace.
class WithDevice : public orva::comport::test::PtyTest {};

std::vector<unsigned char> Payload(std::size_t n) {
    std::vector<unsigned char> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(i * 7 + i / 251);
    return v;
}

// A second pseudo-terminal registered in the fixture's port folder.
struct SecondDevice {
    int master = -1;
    int port = 0;
    SecondDevice() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128];
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
            ptsname_r(master, name, sizeof name) != 0)
            return;
        port = orva::ports::RegisterVirtualPort(name, "USB Second Gauge");
    }
    ~SecondDevice() {
        if (master >= 0) ::close(master);
    }
    std::string Read(std::size_t n) {
        std::string out;
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        char buf[4096];
        while (out.size() < n && std::chrono::steady_clock::now() < deadline) {
            pollfd pfd{master, POLLIN, 0};
            if (::poll(&pfd, 1, 100) <= 0) continue;
            const ssize_t got = ::read(master, buf, std::min(sizeof buf, n - out.size()));
            if (got <= 0) break;
            out.append(buf, static_cast<std::size_t>(got));
        }
        return out;
    }
};

using serial_test::LetGoBy;
using serial_test::Ready;

TEST_F(WithDevice, APlainSendKeepsTheRestOfItsChunkWhileTheDevicePauses) {
    // The port's own write time-out is 250 ms; a device that pauses longer must still get every
    // byte, in order.
    const auto payload = Payload(256 * 1024);
    constexpr std::size_t kBeforePause = 20 * 1024;
    for (const DWORD option : {DWORD{CnComm::EN_TX_BUFFER}, CnComm::EN_TX_BUFFER | CnComm::EN_TX_WORKER}) {
        SCOPED_TRACE(option);
        CnComm comm(option);
        ASSERT_TRUE(comm.Open(static_cast<DWORD>(port_), 38400));
        EXPECT_EQ(comm.Write(payload.data(), static_cast<DWORD>(payload.size())), 0u);
        std::vector<unsigned char> got = ReadMaster(kBeforePause, 60s);
        ASSERT_EQ(got.size(), kBeforePause);
        std::this_thread::sleep_for(600ms);  // the device pauses
        const std::vector<unsigned char> rest = ReadMaster(payload.size() - kBeforePause, 60s);
        got.insert(got.end(), rest.begin(), rest.end());
        EXPECT_EQ(got.size(), payload.size());
        EXPECT_TRUE(got == payload) << "the bytes differ";
        comm.Close(500);
    }
}

TEST_F(WithDevice, TheWatchLoopThatAlsoSendsTakesInputWhileTheDeviceReadsNoOutput) {
    // The device reads nothing of a large send, is sent more, and answers: the loop that sends and
    // watches takes the answer while its output waits, and the output still comes whole.
    const auto payload = Payload(256 * 1024);
    const std::size_t kFirst = 200 * 1024;
    for (const DWORD option : {DWORD{CnComm::EN_RX_BUFFER | CnComm::EN_TX_BUFFER},
                               CnComm::EN_OVERLAPPED_IO | CnComm::EN_RX_BUFFER | CnComm::EN_TX_BUFFER}) {
        SCOPED_TRACE(option);
        CnComm comm(option);
        ASSERT_TRUE(comm.Open(static_cast<DWORD>(port_), 38400));
        if (comm.IsOverlappedMode()) {
            // No write time-out: a write in flight lasts as long as the device reads nothing.
            COMMTIMEOUTS t{};
            ASSERT_TRUE(GetCommTimeouts(comm.GetHandle(), &t));
            t.WriteTotalTimeoutMultiplier = 0;
            t.WriteTotalTimeoutConstant = 0;
            ASSERT_TRUE(SetCommTimeouts(comm.GetHandle(), &t));
        }
        comm.Write(payload.data(), static_cast<DWORD>(kFirst));
        int pending = 0;
        ASSERT_TRUE(WaitUntil([&] { return ::ioctl(master_, FIONREAD, &pending) == 0 && pending > 0; }));
        comm.Write(payload.data() + kFirst, static_cast<DWORD>(payload.size() - kFirst));
        WriteMaster("answer", 6);
        const bool taken = WaitUntil([&] { return comm.Input().LockedSize() == 6; }, 20s);
        const std::vector<unsigned char> got = ReadMaster(payload.size(), 60s);
        EXPECT_TRUE(taken) << "the answer waited for the output";
        EXPECT_EQ(got.size(), payload.size());
        EXPECT_TRUE(got == payload) << "the bytes differ";
        comm.Close(500);
    }
}

// Microseconds from `start` to now.
int MicrosecondsSince(std::chrono::steady_clock::time_point start) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start)
            .count());
}

TEST_F(WithDevice, TheOverlappedWatchLoopThatAlsoSendsSendsWhileInputKeepsComing) {
    // With the receive buffer: the device sends 1 KiB every 10 ms and reads what comes.
    {
        CnComm comm(CnComm::EN_OVERLAPPED_IO | CnComm::EN_RX_BUFFER | CnComm::EN_TX_BUFFER);
        ASSERT_TRUE(comm.Open(static_cast<DWORD>(port_), 38400));
        // Not blocking, so that the sender can always be stopped.
        const int flags = ::fcntl(master_, F_GETFL);
        ASSERT_EQ(::fcntl(master_, F_SETFL, flags | O_NONBLOCK), 0);
        std::atomic<bool> stop{false};
        std::thread device([&] {
            const std::vector<unsigned char> kib = Payload(1024);
            while (!stop) {
                [[maybe_unused]] const ssize_t n = ::write(master_, kib.data(), kib.size());
                std::this_thread::sleep_for(10ms);
            }
        });
        const bool streaming = WaitUntil([&] { return comm.Input().LockedSize() >= 8 * 1024; }, 20s);
        const auto start = std::chrono::steady_clock::now();
        comm.Write("cmd", 3);
        const std::vector<unsigned char> got = ReadMaster(3, 20s);
        RecordProperty("cmd_sent_during_input_us", MicrosecondsSince(start));
        stop = true;
        device.join();
        ::fcntl(master_, F_SETFL, flags);
        EXPECT_TRUE(streaming);
        EXPECT_EQ(std::string(got.begin(), got.end()), "cmd");
        comm.Close(500);
    }
    // Without it: one byte stays unread in the port, and the loop keeps telling the owner of it.
    {
        orva::win32::CreateThreadMessageQueue();
        CnComm comm(CnComm::EN_OVERLAPPED_IO | CnComm::EN_TX_BUFFER);
        ASSERT_TRUE(comm.Open(static_cast<DWORD>(port_), 38400, NOPARITY, 8, ONESTOPBIT, nullptr,
                              GetCurrentThreadId()));
        WriteMaster("x", 1);
        orva::win32::ThreadMessage m;
        bool told = false;
        while (!told && orva::win32::TakeThreadMessage(m, 20000)) told = m.message == ON_COM_RECEIVE;
        ASSERT_TRUE(told);
        const auto start = std::chrono::steady_clock::now();
        comm.Write("cmd", 3);
        const std::vector<unsigned char> got = ReadMaster(3, 20s);
        RecordProperty("cmd_sent_with_unread_input_us", MicrosecondsSince(start));
        EXPECT_EQ(std::string(got.begin(), got.end()), "cmd");
        EXPECT_EQ(comm.GetQueueCount(true), 1u);
        comm.Close(500);
        while (orva::win32::TakeThreadMessage(m, 0)) {
        }
    }
}

// Closes the port from its receive notifier. What it records outlives the object.
class ClosesOnReceive : public CnComm {
public:
    struct Seen {
        std::atomic<bool> closed{false};
        std::atomic<bool> openAfterClose{true};
        std::atomic<bool> loopEnded{false};
        std::atomic<bool> deleting{false};
    };
    ClosesOnReceive(DWORD option, std::shared_ptr<Seen> seen) : CnComm(option), seen_(std::move(seen)) {}
    ~ClosesOnReceive() override {
        seen_->deleting = true;
        seen_->deleting.notify_all();
    }

protected:
    void OnReceive() override {
        const std::shared_ptr<Seen> seen = seen_;
        Close(500);
        seen->openAfterClose = IsOpen();
        seen->closed = true;  // the owner may delete this object from here on
        // The worker is slow on its way out: the owner is deleting the object by then.
        seen->deleting.wait(false);
    }
    // Each takes its own reference first: the object may be going when the loop returns.
    DWORD WatchLoopOverlapped() override {
        const std::shared_ptr<Seen> seen = seen_;
        const DWORD result = CnComm::WatchLoopOverlapped();
        seen->loopEnded = true;
        return result;
    }
    DWORD WatchLoopPolling() override {
        const std::shared_ptr<Seen> seen = seen_;
        const DWORD result = CnComm::WatchLoopPolling();
        seen->loopEnded = true;
        return result;
    }

private:
    std::shared_ptr<Seen> seen_;
};

TEST_F(WithDevice, ANotifierThatClosesLeavesNothingRunningWhenTheOwnerDeletesAtOnce) {
    // The overlapped and the polling watch loop; then the read loop, with two workers to stop.
    for (const DWORD option : {DWORD{3}, DWORD{1}, kOverlappedAll}) {
        SCOPED_TRACE(option);
        auto seen = std::make_shared<ClosesOnReceive::Seen>();
        auto comm = std::make_unique<ClosesOnReceive>(option, seen);
        ASSERT_TRUE(comm->Open(static_cast<DWORD>(port_), 38400));
        WriteMaster("x", 1);
        ASSERT_TRUE(WaitUntil([&] { return seen->closed.load(); }, 20s));
        comm.reset();  // the worker that closed may still be on its way out of its loop
        EXPECT_FALSE(seen->openAfterClose);
        EXPECT_TRUE(seen->loopEnded) << "the worker was left running";
    }
}

TEST_F(WithDevice, AnOverlappedWriteIsNotWaitedForAndCloseEndsWhateverTheDeviceDoes) {
    // The device never reads: far more than it holds is written, from two threads.
    const auto payload = Payload(1 << 20);
    CnComm comm(3);
    ASSERT_TRUE(comm.Open(static_cast<DWORD>(port_), 38400));
    std::atomic<DWORD> first{99};
    auto writing = std::async(
        std::launch::async, [&] { first = comm.Write(payload.data(), static_cast<DWORD>(payload.size())); });
    const bool returned = Ready(writing, 20s);
    auto second = std::async(std::launch::async, [&] { comm.Write(payload.data(), 1000); });
    auto closing = std::async(std::launch::async, [&] {
        if (returned) second.wait();
        comm.Close(500);
    });
    const bool closed = Ready(closing, 30s);
    LetGoBy(master_, [&] { return Ready(writing, 0s) && Ready(second, 0s) && Ready(closing, 0s); });
    EXPECT_TRUE(returned) << "the write waited for the device";
    EXPECT_TRUE(closed) << "the close waited for the device";
    EXPECT_LT(first.load(), payload.size());             // what had gone at once, not the whole request
    EXPECT_EQ(comm.BytesOut(), payload.size() + 1000u);  // every request counted as it started
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(WithDevice, BytesQueuedForAVanishedDeviceAreNotSentToTheNextOne) {
    const auto payload = Payload(1 << 20);
    CnComm comm(CnComm::EN_OVERLAPPED_IO | CnComm::EN_TX_BUFFER);
    ASSERT_TRUE(comm.Open(static_cast<DWORD>(port_), 38400));
    comm.Write(payload.data(), static_cast<DWORD>(payload.size()));
    int pending = 0;
    ASSERT_TRUE(WaitUntil([&] { return ::ioctl(master_, FIONREAD, &pending) == 0 && pending > 0; }));
    Unplug();
    auto closing = std::async(std::launch::async, [&] { comm.Close(500); });
    ASSERT_TRUE(Ready(closing, 30s));

    SecondDevice next;
    ASSERT_GT(next.port, 0);
    ASSERT_TRUE(comm.Open(static_cast<DWORD>(next.port), 38400));
    comm.Write("abc", 3);
    EXPECT_EQ(next.Read(3), "abc");
    comm.Close(500);
}

TEST_F(WithDevice, CloseWithFlushOrDrainEndsWithinItsTimeOnADeviceThatReadsNothing) {
    const auto payload = Payload(1 << 20);
    for (const DWORD option : {DWORD{3 | CnComm::EN_FLUSH_ON_CLOSE},
                               CnComm::EN_OVERLAPPED_IO | CnComm::EN_TX_BUFFER | CnComm::EN_DRAIN_ON_CLOSE}) {
        SCOPED_TRACE(option);
        CnComm comm(option);
        ASSERT_TRUE(comm.Open(static_cast<DWORD>(port_), 38400));
        // The overlapped write's own time-out grows with its length: here about a quarter hour.
        auto closing = std::async(std::launch::async, [&] {
            comm.Write(payload.data(), static_cast<DWORD>(payload.size()));
            comm.Close(500);
        });
        const bool closed = Ready(closing, 30s);
        LetGoBy(master_, [&] { return Ready(closing, 0s); });
        EXPECT_TRUE(closed) << "the close waited for the device";
        EXPECT_FALSE(comm.IsOpen());
    }
}

TEST_F(WithDevice, QueuedBytesLeaveWholeAndInOrderWhileWritesWaitForTheDevice) {
    // More than the pseudo-terminal holds, in one block that is released with its last bytes: the
    // writes go pending, and each must keep reading its bytes from the block until it completes.
    const auto payload = Payload(300000);
    for (const DWORD option : {CnComm::EN_OVERLAPPED_IO | CnComm::EN_TX_BUFFER,
                               CnComm::EN_OVERLAPPED_IO | CnComm::EN_TX_BUFFER | CnComm::EN_TX_WORKER,
                               CnComm::EN_TX_BUFFER | CnComm::EN_TX_WORKER, DWORD{CnComm::EN_TX_BUFFER}}) {
        SCOPED_TRACE(option);
        CnComm comm(option);
        ASSERT_TRUE(comm.Open(static_cast<DWORD>(port_), 38400));
        EXPECT_EQ(comm.Write(payload.data(), static_cast<DWORD>(payload.size())), 0u);
        EXPECT_EQ(ReadMaster(payload.size(), 60s), payload);
        // Counted as written, once written.
        EXPECT_TRUE(WaitUntil([&] { return comm.BytesOut() == payload.size(); }));
        EXPECT_EQ(comm.Output().LockedSize(), 0u);
        comm.Close(500);
    }
}

TEST_F(WithDevice, DrainOnCloseEndsOnADeviceThatTakesNothing) {
    CnComm comm(CnComm::EN_TX_BUFFER | CnComm::EN_DRAIN_ON_CLOSE);
    ASSERT_TRUE(comm.Open(static_cast<DWORD>(port_), 38400));
    const auto payload = Payload(1 << 20);  // the device never reads: most of it cannot go
    comm.Write(payload.data(), static_cast<DWORD>(payload.size()));
    auto closing = std::async(std::launch::async, [&] { comm.Close(200); });
    ASSERT_EQ(closing.wait_for(30s), std::future_status::ready);
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(WithDevice, ReadIntoBufferPutsPortBytesIntoTheBlockAndRefusesImpossibleSizes) {
    CnComm comm(CnComm::EN_OVERLAPPED_IO);  // its watch loop leaves the input to this test
    ASSERT_TRUE(comm.Open(static_cast<DWORD>(port_), 38400));
    WriteMaster("0123456789", 10);
    ASSERT_TRUE(WaitUntil([&] { return comm.GetQueueCount(true) == 10; }));
    EXPECT_EQ(comm.ReadIntoBuffer(0xFFFFFFFFu), 0u);  // no block can hold it: nothing is read
    EXPECT_EQ(comm.GetQueueCount(true), 10u);
    comm.Input().Lock();
    EXPECT_EQ(comm.Input().pFirst, nullptr);
    comm.Input().Unlock();
    EXPECT_EQ(comm.ReadIntoBuffer(10), 10u);
    comm.Input().Lock();
    char out[10];
    EXPECT_EQ(comm.Input().Read(out, 10), 10u);
    comm.Input().Unlock();
    EXPECT_EQ(std::string(out, 10), "0123456789");
}

}  // namespace
