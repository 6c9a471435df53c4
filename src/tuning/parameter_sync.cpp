#include "tuning/parameter_sync.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdio>
#include <set>
#include <string_view>
#include <tuple>

#include "commands/payloads.h"
#include "platform/log.h"
#include "tuning/edit_sends.h"
#include "tuning/karaoke_edits.h"

namespace tonvia::tuning {

namespace {

using tonvia::commands::ChannelPair;

// Source switches travel as the device's source code.
constexpr int kSourceDeviceCodeBase = 0x51;
constexpr int kChannelSource = 0;

bool IsSourceIndex(int s) {
    return s >= 0 && s < kInputSourceCount;
}
bool IsInputIndex(int i) {
    return i >= 0 && i < kMixInputCount;
}
bool IsBandIndex(int b) {
    return b >= 0 && b < kEqBandCount;
}

// What a set of rows needs sent; each command once.
struct SendPlan {
    bool source = false;
    bool mainVolume = false;
    bool mainMute = false;
    bool acc = false;
    bool subVolume = false;
    bool ampOn = false;
    bool remOut = false;
    bool spkOhm = false;
    bool noiseGate = false;
    bool bridges = false;
    bool lock = false;
    bool link = false;
    bool solos = false;
    bool inputThreshold = false;
    bool powerOffDelay = false;
    bool karaoke = false;
    std::array<std::bitset<kEqBandCount>, kOutChannelCount> bands{};
    ChannelSet types, trims, mutes, phases, delays, bypass, compressorOn, compressor, highPass,
        lowPass;
    std::set<std::pair<int, int>> routes;           // source, output
    std::set<std::tuple<int, int, int>> mixLevels;  // source, input, output
    std::set<std::pair<int, int>> inputPhases;      // source, input
    std::set<std::pair<int, int>> vices;            // source, input
    std::set<std::string> karaokeFields;
};

template <class T>
void CopyIf(T& to, const T& from, bool copy) {
    if (copy) {
        to = from;
    }
}

// A record-wide whole-number value: where it lives, what carries it, what shows it.
struct Scalar {
    std::string_view name;
    std::int32_t SceneConfig::*member;
    bool SendPlan::*send;
    bool EditResult::*shows;
};
constexpr Scalar kScalars[] = {
    {"inputSource", &SceneConfig::inputSource, &SendPlan::source, &EditResult::source},
    {"mainVolume", &SceneConfig::mainVolume, &SendPlan::mainVolume, &EditResult::mainVolume},
    {"mainVolumeMute", &SceneConfig::mainVolumeMute, &SendPlan::mainMute, &EditResult::mainMute},
    {"acc", &SceneConfig::acc, &SendPlan::acc, &EditResult::acc},
    {"subVolume", &SceneConfig::subVolume, &SendPlan::subVolume, nullptr},
    {"ampOn", &SceneConfig::ampOn, &SendPlan::ampOn, &EditResult::switches},
    {"rem_out1", &SceneConfig::rem_out1, &SendPlan::remOut, &EditResult::switches},
    {"rem_out2", &SceneConfig::rem_out2, &SendPlan::remOut, &EditResult::switches},
    {"spk_ohm", &SceneConfig::spk_ohm, &SendPlan::spkOhm, &EditResult::switches},
    {"noise_gate", &SceneConfig::noise_gate, &SendPlan::noiseGate, &EditResult::switches},
    {"lockMode", &SceneConfig::lockMode, &SendPlan::lock, &EditResult::linkLock},
    {"inputThreshold", &SceneConfig::inputThreshold, &SendPlan::inputThreshold, nullptr},
    {"powerOffDelay", &SceneConfig::powerOffDelay, &SendPlan::powerOffDelay, nullptr},
    {"howling_control", &SceneConfig::howling_control, &SendPlan::karaoke, nullptr},
    {"mic_volume", &SceneConfig::mic_volume, &SendPlan::karaoke, nullptr},
    {"bgmusic_volume", &SceneConfig::bgmusic_volume, &SendPlan::karaoke, nullptr},
    {"voice_changer", &SceneConfig::voice_changer, &SendPlan::karaoke, nullptr},
    {"echo_level", &SceneConfig::echo_level, &SendPlan::karaoke, nullptr},
    {"echo_delay", &SceneConfig::echo_delay, &SendPlan::karaoke, nullptr},
    {"reverb_level", &SceneConfig::reverb_level, &SendPlan::karaoke, nullptr},
    {"reverb_time", &SceneConfig::reverb_time, &SendPlan::karaoke, nullptr},
    {"bass", &SceneConfig::bass, &SendPlan::karaoke, nullptr},
    {"treble", &SceneConfig::treble, &SendPlan::karaoke, nullptr},
};

// A filter's field ("fs", "type", "slope", "bypass").
bool TakeFilterField(FilterSetting& to, const FilterSetting& from, std::string_view field,
                     bool copy) {
    if (field == "fs") {
        CopyIf(to.fs, from.fs, copy);
    } else if (field == "type") {
        CopyIf(to.type, from.type, copy);
    } else if (field == "slope") {
        CopyIf(to.slope, from.slope, copy);
        CopyIf(to.bypass, from.bypass, copy);
    } else {
        return false;
    }
    return true;
}

// One output channel's value (`ch` checked by the caller).
bool TakeChannelField(SceneConfig& live, const SceneConfig& from, const ParameterChange& row,
                      bool copy, SendPlan& plan, EditResult& result) {
    const std::string& f = row.field;
    const int ch = row.channel;
    OutChannel& to = live.channels[At(ch)];
    const OutChannel& src = from.channels[At(ch)];
    if (f.starts_with("eq.")) {
        if (!IsBandIndex(row.band)) {
            return false;
        }
        EqBand& band = to.eqArray[At(row.band)];
        const EqBand& other = src.eqArray[At(row.band)];
        const std::string_view part = std::string_view(f).substr(3);
        if (part == "gain") {
            CopyIf(band.gain, other.gain, copy);
        } else if (part == "q") {
            CopyIf(band.q, other.q, copy);
        } else if (part == "freq") {
            CopyIf(band.freq, other.freq, copy);
        } else if (part == "enable") {
            CopyIf(band.enable, other.enable, copy);
        } else {
            return false;
        }
        plan.bands[At(ch)].set(At(row.band));
        result.bands.Add(ch);
        return true;
    }
    if (f.starts_with("crossover.")) {
        const std::string_view rest = std::string_view(f).substr(10);
        if (rest == "bpType") {
            CopyIf(to.crossover.bpType, src.crossover.bpType, copy);
        } else if (rest.starts_with("hp.") &&
                   TakeFilterField(to.crossover.hp, src.crossover.hp, rest.substr(3), copy)) {
            plan.highPass.Add(ch);
        } else if (rest.starts_with("lp.") &&
                   TakeFilterField(to.crossover.lp, src.crossover.lp, rest.substr(3), copy)) {
            plan.lowPass.Add(ch);
        } else {
            return false;
        }
        result.crossovers.Add(ch);
        return true;
    }
    if (f == "eqSize") {
        CopyIf(to.eqSize, src.eqSize, copy);
        result.bands.Add(ch);
    } else if (f == "gain") {
        CopyIf(to.gain, src.gain, copy);
        plan.trims.Add(ch);
        result.levels.Add(ch);
    } else if (f == "mute") {
        CopyIf(to.mute, src.mute, copy);
        plan.mutes.Add(ch);
        result.mutes.Add(ch);
    } else if (f == "delay") {
        CopyIf(to.delay, src.delay, copy);
        plan.delays.Add(ch);
        result.delays.Add(ch);
    } else if (f == "phase") {
        CopyIf(to.phase, src.phase, copy);
        plan.phases.Add(ch);
        result.phases.Add(ch);
    } else if (f == "solo") {
        CopyIf(to.solo, src.solo, copy);
        // The solo re-sent after a pairing change follows the record it came from.
        CopyIf(live.lastSoloChannel, from.lastSoloChannel, copy);
        plan.solos = true;
        result.solos.Add(ch);
    } else if (f == "bypass") {
        CopyIf(to.bypass, src.bypass, copy);
        plan.bypass.Add(ch);
        result.bypass.Add(ch);
    } else if (f == "compressorOn") {
        CopyIf(to.compressorOn, src.compressorOn, copy);
        plan.compressorOn.Add(ch);
        result.compressors.Add(ch);
    } else {
        return false;
    }
    return true;
}

// A per-channel table of the record (positions, groups, compressor block).
bool TakeChannelTable(SceneConfig& live, const SceneConfig& from, const ParameterChange& row,
                      bool copy, SendPlan& plan, EditResult& result) {
    const std::string& f = row.field;
    const auto c = At(row.channel);
    if (f == "outputs") {
        CopyIf(live.outputs[c], from.outputs[c], copy);
        // The backup and the link partners are derived from the positions.
        CopyIf(live.outputs_bk[c], from.outputs_bk[c], copy);
        CopyIf(live.linkOutputs, from.linkOutputs, copy);
        plan.types.Add(row.channel);
        result.positions.Add(row.channel);
    } else if (f == "linkSel") {
        CopyIf(live.linkSel[c], from.linkSel[c], copy);
        result.groups.Add(row.channel);
    } else if (f == "delayLinkSel") {
        CopyIf(live.delayLinkSel[c], from.delayLinkSel[c], copy);
        result.groups.Add(row.channel);
    } else if (f == "compBypass") {
        CopyIf(live.compBypass[c], from.compBypass[c], copy);
    } else if (f == "compThreshold") {
        CopyIf(live.compThreshold[c], from.compThreshold[c], copy);
    } else if (f == "compRatio") {
        CopyIf(live.compRatio[c], from.compRatio[c], copy);
    } else if (f == "compAttack") {
        CopyIf(live.compAttack[c], from.compAttack[c], copy);
    } else if (f == "compRelease") {
        CopyIf(live.compRelease[c], from.compRelease[c], copy);
    } else if (f == "compKnee") {
        CopyIf(live.compKnee[c], from.compKnee[c], copy);
    } else {
        return false;
    }
    if (f.starts_with("comp")) {
        plan.compressor.Add(row.channel);
    }
    return true;
}

// The routing and mixer tables of one source.
bool TakeSourceTable(SceneConfig& live, const SceneConfig& from, const ParameterChange& row,
                     bool copy, SendPlan& plan, EditResult& result) {
    const std::string& f = row.field;
    const auto s = At(row.source);
    const auto i = At(std::max(row.channel, 0));
    if (f == "inputs" && IsChannel(row.channel)) {
        CopyIf(live.inputs[s][i], from.inputs[s][i], copy);
        plan.routes.emplace(row.source, row.channel);
        result.routing = true;
    } else if (f == "inputMixVolume" && IsInputIndex(row.input) && IsChannel(row.channel)) {
        const auto in = At(row.input);
        CopyIf(live.inputMixVolume[s][in][i], from.inputMixVolume[s][in][i], copy);
        plan.mixLevels.emplace(row.source, row.input, row.channel);
        result.routing = true;
    } else if (f == "inMixPhase" && IsInputIndex(row.channel)) {
        CopyIf(live.inMixPhase[s][i], from.inMixPhase[s][i], copy);
        plan.inputPhases.emplace(row.source, row.channel);
    } else if ((f == "csmViceSource" || f == "csmViceCh" || f == "csmViceGain") &&
               IsInputIndex(row.channel)) {
        if (f == "csmViceSource") {
            CopyIf(live.csmViceSource[s][i], from.csmViceSource[s][i], copy);
        } else if (f == "csmViceCh") {
            CopyIf(live.csmViceCh[s][i], from.csmViceCh[s][i], copy);
        } else {
            CopyIf(live.csmViceGain[s][i], from.csmViceGain[s][i], copy);
        }
        plan.vices.emplace(row.source, row.channel);
    } else {
        return false;
    }
    return true;
}

// Notes the row in the plan and the result; with `copy`, takes its value from `from` into
// `live` first. False for a row that names no tuning parameter of the live record.
bool Take(SceneConfig& live, const SceneConfig& from, const ParameterChange& row, bool copy,
          SendPlan& plan, EditResult& result) {
    if (row.scene != 0 || !IsTuningParameter(row)) {
        return false;
    }
    const std::string& f = row.field;
    if (row.source >= 0) {
        return IsSourceIndex(row.source) && TakeSourceTable(live, from, row, copy, plan, result);
    }
    if (row.channel < 0) {
        for (const Scalar& s : kScalars) {
            if (f == s.name) {
                CopyIf(live.*(s.member), from.*(s.member), copy);
                plan.*(s.send) = true;
                if (s.send == &SendPlan::karaoke) {
                    plan.karaokeFields.insert(f);
                }
                if (s.shows != nullptr) {
                    result.*(s.shows) = true;
                }
                return true;
            }
        }
        if (f == "linkMode") {
            // The partners follow the mode; they are derived and never compared themselves.
            CopyIf(live.linkMode, from.linkMode, copy);
            CopyIf(live.linkOutputs, from.linkOutputs, copy);
            plan.link = true;
            result.linkLock = true;
            return true;
        }
        return false;
    }
    if (!IsChannel(row.channel)) {
        return false;
    }
    if (f == "bridgeOutputs") {
        const auto pair = At(row.channel / 2);
        CopyIf(live.bridgeOutputs[pair], from.bridgeOutputs[pair], copy);
        plan.bridges = true;
        result.bridges = true;
        return true;
    }
    return TakeChannelField(live, from, row, copy, plan, result) ||
           TakeChannelTable(live, from, row, copy, plan, result);
}

void SendLinkOfRecord(Session& session) {
    const SceneConfig& live = Live(session);
    std::vector<ChannelPair> pairs;
    if (live.linkMode == 1) {
        for (int ch = 0; ch < kOutChannelCount; ++ch) {
            const int partner = live.linkOutputs[At(ch)];
            if (partner > ch && IsChannel(partner)) {
                pairs.push_back(ChannelPair{ch, partner});
            }
        }
    }
    SendLink(session, pairs);
}

void SendChannelValues(Session& session, const SendPlan& plan, int ch) {
    if (plan.lowPass.Has(ch)) {
        SendFilter(session, ch, false);
    }
    if (plan.highPass.Has(ch)) {
        SendFilter(session, ch, true);
    }
    for (int b = 0; b < kEqBandCount; ++b) {
        if (plan.bands[At(ch)].test(At(b))) {
            SendBand(session, ch, b);
        }
    }
    if (plan.bypass.Has(ch)) {
        SendBypass(session, ch);
    }
    if (plan.trims.Has(ch)) {
        SendTrim(session, ch);
    }
    if (plan.mutes.Has(ch)) {
        SendMute(session, ch);
    }
    if (plan.phases.Has(ch)) {
        SendPhase(session, ch);
    }
    if (plan.delays.Has(ch)) {
        SendDelay(session, ch);
    }
    if (plan.compressorOn.Has(ch)) {
        const int on[] = {Channel(session, ch).compressorOn};
        session.Link().Compressor_Ch_Ctrl(Live(session).scene, kChannelSource, ch, ch, on, false);
    }
}

void SendRecordValues(Session& session, const SendPlan& plan, const SceneConfig& live) {
    CHidDevice& link = session.Link();
    if (plan.mainVolume) {
        // The device counts down from the top of the range: +6 dB travels as 0.
        link.Main_Volume_Ctrl(static_cast<float>(kMainVolumeMax - live.mainVolume), false);
    }
    if (plan.mainMute) {
        link.Mute_Ctrl(live.mainVolumeMute, false);
    }
    if (plan.acc) {
        link.Set_Acc(live.acc, false);
    }
    if (plan.subVolume) {
        link.Subwoofer_Volume_Ctrl(live.subVolume, false);
    }
    if (plan.ampOn) {
        link.Amp_Mute_Ctrl(1 - live.ampOn, false);
    }
    if (plan.remOut) {
        link.Rem_Out_Ctrl(live.rem_out1, live.rem_out2, false);
    }
    if (plan.spkOhm) {
        link.Spk_Ohm_Ctrl(live.spk_ohm, false);
    }
    if (plan.noiseGate) {
        link.Noise_Gate_Ctrl(live.noise_gate, false);
    }
    if (plan.inputThreshold) {
        link.Input_Ch_Threshold_Ctrl(live.inputThreshold, false);
    }
    if (plan.powerOffDelay) {
        link.Set_Power_Off_Time(live.powerOffDelay, false);
    }
    for (const std::string& field : plan.karaokeFields) {
        SendKaraokeField(session, field);
    }
}

// The commands of a plan, in the order a device takes a whole scene: the source, the
// pairing of the outputs, each channel's values, the routing, then the record's values.
void Send(Session& session, const SendPlan& plan, EditResult& result) {
    CHidDevice& link = session.Link();
    const SceneConfig& live = Live(session);
    if (plan.source) {
        link.Source_Switch_Ctrl(kSourceDeviceCodeBase + live.inputSource, true);
        // The device sets the source's own volume; the page reads it back.
        result.startVolumePoll = true;
    }
    if (plan.bridges) {
        SendBridges(session);
    }
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        if (plan.types.Has(ch)) {
            SendType(session, ch);
        }
    }
    if (plan.lock) {
        SendLock(session);
    }
    if (plan.link) {
        SendLinkOfRecord(session);
    }
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        SendChannelValues(session, plan, ch);
    }
    if (plan.solos) {
        SendSolos(session);
    }
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        if (plan.compressor.Has(ch)) {
            SendCompressor(session, ch);
        }
    }
    for (const auto& [source, output] : plan.routes) {
        const std::uint32_t mask[] = {
            static_cast<std::uint32_t>(live.inputs[At(source)][At(output)])};
        link.Mix_Ch_Ctrl(live.scene, source, output, output, mask, false);
    }
    for (const auto& [source, input, output] : plan.mixLevels) {
        SendLevel(session, source, input, output,
                  live.inputMixVolume[At(source)][At(input)][At(output)]);
    }
    for (const auto& [source, input] : plan.inputPhases) {
        const int phase[] = {live.inMixPhase[At(source)][At(input)]};
        link.Input_Phase_Ctrl(live.scene, source, input, input, phase, false);
    }
    for (const auto& [source, input] : plan.vices) {
        SendVice(session, source, input);
    }
    SendRecordValues(session, plan, live);
}

