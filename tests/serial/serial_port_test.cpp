// The event-thread port class on a pseudo-terminal, with the test playing the device and a dialog
// as the owner window that records the messages.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CnComm.h"
#include "KvDlg.h"
#include "SerialPort.h"
#include "afx.h"
#include "afx_testing.h"
#include "device_release.h"
#include "pty_fixture.h"
#include "win32_critical_section.h"
#include "win32_handle_table.h"
#include "win32_thread.h"

namespace {

namespace T = afx::testing;
using orva::comport::test::WaitUntil;

struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Message&) const = default;
};

constexpr UINT kTemplate = 9302;
class OwnerDialog : public CDialog {
public:
    OwnerDialog() : CDialog(kTemplate) {}
    std::vector<Message> messages;
    std::function<void()> onByte;  // runs after each byte message is recorded

    std::size_t Count(UINT message) const {
        std::size_t n = 0;
        for (const Message& m : messages) n += m.message == message;
        return n;
    }
    std::string Bytes() const {
        std::string out;
        for (const Message& m : messages)
            if (m.message == kSerialByteMessage) out.push_back(static_cast<char>(m.wParam));
        return out;
    }

protected:
    afx_msg LRESULT OnByte(WPARAM w, LPARAM l) {
        Record(kSerialByteMessage, w, l);
        if (onByte) onByte();
        return 0;
    }
    afx_msg LRESULT OnCts(WPARAM w, LPARAM l) { return Record(kSerialCtsMessage, w, l); }
    afx_msg LRESULT OnRxFlag(WPARAM w, LPARAM l) { return Record(kSerialRxFlagMessage, w, l); }
    afx_msg LRESULT OnBreak(WPARAM w, LPARAM l) { return Record(kSerialBreakMessage, w, l); }
    afx_msg LRESULT OnError(WPARAM w, LPARAM l) { return Record(kSerialErrorMessage, w, l); }
    afx_msg LRESULT OnRing(WPARAM w, LPARAM l) { return Record(kSerialRingMessage, w, l); }
    LRESULT Record(UINT message, WPARAM w, LPARAM l) {
        messages.push_back({message, w, l});
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(OwnerDialog, CDialog)
ON_MESSAGE(kSerialByteMessage, &OwnerDialog::OnByte)
ON_MESSAGE(kSerialCtsMessage, &OwnerDialog::OnCts)
ON_MESSAGE(kSerialRxFlagMessage, &OwnerDialog::OnRxFlag)
ON_MESSAGE(kSerialBreakMessage, &OwnerDialog::OnBreak)
ON_MESSAGE(kSerialErrorMessage, &OwnerDialog::OnError)
ON_MESSAGE(kSerialRingMessage, &OwnerDialog::OnRing)
END_MESSAGE_MAP()

// The object's handles for checks from outside.
class Probe : public CSerialPort {
public:
    using CSerialPort::m_bThreadRunning;
    using CSerialPort::m_hPort;
    using CSerialPort::m_hThread;
};

class SerialPortOnPty : public orva::comport::test::PtyTest {
protected:
    void SetUp() override {
        PtyTest::SetUp();
        T::EnsureApplication();
        T::ClearShownBoxes();
        afx::testing::RegisterOwnerTemplate(kTemplate);
        dlg_ = std::make_unique<OwnerDialog>();
        ASSERT_TRUE(dlg_->Create(kTemplate));
    }
    void TearDown() override {
        dlg_->DestroyWindow();
        T::Pump();
        dlg_.reset();
        PtyTest::TearDown();
    }

    BOOL Open(CSerialPort& port, DWORD mask, UINT capacity = 64) {
        return port.OpenAndConfigure(dlg_->GetSafeHwnd(), static_cast<UINT>(port_), 38400, 'n', 8, ONESTOPBIT,
                                     mask, capacity, 0, 0, 0, 0, 0);
    }

    std::string Read(std::size_t n) {
        const std::vector<unsigned char> bytes = ReadMaster(n, std::chrono::seconds(20));
        return std::string(bytes.begin(), bytes.end());
    }

    // Starts the thread and waits until it is past its opening purge: a send goes through it and
    // purges the input itself, so bytes the device sends after it arrived stay.
    void StartAndHandshake(CSerialPort& port) {
        ASSERT_TRUE(port.StartEventThread());
        ASSERT_TRUE(port.QueueText("!"));
        ASSERT_EQ(Read(1), "!");
    }

    // The thread takes the bytes in while the owner does not pump. It is held until they are all
    // there, so that an empty input queue means it has taken them.
    bool TakeInWhileBusy(Probe& port, const char* bytes) {
        const std::size_t n = std::strlen(bytes);
        const auto queued = [&](std::size_t expected) {
            return WaitUntil([&] {
                COMSTAT status{};
                DWORD errors = 0;
                return ClearCommError(port.m_hPort, &errors, &status) && status.cbInQue == expected;
            });
        };
        port.SuspendEventThread();
        WriteMaster(bytes, n);
        const bool arrived = queued(n);
        port.ResumeEventThread();
        return arrived && queued(0);
    }

    std::size_t MasterPending() {
        int n = 0;
        return ::ioctl(master_, FIONREAD, &n) == 0 ? static_cast<std::size_t>(n) : 0;
    }

    std::unique_ptr<OwnerDialog> dlg_;
};

TEST(SerialPortUnused, BuiltAndDestroyedMakesAndClosesNothingAndShowsNothing) {
    T::EnsureApplication();
    T::ClearShownBoxes();
    const std::size_t handles = orva::win32::HandleCount();
    const std::size_t locks = orva::win32::LiveCriticalSectionCount();
    {
        CSerialPort port;
        EXPECT_EQ(orva::win32::HandleCount(), handles);
        EXPECT_FALSE(port.HasPort());
        EXPECT_FALSE(port.StartEventThread());
        EXPECT_FALSE(port.QueueText("x"));  // no send buffer yet
        EXPECT_TRUE(port.SuspendEventThread());
        EXPECT_TRUE(port.ResumeEventThread());
    }
    EXPECT_EQ(orva::win32::HandleCount(), handles);
    EXPECT_EQ(orva::win32::LiveCriticalSectionCount(), locks);
    {
        CKvDlg dlg;  // holds one, never opened
        EXPECT_FALSE(dlg.m_serialPort.HasPort());
    }
    EXPECT_EQ(orva::win32::HandleCount(), handles);
    T::Pump();
    EXPECT_TRUE(T::ShownBoxes().empty());
}

TEST_F(SerialPortOnPty, OpensAndSetsUpTheLineTheTimeOutsAndTheMask) {
    Probe port;
    const std::size_t locks = orva::win32::LiveCriticalSectionCount();
    ASSERT_TRUE(port.OpenAndConfigure(dlg_->GetSafeHwnd(), static_cast<UINT>(port_), 9600, 'e', 7,
                                      TWOSTOPBITS, EV_RXCHAR | EV_CTS, 32, 1, 2, 3, 4, 5));
    EXPECT_TRUE(port.HasPort());
    COMMTIMEOUTS t{};
    ASSERT_TRUE(GetCommTimeouts(port.m_hPort, &t));
    EXPECT_EQ(t.ReadIntervalTimeout, 1000u);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 2000u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 3000u);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 4000u);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 5000u);
    DWORD mask = 0;
    ASSERT_TRUE(GetCommMask(port.m_hPort, &mask));
    EXPECT_EQ(mask, static_cast<DWORD>(EV_RXCHAR | EV_CTS));
    EXPECT_EQ(port.GetEventMask(), static_cast<DWORD>(EV_RXCHAR | EV_CTS));
    EXPECT_EQ(port.GetSendCapacity(), 32u);

    const DCB dcb = port.CopyLineSettings();
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.Parity, EVENPARITY);
    EXPECT_EQ(dcb.ByteSize, 7);
    EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
    EXPECT_EQ(dcb.EvtChar, 'q');
    EXPECT_EQ(dcb.flags & kDcbRtsControlMask, kDcbRtsEnable);
    DCB line{};
    // What the device now has. A pseudo-terminal keeps 8 data bits without parity whatever it is told.
    ASSERT_TRUE(GetCommState(port.m_hPort, &line));
    EXPECT_EQ(line.BaudRate, 9600u);
    EXPECT_EQ(line.StopBits, TWOSTOPBITS);
    T::Pump();
    EXPECT_TRUE(T::ShownBoxes().empty());

    // Opening again reopens the port; the lock is made once, at construction.
    const std::pair<char, BYTE> parities[] = {
        {'O', ODDPARITY}, {'n', NOPARITY}, {'x', NOPARITY}, {'m', MARKPARITY}, {'S', SPACEPARITY}};
    for (const auto& [letter, code] : parities) {
        ASSERT_TRUE(port.OpenAndConfigure(dlg_->GetSafeHwnd(), static_cast<UINT>(port_), 38400, letter, 8,
                                          ONESTOPBIT, EV_RXCHAR, 32, 0, 0, 0, 0, 0));
        EXPECT_EQ(port.CopyLineSettings().Parity, code) << letter;
    }
    EXPECT_EQ(orva::win32::LiveCriticalSectionCount(), locks);
}

