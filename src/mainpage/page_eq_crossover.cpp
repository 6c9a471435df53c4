// The page half of the current channel: its strip, crossover, bands and the graph.
#include <QComboBox>
#include <QListView>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <span>

#include "graph/equalizer.h"
#include "mainpage/equalizer_manager.h"
#include "mainpage/page_common.h"
#include "model/dimensions.h"
#include "platform/log.h"

using tonvia::mainpage::At;
using tonvia::mainpage::Q;

namespace {

int BandsInUse(const OutChannel& c) {
    return std::clamp(c.eqSize, 0, kEqBandCount);
}

// What the band's enable box and the graph show: the band counts only while it is in use,
// enabled and the channel's EQ is not bypassed.
bool BandShown(const OutChannel& c, int b) {
    const EqBand& band = c.eqArray[At(b)];
    return b < BandsInUse(c) && band.enable != 0 && c.bypass == 0 && band.gain != 0.0f;
}

int MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - start)
                                .count());
}

}  // namespace

void EqualizerManager::ShowCurrentChannel(int ch) {
    if (ch < 0 || ch >= kOutChannelCount) {
        return;
    }
    SceneConfig& live = Model().live;
    live.currOutChannel = ch;  // kept with the record, as profiles store it
    const std::optional<int> pair = live.PairChannel(ch);
    for (int i = 0; i < kOutChannelCount; ++i) {
        Find("ch_enable_%d", i).Selected(i == ch || (pair && *pair == i), false);
        const bool framed = i == ch;
        Find("ch_border_top_%d", i).SetVisible(framed);
        Find("ch_border_buttom_%d", i).SetVisible(framed);
        Find("ch_border_left_%d", i).SetVisible(framed);
        Find("ch_border_right_%d", i).SetVisible(framed);
        Find("ch_show_%d", i).Selected(live.showOutChEqualizer[At(i)] != 0, false);
    }
    const OutChannel& c = live.channels[At(ch)];
    Find(QStringLiteral("label_channel_name")).SetText(QStringLiteral("CH%1").arg(ch + 1));
    const int level = kChannelLevel.Positions(c.gain);
    Find(QStringLiteral("slider_ch_volume")).SetValue(level);
    Find(QStringLiteral("edit_ch_volume")).SetText(Q(ChannelVolumeText(level)));
    Find(QStringLiteral("ch_mute")).Selected(c.mute != 0, false);
    tonvia::mainpage::ShowPhase(Find(QStringLiteral("ch_phase")), c.phase != 0);
    for (int code = 1; code < kPositionCodeCount; ++code) {
        const int own = live.outputs[At(ch)];
        const bool mark = code == own || (pair && code == live.outputs[At(*pair)]);
        Find("speaker_%d", code).Selected(mark, false);
    }

    SetFreqDivider(ch);
    RefreshBandControls(ch);
    ShowBypassButton();
    UpdateEqualizer(-1);
}

void EqualizerManager::ShowBypassButton() {
    const OutChannel& c = Model().live.channels[At(CurrentChannel())];
    bool anyShown = false;
    for (int b = 0; b < kEqBandCount && !anyShown; ++b) {
        anyShown = BandShown(c, b);
    }
    Find(QStringLiteral("btn_bypass"))
        .SetText(anyShown ? QStringLiteral("${bypass_eq}") : QStringLiteral("${restore_eq}"));
}

void EqualizerManager::ShowSlopeItems() {
    const Crossover& x = Model().live.channels[At(CurrentChannel())].crossover;
    const std::pair<const char*, const FilterSetting*> lists[] = {{"hp_slop", &x.hp},
                                                                  {"lp_slop", &x.lp}};
    for (const auto& [name, filter] : lists) {
        auto* combo = Find(QLatin1String(name)).As<QComboBox>();
        auto* view = combo != nullptr ? qobject_cast<QListView*>(combo->view()) : nullptr;
        if (view == nullptr) {
            continue;
        }
        const bool evenOnly = filter->type == kFilterLinkwitzRiley;
        for (int item = 1; item < combo->count(); item += 2) {
            view->setRowHidden(item, evenOnly);
        }
    }
}