EditResult Carry(Session& session, const SceneConfig* from, std::span<const ParameterChange> rows,
                 bool send) {
    SceneConfig& live = Live(session);
    SendPlan plan;
    EditResult result;
    int taken = 0;
    for (const ParameterChange& row : rows) {
        if (Take(live, from != nullptr ? *from : live, row, from != nullptr, plan, result)) {
            ++taken;
        }
    }
    LogPrintA("%s %d of %d parameters\n", from != nullptr ? "WriteParameters" : "SendParameters",
              taken, static_cast<int>(rows.size()));
    if (send && taken > 0 && session.Link().IsConnected()) {
        Send(session, plan, result);
    }
    return result;
}

}  // namespace

bool IsTuningParameter(const ParameterChange& change) {
    static constexpr std::string_view kOthers[] = {"model",     "mainVersion",    "slaveVersion",
                                                   "inDistort", "outDistort",     "dspOn",
                                                   "chCount",   "lastSoloChannel"};
    // A filter's bypass follows its slope: it travels and is compared with the slope.
    if (change.field.starts_with("flashver[") || change.field == "crossover.hp.bypass" ||
        change.field == "crossover.lp.bypass") {
        return false;
    }
    return std::find(std::begin(kOthers), std::end(kOthers), change.field) == std::end(kOthers);
}

