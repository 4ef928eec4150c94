#include "pty_fixture.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "ComPort.h"
#include "port_table.h"
#include "temp_folder.h"
#include "test_machine.h"

namespace orva::comport::test {

void PtyTest::SetUp() {
    portDir_ = orva::testing::MakeTempFolder("comport-test");
    ASSERT_FALSE(portDir_.empty());
    orva::testing::UseVirtualPortFolder(portDir_);

    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master_, 0) << std::strerror(errno);
    ASSERT_EQ(grantpt(master_), 0);
    ASSERT_EQ(unlockpt(master_), 0);
    char name[128];
    ASSERT_EQ(ptsname_r(master_, name, sizeof name), 0);
    slavePath_ = name;
    slaveKeeper_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(slaveKeeper_, 0);

    port_ = orva::ports::RegisterVirtualPort(slavePath_, "USB Test Gauge");
    ASSERT_GE(port_, orva::ports::kFirstVirtualPort);
}

void PtyTest::TearDown() {
    if (slaveKeeper_ >= 0) ::close(slaveKeeper_);
    if (master_ >= 0) ::close(master_);
    std::error_code ec;
    std::filesystem::remove_all(portDir_, ec);
    orva::testing::UseMachinePortTable();
}

void PtyTest::Unplug() {
    ::close(master_);
    master_ = -1;
}

void PtyTest::WriteMaster(const void* data, size_t length) {
    const auto* p = static_cast<const unsigned char*>(data);
    while (length > 0) {
        const ssize_t n = ::write(master_, p, length);
        if (n < 0 && errno == EINTR) continue;
        ASSERT_GT(n, 0) << std::strerror(errno);
        p += n;
        length -= static_cast<size_t>(n);
    }
}

std::vector<unsigned char> PtyTest::ReadMaster(size_t length, std::chrono::milliseconds timeout) {
    std::vector<unsigned char> out;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    unsigned char buf[4096];
    while (out.size() < length) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd pfd{master_, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) continue;
        const ssize_t n = ::read(master_, buf, std::min(sizeof buf, length - out.size()));
        if (n <= 0) break;
        out.insert(out.end(), buf, buf + n);
    }
    return out;
}

void Sink::Receive(void* context, void* data, unsigned long length) {
    auto* sink = static_cast<Sink*>(context);
    const auto* p = static_cast<const unsigned char*>(data);
    {
        std::lock_guard guard(sink->lock);
        sink->bytes.insert(sink->bytes.end(), p, p + length);
        ++sink->blocks;
        sink->largestBlock = std::max(sink->largestBlock, length);
    }
    sink->arrived.notify_all();
}

bool Sink::WaitForBytes(size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock guard(lock);
    return arrived.wait_for(guard, timeout, [&] { return bytes.size() >= count; });
}

size_t Sink::Size() {
    std::lock_guard guard(lock);
    return bytes.size();
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

int ReceiveThreadCount() {
    int count = 0;
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", ec)) {
        std::ifstream in(task.path() / "comm");
        std::string name;
        std::getline(in, name);
        if (name == "comport-rx") ++count;
    }
    return count;
}

int OpenFdCount() {
    int count = 0;
    std::error_code ec;
    for ([[maybe_unused]] const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", ec)) ++count;
    return count;
}

int OpenLikeProgram(CComPort& port, int number) {
    return port.Open(number, static_cast<CComPort::ReceiveMode>(2), 38400, static_cast<CComPort::Parity>(2),
                     8, static_cast<CComPort::StopBits>(0), static_cast<CComPort::FlowControl>(0));
}

}  // namespace orva::comport::test
