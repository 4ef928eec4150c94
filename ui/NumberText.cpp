#include "NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace numtext {

namespace {

// to_chars with a precision prints what printf prints; a value that does not fit (none does
// not, at kMaxLength) falls back to printf itself.
std::string_view Finish(Buffer& out, std::to_chars_result r, const char* format, double value, int decimals) {
    if (r.ec == std::errc()) return std::string_view(out.text, static_cast<std::size_t>(r.ptr - out.text));
    const int n = std::snprintf(out.text, sizeof out.text, format, decimals, value);
    return std::string_view(out.text,
                            n < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), kMaxLength - 1));
}

}  // namespace

std::string_view Fixed(Buffer& out, double value, int decimals) {
    const auto r = std::to_chars(out.text, out.text + kMaxLength, value, std::chars_format::fixed, decimals);
    return Finish(out, r, "%.*f", value, decimals);
}

std::string_view General(Buffer& out, double value) {
    const auto r = std::to_chars(out.text, out.text + kMaxLength, value, std::chars_format::general, 6);
    return Finish(out, r, "%.*g", value, 6);
}

std::string_view Integer(Buffer& out, std::int64_t value) {
    const auto r = std::to_chars(out.text, out.text + kMaxLength, value);
    return std::string_view(out.text, static_cast<std::size_t>(r.ptr - out.text));
}

double Rounded(double value, int decimals) {
    Buffer buf;
    const std::string_view text = Fixed(buf, value, decimals);
    // Read back as atof does: correctly rounded to the nearest double.
    double back = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), back);
    return back;
}

float RoundedFloat(float value, int decimals) {
    static constexpr double kScale[] = {1.0, 10.0, 100.0, 1000.0, 10000.0};
    if (decimals < 0 || decimals > 4) return RoundedThrough(value, decimals);
    const double scale = kScale[decimals];
    return static_cast<float>(std::nearbyint(static_cast<double>(value) * scale) / scale);
}

}  // namespace numtext
