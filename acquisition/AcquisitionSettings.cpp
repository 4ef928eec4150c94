#include "AcquisitionSettings.h"

std::atomic<std::int32_t> g_bRealTimeMode{1};
float g_fReadingsPerSecond = 10.0f;
std::int32_t g_nPollPeriodMs = 100;
std::atomic<float> g_fGravity{9.807f};
std::atomic<std::int32_t> g_bInvertLoad{0};
std::int32_t g_nExportFileType = 0;
std::int32_t g_bUnitConverted = 0;
std::int32_t g_nShowGridToggle = 0;
std::int32_t g_nInvertToggle = 0;
std::int32_t g_nLoadToggle = 0;
