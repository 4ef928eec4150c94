// How the provider compares values for DISTINCT and ORDER BY. Text compares as Jet's General
// sort order does for the cases that matter here: without regard to case (Unicode simple case
// folding of the UTF-8 text), then by code point. NULL sorts before every value; numbers,
// dates and currency compare by value.
#pragma once

#include <cstdint>
#include <string>

#include "variant.h"

namespace ado_detail {

// The text's sort key: two texts are equal for DISTINCT when their keys are equal.
std::string FoldedText(const std::string& text);
bool SameName(const std::string& a, const std::string& b);
// A value prepared for comparison (the text folded once).
struct SortKey {
    int kind = 0;  // NULL first, then numbers, currency, text, other
    double number = 0;
    std::int64_t currency = 0;
    std::string bytes;
};
SortKey KeyOf(const _variant_t& v);
// <0, 0, >0. Values of one column have one type; values of different kinds compare by kind.
int CompareKeys(const SortKey& a, const SortKey& b);
int CompareValues(const _variant_t& a, const _variant_t& b);

}  // namespace ado_detail