bool NamesAnInput(const ParameterChange& change) {
    const std::string& f = change.field;
    return f == "inMixPhase" || f == "inDistort" || f == "csmViceSource" || f == "csmViceCh" ||
           f == "csmViceGain";
}

std::vector<ParameterChange> TuningDifferences(const SceneConfig& a, const SceneConfig& b) {
    std::vector<ParameterChange> changes = CompareScenes(a, b);
    std::erase_if(changes, [](const ParameterChange& c) { return !IsTuningParameter(c); });
    return changes;
}

std::string ParameterName(const ParameterChange& change) {
    std::string name;
    const auto part = [&name](const char* label, int index) {
        if (index >= 0) {
            name += label;
            name += ' ';
            name += std::to_string(index + 1);
            name += ' ';
        }
    };
    if (change.scene > 0) {
        name += "scene " + std::to_string(change.scene) + " ";
    }
    part("source", change.source);
    if (NamesAnInput(change)) {
        part("input", change.channel);
    } else {
        part("input", change.input);
        part("ch", change.channel);
    }
    part("band", change.band);
    return name + change.field;
}

std::string ParameterValueText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

void CopyParameters(SceneConfig& to, const SceneConfig& from,
                    std::span<const ParameterChange> rows) {
    SendPlan plan;
    EditResult result;
    for (const ParameterChange& row : rows) {
        Take(to, from, row, true, plan, result);
    }
}

EditResult WriteParameters(Session& session, const SceneConfig& from,
                           std::span<const ParameterChange> rows, bool send) {
    return Carry(session, &from, rows, send);
}

EditResult SendParameters(Session& session, std::span<const ParameterChange> rows) {
    return Carry(session, nullptr, rows, true);
}

}  // namespace tonvia::tuning
