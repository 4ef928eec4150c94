// The spreadsheet server of this program: an application object with workbooks, worksheets and
// cells behind the dispatch ids the export uses. Shown or told to quit, it writes every changed
// workbook to a new .xlsx file in the per-user workbook folder and opens it on the desktop.
#pragma once

#include "ole_types.h"

namespace orva::sheet {

// A new application object, with the one reference the caller owns.
ole::IDispatch* CreateApplicationObject();

}  // namespace orva::sheet
