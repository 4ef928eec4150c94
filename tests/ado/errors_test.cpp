// Failures throw _com_error with the code the program's error box turns into text.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "jet_file.h"
#include "query_reader.h"
#include "scratch_dir.h"

namespace {

using jet::ColumnType;

HRESULT CodeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const _com_error& e) {
        return e.Error();
    }
    return S_OK;
}

TEST(ComError, MessageTextIsTheSystemsTextOrTheDispatchOrUnknownForm) {
    EXPECT_EQ(_com_error(E_POINTER).ErrorMessage(), "Invalid pointer");
    EXPECT_EQ(_com_error(E_FAIL).ErrorMessage(), "Unspecified error");
    EXPECT_EQ(_com_error(DB_E_NOTABLE).ErrorMessage(), "IDispatch error #3127");
    EXPECT_EQ(_com_error(DB_E_ERRORSINCOMMAND).ErrorMessage(), "IDispatch error #3092");
    EXPECT_EQ(_com_error(static_cast<HRESULT>(0x80040200u)).ErrorMessage(), "Unknown error 0x80040200");
    EXPECT_EQ(_com_error(static_cast<HRESULT>(0x80040201u)).ErrorMessage(), "IDispatch error #1");
    EXPECT_EQ(_com_error(static_cast<HRESULT>(0x8004FFFFu)).ErrorMessage(), "IDispatch error #65023");
    EXPECT_EQ(_com_error(static_cast<HRESULT>(0x80050000u)).ErrorMessage(), "Unknown error 0x80050000");
    EXPECT_EQ(_com_error(ADO_E_ITEMNOTFOUND).ErrorMessage(), "Unknown error 0x800A0CC1");
    EXPECT_EQ(_com_error(1).ErrorMessage(), "Unknown error 0x1");
}

TEST(ComPtr, CallingThroughAnEmptyPointerThrowsEPointer) {
    _ConnectionPtr c;
    EXPECT_EQ(CodeOf([&] { c->Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=kv.mdb", "", "", 0); }),
              E_POINTER);
    _RecordsetPtr r;
    EXPECT_EQ(r.CreateInstance(CLSID_Connection), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(r);
    EXPECT_EQ(CodeOf([&] { r->MoveNext(); }), E_POINTER);
    ASSERT_EQ(c.CreateInstance(CLSID_Connection), S_OK);
    EXPECT_TRUE(c);
}

TEST(Connection, OpensOnlyAJetFileInTheWorkingDirectoryThroughTheJetProvider) {
    ado_test::ScratchDir dir;
    auto open = [](const std::string& text) {
        return CodeOf([&] {
            _ConnectionPtr c;
            c.CreateInstance(CLSID_Connection);
            c->Open(text.c_str(), "", "", 0);
        });
    };
    EXPECT_EQ(open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=kv.mdb"), E_FAIL);  // no file yet
    ASSERT_TRUE(jet::WriteDatabase("kv.mdb", {{"hard", {{"hard", ColumnType::kText}}, {}}}));
    EXPECT_EQ(open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=kv.mdb"), S_OK);
    EXPECT_EQ(open(" provider = microsoft.jet.oledb.4.0 ; data source = .\\kv.mdb ;"), S_OK);
    EXPECT_EQ(open("Provider=SQLOLEDB;Data Source=kv.mdb"), ADO_E_PROVIDERNOTFOUND);
    EXPECT_EQ(open("Provider=Microsoft.Jet.OLEDB.4.0"), E_FAIL);
    std::filesystem::create_directory("sub");
    EXPECT_EQ(open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=sub"), E_FAIL);
    { std::ofstream("text.mdb") << "not a database"; }
    EXPECT_EQ(open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=text.mdb"), E_FAIL);
}

TEST(Recordset, NeedsAnOpenConnectionAndNamesItsColumns) {
    ado_test::ScratchDir dir;
    ASSERT_TRUE(jet::WriteDatabase("kv.mdb", {{"hard", {{"hard", ColumnType::kText}}, {{"60"}}}}));
    _ConnectionPtr c = ado_test::OpenDatabase("kv.mdb");
    _RecordsetPtr r;
    r.CreateInstance(CLSID_Recordset);
    EXPECT_EQ(CodeOf([&] {
                  r->Open("SELECT * FROM hard", _variant_t(), adOpenDynamic, adLockOptimistic, adCmdText);
              }),
              ADO_E_INVALIDCONNECTION);
    r->Open("SELECT * FROM hard", _variant_t(c), adOpenDynamic, adLockOptimistic, adCmdText);
    EXPECT_EQ(CodeOf([&] { r->GetCollect("material"); }), ADO_E_ITEMNOTFOUND);
    EXPECT_EQ(r->GetCollect(static_cast<std::int32_t>(0)).bstrVal, "60");
    EXPECT_EQ(CodeOf([&] {
                  r->Open("SELECT * FROM hard", _variant_t(c), adOpenDynamic, adLockOptimistic, adCmdText);
              }),
              ADO_E_OBJECTOPEN);
    r->Close();
    c->Close();
    EXPECT_EQ(c->GetState(), adStateClosed);
    EXPECT_EQ(CodeOf([&] {
                  r->Open("SELECT * FROM hard", _variant_t(c), adOpenDynamic, adLockOptimistic, adCmdText);
              }),
              ADO_E_INVALIDCONNECTION);
}

}  // namespace
