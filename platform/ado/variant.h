// Variants and text strings of the data-access objects. Text is the program's byte text
// (UTF-8); a conversion that cannot be made throws _com_error.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "com_error.h"

using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
using DATE = double;  // days since 30 December 1899; the fraction is the time of day

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_BOOL = 11,
    VT_UI1 = 17,
    VT_ARRAY = 0x2000,
};

// Currency: a count of ten-thousandths.
struct CY {
    std::int64_t int64;
};

class Connection;
class _variant_t;

class _bstr_t {
public:
    _bstr_t() = default;
    _bstr_t(const char* s) : m_text(s ? s : "") {}
    _bstr_t(std::string s) : m_text(std::move(s)) {}
    // The standard conversion of a value to text (throws DISP_E_TYPEMISMATCH for NULL).
    _bstr_t(const _variant_t& v);

    operator const char*() const { return m_text.c_str(); }
    unsigned length() const { return static_cast<unsigned>(m_text.size()); }
    const std::string& str() const { return m_text; }

private:
    std::string m_text;
};

class _variant_t {
public:
    _variant_t() = default;
    _variant_t(const char* s) : vt(VT_BSTR), bstrVal(s ? s : "") {}
    _variant_t(std::string s) : vt(VT_BSTR), bstrVal(std::move(s)) {}
    _variant_t(const _bstr_t& s) : vt(VT_BSTR), bstrVal(s.str()) {}
    _variant_t(std::uint8_t v) : vt(VT_UI1), bVal(v) {}
    _variant_t(std::int16_t v, VARTYPE type = VT_I2);  // VT_I2 or VT_BOOL
    _variant_t(std::int32_t v) : vt(VT_I4), lVal(v) {}
    _variant_t(float v) : vt(VT_R4), fltVal(v) {}
    _variant_t(double v, VARTYPE type = VT_R8);  // VT_R8 or VT_DATE
    _variant_t(CY v) : vt(VT_CY), cyVal(v) {}
    // An interface variant: holds its own reference to the connection.
    _variant_t(std::shared_ptr<Connection> dispatch);

    static _variant_t Null();

    VARTYPE vt = VT_EMPTY;
    union {
        std::int64_t llVal = 0;
        std::uint8_t bVal;
        std::int16_t iVal;
        std::int32_t lVal;
        float fltVal;
        double dblVal;
        DATE date;
        VARIANT_BOOL boolVal;
        CY cyVal;
    };
    std::string bstrVal;                   // VT_BSTR; the bytes of VT_ARRAY | VT_UI1
    std::shared_ptr<Connection> pdispVal;  // VT_DISPATCH
};

namespace ado_detail {
// The text of a value by the standard variant-to-string rules (numbers in the "C" form of the
// en-US defaults, dates M/D/YYYY h:mm:ss AM, Yes/No as -1 and 0). Throws _com_error, also for a
// date that is not finite or lies outside the years 100 to 9999.
std::string VariantText(const _variant_t& v);
}  // namespace ado_detail
