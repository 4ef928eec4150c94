// The query shapes the provider runs, DISTINCT and ORDER BY with Jet's text comparison.
#include <gtest/gtest.h>

#include "jet_file.h"
#include "query_reader.h"
#include "scratch_dir.h"
#include "select_query.h"

namespace {

using ado_test::OpenDatabase;
using ado_test::ReadColumn;
using jet::ColumnType;
using Texts = std::vector<std::string>;

// Every query runs on a Jet 3 and on a Jet 4 file of the same tables.
class QueryTest : public ::testing::TestWithParam<jet::Format> {
protected:
    void SetUp() override {
        ASSERT_TRUE(jet::WriteDatabase(
            "kv.mdb",
            {{"result1",
              {{"indexname", ColumnType::kText}, {"idr", ColumnType::kLong}, {"data", ColumnType::kDouble}},
              {{"beta", "10", "2.5"},
               {"Alpha", "9", "1"},
               {"alpha", "100", "2.5"},
               {std::nullopt, "9", std::nullopt},
               {"", "10", "-3"},
               {"BETA", "100", "10"}}},
             {"material",
              {{"material", ColumnType::kText}, {"grade", ColumnType::kText}},
              {{"Steel", "A"}, {"Brass", "B"}, {"Steel", "B"}, {"steel", "A"}}},
             {"d", {{"d", ColumnType::kDouble}}, {{"nan"}, {"1"}, {"2"}, {"1"}, {std::nullopt}, {"-1e300"}}}},
            GetParam()));
        db_ = OpenDatabase("kv.mdb");
    }

