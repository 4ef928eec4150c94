// A pseudo-terminal registered as a virtual port in a private port folder, so that
// CComPort::Open(port) finds its slave side. The test plays the gauge on the master side.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class CComPort;

namespace orva::comport::test {

class PtyTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Closes the master side: the device vanishes for whoever holds the slave.
    void Unplug();

    // Writes all bytes to the master side (blocking).
    void WriteMaster(const void* data, size_t length);
    // Reads from the master until `length` bytes came or `timeout` passed.
    std::vector<unsigned char> ReadMaster(size_t length, std::chrono::milliseconds timeout);

    int master_ = -1;
    int slaveKeeper_ = -1;  // keeps the slave side alive while CComPort has it closed
    int port_ = 0;
    std::string slavePath_;
    std::string portDir_;
};

// Bytes handed to the receive function, collected for the test.
struct Sink {
    std::mutex lock;
    std::condition_variable arrived;
    std::vector<unsigned char> bytes;
    size_t blocks = 0;
    unsigned long largestBlock = 0;

    static void Receive(void* context, void* data, unsigned long length);
    // Waits until at least `count` bytes arrived; false on time-out.
    bool WaitForBytes(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    size_t Size();
};

// Polls `done` until it holds or the time-out passes (a guard against hangs only).
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Receive threads of any CComPort alive in this process right now. A joined thread can stay
// listed for a moment while the kernel reaps it, so callers wait for the count they expect.
int ReceiveThreadCount();
// Open descriptors of this process right now.
int OpenFdCount();

// The program's settings: 38400 baud, no parity, 8 data bits, one stop bit, no flow control.
int OpenLikeProgram(CComPort& port, int number);

}  // namespace orva::comport::test
