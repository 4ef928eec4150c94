// One run of the real program in a private environment: its own XDG_STATE_HOME (where the log
// lives) and XDG_RUNTIME_DIR (ports and the named mutex), offscreen, with a test script.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace app_test {

class ProgramRun {
public:
    ProgramRun(const std::filesystem::path& home, const std::vector<std::string>& script);
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // Reads standard output until a line starts with the prefix; the line, or "" on time-out
    // or end of output.
    std::string WaitForLine(const std::string& prefix, int timeoutMs = 20000);
    // Waits for the process to end; its exit status, or -1 when it had to be killed.
    int Wait(int timeoutMs = 20000);
    // Every line read so far.
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    bool ReadMore(int timeoutMs);

    pid_t pid_ = -1;
    int out_ = -1;
    std::string pending_;
    std::vector<std::string> lines_;
    std::size_t scanned_ = 0;
};

// The start-up log of that environment, as bytes; empty when there is none.
std::string ReadLog(const std::filesystem::path& home);
// The entries' texts, in file order, for a log whose entries all have the program's form;
// a malformed log gives an entry "<malformed>".
std::vector<std::string> LogEntries(const std::string& log);

}  // namespace app_test
