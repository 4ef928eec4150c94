// The dispatch driver and the interface classes as the server sees them: argument order and
// types, the named property-put argument, results, errors and who releases which interface.
#include <gtest/gtest.h>

#include <QString>

#include "ExcelClasses.h"
#include "dispatch_wrapper.h"
#include "recording_dispatch.h"

using namespace ole;
using xlsx_test::RecordingDispatch;

namespace {

TEST(DispatchRulesTest, VisibleSendsTrueAsMinusOneAndFalseAsZero) {
    RecordingDispatch server;
    _Application app(&server, false);
    app.SetVisible(1);
    app.SetVisible(7);
    app.SetVisible(0);
    ASSERT_EQ(server.calls.size(), 3u);
    const VARIANT_BOOL expected[] = {-1, -1, 0};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& call = server.calls[i];
        EXPECT_EQ(call.dispid, 0x22E);
        EXPECT_EQ(call.flags, DISPATCH_PROPERTYPUT);
        ASSERT_EQ(call.args.size(), 1u);
        EXPECT_EQ(call.args[0].vt, VT_BOOL);
        EXPECT_EQ(call.args[0].boolVal, expected[i]);
        EXPECT_EQ(call.named, std::vector<DISPID>{DISPID_PROPERTYPUT});
        EXPECT_FALSE(call.wantsResult);
    }
}

TEST(DispatchRulesTest, SetItemPlacesTheValueFirstAndNamesIt) {
    RecordingDispatch server;
    Range range(&server, false);
    range.SetItem(MakeI4(6), MakeI4(3), MakeText("   N"));
    ASSERT_EQ(server.calls.size(), 1u);
    const auto& call = server.calls[0];
    EXPECT_EQ(call.dispid, 0xAA);
    EXPECT_EQ(call.flags, DISPATCH_PROPERTYPUT);
    ASSERT_EQ(call.args.size(), 3u);
    EXPECT_EQ(call.args[0].vt, VT_BSTR);
    EXPECT_EQ(call.args[0].bstrVal, u"   N");
    EXPECT_EQ(call.args[1].vt, VT_I4);
    EXPECT_EQ(call.args[1].lVal, 3);
    EXPECT_EQ(call.args[2].vt, VT_I4);
    EXPECT_EQ(call.args[2].lVal, 6);
    EXPECT_EQ(call.named, std::vector<DISPID>{DISPID_PROPERTYPUT});

    // The same dispid as a getter on the sheets: no named argument, a result asked for.
    RecordingDispatch sheetsServer;
    RecordingDispatch sheet;
    sheetsServer.reply.vt = VT_DISPATCH;
    sheetsServer.reply.pdispVal = &sheet;
    Worksheets sheets(&sheetsServer, false);
    EXPECT_EQ(sheets.GetItem(MakeI4(1)), &sheet);
    ASSERT_EQ(sheetsServer.calls.size(), 1u);
    EXPECT_EQ(sheetsServer.calls[0].dispid, 0xAA);
    EXPECT_EQ(sheetsServer.calls[0].flags, DISPATCH_PROPERTYGET);
    EXPECT_TRUE(sheetsServer.calls[0].named.empty());
    EXPECT_TRUE(sheetsServer.calls[0].wantsResult);
}

