// Peak, average, their texts and units, and the graph's axis state of the latest test.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

extern std::atomic<float> g_fPeak;
extern std::atomic<float> g_fAverage;
extern std::string g_strPeak;
extern std::string g_strAverage;
extern std::string g_strReadingUnit;
extern std::string g_strUnit;
extern std::string g_strResultUnit;
extern float g_fPeakConv;
extern float g_fAverageConv;
extern double g_dRangeStart;
extern double g_dRangeEnd;
extern float g_fAxisXMin;
extern float g_fAxisXMax;
extern float g_fAxisYMin;
extern float g_fAxisYMax;
extern std::int32_t g_nGraphPage;
