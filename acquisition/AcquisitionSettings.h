// Settings of the Acquisition page that acquisition, the timers and export read.
#pragma once

#include <atomic>
#include <cstdint>

extern std::atomic<std::int32_t> g_bRealTimeMode;  // 1 real-time drawing, 0 memory upload
extern float g_fReadingsPerSecond;                 // 0 to 1000; Start turns 0 into 0.1
extern std::int32_t g_nPollPeriodMs;               // 1000 / readings per second, truncated
extern std::atomic<float> g_fGravity;              // 9 to 10, default 9.807
extern std::atomic<std::int32_t> g_bInvertLoad;    // 1: keep the gauge's sign
extern std::int32_t g_nExportFileType;             // 0 xls, 1 csv
extern std::int32_t g_bUnitConverted;              // a display-unit conversion was made
extern std::int32_t g_nShowGridToggle;
extern std::int32_t g_nInvertToggle;
extern std::int32_t g_nLoadToggle;
