// The decisions of one real-time reading: sign rule and rounding, time from the reading number,
// the three list texts, peak, average, start by load, break and stop load, the 10-second graph
// pages, the report header. Runs on the acquisition thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "RealTimeView.h"
#include "win32_types.h"

// The dialog members a reading reads and writes.
struct RealTimeMembers {
    std::atomic<int>* headerPending;
    std::atomic<BYTE>* running;
    std::atomic<int>* seconds;
    std::atomic<int>* minutes;
    float* loadSum;
    std::string* result;
};

enum class ReadingOutcome { Continue, Stop };

class RealTimeParser {
public:
    // `readingsPerSecond` as Start stored it (0 counts as 0.1).
    RealTimeParser(const RealTimeMembers& members, RealTimeView& view, float readingsPerSecond);

    // One reading line, split at its first blank. Stop: a stop condition holds; the stopping
    // reading is stored (unless the store is full) and its texts are kept, but it is neither
    // plotted nor averaged, and its live list row is left to the wrap-up (StoppingRow...).
    ReadingOutcome ProcessLine(std::string_view number, std::string_view unit);

    // The texts of the latest reading: row ("%d " of the count), value, time.
    const std::string& RowText() const { return m_rowText; }
    const std::string& ValueText() const { return m_valueText; }
    const std::string& TimeText() const { return m_timeText; }
    // The latest reading was stored at an index of 1 or more.
    bool LatestHasRow() const { return m_latestIndex >= 1; }
    std::int32_t LatestIndex() const { return m_latestIndex; }

private:
    void WriteReportHeader();
    void ResetGraphWhileWaiting();
    void PageAndRange(float load);

    RealTimeMembers m_members;
    RealTimeView& m_view;
    double m_rate;
    std::string m_rowText;
    std::string m_valueText;
    std::string m_timeText;
    std::int32_t m_latestIndex = 0;
};

// The report header of a real-time test (name line, "Start Time : ", date line, empty line),
// and the start-time text "date  time".
struct ReportHeader {
    std::string head;
    std::string startTime;
};
ReportHeader BuildReportHeader(const std::string& reportName, const std::tm& when);

// The result texts of a test that the thread itself ended: "%.4f " of peak and average, the
// "Avg: " and "Peak: " lines appended to `result` (no line end after the peak), the units kept.
void AppendAutoStopResults(std::string& result);
