// The program's main dialog, run modally with a simulated gauge on a pseudo-terminal, for the
// benchmarks; and what the kernel says about the process's threads.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "KvDlg.h"
#include "gauge_sim.h"

namespace bench {

// Private port table and state folders; the Qt application and the program's registrations.
void PrepareProcess();

// Opens the simulator, registers it, runs the dialog and the body inside its loop, shuts the link
// down. False when the gauge was not connected at start-up.
bool RunDialogWithGauge(orva::sim::GaugeSimulator& gauge, const std::function<void(CKvDlg&)>& body);

// Per thread of this process: name and CPU seconds (user + system).
struct ThreadCpu {
    std::string name;
    double seconds = 0;
};
std::map<int, ThreadCpu> ThreadTimes();
double ProcessCpuSeconds();
// A "<field> <n> kB" line of /proc/self/status in bytes ("VmRSS:", "VmHWM:"); -1 without it.
std::int64_t StatusBytes(const char* field);
std::int64_t ResidentBytes();
double NowSeconds();

// Sets up a real-time test on the pages and clicks Start, as a user does.
void StartTest(CKvDlg& dlg, const std::string& perSecond, const std::string& stopSeconds);
bool WaitUntil(const std::function<bool()>& condition, double seconds);
// Lets the UI thread sit in its event loop, as the program does between events, for a time.
void IdleFor(double seconds);

// Runs fn posted to the UI thread while a 1 ms heartbeat there measures the longest gap between
// two of its turns, up to settleMs after fn returned (the repaints it caused included).
struct UiTiming {
    double wallSeconds = 0;          // fn itself
    double longestBlockSeconds = 0;  // the longest the UI thread kept the heartbeat waiting
};
UiTiming TimedOnUi(const std::function<void()>& fn, int settleMs);

}  // namespace bench
