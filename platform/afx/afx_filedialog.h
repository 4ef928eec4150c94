// The file dialog (the program uses it in save mode).
#pragma once

#include <string>

#include "afx_types.h"

class CWnd;

class CFileDialog {
public:
    // filter in the form "csv Files (*.csv)|*.csv||".
    CFileDialog(BOOL bOpenFileDialog, const char* lpszDefExt = nullptr, const char* lpszFileName = nullptr,
                DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* lpszFilter = nullptr,
                CWnd* pParentWnd = nullptr);
    virtual ~CFileDialog() = default;

    // IDOK or IDCANCEL. In save mode the default extension is appended when the chosen name has
    // none, and with OFN_OVERWRITEPROMPT an existing file is replaced only after the user agreed.
    virtual INT_PTR DoModal();
    std::string GetPathName() const { return m_path; }
    std::string GetFileName() const;
    std::string GetFileExt() const;

private:
    bool m_open;
    std::string m_defExt, m_fileName, m_filter;
    DWORD m_flags;
    CWnd* m_parent;
    std::string m_path;
};

namespace afx {
// "csv Files (*.csv)|*.csv||" -> "csv Files (*.csv)"; several filters are joined with ";;".
std::string ConvertFileFilter(const std::string& filter);
// The name with ".ext" appended when it has no extension (an empty ext leaves it).
std::string ApplyDefaultExtension(const std::string& path, const std::string& ext);
}  // namespace afx
