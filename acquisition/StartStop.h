// The wrap-up of a test stopped by the Stop button or by the stop routine (stop by time).
#pragma once

#include <cstdint>
#include <string>

class CKvDlg;

enum class ReportVariant {
    Button,   // "Avg: ..." and "Peak: ..." without a line end; "---" when no start threshold came
    Routine,  // the same two lines and a line end
};

// The stop's work after thread and timers ended: units kept, the whole curve redrawn, the list
// filled (when it was not filled live), the report lines appended and shown, the recalculation
// range, the controls enabled again. UI thread.
void WrapUpTest(CKvDlg& dlg, ReportVariant variant);

// The stop's curve and list: the stored readings 0 .. last plotted in order on the cleared and
// set-up graph, then, when the test ran without the live list, one results row per reading 1 ..
// last, whose texts are made from the store when they are shown. UI thread, after the thread ended.
void ShowStoredReadings(CKvDlg& dlg, std::int32_t last);

// The two report lines of a stop, from the peak, the average and the unit of the test.
std::string StopReportLines(ReportVariant variant);

// "%.4f " of a value: four decimals and a trailing blank.
std::string FormatFourDecimals(float value);
