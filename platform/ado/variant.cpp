#include "variant.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

_variant_t::_variant_t(std::int16_t v, VARTYPE type) : vt(type == VT_BOOL ? VT_BOOL : VT_I2), iVal(v) {}

_variant_t::_variant_t(double v, VARTYPE type) : vt(type == VT_DATE ? VT_DATE : VT_R8), dblVal(v) {}

_variant_t::_variant_t(std::shared_ptr<Connection> dispatch)
    : vt(VT_DISPATCH), lVal(0), pdispVal(std::move(dispatch)) {}

_variant_t _variant_t::Null() {
    _variant_t v;
    v.vt = VT_NULL;
    return v;
}

_bstr_t::_bstr_t(const _variant_t& v) : m_text(ado_detail::VariantText(v)) {}

namespace ado_detail {

namespace {

constexpr int kSingleDigits = 7;
constexpr int kDoubleDigits = 15;
// Day 0 of a date value, as days from 1970-01-01.
constexpr long kDateEpochOffset = -25569;
// The days of 1 January 100 and 31 December 9999, the range of a date value.
constexpr double kFirstDate = -657434;
constexpr double kLastDate = 2958465;

std::string Number(double d, int digits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*G", digits, d);
    return buf;
}

// Year, month, day of a count of days since 1970-01-01 (proleptic Gregorian).
void CivilFromDays(long z, long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
}

std::string DateText(DATE value) {
    // A damaged file may hold any bits here: only dates the variant date holds have a text.
    if (!(value > kFirstDate - 1 && value < kLastDate + 1)) _com_issue_error(DISP_E_TYPEMISMATCH);
    // The whole part counts days from 30 December 1899, backwards for a negative date; the
    // fraction is the time into that day either way (-1.25 is 29 December, 6 AM). A time that
    // rounds up to midnight is the start of the next day, whichever the sign.
    double days = std::trunc(value);
    double fraction = std::fabs(value - days);
    long seconds = std::lround(fraction * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += 1;
        if (days < kFirstDate || days > kLastDate) _com_issue_error(DISP_E_TYPEMISMATCH);
    }
    char buf[64];
    std::string out;
    if (days != 0 || seconds == 0) {
        long y;
        unsigned m, d;
        CivilFromDays(static_cast<long>(days) + kDateEpochOffset, y, m, d);
        std::snprintf(buf, sizeof buf, "%u/%u/%ld", m, d, y);
        out = buf;
    }
    if (seconds != 0) {
        long h = seconds / 3600;
        long h12 = h % 12 == 0 ? 12 : h % 12;
        std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld %s", h12, seconds / 60 % 60, seconds % 60,
                      h < 12 ? "AM" : "PM");
        if (!out.empty()) out += ' ';
        out += buf;
    }
    return out;
}

std::string CurrencyText(CY cy) {
    const bool negative = cy.int64 < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(cy.int64) : static_cast<std::uint64_t>(cy.int64);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%llu.%04llu", negative ? "-" : "",
                  static_cast<unsigned long long>(magnitude / 10000),
                  static_cast<unsigned long long>(magnitude % 10000));
    std::string s = buf;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

}  // namespace

std::string VariantText(const _variant_t& v) {
    switch (v.vt) {
        case VT_EMPTY:
            return "";
        case VT_BSTR:
            return v.bstrVal;
        case VT_UI1:
            return std::to_string(v.bVal);
        case VT_I2:
        case VT_BOOL:  // VARIANT_TRUE is -1
            return std::to_string(v.iVal);
        case VT_I4:
            return std::to_string(v.lVal);
        case VT_R4:
            return Number(v.fltVal, kSingleDigits);
        case VT_R8:
            return Number(v.dblVal, kDoubleDigits);
        case VT_CY:
            return CurrencyText(v.cyVal);
        case VT_DATE:
            return DateText(v.date);
        default:
            _com_issue_error(DISP_E_TYPEMISMATCH);
    }
}

}  // namespace ado_detail