void EqualizerManager::SetFreqDivider(int ch) {
    if (ch < 0 || ch >= kOutChannelCount) {
        return;
    }
    const Crossover& x = Model().live.channels[At(ch)].crossover;
    LogPrintA("on SetFreqDivider getHPType %d\n", x.hp.type);
    Find(QStringLiteral("hp_type")).SelectItem(x.hp.type, false);
    LogPrintA("on SetFreqDivider getLPType %d\n", x.lp.type);
    Find(QStringLiteral("lp_type")).SelectItem(x.lp.type, false);
    LogPrintA("on SetFreqDivider getHPFs %d\n", x.hp.fs);
    Find(QStringLiteral("hp_freq")).SetText(Q(CrossoverFreqText(x.hp.fs)));
    LogPrintA("on SetFreqDivider getLPFs %d\n", x.lp.fs);
    Find(QStringLiteral("lp_freq")).SetText(Q(CrossoverFreqText(x.lp.fs)));
    LogPrintA("on SetFreqDivider getHPSlope %d\n", x.hp.slope);
    Find(QStringLiteral("hp_slop")).SelectItem(x.hp.slope, false);
    LogPrintA("on SetFreqDivider getLPSlope %d\n", x.lp.slope);
    Find(QStringLiteral("lp_slop")).SelectItem(x.lp.slope, false);
    if (ch == CurrentChannel()) {
        ShowSlopeItems();
    }
}

void EqualizerManager::RefreshBandControls(int ch, int band) {
    if (ch < 0 || ch >= kOutChannelCount || band < -1 || band >= kEqBandCount) {
        return;
    }
    const OutChannel& c = Model().live.channels[At(ch)];
    const bool peq = !GeqMode();
    const int first = band < 0 ? 0 : band;
    const int last = band < 0 ? kEqBandCount - 1 : band;
    for (int b = first; b <= last; ++b) {
        const bool inUse = b < BandsInUse(c);
        const EqBand& values = c.eqArray[At(b)];
        const EqBandTexts texts = EqBandTextsFor(values, b, c.eqSize, c.bypass != 0);
        const bool counts = inUse && values.enable != 0 && c.bypass == 0;
        UiControl freq = Find("eq_freq_%d", b);
        freq.SetText(Q(texts.freq));
        freq.SetEnabled(inUse && peq);
        UiControl q = Find("eq_q_%d", b);
        q.SetText(Q(texts.q));
        q.SetEnabled(inUse && peq);
        UiControl gain = Find("eq_gain_%d", b);
        gain.SetText(Q(texts.gain));
        gain.SetEnabled(inUse);
        UiControl slider = Find("eq_slider_%d", b);
        slider.SetValue(counts ? kEqGain.Positions(values.gain) : 0);
        slider.SetEnabled(inUse);
        UiControl enable = Find("pt_enable_%d", b);
        enable.Selected(BandShown(c, b), false);
        enable.SetEnabled(inUse);
    }
}

void EqualizerManager::UpdateChannelCurve(int ch) {
    if (ch < 0 || ch >= kOutChannelCount) {
        return;
    }
    ComputeChannelCurve(Model().live.channels[At(ch)], mCurves[At(ch)]);
}

void EqualizerManager::UpdateEqualizer(int selectedBand) {
    if (selectedBand < 0) {
        UpdateEqualizer(selectedBand, ChannelSet::All());
        return;
    }
    const SceneConfig& live = Model().live;
    const int c = CurrentChannel();
    ChannelSet changed = ChannelSet::Of(c);
    if (const std::optional<int> pair = live.PairChannel(c)) {
        changed.Add(*pair);
    }
    for (int member : tonvia::tuning::SynchronizeGroup(live, c)) {
        changed.Add(member);
    }
    UpdateEqualizer(selectedBand, changed);
}

void EqualizerManager::UpdateEqualizer(int selectedBand, ChannelSet changed) {
    const auto start = std::chrono::steady_clock::now();
    const SceneConfig& live = Model().live;
    const int c = CurrentChannel();
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        if (changed.Has(ch)) {
            UpdateChannelCurve(ch);
        }
    }
    LogPrintA("UpdateEqualizer 0 cost time %d ms\n", MillisecondsSince(start));

    auto* graph = Find(QStringLiteral("equalizer")).As<UIEqualizer>();
    if (graph == nullptr) {
        return;
    }
    const OutChannel& channel = live.channels[At(c)];
    // The graph shows what the device plays: no gain for a disabled band or a bypassed EQ.
    std::array<EqBand, kEqBandCount> bands = channel.eqArray;
    for (EqBand& band : bands) {
        if (channel.bypass != 0 || band.enable == 0) {
            band.gain = 0.0f;
        }
    }
    graph->SetBands(std::span<const EqBand>(bands.data(), At(BandsInUse(channel))), selectedBand);
    graph->setCurEqHpLp(channel.crossover.hp.fs, channel.crossover.lp.fs);
    std::array<bool, kOutChannelCount> show{};
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        show[At(ch)] = live.showOutChEqualizer[At(ch)] != 0;
    }
    graph->SetCurves(mCurves, c, show);
    LogPrintA("UpdateEqualizer 1 cost time %d ms\n", MillisecondsSince(start));
}
