#include "RealTimeParser.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "AcquisitionSettings.h"
#include "ExportText.h"
#include "NumberText.h"
#include "ResultSummary.h"
#include "RunState.h"
#include "SampleStore.h"
#include "TestConditions.h"

namespace {

constexpr DWORD kCurveYellow = RgbColour(255, 255, 0);
constexpr int kGraphPageSeconds = 10;

}  // namespace

ReportHeader BuildReportHeader(const std::string& reportName, const std::tm& when) {
    char date[64];
    char time[64];
    std::snprintf(date, sizeof date, "%2d/%2d/%4d", when.tm_mon + 1, when.tm_mday, when.tm_year + 1900);
    std::snprintf(time, sizeof time, "%2d:%2d:%2d", when.tm_hour, when.tm_min, when.tm_sec);
    const std::string name = reportName.empty() ? std::string("test") : reportName;
    ReportHeader h;
    h.startTime = std::string(date) + "  " + time;
    h.head = "Report Name:" + std::string(" ") + name + "\r\n" + "Start Time : \r\n" + " " + date + "  " +
             time + "\r\n";
    return h;
}

RealTimeParser::RealTimeParser(const RealTimeMembers& members, RealTimeView& view, float readingsPerSecond)
    : m_members(members), m_view(view), m_rate(readingsPerSecond > 0.0f ? readingsPerSecond : 0.1f) {
    m_rowText.reserve(32);
    m_valueText.reserve(64);
    m_timeText.reserve(32);
}

void RealTimeParser::WriteReportHeader() {
    const ReportHeader h = BuildReportHeader(m_view.ReportName(), m_view.LocalTime());
    g_strStartTime = h.startTime;
    g_strReportTitle = h.head + "\r\n";
    g_strReportHeader = h.head + "\r\n";
    m_view.ShowReport(g_strReportTitle);
    *m_members.result = g_strReportTitle + *m_members.result;
}

void RealTimeParser::ResetGraphWhileWaiting() {
    m_view.ClearGraph();
    m_view.SetCurveColor(kCurveYellow);
    m_view.SetCurveOption(FALSE);
    if (m_view.ShowGridTicked()) {
        m_view.SetShowGrid(TRUE);
        m_view.SetXGridCount(10);
        m_view.SetYGridCount(20);
    } else {
        m_view.SetShowGrid(FALSE);
    }
}

void RealTimeParser::PageAndRange(float) {
    const float peak = g_fPeak.load();
    if (static_cast<int>(g_fElapsed) >= g_nGraphPage + kGraphPageSeconds) {
        m_view.ClearGraph();
        m_view.SetCurveColor(kCurveYellow);
        m_view.SetCurveOption(FALSE);
        m_view.SetCurveStyle(2);
        g_nGraphPage += kGraphPageSeconds;
        const float xmax = static_cast<float>(g_nGraphPage + kGraphPageSeconds);
        m_view.SetRange(g_fElapsed, xmax, -peak - 5.0f, peak + 5.0f);
        g_fAxisXMin = g_fElapsed;
        g_fAxisXMax = xmax;
        g_fAxisYMin = -peak - 5.0f;
        g_fAxisYMax = peak + 5.0f;
    }
    if (peak > g_fAxisYMax) m_view.SetRange(g_fAxisXMin, g_fAxisXMax, -peak - 5.0f, peak + 5.0f);
}

