// Run flags shared by Start, the timers and the acquisition thread. The port globals (device
// found, connect toggle, manual port, port number, port list) are in serial/PortState.h.
#pragma once

#include <atomic>
#include <cstdint>

#include "win32_types.h"

extern std::atomic<std::int32_t> g_bRecording;         // the poll timer asks for readings
extern std::atomic<std::int32_t> g_bArmed;             // Start pressed, delayed start pending
extern std::atomic<std::int32_t> g_bThresholdReached;  // start by load: the threshold was reached
extern std::atomic<std::int32_t> g_bUploadActive;      // the gauge answered the connect request
extern std::atomic<UINT> g_nPollTimerId;
extern std::atomic<UINT> g_nTickTimerId;