TEST_F(SerialPortOnPty, AFailedOpenReturnsFalseWithoutABoxAndReportsNoPort) {
    Probe port;
    ASSERT_TRUE(Open(port, EV_RXCHAR));
    Probe second;  // the port is held: refused
    EXPECT_FALSE(Open(second, EV_RXCHAR));
    EXPECT_FALSE(second.HasPort());
    EXPECT_FALSE(second.StartEventThread());

    // A port that does not exist: the old one is closed and none is left.
    EXPECT_FALSE(port.OpenAndConfigure(dlg_->GetSafeHwnd(), static_cast<UINT>(port_ + 1), 38400, 'N', 8,
                                       ONESTOPBIT, EV_RXCHAR, 64, 0, 0, 0, 0, 0));
    EXPECT_FALSE(port.HasPort());
    EXPECT_TRUE(Open(second, EV_RXCHAR));  // free again
    T::Pump();
    EXPECT_TRUE(T::ShownBoxes().empty());
}

TEST_F(SerialPortOnPty, WithOnlyRxCharEachByteGivesOneMessageAndNothingElse) {
    Probe port;
    ASSERT_TRUE(Open(port, EV_RXCHAR));
    StartAndHandshake(port);
    EXPECT_TRUE(port.m_bThreadRunning);
    const std::string sent("hello\0\xff\x7fq", 9);  // 'q' is the event character
    WriteMaster(sent.data(), sent.size());
    ASSERT_TRUE(T::RunUntil([&] { return dlg_->messages.size() >= sent.size(); }, 20000));
    port.Shutdown();  // joins: nothing more can come
    T::Pump();
    std::vector<Message> expected;
    for (const char c : sent) expected.push_back({kSerialByteMessage, static_cast<unsigned char>(c), port_});
    EXPECT_EQ(dlg_->messages, expected);
    EXPECT_FALSE(port.m_bThreadRunning);
    EXPECT_FALSE(port.HasPort());
    EXPECT_TRUE(T::ShownBoxes().empty());
}

