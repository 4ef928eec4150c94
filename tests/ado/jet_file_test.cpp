// The test files read back through libmdb itself, as plain (unencrypted) Jet 3 and Jet 4 files,
// and through the provider: rows over many pages and a large usage map, memo texts inline, on
// their own pages and in chains over pages, rows an edit moved or deleted.
#include "jet_file.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <mdbtools.h>

#include "query_reader.h"
#include "scratch_dir.h"

namespace {

using jet::ColumnType;
using jet::Format;

class JetFile : public ::testing::TestWithParam<Format> {
protected:
    ado_test::ScratchDir dir_;
};

TEST_P(JetFile, ReadsBackAsAnUnencryptedFileOfItsVersionWithItsTables) {
    ASSERT_TRUE(jet::WriteDatabase("t.mdb",
                                   {{"result1", {{"indexname", ColumnType::kText}}, {{"a"}}},
                                    {"hard", {{"hard", ColumnType::kText}}, {}}},
                                   GetParam()));
    MdbHandle* mdb = mdb_open("t.mdb", MDB_NOFLAGS);
    ASSERT_NE(mdb, nullptr);
    EXPECT_EQ(mdb->f->jet_version,
              static_cast<guint32>(GetParam() == Format::kJet3 ? MDB_VER_JET3 : MDB_VER_JET4));
    EXPECT_EQ(mdb->fmt->pg_size, static_cast<ssize_t>(jet::PageSize(GetParam())));
    EXPECT_EQ(mdb->f->db_key, 0u);  // any other key reads every page after the first as garbage
    ASSERT_NE(mdb_read_catalog(mdb, MDB_TABLE), nullptr);
    std::vector<std::string> names;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        const auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        names.emplace_back(entry->object_name);
        // The property block: the table's values and its first column's.
        ASSERT_NE(entry->props, nullptr);
        EXPECT_EQ(entry->props->len, 2u);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"result1", "hard"}));
    mdb_close(mdb);
}

TEST_P(JetFile, TableOverMorePagesThanOneMapRowCoversReadsEveryRowInOrder) {
    jet::Table t{"result1", {{"idr", ColumnType::kLong}, {"indexname", ColumnType::kText}}, {}};
    std::vector<std::string> expected;
    const std::string padding(180, 'x');
    const int rows = GetParam() == Format::kJet3 ? 6000 : 12000;
    for (int i = 0; i < rows; ++i) {
        t.rows.push_back({std::to_string(i), std::to_string(i) + padding});
        expected.push_back(std::to_string(i));
    }
    ASSERT_TRUE(jet::WriteDatabase("kv.mdb", {t}, GetParam()));
    ASSERT_GT(std::filesystem::file_size("kv.mdb"), 520 * jet::PageSize(GetParam()));
    EXPECT_EQ(ado_test::ReadColumn(ado_test::OpenDatabase("kv.mdb"), "SELECT idr FROM result1", "idr"),
              expected);
}

TEST_P(JetFile, MemoTextsReadWholeInlineAndFromTheirOwnPages) {
    const bool jet4 = GetParam() == Format::kJet4;
    const std::string accented = jet4 ? "Zugspitze \xc3\xa4" : "Zugspitze \xe4";
    std::string longText;
    for (int i = 0; i < 40; ++i) longText += "line " + std::to_string(i) + " of a long note. ";
    ASSERT_GT(longText.size(), jet::kInlineMemoLimit);
    std::string chained;  // more than a Jet 4 page holds
    for (int i = 0; i < 5; ++i) chained += longText;
    ASSERT_TRUE(jet::WriteDatabase("kv.mdb",
                                   {{"material",
                                     {{"material", ColumnType::kText}, {"note", ColumnType::kMemo}},
                                     {{"Steel", accented},
                                      {"Brass", longText},
                                      {"Tin", std::nullopt},
                                      {"Lead", ""},
                                      {"Zinc", longText + "!"},
                                      {"Iron", chained}}}},
                                   GetParam()));
    EXPECT_EQ(
        ado_test::ReadColumn(ado_test::OpenDatabase("kv.mdb"), "SELECT * FROM material", "note"),
        (std::vector<std::string>{"Zugspitze \xc3\xa4", longText, "<NULL>", "", longText + "!", chained}));
}

// An edit that makes a row longer than its room moves it to another page of its table and
// leaves a pointer to it in its old place; here the catalog row of material and two rows of
// result1, whose first page also keeps the offsets of two deleted rows. libmdb reads such a file
// as a real edited one is read; each row counts once.
TEST_P(JetFile, AnEditedFileReadsEachRowOnceAndMovedRowsWhereTheyNowLie) {
    jet::Table result1{"result1", {{"idr", ColumnType::kLong}, {"indexname", ColumnType::kText}}, {}};
    for (int i = 0; i < 5; ++i) result1.rows.push_back({std::to_string(i), "report " + std::to_string(i)});
    result1.movedRows = {1, 3};
    result1.deletedRows = 2;
    jet::Table material{"material", {{"material", ColumnType::kText}}, {{"Steel"}, {"Brass"}}};
    material.catalogRowMoved = true;
    ASSERT_TRUE(jet::WriteDatabase("kv.mdb", {material, result1}, GetParam()));

    MdbHandle* mdb = mdb_open("kv.mdb", MDB_NOFLAGS);
    ASSERT_NE(mdb, nullptr);
    ASSERT_NE(mdb_read_catalog(mdb, MDB_TABLE), nullptr);
    std::vector<std::string> names;
    for (unsigned i = 0; i < mdb->num_catalog; ++i)
        names.emplace_back(static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i))->object_name);
    EXPECT_EQ(names, (std::vector<std::string>{"result1", "material"}));
    MdbTableDef* def = mdb_read_table_by_name(mdb, const_cast<char*>("result1"), MDB_TABLE);
    ASSERT_NE(def, nullptr);
    mdb_read_columns(def);
    mdb_rewind_table(def);
    int rows = 0;
    while (mdb_fetch_row(def)) ++rows;
    EXPECT_EQ(rows, 5);
    mdb_free_tabledef(def);
    mdb_close(mdb);

    const _ConnectionPtr c = ado_test::OpenDatabase("kv.mdb");
    EXPECT_EQ(ado_test::ReadColumn(c, "SELECT * FROM result1", "idr"),
              (std::vector<std::string>{"0", "2", "4", "1", "3"}));
    EXPECT_EQ(ado_test::ReadColumn(c, "SELECT * FROM result1", "indexname"),
              (std::vector<std::string>{"report 0", "report 2", "report 4", "report 1", "report 3"}));
    EXPECT_EQ(ado_test::ReadColumn(c, "SELECT distinct * FROM material", "material"),
              (std::vector<std::string>{"Steel", "Brass"}));
}

INSTANTIATE_TEST_SUITE_P(Formats, JetFile, ::testing::Values(Format::kJet3, Format::kJet4),
                         [](const auto& info) { return info.param == Format::kJet3 ? "Jet3" : "Jet4"; });

}  // namespace
