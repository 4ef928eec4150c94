#include "text_collation.h"

#include <glib.h>

#include <cmath>

namespace ado_detail {

std::string FoldedText(const std::string& text) {
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        gchar* folded = g_utf8_casefold(text.data(), static_cast<gssize>(text.size()));
        std::string out = folded ? folded : "";
        g_free(folded);
        return out;
    }
    // Not UTF-8: fold ASCII letters only and keep the other bytes.
    std::string out = text;
    for (char& c : out) c = AsciiLower(c);
    return out;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsAsciiSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool SameName(const std::string& a, const std::string& b) {
    return FoldedText(a) == FoldedText(b);
}

namespace {

enum class Kind { kNull, kNumber, kCurrency, kText, kOther };

Kind KindOf(const _variant_t& v) {
    switch (v.vt) {
        case VT_EMPTY:
        case VT_NULL:
            return Kind::kNull;
        case VT_UI1:
        case VT_I2:
        case VT_BOOL:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_DATE:
            return Kind::kNumber;
        case VT_CY:
            return Kind::kCurrency;
        case VT_BSTR:
            return Kind::kText;
        default:
            return Kind::kOther;
    }
}

double NumberOf(const _variant_t& v) {
    switch (v.vt) {
        case VT_UI1:
            return v.bVal;
        case VT_I2:
        case VT_BOOL:
            return v.iVal;
        case VT_I4:
            return v.lVal;
        case VT_R4:
            return v.fltVal;
        default:
            return v.dblVal;
    }
}

template <class T>
int Order(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

SortKey KeyOf(const _variant_t& v) {
    SortKey k;
    Kind kind = KindOf(v);
    k.kind = static_cast<int>(kind);
    switch (kind) {
        case Kind::kNull:
            break;
        case Kind::kNumber:
            k.number = NumberOf(v);
            break;
        case Kind::kCurrency:
            k.currency = v.cyVal.int64;
            break;
        case Kind::kText:
            k.bytes = FoldedText(v.bstrVal);
            break;
        case Kind::kOther:
            k.bytes = v.bstrVal;
            break;
    }
    return k;
}

int CompareKeys(const SortKey& a, const SortKey& b) {
    if (a.kind != b.kind) return Order(a.kind, b.kind);
    switch (static_cast<Kind>(a.kind)) {
        case Kind::kNull:
            return 0;
        case Kind::kNumber:
            // NaN equals no number, so it would leave the order undefined and make DISTINCT
            // drop other values: every NaN is one value, after every number.
            if (std::isnan(a.number) || std::isnan(b.number))
                return Order(std::isnan(a.number), std::isnan(b.number));
            return Order(a.number, b.number);
        case Kind::kCurrency:
            return Order(a.currency, b.currency);
        case Kind::kText:
        case Kind::kOther:
            return Order(a.bytes, b.bytes);
    }
    return 0;
}

int CompareValues(const _variant_t& a, const _variant_t& b) {
    return CompareKeys(KeyOf(a), KeyOf(b));
}

}  // namespace ado_detail