TEST_F(SerialPortOnPty, ConfiguredLineEventsAreReportedAtEveryPortEvent) {
    Probe port;
    ASSERT_TRUE(Open(port, EV_RXCHAR | EV_CTS | EV_RING));
    StartAndHandshake(port);
    const std::string sent = "0123456789";
    WriteMaster(sent.data(), sent.size());
    ASSERT_TRUE(T::RunUntil(
        [&] {
            return dlg_->Count(kSerialByteMessage) == sent.size() && !dlg_->messages.empty() &&
                   dlg_->messages.back().message == kSerialRingMessage;
        },
        20000));
    port.Shutdown();
    T::Pump();
    EXPECT_EQ(dlg_->Bytes(), sent);
    // A pseudo-terminal has no modem lines: the messages follow the port's mask, not the lines.
    // Each port event: its bytes, then clear-to-send, then ring.
    const std::vector<Message>& m = dlg_->messages;
    ASSERT_GE(dlg_->Count(kSerialCtsMessage), 1u);
    EXPECT_EQ(dlg_->Count(kSerialCtsMessage), dlg_->Count(kSerialRingMessage));
    for (std::size_t i = 0; i < m.size(); ++i) {
        EXPECT_EQ(m[i].lParam, port_);
        if (m[i].message == kSerialCtsMessage) {
            ASSERT_LT(i + 1, m.size());
            EXPECT_EQ(m[i + 1].message, kSerialRingMessage) << i;
            ASSERT_GT(i, 0u);
            EXPECT_EQ(m[i - 1].message, kSerialByteMessage) << i;
            EXPECT_EQ(m[i].wParam, 0u);
        }
    }
    EXPECT_EQ(dlg_->Count(kSerialBreakMessage) + dlg_->Count(kSerialErrorMessage) +
                  dlg_->Count(kSerialRxFlagMessage),
              0u);
}

