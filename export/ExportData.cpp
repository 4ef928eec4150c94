// Export Data: the test written to a CSV file the user names, or (any other file type) the
// results list laid out in a new workbook. UI thread; the button is disabled while a test runs,
// so the store, the list and the texts stand still.
#include <string>

#include "AcquisitionSettings.h"
#include "CsvReport.h"
#include "ExportText.h"
#include "KvDlg.h"
#include "WorkbookExport.h"
#include "saved_file.h"

namespace {

constexpr const char* kExportOk = "Export Data OK!";

}  // namespace

void CKvDlg::OnBnClickedExportData() {
    if (g_nExportFileType != 1) {
        ExportListToWorkbook(*this);
        return;
    }

    CFileDialog dialog(FALSE, "csv", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       "csv Files (*.csv)|*.csv||");
    if (dialog.DoModal() != IDOK) return;
    const std::string path = dialog.GetPathName();
    if (path.empty()) return;

    // A file that cannot be written ends the export here with an error box (the FileError
    // reaches the message loop), and the earlier file stays as it was.
    orva::files::SavedFile file(path);
    file.Open();
    const std::string displayUnit = m_page1.m_cbUnit.GetWindowText();
    CsvWriter out(file);
    if (g_bRealTimeMode.load() != 0) {
        // Whatever the text holds goes first, the report after it.
        out.Append(g_strExportText);
        WriteRealTimeReport(out, RealTimeCsvUnits(displayUnit));
    } else {
        out.Append(g_strExportText);
        out.Append("\r\n");
    }
    out.Flush();
    file.Commit();

    // The upload report is the only copy of the records: it is kept, with the line end the file
    // got. A real-time report is made anew by each export.
    if (g_bRealTimeMode.load() != 0) {
        g_strExportText.clear();
    } else {
        g_strExportText += "\r\n";
    }
    AfxMessageBox(kExportOk, MB_OK);
}
