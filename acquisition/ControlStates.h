// Which controls a test and an upload take away from the user, and give back at their end.
#pragma once

#include "afx_types.h"

class CKvDlg;

// Start acquisition, Export Data, Export Image, the Draw Graph mode and the load unit: disabled
// while an upload runs, enabled again at its end or time-out.
void EnableUploadControls(CKvDlg& dlg, BOOL enable);

// After a real-time test: the setup that Start disabled, the unit and Calculate aside, and the
// two exports.
void EnableSetupAfterTest(CKvDlg& dlg);
