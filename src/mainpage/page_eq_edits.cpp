// The page half of the band and crossover edits: the band sliders and texts, the graph's
// drags and the crossover controls. The rules live in tuning/edits.h.
#include <chrono>

#include "graph/equalizer.h"
#include "mainpage/equalizer_manager.h"
#include "mainpage/page_common.h"
#include "platform/log.h"

using tonvia::mainpage::At;
using tonvia::mainpage::Q;
using tonvia::mainpage::Text;
namespace tuning = tonvia::tuning;

using tonvia::mainpage::NowMs;

void EqualizerManager::EqSlider(int band) {
    if (band < 0 || band >= kEqBandCount) {
        return;
    }
    const float gain = static_cast<float>(Find("eq_slider_%d", band).GetValue()) / 10.0f;
    const int freq = LeadingInt(Text(Find("eq_freq_%d", band)));
    const double q = LeadingDecimal(Text(Find("eq_q_%d", band)));
    Find("eq_gain_%d", band).SetText(Q(EqGainText(gain)));
    LogPrintA("sliderValue (%.1f) ,freqValue(%d) ,qValue(%f) @band(%d) @ channel(%d)\n",
              static_cast<double>(gain), freq, q, band, CurrentChannel());
    ShowEdit(tuning::ApplyEqBand(mSession, band, gain, static_cast<float>(q), freq,
                                 tuning::BandPath::Slider));
}

void EqualizerManager::SetChEqEdit(int band) {
    LogPrintA("SetChEqEdit band=%d\n", band);
    const int c = CurrentChannel();
    const OutChannel& channel = Live().channels[At(c)];
    if (band < 0 || band >= std::min(channel.eqSize, kEqBandCount)) {
        return;
    }
    const EqBand& stored = channel.eqArray[At(band)];
    // A frequency outside 20..20000 is refused: the band keeps its own, shown again.
    UiControl freqEdit = Find("eq_freq_%d", band);
    const int freq = ReadEqFrequency(Text(freqEdit)).value_or(stored.freq);
    freqEdit.SetText(Q(EqFreqText(freq)));
    const double q = ReadEqQ(Text(Find("eq_q_%d", band)));
    Find("eq_q_%d", band).SetText(Q(EqQText(q)));
    const int position = std::clamp(
        RoundHalfAway(LeadingDecimal(Text(Find("eq_gain_%d", band))) * kEqGain.sliderScale),
        kEqGainSliderMin, kEqGainSliderMax);
    const float gain = static_cast<float>(position) / kEqGain.sliderScale;
    Find("eq_slider_%d", band).SetValue(position);
    Find("eq_gain_%d", band).SetText(Q(EqGainText(gain)));
    LogPrintA("freqValue(%d) ,qValue(%f) ,gainValue(%.1f)\n", freq, q, static_cast<double>(gain));
    ShowEdit(tuning::ApplyEqBand(mSession, band, gain, static_cast<float>(q), freq,
                                 tuning::BandPath::Text));
}

void EqualizerManager::EqualizerCallback(int band, int part, bool release) {
    // The rules half logs "EqualizerCallback cmd %d index %d" for every kind.
    auto* graph = Find(QStringLiteral("equalizer")).As<UIEqualizer>();
    if (graph == nullptr) {
        return;
    }
    if (part == 1 || part == 2) {
        const bool highPass = part == 1;
        const int hz = highPass ? graph->HpFreq() : graph->LpFreq();
        ShowEdit(tuning::DragCrossover(mSession, highPass, hz, release, NowMs()));
        return;
    }
    if (band < 0 || band >= graph->BandCount()) {
        return;  // no band chosen in the graph
    }
    const EqBand& dragged = graph->Band(band);
    ShowEdit(tuning::ApplyEqBand(mSession, band, dragged.gain, dragged.q, dragged.freq,
                                 tuning::BandPath::Drag, release, NowMs()));
}

void EqualizerManager::SetFilterFreq(bool highPass) {
    UiControl edit = Find(QLatin1String(highPass ? "hp_freq" : "lp_freq"));
    const int typed = ReadFrequency(Text(edit));
    ShowEdit(highPass ? tuning::SetHpFreq(mSession, typed) : tuning::SetLpFreq(mSession, typed));
    // The edit shows the stored frequency even when the value did not change.
    const Crossover& x = Live().channels[At(CurrentChannel())].crossover;
    edit.SetText(Q(CrossoverFreqText(highPass ? x.hp.fs : x.lp.fs)));
    TakeFocus(edit);
}

void EqualizerManager::SetFilterList(PageAction action) {
    struct Row {
        PageAction action;
        const char* name;
        tuning::EditResult (*apply)(tuning::Session&, int);
    };
    static constexpr Row kRows[] = {
        {PageAction::SetHpType, "hp_type", &tuning::SetHpType},
        {PageAction::SetLpType, "lp_type", &tuning::SetLpType},
        {PageAction::SetHpSlope, "hp_slop", &tuning::SetHpSlope},
        {PageAction::SetLpSlope, "lp_slop", &tuning::SetLpSlope},
    };
    for (const Row& row : kRows) {
        if (row.action != action) {
            continue;
        }
        const UiControl list = Find(QLatin1String(row.name));
        const int index = list.GetCurSel();
        LogPrintA("on eq %s %s valuechanged index %d\n", row.name,
                  list.GetText().toUtf8().constData(), index);
        ShowEdit(row.apply(mSession, index));
        // A refused item (or the Linkwitz-Riley slope rule) leaves the list on the model.
        SetFreqDivider(CurrentChannel());
    }
}
