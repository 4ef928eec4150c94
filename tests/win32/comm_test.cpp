// The serial comm calls on a pseudo-terminal: the test plays the device on the master side.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "pty_fixture.h"
#include "win32_comm.h"
#include "win32_comm_port.h"
#include "win32_handle_table.h"
#include "win32_sync.h"
#include "win32_thread.h"

namespace {

using namespace std::chrono_literals;
using orva::comport::test::PtyTest;
using orva::comport::test::WaitUntil;

class Comm : public PtyTest {
protected:
    void TearDown() override {
        if (port_handle_ != INVALID_HANDLE_VALUE) CloseHandle(port_handle_);
        if (event_ != nullptr) CloseHandle(event_);
        PtyTest::TearDown();
    }

    HANDLE OpenPort(bool overlapped, const std::string& prefix = "COM") {
        const std::string name = prefix + std::to_string(port_);
        port_handle_ = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL | (overlapped ? FILE_FLAG_OVERLAPPED : 0), nullptr);
        return port_handle_;
    }

    OVERLAPPED NewRecord() {
        event_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        OVERLAPPED o{};
        o.hEvent = event_;
        return o;
    }

    void SetTimeouts(DWORD interval, DWORD multiplier, DWORD constant) {
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = interval;
        t.ReadTotalTimeoutMultiplier = multiplier;
        t.ReadTotalTimeoutConstant = constant;
        ASSERT_TRUE(SetCommTimeouts(port_handle_, &t));
    }

    DWORD InQueue() {
        COMSTAT s{};
        DWORD errors = 1;
        EXPECT_TRUE(ClearCommError(port_handle_, &errors, &s));
        EXPECT_EQ(errors, 0u);
        return s.cbInQue;
    }

    HANDLE port_handle_ = INVALID_HANDLE_VALUE;
    HANDLE event_ = nullptr;
};

TEST_F(Comm, TheEventCharacterRaisesRxFlagAndStaysInTheData) {
    ASSERT_NE(OpenPort(true), INVALID_HANDLE_VALUE);
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port_handle_, &dcb));
    dcb.EvtChar = 'q';
    ASSERT_TRUE(SetCommState(port_handle_, &dcb));
    DCB back{};
    ASSERT_TRUE(GetCommState(port_handle_, &back));
    EXPECT_EQ(back.EvtChar, 'q');
    ASSERT_TRUE(SetCommMask(port_handle_, EV_RXFLAG));

    OVERLAPPED o = NewRecord();
    DWORD mask = 0;
    ASSERT_FALSE(WaitCommEvent(port_handle_, &mask, &o));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    WriteMaster("ab", 2);
    ASSERT_TRUE(WaitUntil([&] { return InQueue() == 2; }));
    DWORD done = 0;
    EXPECT_FALSE(GetOverlappedResult(port_handle_, &o, &done, FALSE));  // no flag among them
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
    WriteMaster("qc", 2);
    ASSERT_EQ(WaitForSingleObject(o.hEvent, 20000), WAIT_OBJECT_0);
    EXPECT_EQ(mask, EV_RXFLAG);
    ASSERT_TRUE(WaitUntil([&] { return InQueue() == 4; }));
    char buf[8] = {};
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(port_handle_, buf, 4, &got, &o));
    EXPECT_EQ(std::string(buf, got), "abqc");
    // Reported once: the next wait waits for the next flag.
    ASSERT_FALSE(WaitCommEvent(port_handle_, &mask, &o));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    WriteMaster("xq", 2);
    ASSERT_EQ(WaitForSingleObject(o.hEvent, 20000), WAIT_OBJECT_0);
    EXPECT_EQ(mask, EV_RXFLAG);
}

