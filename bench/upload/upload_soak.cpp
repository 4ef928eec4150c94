// Whole uploads, one after the other, through the Start button, the acquisition thread, the tick
// timer and the gauge simulator on a pseudo-terminal, counting the records that the list, the
// upload file text and the counts show twice or not at all. Run it on a loaded machine.
//
//   upload_soak [uploads (200)] [records (700)]
//
// Each record of the gauge carries its own number as its value, so every list row and every line
// of the upload file names the record it shows. Prints one line per upload that went wrong and a
// summary; exits with 1 when any upload did.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ExportText.h"
#include "KvDlg.h"
#include "SampleStore.h"
#include "Timers.h"
#include "UploadEnd.h"
#include "afx_testing.h"
#include "gauge_dialog_rig.h"
#include "gauge_sim.h"
#include "resources.h"
#include "upload_driver.h"

namespace {

using Clock = std::chrono::steady_clock;

// The record number a value text names ("123  N" or "123"); 0 for anything else.
int RecordOf(const std::string& text) {
    return std::atoi(text.c_str());
}

struct Tally {
    int twice = 0;    // listings beyond the first of a record
    int missing = 0;  // records never listed
};

Tally Count(const std::vector<int>& numbers, int records) {
    std::vector<int> seen(static_cast<std::size_t>(records) + 1, 0);
    Tally t;
    for (int n : numbers) {
        if (n < 1 || n > records) {
            ++t.twice;  // not a record of the gauge at all: counted as one too many
            continue;
        }
        if (seen[static_cast<std::size_t>(n)]++ > 0) ++t.twice;
    }
    for (int n = 1; n <= records; ++n) t.missing += seen[static_cast<std::size_t>(n)] == 0 ? 1 : 0;
    return t;
}

// The record lines of the upload file text: "n ,value,N,...", after the header's empty line.
std::vector<int> FileRecords(const std::string& text) {
    std::vector<int> numbers;
    const std::size_t body = text.find("\r\n\r\n");
    if (body == std::string::npos) return numbers;
    std::size_t p = body + 4;
    while (p < text.size()) {
        const std::size_t end = text.find("\r\n", p);
        const std::string line = text.substr(p, end == std::string::npos ? std::string::npos : end - p);
        const std::size_t comma = line.find(',');
        if (comma != std::string::npos) numbers.push_back(RecordOf(line.substr(comma + 1)));
        if (end == std::string::npos) break;
        p = end + 2;
    }
    return numbers;
}

}  // namespace

int main(int argc, char** argv) {
    const int uploads = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 200;
    const int records = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 999) : 700;

    std::vector<orva::sim::MemoryRecordData> memory;
    for (int i = 1; i <= records; ++i) {
        orva::sim::MemoryRecordData r;
        r.raw = static_cast<std::uint16_t>(i);
        r.decimals = 0;  // the value text is the record's number
        r.unit = 1;
        r.group = static_cast<std::uint8_t>(i % 256);
        memory.push_back(r);
    }

    upload_bench::GaugeDialogRig soak;
    if (!soak.Open(memory, "orva-upload-soak")) {
        std::fprintf(stderr, "could not open the dialog on the simulated gauge\n");
        soak.Close();
        return 2;
    }
    const std::string cleanEnd = UploadEndText(0, false, 0);
    int failed = 0, timedOut = 0, listTwice = 0, listMissing = 0, fileTwice = 0, fileMissing = 0;
    int wrongCount = 0, wrongEnd = 0;
    double longest = 0;
    for (int u = 1; u <= uploads; ++u) {
        CKvDlg& dlg = *soak.dlg;
        afx::testing::ClearShownBoxes();
        const auto start = Clock::now();
        if (!upload_test::StartUploadWithTheButtons(dlg)) {
            std::fprintf(stderr, "upload %d: the upload could not be started\n", u);
            ++failed;
            break;
        }
        // Ended: the end text is shown, or the time-out box.
        const bool ended = afx::testing::RunUntil(
            [&] {
                if (dlg.GetDlgItemText(orva::resources::main_dialog::kReportText).rfind("Data uploaded", 0) ==
                    0)
                    return true;
                for (const auto& box : afx::testing::ShownBoxes())
                    if (box.text == kUploadTimeoutText) return true;
                return false;
            },
            120000);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        longest = std::max(longest, seconds);
        const std::string end = dlg.GetDlgItemText(orva::resources::main_dialog::kReportText);

        std::vector<int> listed;
        for (int row = 0; row < dlg.m_listResults.GetItemCount(); ++row)
            listed.push_back(RecordOf(dlg.m_listResults.GetItemText(row, 1)));
        const Tally list = Count(listed, records);
        const Tally file = Count(FileRecords(g_strExportText), records);
        const bool countRight =
            g_nSampleIndex.load() == records && dlg.m_listResults.GetItemCount() == records;
        const bool endRight = end == cleanEnd;
        upload_test::EndUpload(dlg);

        if (!ended || list.twice || list.missing || file.twice || file.missing || !countRight || !endRight) {
            ++failed;
            std::printf(
                "upload %d: %s, %.2f s, list %d rows (%d twice, %d missing), file %d twice %d missing, "
                "count %d, end text %s\n",
                u, ended ? "ended" : "did not end", seconds, dlg.m_listResults.GetItemCount(), list.twice,
                list.missing, file.twice, file.missing, g_nSampleIndex.load(), endRight ? "right" : "wrong");
            std::fflush(stdout);
        }
        timedOut += ended ? 0 : 1;
        listTwice += list.twice;
        listMissing += list.missing;
        fileTwice += file.twice;
        fileMissing += file.missing;
        wrongCount += countRight ? 0 : 1;
        wrongEnd += endRight ? 0 : 1;
        // The simulator starts a new upload only after half a second without upload requests.
        afx::testing::Pump(700);
    }
    std::printf(
        "%d uploads of %d records: %d went wrong (%d did not end); records listed twice %d, missing %d; "
        "file lines twice %d, missing %d; wrong count %d, wrong end text %d; longest upload %.2f s; "
        "frames sent %llu, resent %llu\n",
        uploads, records, failed, timedOut, listTwice, listMissing, fileTwice, fileMissing, wrongCount,
        wrongEnd, longest, static_cast<unsigned long long>(soak.sim->FramesSent()),
        static_cast<unsigned long long>(soak.sim->FramesResent()));
    soak.Close();
    return failed == 0 ? 0 : 1;
}