    ado_test::ScratchDir dir_;
    _ConnectionPtr db_;
};

TEST_P(QueryTest, TheProgramsQueryTextsRunAsWritten) {
    EXPECT_EQ(ReadColumn(db_, "SELECT distinct indexname FROM result1 order by indexname asc", "indexname"),
              (Texts{"<NULL>", "", "Alpha", "beta"}));
    EXPECT_EQ(ReadColumn(db_, "SELECT distinct idr FROM result1 order by idr  asc ", "idr"),
              (Texts{"9", "10", "100"}));
    EXPECT_EQ(ReadColumn(db_, "SELECT distinct data FROM result1 order by data  asc ", "data"),
              (Texts{"<NULL>", "-3", "1", "2.5", "10"}));
}

TEST_P(QueryTest, DistinctKeepsTheFirstSpellingOfTextsThatDifferOnlyInCase) {
    EXPECT_EQ(ReadColumn(db_, "SELECT DISTINCT indexname FROM result1", "indexname"),
              (Texts{"beta", "Alpha", "<NULL>", ""}));
    EXPECT_EQ(ReadColumn(db_, "select distinct [material] from [Material]", "material"),
              (Texts{"Steel", "Brass"}));
}

TEST_P(QueryTest, DistinctStarComparesWholeRows) {
    // "Steel" comes with two grades: two distinct rows ("steel", "A" equals "Steel", "A").
    EXPECT_EQ(ReadColumn(db_, "SELECT distinct * FROM material", "material"),
              (Texts{"Steel", "Brass", "Steel"}));
}

TEST_P(QueryTest, OrderBySortsNumbersByValueAndDescendingPutsNullLast) {
    EXPECT_EQ(ReadColumn(db_, "SELECT idr FROM result1 ORDER BY idr", "idr"),
              (Texts{"9", "9", "10", "10", "100", "100"}));
    EXPECT_EQ(ReadColumn(db_, "SELECT indexname FROM result1 ORDER BY idr DESC", "indexname"),
              (Texts{"alpha", "BETA", "beta", "", "Alpha", "<NULL>"}));
    EXPECT_EQ(ReadColumn(db_, "SELECT DISTINCT data FROM result1 ORDER BY data DESC;", "data"),
              (Texts{"10", "2.5", "1", "-3", "<NULL>"}));
    EXPECT_EQ(ReadColumn(db_, "SELECT * FROM material ORDER BY material", "grade"),
              (Texts{"B", "A", "B", "A"}));
}

TEST_P(QueryTest, ANanHasItsOwnPlaceAndKeepsTheOtherValues) {
    EXPECT_EQ(ReadColumn(db_, "SELECT DISTINCT d FROM d", "d"),
              (Texts{"NAN", "1", "2", "<NULL>", "-1E+300"}));
    EXPECT_EQ(ReadColumn(db_, "SELECT DISTINCT d FROM d ORDER BY d", "d"),
              (Texts{"<NULL>", "-1E+300", "1", "2", "NAN"}));
    EXPECT_EQ(ReadColumn(db_, "SELECT d FROM d ORDER BY d DESC", "d"),
              (Texts{"NAN", "2", "1", "1", "-1E+300", "<NULL>"}));
}

INSTANTIATE_TEST_SUITE_P(Formats, QueryTest, ::testing::Values(jet::Format::kJet3, jet::Format::kJet4),
                         [](const auto& info) { return info.param == jet::Format::kJet3 ? "Jet3" : "Jet4"; });

// Accented text: folded fully without regard to case, then ordered by code point, so an accented
// first letter sorts after 'z' (Jet's General order would put it beside its base letter).
TEST(QueryCollation, AccentedNamesOrderByCodePointAfterFullCaseFolding) {
    ado_test::ScratchDir dir;
    ASSERT_TRUE(jet::WriteDatabase("kv.mdb",
                                   {{"result1",
                                     {{"indexname", ColumnType::kText}},
                                     {{"zebra"},
                                      {"\xc3\x89mile"},
                                      {"eclair"},
                                      {"STRASSE"},
                                      {"\xc3\x84rger"},
                                      {"apfel"},
                                      {"Stra\xc3\x9f"
                                       "e"},
                                      {"\xc3\xa9mile"}}}},
                                   jet::Format::kJet4));
    EXPECT_EQ(ReadColumn(OpenDatabase("kv.mdb"),
                         "SELECT distinct indexname FROM result1 order by indexname asc", "indexname"),
              (Texts{"apfel", "eclair", "STRASSE", "zebra", "\xc3\x84rger", "\xc3\x89mile"}));
}

TEST(QueryParse, AcceptsOnlyTheProgramsShapes) {
    auto q = ado_detail::ParseSelect(
        "  select   Distinct [index name]\tfrom result1 ORDER  BY [index name] desc ; ");
    ASSERT_TRUE(q);
    EXPECT_TRUE(q->distinct);
    EXPECT_EQ(q->column, "index name");
    EXPECT_EQ(q->table, "result1");
    EXPECT_EQ(q->orderBy, "index name");
    EXPECT_TRUE(q->descending);

    for (const char* bad :
         {"", "SELECT", "SELECT FROM result1", "SELECT a, b FROM t", "SELECT a FROM t WHERE a = 1",
          "SELECT a FROM t ORDER a", "SELECT a FROM t ORDER BY", "SELECT a FROM t ORDER BY a b",
          "DELETE FROM t", "SELECT a FROM", "SELECT distinct FROM t", "SELECT a FROM [t",
          "SELECT a FROM t; SELECT b FROM t", "SELECT a FROM from"})
        EXPECT_FALSE(ado_detail::ParseSelect(bad)) << bad;
}

TEST_P(QueryTest, QueriesTheProviderCannotRunAreErrors) {
    auto code = [&](const char* query) {
        try {
            ReadColumn(db_, query, "idr");
        } catch (const _com_error& e) {
            return e.Error();
        }
        return S_OK;
    };
    EXPECT_EQ(code("SELECT idr FROM result1 WHERE idr = 3"), DB_E_ERRORSINCOMMAND);
    EXPECT_EQ(code("SELECT DISTINCT idr FROM result1 ORDER BY data"), DB_E_ERRORSINCOMMAND);
    EXPECT_EQ(code("SELECT idr FROM nothere"), DB_E_NOTABLE);
    EXPECT_EQ(code("SELECT nothere FROM result1"), DB_E_PARAMNOTOPTIONAL);
    EXPECT_EQ(code("SELECT * FROM result1 ORDER BY nothere"), DB_E_PARAMNOTOPTIONAL);
    EXPECT_EQ(code("SELECT idr FROM result1 ORDER BY indexname"), S_OK);
}

}  // namespace
