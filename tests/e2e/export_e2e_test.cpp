// A user's whole way out of the program: a 10-per-second test through the simulator, shown in
// kgf, written to a CSV file and read back; the next test exports in its own unit again.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "AcquisitionSettings.h"
#include "ResultSummary.h"
#include "SampleStore.h"
#include "afx_testing.h"
#include "csv_rows.h"
#include "e2e_fixture.h"

namespace fs = std::filesystem;

namespace e2e {
namespace {

using afx::testing::Click;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

float Rounded4(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    return static_cast<float>(std::atof(buf));
}

using ExportTest = DialogTest;

TEST_F(ExportTest, TenPerSecondTestInKgfToCsvAndBack) {
    const std::vector<std::string> numbers = {"12.34567", "-3.5", "98.0665", "0.25"};
    RunWithGauge(SequenceGauge(numbers), [&] {
        TypeInto(dlg_->m_page1, 1027, "to csv");
        gauge_->RestartProfile();
        ClickStart();
        ASSERT_TRUE(WaitFor([&] { return g_nSampleCount.load() >= 12; }));
        ClickStart();
        ASSERT_TRUE(WaitForStop());
        const std::int32_t n = g_nSampleIndex.load();
        ASSERT_GE(n, 12);
        ASSERT_EQ(g_strUnit, " N");

        ClickOn(dlg_->m_page1, 1186);  // Load: shown in kgf
        ASSERT_EQ(dlg_->m_page1.m_cbUnit.GetWindowText(), "kgf");
        ASSERT_EQ(dlg_->m_listResults.GetItemCount(), n);
        ASSERT_TRUE(afx::testing::SelectComboEntry(dlg_->m_page1, 1187, 1));  // csv

        const fs::path file = root_ / "to csv.csv";
        afx::testing::AnswerNextFileDialog((root_ / "to csv").string());
        ASSERT_TRUE(Click(*dlg_, 1080));
        ASSERT_EQ(CountBoxesWith("Export Data OK!"), 1);

        const double g = static_cast<double>(9.807f);
        const auto rows = testcsv::ReadCsv(ReadFile(file));
        // Name, "Start Time :", the date line, average, peak, then the readings.
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(5 + n));
        EXPECT_EQ(rows[0][0], "Report Name: to csv");
        EXPECT_EQ(rows[4][0].rfind("Peak: ", 0), 0u);
        EXPECT_EQ(rows[4][0].substr(rows[4][0].size() - 5), "  kgf");
        for (std::int32_t i = 1; i <= n; ++i) {
            const auto& row = rows[static_cast<std::size_t>(4 + i)];
            ASSERT_EQ(row.size(), 6u) << i;
            EXPECT_EQ(std::atoi(row[0].c_str()), i);
            const float stored = StoredLoad(numbers[static_cast<std::size_t>(i - 1) % numbers.size()], false);
            EXPECT_EQ(g_fLoad[i], stored) << i;
            EXPECT_EQ(static_cast<float>(std::atof(row[1].c_str())), Rounded4(static_cast<float>(stored / g)))
                << i;
            EXPECT_EQ(row[2], "kgf");
            EXPECT_EQ(static_cast<float>(std::atof(row[3].c_str())), ReadingTime(i, 10.0)) << i;
            EXPECT_EQ(row[4], "s");
        }

        // The next test is not converted: its file is in the gauge's unit.
        ClickStart();
        ASSERT_TRUE(WaitFor([&] { return g_nSampleCount.load() >= 3; }));
        ClickStart();
        ASSERT_TRUE(WaitForStop());
        EXPECT_EQ(g_bUnitConverted, 0);
        afx::testing::AnswerNextFileDialog((root_ / "second.csv").string());
        ASSERT_TRUE(Click(*dlg_, 1080));
        const auto second = testcsv::ReadCsv(ReadFile(root_ / "second.csv"));
        ASSERT_GE(second.size(), 6u);
        EXPECT_EQ(second[5][2], "N");
        EXPECT_NE(
            ReadFile(root_ / "second.csv").find("\r\n1," + std::string(second[5][1]) + ", N,0.100, s,\r\n"),
            std::string::npos);
    });
}

}  // namespace
}  // namespace e2e
