// The test files read back through libmdb itself, as plain (unencrypted) Jet 3 files.
#include "jet3_file.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <mdbtools.h>

#include "query_reader.h"
#include "scratch_dir.h"

namespace {

using jet3::ColumnType;

TEST(Jet3File, ReadsBackAsAnUnencryptedJet3FileWithItsTables) {
    ado_test::ScratchDir dir;
    ASSERT_TRUE(jet3::WriteDatabase("t.mdb", {{"result1", {{"indexname", ColumnType::kText}}, {{"a"}}},
                                              {"hard", {{"hard", ColumnType::kText}}, {}}}));
    MdbHandle* mdb = mdb_open("t.mdb", MDB_NOFLAGS);
    ASSERT_NE(mdb, nullptr);
    EXPECT_EQ(mdb->f->jet_version, static_cast<guint32>(MDB_VER_JET3));
    EXPECT_EQ(mdb->f->db_key, 0u);  // any other key reads every page after the first as garbage
    EXPECT_EQ(mdb->f->code_page, 1252);
    ASSERT_NE(mdb_read_catalog(mdb, MDB_TABLE), nullptr);
    std::vector<std::string> names;
    for (unsigned i = 0; i < mdb->num_catalog; ++i)
        names.emplace_back(static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i))->object_name);
    EXPECT_EQ(names, (std::vector<std::string>{"result1", "hard"}));
    mdb_close(mdb);
}

TEST(Jet3File, TableOverSeveralPagesReadsEveryRowInOrder) {
    ado_test::ScratchDir dir;
    jet3::Table t{"result1", {{"idr", ColumnType::kLong}, {"indexname", ColumnType::kText}}, {}};
    std::vector<std::string> expected;
    for (int i = 0; i < 600; ++i) {
        t.rows.push_back({std::to_string(i), "report number " + std::to_string(i)});
        expected.push_back(std::to_string(i));
    }
    ASSERT_TRUE(jet3::WriteDatabase("kv.mdb", {t}));
    ASSERT_GT(std::filesystem::file_size("kv.mdb"), 8 * jet3::kPageSize);
    EXPECT_EQ(ado_test::ReadColumn(ado_test::OpenDatabase("kv.mdb"), "SELECT idr FROM result1", "idr"),
              expected);
}

}  // namespace
