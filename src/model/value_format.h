#pragma once
// Text forms, reading rules and up/down steps of the values shown on the main page and in
// the small settings dialogs. Pure functions: the window layer copies a slider's range and
// position into a SliderState, calls these, and writes the position back.
//
// Language keys: where a value is shown as a word ("${off}"), the text functions return the
// key and the window layer translates it. The readers take the text the edit currently
// shows for that key (its translation) as `offText`, so that typing the word back reads as
// the value it stands for.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/eq_band.h"
#include "model/value_ranges.h"

inline constexpr std::string_view kOffKey = "${off}";

// Slider ranges, in positions of each quantity's slider unit.
inline constexpr int kMainVolumeSliderMin = kMainVolume.SliderMin();  // 1 dB per position
inline constexpr int kMainVolumeSliderMax = kMainVolume.SliderMax();
inline constexpr int kChVolumeSliderMin = kChannelLevel.SliderMin();  // 0.1 dB per position
inline constexpr int kChVolumeSliderMax = kChannelLevel.SliderMax();
inline constexpr int kEqGainSliderMin = kEqGain.SliderMin();  // 0.1 dB per position
inline constexpr int kEqGainSliderMax = kEqGain.SliderMax();
inline constexpr int kDelaySliderMax = kDelay.SliderMax();  // 1 us per position

// One up/down action, in slider positions (or in the value's own unit for Q).
inline constexpr double kMainVolumeStep = kMainVolume.Positions(kMainVolume.step);
inline constexpr double kAccStep = 1.0;
inline constexpr double kChVolumeStep = kChannelLevel.Positions(kChannelLevel.step);  // 0.5 dB
inline constexpr double kDelayStep = kDelay.Positions(kDelay.step);                   // 21 us
inline constexpr double kEqGainStep = kEqGain.Positions(kEqGain.step);                // 0.1 dB
inline constexpr double kEqQStep = kEqQ.step;

// Delay limits in each display unit: 15 ms is 519 cm and 204 in.
inline constexpr double kDelayMaxCm = 519.0;
inline constexpr double kDelayMaxInch = 204.0;

// Input noise threshold: -61 stands for off.
inline constexpr int kNoiseThresholdOff = -61;
inline constexpr int kNoiseThresholdMax = -40;

// Items of "comb_ch_unit"; the model always holds milliseconds.
enum class DelayUnit { Milliseconds = 0, Centimetres = 1, Inches = 2 };
// Item index to unit; anything unknown shows milliseconds.
DelayUnit DelayUnitFromIndex(int index);

// A slider's range and position, as the toolkit holds them.
struct SliderState {
    int min = 0;
    int max = 100;
    int pos = 0;
};

// rnd(x): nearest integer, halves away from zero, saturated to the int range.
int RoundHalfAway(double x);

// Clamps `v` to the slider's range; when the result differs from the position, the slider
// is set to rnd(result). Returns whether it differed.
bool ClampToSlider(SliderState& slider, double v);
// Moves the slider by `step` up or down within its range. Returns false, leaving the slider
// alone, when the clamped target equals the position.
bool StepSlider(SliderState& slider, bool up, double step);

// ---- Text forms ----

// "%gdB" of rnd(volume); "${off}" at -60.
std::string MainVolumeText(double volume);
// "%d"; "${off}" when the value is the ACC slider's minimum.
std::string AccText(int acc, int sliderMin);
// "%.1fdB" of the slider position cut toward zero to 0.5 dB; "${off}" at the slider minimum.
std::string ChannelVolumeText(int sliderPos, int sliderMin = kChVolumeSliderMin);
// "%.3f ms", "%d cm" or "%d in"; the delay is limited to 0..15 ms first.
std::string DelayText(DelayUnit unit, double ms);
// Speaker-diagram labels: the same numbers without the unit.
std::string SpeakerDelayText(DelayUnit unit, double ms);
// "%dHz" for the crossover edits.
std::string CrossoverFreqText(int hz);
// The three edits of an EQ band. A band beyond the channel's `eqSize` shows "0", "0" and
// "0.0"; a disabled band and every band of a bypassed channel show gain "0.0".
struct EqBandTexts {
    std::string freq;  // "%d"
    std::string q;     // "%.2f"
    std::string gain;  // "%.1f"
};
EqBandTexts EqBandTextsFor(const EqBand& band, int bandIndex, int eqSize, bool channelBypassed);
std::string EqFreqText(int hz);
std::string EqQText(double q);
std::string EqGainText(double gainDb);
// "%ddBu"; "${off}" at -61 and below.
std::string NoiseThresholdText(int threshold);

