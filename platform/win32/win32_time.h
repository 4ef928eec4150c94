// Millisecond tick count of the monotonic clock.
#pragma once

#include "win32_types.h"

// Milliseconds of CLOCK_MONOTONIC, wrapping at 2^32 like the original (about 49.7 days).
DWORD GetTickCount();
