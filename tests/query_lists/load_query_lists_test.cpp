// CKvDlg::LoadQueryLists on database files written by the tests: each list gets its first entry
// and the distinct values of its query; failures show their box and leave the lists as the
// lister describes.
#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <memory>

#include "KvDlg.h"
#include "afx_testing.h"
#include "jet_file.h"
#include "scratch_dir.h"
#include "win32_registry.h"

namespace {

using jet::ColumnType;
using Texts = std::vector<std::string>;

Texts Entries(const CComboBox& list) {
    Texts out;
    for (int i = 0; i < list.GetCount(); ++i) out.push_back(list.GetLBText(i));
    return out;
}

jet::Table Result1() {
    return {"result1",
            {{"indexname", ColumnType::kText}, {"idr", ColumnType::kLong}, {"data", ColumnType::kDouble}},
            {{std::nullopt, "5", "2.5"},
             {"pull", "3", "10"},
             {"Push", "7", std::nullopt},
             {"push", std::nullopt, "1"},
             {std::nullopt, "3", "2.5"},
             {"bend", "5", "0.125"}}};
}

jet::Table Material() {
    // DISTINCT over whole rows: a material with two grades is listed twice.
    return {"material",
            {{"material", ColumnType::kText}, {"grade", ColumnType::kText}},
            {{"Steel", "A"}, {"Brass", std::nullopt}, {"Steel", "B"}, {std::nullopt, "C"}}};
}

jet::Table Hard() {
    return {"hard", {{"hard", ColumnType::kInt}}, {{"60"}, {"45"}, {"60"}}};
}

// Every case runs on a Jet 3 and on a Jet 4 file.
class LoadQueryListsTest : public ::testing::TestWithParam<jet::Format> {
protected:
    static void SetUpTestSuite() { afx::testing::EnsureApplication(); }

    void SetUp() override {
        afx::testing::ClearShownBoxes();
        dlg_ = std::make_unique<CKvDlg>();
        // What the lists held before: a list the lister does not reach keeps it.
        for (CComboBox* list : Lists()) {
            list->AddString("earlier");
            list->SetCurSel(0);
        }
    }

    std::vector<CComboBox*> Lists() {
        return {&dlg_->m_cbIdr2, &dlg_->m_cbData1,    &dlg_->m_cbData2, &dlg_->m_cbIndexName,
                &dlg_->m_cbIdr1, &dlg_->m_cbMaterial, &dlg_->m_cbHard};
    }

    std::vector<std::string> BoxTexts() {
        std::vector<std::string> out;
        for (const auto& box : afx::testing::ShownBoxes()) out.push_back(box.text);
        return out;
    }

