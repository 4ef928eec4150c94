// The printf formats the program turns numbers into text with ("%.4f", "%.3f", "%g", "%d"),
// written into a caller's buffer without allocating, for the paths that format millions of
// values (a unit conversion, a CSV export). The digits are exactly printf's in the "C" locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace numtext {

// Room for any double in "%.4f" (309 integer digits, sign, point, decimals).
inline constexpr std::size_t kMaxLength = 320;

struct Buffer {
    char text[kMaxLength];
};

std::string_view Fixed(Buffer& out, double value, int decimals);  // "%.<decimals>f"
std::string_view General(Buffer& out, double value);              // "%g"
std::string_view Integer(Buffer& out, std::int64_t value);        // "%d"

// The value as "%.<decimals>f" read back with atof: how the program rounds a load (4 decimals,
// into a float) or a time (3 decimals) before it keeps or shows it.
double Rounded(double value, int decimals);
inline float RoundedThrough(double value, int decimals) {
    return static_cast<float>(Rounded(value, decimals));
}

// The same for a float and up to 4 decimals, without the text: a float times 10^4 is exact in a
// double (24 + 14 bits of mantissa), so rounding it to an integer, ties to even, rounds exactly
// as printf does, and dividing by 10^4 reads the digits back as atof does.
float RoundedFloat(float value, int decimals);

}  // namespace numtext