TEST_F(Comm, EachEventCharacterRaisesRxFlagOnceWhicheverThreadTakesIt) {
    ASSERT_NE(OpenPort(true), INVALID_HANDLE_VALUE);
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port_handle_, &dcb));
    dcb.EvtChar = 'q';
    ASSERT_TRUE(SetCommState(port_handle_, &dcb));
    ASSERT_TRUE(SetCommMask(port_handle_, EV_RXFLAG));
    OVERLAPPED o = NewRecord();
    // The port looks ahead for the event character in at most 4096 bytes of input: with that
    // much unread, the characters after it are found by the reader that takes them.
    const std::string ahead(4096, 'a');
    // Written by the pending wait; a wait left pending by a failed check ends when the port is
    // closed after the test, and writes here then.
    static DWORD mask = 0;
    for (const std::string tail : {"q", "qxq"}) {
        SCOPED_TRACE(tail);
        ASSERT_FALSE(WaitCommEvent(port_handle_, &mask, &o));
        ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
        const std::string sent = ahead + tail;
        WriteMaster(sent.data(), sent.size());
        // A second thread reads the input once it is all there, while the wait runs.
        auto reading = std::async(std::launch::async, [&] {
            std::string got(sent.size(), '\0');
            if (!WaitUntil([&] { return InQueue() == sent.size(); })) return std::string();
            OVERLAPPED ro{};
            DWORD n = 0;
            if (!ReadFile(port_handle_, got.data(), static_cast<DWORD>(got.size()), &n, &ro)) {
                PurgeComm(port_handle_, PURGE_RXABORT);  // must not outlive `got`
                GetOverlappedResult(port_handle_, &ro, &n, TRUE);
            }
            got.resize(n);
            return got;
        });
        ASSERT_EQ(reading.get(), sent);
        const auto flags = static_cast<int>(std::count(tail.begin(), tail.end(), 'q'));
        for (int flag = 0; flag < flags; ++flag) {
            if (flag != 0 && !WaitCommEvent(port_handle_, &mask, &o)) {
                ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
            }
            ASSERT_EQ(WaitForSingleObject(o.hEvent, 20000), WAIT_OBJECT_0) << "flag " << flag;
            EXPECT_EQ(mask, EV_RXFLAG);
        }
    }
    // One flag per character: none is left over.
    ASSERT_FALSE(WaitCommEvent(port_handle_, &mask, &o));
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    ASSERT_TRUE(SetCommMask(port_handle_, EV_RXFLAG));  // ends the wait
    ASSERT_EQ(WaitForSingleObject(o.hEvent, 20000), WAIT_OBJECT_0);
    EXPECT_EQ(mask, 0u);
}

TEST_F(Comm, AWriteFromAnotherThreadThatLeavesAtOnceEndsAPendingTxEmptyWait) {
    // A pseudo-terminal has no modem lines: nothing but the write itself can bring the wait round.
    ASSERT_NE(OpenPort(true), INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetCommMask(port_handle_, EV_TXEMPTY));
    OVERLAPPED o = NewRecord();
    DWORD mask = 0;
    ASSERT_FALSE(WaitCommEvent(port_handle_, &mask, &o));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    std::chrono::steady_clock::time_point written;
    auto writing = std::async(std::launch::async, [&] {
        OVERLAPPED wo{};
        DWORD n = 0;
        written = std::chrono::steady_clock::now();
        if (WriteFile(port_handle_, "ping", 4, &n, &wo)) return n == 4;
        if (GetLastError() == ERROR_IO_PENDING) GetOverlappedResult(port_handle_, &wo, &n, TRUE);
        return false;
    });
    ASSERT_TRUE(writing.get()) << "the device did not take the bytes at once";
    EXPECT_EQ(ReadMaster(4, 20s), (std::vector<unsigned char>{'p', 'i', 'n', 'g'}));
    ASSERT_EQ(WaitForSingleObject(o.hEvent, 20000), WAIT_OBJECT_0) << "no EV_TXEMPTY";
    const auto after = std::chrono::steady_clock::now() - written;
    RecordProperty("tx_empty_after_write_us",
                   static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(after).count()));
    DWORD n = 0;
    ASSERT_TRUE(GetOverlappedResult(port_handle_, &o, &n, TRUE));
    EXPECT_EQ(mask, static_cast<DWORD>(EV_TXEMPTY));
}

// Counts that the test sets, in place of a UART's.
struct TestCounters : orva::win32::LineCounterSource {
    struct Shared {
        std::atomic<unsigned> frame{0}, overrun{0}, parity{0}, brk{0};
    };
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    bool Read(int, orva::win32::LineCounts& counts) override {
        counts.frame = shared->frame;
        counts.overrun = shared->overrun;
        counts.parity = shared->parity;
        counts.brk = shared->brk;
        return true;
    }
};

