#include "UnitConversion.h"

#include <array>

namespace units {

namespace {

// Texts with their leading blank, exactly as the gauge ends its reading lines.
constexpr std::array<Factor, 14> kAcquisition = {{
    {" N", 0, 1.0, 1.0},
    {" kN", 0, 1000.0, 1.0},
    {" mN", 0, 1.0, 1000.0},
    {" kgf", +1, 1.0, 1.0},
    {" gf", +1, 1.0, 1000.0},
    {" tf", +1, 1000.0, 1.0},
    {" lbf", +1, 1.0, 2.2046},
    {" klbf", +1, 1.0, 0.0022046},
    {" ozf", +1, 1.0, 35.274},
    {" N.m", 0, 1.0, 1.0},
    {" N.cm", 0, 1.0, 100.0},
    {" kgf.cm", +1, 1.0, 100.0},
    {" lbf.ft", 0, 1.355848, 1.0},
    {" lbf.in", 0, 0.112987, 1.0},
}};

constexpr std::array<Factor, 14> kDisplay = {{
    {"N", 0, 1.0, 1.0},
    {"mN", 0, 1000.0, 1.0},
    {"kN", 0, 1.0, 1000.0},
    {"ozf", -1, 35.274, 1.0},
    {"lbf", -1, 2.2046, 1.0},
    {"klbf", -1, 0.0022046, 1.0},
    {"gf", -1, 1000.0, 1.0},
    {"kgf", -1, 1.0, 1.0},
    {"tf", -1, 1.0, 1000.0},
    {"N.m", 0, 1.0, 1.0},
    {"N.cm", 0, 100.0, 1.0},
    {"kgf.cm", -1, 100.0, 1.0},
    {"lbf.ft", 0, 0.737546, 1.0},
    {"lbf.in", 0, 8.850547, 1.0},
}};

// The upload list converts from N only; its own table keeps "kN" and the rest out of it.
constexpr std::array<Factor, 5> kFromNewtons = {{
    {"mN", 0, 1000.0, 1.0},
    {"ozf", -1, 35.274, 1.0},
    {"lbf", -1, 2.2046, 1.0},
    {"gf", -1, 1000.0, 1.0},
    {"kgf", -1, 1.0, 1.0},
}};

template <std::size_t N>
const Factor* Find(const std::array<Factor, N>& table, std::string_view unit) {
    for (const Factor& f : table)
        if (f.text == unit) return &f;
    return nullptr;
}

}  // namespace

const Factor* AcquisitionFactor(std::string_view unit) {
    return Find(kAcquisition, unit);
}

const Factor* DisplayFactor(std::string_view unit) {
    return Find(kDisplay, unit);
}

double Apply(const Factor* factor, double v, double g) {
    if (factor == nullptr) return v;
    if (factor->gravity > 0) v *= g;
    if (factor->gravity < 0) v /= g;
    // Multiplying or dividing by 1 is exact, so every row takes the same three steps.
    return v * factor->mul / factor->div;
}

double FromNewtons(double value, std::string_view unit, double g) {
    return Apply(Find(kFromNewtons, unit), value, g);
}

Family FamilyOf(std::string_view acquisitionUnit) {
    for (std::string_view torque : {" N.m", " N.cm", " kgf.cm", " lbf.ft", " lbf.in"})
        if (acquisitionUnit == torque) return Family::Torque;
    return acquisitionUnit == " MPa" ? Family::Pressure : Family::Force;
}

}  // namespace units
