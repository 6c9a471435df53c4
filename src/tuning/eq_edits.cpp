// The rules half of the EQ bands, the EQ bypass, reset and mode, and the crossovers.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/log.h"
#include "tuning/edit_sends.h"
#include "tuning/edits.h"

namespace tonvia::tuning {

namespace {

// The device hears the current channel at most this often from a curve drag.
constexpr std::int64_t kDragSendIntervalMs = 500;
// Below this a gain counts as 0 dB; below kFlatSum a whole channel counts as flat.
constexpr float kZeroGain = 0.001f;
constexpr float kFlatSum = 0.01f;
// Differences the page cannot show: a text commit or a drag move this close changes nothing.
constexpr float kSameQ = 0.025f;
constexpr float kSameGain = 0.01f;

OutChannel& Channel(SceneConfig& live, int ch) {
    return live.channels[static_cast<std::size_t>(ch)];
}

EqBand& Band(OutChannel& channel, int band) {
    return channel.eqArray[static_cast<std::size_t>(band)];
}

int BandsInUse(const OutChannel& channel) {
    return std::clamp(channel.eqSize, 0, kEqBandCount);
}

bool HasBand(SceneConfig& live, int ch, int band) {
    return band >= 0 && band < BandsInUse(Channel(live, ch));
}

// The gain the page shows and the device applies.
float ShownGain(const OutChannel& channel, const EqBand& band) {
    return channel.bypass == 1 || band.enable == 0 ? 0.0f : band.gain;
}

// Counts the gains of disabled bands too: they come back when the band is enabled, and an
// automatic bypass must not hide them.
float StoredGainSum(const OutChannel& channel) {
    float sum = 0.0f;
    for (int i = 0; i < BandsInUse(channel); ++i) {
        sum += std::abs(channel.eqArray[static_cast<std::size_t>(i)].gain);
    }
    return sum;
}

FilterSetting& Filter(OutChannel& channel, bool highPass) {
    return highPass ? channel.crossover.hp : channel.crossover.lp;
}

// The channels that follow the current channel's edits. The pair is kept out of the group
// even when it belongs to it, so that it is written and sent once, as the pair.
struct Followers {
    std::vector<int> group;
    std::optional<int> pair;
};

Followers FollowersOf(SceneConfig& live, int c) {
    Followers followers;
    followers.pair = live.PairChannel(c);
    for (const int member : SynchronizeGroup(live, c)) {
        if (member != followers.pair) {
            followers.group.push_back(member);
        }
    }
    return followers;
}

// A band edit reaches only the followers that have that band.
Followers BandFollowersOf(SceneConfig& live, int c, int band) {
    Followers followers = FollowersOf(live, c);
    std::erase_if(followers.group, [&](int ch) { return !HasBand(live, ch, band); });
    if (followers.pair && !HasBand(live, *followers.pair, band)) {
        followers.pair.reset();
    }
    return followers;
}

bool DragSendDue(Session& session, bool release, std::int64_t nowMs) {
    const std::optional<std::int64_t>& last = session.Model().page.dragSendMs;
    return release || !last || nowMs < *last || nowMs - *last >= kDragSendIntervalMs;
}

// Every non-zero band of ch from `firstBand` on to 0 dB and enabled, each sent.
void ZeroEqGains(Session& session, int ch, EditResult& result, int firstBand = 0) {
    OutChannel& channel = Channel(Live(session), ch);
    for (int i = firstBand; i < BandsInUse(channel); ++i) {
        EqBand& band = Band(channel, i);
        if (std::abs(band.gain) > kZeroGain) {
            band.gain = 0.0f;
            band.enable = 1;
            SendBand(session, ch, i);
            result.bands.Add(ch);
        }
    }
}

// Writes `change` into the current channel's filter, the pair's and the group's, then sends
// the group's, the current channel's and the pair's.
template <typename Change>
EditResult ApplyFilterChange(Session& session, bool highPass, Change change) {
    SceneConfig& live = Live(session);
    const int c = CurrentChannel(live);
    const Followers followers = FollowersOf(live, c);
    EditResult result;
    auto write = [&](int ch) {
        change(Filter(Channel(live, ch), highPass));
        result.crossovers.Add(ch);
    };
    write(c);
    if (followers.pair) {
        write(*followers.pair);
    }
    for (const int member : followers.group) {
        write(member);
        SendFilter(session, member, highPass);
    }
    SendFilter(session, c, highPass);
    if (followers.pair) {
        SendFilter(session, *followers.pair, highPass);
    }
    return result;
}

EditResult SetCrossoverFreq(Session& session, bool highPass, int typedHz) {
    LogPrintA(highPass ? "set hp freq to %d \n" : "set lp freq to %d \n", typedHz);
    SceneConfig& live = Live(session);
    const Crossover& crossover = Channel(live, CurrentChannel(live)).crossover;
    int hz = std::clamp(typedHz, kFreqMin, kFreqMax);
    // The typed value, not the clamped one, decides: an HP typed far above the LP lands on it.
    if (highPass && crossover.lp.fs < typedHz) {
        hz = crossover.lp.fs;
    } else if (!highPass && crossover.hp.fs > typedHz) {
        hz = crossover.hp.fs;
    }
    return ApplyFilterChange(session, highPass, [hz](FilterSetting& f) { f.SetFs(hz); });
}

EditResult StepCrossoverFreq(Session& session, bool highPass, bool up) {
    LogPrintA(highPass ? "SetHpFreqUp up(%d)\n" : "SetLpFreqUp up(%d)\n", up ? 1 : 0);
    SceneConfig& live = Live(session);
    const Crossover& crossover = Channel(live, CurrentChannel(live)).crossover;
    const std::optional<int> next = highPass
                                        ? StepHpFrequency(crossover.hp.fs, crossover.lp.fs, up)
                                        : StepLpFrequency(crossover.lp.fs, crossover.hp.fs, up);
    if (!next) {
        return {};
    }
    return SetCrossoverFreq(session, highPass, *next);
}

EditResult SetCrossoverSlope(Session& session, bool highPass, int slope) {
    LogPrintA(highPass ? "set hp slop to %s index %d\n" : "set lp slop to %s index %d\n",
              std::to_string(slope).c_str(), slope);
    EditResult result;
    if (slope < 0 || slope > kSlopeMax) {
        result.refused = true;
        return result;
    }
    SceneConfig& live = Live(session);
    if (Filter(Channel(live, CurrentChannel(live)), highPass).slope == slope) {
        return result;
    }
    return ApplyFilterChange(session, highPass, [slope](FilterSetting& f) { f.SetSlope(slope); });
}

EditResult SetCrossoverType(Session& session, bool highPass, int type) {
    LogPrintA(highPass ? "set hp type to %s index %d\n" : "set lp type to %s index %d\n",
              std::to_string(type).c_str(), type);
    EditResult result;
    if (type < kFilterButterworth || type > kFilterBessel) {
        result.refused = true;
        return result;
    }
    SceneConfig& live = Live(session);
    const FilterSetting& current = Filter(Channel(live, CurrentChannel(live)), highPass);
    if (current.type == type) {
        return result;
    }
    // Linkwitz-Riley filters exist in even orders only.
    if (type == kFilterLinkwitzRiley && current.slope % 2 != 0) {
        result.Merge(SetCrossoverSlope(session, highPass, current.slope + 1));
    }
    result.Merge(
        ApplyFilterChange(session, highPass, [type](FilterSetting& f) { f.SetType(type); }));
    return result;
}

void LogBandEdit(int band, float gain, float q, int freq, BandPath path, int c) {
    switch (path) {
        case BandPath::Slider:
            LogPrintA("sliderValue (%.1f) ,freqValue(%d) ,qValue(%f) @band(%d) @ channel(%d)\n",
                      static_cast<double>(gain), freq, static_cast<double>(q), band, c);
            break;
        case BandPath::Text:
            LogPrintA("SetChEqEdit band=%d\n", band);
            LogPrintA("freqValue(%d) ,qValue(%f) ,gainValue(%.1f)\n", freq, static_cast<double>(q),
                      static_cast<double>(gain));
            break;
        case BandPath::Drag:
            LogPrintA("%s cmd %d index %d\n", "EqualizerCallback", 0, band);
            break;
    }
}

}  // namespace

// ---- EQ bands ----

EditResult ApplyEqBand(Session& session, int band, float gain, float q, int freq, BandPath path,
                       bool release, std::int64_t nowMs) {
    SceneConfig& live = Live(session);
    const int c = CurrentChannel(live);
    LogBandEdit(band, gain, q, freq, path, c);
    EditResult result;
    if (!HasBand(live, c, band) || !std::isfinite(gain) || !std::isfinite(q) || freq < kFreqMin ||
        freq > kFreqMax) {
        result.refused = true;
        return result;
    }
    gain = std::clamp(gain, kEqGainMin, kEqGainMax);
    q = std::clamp(q, kEqQMin, kEqQMax);
    OutChannel& current = Channel(live, c);
    auto unchanged = [&](bool orSilentOnBypass) {
        const EqBand& stored = Band(current, band);
        const bool sameGain =
            std::abs(gain - stored.gain) < kSameGain ||
            (orSilentOnBypass && current.bypass == 1 && std::abs(gain) < kZeroGain);
        return stored.enable != 0 && freq == stored.freq && std::abs(q - stored.q) < kSameQ &&
               sameGain;
    };
    if (path == BandPath::Drag && !release && unchanged(true)) {
        return result;
    }

    const Followers followers = BandFollowersOf(live, c, band);
    // A bypassed channel shows every band at 0 dB; editing it starts from what it shows. A
    // drag does so only once it gives a gain: moving a band along 0 dB clears nothing.
    if (current.bypass == 1 && (path != BandPath::Drag || std::abs(gain) > kZeroGain)) {
        ZeroEqGains(session, c, result);
        for (const int member : followers.group) {
            if (Channel(live, member).bypass == 1) {
                ZeroEqGains(session, member, result);
            }
        }
        if (followers.pair) {
            ZeroEqGains(session, *followers.pair, result);
        }
    }
    if (path == BandPath::Text && unchanged(false)) {
        return result;
    }

    const EqBand value{gain, q, freq, 1};
    Band(current, band) = value;
    result.bands.Add(c);
    result.band = band;
    for (const int member : followers.group) {
        Band(Channel(live, member), band) = value;
        SendBand(session, member, band);
        result.bands.Add(member);
    }
    if (followers.pair) {
        Band(Channel(live, *followers.pair), band) = value;
        result.bands.Add(*followers.pair);
        if (path != BandPath::Drag) {
            SendBand(session, *followers.pair, band);
        }
    }

    // A channel left without any gain is bypassed on the device.
    const bool active = path == BandPath::Drag ? gain != 0.0f : std::abs(gain) > kZeroGain;
    const std::uint8_t bypass = !active && StoredGainSum(current) < kFlatSum ? 1 : 0;
    auto storeBypass = [&](int ch) {
        OutChannel& channel = Channel(live, ch);
        if (channel.bypass != bypass) {
            channel.bypass = bypass;
            SendBypass(session, ch);
            result.bypass.Add(ch);
        }
    };
    auto storeGroupBypass = [&] {
        storeBypass(c);
        for (const int member : followers.group) {
            storeBypass(member);
        }
    };

    if (path != BandPath::Drag) {
        storeGroupBypass();
        if (followers.pair) {
            storeBypass(*followers.pair);
        }
        SendBand(session, c, band);
    } else if (DragSendDue(session, release, nowMs)) {
        session.Model().page.dragSendMs = nowMs;
        SendBand(session, c, band);
        storeGroupBypass();
        if (followers.pair) {
            SendBand(session, *followers.pair, band);
            storeBypass(*followers.pair);
        }
    }
    return result;
}

EditResult SetChannelBands(Session& session, int ch, std::span<const EqBand> bands) {
    if (!IsChannel(ch)) {
        return Refused();
    }
    LogPrintA("SetChannelBands channel(%d) bands(%zu)\n", ch, bands.size());
    SceneConfig& live = Live(session);
    const Followers followers = FollowersOf(live, ch);
    std::vector<int> targets{ch};
    targets.insert(targets.end(), followers.group.begin(), followers.group.end());
    if (followers.pair) {
        targets.push_back(*followers.pair);
    }
    EditResult result;
    for (const int target : targets) {
        OutChannel& channel = Channel(live, target);
        // A follower takes the bands it has.
        const int count = std::min(BandsInUse(channel), static_cast<int>(bands.size()));
        float newGains = 0.0f;
        for (int i = 0; i < count; ++i) {
            newGains += std::abs(bands[At(i)].gain);
        }
        // As a band edit on a bypassed channel: the gains the bypass hid do not come back.
        if (channel.bypass == 1 && newGains >= kFlatSum) {
            ZeroEqGains(session, target, result, count);
        }
        for (int i = 0; i < count; ++i) {
            const EqBand& in = bands[At(i)];
            const EqBand value{std::clamp(in.gain, kEqGainMin, kEqGainMax),
                               std::clamp(in.q, kEqQMin, kEqQMax),
                               std::clamp(in.freq, kFreqMin, kFreqMax), in.enable};
            if (Band(channel, i) != value) {
                Band(channel, i) = value;
                SendBand(session, target, i);
                result.bands.Add(target);
            }
        }
        // The bands go out before the bypass, so that lifting it never plays the old ones.
        const std::uint8_t bypass = StoredGainSum(channel) < kFlatSum ? 1 : 0;
        if (channel.bypass != bypass) {
            channel.bypass = bypass;
            SendBypass(session, target);
            result.bypass.Add(target);
        }
    }
    return result;
}

EditResult StepEqBand(Session& session, int band, BandField field, bool up) {
    const int upFlag = up ? 1 : 0;
    switch (field) {
        case BandField::Freq:
            LogPrintA("SetEqFreqUp index(%d) up(%d)\n", band, upFlag);
            break;
        case BandField::Q:
            LogPrintA("SetEqQUp index(%d) up(%d)\n", band, upFlag);
            break;
        case BandField::Gain:
            LogPrintA("SetEqGainUp index(%d) up(%d)\n", band, upFlag);
            break;
    }
    SceneConfig& live = Live(session);
    const int c = CurrentChannel(live);
    EditResult result;
    if (!HasBand(live, c, band)) {
        result.refused = true;
        return result;
    }
    const OutChannel& channel = Channel(live, c);
    const EqBand& stored = channel.eqArray[static_cast<std::size_t>(band)];
    float gain = ShownGain(channel, stored);
    float q = stored.q;
    int freq = stored.freq;
    switch (field) {
        case BandField::Freq: {
            const std::optional<int> next = StepEqFrequency(freq, up);
            if (!next) {
                return result;
            }
            freq = *next;
            break;
        }
        case BandField::Q: {
            const std::optional<double> next = StepEqQ(q, up);
            if (!next) {
                return result;
            }
            // As the edit shows it: two decimals.
            q = static_cast<float>(ReadEqQ(EqQText(*next)));
            break;
        }
        case BandField::Gain: {
            SliderState slider{kEqGainSliderMin, kEqGainSliderMax, 0};
            ClampToSlider(slider, static_cast<double>(gain) * kEqGain.sliderScale);
            if (!StepSlider(slider, up, kEqGainStep)) {
                return result;
            }
            gain = static_cast<float>(slider.pos) / static_cast<float>(kEqGain.sliderScale);
            break;
        }
    }
    return ApplyEqBand(session, band, gain, q, freq, BandPath::Text);
}

EditResult OnEqEnable(Session& session, int band) {
    LogPrintA("OnEqEnable mEqIndex %d\n", band);
    SceneConfig& live = Live(session);
    const int c = CurrentChannel(live);
    EditResult result;
    if (!HasBand(live, c, band)) {
        result.refused = true;
        return result;
    }
    OutChannel& channel = Channel(live, c);
    EqBand& stored = Band(channel, band);
    const float shown = ShownGain(channel, stored);
    // The stored gain stays either way: switching a band off and on again gives it back.
    if (stored.enable != 0 && std::abs(shown) > kZeroGain) {
        stored.enable = 0;
        SendBand(session, c, band);
        result.bands.Add(c);
    } else if (stored.enable == 0 && std::abs(stored.gain - shown) > kZeroGain) {
        stored.enable = 1;
        SendBand(session, c, band);
        result.bands.Add(c);
    }
    result.band = band;

    const Followers followers = BandFollowersOf(live, c, band);
    auto follow = [&](int ch) {
        Band(Channel(live, ch), band).enable = stored.enable;
        SendBand(session, ch, band);
        result.bands.Add(ch);
    };
    for (const int member : followers.group) {
        follow(member);
    }
    if (followers.pair) {
        follow(*followers.pair);
    }
    return result;
}

EditResult SetOutputBypass(Session& session, const Confirm& ask) {
    LogPrintA("on %s\n", "EqualizerManager::SetOutputBypass");
    SceneConfig& live = Live(session);
    const int c = CurrentChannel(live);
    const OutChannel& channel = Channel(live, c);
    int shownPositions = 0;
    float restorable = 0.0f;  // what the bands would show once restored
    for (int i = 0; i < BandsInUse(channel); ++i) {
        const EqBand& band = channel.eqArray[static_cast<std::size_t>(i)];
        shownPositions +=
            std::abs(RoundHalfAway(static_cast<double>(ShownGain(channel, band)) * 10.0));
        if (band.enable != 0) {
            restorable += std::abs(band.gain);
        }
    }
    std::uint8_t bypass = 0;
    if (shownPositions != 0) {
        if (!Confirmed(ask, "${bypass_all_eq_tips}")) {
            return {};
        }
        bypass = 1;
    } else if (restorable >= kFlatSum && !Confirmed(ask, "${restore_all_eq_tips}")) {
        return {};
    }

    EditResult result;
    const Followers followers = FollowersOf(live, c);
    auto store = [&](int ch) {
        Channel(live, ch).bypass = bypass;
        SendBypass(session, ch);
        result.bypass.Add(ch);
    };
    store(c);
    for (const int member : followers.group) {
        store(member);
    }
    if (followers.pair) {
        store(*followers.pair);
    }
    return result;
}

EditResult SetOutputEqReset(Session& session, const Confirm& ask) {
    LogPrintA("on %s\n", "EqualizerManager::SetOutputEqReset");
    if (!Confirmed(ask, "${reset_all_eq_tips}")) {
        return {};
    }
    SceneConfig& live = Live(session);
    const int c = CurrentChannel(live);
    EditResult result;
    Channel(live, c).ResetBands();
    result.bands.Add(c);
    std::vector<int> group = SynchronizeGroup(live, c);
    if (!group.empty()) {
        group.push_back(c);
        std::sort(group.begin(), group.end());
        for (const int ch : group) {
            OutChannel& channel = Channel(live, ch);
            channel.ResetBands();
            for (int i = 0; i < BandsInUse(channel); ++i) {
                SendBand(session, ch, i);
            }
            result.bands.Add(ch);
        }
    }
    std::vector<int> resetChannels{c};
    if (const std::optional<int> pair = live.PairChannel(c)) {
        Channel(live, *pair).ResetBands();
        result.bands.Add(*pair);
        resetChannels.push_back(*pair);
    }
    // Last, so that the device's own reset is the final word on these channels.
    session.Link().PEQ_Reset_Ctrl(live.scene, 0, resetChannels, false);
    return result;
}

EditResult SetEqMode(Session& session, const Confirm& ask) {
    PageState& page = session.Model().page;
    if (!Confirmed(ask, page.geqMode ? "${peq_mode_tips}" : "${geq_mode_tips}")) {
        return {};
    }
    page.geqMode = !page.geqMode;
    EditResult result;
    result.geqMode = true;
    return result;
}

// ---- Crossover ----

EditResult SetHpFreq(Session& session, int typedHz) {
    return SetCrossoverFreq(session, true, typedHz);
}

EditResult SetLpFreq(Session& session, int typedHz) {
    return SetCrossoverFreq(session, false, typedHz);
}

EditResult StepHpFreq(Session& session, bool up) {
    return StepCrossoverFreq(session, true, up);
}

EditResult StepLpFreq(Session& session, bool up) {
    return StepCrossoverFreq(session, false, up);
}

EditResult SetHpType(Session& session, int type) {
    return SetCrossoverType(session, true, type);
}

EditResult SetLpType(Session& session, int type) {
    return SetCrossoverType(session, false, type);
}

EditResult SetHpSlope(Session& session, int slope) {
    return SetCrossoverSlope(session, true, slope);
}

EditResult SetLpSlope(Session& session, int slope) {
    return SetCrossoverSlope(session, false, slope);
}

EditResult DragCrossover(Session& session, bool highPass, int hz, bool release,
                         std::int64_t nowMs) {
    LogPrintA("%s cmd %d index %d\n", "EqualizerCallback", highPass ? 1 : 2, -1);
    SceneConfig& live = Live(session);
    const int c = CurrentChannel(live);
    // The graph keeps its handles in order itself; only the range is checked here.
    const int clamped = std::clamp(hz, kFreqMin, kFreqMax);
    EditResult result;
    Filter(Channel(live, c), highPass).SetFs(clamped);
    result.crossovers.Add(c);
    if (!DragSendDue(session, release, nowMs)) {
        return result;
    }
    session.Model().page.dragSendMs = nowMs;
    SendFilter(session, c, highPass);
    const Followers followers = FollowersOf(live, c);
    auto follow = [&](int ch) {
        Filter(Channel(live, ch), highPass).SetFs(clamped);
        SendFilter(session, ch, highPass);
        result.crossovers.Add(ch);
    };
    for (const int member : followers.group) {
        follow(member);
    }
    if (followers.pair) {
        follow(*followers.pair);
    }
    return result;
}

}  // namespace tonvia::tuning
