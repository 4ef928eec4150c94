// The dialog framework: application, dialogs from templates, controls by id, message maps, data
// exchange, status bar, message boxes and file dialogs, on Qt Widgets.
#pragma once

#include "afx_controls.h"
#include "afx_dialog.h"
#include "afx_filedialog.h"
#include "afx_gdi.h"
#include "afx_msgmap.h"
#include "afx_resources.h"
#include "afx_thread.h"
#include "afx_types.h"
#include "afx_window_calls.h"
#include "afx_wnd.h"
#include "dlg_template.h"
