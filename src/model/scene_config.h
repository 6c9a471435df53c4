#pragma once
// The record of every amplifier parameter, in the units and codes the device uses. One
// live record (scene 0) plus one per stored scene while a whole profile is transferred.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "model/crossover.h"
#include "model/dimensions.h"
#include "model/eq_band.h"
#include "model/positions.h"
#include "model/value_ranges.h"

inline constexpr float kChannelGainMin = static_cast<float>(kChannelLevel.min);  // dB
inline constexpr float kChannelGainMax = static_cast<float>(kChannelLevel.max);
inline constexpr float kDelayMaxMs = static_cast<float>(kDelay.max);
inline constexpr int kMainVolumeMin = static_cast<int>(kMainVolume.min);  // dB
inline constexpr int kMainVolumeMax = static_cast<int>(kMainVolume.max);
inline constexpr int kMixLevelMax = 100;  // shown as level - 94 dB
inline constexpr int kNoModel = -1;       // `model` while no device state is loaded

struct OutChannel {
    // The channel's bands are held here, so that a copied record never refers to another.
    std::array<EqBand, kEqBandCount> eqArray = DefaultBands();
    std::int32_t eqSize = kEqBandCount;  // bands in use
    float gain = 0.0f;                   // dB, -60.0..0.0
    std::int32_t mute = 0;               // 1 muted
    float delay = 0.0f;                  // ms, 0..15.000
    std::int32_t phase = 0;              // 1 reversed
    std::int32_t solo = 0;
    std::uint8_t bypass = 0;        // 1 = EQ bypassed, every band acts as 0 dB
    std::uint8_t compressorOn = 0;  // 1 = compressor enabled for this channel
    Crossover crossover;            // SceneConfig gives each channel that of its default position

    // Bands to their defaults (0 dB, Q 5.8, table frequency for `eqSize`, enabled).
    void ResetBands();

    static std::array<EqBand, kEqBandCount> DefaultBands(int bandCount = kEqBandCount);

    bool operator==(const OutChannel&) const = default;
};

// [source][channel] (an output channel, or an input channel 0..5 of the mix rows).
using SourceTable = std::array<std::array<std::int32_t, kOutChannelCount>, kInputSourceCount>;
static_assert(kMixInputCount == kOutChannelCount);
// [source][input channel][output channel].
using MixTable = std::array<std::array<std::array<std::int32_t, kOutChannelCount>, kMixInputCount>,
                            kInputSourceCount>;

// Every member starts at its default, so a new record needs no further set-up.
struct SceneConfig {
    std::int32_t model = kNoModel;  // from the handshake; -1 = no device state loaded
    std::int32_t mainVersion = -1;
    std::int32_t slaveVersion = -1;
    std::array<std::int32_t, 4> flashver{};  // DSP flash version bytes
    std::int32_t inputSource = 0;            // index into kInputSources
    std::int32_t mainVolume = -5;            // dB, -60..+6
    std::int32_t acc = 0;
    std::int32_t subVolume = 0;
    std::int32_t scene = 0;  // carried by every parameter command; 0 in the live record
    std::int32_t mainVolumeMute = 0;
    std::int32_t ampOn = 1;  // the device reports amplifier mute, the inverse
    std::int32_t rem_out1 = 1;
    std::int32_t rem_out2 = 1;
    std::int32_t spk_ohm = 1;  // 1 = 2 ohm, 0 = 4 ohm
    std::int32_t noise_gate = 0;
    std::int32_t dspOn = 0;
    std::int32_t chCount = kOutChannelCount;
    std::array<std::int32_t, kChannelPairCount> bridgeOutputs{};  // 1 = pair bridged
    std::array<OutChannel, kOutChannelCount> channels = DefaultChannels();
    std::int32_t lastSoloChannel = -1;

