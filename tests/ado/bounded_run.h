// Reads of damaged files run in a child process under a CPU-time and address-space limit, so that
// a read that loops or allocates without end fails the test instead of holding up the suite or
// taking the machine's memory. Under AddressSanitizer, whose shadow memory alone takes terabytes
// of address space, only the CPU-time limit holds.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace ado_test {

// The child's side: each read is announced before it starts (so that a read that is stopped can
// be named) and gets a fresh CPU-time allowance.
class BoundedReads {
public:
    explicit BoundedReads(int fd) : m_fd(fd) {}
    void Start(const std::string& what);
    void Fail(const std::string& why);
    void Refused();
    void Line(const std::string& text);

private:
    int m_fd;
};

struct BoundedOutcome {
    bool finished = false;  // the child ran every read to its end
    std::string stop;       // else how it ended, and on which read
    std::vector<std::string> failures;
    int refused = 0;
};

// Runs `reads` in a child process and collects what it reported.
BoundedOutcome RunBounded(const std::function<void(BoundedReads&)>& reads);

}  // namespace ado_test
