#pragma once
// One equaliser band and the default band frequencies.

#include <cstdint>
#include <span>

#include "model/value_ranges.h"

// The band's fields in their own types.
inline constexpr float kEqGainMin = static_cast<float>(kEqGain.min);  // dB
inline constexpr float kEqGainMax = static_cast<float>(kEqGain.max);
inline constexpr float kEqQMin = static_cast<float>(kEqQ.min);
inline constexpr float kEqQMax = static_cast<float>(kEqQ.max);
inline constexpr float kEqQDefault = static_cast<float>(*kEqQ.defaultValue);
inline constexpr int kFreqMin = static_cast<int>(kFrequency.min);  // Hz, bands and crossovers
inline constexpr int kFreqMax = static_cast<int>(kFrequency.max);

// 16 bytes, as laid out in the band arrays.
struct EqBand {
    float gain = static_cast<float>(*kEqGain.defaultValue);  // dB, kEqGainMin..kEqGainMax
    float q = kEqQDefault;                                   // kEqQMin..kEqQMax
    std::int32_t freq = kFreqMin;  // Hz; each band's default comes from the band-frequency table
    std::uint8_t enable = 1;       // 1 on, 0 off

    bool operator==(const EqBand&) const = default;
};
static_assert(sizeof(EqBand) == 16);

// Default band frequencies for a given number of bands: 11 octave steps for up to 11 bands,
// 21 half-octave steps for 12..21 bands, the 31 third-octave centres for 22 bands or more.
std::span<const int> BandFrequencyTable(int bandCount);
// Default frequency of `band` when the channel has `bandCount` bands. A band beyond the
// table (or a negative one) gets the table's nearest end instead of reading past it.
int DefaultBandFrequency(int bandCount, int band);
// A band at its defaults: 0 dB, Q 5.8, table frequency, enabled.
EqBand DefaultEqBand(int bandCount, int band);
