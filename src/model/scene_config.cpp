#include "model/scene_config.h"

#include <algorithm>

#include "platform/log.h"

namespace {

bool IsChannel(int ch) {
    return ch >= 0 && ch < kOutChannelCount;
}

std::size_t Index(int i) {
    return static_cast<std::size_t>(i);
}

void CopyFilter(const FilterSetting& from, FilterSetting& to) {
    to.fs = from.fs;
    to.type = from.type;
    to.slope = from.slope;
    to.bypass = from.bypass;
}

}  // namespace

// ---- OutChannel ----

std::array<EqBand, kEqBandCount> OutChannel::DefaultBands(int bandCount) {
    std::array<EqBand, kEqBandCount> bands{};
    for (int i = 0; i < kEqBandCount; ++i) {
        bands[Index(i)] = DefaultEqBand(bandCount, i);
    }
    return bands;
}

void OutChannel::ResetBands() {
    eqArray = DefaultBands(eqSize);
}

// ---- SceneConfig defaults ----

SourceTable SceneConfig::DefaultInputs() {
    SourceTable table{};
    for (const InputSourceInfo& source : kInputSources) {
        table[Index(source.index)] = source.defaultInputs;
    }
    return table;
}

MixTable SceneConfig::DefaultMixVolumes() {
    const SourceTable routing = DefaultInputs();
    MixTable table{};
    for (int s = 0; s < kInputSourceCount; ++s) {
        for (int in = 0; in < kMixInputCount; ++in) {
            for (int out = 0; out < kOutChannelCount; ++out) {
                const bool routed = (routing[Index(s)][Index(out)] >> in) & 1;
                table[Index(s)][Index(in)][Index(out)] = routed ? kMixLevelMax : 0;
            }
        }
    }
    return table;
}

std::array<OutChannel, kOutChannelCount> SceneConfig::DefaultChannels() {
    std::array<OutChannel, kOutChannelCount> channels{};
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        channels[Index(ch)].crossover = DefaultCrossover(kDefaultOutputs[Index(ch)]);
    }
    return channels;
}

void SceneConfig::SetDefaults() {
    // The member initialisers are the single list of defaults.
    *this = SceneConfig{};
}

// ---- Access ----

std::span<EqBand> SceneConfig::ChannelBands(int ch) {
    if (!IsChannel(ch)) {
        return {};
    }
    return channels[Index(ch)].eqArray;
}

std::span<const EqBand> SceneConfig::ChannelBands(int ch) const {
    if (!IsChannel(ch)) {
        return {};
    }
    return channels[Index(ch)].eqArray;
}

std::int32_t* SceneConfig::KaraokeValue(int messageNumber) {
    switch (messageNumber) {
        case 1:
            return &mic_volume;
        case 2:
            return &bgmusic_volume;
        case 3:
            return &howling_control;
        case 4:
            return &echo_level;
        case 5:
            return &echo_delay;
        case 6:
            return &reverb_level;
        case 7:
            return &reverb_time;
        case 8:
            return &voice_changer;
        case 9:
            return &bass;
        case 10:
            return &treble;
        default:
            return nullptr;
    }
}

// ---- Speaker positions ----

bool SceneConfig::IsCodeInUse(int code) const {
    return std::find(outputs.begin(), outputs.end(), code) != outputs.end();
}

bool SceneConfig::IsCodeAllowed(int ch, int code) const {
    const SpeakerPosition* wanted = FindSpeakerPosition(code);
    if (wanted == nullptr) {
        return true;
    }
    for (int other = 0; other < kOutChannelCount; ++other) {
        if (other == ch) {
            continue;
        }
        // A channel holding a code without a table row (a bad device value) blocks nothing.
        const SpeakerPosition* held = FindSpeakerPosition(outputs[Index(other)]);
        if (held != nullptr && held->group == wanted->group &&
            (held->bandMask & wanted->bandMask) != 0) {
            return false;
        }
    }
    return true;
}

// ---- Pairing ----

std::optional<int> SceneConfig::PairChannel(int ch) const {
    if (!IsChannel(ch)) {
        return std::nullopt;
    }
    if (linkMode == 1) {
        const int linked = linkOutputs[Index(ch)];
        // A link entry naming no other channel would make edits follow into nowhere, or
        // into the channel itself; it counts as no link.
        if (IsChannel(linked) && linked != ch) {
            return linked;
        }
    }
    if (bridgeOutputs[Index(ch / 2)] != 0) {
        return ch ^ 1;
    }
    return std::nullopt;
}

// ---- Copy operations ----

bool SceneConfig::CopyOutConfig(int from, int to) {
    if (!IsChannel(from) || !IsChannel(to)) {
        return false;
    }
    LogPrintA("copy out config from %d to %d\n", from, to);
    OutChannel& target = channels[Index(to)];
    const OutChannel& source = channels[Index(from)];
    // eqSize is a device or file value; never read or write past the band array.
    const int bandCount = std::clamp(target.eqSize, 0, kEqBandCount);
    std::copy_n(source.eqArray.begin(), bandCount, target.eqArray.begin());
    CopyFilter(source.crossover.hp, target.crossover.hp);
    CopyFilter(source.crossover.lp, target.crossover.lp);
    target.bypass = source.bypass;
    return true;
}

bool SceneConfig::CopyMixConfig(int from, int to) {
    if (!IsChannel(from) || !IsChannel(to)) {
        return false;
    }
    LogPrintA("copy mix config from %d to %d\n", from, to);
    for (int s = 0; s < kInputSourceCount; ++s) {
        inputs[Index(s)][Index(to)] = inputs[Index(s)][Index(from)];
        for (auto& row : inputMixVolume[Index(s)]) {
            row[Index(to)] = row[Index(from)];
        }
    }
    return true;
}

bool SceneConfig::ClearMixConfig(int ch) {
    if (!IsChannel(ch)) {
        return false;
    }
    LogPrintA("clear mix config of %d\n", ch);
    for (int s = 0; s < kInputSourceCount; ++s) {
        inputs[Index(s)][Index(ch)] = 0;
        for (auto& row : inputMixVolume[Index(s)]) {
            row[Index(ch)] = 0;
        }
    }
    return true;
}