TEST_F(SerialPortOnPty, QueuedSendsPutExactlyTheirBytesOnTheWire) {
    Probe port;
    ASSERT_TRUE(Open(port, EV_RXCHAR, 16));
    ASSERT_TRUE(port.StartEventThread());
    ASSERT_TRUE(port.QueueTextPadded("abc", 8));
    EXPECT_EQ(Read(8), std::string("abc\0\0\0\0\0", 8));
    ASSERT_TRUE(port.QueueText("Z"));  // no terminator and nothing left over before it
    EXPECT_EQ(Read(1), "Z");
    const BYTE bytes[] = {0x01, 0x00, 0xFF, 0x10};
    ASSERT_TRUE(port.QueueBytes(bytes, 4));
    EXPECT_EQ(Read(4), std::string("\x01\x00\xff\x10", 4));
    ASSERT_TRUE(port.QueueByteCopy(bytes + 1, 3));
    EXPECT_EQ(Read(3), std::string("\x00\xff\x10", 3));
    char text[] = "modifiable";
    ASSERT_TRUE(port.QueueText(text));
    EXPECT_EQ(Read(10), "modifiable");
    ASSERT_TRUE(port.QueueTextPadded("longer than n", 4));  // the first n bytes go
    EXPECT_EQ(Read(4), "long");
    port.Shutdown();
    T::Pump();
    EXPECT_TRUE(T::ShownBoxes().empty());
}

TEST_F(SerialPortOnPty, WhatDoesNotFitTheSendBufferIsRefusedAndChangesNothing) {
    Probe port;
    ASSERT_TRUE(Open(port, EV_RXCHAR, 8));
    ASSERT_TRUE(port.QueueText("1234567"));    // with its terminator: 8 bytes
    EXPECT_FALSE(port.QueueText("12345678"));  // 9
    const BYTE nine[9] = {};
    EXPECT_FALSE(port.QueueBytes(nine, 9));
    EXPECT_FALSE(port.QueueByteCopy(nine, 9));
    EXPECT_FALSE(port.QueueTextPadded("abc", 9));       // the padding
    EXPECT_FALSE(port.QueueTextPadded("abcdefgh", 4));  // the text
    EXPECT_FALSE(port.QueueText(static_cast<const char*>(nullptr)));
    // The last accepted send is what the thread sends when it starts.
    ASSERT_TRUE(port.StartEventThread());
    EXPECT_EQ(Read(7), "1234567");
    ASSERT_TRUE(port.QueueText("Z"));
    EXPECT_EQ(Read(1), "Z");

    port.Shutdown();  // the buffer is released: nothing fits any more
    EXPECT_FALSE(port.QueueText(""));
    EXPECT_FALSE(port.HasPort());
}

