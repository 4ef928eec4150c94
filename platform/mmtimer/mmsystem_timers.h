// Multimedia timers: one thread per timer, deadlines start + k * period on the monotonic clock.
//
// The first callback comes one period after the start. Deadlines are absolute, so the timer does not
// drift; a callback that comes late is followed at once by those of the deadlines it missed, unless
// the timer fell more than 100 periods behind, in which case it skips ahead to the present.
#pragma once

#include <cstdint>

#include "win32_types.h"

using MMRESULT = UINT;
using LPTIMECALLBACK = void (*)(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR dw1, DWORD_PTR dw2);

struct TIMECAPS {
    UINT wPeriodMin;
    UINT wPeriodMax;
};

constexpr MMRESULT TIMERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT TIMERR_NOCANDO = 97;
constexpr UINT TIME_ONESHOT = 0;
constexpr UINT TIME_PERIODIC = 1;

// Periods from 1 to 1,000,000 milliseconds.
MMRESULT timeGetDevCaps(TIMECAPS* caps, UINT capsSize);

// Accepted for periods within the caps; the timers always run at the finest resolution.
MMRESULT timeBeginPeriod(UINT periodMs);
MMRESULT timeEndPeriod(UINT periodMs);

// Starts a timer calling `callback(id, 0, user, 0, 0)` on its own thread after `delayMs`
// (TIME_ONESHOT) or every `delayMs` (TIME_PERIODIC). `resolution` is ignored. Returns the timer's
// id, never 0 and not reused soon, or 0 when the arguments are out of range.
UINT timeSetEvent(UINT delayMs, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags);

// The same with a period in nanoseconds, for fractional periods such as 1000/300 ms. The period
// must lie within the caps (1 ms to 1,000,000 ms).
UINT timeSetEventNs(std::uint64_t periodNs, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user,
                    UINT flags);

// Stops a timer. From another thread it returns once no callback runs and none will; from the
// timer's own callback it returns at once, and no callback follows the current one. An unknown or
// already killed id gives MMSYSERR_INVALPARAM. Killing from another thread waits for a running
// callback, so that callback must not wait for the killing thread (two timers whose callbacks kill
// each other at the same moment deadlock).
MMRESULT timeKillEvent(UINT id);
