// Export Data and Export Image. The CSV, workbook and picture export are not built yet: both
// buttons do nothing for now.
#include "KvDlg.h"

void CKvDlg::OnBnClickedExportData() {}

void CKvDlg::OnBnClickedExportImage() {}