TEST_F(Comm, BreaksAndLineErrorsOfADeviceThatCountsThemAreEventsAndErrorFlags) {
    auto counters = std::make_unique<TestCounters>();
    const auto counts = counters->shared;
    DWORD error = 0;
    auto port = orva::win32::CommPort::Open(slavePath_, true, error, std::move(counters));
    ASSERT_TRUE(port);
    port_handle_ = orva::win32::AddHandle(port);
    port.reset();
    DWORD errors = 99;
    ASSERT_TRUE(ClearCommError(port_handle_, &errors, nullptr));
    EXPECT_EQ(errors, 0u);
    ASSERT_TRUE(SetCommMask(port_handle_, EV_BREAK | EV_ERR));

    OVERLAPPED o = NewRecord();
    DWORD mask = 0;
    ASSERT_FALSE(WaitCommEvent(port_handle_, &mask, &o));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    ++counts->brk;
    ASSERT_EQ(WaitForSingleObject(o.hEvent, 20000), WAIT_OBJECT_0);
    EXPECT_EQ(mask, EV_BREAK);
    ASSERT_TRUE(ClearCommError(port_handle_, &errors, nullptr));
    EXPECT_EQ(errors, CE_BREAK);
    ASSERT_TRUE(ClearCommError(port_handle_, &errors, nullptr));
    EXPECT_EQ(errors, 0u);  // each reported once

    ASSERT_FALSE(WaitCommEvent(port_handle_, &mask, &o));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    ++counts->frame;
    ++counts->parity;
    ASSERT_EQ(WaitForSingleObject(o.hEvent, 20000), WAIT_OBJECT_0);
    EXPECT_EQ(mask, EV_ERR);
    ++counts->overrun;
    ASSERT_TRUE(ClearCommError(port_handle_, &errors, nullptr));
    EXPECT_EQ(errors, CE_FRAME | CE_RXPARITY | CE_OVERRUN);

    // The overrun was seen by ClearCommError: it is still an event for the next wait.
    ASSERT_TRUE(WaitCommEvent(port_handle_, &mask, &o));
    EXPECT_EQ(mask, EV_ERR);
}

