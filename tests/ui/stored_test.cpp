#include "stored_test.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "AcquisitionSettings.h"
#include "ExportText.h"
#include "KvDlg.h"
#include "ResultSummary.h"
#include "SampleStore.h"
#include "StartStop.h"

namespace ui_test {

const std::string kStoredHeader = "Report Name: units\r\nStart Time : \r\n 12/ 8/2026   8:32: 4\r\n\r\n";

std::string Printf(const char* format, double v) {
    char buf[400];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

float Rounded(const char* format, double v) {
    return static_cast<float>(std::atof(Printf(format, v).c_str()));
}

void StoreTest(CKvDlg& dlg, const std::string& unit, const std::vector<float>& loads, float rate) {
    const auto n = static_cast<std::int32_t>(loads.size());
    float peak = 0, sum = 0;
    for (std::int32_t i = 1; i <= n; ++i) {
        g_fLoad[i] = loads[static_cast<std::size_t>(i - 1)];
        g_fTime[i] = Rounded("%.3f", static_cast<double>(i) / rate);
        g_nIndex[i] = i;
        peak = std::max(peak, std::abs(g_fLoad[i]));
        sum += g_fLoad[i];
    }
    g_nSampleIndex = n;
    g_nSampleCount = n;
    g_fPeak = peak;
    g_fAverage = n > 0 ? sum / static_cast<float>(n) : 0.0f;
    g_strReadingUnit = unit;
    g_strReportHeader = kStoredHeader;
    g_strExportText.clear();
    g_bUnitConverted = 0;
    g_bLiveDisplay = 1;
    g_fReadingsPerSecond = rate;
    g_fTimeStep = 1.0f / rate;
    dlg.m_fTestRate = rate;
    dlg.m_strResult = kStoredHeader;
    WrapUpTest(dlg, ReportVariant::Button);
}

}  // namespace ui_test
