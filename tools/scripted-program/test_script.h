// A test-only driver of the running program: the lines of a script file are carried out one after
// another against the main window, so that a test can drive the real program like a user.
//
// Lines (blank lines and lines starting with '#' are skipped):
//   wait-window        wait until the main window is shown; prints "window-shown <ns>" with the
//                      CLOCK_MONOTONIC time in nanoseconds
//   answer <n>         the next message box is answered with n (1 OK, 2 Cancel, 6 Yes, 7 No);
//                      with a script, every box of the run is answered (first button when
//                      none is queued) and recorded instead of being shown
//   sleep <ms>         wait
//   key escape|enter   a key press on the main window
//   close              the window's close box
//   grab <path>        the main window as a PNG
//   tab <n>            selects item n of the setup tab as a user
//   boxes              prints "box <caption>|<text>" for every box shown so far
//   pane <n>           prints "pane <n> <text>" for a status-bar pane of the main window
// Output goes to standard output, one line per report, flushed at once. Every line is carried out,
// also after the program's window has ended: a line that needs the window then prints
// "not-run <line>" instead, so that a test sees why the report it waits for never came.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace orva::app {

class TestScript {
public:
    TestScript() = default;
    TestScript(const TestScript&) = delete;
    TestScript& operator=(const TestScript&) = delete;
    ~TestScript() { Stop(); }

    // Reads the script and starts carrying it out; false when it cannot be read.
    bool Start(const std::string& path);
    // The program has ended: the lines not yet carried out are, without the window, and the
    // script ends.
    void Finish();
    // Ends the script at once, at the next line; what is left is not carried out.
    void Stop();

private:
    void Run();
    // Runs the step on the UI thread and waits until it has run; false when the application ended
    // first, so that the step could not run.
    bool OnUi(const std::function<void()>& step);
    void Step(const std::string& line);
    // Called by the application as it is destroyed: nothing may be posted to it from then on.
    static void UiGone();

    std::vector<std::string> m_lines;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_programEnded{false};
};

}  // namespace orva::app
