#pragma once
// Frequency responses of the peaking EQ bands and the crossover filters, for drawing only:
// the DSP does the real filtering. Everything runs in double precision on the calling
// thread, keeps no state between calls and allocates nothing.

#include <array>
#include <span>

#include "model/crossover.h"
#include "model/value_ranges.h"

inline constexpr int CURVE_POINTS = 512;
inline constexpr double CURVE_SAMPLE_RATE = 48000.0;
inline constexpr int FREQ_MIN = static_cast<int>(kFrequency.min);  // Hz, graph and model range
inline constexpr int FREQ_MAX = static_cast<int>(kFrequency.max);

// A section level at or below -80 dB (power 1e-8) is drawn as this.
inline constexpr double kFloorPower = 1e-8;
inline constexpr double kFloorLevelDb = -400.0;  // 10 * log10(1e-40)

using FrequencyGrid = std::array<double, CURVE_POINTS>;

// (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2).
struct BiquadSection {
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;

    bool operator==(const BiquadSection&) const = default;
};

inline constexpr double kSectionEmpty = -1.0;
inline constexpr double kSectionFirstOrder = 0.0;
inline constexpr double kSectionSecondOrder = 1.0;

struct CrossoverSection {
    double q = 0.0;       // pole coefficient
    double cosine = 1.0;  // cosine of the warped angular frequency
    double kind = kSectionEmpty;

    bool operator==(const CrossoverSection&) const = default;
};

inline constexpr int kCrossoverSections = 4;

// Second-order sections first, then the first-order one of an odd order, then empty ones.
struct CrossoverDesign {
    std::array<CrossoverSection, kCrossoverSections> sections{};

    bool operator==(const CrossoverDesign&) const = default;
};

// Crossover type next to kFilterButterworth, kFilterLinkwitzRiley and kFilterBessel: one
// second-order section with 1/Q = 1 whatever the slope. Types outside 0..3 design undamped
// sections.
inline constexpr int kFilterSingleSection = 0;

// Entry i-1 = 10^(i * log10(sampleRate / 2) / (count - 1)) for i = 1 .. count-1; the last
// entry is the sample rate itself. The count is frequencies.size().
void BuildFrequencyGrid(double sampleRate, std::span<double> frequencies);

// The grid every channel curve uses (48000 Hz, 512 points), built once.
const FrequencyGrid& StandardFrequencyGrid();

// Peaking band. A 0 dB band is exactly flat, and a cut is the exact inverse of the boost of
// the same size. A band whose design has no finite coefficients (zero Q, 0 Hz, non-finite
// input) comes back flat rather than poisoning a whole curve with NaN.
BiquadSection DesignPeq(double sampleRate, double centreHz, double gainDb, double q);

// The filter type and order adjustments, then the order clamped to 1..8. Always 48000 Hz.
int CrossoverOrder(int order, int type);
CrossoverDesign DesignCrossover(bool isLowPass, double cornerHz, int order, int type);
// The section as a biquad; an empty section gives the identity.
BiquadSection CrossoverBiquad(const CrossoverSection& section, bool isLowPass);

// The evaluations below write one level in dB per frequency, for
// min(frequencies.size(), levels.size()) points. The angle of frequency f is pi * f / f_ref,
// f_ref being the second-to-last frequency (half the sample rate on a standard grid). An
// array of fewer than two points, or one whose reference is not a positive number, is
// evaluated against half of CURVE_SAMPLE_RATE instead.

// The level of the product of all sections, floored once.
void EvaluateCascade(std::span<const BiquadSection> sections, std::span<const double> frequencies,
                     std::span<double> levels);
void PeqResponse(double sampleRate, double centreHz, double gainDb, double q,
                 std::span<const double> frequencies, std::span<double> levels);
// The sum of the section levels, each floored on its own.
void CrossoverResponse(bool isLowPass, double cornerHz, int order, int type,
                       std::span<const double> frequencies, std::span<double> levels);