TEST(DispatchRulesTest, EveryMemberMakesItsOwnCall) {
    RecordingDispatch server;
    server.reply.vt = VT_DISPATCH;
    server.reply.pdispVal = nullptr;
    _Application app(&server, false);
    app.GetWorkbooks();
    app.Quit();
    Workbooks books(&server, false);
    books.Add(MakeOmitted());
    _Workbook book(&server, false);
    book.GetWorksheets();
    _Worksheet sheet(&server, false);
    sheet.SetName("test");
    sheet.GetCells();
    Range range(&server, false);
    range.SetColumnWidth(MakeI4(10));
    struct Expected {
        DISPID dispid;
        std::uint16_t flags;
        std::size_t args;
    };
    const Expected expected[] = {{0x23C, 2, 0}, {0x12E, 1, 0}, {0xB5, 1, 1}, {0x1EE, 2, 0},
                                 {0x6E, 4, 1},  {0xEE, 2, 0},  {0xF2, 4, 1}};
    ASSERT_EQ(server.calls.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(server.calls[i].dispid, expected[i].dispid) << i;
        EXPECT_EQ(server.calls[i].flags, expected[i].flags) << i;
        EXPECT_EQ(server.calls[i].args.size(), expected[i].args) << i;
        EXPECT_EQ(server.calls[i].named.size(), expected[i].flags == 4 ? 1u : 0u) << i;
    }
    EXPECT_EQ(server.calls[2].args[0].vt, VT_ERROR);
    EXPECT_EQ(server.calls[2].args[0].scode, DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(server.calls[4].args[0].bstrVal, u"test");
    EXPECT_EQ(server.calls[6].args[0].lVal, 10);
}

TEST(DispatchRulesTest, TextReachesTheServerAsWideTextAndStrayBytesAsReplacements) {
    RecordingDispatch server;
    _Worksheet sheet(&server, false);
    sheet.SetName("测试 报告");
    sheet.SetName(" Run\xff\xfe 1");
    ASSERT_EQ(server.calls.size(), 2u);
    EXPECT_EQ(server.calls[0].args[0].bstrVal, u"测试 报告");
    EXPECT_EQ(server.calls[1].args[0].bstrVal, u" Run\uFFFD\uFFFD 1");
}

TEST(DispatchRulesTest, AnEmptyWrapperMakesNoCall) {
    _Application app;
    app.SetVisible(1);
    app.Quit();
    EXPECT_EQ(app.GetWorkbooks(), nullptr);
    Range range;
    range.SetItem(MakeI4(1), MakeI4(1), MakeText("x"));
    EXPECT_EQ(range.m_lpDispatch, nullptr);
}

TEST(DispatchRulesTest, AFailingGetterThrowsAndTheTargetKeepsItsInterface) {
    RecordingDispatch book;
    RecordingDispatch oldSheets;
    book.answer = DISP_E_MEMBERNOTFOUND;
    _Workbook workbook(&book, false);
    Worksheets sheets(&oldSheets);
    try {
        sheets.AttachDispatch(workbook.GetWorksheets());
        FAIL() << "no exception";
    } catch (const COleException& e) {
        EXPECT_EQ(e.m_sc, DISP_E_MEMBERNOTFOUND);
    }
    EXPECT_EQ(sheets.m_lpDispatch, &oldSheets);
    EXPECT_EQ(oldSheets.refs, 1);
    sheets.ReleaseDispatch();
    EXPECT_EQ(oldSheets.refs, 0);
}

HRESULT FillIn(EXCEPINFO* info) {
    info->bstrDescription = u"Filled in later";
    return S_OK;
}

TEST(DispatchRulesTest, ServerErrorsCarryTheirRecord) {
    RecordingDispatch server;
    server.answer = DISP_E_EXCEPTION;
    server.exception.wCode = 0;
    server.exception.bstrSource = u"Sheet server";
    server.exception.bstrDescription = u"数据 too long";
    server.exception.bstrHelpFile = u"help.chm";
    server.exception.dwHelpContext = 42;
    server.exception.scode = E_FAIL;
    _Application app(&server, false);
    try {
        app.Quit();
        FAIL() << "no exception";
    } catch (const COleDispatchException& e) {
        EXPECT_EQ(e.m_strDescription, "数据 too long");
        EXPECT_EQ(std::string(e.what()), "数据 too long");
        EXPECT_EQ(e.m_strSource, "Sheet server");
        EXPECT_EQ(e.m_strHelpFile, "help.chm");
        EXPECT_EQ(e.m_dwHelpContext, 42u);
        EXPECT_EQ(e.m_scError, E_FAIL);
    }
    server.exception = EXCEPINFO{};
    server.exception.pfnDeferredFillIn = FillIn;
    try {
        app.Quit();
        FAIL() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()), "Filled in later");
    }
}

TEST(DispatchRulesTest, ResultsAreConvertedOrRefused) {
    RecordingDispatch server;
    COleDispatchDriver driver(&server, false);
    server.reply.vt = VT_BOOL;
    server.reply.boolVal = VARIANT_TRUE;
    int flag = 7;
    driver.InvokeHelper(0x22E, DISPATCH_PROPERTYGET, VT_BOOL, &flag);
    EXPECT_EQ(flag, 1);
    server.reply = MakeText("名前");
    std::string text;
    driver.InvokeHelper(0x6E, DISPATCH_PROPERTYGET, VT_BSTR, &text);
    EXPECT_EQ(text, "名前");

    // An interface where a number was asked for: refused, and the interface released.
    RecordingDispatch stray;
    stray.refs = 2;
    server.reply = VARIANT{};
    server.reply.vt = VT_DISPATCH;
    server.reply.pdispVal = &stray;
    std::int32_t number = 0;
    try {
        driver.InvokeHelper(0x95, DISPATCH_PROPERTYGET, VT_I4, &number);
        FAIL() << "no exception";
    } catch (const COleException& e) {
        EXPECT_EQ(e.m_sc, DISP_E_TYPEMISMATCH);
    }
    EXPECT_EQ(stray.refs, 1);
}

