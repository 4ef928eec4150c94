// How the provider compares values for DISTINCT and ORDER BY. Text compares without regard to
// case, by full Unicode case folding of the UTF-8 text (g_utf8_casefold: "Straße" and "STRASSE"
// are one text), then by the code points of the folded text. That is not Jet's General sort
// order for accented letters: Jet sorts "é" beside "e", here it comes after "z". Text that is
// not UTF-8 folds its ASCII letters only. NULL sorts before every value; numbers, dates and
// currency compare by value, a NaN after every number. Nothing here depends on the user's
// locale.
#pragma once

#include <cstdint>
#include <string>

#include "variant.h"

namespace ado_detail {

// The text's sort key: two texts are equal for DISTINCT when their keys are equal.
std::string FoldedText(const std::string& text);
bool SameName(const std::string& a, const std::string& b);
// Keywords and names of the query and connection texts are ASCII, whatever the user's locale.
char AsciiLower(char c);
bool IsAsciiSpace(char c);
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
