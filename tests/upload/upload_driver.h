// Starts a memory upload on the dialog in the order the Start button does it, and ends it.
// For the tests only.
#pragma once

class CKvDlg;

namespace upload_test {

// The upload start: texts and list emptied, counters and ring reset, a new acquisition thread,
// the connect request, the controls disabled, the tick timer started. UI thread.
void StartUploadLikeStart(CKvDlg& dlg);

// Kills the tick timer and ends the acquisition thread. UI thread.
void EndUpload(CKvDlg& dlg);

}  // namespace upload_test
