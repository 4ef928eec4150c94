// The wrap-up of a test that the acquisition thread ended itself (break, stop load, full store).
#pragma once

class CKvDlg;

// Posts the wrap-up of run `run` to the UI thread; the thread returns after it. It runs there
// once, and not at all when the run ended another way before (Stop button, stop by time,
// disconnect, exit).
void PostAutoStop(CKvDlg& dlg, unsigned run);
