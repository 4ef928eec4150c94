// One entry per reading of a real-time test. The arrays are static and zero-initialised, so
// they cost no memory until a test writes them; nothing clears them between tests.
#pragma once

#include <atomic>
#include <cstdint>

#include "ListTexts.h"

constexpr std::int32_t kSampleCapacity = 3600000;

extern float g_fLoad[kSampleCapacity];
extern float g_fTime[kSampleCapacity];
extern std::int32_t g_nIndex[kSampleCapacity];
extern float g_fLoadConv[kSampleCapacity];

// The three results-list texts of reading index, kept at index - 1 (number, value, time).
extern ListTextColumn g_arrListCol0;
extern ListTextColumn g_arrListCol1;
extern ListTextColumn g_arrListCol2;

extern std::atomic<std::int32_t> g_nSampleIndex;
extern std::atomic<std::int32_t> g_nSampleCount;
extern std::atomic<std::int32_t> g_bWrapped;
extern std::atomic<std::int32_t> g_bLiveDisplay;
extern float g_fElapsed;
extern float g_fTimeStep;
extern float g_fCurLoad;