TEST_F(SerialPortOnPty, ShutdownAndDestructionEndAThreadStuckInAWrite) {
    constexpr UINT kBig = 1 << 20;  // far more than the pseudo-terminal holds
    const std::vector<BYTE> big(kBig, 0x55);
    const std::size_t handles = orva::win32::HandleCount();
    {
        Probe port;
        ASSERT_TRUE(Open(port, EV_RXCHAR, kBig));
        ASSERT_TRUE(port.StartEventThread());
        ASSERT_TRUE(port.QueueBytes(big.data(), kBig));
        ASSERT_TRUE(WaitUntil([&] { return MasterPending() > 0; }));  // the write runs, nobody reads
        port.Shutdown();
        EXPECT_FALSE(port.HasPort());
        EXPECT_EQ(orva::win32::HandleCount(), handles + 5);  // its events are kept for a new open
        while (MasterPending() > 0) Read(MasterPending());   // what the cut write had put through

        ASSERT_TRUE(Open(port, EV_RXCHAR, kBig));
        ASSERT_TRUE(port.StartEventThread());
        ASSERT_TRUE(port.QueueBytes(big.data(), kBig));
        ASSERT_TRUE(WaitUntil([&] { return MasterPending() > 0; }));
    }  // destroyed with the write still running
    EXPECT_EQ(orva::win32::HandleCount(), handles);
    T::Pump();
    EXPECT_TRUE(T::ShownBoxes().empty());  // a write cut short by a stop is no failure
}

TEST_F(SerialPortOnPty, APausedThreadReportsNothingUntilResumedAndStillShutsDown) {
    Probe port;
    ASSERT_TRUE(Open(port, EV_RXCHAR));
    StartAndHandshake(port);
    ASSERT_TRUE(port.SuspendEventThread());
    WriteMaster("a", 1);
    // The byte's port event wakes the thread, which holds at its wait.
    ASSERT_TRUE(WaitUntil([&] { return orva::win32::ThreadHeldBySuspend(port.m_hThread); }));
    T::Pump();
    EXPECT_TRUE(dlg_->messages.empty());
    ASSERT_TRUE(port.ResumeEventThread());
    ASSERT_TRUE(T::RunUntil([&] { return dlg_->messages.size() == 1; }, 20000));
    EXPECT_EQ(dlg_->Bytes(), "a");

    port.SuspendEventThread();
    port.SuspendEventThread();
    WriteMaster("b", 1);
    ASSERT_TRUE(WaitUntil([&] { return orva::win32::ThreadHeldBySuspend(port.m_hThread); }));
    port.Shutdown();
    EXPECT_FALSE(port.m_bThreadRunning);
    EXPECT_FALSE(port.HasPort());
}

TEST_F(SerialPortOnPty, AVanishedDeviceGivesOneBoxPerWakeAndNoSpin) {
    Probe port;
    ASSERT_TRUE(Open(port, EV_RXCHAR));
    StartAndHandshake(port);
    Unplug();
    ASSERT_TRUE(T::RunUntil([] { return !T::ShownBoxes().empty(); }, 20000));
    port.Shutdown();
    T::Pump();
    const auto boxes = T::ShownBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "WARNING:  WaitCommEvent() Failed with the following error: \n" +
                                 std::string(std::strerror(ENODEV)) + "\nPort: " + std::to_string(port_) +
                                 "\n");
    EXPECT_EQ(boxes[0].caption, "Application Error");
    EXPECT_EQ(boxes[0].icon, MB_ICONERROR);
    EXPECT_EQ(boxes[0].buttons, MB_OK);
    EXPECT_TRUE(dlg_->messages.empty());
}

TEST_F(SerialPortOnPty, ReadBlockingReadsWhatTheDeviceSendsAndFailsWhenItVanishes) {
    Probe port;
    ASSERT_TRUE(Open(port, EV_RXCHAR));
    WriteMaster("xyz12", 5);
    char buf[8];
    ASSERT_TRUE(port.ReadBlocking(buf, 5));
    EXPECT_EQ(std::string(buf, 5), "xyz12");
    Unplug();
    std::memset(buf, 'x', sizeof buf);
    EXPECT_FALSE(port.ReadBlocking(buf, 3));
    EXPECT_EQ(std::string(buf, 3), std::string(3, '\0'));
}

using serial_test::LetGoBy;
using serial_test::Ready;

