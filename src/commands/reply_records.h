#pragma once
// Records posted by the DSP and flash decoders. Zero-filled; owned by the message that
// carries them. Per-channel arrays are indexed by the absolute channel number; channels
// above 15 do not fit and are not stored.

#include <array>
#include <cstdint>

#include "link/window_messages.h"

inline constexpr int REPLY_CHANNEL_SLOTS = 16;

using ChannelBytes = std::array<std::int8_t, REPLY_CHANNEL_SLOTS>;

// Mute, channel type, EQ bypass, solo, compressor on.
struct ChValueRec : MessageRecord {
    std::int32_t scene = 0;
    std::int32_t channel = 0;
    std::int32_t value = 0;
};

struct ChPhaseRec : MessageRecord {
    std::int32_t scene = 0;
    std::int32_t channel = 0;
    std::uint8_t phase = 0;
};

// Delay in ms, trim in dB.
struct ChFloatRec : MessageRecord {
    std::int32_t scene = 0;
    std::int32_t channel = 0;
    float value = 0.0f;
};

struct FilterRec : MessageRecord {
    std::int32_t scene = 0;
    std::int32_t channel = 0;
    std::int32_t hp_type = 0;
    std::int32_t hp_freq = 0;
    std::int32_t hp_slope = 0;
    std::int32_t lp_type = 0;
    std::int32_t lp_freq = 0;
    std::int32_t lp_slope = 0;
};

// Output and input EQ bands.
struct EqBandRec : MessageRecord {
    std::int32_t scene = 0;
    std::int32_t channel = 0;
    std::int32_t band = 0;
    std::int32_t freq = 0;
    float Q = 0.0f;
    float gain = 0.0f;
};

struct MixChRec : MessageRecord {
    std::int32_t scene = 0;
    std::int32_t source = 0;
    std::int32_t channel = 0;
    std::int32_t mask = 0;
};

// Channel link, trim link, delay link.
struct LinkRec : MessageRecord {
    static constexpr std::size_t kPairSlots = 8;
    std::int32_t scene = 0;
    std::int32_t link = 0;
    std::array<std::uint8_t, kPairSlots> pairs{};
};

struct LockRec : MessageRecord {
    std::int32_t scene = 0;
    std::int32_t lock = 0;
};

// Input trims, mutes and phases; `last` is the last channel whose slot was filled.
struct InputChRec : MessageRecord {
    std::int32_t scene = 0;
    std::int32_t source = 0;
    std::int32_t first = 0;
    std::int32_t last = 0;
    ChannelBytes values{};
};

// Trim of output `first + i` at position i; `lastOutput` is the last output filled.
struct InputMixTrimRec : MessageRecord {
    std::int32_t scene = 0;
    std::int32_t source = 0;
    std::int32_t input = 0;
    std::int32_t firstOutput = 0;
    std::int32_t lastOutput = 0;
    ChannelBytes trims{};
};

// Measured input noise in dB; `last` is the last channel whose slot was filled.
struct InputNoiseRec : MessageRecord {
    std::int32_t first = 0;
    std::int32_t last = 0;
    std::array<float, REPLY_CHANNEL_SLOTS> noise{};
};

// High-pass and low-pass Q modes.
struct QModeRec : MessageRecord {
    std::uint8_t scene = 0;
    std::uint8_t source = 0;
    std::uint8_t first = 0;
    std::uint8_t last = 0;
    std::array<std::uint8_t, REPLY_CHANNEL_SLOTS> modes{};
};

struct SpkCfgRec : MessageRecord {
    std::int32_t configuration = 0;
};

struct MixTypeRec : MessageRecord {
    std::int32_t scene = 0;
    std::int32_t source = 0;
    std::int32_t type = 0;
};

// Code 0x3E.
struct CompressorRec : MessageRecord {
    std::int32_t scene = 0;
    std::int32_t channel = 0;
    std::int32_t bypass = 0;
    float threshold = 0.0f;
    float ratio = 0.0f;
    std::int32_t attack = 0;
    std::int32_t release = 0;
    float softKnee = 0.0f;
};

// Code 0x4A.
struct Compressor2Rec : MessageRecord {
    std::int32_t scene = 0;
    std::int32_t channel = 0;
    std::int32_t reserved1 = 0;
    float threshold = 0.0f;
    std::int32_t reserved2 = 0;
    std::int32_t attack = 0;   // ms
    std::int32_t release = 0;  // ms
    std::int32_t reserved3 = 0;
};

struct InDistortRec : MessageRecord {
    std::int32_t source = 0;
    std::int32_t first = 0;
    std::int32_t last = 0;
    ChannelBytes values{};
};

struct OutDistortRec : MessageRecord {
    std::int32_t reserved = 0;
    std::int32_t source = 0;
    std::int32_t first = 0;
    std::int32_t last = 0;
    ChannelBytes values{};
};

// One DSP memory word; both values as decoded from their little-endian bytes.
struct MemDataRec : MessageRecord {
    std::uint32_t address = 0;
    std::uint32_t data = 0;
};

// Speaker distances in hundredths.
struct SpkDistRec : MessageRecord {
    std::uint8_t scene = 0;
    std::uint8_t source = 0;
    std::uint8_t first = 0;
    std::uint8_t last = 0;
    std::array<std::uint16_t, REPLY_CHANNEL_SLOTS> distances{};
};

struct RemOutRec : MessageRecord {
    std::uint8_t remOut1 = 0;
    std::uint8_t remOut2 = 0;
};

struct CrossMixRec : MessageRecord {
    std::uint8_t scene = 0;
    std::uint8_t source = 0;
    std::uint8_t channel = 0;
    std::uint8_t viceSource = 0;
    std::uint8_t viceChannel = 0;
    std::uint8_t viceGain = 0;
};

// `count` is the number of bridge bytes held.
struct BridgeRec : MessageRecord {
    static constexpr std::size_t kBridgeSlots = 20;
    std::uint8_t scene = 0;
    std::uint8_t source = 0;
    std::uint8_t count = 0;
    std::array<std::uint8_t, kBridgeSlots> bridge{};
};

// Calibration distance and trim.
struct IrcFloatRec : MessageRecord {
    std::int32_t channel = 0;
    float value = 0.0f;
};

// Calibration speaker size and phase.
struct IrcByteRec : MessageRecord {
    std::int32_t channel = 0;
    std::uint8_t value = 0;
};

// Calibration speaker level and noise level.
struct IrcIntRec : MessageRecord {
    std::int32_t channel = 0;
    std::int32_t value = 0;
};

struct IrcEqRec : MessageRecord {
    std::int32_t channel = 0;
    std::int32_t band = 0;
    std::int32_t freq = 0;
    float Q = 0.0f;
    float gain = 0.0f;
};

struct IrcSpectrumRec : MessageRecord {
    std::int32_t channel = 0;
    std::int32_t band = 0;
    float freq = 0.0f;
    float gain = 0.0f;
};

// A stored scene's name; `index` is the device's slot number - 1.
struct SceneNameRec : MessageRecord {
    std::int32_t reserved = 0;
    std::int32_t index = 0;
    std::array<std::uint8_t, 16> name{};
};

struct SceneValidRec : MessageRecord {
    std::int32_t mask = 0;
};
