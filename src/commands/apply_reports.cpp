// The DSP reports: WM_READ_DSP_VALUE into the model.
#include "commands/apply_reports.h"

#include <algorithm>
#include <cinttypes>
#include <optional>

#include "commands/command_codes.h"
#include "commands/reply_records.h"
#include "model/channel_rules.h"
#include "model/positions.h"
#include "model/value_format.h"
#include "platform/log.h"

namespace tonvia::commands {

namespace {

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

bool IsChannel(int ch) {
    return ch >= 0 && ch < kOutChannelCount;
}

bool IsSource(int source) {
    return source >= 0 && source < kInputSourceCount;
}

template <class Record>
const Record* As(const MessageRecord* record) {
    return dynamic_cast<const Record*>(record);
}

int ToInt(std::intptr_t value) {
    return static_cast<int>(value);
}

// One report being applied: the model, the change being described.
struct Apply {
    ModelSet& model;
    ReportChange change;

    // The record of `scene` for a report about `channel`; nullptr (the report is ignored)
    // for a scene above 10 or a channel outside 0..5. Fills in scene and channel.
    SceneConfig* ChannelTarget(int scene, int channel) {
        SceneConfig* target = model.Scene(scene);
        if (target == nullptr || !IsChannel(channel)) {
            return nullptr;
        }
        change.scene = scene;
        change.channel = channel;
        return target;
    }

    ReportChange Done(ModelField field, unsigned liveActions = 0) {
        change.field = field;
        if (change.IsLive()) {
            change.actions |= liveActions;
        }
        return change;
    }

    ReportChange Ignored() { return ReportChange{}; }

    ReportChange LogOnly() {
        ReportChange logged;
        logged.field = ModelField::LogOnly;
        return logged;
    }

