// Starts a memory upload on the dialog as a user does, and ends what it started.
// For the tests only.
#pragma once

class CKvDlg;

namespace upload_test {

// "Upload Memory Data From Gauge" on the Acquisition page, then Start: the program's own upload
// start. False when either could not be clicked. UI thread.
bool StartUploadWithTheButtons(CKvDlg& dlg);

// Kills the tick timer and ends the acquisition thread. UI thread.
void EndUpload(CKvDlg& dlg);

}  // namespace upload_test