    // [source][output]: bit mask of the input channels routed to the output (bit 0 = input 1).
    SourceTable inputs = DefaultInputs();
    // [source][input][output]: mix level 0..100.
    MixTable inputMixVolume = DefaultMixVolumes();
    // The following [source][input channel] tables; the inner size is kMixInputCount.
    SourceTable inMixPhase{};     // 1 = input phase reversed
    SourceTable inDistort{};      // clipping indicator last reported
    SourceTable outDistort{};     // [source][output]: clipping indicator
    SourceTable csmViceSource{};  // cross-source mix: source mixed in
    SourceTable csmViceCh{};      // its input channel
    SourceTable csmViceGain{};    // its gain (device value - 32)

    std::array<std::int32_t, kOutChannelCount> outputs = kDefaultOutputs;  // position codes
    // Copy of `outputs` taken when the positions are read or reset.
    std::array<std::int32_t, kOutChannelCount> outputs_bk = kDefaultOutputs;
    // Per channel, its left/right partner while output link is on; -1 none.
    std::array<std::int32_t, kOutChannelCount> linkOutputs = {-1, -1, -1, -1, -1, -1};
    std::array<std::int32_t, kOutChannelCount> showOutChEqualizer{};
    std::int32_t currOutChannel = 0;
    std::int32_t linkMode = 0;
    std::int32_t lockMode = 0;
    std::array<std::int32_t, kOutChannelCount> linkSel{};       // synchronise group, 0 none
    std::array<std::int32_t, kOutChannelCount> delayLinkSel{};  // delay link group, 0 none
    std::int32_t inputThreshold = -60;                          // dB
    std::int32_t powerOffDelay = 0;

    // Karaoke block, in device order.
    std::int32_t howling_control = 0;
    std::int32_t mic_volume = 60;
    std::int32_t bgmusic_volume = 60;
    std::int32_t voice_changer = 0;
    std::int32_t echo_level = 0;
    std::int32_t echo_delay = 0;
    std::int32_t reverb_level = 0;
    std::int32_t reverb_time = 0;
    std::int32_t bass = 0;
    std::int32_t treble = 0;

    // Compressor block, per output channel.
    std::array<std::int32_t, kOutChannelCount> compBypass = {1, 1, 1, 1, 1, 1};
    std::array<float, kOutChannelCount> compThreshold = {64, 64, 64, 64, 64, 64};
    std::array<float, kOutChannelCount> compRatio = {100, 100, 100, 100, 100, 100};
    std::array<std::int32_t, kOutChannelCount> compAttack = {1000, 1000, 1000, 1000, 1000, 1000};
    std::array<std::int32_t, kOutChannelCount> compRelease = {30000, 30000, 30000,
                                                              30000, 30000, 30000};
    std::array<float, kOutChannelCount> compKnee = {24, 24, 24, 24, 24, 24};

    // Every field to its default.
    void SetDefaults();

    // The 31 bands of channel ch; empty outside 0..5.
    std::span<EqBand> ChannelBands(int ch);
    std::span<const EqBand> ChannelBands(int ch) const;

    // The karaoke value a karaoke message number (1..10) carries; nullptr for other numbers.
    std::int32_t* KaraokeValue(int messageNumber);

    // True when any channel holds the position code.
    bool IsCodeInUse(int code) const;
    // False when another channel holds a code of the same group whose band mask shares a
    // bit with `code`'s. Codes without a table row never conflict.
    bool IsCodeAllowed(int ch, int code) const;

    // The channel that follows ch's filter and EQ edits: its link partner while output link
    // is on, else the other channel of a bridged pair; nullopt when there is none.
    std::optional<int> PairChannel(int ch) const;

    // Bands (the first `eqSize` of `to`), both filters and the EQ bypass from one channel to
    // another. False, changing nothing, for a channel outside 0..5.
    bool CopyOutConfig(int from, int to);
    // `inputs` and `inputMixVolume` of every source from one output channel to another.
    bool CopyMixConfig(int from, int to);
    // `inputs` and `inputMixVolume` of every source set to 0 for one output channel.
    bool ClearMixConfig(int ch);

    // Defaults of the tables: the routing rows of kInputSources, level 100 on every routed
    // input, and each channel with the crossover of its position in kDefaultOutputs.
    static SourceTable DefaultInputs();
    static MixTable DefaultMixVolumes();
    static std::array<OutChannel, kOutChannelCount> DefaultChannels();

    bool operator==(const SceneConfig&) const = default;
};
