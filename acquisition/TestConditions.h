// Start, stop and break conditions of a test, set on the Test Setup page. Read by the timers and
// the acquisition thread while a test runs.
#pragma once

#include <atomic>
#include <cstdint>

extern std::atomic<std::int32_t> g_bStartByDelay;
extern std::atomic<std::int32_t> g_bStartByLoad;
extern std::atomic<double> g_dStartDelay;
extern std::atomic<double> g_dStartThreshold;
extern std::atomic<std::int32_t> g_bStopByTime;
extern std::atomic<std::int32_t> g_bStopByLoad;
extern std::atomic<double> g_dStopTime;
extern std::atomic<double> g_dStopLoad;
extern std::atomic<std::int32_t> g_bBreakDetect;
extern std::atomic<double> g_dBreakPercent;
extern std::int32_t g_nBreakToggle;
