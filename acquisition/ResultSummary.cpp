#include "ResultSummary.h"

std::atomic<float> g_fPeak{0.0f};
std::atomic<float> g_fAverage{0.0f};
std::string g_strPeak;
std::string g_strAverage;
std::string g_strReadingUnit;
std::string g_strUnit;
std::string g_strResultUnit;
float g_fPeakConv = 0.0f;
float g_fAverageConv = 0.0f;
double g_dRangeStart = 0.0;
double g_dRangeEnd = 0.0;
float g_fAxisXMin = 0.0f;
float g_fAxisXMax = 0.0f;
float g_fAxisYMin = 0.0f;
float g_fAxisYMax = 0.0f;
std::int32_t g_nGraphPage = 0;
