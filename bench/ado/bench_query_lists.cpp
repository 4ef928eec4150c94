// CKvDlg::LoadQueryLists on a Jet 4 kv.mdb whose result1 table holds 1,000,000 rows, every index
// name, idr and data value distinct (so each of the five lists the queries fill holds them all):
// wall time of each run and the peak resident memory during it above the resident memory before
// it (the kernel's high-water mark, reset just before). The file is written once, in a scratch
// folder under $TMPDIR that is removed at the end.
//   bench_query_lists [runs]
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "KvDlg.h"
#include "bench_dialog.h"
#include "jet_file.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr double kMB = 1024.0 * 1024.0;
constexpr int kRows = 1000000;

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

std::vector<std::uint8_t> KvFile() {
    jet::Table result1{"result1",
                       {{"indexname", jet::ColumnType::kText},
                        {"idr", jet::ColumnType::kLong},
                        {"data", jet::ColumnType::kDouble}},
                       {}};
    result1.rows.reserve(kRows);
    char name[32];
    for (int i = 0; i < kRows; ++i) {
        std::snprintf(name, sizeof name, "report %07d", i);
        result1.rows.push_back({name, std::to_string(i), std::to_string(i * 0.25)});
    }
    return jet::BuildDatabase({result1,
                               {"material", {{"material", jet::ColumnType::kText}}, {{"Steel"}, {"Brass"}}},
                               {"hard", {{"hard", jet::ColumnType::kText}}, {{"60"}}}},
                              jet::Format::kJet4);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    bench::PrepareProcess();
    const fs::path dir = orva::testing::MakeProcessTempFolder("orva-bench-kv");
    if (dir.empty()) return 1;
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    {
        const std::vector<std::uint8_t> bytes = KvFile();
        std::ofstream out("kv.mdb", std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        std::printf("kv.mdb: %d rows, %.1f MB\n", kRows, bytes.size() / kMB);
    }
    int failures = 0;
    for (int run = 0; run < runs; ++run) {
        auto dlg = std::make_unique<CKvDlg>();
        const std::int64_t before = bench::ResidentBytes();
        ResetPeak();
        const double start = bench::NowSeconds();
        const BOOL ok = dlg->LoadQueryLists();
        const double seconds = bench::NowSeconds() - start;
        const std::int64_t peak = bench::StatusBytes("VmHWM:");
        failures += ok == 1 && dlg->m_cbData2.GetCount() == kRows + 1 ? 0 : 1;
        std::printf("LoadQueryLists: %.3f s, peak %.0f MB above %.0f MB, %d index names\n", seconds,
                    (peak - before) / kMB, before / kMB, dlg->m_cbIndexName.GetCount() - 1);
    }
    fs::current_path(previous);
    fs::remove_all(dir);
    return failures == 0 ? 0 : 1;
}
