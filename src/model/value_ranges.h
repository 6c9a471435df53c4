#pragma once
// The range, default, slider unit, step and wire form of every tuned quantity, in one table.
// The model's limits, the sliders' ranges, the graph's axes and the encoders' field checks
// are all read from here, so that a limit changed in one place changes everywhere.

#include <optional>
#include <string_view>

// A whole-number field of command data, `bytes` wide (high byte first), holding min..max.
struct WireField {
    long long min = 0;
    long long max = 0;
    int bytes = 1;

    constexpr bool Holds(long long value) const { return value >= min && value <= max; }
};
inline constexpr WireField kWireByte{0, 0xFF, 1};
inline constexpr WireField kWireSignedByte{-0x80, 0x7F, 1};
inline constexpr WireField kWireWord{0, 0xFFFF, 2};

// How a value travels: (value + offset) x unitsPerWhole, rounded to the nearest integer,
// split toward zero into a whole part in `whole` and a remainder of the same sign in
// `fractionBytes` bytes (none for whole numbers). A field without negative wholes takes no
// negative remainder either: the device reads both parts with the same sign.
struct WireForm {
    double offset = 0.0;
    int unitsPerWhole = 1;
    WireField whole = kWireByte;
    int fractionBytes = 0;

    // Whether the whole part of `value` lies in the field. Exact for the whole numbers the
    // table's ends are; the encoders check the rounded parts themselves.
    constexpr bool Carries(double value) const {
        const double shifted = value + offset;
        return shifted >= static_cast<double>(whole.min) &&
               shifted < static_cast<double>(whole.max) + 1.0;
    }
};

struct ValueRange {
    std::string_view name;
    std::string_view unit;
    double min = 0.0;
    double max = 0.0;
    std::optional<double> defaultValue;  // none where it depends on the band or channel
    int sliderScale = 0;                 // slider positions per unit; 0: no linear slider
    double step = 0.0;                   // one up/down action, in the unit; 0: no fixed step
    WireForm wire;                       // of the value as its encoder takes it

    // Slider positions of a value in the unit, rounded half away from zero.
    constexpr int Positions(double value) const {
        const double p = value * sliderScale;
        return static_cast<int>(p < 0.0 ? p - 0.5 : p + 0.5);
    }
    constexpr int SliderMin() const { return Positions(min); }
    constexpr int SliderMax() const { return Positions(max); }
    constexpr bool SliderIsExact() const {
        return SliderMin() == min * sliderScale && SliderMax() == max * sliderScale;
    }
};

// One row per quantity. Columns: name, unit, min, max, default ({}: none), slider positions
// per unit, step; wire: offset, units per whole, whole-part field, remainder bytes.
// clang-format off
inline constexpr ValueRange kEqGain{
    "EQ gain",       "dB", -18.0, 12.0,    0.0,  10,   0.1,   {18.0, 10,   kWireByte,       1}};
inline constexpr ValueRange kEqQ{
    "EQ Q",          "",   0.5,   9.0,     5.8,  0,    0.05,  {0.0,  10,   kWireByte,       1}};
// Band and crossover frequencies alike; a band's default comes from the band-frequency table.
inline constexpr ValueRange kFrequency{
    "frequency",     "Hz", 20.0,  20000.0, {},   0,    0.0,   {0.0,  1,    kWireWord,       0}};
inline constexpr ValueRange kDelay{
    "delay",         "ms", 0.0,   15.0,    0.0,  1000, 0.021, {0.0,  1000, kWireByte,       2}};
// Output channel level; it travels as a positive attenuation (-level), in hundredths.
inline constexpr ValueRange kChannelLevel{
    "channel level", "dB", -60.0, 0.0,     0.0,  10,   0.5,   {0.0,  100,  kWireByte,       1}};
inline constexpr ValueRange kMainVolume{
    "main volume",   "dB", -60.0, 6.0,     -5.0, 1,    1.0,   {0.0,  1,    kWireSignedByte, 0}};
// clang-format on

// Slider positions must stand for the ends exactly, or a slider end would show a value
// outside the range.
static_assert(kEqGain.SliderIsExact() && kDelay.SliderIsExact());
static_assert(kChannelLevel.SliderIsExact() && kMainVolume.SliderIsExact());
// Every value of the model's range must travel without wrapping.
static_assert(kEqGain.wire.Carries(kEqGain.min) && kEqGain.wire.Carries(kEqGain.max));
static_assert(kEqQ.wire.Carries(kEqQ.min) && kEqQ.wire.Carries(kEqQ.max));
static_assert(kFrequency.wire.Carries(kFrequency.min) && kFrequency.wire.Carries(kFrequency.max));
static_assert(kDelay.wire.Carries(kDelay.min) && kDelay.wire.Carries(kDelay.max));
static_assert(kChannelLevel.wire.Carries(-kChannelLevel.min) &&
              kChannelLevel.wire.Carries(-kChannelLevel.max));
static_assert(kMainVolume.wire.Carries(kMainVolume.min) &&
              kMainVolume.wire.Carries(kMainVolume.max));
