// For tests whose device side never reads: a call held up by such a device is let go by reading
// and dropping what the device side holds until the test's condition holds.
#pragma once

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <future>

namespace serial_test {

template <class Done>
void LetGoBy(int master, Done done) {
    char buf[65536];
    for (int round = 0; round < 20000 && !done(); ++round) {
        pollfd pfd{master, POLLIN, 0};
        if (::poll(&pfd, 1, 10) > 0 && ::read(master, buf, sizeof buf) <= 0) break;
    }
}

template <class T>
bool Ready(std::future<T>& f, std::chrono::seconds within) {
    return f.wait_for(within) == std::future_status::ready;
}

}  // namespace serial_test
