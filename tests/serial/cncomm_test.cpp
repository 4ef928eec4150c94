// The port class without a port: what construction and destruction leave behind, and every
// operation on a closed port.
#include "CnComm.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "win32_critical_section.h"
#include "win32_handle_table.h"
#include "win32_sync.h"
#include "win32_thread.h"
#include "win32_thread_message.h"

namespace {

// Opens the protected members to the tests.
class Probe : public CnComm {
public:
    explicit Probe(DWORD option) : CnComm(option) {}
    using CnComm::bRunning_;
    using CnComm::dwOption_;
    using CnComm::dwOwnerThread_;
    using CnComm::dwReceiveThreshold_;
    using CnComm::dwWaitEvent_;
    using CnComm::HandleEvent;
    using CnComm::hOwnerWnd_;
    using CnComm::LineSettings_;
    using CnComm::Notify;
    using CnComm::nPortNumber_;
    using CnComm::OnReceive;
    using CnComm::ReadLoop;
    using CnComm::WatchLoopOverlapped;
    using CnComm::WatchLoopPolling;
};

bool NoThreadMessage() {
    orva::win32::ThreadMessage m;
    return !orva::win32::TakeThreadMessage(m, 0);
}

TEST(CnCommUnopened, ConstructedWith3AndDestroyedReleasesEveryEventAndLockAndSendsNothing) {
    orva::win32::CreateThreadMessageQueue();
    const std::size_t handles = orva::win32::HandleCount();
    const std::size_t sections = orva::win32::LiveCriticalSectionCount();
    {
        Probe comm(3);
        EXPECT_EQ(orva::win32::HandleCount(), handles + 6);                // six events
        EXPECT_EQ(orva::win32::LiveCriticalSectionCount(), sections + 3);  // its own and one per buffer
        EXPECT_FALSE(comm.IsOpen());
        EXPECT_TRUE(comm.IsOverlappedMode());
        EXPECT_FALSE(comm.IsTxBuffer());
        EXPECT_EQ(comm.dwOption_, 3u);
        EXPECT_EQ(comm.nPortNumber_, -1);
        EXPECT_EQ(comm.dwWaitEvent_, 0x1FDu);
        EXPECT_EQ(comm.LineSettings_.DCBlength, 28u);
        EXPECT_EQ(comm.hOwnerWnd_, nullptr);
        EXPECT_EQ(comm.dwOwnerThread_, 0u);
        EXPECT_EQ(comm.Input().Size(), 0u);
        EXPECT_EQ(comm.Output().Size(), 0u);
    }
    EXPECT_EQ(orva::win32::HandleCount(), handles);
    EXPECT_EQ(orva::win32::LiveCriticalSectionCount(), sections);
    EXPECT_TRUE(NoThreadMessage());
}

TEST(CnCommUnopened, OperationsOnAClosedPortReturnTheirFailureValues) {
    Probe comm(3);
    char buf[8] = {};
    EXPECT_EQ(comm.GetQueueCount(true), 0xFFFFFFFFu);
    EXPECT_EQ(comm.GetQueueCount(false), 0xFFFFFFFFu);
    EXPECT_EQ(comm.GetModemStatus(), 0u);
    EXPECT_FALSE(comm.IsCTS() || comm.IsDSR() || comm.IsRing() || comm.IsRLSD());
    EXPECT_EQ(comm.GetErrorFlags(), 0u);
    EXPECT_EQ(comm.ReadPort(buf, sizeof buf, INFINITE), 0u);
    EXPECT_EQ(comm.ReadPort(buf, sizeof buf, 100), 0u);
    EXPECT_EQ(comm.WritePort("x", 1), 0u);
    EXPECT_EQ(comm.Write("x", 1), 0u);
    EXPECT_EQ(comm.Write("x", 0), 0u);
    EXPECT_EQ(comm.ReadIntoBuffer(0), 0u);
    EXPECT_EQ(comm.BytesIn(), 0u);
    EXPECT_EQ(comm.BytesOut(), 0u);
    comm.Close(500);  // nothing to close
    // No worker: EndThread says so and leaves the running flag alone.
    comm.bRunning_ = true;
    EXPECT_FALSE(comm.EndThread(500));
    EXPECT_TRUE(comm.bRunning_);
    comm.bRunning_ = false;
    // The loops refuse a closed port; the read loop ends since the port does not answer.
    EXPECT_EQ(comm.WatchLoopOverlapped(), 1u);
    EXPECT_EQ(comm.WatchLoopPolling(), 1u);
    comm.bRunning_ = true;
    EXPECT_EQ(comm.ReadLoop(), 0u);
}

TEST(CnCommUnopened, WritesQueuedThroughTheTxBufferWaitEvenOnAClosedPortNullTextsDoNot) {
    Probe comm(CnComm::EN_OVERLAPPED_IO | CnComm::EN_TX_BUFFER);
    EXPECT_EQ(comm.Write("abc", 3), 0u);
    EXPECT_EQ(comm.Output().Size(), 3u);
    EXPECT_EQ(comm.WriteString("de"), 0u);
    EXPECT_EQ(comm.Output().Size(), 5u);
    EXPECT_EQ(comm.WriteString(nullptr), 0u);  // refused: neither measured nor queued
    EXPECT_EQ(comm.Write(nullptr, 4), 0u);
    EXPECT_EQ(comm.Output().Size(), 5u);
}

TEST(CnCommUnopened, AFailedQueueCountIsNoByteCount) {
    // The event handler on a port that does not answer reads nothing and makes no block: the
    // failure value is not taken for four gigabytes of input.
    Probe comm(CnComm::EN_OVERLAPPED_IO | CnComm::EN_RX_BUFFER);
    comm.HandleEvent(EV_RXCHAR);
    EXPECT_EQ(comm.Input().pFirst, nullptr);
    EXPECT_EQ(comm.BytesIn(), 0u);
}

TEST(CnCommUnopened, NotifyReachesTheOwnerThreadAndNothingWithoutTargets) {
    orva::win32::CreateThreadMessageQueue();
    Probe comm(3);
    comm.Notify(ON_COM_RECEIVE, 0, true);  // neither a window nor a thread
    EXPECT_TRUE(NoThreadMessage());

    comm.dwOwnerThread_ = GetCurrentThreadId();
    comm.nPortNumber_ = 97;
    int stale = 0;
    comm.hOwnerWnd_ = reinterpret_cast<HWND>(&stale);  // names no window: skipped
    comm.OnReceive();
    orva::win32::ThreadMessage m;
    ASSERT_TRUE(orva::win32::TakeThreadMessage(m, 0));
    EXPECT_EQ(m.message, 0x66Au);
    EXPECT_EQ(m.wParam, 97u);
    EXPECT_EQ(m.lParam, 0);
    EXPECT_TRUE(NoThreadMessage());
    comm.hOwnerWnd_ = nullptr;
}

// Records the order in which the event handler calls the notifiers.
class OrderProbe : public CnComm {
public:
    OrderProbe() : CnComm(3) {}
    using CnComm::HandleEvent;
    std::string order;

protected:
    void OnReceive() override { order += "receive "; }
    void OnDSR() override { order += "dsr "; }
    void OnCTS() override { order += "cts "; }
    void OnBreak() override { order += "break "; }
    void OnTxEmpty() override { order += "txempty "; }
    void OnError() override { order += "error "; }
    void OnRing() override { order += "ring "; }
    void OnRLSD() override { order += "rlsd "; }
    void OnRxFlag() override { order += "rxflag "; }
};

TEST(CnCommUnopened, TheEventHandlerCallsTheNotifiersInItsOrder) {
    OrderProbe comm;
    comm.HandleEvent(0x1FF);
    // EV_RXCHAR reads the queue count first; the closed port has none, so no receive.
    EXPECT_EQ(comm.order, "txempty rxflag cts dsr ring rlsd break error ");
}

// Calls each notifier of the base class.
class NotifierProbe : public CnComm {
public:
    NotifierProbe() : CnComm(3) {}
    void CallAll() {
        OnReceive();
        OnDSR();
        OnCTS();
        OnBreak();
        OnTxEmpty();
        OnError();
        OnRing();
        OnRLSD();
        OnRxFlag();
        OnExtra1();
        OnExtra2();
        OnExtra3();
        OnExtra4();
        OnExtra5();
    }
    using CnComm::dwOwnerThread_;
    using CnComm::nPortNumber_;
};

TEST(CnCommUnopened, EachNotifierPostsItsOwnMessage) {
    orva::win32::CreateThreadMessageQueue();
    NotifierProbe comm;
    comm.dwOwnerThread_ = GetCurrentThreadId();
    comm.nPortNumber_ = 5;
    comm.CallAll();
    const UINT expected[] = {0x66A, 0x66C, 0x66B, 0x66F, 0x670, 0x671, 0x66D,
                             0x66E, 0x672, 0x673, 0x676, 0x674, 0x675, 0x677};
    for (UINT message : expected) {
        orva::win32::ThreadMessage m;
        ASSERT_TRUE(orva::win32::TakeThreadMessage(m, 0)) << std::hex << message;
        EXPECT_EQ(m.message, message);
        EXPECT_EQ(m.wParam, 5u);
        EXPECT_EQ(m.lParam, 0);  // no modem lines and no errors on a closed port
    }
    EXPECT_TRUE(NoThreadMessage());
}

// Keeps the text of every failed check.
class CheckRecorder : public CnComm {
public:
    explicit CheckRecorder(DWORD option) : CnComm(option) {}
    using CnComm::SetupPort;
    using CnComm::WatchLoopOverlapped;
    using CnComm::WatchLoopPolling;
    using CnComm::WriteLoop;
    std::vector<std::string> texts;

protected:
    bool AssertFailed(const char* szText) override {
        texts.emplace_back(szText);
        return CnComm::AssertFailed(szText);
    }
};

std::string Check(const std::string& expression, int number) {
    return "CN_ASSERT(" + expression + ") failed; CnComm(" + std::to_string(number) + "); ";
}

TEST(CnCommUnopened, EachCheckOnAClosedPortHandsOverItsExpressionAndPlace) {
    CheckRecorder comm(CnComm::EN_OVERLAPPED_IO);
    char buf[4];
    comm.GetModemStatus();
    comm.GetErrorFlags();
    comm.GetQueueCount(true);
    comm.ReadPort(buf, sizeof buf, INFINITE);
    comm.WritePort("x", 1);
    comm.WriteString(nullptr);
    comm.SetupPort();
    comm.WatchLoopOverlapped();
    comm.WatchLoopPolling();
    comm.WriteLoop();  // without EN_TX_BUFFER; the loop does not run, the port being closed
    const std::vector<std::string> expected = {
        Check("IsOpen()", 909),  Check("IsOpen()", 958),
        Check("IsOpen()", 966),  Check("IsOpen()", 408),
        Check("IsOpen()", 497),  Check("szBuffer", 555),
        Check("IsOpen()", 1705), Check("IsOpen()", 1917),
        Check("IsOpen()", 1958), Check("dwOption_ & EN_TX_BUFFER", 2073),
    };
    EXPECT_EQ(comm.texts, expected);
    EXPECT_EQ(Check("IsOpen()", 1705), "CN_ASSERT(IsOpen()) failed; CnComm(1705); ");
}

}  // namespace