    ReportChange Live(ModelField field, unsigned actions = 0) {
        change.scene = 0;
        return Done(field, actions);
    }
};

// A switch of the page stores 1/0 from its on state, or the fixed value of a missing button.
std::int32_t SwitchValue(bool on, bool buttonPresent, std::int32_t whenMissing) {
    return buttonPresent ? (on ? 1 : 0) : whenMissing;
}

// ---- Per channel ----

ReportChange ApplyFilter(Apply& a, const FilterRec& r) {
    SceneConfig* target = a.ChannelTarget(r.scene, r.channel);
    if (target == nullptr) {
        return a.Ignored();
    }
    // The setters correct what the device reports out of range.
    Crossover& crossover = target->channels[At(r.channel)].crossover;
    crossover.hp.SetFs(r.hp_freq);
    crossover.hp.SetSlope(r.hp_slope);
    crossover.hp.SetType(r.hp_type);
    crossover.lp.SetFs(r.lp_freq);
    crossover.lp.SetSlope(r.lp_slope);
    crossover.lp.SetType(r.lp_type);
    return a.Done(ModelField::Filter);
}

ReportChange ApplyEqBand(Apply& a, const EqBandRec& r) {
    SceneConfig* target = a.ChannelTarget(r.scene, r.channel);
    if (target == nullptr) {
        return a.Ignored();
    }
    OutChannel& channel = target->channels[At(r.channel)];
    // eqSize may come from a file: never index past the band array.
    if (r.band < 0 || r.band >= std::min(channel.eqSize, kEqBandCount)) {
        return a.Ignored();
    }
    EqBand& band = channel.eqArray[At(r.band)];
    band.freq = r.freq;
    band.q = r.Q;
    band.gain = r.gain;
    if (target == &a.model.live) {
        band.enable = 1;
    }
    a.change.band = r.band;
    return a.Done(ModelField::EqBand);
}

ReportChange ApplyDelay(Apply& a, const ChFloatRec& r) {
    SceneConfig* target = a.ChannelTarget(r.scene, r.channel);
    if (target == nullptr) {
        return a.Ignored();
    }
    target->channels[At(r.channel)].delay = r.value;
    if (a.change.IsLive()) {
        LogPrintA("update UI ch_delay->ch = %d, Delay %.3f\n", r.channel,
                  static_cast<double>(r.value));
    }
    return a.Done(ModelField::Delay);
}

ReportChange ApplyTrim(Apply& a, const ChFloatRec& r) {
    SceneConfig* target = a.ChannelTarget(r.scene, r.channel);
    if (target == nullptr) {
        return a.Ignored();
    }
    OutChannel& channel = target->channels[At(r.channel)];
    if (!a.change.IsLive()) {
        channel.gain = r.value;
        return a.Done(ModelField::Trim);
    }
    channel.gain = LiveChannelLevel(channel.gain, r.value);
    return a.Done(ModelField::Trim, kSendTrim);
}

ReportChange ApplyMute(Apply& a, const ChValueRec& r) {
    SceneConfig* target = a.ChannelTarget(r.scene, r.channel);
    if (target == nullptr) {
        return a.Ignored();
    }
    target->channels[At(r.channel)].mute = r.value;
    if (!a.change.IsLive()) {
        return a.Done(ModelField::ChannelMute);
    }
    const ChannelSet muted = SetChannelMute(*target, r.channel, r.value);
    if (muted.Has(r.channel ^ 1)) {
        a.change.partner = r.channel ^ 1;
    }
    return a.Done(ModelField::ChannelMute, kSendChannelMute);
}

ReportChange ApplyPhase(Apply& a, const ChPhaseRec& r) {
    SceneConfig* target = a.ChannelTarget(r.scene, r.channel);
    if (target == nullptr) {
        return a.Ignored();
    }
    OutChannel& channel = target->channels[At(r.channel)];
    channel.phase = r.phase;
    if (!a.change.IsLive()) {
        return a.Done(ModelField::Phase);
    }
    const int on = r.phase != 0 ? 1 : 0;
    LogPrintA("channel %d phase seleted %d\n", r.channel, on);
    channel.phase = on;
    return a.Done(ModelField::Phase, kSendChannelPhase);
}

ReportChange ApplyMix(Apply& a, const MixChRec& r) {
    LogPrintA("set mix source = %d, ch = %d, mix_in = 0x%x\n", r.source, r.channel,
              static_cast<unsigned>(r.mask));
    SceneConfig* target = a.ChannelTarget(r.scene, r.channel);
    if (target == nullptr || !IsSource(r.source)) {
        return a.Ignored();
    }
    target->inputs[At(r.source)][At(r.channel)] = r.mask;
    a.change.source = r.source;
    return a.Done(ModelField::Mix);
}

ReportChange ApplyChannelType(Apply& a, const ChValueRec& r) {
    SceneConfig* target = a.ChannelTarget(r.scene, r.channel);
    if (target == nullptr) {
        return a.Ignored();
    }
    // The position only: the crossover stays as the device reports it. In the live record
    // the link partners follow the positions.
    if (a.change.IsLive()) {
        SetOutputPosition(*target, r.channel, r.value);
    } else {
        target->outputs[At(r.channel)] = r.value;
        target->outputs_bk[At(r.channel)] = r.value;
    }
    if (a.change.IsLive()) {
        LogPrintA("DSP_CH_TYPE ch(%d), type(%d)\n", r.channel, r.value);
    }
    return a.Done(ModelField::ChannelType, kRebuildSpeakers);
}

ReportChange ApplyLink(Apply& a, const LinkRec& r) {
    SceneConfig* target = a.model.Scene(r.scene);
    if (target == nullptr) {
        return a.Ignored();
    }
    a.change.scene = r.scene;
    const bool on = r.link == 1;
    if (!a.change.IsLive()) {
        target->linkMode = on ? 1 : 0;
        return a.Done(ModelField::Link);
    }
    SetOutputLinkMode(*target, on);
    return a.Done(ModelField::Link, kSelectCurrentChannel);
}

ReportChange ApplyLock(Apply& a, const LockRec& r) {
    SceneConfig* target = a.model.Scene(r.scene);
    if (target == nullptr) {
        return a.Ignored();
    }
    a.change.scene = r.scene;
    if (!a.change.IsLive()) {
        target->lockMode = r.lock == 1 ? 1 : 0;
        return a.Done(ModelField::Lock);
    }
    if (!SetOutputLockMode(*target, r.lock == 1)) {
        return a.Done(ModelField::Lock);
    }
    return a.Done(ModelField::Lock, kSendLinkOff | kSelectCurrentChannel);
}

ReportChange ApplyEqBypass(Apply& a, const ChValueRec& r) {
    SceneConfig* target = a.ChannelTarget(r.scene, r.channel);
    if (target == nullptr) {
        return a.Ignored();
    }
    target->channels[At(r.channel)].bypass = static_cast<std::uint8_t>(r.value);
    return a.Done(ModelField::EqBypass);
}

ReportChange ApplyInputMixTrim(Apply& a, const InputMixTrimRec& r) {
    LogPrintA("DSP_INPUT_MIX_CH_TRIM source %d, in_ch %d out_ch_x %d, out_ch_y %d\n", r.source,
              r.input, r.firstOutput, r.lastOutput);
    SceneConfig* target = a.model.Scene(r.scene);
    if (target == nullptr || !IsSource(r.source) || r.input < 0 || r.input >= kMixInputCount) {
        return a.Ignored();
    }
    auto& levels = target->inputMixVolume[At(r.source)][At(r.input)];
    const auto& routing = target->inputs[At(r.source)];
    bool any = false;
    for (int o = std::max(r.firstOutput, 0); o <= r.lastOutput && o < kOutChannelCount; ++o) {
        const int slot = o - r.firstOutput;
        if (slot >= REPLY_CHANNEL_SLOTS) {
            break;
        }
        int level = r.trims[At(slot)];
        // A routed input is never silent: a level the device reports as nothing is full.
        if (level < 1 && ((routing[At(o)] >> r.input) & 1) != 0) {
            level = kMixLevelMax;
        }
        levels[At(o)] = level;
        any = true;
    }
    if (!any) {
        return a.Ignored();
    }
    a.change.scene = r.scene;
    a.change.source = r.source;
    a.change.input = r.input;
    return a.Done(ModelField::InputMixTrim);
}

ReportChange ApplySolo(Apply& a, const ChValueRec& r) {
    SceneConfig* target = a.ChannelTarget(r.scene, r.channel);
    if (target == nullptr) {
        return a.Ignored();
    }
    target->channels[At(r.channel)].solo = r.value;
    if (!a.change.IsLive()) {
        return a.Done(ModelField::Solo);
    }
    SetChannelSolo(*target, r.channel, r.value != 0);
    return a.Done(ModelField::Solo, kSendSolo);
}

ReportChange ApplyCompressor(Apply& a, const CompressorRec& r) {
    // The compressor block is kept for the live record only, whatever scene is reported.
    if (a.model.Scene(r.scene) == nullptr || !IsChannel(r.channel)) {
        return a.Ignored();
    }
    SceneConfig& live = a.model.live;
    const std::size_t ch = At(r.channel);
    live.compBypass[ch] = r.bypass;
    live.compThreshold[ch] = r.threshold;
    live.compRatio[ch] = r.ratio;
    live.compAttack[ch] = r.attack;
    live.compRelease[ch] = r.release;
    live.compKnee[ch] = r.softKnee;
    a.change.channel = r.channel;
    return a.Live(ModelField::Compressor);
}

ReportChange ApplyCompressor2(Apply& a, const Compressor2Rec& r) {
    if (a.model.Scene(r.scene) == nullptr || !IsChannel(r.channel)) {
        return a.Ignored();
    }
    SceneConfig& live = a.model.live;
    const std::size_t ch = At(r.channel);
    live.compThreshold[ch] = r.threshold;
    live.compAttack[ch] = r.attack;
    live.compRelease[ch] = r.release;
    a.change.channel = r.channel;
    return a.Live(ModelField::Compressor);
}

ReportChange ApplyCompressorOn(Apply& a, const ChValueRec& r) {
    SceneConfig* target = a.ChannelTarget(r.scene, r.channel);
    if (target == nullptr) {
        return a.Ignored();
    }
    target->channels[At(r.channel)].compressorOn = r.value != 0 ? 1 : 0;
    return a.Done(ModelField::CompressorOn);
}

ReportChange ApplyCrossMix(Apply& a, unsigned code, const CrossMixRec& r) {
    LogPrintA(code == DSP_CROSS_SOURCE_MIX
                  ? "set cross source mix, source = %d, ch = %d, with source = %d, ch = %d, "
                    "gain = %d\n"
                  : "set cross source mix cs47048, source = %d, ch = %d, with source = %d, ch = "
                    "%d, gain = %d\n",
              r.source, r.channel, r.viceSource, r.viceChannel, r.viceGain);
    SceneConfig* target = a.model.Scene(r.scene);
    // Only the DSP's four input channels mix in another source.
    if (target == nullptr || !IsSource(r.source) || r.channel >= kDspInputCount) {
        return a.Ignored();
    }
    const std::size_t source = At(r.source);
    const std::size_t channel = At(r.channel);
    target->csmViceSource[source][channel] = r.viceSource;
    target->csmViceCh[source][channel] = r.viceChannel;
    target->csmViceGain[source][channel] = static_cast<int>(r.viceGain) - 32;
    a.change.scene = r.scene;
    a.change.source = r.source;
    a.change.channel = r.channel;
    return a.Done(ModelField::CrossSourceMix);
}

// The flags of the channels the reply holds, inside the table's rows; the live record only.
template <class Record>
ReportChange ApplyDistortion(Apply& a, const Record& r, SourceTable SceneConfig::*table,
                             int channels) {
    if (!IsSource(r.source) || r.first < 0 || r.first > r.last || r.first >= channels) {
        return a.Ignored();
    }
    auto& flags = (a.model.live.*table)[At(r.source)];
    for (int ch = r.first; ch <= std::min(r.last, channels - 1); ++ch) {
        flags[At(ch)] = r.values[At(ch)] != 0 ? 1 : 0;
    }
    a.change.source = r.source;
    return a.Live(ModelField::Distortion);
}

// ---- Range logs ----

void LogInputNoise(const InputNoiseRec& r) {
    for (int in = std::max(r.first, 0); in <= r.last && in < REPLY_CHANNEL_SLOTS; ++in) {
        LogPrintA("in_ch(%d): noise = %fdB\n", in, static_cast<double>(r.noise[At(in)]));
    }
}

void LogQModes(unsigned code, const QModeRec& r) {
    for (int ch = r.first; ch <= r.last && ch < REPLY_CHANNEL_SLOTS; ++ch) {
        LogPrintA(code == DSP_HPF_Q_FACT_MODE ? "ch(%d): hpf_q_fact->mode = %d\n"
                                              : "ch(%d): lpf_q_fact->mode = %d\n",
                  ch, r.modes[At(ch)]);
    }
}

// A record report whose record is missing or of another kind changes nothing.
template <class Record, class Fn>
ReportChange WithRecord(Apply& a, const MessageRecord* record, Fn&& fn) {
    const Record* r = As<Record>(record);
    return r != nullptr ? fn(*r) : a.Ignored();
}

}  // namespace

ReportChange ApplyDspReport(ModelSet& model, unsigned code, std::intptr_t value,
                            const MessageRecord* record) {
    LogPrintA("ReadDspValueCallback 0x%02x\n", code);
    Apply a{model, {}};
    SceneConfig& live = model.live;
    const PageControls& controls = model.controls;
    switch (code) {
        case DSP_SOURCE_SWITCH:
            a.change.previous = live.inputSource;
            live.inputSource = SourceIndexFromDeviceCode(ToInt(value));
            a.change.source = live.inputSource;
            return a.Live(ModelField::InputSource);
        case DSP_VOLUME:
            LogPrintA("DSP_VOLUME %d \n", ToInt(value));
            LogPrintA("DSP_VOLUME %d \n", ToInt(value));
            live.mainVolume = ToInt(value);
            return a.Live(ModelField::MainVolume, kStopVolumePoll);
        case DSP_MUTE:
            live.mainVolumeMute = ToInt(value);
            return a.Live(ModelField::MainMute);
        case DSP_FILTER_SET:
            return WithRecord<FilterRec>(a, record,
                                         [&](const auto& r) { return ApplyFilter(a, r); });
        case DSP_EQ_CH:
            return WithRecord<EqBandRec>(a, record,
                                         [&](const auto& r) { return ApplyEqBand(a, r); });
        case DSP_DELAY_CH:
            return WithRecord<ChFloatRec>(a, record,
                                          [&](const auto& r) { return ApplyDelay(a, r); });
        case DSP_TRIM_CH:
            return WithRecord<ChFloatRec>(a, record,
                                          [&](const auto& r) { return ApplyTrim(a, r); });
        case DSP_MUTE_CH:
            return WithRecord<ChValueRec>(a, record,
                                          [&](const auto& r) { return ApplyMute(a, r); });
        case DSP_PHASE_CH:
            return WithRecord<ChPhaseRec>(a, record,
                                          [&](const auto& r) { return ApplyPhase(a, r); });
        case DSP_MIX_CH:
            return WithRecord<MixChRec>(a, record, [&](const auto& r) { return ApplyMix(a, r); });
        case DSP_CH_TYPE:
            return WithRecord<ChValueRec>(a, record,
                                          [&](const auto& r) { return ApplyChannelType(a, r); });
        case DSP_CH_LINK:
            return WithRecord<LinkRec>(a, record, [&](const auto& r) { return ApplyLink(a, r); });
        case DSP_CH_LOCK:
            return WithRecord<LockRec>(a, record, [&](const auto& r) { return ApplyLock(a, r); });
        case DSP_EQ_BYPASS:
            return WithRecord<ChValueRec>(a, record,
                                          [&](const auto& r) { return ApplyEqBypass(a, r); });
        case DSP_INPUT_MIX_CH_TRIM:
            return WithRecord<InputMixTrimRec>(
                a, record, [&](const auto& r) { return ApplyInputMixTrim(a, r); });
        case DSP_INPUT_THRESHOLD:
            live.inputThreshold = ToInt(value);
            return a.Live(ModelField::InputThreshold);
        case DSP_INPUT_NOISE:
            return WithRecord<InputNoiseRec>(a, record, [&](const auto& r) {
                LogInputNoise(r);
                return a.LogOnly();
            });
        case DSP_CH_SOLO:
            return WithRecord<ChValueRec>(a, record,
                                          [&](const auto& r) { return ApplySolo(a, r); });
        case DSP_HPF_Q_FACT_MODE:
        case DSP_LPF_Q_FACT_MODE:
            return WithRecord<QModeRec>(a, record, [&](const auto& r) {
                LogQModes(code, r);
                return a.LogOnly();
            });
        case DSP_FACTORY_PRESET:
            LogPrintA("factory preset mode = %d\n", ToInt(value));
            return a.LogOnly();
        case DSP_SETUP_MODE:
            LogPrintA("setup_mode mode = %d\n", ToInt(value));
            return a.LogOnly();
        case DSP_AUTO_EFFECTION_ON_OFF_CONTROL:
            live.dspOn = ToInt(value);
            return a.Live(ModelField::DspOn);
        case DSP_COMPRESSOR_SETTING:
            return WithRecord<CompressorRec>(a, record,
                                             [&](const auto& r) { return ApplyCompressor(a, r); });
        case DSP_AMP_MUTE:
            // The device reports amplifier mute; the page shows the amplifier on.
            live.ampOn = SwitchValue(value == 0, controls.ampButton, 1);
            return a.Live(ModelField::AmpOn);
        case DSP_REM_OUT:
            return WithRecord<RemOutRec>(a, record, [&](const RemOutRec& r) {
                LogPrintA("DSP_REM_OUT rem_out1 = %d, rem_out1 = %d\n", r.remOut1, r.remOut2);
                LogPrintA("SetRemOut1OnOffButton : %d\n", r.remOut1 != 0 ? 1 : 0);
                live.rem_out1 = SwitchValue(r.remOut1 != 0, controls.remOut1Button, 1);
                LogPrintA("SetRemOut2OnOffButton : %d\n", r.remOut2 != 0 ? 1 : 0);
                live.rem_out2 = SwitchValue(r.remOut2 != 0, controls.remOut2Button, 1);
                return a.Live(ModelField::RemoteOutputs);
            });
        case DSP_DSP_STATUS:
            LogPrintA("DSP_DSP_STATUS on_off = %d\n", ToInt(value));
            return a.Live(ModelField::DspStatus, kDisconnect | (value == 0 ? kShowDspIsOff : 0u));
        case DSP_CROSS_SOURCE_MIX:
        case DSP_CROSS_SOURCE_MIX_CS47048:
            return WithRecord<CrossMixRec>(
                a, record, [&](const auto& r) { return ApplyCrossMix(a, code, r); });
        case DSP_INPUT_CH_DISTORT:
            return WithRecord<InDistortRec>(a, record, [&](const auto& r) {
                return ApplyDistortion(a, r, &SceneConfig::inDistort, kMixInputCount);
            });
        case DSP_OUTPUT_CH_DISTORT:
            return WithRecord<OutDistortRec>(a, record, [&](const auto& r) {
                return ApplyDistortion(a, r, &SceneConfig::outDistort, kOutChannelCount);
            });
        case DSP_COMPRESSOR_ON_CH:
            return WithRecord<ChValueRec>(a, record,
                                          [&](const auto& r) { return ApplyCompressorOn(a, r); });
        case DSP_COMPRESSOR_SETTING2:
            return WithRecord<Compressor2Rec>(
                a, record, [&](const auto& r) { return ApplyCompressor2(a, r); });
        case DSP_SPK_OHM:
            LogPrintA("DSP_SPK_OHM spk_ohm = %d\n", ToInt(value));
            LogPrintA("SetSpkOhmButton : %d\n", value != 0 ? 1 : 0);
            live.spk_ohm = SwitchValue(value != 0, controls.spkOhmButton, 1);
            return a.Live(ModelField::SpeakerOhm);
        case DSP_NOISE_GATE:
            LogPrintA("DSP_NOISE_GATE noise_gate = %d\n", ToInt(value));
            LogPrintA("SetNoiseGateButton : %d\n", value != 0 ? 1 : 0);
            live.noise_gate = SwitchValue(value != 0, controls.noiseGateButton, 0);
            return a.Live(ModelField::NoiseGate);
        default:
            // Among them the subwoofer volume and the bridge: those fields come from the
            // defaults, profiles and scenes.
            return a.Ignored();
    }
}

}  // namespace tonvia::commands
