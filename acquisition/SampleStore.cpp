#include "SampleStore.h"

float g_fLoad[kSampleCapacity];
float g_fTime[kSampleCapacity];
std::int32_t g_nIndex[kSampleCapacity];
float g_fLoadConv[kSampleCapacity];

ListTextColumn g_arrListCol0{ListTextColumn::Kind::Number};
ListTextColumn g_arrListCol1{ListTextColumn::Kind::Value};
ListTextColumn g_arrListCol2{ListTextColumn::Kind::Time};

std::atomic<std::int32_t> g_nSampleIndex{0};
std::atomic<std::int32_t> g_nSampleCount{0};
std::atomic<std::int32_t> g_bWrapped{0};
std::atomic<std::int32_t> g_bLiveDisplay{1};
float g_fElapsed = 0.0f;
float g_fTimeStep = 0.0f;
float g_fCurLoad = 0.0f;
