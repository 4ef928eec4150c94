// Damaged files: a file cut short reads whole or is an error, never fewer rows or values; bytes
// changed give an error or other values, never a crash, a read outside a buffer (run under
// AddressSanitizer by scripts/test) or a word of libmdb on the program's output. A damaged
// property block of the catalog or a long-value chain that loops is an error or reads whole.
// Every damaged read runs bounded in time and memory (bounded_run.h).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#include "bounded_run.h"
#include "jet_file.h"
#include "query_reader.h"
#include "scratch_dir.h"

namespace {

using jet::ColumnType;
using jet::Format;
using Texts = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

// A memo too long for one page: its text goes in a chain of long-value rows.
const std::string kChainedNote = "chained note " + std::string(5000, 'c');

Bytes SampleFile(Format format) {
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
                                i == 7       ? kChainedNote
                                : i % 3 == 0 ? longNote + std::to_string(i)
                                             : "note " + std::to_string(i)});
    return jet::BuildDatabase(
        {result1,
         {"material", {{"material", ColumnType::kText}}, {{"Steel"}, {"Brass"}}},
         {"hard", {{"hard", ColumnType::kText}, {"n", ColumnType::kInt}}, {{"60", "1"}, {"45", "2"}}}},
        format);
}

void Write(const Bytes& bytes) {
    std::ofstream out("kv.mdb", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Everything the lister reads from a file, and every column of result1.
const char* const kQueries[][2] = {
    {"SELECT distinct indexname FROM result1 order by indexname asc", "indexname"},
    {"SELECT distinct * FROM material", "material"},
    {"SELECT distinct * FROM hard", "hard"},
    {"SELECT distinct idr FROM result1 order by idr  asc ", "idr"},
    {"SELECT distinct data FROM result1 order by data  asc ", "data"},
    {"SELECT * FROM result1", "indexname"},
    {"SELECT * FROM result1", "idr"},
    {"SELECT * FROM result1", "data"},
    {"SELECT * FROM result1", "note"},
};
constexpr std::size_t kQueryCount = std::size(kQueries);

// Each query's texts, or nullopt where it was refused with an error (every query when the file
// was).
using Reads = std::vector<std::optional<Texts>>;

Reads ReadAll() {
    Reads out(kQueryCount);
    _ConnectionPtr c;
    try {
        c = ado_test::OpenDatabase("kv.mdb");
    } catch (const _com_error&) {
        return out;
    }
    for (std::size_t i = 0; i < kQueryCount; ++i) {
        try {
            out[i] = ado_test::ReadColumn(c, kQueries[i][0], kQueries[i][1]);
        } catch (const _com_error&) {
        }
    }
    c->Close();
    return out;
}

// Each query of a damaged file reads what the intact file reads, or is refused.
void ReadWholeOrRefused(const Reads& intact, ado_test::BoundedReads& out) {
    const Reads read = ReadAll();
    for (std::size_t i = 0; i < kQueryCount; ++i) {
        if (!read[i]) {
            out.Refused();
        } else if (*read[i] != *intact[i]) {
            out.Fail(std::string("other values from ") + kQueries[i][0] + " [" + kQueries[i][1] + "]");
        }
    }
}

std::size_t Find(const Bytes& bytes, const std::string& text) {
    const auto at = std::search(bytes.begin(), bytes.end(), text.begin(), text.end());
    return at == bytes.end() ? std::string::npos : static_cast<std::size_t>(at - bytes.begin());
}

class DamagedFile : public ::testing::TestWithParam<Format> {
protected:
    void SetUp() override {
        whole_ = SampleFile(GetParam());
        pageSize_ = jet::PageSize(GetParam());
        Write(whole_);
        intact_ = ReadAll();
        for (const auto& read : intact_) ASSERT_TRUE(read);
        ASSERT_EQ(intact_[5]->size(), 150u);
        ASSERT_EQ((*intact_[8])[7], kChainedNote);
    }

    // Each query of each file reads what the intact file reads or is refused; returns how many
    // were refused.
    int ExpectWholeOrRefused(const std::vector<std::pair<std::string, Bytes>>& files) {
        const ado_test::BoundedOutcome o = ado_test::RunBounded([&](ado_test::BoundedReads& out) {
            for (const auto& [what, bytes] : files) {
                out.Start(what);
                Write(bytes);
                ReadWholeOrRefused(intact_, out);
            }
        });
        EXPECT_TRUE(o.finished) << o.stop;
        for (const std::string& f : o.failures) ADD_FAILURE() << f;
        return o.refused;
    }

    ado_test::ScratchDir dir_;
    Bytes whole_;
    std::size_t pageSize_ = 0;
    Reads intact_;
};

// Cut inside every page: just past its start, inside the header fields of a data or definition
// page and at its last byte.
TEST_P(DamagedFile, ACutShortFileReadsWholeOrIsAnError) {
    std::vector<std::pair<std::string, Bytes>> files;
    for (std::size_t page = 0; page * pageSize_ < whole_.size(); ++page) {
        for (std::size_t offset : {std::size_t{0}, std::size_t{1}, std::size_t{9}, std::size_t{12},
                                   std::size_t{13}, pageSize_ - 1}) {
            const std::size_t size = page * pageSize_ + offset;
            files.emplace_back("cut at " + std::to_string(size),
                               Bytes(whole_.begin(), whole_.begin() + static_cast<std::ptrdiff_t>(size)));
        }
    }
    EXPECT_GT(ExpectWholeOrRefused(files), 0);
}

// A property block of the catalog, cut inside and each byte changed to 0xff: what libmdb took for
// lengths in it became zero or huge.
TEST_P(DamagedFile, ADamagedPropertyBlockIsAnErrorOrReadsWhole) {
    const std::string magic = GetParam() == Format::kJet3 ? std::string("KKD", 4) : std::string("MR2", 4);
    const std::size_t block = Find(whole_, magic);
    ASSERT_NE(block, std::string::npos);
    // Blocks lie one after another towards the end of their page.
    const std::size_t next =
        Find(Bytes(whole_.begin() + static_cast<std::ptrdiff_t>(block + 1), whole_.end()), magic);
    const std::size_t pageEnd = (block / pageSize_ + 1) * pageSize_;
    const std::size_t blockEnd = next == std::string::npos ? pageEnd : std::min(block + 1 + next, pageEnd);
    std::vector<std::pair<std::string, Bytes>> files;
    for (std::size_t at = block; at < blockEnd; ++at) {
        files.emplace_back("cut at " + std::to_string(at),
                           Bytes(whole_.begin(), whole_.begin() + static_cast<std::ptrdiff_t>(at)));
        Bytes bytes = whole_;
        bytes[at] = 0xff;
        files.emplace_back("0xff at " + std::to_string(at), bytes);
    }
    ExpectWholeOrRefused(files);
}

// The chained memo's first row points back at itself: no text of it is in the file whole.
TEST_P(DamagedFile, ALongValueChainThatLoopsIsAnError) {
    // Jet 4 stores the text compressed, after a two-byte mark; the row's next-row pointer comes
    // before that.
    const std::size_t text = Find(whole_, "chained note");
    ASSERT_NE(text, std::string::npos);
    const std::size_t row = text - (GetParam() == Format::kJet4 ? 2 : 0) - 4;
    const std::size_t page = row / pageSize_;
    const std::size_t rowCountAt = GetParam() == Format::kJet3 ? 8 : 12;
    auto get16 = [&](std::size_t at) { return static_cast<unsigned>(whole_[at] | whole_[at + 1] << 8); };
    std::optional<unsigned> number;
    for (unsigned r = 0; r < get16(page * pageSize_ + rowCountAt); ++r)
        if ((get16(page * pageSize_ + rowCountAt + 2 + 2 * r) & 0x1fff) == row % pageSize_) number = r;
    ASSERT_TRUE(number);
    Bytes looping = whole_;
    const std::uint32_t self = static_cast<std::uint32_t>(page) << 8 | *number;
    for (int i = 0; i < 4; ++i) looping[row + i] = static_cast<std::uint8_t>(self >> (8 * i));
    EXPECT_GT(ExpectWholeOrRefused({{"looping chain", looping}}), 0);
}

// libmdb reports damage with page dumps and warnings on standard output and error: none of it
// may reach them.
TEST_P(DamagedFile, ChangedBytesAreAnErrorOrOtherValuesAndNothingIsPrinted) {
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = dup(1);
    const int savedErr = dup(2);
    std::FILE* capture = std::fopen("printed.txt", "w+");
    ASSERT_NE(capture, nullptr);
    dup2(fileno(capture), 1);
    dup2(fileno(capture), 2);

    const ado_test::BoundedOutcome o = ado_test::RunBounded([&](ado_test::BoundedReads& out) {
        std::mt19937 random(20261209);
        std::uniform_int_distribution<std::size_t> at(pageSize_, whole_.size() - 1);
        std::uniform_int_distribution<int> count(1, 24);
        std::uniform_int_distribution<int> byte(0, 255);
        for (int trial = 0; trial < 150; ++trial) {
            Bytes bytes = whole_;
            for (int n = count(random); n > 0; --n)
                bytes[at(random)] = static_cast<std::uint8_t>(byte(random));
            out.Start("trial " + std::to_string(trial));
            Write(bytes);
            ReadAll();
        }
        // Damage on chosen spots: the definition and data pages' counts and offsets at their
        // limits.
        for (std::size_t page = 1; page * pageSize_ < whole_.size(); ++page) {
            // Long-value pages hold text past their first row's offset.
            if (std::memcmp(&whole_[page * pageSize_ + 4], "LVAL", 4) == 0) continue;
            for (std::size_t offset :
                 {0, 2, 4, 8, 10, 12, 14, 16, 20, 23, 25, 27, 35, 43, 44, 45, 55, 57, 59, 63}) {
                for (std::uint8_t value : {0x00, 0x7f, 0xff}) {
                    Bytes bytes = whole_;
                    bytes[page * pageSize_ + offset] = value;
                    bytes[page * pageSize_ + offset + 1] = value;
                    out.Start(std::to_string(value) + " at " + std::to_string(page * pageSize_ + offset));
                    Write(bytes);
                    ReadAll();
                }
            }
        }
    });

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
    EXPECT_TRUE(o.finished) << o.stop;
    EXPECT_EQ(printed, 0) << head;
}

INSTANTIATE_TEST_SUITE_P(Formats, DamagedFile, ::testing::Values(Format::kJet3, Format::kJet4),
                         [](const auto& info) { return info.param == Format::kJet3 ? "Jet3" : "Jet4"; });

}  // namespace
