// Export Image: the graph saved as a BMP picture under a name the user chooses. UI thread.
#include <string>

#include "KvDlg.h"

void CKvDlg::OnBnClickedExportImage() {
    CFileDialog dialog(FALSE, "bmp", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       "bmp Files (*.bmp)|*.bmp||");
    if (dialog.DoModal() != IDOK) return;
    const std::string path = dialog.GetPathName();
    if (path.empty()) return;
    // A picture that cannot be written raises an error that the message loop shows in one box.
    m_graph.SaveAs(path.c_str());
}
