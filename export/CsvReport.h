// The CSV report of a real-time test, streamed into a file through one fixed buffer: the report
// header, the average and peak lines and one row per stored reading, each line ended by CR LF.
// Nothing is held but the buffer, so a full store costs no more memory than an empty one.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "saved_file.h"

// Collects text and hands it to the file in large writes.
class CsvWriter {
public:
    static constexpr std::size_t kBufferSize = std::size_t(1) << 20;

    explicit CsvWriter(orva::files::SavedFile& file);
    void Append(std::string_view text);
    void Append(char c);
    // Room for `count` more bytes without a flush in between; count at most kBufferSize.
    char* Reserve(std::size_t count);
    void Commit(char* end) { m_used = static_cast<std::size_t>(end - m_buffer.get()); }
    void Flush();

private:
    orva::files::SavedFile& m_file;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
};

// What the report is written in: the acquisition unit (with its leading blank) and the stored
// loads, or the unit chosen for display and the converted loads.
struct CsvUnits {
    bool converted = false;
    std::string unit;
};
CsvUnits RealTimeCsvUnits(const std::string& displayUnit);

// The header, the two summary lines and the rows of readings 1..g_nSampleIndex.
void WriteRealTimeReport(CsvWriter& out, const CsvUnits& units);
