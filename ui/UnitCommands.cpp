// The Acquisition page's work on a finished test: showing it in another unit (the unit combo and
// the Load switch), relisting uploaded records in another force unit, and the average and peak
// of the range the graph shows (Calculate). UI thread.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "AcquisitionSettings.h"
#include "ExportText.h"
#include "KvDlg.h"
#include "NumberText.h"
#include "Page1.h"
#include "ResultSummary.h"
#include "SampleStore.h"
#include "UnitConversion.h"
#include "resources.h"
#include "upload_records.h"

namespace {

constexpr COLORREF kCurveYellow = RGB(255, 255, 0);
constexpr const char* kNoData = "No data!";

void Append(std::string& text, std::string_view part) {
    text.append(part.data(), part.size());
}

// The last reading a conversion may read: a test that wrapped counted one reading more than the
// store holds.
std::int64_t LastStoredReading() {
    const auto count = static_cast<std::uint32_t>(g_nSampleCount.load());
    return std::min<std::int64_t>(count, kSampleCapacity - 1);
}

// The rate the latest test ran with; the rate edit may have changed since. Start turns a rate of
// 0 into 0.1, and before any test the rate is taken as 0.1 too.
float TestRate(const CKvDlg& dlg) {
    const float rate = dlg.m_fTestRate;
    return rate > 0.0f ? rate : 0.1f;
}

// A view bound as a reading index: bound x rate through "%.4f", truncated toward zero, and kept
// within 0..last so that a view far past the test (or before it) cannot overflow the index.
std::int64_t ReadingIndexAt(double bound, float rate, std::int64_t last) {
    const double at = std::trunc(numtext::Rounded(bound * static_cast<double>(rate), 4));
    if (!(at > 0.0)) return 0;
    return at >= static_cast<double>(last) ? last : static_cast<std::int64_t>(at);
}

// A results-list cell of converted reading i: "%d" of i; the load "%.4f" and back, "%g", three
// blanks and the unit; the time i x step "%.3f" and back, "%g" and " s"; the other columns empty.
std::string ConvertedRowText(std::int64_t i, int column, const std::string& unit, float step) {
    numtext::Buffer buf;
    std::string text;
    switch (column) {
        case 0:
            text.assign(numtext::Integer(buf, i));
            break;
        case 1:
            text.assign(numtext::General(buf, numtext::RoundedFloat(g_fLoadConv[i], 4)));
            text += "   ";
            text += unit;
            break;
        case 2:
            text.assign(numtext::General(buf, numtext::RoundedFloat(static_cast<float>(i) * step, 3)));
            text += " s";
            break;
        default:
            break;
    }
    return text;
}

}  // namespace

void Cpage1::OnCbnSelchangeUnit() {
    CKvDlg* dlg = MainDialogOf(*this);
    if (dlg == nullptr) return;
    CNTGraph& graph = dlg->m_graph;
    CListCtrl& list = dlg->m_listResults;

    const std::string u = m_cbUnit.GetWindowText();
    g_strResultUnit = u;
    graph.SetCaption("   ");
    graph.SetYLabel(u.c_str());

    list.DeleteAllItems();
    g_strExportText.clear();
    g_bUnitConverted = 1;

    graph.ClearGraph();
    graph.SetCurveColor(kCurveYellow);
    graph.PlotXY(0, 0, 0);

    const double g = static_cast<double>(g_fGravity.load());
    const units::Factor* from = units::AcquisitionFactor(g_strUnit);
    const units::Factor* to = units::DisplayFactor(u);
    // Times come from the rate the test ran with, never from the rate edit's current text.
    const float rate = TestRate(*dlg);
    const float step = 1.0f / rate;
    const std::int64_t last = LastStoredReading();

    // The points go to the graph a batch at a time, in order.
    constexpr std::int64_t kBatch = 4096;
    float xs[kBatch], ys[kBatch];
    for (std::int64_t first = 1; first <= last; first += kBatch) {
        const std::int64_t end = std::min(last + 1, first + kBatch);
        for (std::int64_t i = first; i < end; ++i) {
            const double base = units::Apply(from, static_cast<double>(g_fLoad[i]), g);
            const float w = static_cast<float>(units::Apply(to, base, g));
            g_fLoadConv[i] = w;
            xs[i - first] = static_cast<float>(i) / rate;
            ys[i - first] = numtext::RoundedFloat(w, 4);
        }
        graph.PlotPoints(xs, ys, static_cast<long>(end - first), 0);
    }
    // Fitting the view once at the end leaves it where fitting after every point would.
    if (last > 0) graph.AutoRange();
    // One row per reading, its texts made when they are shown.
    list.SetVirtualItems(static_cast<int>(last), [u, step](int row, int column) {
        return ConvertedRowText(row + 1, column, u, step);
    });

    // Always from the test's own peak and average, so no conversion builds on an earlier one.
    g_fPeakConv = static_cast<float>(units::Apply(from, static_cast<double>(g_fPeak.load()), g));
    g_fAverageConv = static_cast<float>(units::Apply(from, static_cast<double>(g_fAverage.load()), g));
    g_fPeakConv = static_cast<float>(units::Apply(to, static_cast<double>(g_fPeakConv), g));
    g_fAverageConv = static_cast<float>(units::Apply(to, static_cast<double>(g_fAverageConv), g));

    numtext::Buffer buf;
    g_strPeak.assign(numtext::Fixed(buf, g_fPeakConv, 4));
    g_strPeak += ' ';
    g_strAverage.assign(numtext::Fixed(buf, g_fAverageConv, 4));
    g_strAverage += ' ';
    const std::string report =
        g_strReportHeader + "Avg: " + g_strAverage + "  " + u + "\r\n" + "Peak: " + g_strPeak + "  " + u;
    dlg->SetDlgItemText(orva::resources::main_dialog::kReportText, report);
}

