// Export Data to a spreadsheet: the results list laid out on the sheet "test" of a new workbook
// of the spreadsheet server, which is then shown on the desktop.
#pragma once

class CKvDlg;

void ExportListToWorkbook(CKvDlg& dlg);