ReadingOutcome RealTimeParser::ProcessLine(std::string_view number, std::string_view unit) {
    std::int32_t index = g_nSampleIndex.load();
    // A full store keeps the test: the reading that would wrap the index is not stored.
    if (index + 1 >= kSampleCapacity) {
        g_bWrapped = 1;
        m_latestIndex = 0;
        g_strForce.clear();
        g_strChar.clear();
        return ReadingOutcome::Stop;
    }
    ++index;
    std::int32_t count = g_nSampleCount.load() + 1;
    g_nSampleIndex = index;
    g_nSampleCount = count;

    m_rowText = FormatNumberText(count);
    const bool headerPending = m_members.headerPending->load() != 0;
    if (headerPending) WriteReportHeader();

    g_strReadingUnit.assign(unit);
    g_strForce.assign(number);
    if (headerPending) {
        m_members.headerPending->store(0);
        m_view.SetYLabel(g_strReadingUnit);
    }

    // Reading n lies n / rate seconds after the start, rounded to milliseconds.
    g_fElapsed = numtext::RoundedThrough(static_cast<double>(index) / m_rate, 3);
    m_timeText = FormatTimeText(g_fElapsed);
    g_strTime = m_timeText;
    g_fTime[index] = g_fElapsed;
    g_nIndex[index] = index;

    float load = static_cast<float>(std::atof(g_strForce.c_str()));
    load = -load;
    if (g_bInvertLoad.load() == 1) load = -load;
    load = numtext::RoundedFloat(load, 4);
    // The negation turns a zero load, and one that rounds to zero, into a negative zero, which
    // every text and file would show as "-0".
    if (load == 0.0f) load = 0.0f;
    g_fCurLoad = load;
    m_valueText = FormatValueText(load, unit);
    g_strForce = m_valueText;
    g_fLoad[index] = load;

    const float magnitude = std::fabs(load);
    if (magnitude > g_fPeak.load()) g_fPeak = magnitude;

    m_members.running->store(1);
    m_view.PostStatusUpdate();

    const bool startByLoad = g_bStartByLoad.load() != 0;
    const float threshold = static_cast<float>(g_dStartThreshold.load());
    if (magnitude >= threshold && startByLoad && g_bThresholdReached.load() == 0) {
        g_bThresholdReached = 1;
        index = count = 0;
        g_nSampleIndex = 0;
        g_nSampleCount = 0;
        g_fElapsed = 0.0f;
        *m_members.loadSum = 0.0f;
    }
    if (magnitude < threshold && startByLoad && g_bThresholdReached.load() == 0) {
        index = count = 0;
        g_nSampleIndex = 0;
        g_nSampleCount = 0;
        g_fElapsed = 0.0f;
        m_members.seconds->store(0);
        m_members.minutes->store(0);
        ResetGraphWhileWaiting();
    }
    m_latestIndex = index;

    const float breakFraction = static_cast<float>(g_dBreakPercent.load()) / 100.0f;
    const float breakLevel = g_fPeak.load() * breakFraction;
    const bool stop = (magnitude < breakLevel && g_bBreakDetect.load() != 0) ||
                      (magnitude > static_cast<float>(g_dStopLoad.load()) && g_bStopByLoad.load() != 0) ||
                      g_bWrapped.load() == 1;
    if (stop) {
        // Stored, and counted for the peak; the wrap-up lists it but it is not averaged.
        if (index >= 1) KeepListTexts(index, count, unit);
        return ReadingOutcome::Stop;
    }

    if (g_bLiveDisplay.load() == 1) {
        m_view.PlotXY(g_fElapsed, load, 0);
        PageAndRange(load);
    }

    float& sum = *m_members.loadSum;
    sum += load;
    if (startByLoad && g_bThresholdReached.load() == 1) {
        g_fAverage = sum / static_cast<float>(index + 1);
    } else if (index > 0) {
        g_fAverage = sum / static_cast<float>(index);
    } else {
        g_fAverage = 0.0f;  // still waiting for the start threshold
    }

    if (index >= 1) {
        if (g_bLiveDisplay.load() == 1) m_view.InsertListRow(index - 1, m_rowText, m_valueText, m_timeText);
        KeepListTexts(index, count, unit);
    }
    g_strForce.clear();
    g_strChar.clear();
    return ReadingOutcome::Continue;
}

void AppendAutoStopResults(std::string& result) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f ", static_cast<double>(g_fPeak.load()));
    g_strPeak = buf;
    std::snprintf(buf, sizeof buf, "%.4f ", static_cast<double>(g_fAverage.load()));
    g_strAverage = buf;
    result += "Avg: " + g_strAverage + g_strReadingUnit + "\r\n" + "Peak: " + g_strPeak + g_strReadingUnit;
    g_strForce.clear();
    g_strChar.clear();
}
