// The rules half of the levels, routing, channel switches and amplifier switches.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>

#include "model/positions.h"
#include "platform/log.h"
#include "tuning/edit_sends.h"
#include "tuning/edits.h"

namespace tonvia::tuning {

namespace {

// Channel commands carry source 0; only the routing commands carry the selected source.
constexpr int kChannelSource = 0;

// The mute model rule for ch (a bridged partner follows), then each written channel sent,
// ch first.
ChannelSet ApplyMute(Session& session, int ch, std::int32_t on) {
    const ChannelSet touched = SetChannelMute(session.Model().live, ch, on);
    SendMute(session, ch);
    if (touched.Has(ch ^ 1)) {
        SendMute(session, ch ^ 1);
    }
    return touched;
}

// Sends ch's stored mute again, leaving the record as it is.
void ResendMute(Session& session, int ch, EditResult& result) {
    LogPrintA("channel %d mute seleted %d\n", ch, Channel(session, ch).mute);
    SendMute(session, ch);
    result.mutes.Add(ch);
}

// The phase of ch alone: stored and sent.
void ApplyPhase(Session& session, int ch, std::int32_t on, EditResult& result) {
    LogPrintA("channel %d phase seleted %d\n", ch, on);
    Channel(session, ch).phase = on;
    SendPhase(session, ch);
    result.phases.Add(ch);
}

// The level of one channel: limited to the level slider's range, stored, sent, and the
// channel unmuted when asked. `unmuted` holds the channels whose unmute this edit already
// sent, so that a bridged pair reached twice is unmuted once.
void ApplyLevel(Session& session, int ch, int position, bool unmute, EditResult& result,
                ChannelSet& unmuted) {
    const int p = std::clamp(position, kChVolumeSliderMin, kChVolumeSliderMax);
    Channel(session, ch).gain = static_cast<float>(p) / 10.0f;
    SendTrim(session, ch);
    result.levels.Add(ch);
    if (unmute && !unmuted.Has(ch)) {
        const ChannelSet touched = ApplyMute(session, ch, 0);
        unmuted.Add(touched);
        result.mutes.Add(touched);
    }
}

// A follower's new level in whole tenths. Rounded, not cut: a stored -35.6 is a little above
// -35.6 as a float, and cutting would lose a tenth.
int FollowerPosition(float gain, double deltaDb) {
    return RoundHalfAway((static_cast<double>(gain) + deltaDb) * 10.0);
}

// One channel's delay, on a whole shown unit, stored and sent.
void StoreDelay(Session& session, int ch, double ms, DelayUnit unit, EditResult& result) {
    Channel(session, ch).delay = static_cast<float>(QuantizeDelay(unit, ms));
    SendDelay(session, ch);
    result.delays.Add(ch);
}

// The pair of the current channel, unless it is ch itself (it has moved already).
std::optional<int> FollowingPair(const SceneConfig& live, int ch) {
    std::optional<int> pair = live.PairChannel(CurrentChannel(live));
    if (pair && *pair == ch) {
        return std::nullopt;
    }
    return pair;
}

}  // namespace

// ---- Master volume, ACC, source and routing ----

EditResult SetMainVolume(Session& session, double volume) {
    if (std::isnan(volume)) {
        return Refused();
    }
    SceneConfig& live = session.Model().live;
    const int v = std::clamp(RoundHalfAway(volume), kMainVolumeSliderMin, kMainVolumeSliderMax);
    LogPrintA("SetMainVolumeRelatedAfterDecidedValue %g\n", static_cast<double>(v));
    live.mainVolume = v;
    // The device counts down from the top of the range: +6 dB travels as 0.
    session.Link().Main_Volume_Ctrl(static_cast<float>(kMainVolumeSliderMax - v), false);
    // Any volume change unmutes, so that the user hears what was set.
    LogPrintA("set main mute to %d\n", 0);
    live.mainVolumeMute = 0;
    session.Link().Mute_Ctrl(0, false);

    EditResult result;
    result.mainVolume = true;
    result.mainMute = true;
    return result;
}

EditResult StepMainVolume(Session& session, bool up) {
    LogPrintA("SetMainVolumeUp %d \n", up ? 1 : 0);
    SliderState slider{kMainVolumeSliderMin, kMainVolumeSliderMax, session.Model().live.mainVolume};
    if (!StepSlider(slider, up, kMainVolumeStep)) {
        return {};
    }
    return SetMainVolume(session, slider.pos);
}

EditResult SetMainMute(Session& session, bool on) {
    const int mute = on ? 1 : 0;
    LogPrintA("set main mute to %d\n", mute);
    session.Model().live.mainVolumeMute = mute;
    session.Link().Mute_Ctrl(mute, false);
    EditResult result;
    result.mainMute = true;
    return result;
}

EditResult SetAcc(Session& session, int acc, int sliderMin, int sliderMax) {
    if (sliderMin > sliderMax) {
        return Refused();
    }
    const int v = std::clamp(acc, sliderMin, sliderMax);
    LogPrintA("SetAccRelatedAfterDecidedValue %d\n", v);
    session.Model().live.acc = v;
    session.Link().Set_Acc(v, false);
    EditResult result;
    result.acc = true;
    return result;
}

EditResult StepAcc(Session& session, bool up, int sliderMin, int sliderMax) {
    if (sliderMin > sliderMax) {
        return Refused();
    }
    LogPrintA("SetAccUp %d \n", up ? 1 : 0);
    SliderState slider{sliderMin, sliderMax, session.Model().live.acc};
    if (!StepSlider(slider, up, kAccStep)) {
        return {};
    }
    return SetAcc(session, slider.pos, sliderMin, sliderMax);
}

EditResult SetInputSource(Session& session, int source, bool connected) {
    // A source the page does not offer may still be the one the device reports, so every
    // source of the table is taken.
    if (source < 0 || source >= kInputSourceCount) {
        return Refused();
    }
    LogPrintA("on %s index %d\n", "EqualizerManager::SetInputSource", source);
    session.Model().live.inputSource = source;
    EditResult result;
    result.source = true;
    if (connected) {
        session.Link().Source_Switch_Ctrl(kSourceDeviceCodeBase + source, true);
        // The device sets the source's own volume; the page reads it back.
        result.startVolumePoll = true;
    }
    return result;
}

EditResult SetInputIn(Session& session, int input, int ch, bool on) {
    SceneConfig& live = session.Model().live;
    const int source = live.inputSource;
    if (!IsChannel(ch) || input < 0 || input >= SourceInputCount(source)) {
        return Refused();
    }
    LogPrintA("SetInputIn in %d out %d\n", input, ch);
    std::int32_t& mask = live.inputs[At(source)][At(ch)];
    if (on) {
        mask |= 1 << input;
    } else {
        mask &= ~(1 << input);
    }
    LogPrintA("outCh %d input = 0x%x\n", ch, static_cast<unsigned>(mask));
    const std::uint32_t masks[] = {static_cast<std::uint32_t>(mask)};
    session.Link().Mix_Ch_Ctrl(live.scene, source, ch, ch, masks, false);

    // A newly routed input with a silent mix level would stay inaudible; a level the user
    // set is kept.
    std::int32_t& level = live.inputMixVolume[At(source)][At(input)][At(ch)];
    if (on && level == 0) {
        level = kMixLevelMax;
        const int trims[] = {level};
        session.Link().Input_Mix_Trim_Ctrl(live.scene, source, input, ch, ch, trims, false);
    }
    EditResult result;
    result.routing = true;
    return result;
}

// ---- Channel level and delay ----

EditResult SetChVolume(Session& session, int ch, int position, bool unmute, bool force) {
    if (!IsChannel(ch)) {
        return Refused();
    }
    SceneConfig& live = session.Model().live;
    EditResult result;
    ChannelSet unmuted;
    const float old = live.channels[At(ch)].gain;
    ApplyLevel(session, ch, position, unmute, result, unmuted);
    const float now = live.channels[At(ch)].gain;
    if (now == old && !force) {
        return result;
    }
    const double delta = static_cast<double>(now) - static_cast<double>(old);

    const std::optional<int> pair = FollowingPair(live, ch);
    ChannelSet moved = ChannelSet::Of(ch);
    // The pair moves last, by its own level.
    auto follows = [&](int i) { return !moved.Has(i) && !(pair && *pair == i); };
    for (const int i : SynchronizeGroup(live, ch)) {
        if (!follows(i)) {
            continue;
        }
        const int p = FollowerPosition(live.channels[At(i)].gain, delta);
        ApplyLevel(session, i, p, unmute, result, unmuted);
        moved.Add(i);
        // A bridged pair plays one speaker: the partner takes the member's level.
        const int partner = i ^ 1;
        if (IsBridged(live, i) && follows(partner)) {
            ApplyLevel(session, partner, p, unmute, result, unmuted);
            moved.Add(partner);
        }
    }
    if (pair && !moved.Has(*pair)) {
        const int p = FollowerPosition(live.channels[At(*pair)].gain, delta);
        ApplyLevel(session, *pair, p, unmute, result, unmuted);
    }
    return result;
}

EditResult EditChVolume(Session& session, int ch, int position) {
    if (!IsChannel(ch)) {
        return Refused();
    }
    EditResult result;
    if (session.Model().live.currOutChannel != ch) {
        result = SelectChannel(session, ch);
    }
    result.Merge(SetChVolume(session, ch, position, true, false));
    return result;
}

EditResult StepChVolume(Session& session, int ch, bool up) {
    if (!IsChannel(ch)) {
        return Refused();
    }
    LogPrintA("SetChVolumeUp %d \n", up ? 1 : 0);
    SliderState slider{kChVolumeSliderMin, kChVolumeSliderMax,
                       RoundHalfAway(static_cast<double>(Channel(session, ch).gain) * 10.0)};
    if (!StepSlider(slider, up, kChVolumeStep)) {
        return {};
    }
    return EditChVolume(session, ch, slider.pos);
}

EditResult SetChDelay(Session& session, int ch, double ms, DelayUnit unit) {
    if (!IsChannel(ch) || std::isnan(ms)) {
        return Refused();
    }
    SceneConfig& live = session.Model().live;
    EditResult result;
    const float old = live.channels[At(ch)].delay;
    StoreDelay(session, ch, ms, unit, result);
    const float now = live.channels[At(ch)].delay;
    if (now == old) {
        return result;
    }
    const double delta = static_cast<double>(now) - static_cast<double>(old);

    const std::optional<int> pair = FollowingPair(live, ch);
    for (const int i : SynchronizeGroup(live, ch)) {
        if (pair && *pair == i) {
            continue;
        }
        StoreDelay(session, i, live.channels[At(i)].delay + delta, unit, result);
    }
    if (pair) {
        StoreDelay(session, *pair, live.channels[At(*pair)].delay + delta, unit, result);
    }
    return result;
}

EditResult StepChDelay(Session& session, int ch, bool up, DelayUnit unit) {
    if (!IsChannel(ch)) {
        return Refused();
    }
    LogPrintA("SetChDelayUp %d \n", up ? 1 : 0);
    // Stepped from the stored delay limited to 0..15 ms.
    const double ms = QuantizeDelay(DelayUnit::Milliseconds, Channel(session, ch).delay);
    double target = ms;
    if (unit == DelayUnit::Milliseconds) {
        SliderState slider{0, kDelaySliderMax, RoundHalfAway(ms * kDelay.sliderScale)};
        if (!StepSlider(slider, up, kDelayStep)) {
            return {};
        }
        target = slider.pos / static_cast<double>(kDelay.sliderScale);
    } else {
        // One shown unit: a 21 us step would round back onto the same inch.
        const double unitsPerMax = unit == DelayUnit::Centimetres ? kDelayMaxCm : kDelayMaxInch;
        const int shown = RoundHalfAway(ms * unitsPerMax / kDelay.max);
        const int next = shown + (up ? 1 : -1);
        if (next < 0 || next > RoundHalfAway(unitsPerMax)) {
            return {};
        }
        target = next * kDelay.max / unitsPerMax;
    }
    return SetChDelay(session, ch, target, unit);
}

// ---- Mute, phase, solo, curve display, current channel ----

EditResult SetChMute(Session& session, int ch, bool on) {
    if (!IsChannel(ch)) {
        return Refused();
    }
    EditResult result;
    result.mutes = ApplyMute(session, ch, on ? 1 : 0);
    return result;
}

EditResult SetChPhase(Session& session, int ch, bool on) {
    if (!IsChannel(ch)) {
        return Refused();
    }
    EditResult result;
    ApplyPhase(session, ch, on ? 1 : 0, result);
    if (IsBridged(session.Model().live, ch)) {
        ApplyPhase(session, ch ^ 1, on ? 1 : 0, result);
    }
    return result;
}

EditResult SetChSolo(Session& session, int ch, bool on) {
    if (!IsChannel(ch)) {
        return Refused();
    }
    SceneConfig& live = session.Model().live;
    live.lastSoloChannel = ch;
    EditResult result;
    result.solos = SetChannelSolo(live, ch, on);
    SendSolos(session);
    result.Merge(SelectChannel(session, ch));
    return result;
}

EditResult SetChShow(Session& session, int ch, bool on) {
    if (!IsChannel(ch)) {
        return Refused();
    }
    session.Model().live.showOutChEqualizer[At(ch)] = on ? 1 : 0;
    EditResult result;
    result.shows.Add(ch);
    return result;
}

EditResult SelectChannel(Session& session, int ch) {
    if (!IsChannel(ch)) {
        return Refused();
    }
    LogPrintA("on SetCurChannelChange channel index %d\n", ch);
    session.Model().live.currOutChannel = ch;
    EditResult result;
    result.madeCurrent = ch;
    ResendMute(session, ch, result);
    return result;
}

// ---- Switches and the compressor ----

EditResult SetAmpOn(Session& session, bool on) {
    const int value = on ? 1 : 0;
    session.Model().live.ampOn = value;
    // The device takes an amplifier mute, the inverse.
    session.Link().Amp_Mute_Ctrl(1 - value, false);
    EditResult result;
    result.switches = true;
    return result;
}

EditResult SetRemOut(Session& session, int which, bool on) {
    if (which != 1 && which != 2) {
        return Refused();
    }
    SceneConfig& live = session.Model().live;
    const int value = on ? 1 : 0;
    if (which == 1) {
        LogPrintA("SetRemOut1OnOffButton : %d\n", value);
        live.rem_out1 = value;
    } else {
        LogPrintA("SetRemOut2OnOffButton : %d\n", value);
        live.rem_out2 = value;
    }
    // One command carries both outputs.
    session.Link().Rem_Out_Ctrl(live.rem_out1, live.rem_out2, false);
    EditResult result;
    result.switches = true;
    return result;
}

EditResult SetSpkOhm(Session& session, bool twoOhm) {
    const int value = twoOhm ? 1 : 0;
    LogPrintA("SetSpkOhmButton : %d\n", value);
    session.Model().live.spk_ohm = value;
    session.Link().Spk_Ohm_Ctrl(value, false);
    EditResult result;
    result.switches = true;
    return result;
}

EditResult SetNoiseGate(Session& session, bool on) {
    const int value = on ? 1 : 0;
    LogPrintA("SetNoiseGateButton : %d\n", value);
    session.Model().live.noise_gate = value;
    session.Link().Noise_Gate_Ctrl(value, false);
    EditResult result;
    result.switches = true;
    return result;
}

EditResult SetChCompressor(Session& session, int ch, bool on) {
    if (!IsChannel(ch)) {
        return Refused();
    }
    const int value = on ? 1 : 0;
    LogPrintA("channel %d compressor seleted %d\n", ch, value);
    SceneConfig& live = session.Model().live;
    live.channels[At(ch)].compressorOn = static_cast<std::uint8_t>(value);
    const int values[] = {value};
    session.Link().Compressor_Ch_Ctrl(live.scene, kChannelSource, ch, ch, values, false);
    EditResult result;
    result.compressors.Add(ch);
    return result;
}

// ---- Refresh ----

EditResult ResendChannelSwitches(Session& session) {
    SceneConfig& live = session.Model().live;
    EditResult result;
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        // The even channel of a bridged pair has already given the odd one its mute.
        if (!(IsBridged(live, ch) && (ch & 1) != 0)) {
            result.mutes.Add(ApplyMute(session, ch, live.channels[At(ch)].mute));
        }
        ApplyPhase(session, ch, live.channels[At(ch)].phase, result);
    }
    // The solos go out as the record holds them: replaying the exclusive rule channel by
    // channel would clear solos the device reported.
    SendSolos(session);
    result.solos = ChannelSet::All();
    ResendMute(session, CurrentChannel(live), result);
    return result;
}

}  // namespace tonvia::tuning