void Cpage1::OnBnClickedLoad() {
    g_nLoadToggle += 1;
    if (g_nLoadToggle != 1) {
        g_nLoadToggle = 0;
        m_cbUnit.EnableWindow(FALSE);
        return;
    }
    if (g_nSampleIndex.load() == 0) {
        AfxMessageBox(kNoData, MB_OK);
        return;
    }
    m_cbUnit.ResetContent();
    switch (units::FamilyOf(g_strUnit)) {
        case units::Family::Torque:
            for (std::string_view unit : units::kTorqueUnits) m_cbUnit.AddString(std::string(unit));
            m_cbUnit.SetCurSel(units::kTorqueDefault);
            break;
        case units::Family::Pressure:
            break;
        case units::Family::Force:
            for (std::string_view unit : units::kForceUnits) m_cbUnit.AddString(std::string(unit));
            m_cbUnit.SetCurSel(units::kForceDefault);
            break;
    }
    m_cbUnit.EnableWindow(TRUE);
    OnCbnSelchangeUnit();
}

void Cpage1::OnCbnSelchangeLoadUnit() {
    if (g_bRealTimeMode.load() != 0) return;
    CKvDlg* dlg = MainDialogOf(*this);
    if (dlg == nullptr) return;
    CListCtrl& list = dlg->m_listResults;

    g_strExportText.clear();
    const std::string u = m_cbLoadUnit.GetWindowText();
    list.DeleteAllItems();
    g_strExportText += g_strReportHeader;
    g_strExportText += "\r\n";

    const double g = static_cast<double>(g_fGravity.load());
    const bool invert = g_bInvertLoad.load() == 1;
    // The records an upload keeps, whatever the index holds now.
    const auto count = static_cast<std::uint32_t>(g_nSampleIndex.load());
    const std::int64_t last = std::min<std::int64_t>(count, kUploadRecordMax);
    numtext::Buffer buf;
    std::string value, time, number, group, converted;
    list.SetRedraw(FALSE);
    for (std::int64_t i = 1; i <= last; ++i) {
        const float recordValue = g_recValue[i];
        const char* direction =
            invert ? (g_recDirection[i] == 1 ? "push" : "pull") : (g_recDirection[i] == 1 ? "pull" : "push");
        value.assign(numtext::General(buf, recordValue));
        time.assign(numtext::Integer(buf, g_recHour[i]));
        time += ':';
        Append(time, numtext::Integer(buf, g_recMinute[i]));
        number.assign(numtext::Integer(buf, g_recNumber[i]));
        group.assign(numtext::Integer(buf, g_recGroup[i]));
        const double c = units::FromNewtons(static_cast<double>(recordValue), u, g);
        converted.assign(numtext::General(buf, numtext::RoundedThrough(c, 4)));

        const auto row = static_cast<int>(i - 1);
        list.InsertItem(row, number);
        list.SetItemText(row, 1, value + " N");
        list.SetItemText(row, 2, time);
        list.SetItemText(row, 3, converted + " " + u);
        list.SetItemText(row, 4, direction);
        list.SetItemText(row, 5, group);

        // number, value, "N", time, converted value, unit, direction, group: each ends with a comma.
        for (std::string_view field :
             {std::string_view(number), std::string_view(value), std::string_view("N"),
              std::string_view(time), std::string_view(converted), std::string_view(u),
              std::string_view(direction), std::string_view(group)}) {
            Append(g_strExportText, field);
            g_strExportText += ',';
        }
        g_strExportText += "\r\n";
    }
    list.SetRedraw(TRUE);
}

void Cpage1::OnBnClickedCalculate() {
    CKvDlg* dlg = MainDialogOf(*this);
    if (dlg == nullptr) return;
    CNTGraph& graph = dlg->m_graph;

    double a = graph.GetElementX(2013, 1);
    double b = graph.GetElementX(2013, 2);
    const bool wholeRun = g_dRangeEnd <= b && g_dRangeStart >= a;
    if (wholeRun) {
        b = g_dRangeEnd;
        a = g_dRangeStart;
    }
    if (g_dRangeStart > a) a = g_dRangeStart;

    std::string averageText, peakText;
    if (wholeRun) {
        peakText = g_strPeak + " " + g_strResultUnit;
        averageText = g_strAverage + " " + g_strResultUnit;
    } else {
        // Reading i lies i / rate seconds after the start; the readings inside [a, b] are s + 1 to e.
        const float rate = TestRate(*dlg);
        const std::int64_t count = static_cast<std::uint32_t>(g_nSampleCount.load());
        const std::int64_t s = ReadingIndexAt(a, rate, count);
        const std::int64_t e = ReadingIndexAt(b, rate, count);
        double sum = 0.0, peak = 0.0, average = 0.0;
        if (s < e) {
            for (std::int64_t i = s + 1; i <= e; ++i) {
                const double y = graph.GetElementY(static_cast<long>(i), 0);
                sum += y;
                peak = std::max(peak, std::abs(y));
            }
            average = sum / static_cast<double>(e - s);
        }
        numtext::Buffer buf;
        peakText.assign(numtext::Fixed(buf, peak, 4));
        peakText += " " + g_strResultUnit;
        averageText.assign(numtext::Fixed(buf, average, 4));
        averageText += " " + g_strResultUnit;
    }
    if (a == 0.0 && b == 0.0) {
        m_edAverage.SetWindowText("0");
        m_edPeak.SetWindowText("0");
    } else {
        m_edAverage.SetWindowText(averageText);
        m_edPeak.SetWindowText(peakText);
    }
}
