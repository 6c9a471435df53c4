#pragma once
// Data bytes of the DSP, karaoke and flash commands, built without any I/O so that every
// encoding can be checked byte for byte. Scaled values are rounded to the nearest unit of
// their resolution before they are split into an integer part and a fraction.
//
// A value its wire field cannot hold is refused (nullopt, with a log line) rather than cut
// to a byte: a wrapped byte would set the device to some other value without a sign.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <vector>

#include "link/hid_device.h"
#include "model/eq_band.h"
#include "model/value_ranges.h"

namespace tonvia::commands {
using Payload = std::vector<std::uint8_t>;

// value x unitsPerWhole rounded to the nearest integer, split toward zero into the whole
// part and the remainder (both carry the sign of the value).
struct SplitValue {
    long whole = 0;
    long fraction = 0;
};
SplitValue SplitScaled(double value, int unitsPerWhole);

// One value and the field it travels in (an unsigned byte unless given).
struct WireValue {
    constexpr WireValue(long long v, WireField f = kWireByte) : value(v), field(f) {}
    long long value;
    WireField field;
};
// The values one after another, each in its field, high byte first.
std::optional<Payload> BuildFields(std::initializer_list<WireValue> values);
// `value` in `form`: the whole part, then the remainder; `what` names it in the log.
std::optional<Payload> EncodeScaled(double value, const WireForm& form, const char* what);

// Q of a written EQ band: integer part, tenths.
std::optional<std::array<std::uint8_t, 2>> EncodeQ(float q);
// EQ gain: gain + 18 dB as integer part, tenths; -18 dB is 0, 0.
std::optional<std::array<std::uint8_t, 2>> EncodeEqGain(float gainDb);
// Delay: integer ms, then the thousandths as a big-endian 16-bit number.
std::optional<std::array<std::uint8_t, 3>> EncodeDelay(float ms);
// Output trim (a positive attenuation): integer, hundredths; or the integer part alone.
std::optional<Payload> EncodeTrim(float attenuationDb, bool twoBytes);
// Integer part and tenths, both signed (two's complement bytes).
std::optional<std::array<std::uint8_t, 2>> EncodeTenths(double value);
// A time in ms as seconds and tenths of a second.
std::optional<std::array<std::uint8_t, 2>> EncodeReleaseSeconds(int ms);
// 0..0xFFFF, high byte first.
std::optional<std::array<std::uint8_t, 2>> BigEndian16(int value);
std::array<std::uint8_t, 4> LittleEndian32(std::uint32_t value);
// Mixer input mask: one byte while fewer than 9 inputs, else two bytes, high first; bits
// beyond the inputs are dropped.
Payload EncodeMixMask(std::uint32_t mask, int inChannels);

// Number of indices from first to last inclusive; 0 when last is below first.
int RangeCount(int first, int last);

}  // namespace tonvia::commands

struct CHidDevice::BandSetting {
    int freq = 0;  // Hz
    float q = 0.0f;
    float gain = 0.0f;  // dB
};

struct CHidDevice::ChannelPair {
    int from = 0;
    int to = 0;
};

struct CHidDevice::Compressor2Setting {
    float threshold = 0.0f;  // dB
    int attack = 0;          // ms
    int release = 0;         // ms
};

namespace tonvia::commands {

using BandSetting = CHidDevice::BandSetting;
using ChannelPair = CHidDevice::ChannelPair;
using Compressor2Setting = CHidDevice::Compressor2Setting;

// The frequency, Q and gain of a model band.
BandSetting ToBandSetting(const EqBand& band);

// Range commands: the header (scene, source, first, last), then one record per index.
// nullopt when `values` holds fewer entries than the range, a value does not fit its field
// or the data would not fit in one frame; all are logged.
std::optional<Payload> BuildByteRange(int scene, int source, int first, int last,
                                      std::span<const int> values, WireField field = kWireByte);
std::optional<Payload> BuildDelayRange(int scene, int source, int first, int last,
                                       std::span<const float> delaysMs);
std::optional<Payload> BuildTrimRange(int scene, int source, int first, int last,
                                      std::span<const float> attenuationsDb, bool twoBytes);
std::optional<Payload> BuildMixRange(int scene, int source, int first, int last,
                                     std::span<const std::uint32_t> masks, int inChannels);
std::optional<Payload> BuildSpkDistRange(int scene, int source, int first, int last,
                                         std::span<const int> hundredths);
std::optional<Payload> BuildCompressor2Range(int scene, int source, int first, int last,
                                             std::span<const Compressor2Setting> settings);

// 0x06: scene, source, channel, band, frequency (2), Q (2), gain (2).
std::optional<Payload> BuildEqBand(int scene, int source, int channel, int band, int freq, float q,
                                   float gain);
// 0x23: scene, source, input, first band, last band, then frequency, Q and gain per band.
std::optional<Payload> BuildInputEqBands(int scene, int source, int channel, int firstBand,
                                         int lastBand, std::span<const BandSetting> bands);
// 0x05: scene, source, channel, filter, type, frequency (2), slope.
std::optional<Payload> BuildFilter(int scene, int source, int channel, int filter, int freq,
                                   int slope, int type);
// 0x24: scene, source, input, first output, last output, one signed trim per output.
std::optional<Payload> BuildInputMixTrim(int scene, int source, int input, int firstOutput,
                                         int lastOutput, std::span<const int> trims);
// 0x28: scene, source, first input, last input, output, one signed trim per input.
std::optional<Payload> BuildInputMixTrim2(int scene, int source, int firstInput, int lastInput,
                                          int output, std::span<const int> trims);
// 0x3E: scene, source, channel, bypass, threshold + 100 dB, ratio, knee (integer and tenths
// each), attack, release (big-endian ms).
std::optional<Payload> BuildCompressor(int scene, int source, int channel, int bypass,
                                       float threshold, float ratio, float knee, int attack,
                                       int release);
// Header fields followed by one byte per value (remap, EQ reset, bridge); nullopt when too
// long for a frame.
std::optional<Payload> BuildList(std::initializer_list<WireValue> header,
                                 std::span<const int> values);
// 0x0E: scene, link, count, then the pairs.
std::optional<Payload> BuildChannelLink(int scene, int link, std::span<const ChannelPair> pairs);
// 0x42: address and data, little-endian.
Payload BuildMemData(std::uint32_t address, std::uint32_t data);

// Karaoke value: the echo delay as two bytes, high first; bass and treble as a signed byte;
// the others as an unsigned byte.
std::optional<Payload> BuildKtvValue(std::uint8_t code, int value);

// 0x0B (flash): slot, length, name bytes; nullopt when the name does not fit a frame.
std::optional<Payload> BuildSceneName(int slot, std::span<const std::uint8_t> name);
// 0x0C (flash, set): slot, start (2), count, bytes; nullopt above 53 bytes.
std::optional<Payload> BuildSceneProfileChunk(int slot, int start,
                                              std::span<const std::uint8_t> bytes);

}  // namespace tonvia::commands
