// The rules half of the output configuration.
#include "tuning/output_edits.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "commands/payloads.h"
#include "model/positions.h"
#include "platform/log.h"
#include "tuning/edit_sends.h"

namespace tonvia::tuning {

namespace {

using tonvia::commands::ChannelPair;

// One step of the speaker diagram's delay buttons, in milliseconds.
constexpr double kSpeakerDelayStepMs = 0.021;
// The input mixer's inputs per source; every source is sent, offered or not.
constexpr int kMixInputsSent = 4;
constexpr int kDelayLinkGroupMax = 6;

bool IsPair(int pair) {
    return pair >= 0 && pair < kChannelPairCount;
}

// The first channel holding a speaker-diagram code; the diagram has no mark for code 0.
std::optional<int> FirstHolder(const SceneConfig& live, int code) {
    if (code < 1 || FindSpeakerPosition(code) == nullptr) {
        return std::nullopt;
    }
    for (int i = 0; i < kOutChannelCount; ++i) {
        if (live.outputs[At(i)] == code) {
            return i;
        }
    }
    return std::nullopt;
}

// ---- Sends ----

void SendFilters(Session& session, int ch) {
    SendFilter(session, ch, false);
    SendFilter(session, ch, true);
}

void SendAllTrims(Session& session) {
    for (int i = 0; i < kOutChannelCount; ++i) {
        SendTrim(session, i);
    }
}

// ---- Shared steps ----

// The solo of the channel that was soloed last, applied again: a changed pairing may have
// left a solo that no longer matches its pair.
void ResendLastSolo(Session& session, EditResult& result) {
    SceneConfig& live = Live(session);
    const int last = live.lastSoloChannel;
    if (!IsChannel(last)) {
        return;
    }
    result.solos.Add(SetChannelSolo(live, last, live.channels[At(last)].solo != 0));
    SendSolos(session);
}

// The link off in the model and on the device.
void SwitchLinkOff(Session& session, EditResult& result) {
    SetOutputLinkMode(Live(session), false);
    SendLink(session, {});
    result.linkLock = true;
}

// Gives ch a position. `crossover` is what the channel takes with it: the code's default,
// or, for a bridged copy, the crossover it was just given.
EditResult ApplyPosition(Session& session, int ch, int code, bool keepBackup,
                         const Crossover& crossover) {
    const SpeakerPosition* position = FindSpeakerPosition(code);
    if (!IsChannel(ch) || position == nullptr) {
        return Refused();
    }
    SceneConfig& live = Live(session);
    LogPrintA("SetOutputValue channel %d selected value %s\n", ch, position->tag);
    EditResult result;
    const std::int32_t backup = live.outputs_bk[At(ch)];
    SetOutputPosition(live, ch, code);
    if (keepBackup) {
        live.outputs_bk[At(ch)] = backup;
    }
    result.positions.Add(ch);
    // While link is on the partners have just been recomputed from the positions.
    result.linkLock = live.linkMode == 1;
    live.channels[At(ch)].crossover = crossover;
    result.crossovers.Add(ch);
    result.Merge(SelectChannel(session, ch));

    SendType(session, ch);
    SendFilters(session, ch);
    SendTrim(session, ch);
    return result;
}

// The delay of i from the speaker diagram, unquantised, then the same milliseconds for its
// synchronise group and its pair (quantised there to the 0..15 ms range), i sent last.
EditResult ApplySpeakerDelay(Session& session, int code, int i, double ms) {
    SceneConfig& live = Live(session);
    const double d = std::clamp(ms, 0.0, static_cast<double>(kDelayMaxMs));
    LogPrintA("speaker %d channel %d delay edit value %.3f\n", code, i, d);
    EditResult result;
    const float old = live.channels[At(i)].delay;
    live.channels[At(i)].delay = static_cast<float>(d);
    result.delays.Add(i);
    const double delta = static_cast<double>(live.channels[At(i)].delay) - static_cast<double>(old);
    if (delta != 0.0) {
        // The pair of i, not of the current channel: with a bridged pair holding one code,
        // i is the even channel even when the odd one is current.
        const std::optional<int> pair = live.PairChannel(i);
        auto store = [&](int ch) {
            const double moved = static_cast<double>(live.channels[At(ch)].delay) + delta;
            live.channels[At(ch)].delay =
                static_cast<float>(QuantizeDelay(DelayUnit::Milliseconds, moved));
            SendDelay(session, ch);
            result.delays.Add(ch);
        };
        for (const int member : SynchronizeGroup(live, i)) {
            if (member != pair) {
                store(member);
            }
        }
        if (pair) {
            store(*pair);
        }
    }
    SendDelay(session, i);
    return result;
}

}  // namespace

// ---- Positions ----

EditResult SetOutputValue(Session& session, int ch, int code, bool keepBackup) {
    return ApplyPosition(session, ch, code, keepBackup, DefaultCrossover(code));
}

EditResult ChooseOutputPosition(Session& session, int ch, int code) {
    const SceneConfig& live = Live(session);
    if (!IsChannel(ch) || FindSpeakerPosition(code) == nullptr) {
        return Refused();
    }
    const bool bridged = IsBridged(live, ch);
    // A bridged partner plays the same speaker and takes the same code: its position blocks
    // nothing, or a bridged pair could never move within its group.
    bool allowed = live.IsCodeAllowed(ch, code);
    if (!allowed && bridged) {
        SceneConfig withoutPartner = live;
        withoutPartner.outputs[At(ch ^ 1)] = kPositionEmpty;
        allowed = withoutPartner.IsCodeAllowed(ch, code);
    }
    if (!allowed) {
        return Refused();
    }
    EditResult result = SetOutputValue(session, ch, code, false);
    if (bridged) {
        result.Merge(SetOutputValue(session, ch ^ 1, code, false));
    }
    return result;
}

// ---- Speaker diagram ----

EditResult SetSpeakerFocus(Session& session, int code) {
    LogPrintA("on %s index %d\n", "EqualizerManager::SetSpeakerFocus", code);
    EditResult result;
    if (code < 1) {
        return result;
    }
    for (int i = 0; i < kOutChannelCount; ++i) {
        if (Live(session).outputs[At(i)] == code) {
            result.Merge(SelectChannel(session, i));
        }
    }
    return result;
}

EditResult SpeakerDelayStep(Session& session, int code, bool up) {
    const std::optional<int> i = FirstHolder(Live(session), code);
    if (!i) {
        return {};
    }
    const double step = up ? kSpeakerDelayStepMs : -kSpeakerDelayStepMs;
    return ApplySpeakerDelay(session, code, *i,
                             static_cast<double>(Channel(session, *i).delay) + step);
}

EditResult SetSpeakerDelay(Session& session, int code, double ms) {
    if (std::isnan(ms)) {
        return Refused();
    }
    const std::optional<int> i = FirstHolder(Live(session), code);
    if (!i) {
        return {};
    }
    return ApplySpeakerDelay(session, code, *i, ms);
}

// ---- Bridging ----

EditResult SetBridge(Session& session, int pair, bool on, bool apply) {
    if (!IsPair(pair)) {
        return Refused();
    }
    Live(session).bridgeOutputs[At(pair)] = on ? 1 : 0;
    SendBridges(session);
    EditResult result;
    result.bridges = true;
    if (apply) {
        result.Merge(ApplyBridge(session, pair, on));
    }
    return result;
}

EditResult ApplyBridge(Session& session, int pair, bool on) {
    if (!IsPair(pair)) {
        return Refused();
    }
    SceneConfig& live = Live(session);
    const int l = 2 * pair;
    const int r = l + 1;
    EditResult result;
    if (!on) {
        result.Merge(SetOutputValue(session, r, live.outputs_bk[At(r)], false));
        ResendLastSolo(session, result);
        return result;
    }

    const OutChannel& left = live.channels[At(l)];
    OutChannel& right = live.channels[At(r)];
    live.CopyOutConfig(l, r);
    right.crossover.bpType = left.crossover.bpType;
    right.gain = left.gain;
    // Both halves drive one speaker, so the copy plays every band the left one has.
    for (int band = 0; band < std::clamp(right.eqSize, 0, kEqBandCount); ++band) {
        right.eqArray[At(band)].enable = 1;
        SendBand(session, r, band);
    }
    SendFilters(session, r);
    SendBypass(session, r);
    result.bands.Add(r);
    result.crossovers.Add(r);
    result.bypass.Add(r);
    SendTrim(session, r);
    result.levels.Add(r);
    right.delay =
        static_cast<float>(QuantizeDelay(DelayUnit::Milliseconds, static_cast<double>(left.delay)));
    SendDelay(session, r);
    result.delays.Add(r);

    live.CopyMixConfig(l, r);
    for (int source = 0; source < kInputSourceCount; ++source) {
        // The routing mask goes too: the device would otherwise keep r's own inputs.
        const std::uint32_t mask[] = {static_cast<std::uint32_t>(live.inputs[At(source)][At(r)])};
        session.Link().Mix_Ch_Ctrl(live.scene, source, r, r, mask, false);
        for (int input = 0; input < kMixInputsSent; ++input) {
            const int trim[] = {live.inputMixVolume[At(source)][At(input)][At(r)]};
            session.Link().Input_Mix_Trim_Ctrl(live.scene, source, input, r, r, trim, false);
        }
    }
    result.routing = true;

    // r keeps the crossover just copied: the code's default would undo the copy.
    result.Merge(ApplyPosition(session, r, live.outputs[At(l)], true, right.crossover));
    result.Merge(SetChPhase(session, r, left.phase != 0));
    // The solo is a copy, not the user's solo of r: lastSoloChannel stays.
    result.solos.Add(SetChannelSolo(live, r, left.solo != 0));
    SendSolos(session);
    result.Merge(SetChMute(session, r, left.mute != 0));
    result.Merge(SetChSynchronize(session, r, live.linkSel[At(l)]));
    return result;
}

// ---- Synchronise and delay-link groups ----

EditResult SetChSynchronize(Session& session, int ch, int group) {
    if (!IsChannel(ch) || group < 0) {
        return Refused();
    }
    SceneConfig& live = Live(session);
    LogPrintA("channel %d synchronize seleted %d\n", ch, group);
    live.linkSel[At(ch)] = group;
    EditResult result;
    result.groups.Add(ch);

    const int c = CurrentChannel(live);
    if (group >= 1 && live.linkSel[At(c)] > 0) {
        for (const int member : SynchronizeGroup(live, c)) {
            live.channels[At(member)].bypass = live.channels[At(c)].bypass;
            SendBypass(session, member);
            result.bypass.Add(member);
        }
    }
    if (live.linkSel[At(ch)] > 0) {
        // From the stored levels: the level edits show them cut to 0.5 dB.
        SendAllTrims(session);
        SendFilters(session, ch);
    }
    result.Merge(SelectChannel(session, ch));
    return result;
}

EditResult SetChDelayLink(Session& session, int ch, int group) {
    if (!IsChannel(ch) || group < 0 || group > kDelayLinkGroupMax) {
        return Refused();
    }
    LogPrintA("channel %d dealy link seleted %d\n", ch, group);
    Live(session).delayLinkSel[At(ch)] = group;
    EditResult result;
    result.groups.Add(ch);
    result.Merge(SelectChannel(session, ch));
    return result;
}

EditResult ChooseSynchronize(Session& session, int ch, int group) {
    if (!IsChannel(ch) || group < 0) {
        return Refused();
    }
    EditResult result = SetChSynchronize(session, ch, group);
    if (IsBridged(Live(session), ch)) {
        result.Merge(SetChSynchronize(session, ch ^ 1, group));
    }
    return result;
}

EditResult ChooseDelayLink(Session& session, int ch, int group) {
    if (!IsChannel(ch) || group < 0 || group > kDelayLinkGroupMax) {
        return Refused();
    }
    EditResult result = SetChDelayLink(session, ch, group);
    if (IsBridged(Live(session), ch)) {
        result.Merge(SetChDelayLink(session, ch ^ 1, group));
    }
    return result;
}

EditResult ResetSynchronizeGroups(Session& session) {
    EditResult result;
    for (int i = 0; i < kOutChannelCount; ++i) {
        result.Merge(SetChSynchronize(session, i, 0));
    }
    return result;
}

bool OutputLinkOffered(const SceneConfig& live) {
    for (int i = 0; i < kOutChannelCount; ++i) {
        if (live.linkSel[At(i)] > 0 || live.delayLinkSel[At(i)] > 0) {
            return false;
        }
    }
    return true;
}

// ---- Output lock and link ----

EditResult SetOutpuLock(Session& session, const Confirm& ask) {
    LogPrintA("on %s\n", "EqualizerManager::SetOutpuLock");
    SceneConfig& live = Live(session);
    EditResult result;
    // The page sets its button back from the model even when the question is declined.
    result.linkLock = true;
    const bool locked = live.lockMode == 1;
    const bool lock =
        locked ? !Confirmed(ask, "${unlock_output_tips}") : Confirmed(ask, "${lock_output_tips}");
    if (SetOutputLockMode(live, lock)) {
        SendLink(session, {});
        result.Merge(SelectChannel(session, CurrentChannel(live)));
    }
    SendLock(session);
    return result;
}

EditResult SetOutputLink(Session& session, const ChooseCopy& choose) {
    LogPrintA("on %s\n", "EqualizerManager::SetOutputLink");
    SceneConfig& live = Live(session);
    EditResult result;
    result.linkLock = true;
    const auto partners = LinkPartners(live.outputs);
    const bool linkable =
        std::any_of(partners.begin(), partners.end(), [](std::int32_t j) { return j >= 0; });
    if (!linkable) {
        SwitchLinkOff(session, result);
        result.notice = "${not_linkable_tips}";
        return result;
    }

    std::vector<ChannelPair> pairs;
    if (live.linkMode == 1) {
        SetOutputLinkMode(live, false);
        live.lockMode = 0;
        SendLock(session);
    } else {
        const int choice = choose ? choose() : 1;
        if (choice != 1 && choice != 2) {
            return result;
        }
        LogPrintA("CMsgCheckBoxWnd %d\n", choice);
        SetOutputLinkMode(live, true);  // locks too, and pairs the partner positions
        SendLock(session);
        for (int i = 0; i < kOutChannelCount; ++i) {
            const int j = live.linkOutputs[At(i)];
            if (!IsChannel(j)) {
                continue;
            }
            // Left codes are the lower ones.
            const bool leftToRight = live.outputs[At(i)] < live.outputs[At(j)];
            const bool rightToLeft = live.outputs[At(i)] > live.outputs[At(j)];
            if ((choice == 1 && leftToRight) || (choice == 2 && rightToLeft)) {
                live.CopyOutConfig(i, j);
                result.bands.Add(j);
                result.crossovers.Add(j);
                result.bypass.Add(j);
                pairs.push_back(ChannelPair{i, j});
                const double position = static_cast<double>(live.channels[At(i)].gain) * 10.0;
                result.Merge(SetChVolume(session, i, RoundHalfAway(position), false, true));
            }
        }
        const int c = CurrentChannel(live);
        result.Merge(SetChDelay(session, c, static_cast<double>(live.channels[At(c)].delay),
                                DelayUnit::Milliseconds));
    }
    result.Merge(SelectChannel(session, CurrentChannel(live)));
    ResendLastSolo(session, result);
    SendLink(session, pairs);
    return result;
}

// ---- Output reset ----

EditResult ResetOutputs(Session& session, int mode) {
    if (mode != 1 && mode != 2) {
        return Refused();
    }
    SceneConfig& live = Live(session);
    EditResult result;
    for (int i = 0; i < kOutChannelCount; ++i) {
        const int code = mode == 1 ? kDefaultOutputs[At(i)] : kPositionEmpty;
        result.Merge(SetOutputValue(session, i, code, false));
    }
    live.lockMode = 0;
    SendLock(session);
    SwitchLinkOff(session, result);
    SendAllTrims(session);
    // Bridged pairs are set up again on their new positions. Setting up a pair makes its
    // right channel current, so channel 0 is made current after them.
    for (int p = 0; p < kChannelPairCount; ++p) {
        result.Merge(SetBridge(session, p, live.bridgeOutputs[At(p)] != 0, true));
    }
    result.Merge(SelectChannel(session, 0));
    return result;
}

}  // namespace tonvia::tuning