// ---- Reading typed text ----

// Leading integer: blanks, optional sign, digits; the rest is ignored; no digits reads 0.
// Saturates at the int range instead of overflowing.
int LeadingInt(std::string_view text);
// The same with an optional decimal point and fraction ("12.5dB" reads 12.5). No exponent,
// no "inf" or "nan", whatever the process locale.
double LeadingDecimal(std::string_view text);
// Whether the typed text is the word shown for off (blanks around it and ASCII case do not
// matter; an empty `offText` matches nothing).
bool IsOffText(std::string_view text, std::string_view offText);

// Main volume in dB before clamping: -60 for the off word, else the leading integer.
int ReadMainVolume(std::string_view text, std::string_view offText);
// ACC before clamping: the slider minimum for the off word, else the leading integer.
int ReadAcc(std::string_view text, std::string_view offText, int sliderMin);
// Channel volume in dB before clamping: -60.0 for the off word, else the decimal.
double ReadChannelVolume(std::string_view text, std::string_view offText);
// Typed delay, in the current unit, as milliseconds within 0..15. Centimetres and inches are
// cut to whole units.
double ReadDelay(DelayUnit unit, std::string_view text);
// A frequency in Hz. With "k" or "K" the number before it counts in kHz, decimals included
// ("1.5k" 1500, "12k" 12000), and a whole number may carry one digit of hundreds after the
// "k" ("2k5" 2500). Otherwise the leading integer ("120Hz" 120). Saturates at the int range.
int ReadFrequency(std::string_view text);
// An EQ band frequency, or nullopt when outside 20..20000 (the band keeps its frequency).
std::optional<int> ReadEqFrequency(std::string_view text);
// HP and LP frequencies: clamped to 20..20000; an HP typed above the channel's LP frequency
// becomes the LP frequency, an LP typed below the HP frequency becomes the HP frequency.
int ReadHpFrequency(std::string_view text, int lpFreq);
int ReadLpFrequency(std::string_view text, int hpFreq);
// EQ Q clamped to 0.5..9.0.
double ReadEqQ(std::string_view text);
// Noise threshold: -61 for the off word, else the leading integer; clamped to -61..-40.
int ReadNoiseThreshold(std::string_view text, std::string_view offText);
// Service numbers (DSP memory address and data): "0x"/"0X" hexadecimal, a leading "0" octal,
// else decimal; reading stops at the first character that is no digit of the base; leading
// blanks are skipped; empty reads 0. Saturates at 0xFFFFFFFF rather than wrapping.
std::uint32_t ReadMemoryNumber(std::string_view text);

// ---- Quantising and steps ----

// Limits ms to 0..15 and, for centimetres and inches, moves it onto a whole unit.
double QuantizeDelay(DelayUnit unit, double ms);

// One logarithmic step on the 200-step scale from 20 Hz to 20 kHz; a step that rounds back
// to `hz` takes a double step. Values outside 20..20000 are taken at the nearer end.
int FreqStep(int hz, bool up);
// EQ band frequency step; nullopt for up at 20000 or down at 20.
std::optional<int> StepEqFrequency(int hz, bool up);
// Crossover steps as EQ frequency steps; the HP frequency is capped at the LP frequency and
// the LP frequency floored at the HP frequency.
std::optional<int> StepHpFrequency(int hp, int lp, bool up);
std::optional<int> StepLpFrequency(int lp, int hp, bool up);
// Q step of 0.05 within 0.5..9.0; nullopt when already at the end it moves toward.
std::optional<double> StepEqQ(double q, bool up);
// One delay step on the delay slider (1 us per position), then quantised to the display unit;
// nullopt when the slider is already at the end. The slider keeps the stepped position.
std::optional<double> StepDelay(SliderState& slider, bool up, DelayUnit unit);
// Noise threshold +1 / -1 within -61..-40; a value below -60 counts as off (-61).
int StepNoiseThreshold(int threshold, bool up);