    ado_test::ScratchDir dir_;
    std::unique_ptr<CKvDlg> dlg_;
};

TEST_P(LoadQueryListsTest, MissingDatabaseShowsLinkFailAndChangesNoList) {
    EXPECT_EQ(dlg_->LoadQueryLists(), 0);
    EXPECT_EQ(BoxTexts(), (Texts{"Database link fail!"}));
    for (CComboBox* list : Lists()) {
        EXPECT_EQ(Entries(*list), (Texts{"earlier"}));
        EXPECT_EQ(list->GetCurSel(), 0);
    }
}

TEST_P(LoadQueryListsTest, EachListHoldsItsFirstEntryThenTheDistinctValuesInOrder) {
    ASSERT_TRUE(jet::WriteDatabase("kv.mdb", {Result1(), Material(), Hard()}, GetParam()));
    EXPECT_EQ(dlg_->LoadQueryLists(), 1);
    EXPECT_TRUE(BoxTexts().empty());

    // NULL rows add nothing; names differing only in case are one name; numbers become text.
    EXPECT_EQ(Entries(dlg_->m_cbIndexName), (Texts{"全部索引名", "bend", "pull", "Push"}));
    EXPECT_EQ(Entries(dlg_->m_cbMaterial), (Texts{"全部材料", "Steel", "Brass", "Steel"}));
    EXPECT_EQ(Entries(dlg_->m_cbHard), (Texts{"kgf", "60", "45"}));
    EXPECT_EQ(Entries(dlg_->m_cbIdr1), (Texts{"全部编号", "3", "5", "7"}));
    EXPECT_EQ(Entries(dlg_->m_cbIdr2), (Texts{"全部编号", "3", "5", "7"}));
    EXPECT_EQ(Entries(dlg_->m_cbData1), (Texts{"999", "0.125", "1", "2.5", "10"}));
    EXPECT_EQ(Entries(dlg_->m_cbData2), (Texts{"000", "0.125", "1", "2.5", "10"}));
    for (CComboBox* list : Lists()) EXPECT_EQ(list->GetCurSel(), 0);

    // The connection stays open, and a second run fills the lists afresh.
    ASSERT_TRUE(dlg_->m_pConnection);
    EXPECT_EQ(dlg_->m_pConnection->GetState(), adStateOpen);
    EXPECT_EQ(dlg_->LoadQueryLists(), 1);
    EXPECT_EQ(Entries(dlg_->m_cbIdr2), (Texts{"全部编号", "3", "5", "7"}));
}

TEST_P(LoadQueryListsTest, EmptyTablesLeaveOnlyTheFirstEntries) {
    ASSERT_TRUE(jet::WriteDatabase("kv.mdb",
                                   {{"result1", Result1().columns, {}},
                                    {"material", Material().columns, {}},
                                    {"hard", Hard().columns, {}}},
                                   GetParam()));
    EXPECT_EQ(dlg_->LoadQueryLists(), 1);
    EXPECT_EQ(Entries(dlg_->m_cbIndexName), (Texts{"全部索引名"}));
    EXPECT_EQ(Entries(dlg_->m_cbMaterial), (Texts{"全部材料"}));
    EXPECT_EQ(Entries(dlg_->m_cbHard), (Texts{"kgf"}));
    EXPECT_EQ(Entries(dlg_->m_cbIdr1), (Texts{"全部编号"}));
    EXPECT_EQ(Entries(dlg_->m_cbData2), (Texts{"000"}));
}

TEST_P(LoadQueryListsTest, MissingTableShowsItsErrorKeepsEarlierListsAndLeavesLaterOnes) {
    ASSERT_TRUE(jet::WriteDatabase("kv.mdb", {Result1(), Material()}, GetParam()));
    EXPECT_EQ(dlg_->LoadQueryLists(), 0);
    EXPECT_EQ(BoxTexts(), (Texts{"IDispatch error #3127"}));
    EXPECT_EQ(Entries(dlg_->m_cbIndexName), (Texts{"全部索引名", "bend", "pull", "Push"}));
    EXPECT_EQ(Entries(dlg_->m_cbMaterial), (Texts{"全部材料", "Steel", "Brass", "Steel"}));
    EXPECT_EQ(Entries(dlg_->m_cbHard), (Texts{"kgf"}));
    for (CComboBox* list : {&dlg_->m_cbIdr1, &dlg_->m_cbIdr2, &dlg_->m_cbData1, &dlg_->m_cbData2})
        EXPECT_EQ(Entries(*list), (Texts{"earlier"}));
    EXPECT_EQ(dlg_->m_pConnection->GetState(), adStateOpen);
}

TEST_P(LoadQueryListsTest, MissingColumnShowsItsErrorInItsOwnStep) {
    jet::Table result1 = Result1();
    result1.columns[2].name = "value";  // no "data" column
    ASSERT_TRUE(jet::WriteDatabase("kv.mdb", {result1, Material(), Hard()}, GetParam()));
    EXPECT_EQ(dlg_->LoadQueryLists(), 0);
    EXPECT_EQ(BoxTexts(), (Texts{"IDispatch error #3088"}));
    EXPECT_EQ(Entries(dlg_->m_cbIdr2), (Texts{"全部编号", "3", "5", "7"}));
    EXPECT_EQ(Entries(dlg_->m_cbData1), (Texts{"999"}));
    EXPECT_EQ(Entries(dlg_->m_cbData2), (Texts{"000"}));
}

TEST_P(LoadQueryListsTest, AMaterialTableWithoutAMaterialColumnFailsWhileItsRowsAreRead) {
    // "SELECT distinct *" opens; reading the missing column from its first row is not caught.
    ASSERT_TRUE(jet::WriteDatabase(
        "kv.mdb", {Result1(), {"material", {{"name", ColumnType::kText}}, {{"Steel"}}}, Hard()}, GetParam()));
    try {
        dlg_->LoadQueryLists();
        ADD_FAILURE() << "no error";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), ADO_E_ITEMNOTFOUND);
    }
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(Entries(dlg_->m_cbIndexName), (Texts{"全部索引名", "bend", "pull", "Push"}));
    EXPECT_EQ(Entries(dlg_->m_cbMaterial), (Texts{"全部材料"}));
    EXPECT_EQ(Entries(dlg_->m_cbHard), (Texts{"earlier"}));
}

INSTANTIATE_TEST_SUITE_P(Formats, LoadQueryListsTest,
                         ::testing::Values(jet::Format::kJet3, jet::Format::kJet4),
                         [](const auto& info) { return info.param == jet::Format::kJet3 ? "Jet3" : "Jet4"; });

// The user's LC_CTYPE is the program's. In tr_TR.UTF-8 toupper('i') is 'i' and tolower('I') is
// 'I': query keywords, registry key names and a combo box's exact search must not care.
TEST_F(LoadQueryListsTest, UnderATurkishLocaleTheListsFillAndAsciiNamesMatch) {
    const std::filesystem::path locales = dir_.Path() / "locales";
    std::filesystem::create_directory(locales);
    const std::string build =
        "localedef -i tr_TR -f UTF-8 '" + (locales / "tr_TR.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(build.c_str()) != 0) GTEST_SKIP() << "tr_TR.UTF-8 cannot be built here (localedef)";
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    setenv("LOCPATH", locales.c_str(), 1);
    const bool turkish = std::setlocale(LC_CTYPE, "tr_TR.UTF-8") != nullptr;
    unsetenv("LOCPATH");
    if (!turkish) GTEST_SKIP() << "tr_TR.UTF-8 was built but does not load";
    const int upperI = std::toupper(static_cast<unsigned char>('i'));
    EXPECT_EQ(upperI, int{'i'}) << "not the Turkish upper case";

    jet::Table result1 = Result1();
    result1.rows.push_back({"tie", "9", "4"});
    ASSERT_TRUE(jet::WriteDatabase("kv.mdb", {result1, Material(), Hard()}, jet::Format::kJet4));
    const BOOL loaded = dlg_->LoadQueryLists();
    const int found = dlg_->m_cbIndexName.FindStringExact(-1, "TIE");
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "hardware\\devicemap\\serialcomm", 0, 0, &key);
    if (opened == ERROR_SUCCESS) RegCloseKey(key);
    std::setlocale(LC_CTYPE, previous.c_str());

    EXPECT_EQ(loaded, 1);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(Entries(dlg_->m_cbIndexName), (Texts{"全部索引名", "bend", "pull", "Push", "tie"}));
    EXPECT_EQ(Entries(dlg_->m_cbIdr1), (Texts{"全部编号", "3", "5", "7", "9"}));
    EXPECT_EQ(found, 4);
    EXPECT_EQ(opened, ERROR_SUCCESS);
}

}  // namespace