TEST(DispatchRulesTest, WrappersCountReferencesAsTheyShould) {
    RecordingDispatch a;
    RecordingDispatch b;
    {
        _Application first(&a);  // takes over a's one reference
        EXPECT_EQ(a.refs, 1);
        _Application second(&b);
        second = first;  // b released, a shared
        EXPECT_EQ(b.refs, 0);
        EXPECT_EQ(a.refs, 2);
        auto& same = second;
        second = same;
        EXPECT_EQ(a.refs, 2);
        COleDispatchDriver copy(first);
        EXPECT_EQ(a.refs, 3);
        COleDispatchDriver notOwned(&b, false);
        notOwned.AttachDispatch(&a, false);
        EXPECT_EQ(b.refs, 0);
        EXPECT_EQ(a.refs, 3);
    }
    EXPECT_EQ(a.refs, 0);
    EXPECT_EQ(b.refs, 0);
}

TEST(DispatchRulesTest, OnlyTheSpreadsheetServerCanBeCreated) {
    COleDispatchDriver driver;
    COleException error(S_OK);
    EXPECT_FALSE(driver.CreateDispatch("Word.Application", &error));
    EXPECT_EQ(error.m_sc, CO_E_CLASSSTRING);
    EXPECT_EQ(driver.m_lpDispatch, nullptr);
    EXPECT_TRUE(driver.CreateDispatch("Excel.Application", &error));
    EXPECT_NE(driver.m_lpDispatch, nullptr);
}

}  // namespace

namespace {

TEST(DispatchRulesTest, PlainWrapperTakesOverItsReferenceAndCallsByNumber) {
    RecordingDispatch server;
    server.refs = 2;  // the test's and the one handed over
    {
        CDispatchWrapper wrapper(&server);
        wrapper.Method5();
        wrapper.Method6();
        server.reply = MakeI4(9);
        EXPECT_EQ(wrapper.GetProperty1(), 9);
        EXPECT_EQ(wrapper.GetProperty54(), 9);
        EXPECT_EQ(wrapper.GetProperty56(), 9);
        wrapper.SetProperty54(3);
        wrapper.SetProperty56(4);
        server.reply = VARIANT{};
        server.reply.vt = VT_BOOL;
        server.reply.boolVal = VARIANT_TRUE;
        EXPECT_EQ(wrapper.GetProperty57(), 1);
        wrapper.SetProperty57(5);
        _Workbook typed;
        typed = wrapper;
        EXPECT_EQ(server.refs, 3);
    }
    EXPECT_EQ(server.refs, 1);
    struct Expected {
        DISPID dispid;
        std::uint16_t flags;
    };
    const Expected expected[] = {{5, 1},  {6, 1},  {1, 2},  {54, 2}, {56, 2},
                                 {54, 4}, {56, 4}, {57, 2}, {57, 4}};
    ASSERT_EQ(server.calls.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(server.calls[i].dispid, expected[i].dispid) << i;
        EXPECT_EQ(server.calls[i].flags, expected[i].flags) << i;
    }
    EXPECT_EQ(server.calls[5].args[0].lVal, 3);
    EXPECT_EQ(server.calls[8].args[0].vt, VT_BOOL);
    EXPECT_EQ(server.calls[8].args[0].boolVal, VARIANT_TRUE);
}

}  // namespace

namespace {

// Valid text against Qt's conversion; bad bytes by the rule that each byte that cannot start a
// character, and each cut-off character (the longest valid start of one), is one U+FFFD.
TEST(TextConversionTest, ValidTextRoundTripsAndEachBadPieceIsOneReplacement) {
    const std::string valid[] = {"", "   N", "测试 報告 Ünïcode", "emoji \xf0\x9f\x98\x80 end"};
    for (const auto& s : valid) {
        const QString qt = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
        const std::u16string expected(reinterpret_cast<const char16_t*>(qt.utf16()),
                                      static_cast<std::size_t>(qt.size()));
        EXPECT_EQ(ToWide(s), expected) << s;
        EXPECT_EQ(ToNarrow(ToWide(s)), s);
    }
    const std::pair<std::string, std::u16string> bad[] = {
        {"\xff", u"\uFFFD"},
        {"a\xc3", u"a\uFFFD"},
        {"\xe6\xb5x", u"\uFFFDx"},  // a cut-off character
        {"\xf0\x9f\x98", u"\uFFFD"},
        {"\xed\xa0\x80", u"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
        {"\xc0\xaf", u"\uFFFD\uFFFD"},                      // an overlong form
        {"\xf4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
        {"x\x80\x80y", u"x\uFFFD\uFFFDy"},
        {"\xe0\x9f\x80", u"\uFFFD\uFFFD\uFFFD"}};
    for (const auto& [in, expected] : bad) EXPECT_EQ(ToWide(in), expected) << in;
    EXPECT_EQ(ToNarrow(std::u16string(u"a") + char16_t(0xD800) + u"b"), "a\uFFFDb");
    EXPECT_EQ(ToNarrow(std::u16string(1, char16_t(0xDC00))), "\uFFFD");
}

}  // namespace