TEST_F(SerialPortOnPty, AQueueCallDuringAPendingSendReturnsAtOnce) {
    constexpr UINT kBig = 1 << 20;  // far more than the device holds; it does not read
    const std::vector<BYTE> big(kBig, 0x55);
    Probe port;
    ASSERT_TRUE(Open(port, EV_RXCHAR, kBig));
    ASSERT_TRUE(port.StartEventThread());
    ASSERT_TRUE(port.QueueBytes(big.data(), kBig));
    ASSERT_TRUE(WaitUntil([&] { return MasterPending() > 0; }));  // the send runs
    auto queueing = std::async(std::launch::async, [&] { return port.QueueText("x"); });
    const bool returned = Ready(queueing, std::chrono::seconds(20));
    // The device reads now: the first send, then the one queued meanwhile. (Each send starts with
    // a purge, which may cut the tail that the device had not read yet.)
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    char buf[65536];
    while ((got.empty() || got.back() != 'x') && std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{master_, POLLIN, 0};
        if (::poll(&pfd, 1, 100) <= 0) continue;
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, static_cast<std::size_t>(n));
    }
    EXPECT_TRUE(returned) << "the queue call waited for the send";
    EXPECT_TRUE(queueing.get());
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back(), 'x');
    EXPECT_EQ(got.find_first_not_of('\x55'), got.size() - 1);
    port.Shutdown();
    T::Pump();
    EXPECT_TRUE(T::ShownBoxes().empty());
}

TEST_F(SerialPortOnPty, APauseDuringASendLeavesTheQueueCallsFree) {
    constexpr UINT kBig = 1 << 20;
    const std::vector<BYTE> big(kBig, 0x55);
    Probe port;
    ASSERT_TRUE(Open(port, EV_RXCHAR, kBig));
    ASSERT_TRUE(port.StartEventThread());
    ASSERT_TRUE(port.QueueBytes(big.data(), kBig));
    ASSERT_TRUE(WaitUntil([&] { return MasterPending() > 0; }));
    ASSERT_TRUE(port.SuspendEventThread());
    // The send ends while the thread is paused: it holds as it leaves its wait.
    EXPECT_EQ(Read(kBig).size(), kBig);
    ASSERT_TRUE(WaitUntil([&] { return orva::win32::ThreadHeldBySuspend(port.m_hThread); }));
    auto queueing = std::async(std::launch::async, [&] { return port.QueueText("y"); });
    const bool returned = Ready(queueing, std::chrono::seconds(20));
    port.ResumeEventThread();  // lets a held-up queue call go when the test fails
    EXPECT_TRUE(returned) << "the queue call waited for the paused thread";
    EXPECT_TRUE(queueing.get());
    EXPECT_EQ(Read(1), "y");
    port.Shutdown();
}

TEST_F(SerialPortOnPty, AFloodWhileTheOwnerIsBusyComesWholeAndInOrderThroughFewPosts) {
    // Every post to the UI thread arrives as one meta-call event of the application.
    struct PostCounter : QObject {
        std::size_t posts = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            posts += e->type() == QEvent::MetaCall;
            return false;
        }
    } counter;
    constexpr std::size_t kFlood = 256 * 1024;
    std::string flood(kFlood, '\0');
    for (std::size_t i = 0; i < kFlood; ++i) flood[i] = static_cast<char>(i * 7 + i / 251);
    Probe port;
    ASSERT_TRUE(Open(port, EV_RXCHAR));
    StartAndHandshake(port);
    // The owner does not pump while the device sends everything and the thread takes it in.
    WriteMaster(flood.data(), flood.size());
    ASSERT_TRUE(WaitUntil(
        [&] {
            COMSTAT status{};
            DWORD errors = 0;
            return ClearCommError(port.m_hPort, &errors, &status) && status.cbInQue == 0;
        },
        std::chrono::seconds(60)));
    QCoreApplication::instance()->installEventFilter(&counter);
    const bool all = T::RunUntil([&] { return dlg_->messages.size() >= kFlood; }, 60000);
    QCoreApplication::instance()->removeEventFilter(&counter);
    port.Shutdown();
    T::Pump();
    ASSERT_TRUE(all);
    EXPECT_EQ(dlg_->Bytes(), flood);
    EXPECT_LT(counter.posts, kFlood / 64) << "about one post per byte";
}

