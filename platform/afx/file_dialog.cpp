// The file dialog.
#include <QFileDialog>

#include "afx_dialog.h"
#include "afx_filedialog.h"
#include "wnd_core.h"

namespace afx {

std::string ConvertFileFilter(const std::string& filter) {
    std::vector<std::string> parts;
    std::string cur;
    for (char ch : filter) {
        if (ch == '|') {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += ch;
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    std::string out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        const std::string& desc = parts[i];
        std::string patterns = parts[i + 1];
        if (desc.empty() && patterns.empty()) break;
        for (char& ch : patterns)
            if (ch == ';') ch = ' ';
        std::string entry = desc;
        std::string suffix = "(" + patterns + ")";
        bool hasOwn = entry.size() >= suffix.size() &&
                      entry.compare(entry.size() - suffix.size(), suffix.size(), suffix) == 0;
        if (!hasOwn) entry += (entry.empty() ? "" : " ") + suffix;
        if (!out.empty()) out += ";;";
        out += entry;
    }
    return out;
}

std::string ApplyDefaultExtension(const std::string& path, const std::string& ext) {
    if (ext.empty() || path.empty()) return path;
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.find('.') != std::string::npos) return path;
    std::string e = ext[0] == '.' ? ext.substr(1) : ext;
    return path + "." + e;
}

}  // namespace afx

CFileDialog::CFileDialog(BOOL bOpenFileDialog, const char* lpszDefExt, const char* lpszFileName,
                         DWORD dwFlags, const char* lpszFilter, CWnd* pParentWnd)
    : m_open(bOpenFileDialog != 0),
      m_defExt(lpszDefExt ? lpszDefExt : ""),
      m_fileName(lpszFileName ? lpszFileName : ""),
      m_filter(lpszFilter ? lpszFilter : ""),
      m_flags(dwFlags),
      m_parent(pParentWnd) {}

std::string CFileDialog::GetFileName() const {
    size_t slash = m_path.find_last_of('/');
    return slash == std::string::npos ? m_path : m_path.substr(slash + 1);
}

std::string CFileDialog::GetFileExt() const {
    std::string name = GetFileName();
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

INT_PTR CFileDialog::DoModal() {
    using namespace afx::detail;
    if (!afx::IsUiThread()) return IDCANCEL;
    QWidget* parent = m_parent ? m_parent->GetWidget() : ActiveModalWidget();
    QFileDialog dlg(parent);
    dlg.setAcceptMode(m_open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dlg.setFileMode(m_open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    std::string filters = afx::ConvertFileFilter(m_filter);
    if (!filters.empty()) dlg.setNameFilters(ToQt(filters).split(";;"));
    if (!m_defExt.empty()) dlg.setDefaultSuffix(ToQt(m_defExt[0] == '.' ? m_defExt.substr(1) : m_defExt));
    dlg.setOption(QFileDialog::DontConfirmOverwrite, (m_flags & OFN_OVERWRITEPROMPT) == 0);
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    if (!m_fileName.empty()) dlg.selectFile(ToQt(m_fileName));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return IDCANCEL;
    m_path = FromQt(dlg.selectedFiles().front());
    if (!m_open) m_path = afx::ApplyDefaultExtension(m_path, m_defExt);
    return IDOK;
}
