#include "model/channel_rules.h"

#include <optional>

#include "model/positions.h"
#include "model/value_format.h"
#include "platform/log.h"

namespace {

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

bool IsChannel(int ch) {
    return ch >= 0 && ch < kOutChannelCount;
}

}  // namespace

std::array<std::int32_t, kOutChannelCount> LinkPartners(
    const std::array<std::int32_t, kOutChannelCount>& outputs) {
    std::array<std::int32_t, kOutChannelCount> partners;
    partners.fill(-1);
    for (int i = 0; i < kOutChannelCount; ++i) {
        const std::optional<int> partnerCode = PartnerCode(outputs[At(i)]);
        if (outputs[At(i)] == kPositionEmpty || !partnerCode) {
            continue;
        }
        for (int j = 0; j < kOutChannelCount; ++j) {
            if (j != i && outputs[At(j)] == *partnerCode) {
                partners[At(i)] = j;
                break;
            }
        }
    }
    return partners;
}

ChannelSet SetChannelMute(SceneConfig& config, int ch, std::int32_t on) {
    ChannelSet touched;
    if (!IsChannel(ch)) {
        return touched;
    }
    auto mute = [&](int c) {
        LogPrintA("channel %d mute seleted %d\n", c, on);
        config.channels[At(c)].mute = on;
        touched.Add(c);
    };
    mute(ch);
    if (config.bridgeOutputs[At(ch / 2)] != 0) {
        mute(ch ^ 1);
    }
    return touched;
}

ChannelSet SetChannelSolo(SceneConfig& config, int ch, bool on) {
    ChannelSet touched;
    if (!IsChannel(ch)) {
        return touched;
    }
    LogPrintA("channel %d solo seleted %d\n", ch, on ? 1 : 0);
    const std::optional<int> pair = config.PairChannel(ch);
    for (int i = 0; i < kOutChannelCount; ++i) {
        std::int32_t& solo = config.channels[At(i)].solo;
        const std::int32_t before = solo;
        if (i == ch || (pair && i == *pair)) {
            solo = on ? 1 : 0;
            touched.Add(i);
        } else if (on) {
            solo = 0;
            if (before != 0) {
                touched.Add(i);
            }
        }
    }
    return touched;
}

void SetOutputLinkMode(SceneConfig& config, bool on) {
    if (on) {
        // Link needs the lock; the partners come from the positions, not the pair flags.
        config.linkMode = 1;
        config.lockMode = 1;
        config.linkOutputs = LinkPartners(config.outputs);
    } else {
        config.linkMode = 0;
        config.linkOutputs.fill(-1);
    }
}

bool SetOutputLockMode(SceneConfig& config, bool on) {
    config.lockMode = on ? 1 : 0;
    if (on || config.linkMode != 1) {
        return false;
    }
    // The link cannot stay on without the lock.
    SetOutputLinkMode(config, false);
    return true;
}

ChannelSet SetOutputPosition(SceneConfig& config, int ch, std::int32_t code) {
    if (!IsChannel(ch)) {
        return {};
    }
    config.outputs[At(ch)] = code;
    config.outputs_bk[At(ch)] = code;
    if (config.linkMode != 1) {
        return ChannelSet::Of(ch);
    }
    config.linkOutputs = LinkPartners(config.outputs);
    return ChannelSet::All();
}

float LiveChannelLevel(float current, float reported) {
    SliderState slider{kChVolumeSliderMin, kChVolumeSliderMax,
                       RoundHalfAway(static_cast<double>(current) * 10.0)};
    ClampToSlider(slider, static_cast<double>(reported) * 10.0);
    return static_cast<float>(slider.pos) / 10.0f;
}
