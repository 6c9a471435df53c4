#pragma once
// Crossover filters of an output channel.

#include <cstdint>

inline constexpr int kFilterButterworth = 1;
inline constexpr int kFilterLinkwitzRiley = 2;
inline constexpr int kFilterBessel = 3;
inline constexpr int kSlopeMax = 8;  // filter order; n x 6 dB per octave

// One high-pass or low-pass filter. Values from the device or the user go through the
// setters, which correct what is out of range; `bypass` follows `slope` and is never set
// on its own.
struct FilterSetting {
    std::int32_t fs = 20;                    // corner frequency, Hz, 20..20000
    std::int32_t type = kFilterButterworth;  // 1 Butterworth, 2 Linkwitz-Riley, 3 Bessel
    std::int32_t slope = 0;                  // order 0..8; 0 = filter off
    std::int32_t bypass = 1;                 // 1 when slope is 0

    // Outside 20..20000 stores 20.
    void SetFs(int hz);
    // Outside 1..3 stores 1 (Butterworth).
    void SetType(int filterType);
    // A negative order stores 0; `bypass` becomes 1 for order 0, else 0.
    void SetSlope(int order);

    bool operator==(const FilterSetting&) const = default;
};

inline constexpr int kBpHighPassOn = 1;
inline constexpr int kBpLowPassOn = 2;

struct Crossover {
    // kBpHighPassOn | kBpLowPassOn as given by the default crossover of a speaker position;
    // carried unchanged otherwise.
    std::int32_t bpType = 0;
    FilterSetting hp;
    FilterSetting lp;

    bool operator==(const Crossover&) const = default;
};
