#include "TestConditions.h"

std::atomic<std::int32_t> g_bStartByDelay{1};
std::atomic<std::int32_t> g_bStartByLoad{0};
std::atomic<double> g_dStartDelay{0.0};
std::atomic<double> g_dStartThreshold{0.0};
std::atomic<std::int32_t> g_bStopByTime{1};
std::atomic<std::int32_t> g_bStopByLoad{0};
std::atomic<double> g_dStopTime{0.0};
std::atomic<double> g_dStopLoad{0.0};
std::atomic<std::int32_t> g_bBreakDetect{0};
std::atomic<double> g_dBreakPercent{0.0};
std::int32_t g_nBreakToggle = 0;
