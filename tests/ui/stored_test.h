// A finished real-time test put straight into the store, as the acquisition thread leaves it,
// and wrapped up by the Stop button's routine: for the suites that work on a test's results.
#pragma once

#include <string>
#include <vector>

class CKvDlg;

namespace ui_test {

// The report header the stored test carries.
extern const std::string kStoredHeader;

// Readings 1..n with these loads in `unit` (with its leading blank) at `rate` readings per
// second; peak, average, header, units and the conversion flag as a test leaves them, then the
// stop's wrap-up (curve, report, recalculation range, controls enabled).
void StoreTest(CKvDlg& dlg, const std::string& unit, const std::vector<float>& loads, float rate = 10.0f);

// printf of one double, and a value through a format and back with atof into a float.
std::string Printf(const char* format, double v);
float Rounded(const char* format, double v);

}  // namespace ui_test
