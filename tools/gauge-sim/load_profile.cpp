// What the simulated gauge measures at reading n.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "gauge_sim.h"

namespace orva::sim {
namespace {

// Uniform in [-1, 1), from seed and n alone, so a run can be predicted reading by reading.
double NoiseUnit(std::uint32_t seed, std::uint64_t n) {
    std::uint64_t z = (static_cast<std::uint64_t>(seed) << 32) ^ n;
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) / 9007199254740992.0 * 2.0 - 1.0;
}

double Ramp(const LoadProfile& p, double n) {
    const double v = p.start + p.slopePerReading * n;
    if (p.slopePerReading > 0 && v > p.peak && p.start <= p.peak) return p.peak;
    if (p.slopePerReading < 0 && v < p.peak && p.start >= p.peak) return p.peak;
    return v;
}

// The first reading that is at the peak, or -1 when the ramp never gets there.
double ReadingsToPeak(const LoadProfile& p) {
    if (p.slopePerReading == 0) return p.start == p.peak ? 0 : -1;
    const double steps = (p.peak - p.start) / p.slopePerReading;
    if (!std::isfinite(steps) || steps < 0) return -1;
    return std::ceil(steps - 1e-9);
}

}  // namespace

double ProfileValue(const LoadProfile& p, std::uint32_t seed, std::uint64_t n) {
    using Kind = LoadProfile::Kind;
    if (p.kind == Kind::Sequence) {
        return p.sequence.empty() ? 0.0 : std::atof(p.sequence[n % p.sequence.size()].c_str());
    }
    const double x = static_cast<double>(n);
    double v = p.start;
    switch (p.kind) {
        case Kind::Constant:
        case Kind::Noise:
        case Kind::Sequence:
            break;
        case Kind::Ramp:
            v = Ramp(p, x);
            break;
        case Kind::Hold:
        case Kind::Break: {
            const double top = ReadingsToPeak(p);
            const double holdEnd = top + static_cast<double>(p.holdReadings);
            if (top < 0 || x <= holdEnd) {
                v = Ramp(p, x);
            } else if (p.kind == Kind::Break) {
                v = p.peak * p.breakShare * 0.5;
            } else {
                v = p.peak - p.slopePerReading * (x - holdEnd);
                if ((p.slopePerReading > 0 && v < p.start) || (p.slopePerReading < 0 && v > p.start))
                    v = p.start;
            }
            break;
        }
    }
    if (p.noise != 0) v += p.noise * NoiseUnit(seed, n);
    return v;
}

std::string ProfileNumberText(const LoadProfile& p, std::uint32_t seed, std::uint64_t n) {
    if (p.kind == LoadProfile::Kind::Sequence) {
        return p.sequence.empty() ? std::string("0") : p.sequence[n % p.sequence.size()];
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", std::clamp(p.decimals, 0, 9), ProfileValue(p, seed, n));
    return text;
}

}  // namespace orva::sim
