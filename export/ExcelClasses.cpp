#include "ExcelClasses.h"

using namespace ole;

void _Application::SetVisible(int visible) {
    InvokeHelper(0x22E, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, {DispArg::Bool(visible)});
}

IDispatch* _Application::GetWorkbooks() {
    IDispatch* result = nullptr;
    InvokeHelper(0x23C, DISPATCH_PROPERTYGET, VT_DISPATCH, &result);
    return result;
}

void _Application::Quit() {
    InvokeHelper(0x12E, DISPATCH_METHOD, VT_EMPTY, nullptr);
}

IDispatch* Workbooks::Add(const VARIANT& templateArg) {
    IDispatch* result = nullptr;
    InvokeHelper(0xB5, DISPATCH_METHOD, VT_DISPATCH, &result, {DispArg::Variant(templateArg)});
    return result;
}

IDispatch* _Workbook::GetWorksheets() {
    IDispatch* result = nullptr;
    InvokeHelper(0x1EE, DISPATCH_PROPERTYGET, VT_DISPATCH, &result);
    return result;
}

IDispatch* Worksheets::GetItem(const VARIANT& index) {
    IDispatch* result = nullptr;
    InvokeHelper(0xAA, DISPATCH_PROPERTYGET, VT_DISPATCH, &result, {DispArg::Variant(index)});
    return result;
}

void _Worksheet::SetName(const char* name) {
    InvokeHelper(0x6E, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, {DispArg::Text(name)});
}

IDispatch* _Worksheet::GetCells() {
    IDispatch* result = nullptr;
    InvokeHelper(0xEE, DISPATCH_PROPERTYGET, VT_DISPATCH, &result);
    return result;
}

void Range::SetItem(const VARIANT& rowIndex, const VARIANT& columnIndex, const VARIANT& value) {
    InvokeHelper(0xAA, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr,
                 {DispArg::Variant(rowIndex), DispArg::Variant(columnIndex), DispArg::Variant(value)});
}

void Range::SetColumnWidth(const VARIANT& width) {
    InvokeHelper(0xF2, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, {DispArg::Variant(width)});
}
