#include "tuning/mixer_edits.h"

#include <algorithm>
#include <cstdio>

#include "platform/log.h"
#include "tuning/edit_sends.h"
#include "tuning/karaoke_edits.h"

namespace tonvia::tuning {

namespace {

bool IsSource(int source) {
    return source >= 0 && source < kInputSourceCount;
}

bool IsRoute(int source, int input, int output) {
    return IsSource(source) && input >= 0 && input < kMixInputCount && IsChannel(output);
}

std::int32_t& Level(SceneConfig& live, int source, int input, int output) {
    return live.inputMixVolume[At(source)][At(input)][At(output)];
}

// Stores the route's level and its routing bit.
void StoreRoute(SceneConfig& live, int source, int input, int output, int level) {
    Level(live, source, input, output) = level;
    std::int32_t& mask = live.inputs[At(source)][At(output)];
    const std::int32_t before = mask;
    if (level > 0) {
        mask |= 1 << input;
    } else {
        mask &= ~(1 << input);
    }
    LogPrintA("mixEnable(%d=>%d): %d\n", before, mask, level > 0 ? 1 : 0);
}

}  // namespace

bool HasMixerSource(int source) {
    switch (source) {
        case 0:
        case 1:
        case 2:
        case 6:
        case 7:
        case 8:
            return true;
        default:
            return false;
    }
}

int MixerInputCount(int source) {
    return std::min(SourceInputCount(source), kMixInputCount);
}

std::string MixerRowTitle(const std::string& sourceName, int inputCount, int row) {
    if (inputCount == 2) {
        return sourceName + (row == 0 ? " L" : " R");
    }
    return sourceName + std::to_string(row + 1);
}

bool IsRouted(const SceneConfig& live, int source, int input, int output) {
    return IsRoute(source, input, output) &&
           ((live.inputs[At(source)][At(output)] >> input) & 1) != 0;
}

int StoredMixLevel(const SceneConfig& live, int source, int input, int output) {
    return IsRoute(source, input, output) ? live.inputMixVolume[At(source)][At(input)][At(output)]
                                          : 0;
}

int RouteLevel(const SceneConfig& live, int source, int input, int output) {
    if (!IsRouted(live, source, input, output)) {
        return 0;
    }
    const int stored = StoredMixLevel(live, source, input, output);
    return stored == 0 ? kMixLevelMax : stored;
}

int EnableLevel(const SceneConfig& live, int source, int input, int output, bool on) {
    if (!on) {
        return 0;
    }
    const int stored = StoredMixLevel(live, source, input, output);
    return stored > 0 ? stored : kMixLevelMax;
}

std::string MixLevelText(int level) {
    return std::to_string(level - kMixDbOffset) + "dB";
}

int MixLevelFromText(const std::string& text, int delta, SliderRange range) {
    const int raw = LeadingNumber(text) + kMixDbOffset + delta;
    return std::clamp(raw, std::min(range.min, range.max), std::max(range.min, range.max));
}

MixResult SetMixLevel(Session& session, int source, int input, int output, int level) {
    if (!IsRoute(source, input, output)) {
        return {true, {}};
    }
    SceneConfig& live = Live(session);
    level = std::clamp(level, 0, kMixLevelMax);
    if (level != RouteLevel(live, source, input, output)) {
        SendLevel(session, source, input, output, level);
    }
    StoreRoute(live, source, input, output, level);
    MixResult result;
    result.cells.push_back({input, output});
    if (IsBridged(live, output)) {
        // Both halves of a bridged pair drive one speaker: the partner takes the same route.
        const int partner = output ^ 1;
        StoreRoute(live, source, input, partner, level);
        SendLevel(session, source, input, partner, level);
        result.cells.push_back({input, partner});
    }
    return result;
}

MixResult ClearMix(Session& session, int source) {
    if (!IsSource(source)) {
        return {true, {}};
    }
    SceneConfig& live = Live(session);
    MixResult result;
    for (int output = 0; output < kOutChannelCount; ++output) {
        std::int32_t& mask = live.inputs[At(source)][At(output)];
        const std::int32_t before = mask;
        mask = 0;
        for (int input = 0; input < kMixInputCount; ++input) {
            Level(live, source, input, output) = 0;
            if (((before >> input) & 1) != 0) {
                LogPrintA("ClearMix\n");
                SendLevel(session, source, input, output, 0);
                result.cells.push_back({input, output});
            }
        }
    }
    return result;
}

void SetInputPhase(Session& session, int source, int input, bool reversed) {
    if (!IsRoute(source, input, 0)) {
        return;
    }
    SceneConfig& live = Live(session);
    live.inMixPhase[At(source)][At(input)] = reversed ? 1 : 0;
    const int phases[] = {reversed ? 1 : 0};
    session.Link().Input_Phase_Ctrl(live.scene, source, input, input, phases, false);
}

ViceChoice ViceFromTag(int tag) {
    tag = std::max(tag, 0);
    return {std::min(tag / 100, kViceSourceLast), tag % 100};
}

std::string ViceTag(int source, int channel) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d%02d", source, channel);
    return text;
}

bool SetViceSource(Session& session, int source, int input, ViceChoice choice) {
    if (!IsRoute(source, input, 0)) {
        return false;
    }
    SceneConfig& live = Live(session);
    live.csmViceSource[At(source)][At(input)] = choice.source;
    live.csmViceCh[At(source)][At(input)] = choice.channel;
    LogPrintA("SetCSMViceSourceCombox set in_ch %d(%d) mix source: %d, ch: %d, gain: %d\n", input,
              input, choice.source, choice.channel, live.csmViceGain[At(source)][At(input)]);
    SendVice(session, source, input);
    return true;
}

int SetViceGain(Session& session, int source, int input, int gain) {
    if (!IsRoute(source, input, 0)) {
        return 0;
    }
    SceneConfig& live = Live(session);
    gain = std::clamp(gain, kViceGainMin, kViceGainMax);
    live.csmViceGain[At(source)][At(input)] = gain;
    LogPrintA("SetCSMViceGainEdit set in_ch %d mix source: %d, ch: %d, gain: %d\n", input,
              live.csmViceSource[At(source)][At(input)], live.csmViceCh[At(source)][At(input)],
              gain);
    SendVice(session, source, input);
    return gain;
}

std::pair<int, int> NextMixEdit(int input, int output, bool right, int inputCount) {
    if (inputCount <= 0) {
        return {input, output};
    }
    if (right) {
        if (++output >= kOutChannelCount) {
            output = 0;
            input = (input + 1) % inputCount;
        }
    } else if (--output < 0) {
        output = kOutChannelCount - 1;
        input = (input + inputCount - 1) % inputCount;
    }
    return {input, output};
}

bool RequestDistortion(Session& session, int source) {
    const int inputs = MixerInputCount(source);
    CHidDevice& link = session.Link();
    if (!IsSource(source) || !link.IsQueueEnabled()) {
        return false;
    }
    const int scene = Live(session).scene;
    bool queued = true;
    if (inputs > 0) {
        queued = link.Get_InDistortQueued(scene, source, 0, inputs - 1);
    }
    return link.Get_OutDistortQueued(scene, source, 0, kOutChannelCount - 1) && queued;
}

}  // namespace tonvia::tuning
