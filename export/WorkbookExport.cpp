#include "WorkbookExport.h"

#include <ctime>
#include <string>

#include "AcquisitionSettings.h"
#include "ExcelClasses.h"
#include "ExportText.h"
#include "KvDlg.h"
#include "NumberText.h"
#include "ResultSummary.h"
#include "dispatch_wrapper.h"
#include "ole_com_init.h"
#include "sheet_cells.h"

using namespace ole;

namespace {

constexpr const char* kCaption = "System Message";
constexpr const char* kNoData = "No data on the display area.";
constexpr const char* kAskSave = "Do you want to save as Excel table?";
constexpr const char* kCoInitFailed = "Failed to call Coinitialize()";
constexpr const char* kCreateFailed = "Create Excel service failure!";

// Writes texts into the cells of one sheet.
class CellWriter {
public:
    explicit CellWriter(Range& range) : m_range(range) {}

    void Put(int row, int column, const std::string& text) {
        const VARIANT r = MakeI4(row);
        const VARIANT c = MakeI4(column);
        const VARIANT value = MakeText(text);
        m_range.SetItem(r, c, value);
    }

    void Row(int row, std::initializer_list<const char*> texts) {
        int column = 1;
        for (const char* text : texts) Put(row, column++, text);
    }

private:
    Range& m_range;
};

// The text before the first blank, and the rest from that blank on. No blank: nothing, and all.
std::pair<std::string, std::string> SplitAtBlank(const std::string& text) {
    const std::size_t blank = text.find(' ');
    if (blank == std::string::npos) return {std::string(), text};
    return {text.substr(0, blank), text.substr(blank)};
}

std::string BeforeBlank(const std::string& text) {
    const std::size_t blank = text.find(' ');
    return blank == std::string::npos ? std::string() : text.substr(0, blank);
}

std::string Summary(float value, const std::string& unit) {
    numtext::Buffer buf;
    return std::string(numtext::Fixed(buf, value, 4)) + " " + unit;
}

std::string UploadTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%d/%d/%d %02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min);
    return text;
}

void WriteRealTime(CKvDlg& dlg, CellWriter& out, const std::string& reportName, int n) {
    const bool converted = g_bUnitConverted != 0;
    const std::string unit = converted ? dlg.m_page1.m_cbUnit.GetWindowText() : g_strUnit;
    const std::string peak = Summary(converted ? g_fPeakConv : g_fPeak.load(), unit);
    const std::string average = Summary(converted ? g_fAverageConv : g_fAverage.load(), unit);
    out.Put(1, 1, "Report Name:");
    out.Put(1, 2, reportName);
    out.Put(2, 1, "Start Time:");
    out.Put(2, 2, g_strStartTime);
    out.Put(3, 1, "Avg:");
    out.Put(3, 2, average);
    out.Put(4, 1, "Peak:");
    out.Put(4, 2, peak);
    for (int r = 6; r < n + 6; ++r) {
        const int k = r - 6;
        const auto [value, valueUnit] = SplitAtBlank(dlg.m_listResults.GetItemText(k, 1));
        out.Put(r, 1, dlg.m_listResults.GetItemText(k, 0));
        out.Put(r, 2, value);
        out.Put(r, 3, valueUnit);
        out.Put(r, 4, BeforeBlank(dlg.m_listResults.GetItemText(k, 2)));
        out.Put(r, 5, "s");
    }
}

void WriteUpload(CKvDlg& dlg, CellWriter& out, const std::string& reportName, int n) {
    out.Put(1, 1, "Report Name:");
    out.Put(1, 2, reportName);
    out.Put(2, 1, "Report Time:");
    out.Put(2, 2, UploadTime());
    for (int r = 4; r < n + 4; ++r) {
        const int k = r - 4;
        const auto [value, valueUnit] = SplitAtBlank(dlg.m_listResults.GetItemText(k, 1));
        out.Put(r, 1, dlg.m_listResults.GetItemText(k, 0));
        out.Put(r, 2, value);
        out.Put(r, 3, valueUnit);
        for (int column = 2; column <= 5; ++column)
            out.Put(r, column + 2, dlg.m_listResults.GetItemText(k, column));
    }
}

}  // namespace

void ExportListToWorkbook(CKvDlg& dlg) {
    const int n = dlg.m_listResults.GetItemCount();
    if (n == 0) {
        dlg.MessageBox(kNoData, kCaption, MB_OK);
        return;
    }
    const bool realTime = g_bRealTimeMode.load() != 0;
    // A sheet has a fixed number of rows; a longer list is never cut short.
    const long long rowsNeeded = static_cast<long long>(n) + (realTime ? 5 : 3);
    if (rowsNeeded > orva::sheet::kMaxRows) {
        dlg.MessageBox("The list holds " + std::to_string(n) +
                           " rows, more than one worksheet can hold (1048576 rows with the header). "
                           "Nothing was exported. Choose the file type csv to export all of them.",
                       kCaption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (dlg.MessageBox(kAskSave, kCaption, MB_YESNO) != IDYES) return;

    // COM on the UI thread; left initialised. A failure is shown and the export goes on.
    if (Failed(CoInitialize(nullptr))) AfxMessageBox(kCoInitFailed, MB_OK | MB_ICONEXCLAMATION);

    // The wrappers release their interfaces when they go, in the reverse order of their making
    // (range first, application last), also when a call throws.
    _Application app;
    if (!app.CreateDispatch("Excel.Application")) {
        AfxMessageBox(kCreateFailed, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const VARIANT omitted = MakeOmitted();
    app.SetVisible(0);
    Workbooks books(app.GetWorkbooks());
    // The added workbook comes in a plain wrapper first; the typed one takes its own reference.
    _Workbook book;
    book = CDispatchWrapper(books.Add(omitted));
    Worksheets sheets(book.GetWorksheets());
    const VARIANT first = MakeI4(1);
    _Worksheet sheet(sheets.GetItem(first));
    const std::string reportName = dlg.m_page1.m_cbReportName.GetWindowText();
    sheet.SetName("test");
    Range range(sheet.GetCells());

    CellWriter out(range);
    if (realTime)
        out.Row(5, {"Num", "Load", "Unit", "Time", "Sec"});
    else
        out.Row(3, {"Num", "Load", "Unit", "Upload Time", "Mode", "Direction", "Group"});
    range.SetColumnWidth(MakeI4(10));
    if (realTime)
        WriteRealTime(dlg, out, reportName, n);
    else
        WriteUpload(dlg, out, reportName, n);

    app.SetVisible(1);
    app.Quit();
    range.ReleaseDispatch();
    sheet.ReleaseDispatch();
    sheets.ReleaseDispatch();
    book.ReleaseDispatch();
    books.ReleaseDispatch();
    app.ReleaseDispatch();
}
