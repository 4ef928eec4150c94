// Field values: their variant types, NULL told from "", and the standard text of each type.
#include <gtest/gtest.h>

#include "jet_file.h"
#include "query_reader.h"
#include "scratch_dir.h"

namespace {

using jet::ColumnType;

class ValuesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(jet::WriteDatabase(
            "kv.mdb", {{"result1",
                        {{"t", ColumnType::kText},
                         {"b", ColumnType::kByte},
                         {"i", ColumnType::kInt},
                         {"l", ColumnType::kLong},
                         {"f", ColumnType::kFloat},
                         {"d", ColumnType::kDouble},
                         {"m", ColumnType::kMoney},
                         {"w", ColumnType::kDateTime},
                         {"y", ColumnType::kBool}},
                        {{"", "200", "-5", "70000", "2.5", "0.1", "12", "45000.5", "1"},
                         {std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                          std::nullopt, std::nullopt, std::nullopt},
                         {"Zugspitze \xe4", "0", "0", "-1", "1e20", "123456789.125", "-3", "45000", "0"}}}}));
        r_.CreateInstance(CLSID_Recordset);
        r_->Open("SELECT * FROM result1", _variant_t(ado_test::OpenDatabase("kv.mdb")), adOpenDynamic,
                 adLockOptimistic, adCmdText);
    }

    std::string Text(const char* column) { return static_cast<const char*>(_bstr_t(r_->GetCollect(column))); }

    ado_test::ScratchDir dir_;
    _RecordsetPtr r_;
};

TEST_F(ValuesTest, EachTypeComesAsItsVariantAndItsStandardText) {
    EXPECT_EQ(r_->GetCollect("t").vt, VT_BSTR);
    EXPECT_EQ(r_->GetCollect("b").vt, VT_UI1);
    EXPECT_EQ(r_->GetCollect("i").vt, VT_I2);
    EXPECT_EQ(r_->GetCollect("l").vt, VT_I4);
    EXPECT_EQ(r_->GetCollect("f").vt, VT_R4);
    EXPECT_EQ(r_->GetCollect("d").vt, VT_R8);
    EXPECT_EQ(r_->GetCollect("m").vt, VT_CY);
    EXPECT_EQ(r_->GetCollect("w").vt, VT_DATE);
    EXPECT_EQ(r_->GetCollect("y").vt, VT_BOOL);
    EXPECT_EQ(Text("b"), "200");
    EXPECT_EQ(Text("i"), "-5");
    EXPECT_EQ(Text("L"), "70000");  // column names in any case
    EXPECT_EQ(Text("f"), "2.5");
    EXPECT_EQ(Text("d"), "0.1");
    EXPECT_EQ(Text("m"), "12");
    EXPECT_EQ(Text("w"), "3/15/2023 12:00:00 PM");
    EXPECT_EQ(Text("y"), "-1");

    r_->MoveNext();
    r_->MoveNext();
    EXPECT_EQ(Text("t"), "Zugspitze \xc3\xa4");
    EXPECT_EQ(Text("f"), "1E+20");
    EXPECT_EQ(Text("d"), "123456789.125");
    EXPECT_EQ(Text("m"), "-3");
    EXPECT_EQ(Text("w"), "3/15/2023");
    EXPECT_EQ(Text("y"), "0");
}

TEST_F(ValuesTest, NullIsToldFromEmptyTextAndHasNoText) {
    _variant_t empty = r_->GetCollect("t");
    EXPECT_EQ(empty.vt, VT_BSTR);
    EXPECT_EQ(empty.bstrVal, "");
    r_->MoveNext();
    for (const char* c : {"t", "b", "i", "l", "f", "d", "m", "w"}) {
        _variant_t v = r_->GetCollect(c);
        EXPECT_EQ(v.vt, VT_NULL) << c;
        try {
            _bstr_t text(v);
            ADD_FAILURE() << c << " NULL converted to text";
        } catch (const _com_error& e) {
            EXPECT_EQ(e.Error(), DISP_E_TYPEMISMATCH);
        }
    }
    // A Yes/No field is never NULL: its value is the row's null bit.
    EXPECT_EQ(r_->GetCollect("y").vt, VT_BOOL);
    EXPECT_EQ(r_->GetCollect("y").boolVal, VARIANT_FALSE);
}

TEST_F(ValuesTest, TheRecordsetKeepsItsConnectionAndStopsAtTheEnd) {
    // The connection pointer that opened it is gone: the recordset holds its own reference.
    int rows = 0;
    while (!r_->GetadoEOF()) {
        ++rows;
        r_->MoveNext();
    }
    EXPECT_EQ(rows, 3);
    EXPECT_THROW(r_->GetCollect("t"), _com_error);
    EXPECT_THROW(r_->MoveNext(), _com_error);
    r_->Close();
    EXPECT_EQ(r_->GetState(), adStateClosed);
    EXPECT_THROW(r_->GetadoEOF(), _com_error);
}

// A damaged file may hold any bits in a date: only the years 100 to 9999 have a text, the rest
// (NaN, 1e300, a day past either end) is a type mismatch rather than a made-up date.
TEST(DateValues, ADateOutsideTheYears100To9999HasNoText) {
    ado_test::ScratchDir dir;
    ASSERT_TRUE(jet::WriteDatabase(
        "kv.mdb",
        {{"result1",
          {{"w", ColumnType::kDateTime}},
          {{"-657434.5"}, {"2958465.5"}, {"nan"}, {"1e300"}, {"-1e300"}, {"2958466"}, {"-657435"}}}},
        jet::Format::kJet4));
    _RecordsetPtr r;
    r.CreateInstance(CLSID_Recordset);
    r->Open("SELECT * FROM result1", _variant_t(ado_test::OpenDatabase("kv.mdb")), adOpenDynamic,
            adLockOptimistic, adCmdText);
    EXPECT_EQ(std::string(_bstr_t(r->GetCollect("w"))), "1/1/100 12:00:00 PM");
    r->MoveNext();
    EXPECT_EQ(std::string(_bstr_t(r->GetCollect("w"))), "12/31/9999 12:00:00 PM");
    for (r->MoveNext(); !r->GetadoEOF(); r->MoveNext()) {
        const _variant_t v = r->GetCollect("w");
        EXPECT_EQ(v.vt, VT_DATE);
        try {
            const std::string text = _bstr_t(v).str();
            ADD_FAILURE() << v.date << " read as " << text;
        } catch (const _com_error& e) {
            EXPECT_EQ(e.Error(), DISP_E_TYPEMISMATCH);
        }
    }
}

// A negative date counts its days back from 30 December 1899 but its time forward within the
// day: a time that rounds up to midnight is the next day's start, as for a positive date.
TEST(DateValues, ANegativeDateRoundingToMidnightIsTheNextDay) {
    ado_test::ScratchDir dir;
    ASSERT_TRUE(jet::WriteDatabase("kv.mdb",
                                   {{"result1",
                                     {{"w", ColumnType::kDateTime}},
                                     {{"-0.99999999"}, {"-1.99999999"}, {"-657434.9999999"}}}},
                                   jet::Format::kJet4));
    EXPECT_EQ(ado_test::ReadColumn(ado_test::OpenDatabase("kv.mdb"), "SELECT * FROM result1", "w"),
              (std::vector<std::string>{"12/31/1899", "12/30/1899", "1/2/100"}));
}

}  // namespace
