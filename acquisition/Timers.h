// The poll and tick timers' callbacks (on the timers' own threads) and the upload time-out.
#pragma once

#include "mmsystem_timers.h"

class CKvDlg;

// Sends "?" once per poll period while the test asks for readings.
void PollTimerProc(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR dw1, DWORD_PTR dw2);
// Every 10 ms: the elapsed clock, the delayed start, the stop by time; in upload mode the
// request repeats and the time-out. Stop and time-out are posted to the UI thread, once each.
void TickTimerProc(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR dw1, DWORD_PTR dw2);
// Ends a silent upload: kills the tick timer and ends the acquisition thread, then shows the
// box and re-enables the controls once it is closed. UI thread.
void UploadTimeout(CKvDlg& dlg);

// Time-out box of an upload.
inline constexpr const char* kUploadTimeoutText =
    "Time out!Please check the device is connected to the PC or the device under the test menu!";
