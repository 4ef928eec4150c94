// Damaged files: a file cut short reads whole or is an error, never fewer rows or values; bytes
// changed give an error or other values, never a crash, a read outside a buffer (run under
// AddressSanitizer by scripts/test) or a word of libmdb on the program's output.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>

#include "jet_file.h"
#include "query_reader.h"
#include "scratch_dir.h"

namespace {

using jet::ColumnType;
using jet::Format;
using Texts = std::vector<std::string>;

std::vector<std::uint8_t> SampleFile(Format format) {
    jet::Table result1{"result1",
                       {{"indexname", ColumnType::kText},
                        {"idr", ColumnType::kLong},
                        {"data", ColumnType::kDouble},
                        {"note", ColumnType::kMemo}},
                       {}};
    const std::string longNote(120, 'n');
    for (int i = 0; i < 150; ++i)
        result1.rows.push_back({"index " + std::to_string(i % 17), std::to_string(i % 11),
                                i % 5 == 0 ? jet::Value{} : jet::Value{std::to_string(i * 0.25)},
                                i % 3 == 0 ? longNote + std::to_string(i) : "note " + std::to_string(i)});
    return jet::BuildDatabase(
        {result1,
         {"material", {{"material", ColumnType::kText}}, {{"Steel"}, {"Brass"}}},
         {"hard", {{"hard", ColumnType::kText}, {"n", ColumnType::kInt}}, {{"60", "1"}, {"45", "2"}}}},
        format);
}

void Write(const std::vector<std::uint8_t>& bytes) {
    std::ofstream out("kv.mdb", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Everything the lister reads from a file, and every column of result1; nullopt when the file
// was refused with an error.
std::optional<std::vector<Texts>> ReadAll() {
    try {
        _ConnectionPtr c = ado_test::OpenDatabase("kv.mdb");
        std::vector<Texts> out;
        out.push_back(ado_test::ReadColumn(c, "SELECT distinct indexname FROM result1 order by indexname asc",
                                           "indexname"));
        out.push_back(ado_test::ReadColumn(c, "SELECT distinct * FROM material", "material"));
        out.push_back(ado_test::ReadColumn(c, "SELECT distinct * FROM hard", "hard"));
        out.push_back(ado_test::ReadColumn(c, "SELECT distinct idr FROM result1 order by idr  asc ", "idr"));
        out.push_back(
            ado_test::ReadColumn(c, "SELECT distinct data FROM result1 order by data  asc ", "data"));
        for (const char* column : {"indexname", "idr", "data", "note"})
            out.push_back(ado_test::ReadColumn(c, "SELECT * FROM result1", column));
        c->Close();
        return out;
    } catch (const _com_error&) {
        return std::nullopt;
    }
}

class DamagedFile : public ::testing::TestWithParam<Format> {
protected:
    ado_test::ScratchDir dir_;
};

TEST_P(DamagedFile, ACutShortFileReadsWholeOrIsAnError) {
    const std::vector<std::uint8_t> whole = SampleFile(GetParam());
    Write(whole);
    const std::optional<std::vector<Texts>> intact = ReadAll();
    ASSERT_TRUE(intact);
    ASSERT_EQ((*intact)[5].size(), 150u);
    int refused = 0;
    for (std::size_t size = 0; size < whole.size(); size += size < 4096 ? 97 : 509) {
        Write({whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)});
        const std::optional<std::vector<Texts>> read = ReadAll();
        if (read)
            EXPECT_EQ(*read, *intact) << "cut at " << size;
        else
            ++refused;
    }
    EXPECT_GT(refused, 0);
}

// libmdb reports damage with page dumps and warnings on standard output and error: none of it
// may reach them.
TEST_P(DamagedFile, ChangedBytesAreAnErrorOrOtherValuesAndNothingIsPrinted) {
    const std::vector<std::uint8_t> whole = SampleFile(GetParam());
    const std::size_t pageSize = jet::PageSize(GetParam());

    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = dup(1);
    const int savedErr = dup(2);
    std::FILE* capture = std::fopen("printed.txt", "w+");
    ASSERT_NE(capture, nullptr);
    dup2(fileno(capture), 1);
    dup2(fileno(capture), 2);

    std::mt19937 random(20261209);
    std::uniform_int_distribution<std::size_t> at(pageSize, whole.size() - 1);
    std::uniform_int_distribution<int> count(1, 24);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int trial = 0; trial < 150; ++trial) {
        std::vector<std::uint8_t> bytes = whole;
        for (int n = count(random); n > 0; --n) bytes[at(random)] = static_cast<std::uint8_t>(byte(random));
        Write(bytes);
        ReadAll();
    }
    // Damage on chosen spots: the definition and data pages' counts and offsets at their limits.
    for (std::size_t page = 1; page * pageSize < whole.size(); ++page) {
        for (std::size_t offset :
             {0, 2, 4, 8, 10, 12, 14, 16, 20, 23, 25, 27, 35, 43, 44, 45, 55, 57, 59, 63}) {
            for (std::uint8_t value : {0x00, 0x7f, 0xff}) {
                std::vector<std::uint8_t> bytes = whole;
                bytes[page * pageSize + offset] = value;
                bytes[page * pageSize + offset + 1] = value;
                Write(bytes);
                ReadAll();
            }
        }
    }

    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    close(savedOut);
    close(savedErr);
    std::fseek(capture, 0, SEEK_END);
    const long printed = std::ftell(capture);
    std::string head(static_cast<std::size_t>(std::min(printed, 400L)), '\0');
    std::rewind(capture);
    head.resize(std::fread(head.data(), 1, head.size(), capture));
    std::fclose(capture);
    EXPECT_EQ(printed, 0) << head;
}

INSTANTIATE_TEST_SUITE_P(Formats, DamagedFile, ::testing::Values(Format::kJet3, Format::kJet4),
                         [](const auto& info) { return info.param == Format::kJet3 ? "Jet3" : "Jet4"; });

}  // namespace
