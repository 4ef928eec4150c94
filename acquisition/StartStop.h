// The wrap-up of a test stopped by the Stop button or by the stop routine (stop by time).
#pragma once

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

// The two report lines of a stop, from the peak, the average and the unit of the test.
std::string StopReportLines(ReportVariant variant);

// "%.4f " of a value: four decimals and a trailing blank.
std::string FormatFourDecimals(float value);
