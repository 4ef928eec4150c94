#include "RunState.h"

std::atomic<std::int32_t> g_bRecording{0};
std::atomic<std::int32_t> g_bArmed{0};
std::atomic<std::int32_t> g_bThresholdReached{0};
std::atomic<std::int32_t> g_bUploadActive{0};
std::atomic<UINT> g_nPollTimerId{0};
std::atomic<UINT> g_nTickTimerId{0};
