// Damaged files (cut short, bytes changed) give an error or fewer rows: never a crash or a read
// outside a buffer. Run under AddressSanitizer by scripts/test.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "jet3_file.h"
#include "query_reader.h"
#include "scratch_dir.h"

namespace {

using jet3::ColumnType;

std::vector<std::uint8_t> SampleFile() {
    jet3::Table result1{
        "result1",
        {{"indexname", ColumnType::kText}, {"idr", ColumnType::kLong}, {"data", ColumnType::kDouble}},
        {}};
    for (int i = 0; i < 150; ++i)
        result1.rows.push_back({"index " + std::to_string(i % 17), std::to_string(i % 11),
                                i % 5 == 0 ? jet3::Value{} : jet3::Value{std::to_string(i * 0.25)}});
    return jet3::BuildDatabase(
        {result1,
         {"material", {{"material", ColumnType::kText}}, {{"Steel"}, {"Brass"}}},
         {"hard", {{"hard", ColumnType::kText}, {"n", ColumnType::kInt}}, {{"60", "1"}}}});
}

void Write(const std::vector<std::uint8_t>& bytes) {
    std::ofstream out("kv.mdb", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Everything the lister does with a file; false when the file was refused with an error.
bool ReadAll() {
    try {
        _ConnectionPtr c = ado_test::OpenDatabase("kv.mdb");
        ado_test::ReadColumn(c, "SELECT distinct indexname FROM result1 order by indexname asc", "indexname");
        ado_test::ReadColumn(c, "SELECT distinct material FROM material", "material");
        ado_test::ReadColumn(c, "SELECT distinct hard FROM hard", "hard");
        ado_test::ReadColumn(c, "SELECT distinct idr FROM result1 order by idr  asc ", "idr");
        ado_test::ReadColumn(c, "SELECT distinct data FROM result1 order by data  asc ", "data");
        return true;
    } catch (const _com_error&) {
        return false;
    }
}

TEST(DamagedFile, TheIntactSampleReadsWhole) {
    ado_test::ScratchDir dir;
    Write(SampleFile());
    EXPECT_TRUE(ReadAll());
}

TEST(DamagedFile, ACutShortFileIsAnErrorOrFewerRows) {
    ado_test::ScratchDir dir;
    const std::vector<std::uint8_t> whole = SampleFile();
    int refused = 0;
    for (std::size_t size = 0; size < whole.size(); size += size < 4096 ? 97 : 509) {
        Write({whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)});
        refused += ReadAll() ? 0 : 1;
    }
    EXPECT_GT(refused, 0);
}

TEST(DamagedFile, ChangedBytesAreAnErrorOrOtherValues) {
    ado_test::ScratchDir dir;
    const std::vector<std::uint8_t> whole = SampleFile();
    std::mt19937 random(20261209);
    std::uniform_int_distribution<std::size_t> at(jet3::kPageSize, whole.size() - 1);
    std::uniform_int_distribution<int> count(1, 24);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int trial = 0; trial < 400; ++trial) {
        std::vector<std::uint8_t> bytes = whole;
        for (int n = count(random); n > 0; --n) bytes[at(random)] = static_cast<std::uint8_t>(byte(random));
        Write(bytes);
        ReadAll();
    }
    // Damage on chosen spots: the definition and data pages' counts and offsets at their limits.
    for (std::size_t page = 1; page * jet3::kPageSize < whole.size(); ++page) {
        for (std::size_t offset : {0, 2, 4, 8, 10, 12, 20, 23, 25, 27, 35, 43, 44, 57, 59}) {
            for (std::uint8_t value : {0x00, 0x01, 0x7f, 0x80, 0xff}) {
                std::vector<std::uint8_t> bytes = whole;
                bytes[page * jet3::kPageSize + offset] = value;
                bytes[page * jet3::kPageSize + offset + 1] = value;
                Write(bytes);
                ReadAll();
            }
        }
    }
}

}  // namespace