TEST_F(SerialPortOnPty, NothingOfAnOpeningComesAfterItsShutdownOrAfterTheNextOpeningsBytes) {
    Probe port;
    const auto takeInBusy = [&](const char* bytes) { return TakeInWhileBusy(port, bytes); };

    // Shut down: what was taken is handed over before Shutdown returns, nothing after.
    ASSERT_TRUE(Open(port, EV_RXCHAR));
    StartAndHandshake(port);
    ASSERT_TRUE(takeInBusy("0123456789"));
    port.Shutdown();
    EXPECT_EQ(dlg_->Bytes(), "0123456789");
    T::Pump();
    EXPECT_EQ(dlg_->Bytes(), "0123456789");

    // Opened again at once: the old opening's bytes come first, all before the open returns.
    dlg_->messages.clear();
    ASSERT_TRUE(Open(port, EV_RXCHAR));
    StartAndHandshake(port);
    ASSERT_TRUE(takeInBusy("old"));
    ASSERT_TRUE(Open(port, EV_RXCHAR));
    EXPECT_EQ(dlg_->Bytes(), "old");
    StartAndHandshake(port);
    WriteMaster("new", 3);
    ASSERT_TRUE(T::RunUntil([&] { return dlg_->Bytes().size() >= 6; }, 20000));
    EXPECT_EQ(dlg_->Bytes(), "oldnew");

    // Shut down from the owner's handler of the first of many bytes: none of them after it.
    dlg_->messages.clear();
    std::size_t atShutdown = 0;
    dlg_->onByte = [&] {
        if (port.HasPort()) {
            port.Shutdown();
            atShutdown = dlg_->messages.size();
        }
    };
    const std::string many(2000, 'm');
    ASSERT_TRUE(takeInBusy(many.c_str()));
    ASSERT_TRUE(T::RunUntil([&] { return !dlg_->messages.empty(); }, 20000));
    T::Pump();
    dlg_->onByte = nullptr;
    EXPECT_EQ(atShutdown, 1u);
    EXPECT_EQ(dlg_->messages.size(), 1u);
    EXPECT_TRUE(T::ShownBoxes().empty());
}

TEST_F(SerialPortOnPty, AnOpenFromAHandlerOfWhatShutdownHandsOverIsRefusedAndLeavesItClosed) {
    Probe port;
    ASSERT_TRUE(Open(port, EV_RXCHAR));
    StartAndHandshake(port);
    ASSERT_TRUE(TakeInWhileBusy(port, "0123456789"));
    int handled = 0;
    BOOL reopened = TRUE;
    BOOL started = TRUE;
    dlg_->onByte = [&] {
        if (++handled != 1) return;
        reopened = Open(port, EV_RXCHAR);
        started = port.StartEventThread();
    };
    port.Shutdown();
    dlg_->onByte = nullptr;
    EXPECT_EQ(dlg_->Bytes(), "0123456789");
    EXPECT_FALSE(reopened);
    EXPECT_FALSE(started);
    // Closed, with no thread and no send buffer.
    EXPECT_FALSE(port.HasPort());
    EXPECT_EQ(port.m_hThread, nullptr);
    EXPECT_FALSE(port.m_bThreadRunning);
    EXPECT_FALSE(port.QueueText("x"));

    // And whole: it opens again, and the new thread carries bytes.
    dlg_->messages.clear();
    ASSERT_TRUE(Open(port, EV_RXCHAR));
    StartAndHandshake(port);
    WriteMaster("new", 3);
    ASSERT_TRUE(T::RunUntil([&] { return dlg_->Bytes().size() >= 3; }, 20000));
    port.Shutdown();
    T::Pump();
    EXPECT_EQ(dlg_->Bytes(), "new");
    EXPECT_TRUE(T::ShownBoxes().empty());
}

