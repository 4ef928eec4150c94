// Force and torque unit conversion in two steps: from the unit a test was acquired in to a base
// value (N for forces, N.m for torques), then from the base value to the unit chosen for display.
// Arithmetic in double, in the order the tables give (g applied first, then the factor, then the
// divisor), so that a value converts to the same bits wherever it is converted. Unit texts are
// compared exactly, case included. No window is needed: the Acquisition page and the tests use it.
#pragma once

#include <string_view>

namespace units {

// One row of a table: g applied (+1 multiplied, -1 divided, 0 not used), then x mul, then / div.
struct Factor {
    std::string_view text;
    int gravity;
    double mul;
    double div;
};

// Step 1: the acquisition unit as the gauge sends it, with its leading blank (" kgf").
// nullptr for a text outside the table.
const Factor* AcquisitionFactor(std::string_view unit);
// Step 2: the unit chosen for display, without blank ("kgf"). nullptr outside the table.
const Factor* DisplayFactor(std::string_view unit);

// v through one step; a missing factor leaves v as it is.
double Apply(const Factor* factor, double v, double g);

// A value in N, as the gauge's memory keeps it, in a unit of the upload list ("N", "mN", "gf",
// "kgf", "ozf", "lbf"); any other text leaves it in N.
double FromNewtons(double value, std::string_view unit, double g);

// The family a test's unit belongs to, by its acquisition text, and the units offered for it.
enum class Family { Force, Torque, Pressure };
Family FamilyOf(std::string_view acquisitionUnit);

inline constexpr std::string_view kForceUnits[] = {"N", "kN", "mN", "gf", "kgf", "tf", "lbf", "klbf", "ozf"};
inline constexpr std::string_view kTorqueUnits[] = {"N.m", "N.cm", "kgf.cm", "lbf.ft", "lbf.in"};
inline constexpr int kForceDefault = 4;   // "kgf"
inline constexpr int kTorqueDefault = 0;  // "N.m"

}  // namespace units
