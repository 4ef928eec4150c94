// One run (a real-time test or an upload) from its start to its one stop.
//
// Start numbers the run in CKvDlg::m_nActiveRun before it creates the thread and the timers. A
// stop can come from the Stop button, from the tick timer (stop by time, upload time-out), from
// the acquisition thread (its own stop conditions, the end of an upload), and a disconnect or an
// exit ends the run without one. The timer and the thread post their stop to the UI thread with
// the run's number; there it runs only while that run is still live, and every stop ends the run
// first, so exactly one stop does the wrap-up.
#pragma once

#include <functional>

class CKvDlg;

// UI thread, at Start: a new run number, now the live one.
unsigned BeginRun(CKvDlg& dlg);
// The live run's number, 0 when none; any thread.
unsigned ActiveRun(const CKvDlg& dlg);
// UI thread: the run is still live: it is the active one and its tick timer still runs (a
// disconnect or an exit kills the timer without ending the run).
bool RunIsLive(const CKvDlg& dlg, unsigned run);
// UI thread: the run is still the active one, whatever the timers do. The acquisition thread's own
// stop needs no timer: it must end its test even when the tick timer never started.
bool RunIsActive(const CKvDlg& dlg, unsigned run);
// UI thread: ends the run; true for the one stop that ends it.
bool EndRun(CKvDlg& dlg, unsigned run);

// Shows the report text in the report box now, and again once the window texts that the thread
// posted before it ended (its report header) have been applied, so that the box ends with it.
// UI thread, after the thread ended.
void ShowFinalReport(CKvDlg& dlg);

// Runs fn on the UI thread after what was posted before it, unless the dialog's window was
// destroyed (or made anew) meanwhile. Any thread; never waits.
void PostToDialog(CKvDlg& dlg, std::function<void(CKvDlg&)> fn);
