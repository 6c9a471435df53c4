#include "tuning/custom_eq_edits.h"

#include <algorithm>
#include <cmath>

#include "model/value_format.h"
#include "platform/log.h"
#include "tuning/edit_sends.h"

namespace tonvia::tuning {

namespace {

constexpr int kLastBand = kCustomEqBands - 1;
// Differences these edits treat as none.
constexpr double kSameValue = 0.01;
constexpr double kZeroGain = 0.001;
// Q steps and drags: closer than one Q step counts as there; the margin keeps a distance
// of exactly one step (8.95 to 9.0) from reading as less in binary.
constexpr double kQStep = 0.05;
constexpr double kQMargin = 0.000001;

bool IsBand(int i) {
    return i >= 0 && i < kCustomEqBands;
}

EqBand& StoredBand(Session& session, int i) {
    return Channel(session, CurrentChannel(Live(session))).eqArray[At(CustomEqChannelBand(i))];
}

void Store(Session& session, int i, const EqBand& value) {
    StoredBand(session, i) = value;
    SendBand(session, CurrentChannel(Live(session)), CustomEqChannelBand(i));
}

double GainLow(SliderRange range) {
    return std::min(range.min, range.max) / static_cast<double>(kEqGain.sliderScale);
}
double GainHigh(SliderRange range) {
    return std::max(range.min, range.max) / static_cast<double>(kEqGain.sliderScale);
}

double TwoDecimals(double q) {
    return RoundHalfAway(q * 100.0) / 100.0;
}

}  // namespace

CustomEqTable CustomEqFactoryFrequencies() {
    CustomEqTable freqs{};
    for (int i = 0; i < kCustomEqBands; ++i) {
        freqs[static_cast<std::size_t>(i)] =
            static_cast<int>(DefaultEqBand(kEqBandCount, kCustomEqFirstBand + i).freq);
    }
    return freqs;
}

int CustomEqChannelBand(int i) {
    return kCustomEqFirstBand + i;
}

const EqBand& CustomEqBand(const SceneConfig& live, int i) {
    return live.channels[At(CurrentChannel(live))].eqArray[At(CustomEqChannelBand(i))];
}

CustomEqView CustomEqViewOf(const SceneConfig& live, int i) {
    const EqBand& band = CustomEqBand(live, i);
    const bool on = band.enable != 0;
    CustomEqView view;
    view.freq = EqFreqText(band.freq);
    view.q = EqQText(band.q);
    view.gain = EqGainText(on ? band.gain : 0.0);
    view.slider = on ? RoundHalfAway(static_cast<double>(band.gain) * kEqGain.sliderScale) : 0;
    view.box = on && band.gain != 0.0f;
    return view;
}

std::array<EqBand, kCustomEqBands> CustomEqShownBands(const SceneConfig& live) {
    std::array<EqBand, kCustomEqBands> bands{};
    for (int i = 0; i < kCustomEqBands; ++i) {
        bands[At(i)] = CustomEqBand(live, i);
        if (bands[At(i)].enable == 0) {
            bands[At(i)].gain = 0.0f;
        }
    }
    return bands;
}

CustomEqCommit CommitCustomEqBand(Session& session, int i, std::string_view freqText,
                                  std::string_view qText, std::string_view gainText,
                                  SliderRange gainRange) {
    CustomEqCommit result;
    if (!IsBand(i)) {
        return result;
    }
    const EqBand& stored = StoredBand(session, i);
    const int freq = ReadEqFrequency(freqText).value_or(stored.freq);
    const double q = TwoDecimals(ReadEqQ(qText));
    const double typed = LeadingDecimal(gainText);
    const double gain = std::clamp(typed, GainLow(gainRange), GainHigh(gainRange));
    result.slider = RoundHalfAway(gain * kEqGain.sliderScale);
    if (std::abs(gain - typed) > kZeroGain) {
        result.gainText = EqGainText(gain);
    }
    LogPrintA("SetChEqEdit band=%d\n", i);
    LogPrintA("freqValue(%d) ,qValue(%f) ,gainValue(%.1f)\n", freq, q, gain);
    if (freq == stored.freq && std::abs(q - stored.q) < kSameValue &&
        std::abs(gain - stored.gain) < kSameValue && stored.enable != 0) {
        return result;
    }
    Store(session, i, {static_cast<float>(gain), static_cast<float>(q), freq, 1});
    result.sent = true;
    return result;
}

float TakeCustomEqSlider(Session& session, int i, int position, std::string_view freqText,
                         std::string_view qText) {
    const float gain = static_cast<float>(position) / static_cast<float>(kEqGain.sliderScale);
    if (!IsBand(i)) {
        return gain;
    }
    const int freq = ReadEqFrequency(freqText).value_or(StoredBand(session, i).freq);
    const double q = TwoDecimals(ReadEqQ(qText));
    LogPrintA("sliderValue (%.1f) ,freqValue(%d) ,qValue(%f) @band(%d)\n",
              static_cast<double>(gain), freq, q, i);
    Store(session, i, {std::clamp(gain, kEqGainMin, kEqGainMax), static_cast<float>(q), freq, 1});
    return gain;
}

std::optional<float> StepCustomEqGain(float gain, bool up, SliderRange gainRange) {
    const double low = GainLow(gainRange);
    const double high = GainHigh(gainRange);
    const double from = gain;
    if ((up && std::abs(from - high) < kSameValue) || (!up && std::abs(from - low) < kSameValue)) {
        return std::nullopt;
    }
    const double next = std::clamp(from + (up ? kEqGain.step : -kEqGain.step), low, high);
    // On the tenths the edit shows, not the float sum's neighbour.
    return static_cast<float>(RoundHalfAway(next * kEqGain.sliderScale) /
                              static_cast<double>(kEqGain.sliderScale));
}

std::optional<double> StepCustomEqQ(double q, bool up) {
    const double end = up ? kEqQ.max : kEqQ.min;
    if (std::abs(q - end) + kQMargin < kQStep) {
        return std::nullopt;
    }
    return StepEqQ(q, up);
}

bool ToggleCustomEqBand(Session& session, int i, int sliderPosition) {
    LogPrintA("OnEqEnable mEqIndex %d\n", i);
    if (!IsBand(i)) {
        return false;
    }
    EqBand& band = StoredBand(session, i);
    const double sliderGain = sliderPosition / static_cast<double>(kEqGain.sliderScale);
    // The stored gain stays either way, so that the band comes back as it was.
    if (band.enable != 0 && sliderPosition != 0) {
        band.enable = 0;
    } else if (band.enable == 0 && std::abs(band.gain - sliderGain) > kZeroGain) {
        band.enable = 1;
    } else {
        return false;
    }
    SendBand(session, CurrentChannel(Live(session)), CustomEqChannelBand(i));
    return true;
}

bool ApplyCustomEqDrag(Session& session, int n, const EqBand& dragged) {
    LogPrintA("%s cmd %d index %d\n", "EqualizerCallback", 0, n);
    // A press on no band reports -1; taking it as a band would write past the table.
    if (!IsBand(n)) {
        return false;
    }
    const EqBand& stored = StoredBand(session, n);
    const float gain = std::clamp(dragged.gain, kEqGainMin, kEqGainMax);
    const float q = std::clamp(dragged.q, kEqQMin, kEqQMax);
    const int freq = std::clamp(dragged.freq, kFreqMin, kFreqMax);
    if (freq == stored.freq && std::abs(q - stored.q) + kQMargin < kQStep && stored.enable != 0 &&
        (std::abs(gain - stored.gain) < kSameValue || std::abs(gain) < kZeroGain)) {
        return false;
    }
    Store(session, n, {gain, q, freq, 1});
    return true;
}

bool ResetCustomEq(Session& session, const Confirm& ask) {
    LogPrintA("on %s\n", "CCustomEqWnd::SetOutputEqReset");
    if (!Confirmed(ask, "${reset_all_eq_tips}")) {
        return false;
    }
    for (int i = 0; i < kCustomEqBands; ++i) {
        // Band i of the third-octave table, whatever the channel's band count.
        Store(session, i, DefaultEqBand(kEqBandCount, i));
    }
    return true;
}

bool RestoreCustomEqFactory(Session& session, const CustomEqTable& freqs,
                            const CustomEqTable& gains, const Confirm& ask) {
    LogPrintA("on %s\n", "CCustomEqWnd::SetOutputEqRestore");
    if (!Confirmed(ask, "${restore_all_factory_eq_tips}")) {
        return false;
    }
    for (int i = 0; i < kCustomEqBands; ++i) {
        const auto gain = static_cast<float>(gains[At(i)]);
        Store(session, i,
              {std::clamp(gain, kEqGainMin, kEqGainMax), kEqQDefault,
               std::clamp(freqs[At(i)], kFreqMin, kFreqMax), 1});
    }
    return true;
}

CustomEqEdit NextCustomEqEdit(CustomEqEdit from, bool right, bool lastQEnabled) {
    const auto [row, band] = from;
    if (right) {
        if (band < kLastBand) {
            return {row, band + 1};
        }
        return {static_cast<CustomEqRow>((static_cast<int>(row) + 1) % 3), 0};
    }
    if (band > 0) {
        return {row, band - 1};
    }
    switch (row) {
        case CustomEqRow::Freq:
        case CustomEqRow::Q:
            return {CustomEqRow::Freq, kLastBand};
        case CustomEqRow::Gain:
            break;
    }
    return {lastQEnabled ? CustomEqRow::Q : CustomEqRow::Gain, kLastBand};
}

CustomEqEdit ReturnCustomEqEdit(CustomEqEdit from) {
    const auto [row, band] = from;
    switch (row) {
        case CustomEqRow::Freq:
            return {CustomEqRow::Q, band};
        case CustomEqRow::Q:
            return {CustomEqRow::Gain, band};
        case CustomEqRow::Gain:
            break;
    }
    return {CustomEqRow::Freq, (band + 1) % kCustomEqBands};
}

}  // namespace tonvia::tuning