TEST_F(SerialPortOnPty, TheEventCharacterAloneSendsTheFlagMessage) {
    Probe port;
    ASSERT_TRUE(Open(port, EV_RXFLAG));
    StartAndHandshake(port);
    DCB line{};
    ASSERT_TRUE(GetCommState(port.m_hPort, &line));
    EXPECT_EQ(line.EvtChar, 'q');  // the device's settings keep it
    WriteMaster("abq", 3);
    ASSERT_TRUE(T::RunUntil([&] { return !dlg_->messages.empty(); }, 20000));
    port.Shutdown();
    T::Pump();
    const std::vector<Message> expected = {{kSerialRxFlagMessage, 0, port_}};
    EXPECT_EQ(dlg_->messages, expected);  // 1649 once; no byte messages without EV_RXCHAR
}

long long ProcessCpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// The CPU the whole process takes over half a second of idleness. A spinning thread takes close
// to all of it; a busy machine only lowers what this process gets, never raises it.
struct IdleCpu {
    long long cpuNs = 0;
    long long wallNs = 0;
    bool Spins() const { return cpuNs > wallNs / 4; }
};

IdleCpu MeasureIdle() {
    const long long cpuBefore = ProcessCpuNs();
    const auto wallBefore = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    IdleCpu idle;
    idle.cpuNs = ProcessCpuNs() - cpuBefore;
    idle.wallNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - wallBefore)
            .count();
    return idle;
}

TEST_F(SerialPortOnPty, NeitherPortClassSpinsWhenIdleAfterTraffic) {
    // Each kind of worker has had work: the write worker and the watch loops of the first class in
    // both modes, then the event thread of the second.
    for (const DWORD option : {DWORD{CnComm::EN_OVERLAPPED_IO | CnComm::EN_RX_BUFFER | CnComm::EN_TX_BUFFER |
                                     CnComm::EN_RX_WORKER | CnComm::EN_TX_WORKER},
                               DWORD{CnComm::EN_TX_BUFFER | CnComm::EN_TX_WORKER | CnComm::EN_RX_WORKER},
                               DWORD{CnComm::EN_TX_BUFFER}, DWORD{3}}) {
        SCOPED_TRACE(option);
        CnComm comm(option);
        ASSERT_TRUE(comm.Open(static_cast<DWORD>(port_), 38400));
        comm.Write("ab", 2);
        EXPECT_EQ(Read(2), "ab");
        WriteMaster("c", 1);
        const IdleCpu idle = MeasureIdle();
        EXPECT_FALSE(idle.Spins()) << "CPU " << idle.cpuNs / 1000000 << " ms over " << idle.wallNs / 1000000
                                   << " ms idle";
        comm.Close(500);
    }
    Probe port;
    ASSERT_TRUE(Open(port, EV_RXCHAR | EV_TXEMPTY | EV_RXFLAG));
    StartAndHandshake(port);
    WriteMaster("dq", 2);
    ASSERT_TRUE(T::RunUntil([&] { return dlg_->Count(kSerialByteMessage) == 2; }, 20000));
    const IdleCpu idle = MeasureIdle();
    EXPECT_FALSE(idle.Spins()) << "CPU " << idle.cpuNs / 1000000 << " ms over " << idle.wallNs / 1000000
                               << " ms idle";
    port.Shutdown();
    T::Pump();
}

TEST(SerialPortErrorBox, TheSystemsTextInTwoHundredBytesCaptionedApplicationError) {
    T::EnsureApplication();
    T::ClearShownBoxes();
    CSerialPort port;
    SetLastError(ERROR_ACCESS_DENIED);
    port.ShowApiError("SetCommState()");
    const std::string longName(500, 'n');
    SetLastError(ERROR_ACCESS_DENIED);
    port.ShowApiError(longName.c_str());
    T::Pump();
    const auto boxes = T::ShownBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "WARNING:  SetCommState() Failed with the following error: \n" +
                                 std::string(std::strerror(EACCES)) + "\nPort: 0\n");
    EXPECT_EQ(boxes[0].caption, "Application Error");
    EXPECT_EQ(boxes[0].icon, MB_ICONERROR);
    EXPECT_EQ(boxes[1].text, "WARNING:  " + std::string(199 - 10, 'n'));
}

}  // namespace
