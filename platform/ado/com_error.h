// COM status codes and the exception that the data-access objects throw for every failure.
#pragma once

#include <string>

#include "win32_types.h"

using HRESULT = LONG;

constexpr HRESULT S_OK = 0;
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}
constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}

// Status codes used here (the values the real objects use).
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
// Provider errors: no such input table, a command it cannot run, an unknown column name.
constexpr HRESULT DB_E_NOTABLE = static_cast<HRESULT>(0x80040E37u);
constexpr HRESULT DB_E_ERRORSINCOMMAND = static_cast<HRESULT>(0x80040E14u);
constexpr HRESULT DB_E_PARAMNOTOPTIONAL = static_cast<HRESULT>(0x80040E10u);
// Data-access object errors.
constexpr HRESULT ADO_E_ITEMNOTFOUND = static_cast<HRESULT>(0x800A0CC1u);
constexpr HRESULT ADO_E_NOCURRENTRECORD = static_cast<HRESULT>(0x800A0BCDu);
constexpr HRESULT ADO_E_OBJECTCLOSED = static_cast<HRESULT>(0x800A0E78u);
constexpr HRESULT ADO_E_OBJECTOPEN = static_cast<HRESULT>(0x800A0E79u);
constexpr HRESULT ADO_E_PROVIDERNOTFOUND = static_cast<HRESULT>(0x800A0E7Au);
constexpr HRESULT ADO_E_INVALIDCONNECTION = static_cast<HRESULT>(0x800A0E7Du);

class _com_error {
public:
    explicit _com_error(HRESULT hr) : m_hr(hr) {}

    HRESULT Error() const { return m_hr; }
    // The system's text for the code without its line end; codes it has no text for read
    // "IDispatch error #n" (0x80040201 to 0x8004FFFF, n counted from 0x80040200) or
    // "Unknown error 0x%0lX".
    std::string ErrorMessage() const;

private:
    HRESULT m_hr;
};

[[noreturn]] void _com_issue_error(HRESULT hr);