TEST_F(Comm, PortsOpenByNumberInBothSpellingsAndOnlyOnce) {
    ASSERT_NE(OpenPort(false, "\\\\.\\COM"), INVALID_HANDLE_VALUE);
    const std::string plain = "com" + std::to_string(port_);
    EXPECT_EQ(CreateFileA(plain.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);  // held by the first opener
    ASSERT_TRUE(CloseHandle(port_handle_));
    port_handle_ = INVALID_HANDLE_VALUE;
    ASSERT_NE(OpenPort(true), INVALID_HANDLE_VALUE);

    for (const char* name : {"COM0", "COM", "COM12x", "LPT1", "/dev/null", "\\\\.\\COM126"}) {
        EXPECT_EQ(CreateFileA(name, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
                  INVALID_HANDLE_VALUE)
            << name;
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << name;
    }
    EXPECT_EQ(CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
}

TEST_F(Comm, PlainReadHonoursTheTimeouts) {
    ASSERT_NE(OpenPort(false), INVALID_HANDLE_VALUE);
    char buf[64] = {};
    DWORD n = 99;
    // "Return what is there": nothing is there.
    SetTimeouts(MAXDWORD, 0, 0);
    ASSERT_TRUE(ReadFile(port_handle_, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(n, 0u);

    WriteMaster("hello", 5);
    ASSERT_TRUE(WaitUntil([&] { return InQueue() == 5; }));
    ASSERT_TRUE(ReadFile(port_handle_, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "hello");

    // A total time-out ends a read that gets fewer bytes, successfully, with what came.
    SetTimeouts(0, 0, 30);
    WriteMaster("ab", 2);
    ASSERT_TRUE(ReadFile(port_handle_, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "ab");

    // No time-outs: the read waits for every byte asked for.
    SetTimeouts(0, 0, 0);
    std::thread device([&] {
        WriteMaster("12345", 5);
        WriteMaster("6789", 4);
    });
    ASSERT_TRUE(ReadFile(port_handle_, buf, 9, &n, nullptr));
    device.join();
    EXPECT_EQ(std::string(buf, n), "123456789");

    // A zero-length read or write completes at once.
    EXPECT_TRUE(ReadFile(port_handle_, buf, 0, &n, nullptr));
    EXPECT_EQ(n, 0u);
    EXPECT_TRUE(WriteFile(port_handle_, buf, 0, &n, nullptr));
}

TEST_F(Comm, OverlappedReadIsCompletedByTheWorkerAndSetsTheEvent) {
    ASSERT_NE(OpenPort(true), INVALID_HANDLE_VALUE);
    SetTimeouts(0, 0, 0);
    OVERLAPPED o = NewRecord();
    char buf[8] = {};
    DWORD n = 77;
    ASSERT_FALSE(ReadFile(port_handle_, buf, 6, &n, &o));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_EQ(n, 0u);
    EXPECT_FALSE(GetOverlappedResult(port_handle_, &o, &n, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
    EXPECT_EQ(WaitForSingleObject(event_, 0), WAIT_TIMEOUT);

    WriteMaster("abc", 3);
    WriteMaster("def", 3);
    EXPECT_EQ(WaitForSingleObject(event_, 10000), WAIT_OBJECT_0);
    ASSERT_TRUE(GetOverlappedResult(port_handle_, &o, &n, FALSE));
    EXPECT_EQ(std::string(buf, n), "abcdef");

    // Bytes already there complete the read at once; the event is set as well.
    WriteMaster("xy", 2);
    ASSERT_TRUE(WaitUntil([&] { return InQueue() == 2; }));
    ASSERT_TRUE(ReadFile(port_handle_, buf, 2, &n, &o));
    EXPECT_EQ(std::string(buf, n), "xy");
    EXPECT_EQ(WaitForSingleObject(event_, 0), WAIT_OBJECT_0);

    // A pending read waited for through GetOverlappedResult.
    ASSERT_FALSE(ReadFile(port_handle_, buf, 1, &n, &o));
    std::thread device([&] { WriteMaster("z", 1); });
    ASSERT_TRUE(GetOverlappedResult(port_handle_, &o, &n, TRUE));
    device.join();
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(buf[0], 'z');
}

TEST_F(Comm, IntervalTimeoutEndsAReadAfterAGap) {
    ASSERT_NE(OpenPort(true), INVALID_HANDLE_VALUE);
    SetTimeouts(20, 0, 0);  // no total limit: only a gap after the first byte ends it
    OVERLAPPED o = NewRecord();
    char buf[32] = {};
    DWORD n = 0;
    ASSERT_FALSE(ReadFile(port_handle_, buf, sizeof buf, &n, &o));
    EXPECT_FALSE(GetOverlappedResult(port_handle_, &o, &n, FALSE));  // no byte yet: no gap to end it
    WriteMaster("gap", 3);
    ASSERT_TRUE(GetOverlappedResult(port_handle_, &o, &n, TRUE));
    EXPECT_EQ(std::string(buf, n), "gap");
}

TEST_F(Comm, WritesReachTheDeviceInOrderAndPendingWritesComplete) {
    ASSERT_NE(OpenPort(true), INVALID_HANDLE_VALUE);
    OVERLAPPED o = NewRecord();
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(port_handle_, "?", 1, &n, &o));
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(ReadMaster(1, 10s), std::vector<unsigned char>{'?'});

    // More than the pseudo-terminal holds: the write goes pending until the device reads.
    std::vector<unsigned char> big(256 * 1024);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<unsigned char>(i * 31 + 7);
    const BOOL now = WriteFile(port_handle_, big.data(), static_cast<DWORD>(big.size()), &n, &o);
    ASSERT_FALSE(now);
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    COMSTAT s{};
    ASSERT_TRUE(ClearCommError(port_handle_, nullptr, &s));
    EXPECT_GT(s.cbOutQue, 0u);  // what the pending write still holds
    EXPECT_EQ(ReadMaster(big.size(), 20s), big);
    ASSERT_TRUE(GetOverlappedResult(port_handle_, &o, &n, TRUE));
    EXPECT_EQ(n, big.size());
    EXPECT_TRUE(FlushFileBuffers(port_handle_));
}

TEST_F(Comm, PurgeAbortsPendingOperationsAndClearsTheQueues) {
    ASSERT_NE(OpenPort(true), INVALID_HANDLE_VALUE);
    SetTimeouts(0, 0, 0);
    OVERLAPPED o = NewRecord();
    char buf[4];
    DWORD n = 9;
    ASSERT_FALSE(ReadFile(port_handle_, buf, sizeof buf, &n, &o));
    ASSERT_TRUE(PurgeComm(port_handle_, PURGE_RXABORT));
    EXPECT_EQ(WaitForSingleObject(event_, 0), WAIT_OBJECT_0);
    EXPECT_FALSE(GetOverlappedResult(port_handle_, &o, &n, TRUE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_EQ(n, 0u);

    WriteMaster("junk", 4);
    ASSERT_TRUE(WaitUntil([&] { return InQueue() == 4; }));
    ASSERT_TRUE(PurgeComm(port_handle_, PURGE_RXCLEAR | PURGE_TXCLEAR));
    EXPECT_EQ(InQueue(), 0u);
}

TEST_F(Comm, EventWaitsReportInputAndEndEmptyWhenTheMaskChanges) {
    ASSERT_NE(OpenPort(true), INVALID_HANDLE_VALUE);
    OVERLAPPED o = NewRecord();
    DWORD mask = 99;
    EXPECT_FALSE(WaitCommEvent(port_handle_, &mask, &o));  // no mask set
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    ASSERT_TRUE(SetCommMask(port_handle_, EV_RXCHAR | EV_TXEMPTY | EV_CTS | EV_DSR));
    DWORD got = 0;
    ASSERT_TRUE(GetCommMask(port_handle_, &got));
    EXPECT_EQ(got, EV_RXCHAR | EV_TXEMPTY | EV_CTS | EV_DSR);
    DWORD n = 0;
    ASSERT_FALSE(WaitCommEvent(port_handle_, &mask, &o));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_FALSE(WaitCommEvent(port_handle_, &mask, &o));  // one wait at a time
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    WriteMaster("!", 1);
    ASSERT_TRUE(GetOverlappedResult(port_handle_, &o, &n, TRUE));
    EXPECT_EQ(mask, EV_RXCHAR);

    // Input still waiting: the next wait ends at once.
    ASSERT_TRUE(WaitCommEvent(port_handle_, &mask, &o));
    EXPECT_EQ(mask, EV_RXCHAR);
    ASSERT_TRUE(PurgeComm(port_handle_, PURGE_RXCLEAR));

    // Written bytes that left: EV_TXEMPTY, once.
    ASSERT_TRUE(WriteFile(port_handle_, "w", 1, &n, &o));
    ASSERT_TRUE(WaitUntil([&] {
        const BOOL done =
            WaitCommEvent(port_handle_, &mask, &o) ||
            (GetLastError() == ERROR_IO_PENDING && GetOverlappedResult(port_handle_, &o, &n, TRUE));
        return done && mask == EV_TXEMPTY;
    }));

    // A pending wait ends with an empty mask when the mask is set again.
    mask = 99;
    ASSERT_FALSE(WaitCommEvent(port_handle_, &mask, &o));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    std::thread other([&] { SetCommMask(port_handle_, 0); });
    ASSERT_TRUE(GetOverlappedResult(port_handle_, &o, &n, TRUE));
    other.join();
    EXPECT_EQ(mask, 0u);
}

TEST_F(Comm, PlainEventWaitBlocksUntilInput) {
    ASSERT_NE(OpenPort(false), INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetCommMask(port_handle_, EV_RXCHAR));
    DWORD mask = 0;
    std::thread device([&] { WriteMaster("k", 1); });
    ASSERT_TRUE(WaitCommEvent(port_handle_, &mask, nullptr));
    device.join();
    EXPECT_EQ(mask, EV_RXCHAR);
}

TEST_F(Comm, SettingsAndTimeoutsAreKeptWithTheirWindowsMeaning) {
    ASSERT_NE(OpenPort(false), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetupComm(port_handle_, 4096, 4096));
    COMMTIMEOUTS t{};
    ASSERT_TRUE(GetCommTimeouts(port_handle_, &t));
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
    t = {100, 0, 500, 1, 10000};
    ASSERT_TRUE(SetCommTimeouts(port_handle_, &t));
    COMMTIMEOUTS back{};
    ASSERT_TRUE(GetCommTimeouts(port_handle_, &back));
    EXPECT_EQ(back.ReadIntervalTimeout, 100u);
    EXPECT_EQ(back.WriteTotalTimeoutConstant, 10000u);
    const COMMTIMEOUTS bad{MAXDWORD, MAXDWORD, MAXDWORD, 0, 0};
    EXPECT_FALSE(SetCommTimeouts(port_handle_, &bad));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    DCB dcb{};
    ASSERT_TRUE(GetCommState(port_handle_, &dcb));
    EXPECT_EQ(dcb.DCBlength, 28u);
    dcb.BaudRate = 38400;
    dcb.StopBits = TWOSTOPBITS;
    ASSERT_TRUE(SetCommState(port_handle_, &dcb));
    DCB read{};
    ASSERT_TRUE(GetCommState(port_handle_, &read));
    EXPECT_EQ(read.BaudRate, 38400u);
    EXPECT_EQ(read.StopBits, TWOSTOPBITS);
    // A pseudo-terminal keeps 8 data bits without parity whatever it is asked for.
    EXPECT_EQ(read.ByteSize, 8);
    dcb.BaudRate = 12345;
    EXPECT_FALSE(SetCommState(port_handle_, &dcb));

    // A pseudo-terminal has no modem lines: the call fails as on a device without them.
    DWORD status = 123;
    EXPECT_FALSE(GetCommModemStatus(port_handle_, &status));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(status, 0u);
    EXPECT_TRUE(ClearCommBreak(port_handle_));
}

TEST_F(Comm, AnUnpluggedDeviceFailsEveryCallAndEndsPendingOnes) {
    ASSERT_NE(OpenPort(true), INVALID_HANDLE_VALUE);
    SetTimeouts(0, 0, 0);
    OVERLAPPED o = NewRecord();
    char buf[4];
    DWORD n = 0;
    ASSERT_FALSE(ReadFile(port_handle_, buf, sizeof buf, &n, &o));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    Unplug();
    EXPECT_FALSE(GetOverlappedResult(port_handle_, &o, &n, TRUE));
    EXPECT_EQ(GetLastError(), ERROR_BAD_COMMAND);
    EXPECT_FALSE(ClearCommError(port_handle_, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_BAD_COMMAND);
    EXPECT_FALSE(WriteFile(port_handle_, "x", 1, &n, &o));
    EXPECT_EQ(GetLastError(), ERROR_BAD_COMMAND);
    EXPECT_FALSE(ReadFile(port_handle_, buf, 1, &n, nullptr));
    EXPECT_TRUE(CloseHandle(port_handle_));
    port_handle_ = INVALID_HANDLE_VALUE;
}

TEST_F(Comm, ClosingTheHandleEndsPendingOperationsAndItsWorker) {
    const std::size_t handlesBefore = orva::win32::HandleCount();
    ASSERT_NE(OpenPort(true), INVALID_HANDLE_VALUE);
    SetTimeouts(0, 0, 0);
    OVERLAPPED o = NewRecord();
    char buf[4];
    DWORD n = 0;
    ASSERT_FALSE(ReadFile(port_handle_, buf, sizeof buf, &n, &o));
    ASSERT_TRUE(CloseHandle(port_handle_));
    EXPECT_EQ(WaitForSingleObject(event_, 10000), WAIT_OBJECT_0);
    EXPECT_FALSE(ReadFile(port_handle_, buf, 1, &n, &o));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    port_handle_ = INVALID_HANDLE_VALUE;
    EXPECT_EQ(orva::win32::HandleCount(), handlesBefore + 1);  // only the event remains
    // The port is free again.
    ASSERT_NE(OpenPort(false), INVALID_HANDLE_VALUE);
}

// A plain call on a CreateThread thread gives up when the thread is asked to stop.
DWORD BlockedReader(LPVOID param) {
    char buf[4];
    DWORD n = 0;
    const BOOL ok = ReadFile(static_cast<HANDLE>(param), buf, sizeof buf, &n, nullptr);
    return ok ? 1 : GetLastError();
}

TEST_F(Comm, AStopRequestEndsABlockedPlainRead) {
    ASSERT_NE(OpenPort(false), INVALID_HANDLE_VALUE);
    SetTimeouts(0, 0, 0);
    HANDLE thread = CreateThread(nullptr, 0, BlockedReader, port_handle_, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);  // blocked in its read
    ASSERT_TRUE(TerminateThread(thread, 5));
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 5u);
    EXPECT_TRUE(CloseHandle(thread));
    // The given-up read took nothing: the next bytes are there for the next read.
    WriteMaster("next", 4);
    ASSERT_TRUE(WaitUntil([&] { return InQueue() == 4; }));
}

}  // namespace
