// CKvDlg::LoadQueryLists on database files written by the tests: each list gets its first entry
// and the distinct values of its query; failures show their box and leave the lists as the
// lister describes.
#include <gtest/gtest.h>

#include <memory>

#include "KvDlg.h"
#include "afx_testing.h"
#include "jet3_file.h"
#include "scratch_dir.h"

namespace {

using jet3::ColumnType;
using Texts = std::vector<std::string>;

Texts Entries(const CComboBox& list) {
    Texts out;
    for (int i = 0; i < list.GetCount(); ++i) out.push_back(list.GetLBText(i));
    return out;
}

jet3::Table Result1() {
    return {"result1",
            {{"indexname", ColumnType::kText}, {"idr", ColumnType::kLong}, {"data", ColumnType::kDouble}},
            {{std::nullopt, "5", "2.5"},
             {"pull", "3", "10"},
             {"Push", "7", std::nullopt},
             {"push", std::nullopt, "1"},
             {std::nullopt, "3", "2.5"},
             {"bend", "5", "0.125"}}};
}

jet3::Table Material() {
    // A material with two grades is one material.
    return {"material",
            {{"material", ColumnType::kText}, {"grade", ColumnType::kText}},
            {{"Steel", "A"}, {"Brass", std::nullopt}, {"Steel", "B"}, {std::nullopt, "C"}}};
}

jet3::Table Hard() {
    return {"hard", {{"hard", ColumnType::kInt}}, {{"60"}, {"45"}, {"60"}}};
}

class LoadQueryListsTest : public ::testing::Test {
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

TEST_F(LoadQueryListsTest, MissingDatabaseShowsLinkFailAndChangesNoList) {
    EXPECT_EQ(dlg_->LoadQueryLists(), 0);
    EXPECT_EQ(BoxTexts(), (Texts{"Database link fail!"}));
    for (CComboBox* list : Lists()) {
        EXPECT_EQ(Entries(*list), (Texts{"earlier"}));
        EXPECT_EQ(list->GetCurSel(), 0);
    }
}

TEST_F(LoadQueryListsTest, EachListHoldsItsFirstEntryThenTheDistinctValuesInOrder) {
    ASSERT_TRUE(jet3::WriteDatabase("kv.mdb", {Result1(), Material(), Hard()}));
    EXPECT_EQ(dlg_->LoadQueryLists(), 1);
    EXPECT_TRUE(BoxTexts().empty());

    // NULL rows add nothing; names differing only in case are one name; numbers become text.
    EXPECT_EQ(Entries(dlg_->m_cbIndexName), (Texts{"全部索引名", "bend", "pull", "Push"}));
    EXPECT_EQ(Entries(dlg_->m_cbMaterial), (Texts{"全部材料", "Steel", "Brass"}));
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

TEST_F(LoadQueryListsTest, EmptyTablesLeaveOnlyTheFirstEntries) {
    ASSERT_TRUE(jet3::WriteDatabase("kv.mdb", {{"result1", Result1().columns, {}},
                                               {"material", Material().columns, {}},
                                               {"hard", Hard().columns, {}}}));
    EXPECT_EQ(dlg_->LoadQueryLists(), 1);
    EXPECT_EQ(Entries(dlg_->m_cbIndexName), (Texts{"全部索引名"}));
    EXPECT_EQ(Entries(dlg_->m_cbMaterial), (Texts{"全部材料"}));
    EXPECT_EQ(Entries(dlg_->m_cbHard), (Texts{"kgf"}));
    EXPECT_EQ(Entries(dlg_->m_cbIdr1), (Texts{"全部编号"}));
    EXPECT_EQ(Entries(dlg_->m_cbData2), (Texts{"000"}));
}

TEST_F(LoadQueryListsTest, MissingTableShowsItsErrorKeepsEarlierListsAndLeavesLaterOnes) {
    ASSERT_TRUE(jet3::WriteDatabase("kv.mdb", {Result1(), Material()}));
    EXPECT_EQ(dlg_->LoadQueryLists(), 0);
    EXPECT_EQ(BoxTexts(), (Texts{"IDispatch error #3127"}));
    EXPECT_EQ(Entries(dlg_->m_cbIndexName), (Texts{"全部索引名", "bend", "pull", "Push"}));
    EXPECT_EQ(Entries(dlg_->m_cbMaterial), (Texts{"全部材料", "Steel", "Brass"}));
    EXPECT_EQ(Entries(dlg_->m_cbHard), (Texts{"kgf"}));
    for (CComboBox* list : {&dlg_->m_cbIdr1, &dlg_->m_cbIdr2, &dlg_->m_cbData1, &dlg_->m_cbData2})
        EXPECT_EQ(Entries(*list), (Texts{"earlier"}));
    EXPECT_EQ(dlg_->m_pConnection->GetState(), adStateOpen);
}

TEST_F(LoadQueryListsTest, MissingColumnShowsItsErrorInItsOwnStep) {
    jet3::Table result1 = Result1();
    result1.columns[2].name = "value";  // no "data" column
    ASSERT_TRUE(jet3::WriteDatabase("kv.mdb", {result1, Material(), Hard()}));
    EXPECT_EQ(dlg_->LoadQueryLists(), 0);
    EXPECT_EQ(BoxTexts(), (Texts{"IDispatch error #3088"}));
    EXPECT_EQ(Entries(dlg_->m_cbIdr2), (Texts{"全部编号", "3", "5", "7"}));
    EXPECT_EQ(Entries(dlg_->m_cbData1), (Texts{"999"}));
    EXPECT_EQ(Entries(dlg_->m_cbData2), (Texts{"000"}));
}

}  // namespace
