#include "CsvReport.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "AcquisitionSettings.h"
#include "ExportText.h"
#include "NumberText.h"
#include "ResultSummary.h"
#include "SampleStore.h"

CsvWriter::CsvWriter(orva::files::SavedFile& file)
    : m_file(file), m_buffer(std::make_unique<char[]>(kBufferSize)) {}

void CsvWriter::Flush() {
    if (m_used > 0) m_file.Write(m_buffer.get(), m_used);
    m_used = 0;
}

char* CsvWriter::Reserve(std::size_t count) {
    if (kBufferSize - m_used < count) Flush();
    return m_buffer.get() + m_used;
}

void CsvWriter::Append(std::string_view text) {
    while (!text.empty()) {
        if (m_used == kBufferSize) Flush();
        const std::size_t n = std::min(text.size(), kBufferSize - m_used);
        std::memcpy(m_buffer.get() + m_used, text.data(), n);
        m_used += n;
        text.remove_prefix(n);
    }
}

void CsvWriter::Append(char c) {
    if (m_used == kBufferSize) Flush();
    m_buffer[m_used++] = c;
}

CsvUnits RealTimeCsvUnits(const std::string& displayUnit) {
    if (g_bUnitConverted != 0) return CsvUnits{true, displayUnit};
    return CsvUnits{false, g_strUnit};
}

namespace {

// "Avg: " or "Peak: ", the value as "%.4f " (with its blank), a blank, the unit, CR LF.
void SummaryLine(CsvWriter& out, std::string_view label, float value, const std::string& unit) {
    numtext::Buffer buf;
    out.Append(label);
    out.Append(numtext::Fixed(buf, value, 4));
    out.Append("  ");
    out.Append(unit);
    out.Append("\r\n");
}

// A float widened to double in "%.<decimals>f", straight into the row.
char* PutFixed(char* p, char* end, float value, int decimals) {
    const auto r = std::to_chars(p, end, static_cast<double>(value), std::chars_format::fixed, decimals);
    return r.ptr;
}

}  // namespace

void WriteRealTimeReport(CsvWriter& out, const CsvUnits& units) {
    const float average = units.converted ? g_fAverageConv : g_fAverage.load();
    const float peak = units.converted ? g_fPeakConv : g_fPeak.load();
    out.Append(g_strReportHeader);
    SummaryLine(out, "Avg: ", average, units.unit);
    SummaryLine(out, "Peak: ", peak, units.unit);

    const float* loads = units.converted ? g_fLoadConv : g_fLoad;
    // Room for a number and a float in fixed notation (at most 46 characters) with separators.
    constexpr std::size_t kFieldsMax = 64;
    const auto index = static_cast<std::uint32_t>(g_nSampleIndex.load());
    const std::int64_t last = std::min<std::int64_t>(index, kSampleCapacity - 1);
    for (std::int64_t i = 1; i <= last; ++i) {
        char* p = out.Reserve(kFieldsMax);
        char* end = p + kFieldsMax;
        p = std::to_chars(p, end, g_nIndex[i]).ptr;
        *p++ = ',';
        p = PutFixed(p, end, loads[i], 4);
        *p++ = ',';
        out.Commit(p);
        out.Append(units.unit);
        p = out.Reserve(kFieldsMax);
        end = p + kFieldsMax;
        *p++ = ',';
        p = PutFixed(p, end, g_fTime[i], 3);
        std::memcpy(p, ", s,\r\n", 6);
        out.Commit(p + 6);
    }
}
