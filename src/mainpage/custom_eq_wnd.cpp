#include "mainpage/custom_eq_wnd.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <span>

#include "dialogs/dialog_common.h"
#include "dialogs/msg_wnd.h"
#include "graph/equalizer.h"
#include "graph/math/channel_curve.h"
#include "mainpage/page_common.h"
#include "model/value_format.h"
#include "platform/log.h"

namespace tuning = tonvia::tuning;
using tonvia::mainpage::At;
using tonvia::mainpage::Q;
using tonvia::mainpage::Text;
using tuning::CustomEqEdit;
using tuning::CustomEqRow;

namespace {

constexpr int kLastBand = tuning::kCustomEqBands - 1;

bool Is(const QString& type, const char* expected) {
    return type == QLatin1String(expected);
}

// The row of a band edit's name, or nullopt for any other control.
std::optional<CustomEqRow> RowOfName(const QString& name) {
    if (name.startsWith(QLatin1String("eq_freq_"))) {
        return CustomEqRow::Freq;
    }
    if (name.startsWith(QLatin1String("eq_q_"))) {
        return CustomEqRow::Q;
    }
    if (name.startsWith(QLatin1String("eq_gain_"))) {
        return CustomEqRow::Gain;
    }
    return std::nullopt;
}

tuning::SliderRange RangeOf(const UiControl& slider) {
    return {slider.GetMinValue(), slider.GetMaxValue()};
}

}  // namespace

int CCustomEqWnd::ShowCustomEq(QWidget* parent, tuning::Session& session,
                               const tuning::CustomEqTable& factoryFreqs,
                               const tuning::CustomEqTable& factoryGains) {
    return tonvia::dialogs::RunModal(new CCustomEqWnd(session, factoryFreqs, factoryGains), parent,
                                     QStringLiteral("customeqwnd"));
}

QWidget* CCustomEqWnd::CreateControl(const QString& tag, QWidget* parent) {
    if (tag.compare(QLatin1String("Curve"), Qt::CaseInsensitive) == 0) {
        return new UIEqualizer(parent);
    }
    return DialogImplBase::CreateControl(tag, parent);
}

UiControl CCustomEqWnd::Find(const char* format, int band) const {
    return FindControl(QString::asprintf(format, band));
}

UiControl CCustomEqWnd::Edit(CustomEqEdit edit) const {
    static constexpr const char* kFormats[] = {"eq_freq_%d", "eq_q_%d", "eq_gain_%d"};
    return Find(kFormats[static_cast<int>(edit.first)], edit.second);
}

void CCustomEqWnd::OnInit() {
    if (auto* graph = FindControl(QStringLiteral("equalizer")).As<UIEqualizer>()) {
        // Frequency, gain and Q: the bands here have no other editor.
        graph->SetDragAllDirection(true);
        graph->setVisible(true);
    }
    RefreshAll();
    Redraw(-1);
    tonvia::dialogs::FitWindowToContents(*this);
    mReady = true;
}

void CCustomEqWnd::Refresh(int band) {
    const tuning::CustomEqView view = tuning::CustomEqViewOf(mSession.Model().live, band);
    Find("eq_freq_%d", band).SetText(Q(view.freq));
    Find("eq_q_%d", band).SetText(Q(view.q));
    Find("eq_gain_%d", band).SetText(Q(view.gain));
    Find("eq_slider_%d", band).SetValue(view.slider);
    Find("pt_enable_%d", band).Selected(view.box, false);
}

void CCustomEqWnd::RefreshAll() {
    for (int band = 0; band < tuning::kCustomEqBands; ++band) {
        Refresh(band);
    }
}

void CCustomEqWnd::Redraw(int selected) {
    LogPrintA("UpdateEqualizer \n");
    const auto start = std::chrono::steady_clock::now();
    auto* graph = FindControl(QStringLiteral("equalizer")).As<UIEqualizer>();
    if (graph == nullptr) {
        return;
    }
    const SceneConfig& live = mSession.Model().live;
    const std::array<EqBand, tuning::kCustomEqBands> bands = tuning::CustomEqShownBands(live);
    // The twenty bands' own curve in front, the whole channel's behind it; the crossover is
    // not part of either (its filters are off here).
    std::array<ChannelCurve, 2> curves{};
    const FilterSetting off;
    ComputeChannelCurve(off, off, bands, false, curves[0]);
    const OutChannel& channel = live.channels[At(tuning::CurrentChannel(live))];
    ComputeChannelCurve(off, off,
                        std::span<const EqBand>(channel.eqArray.data(),
                                                At(std::clamp(channel.eqSize, 0, kEqBandCount))),
                        false, curves[1]);
    graph->SetBands(bands, selected);
    graph->setCurEqHpLp(-1, -1);  // the crossover is not edited here
    const std::array<bool, 2> show{true, true};
    graph->SetCurves(curves, 0, show);
    const auto cost = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    LogPrintA("UpdateEqualizer 1 cost time %d ms\n", static_cast<int>(cost.count()));
}

void CCustomEqWnd::Commit(int band) {
    const tuning::CustomEqCommit result = tuning::CommitCustomEqBand(
        mSession, band, Text(Find("eq_freq_%d", band)), Text(Find("eq_q_%d", band)),
        Text(Find("eq_gain_%d", band)), RangeOf(Find("eq_slider_%d", band)));
    Find("eq_slider_%d", band).SetValue(result.slider);
    if (result.gainText) {
        Find("eq_gain_%d", band).SetText(Q(*result.gainText));
    }
    if (result.sent) {
        Find("pt_enable_%d", band).Selected(true, false);
        Redraw(band);
    }
}

void CCustomEqWnd::TakeSlider(int band) {
    const float gain =
        tuning::TakeCustomEqSlider(mSession, band, Find("eq_slider_%d", band).GetValue(),
                                   Text(Find("eq_freq_%d", band)), Text(Find("eq_q_%d", band)));
    UiControl edit = Find("eq_gain_%d", band);
    edit.SetText(Q(EqGainText(gain)));
    edit.SetFocusSelectAll();
    Find("pt_enable_%d", band).Selected(true, false);
    Redraw(band);
}

void CCustomEqWnd::Step(CustomEqEdit at, bool up) {
    const int band = at.second;
    const int upFlag = up ? 1 : 0;
    UiControl edit = Edit(at);
    edit.SetFocus();
    const std::string shown = Text(edit);
    std::optional<std::string> next;
    switch (at.first) {
        case CustomEqRow::Freq: {
            LogPrintA("SetEqFreqUp index(%d) up(%d)\n", band, upFlag);
            const int hz = ReadEqFrequency(shown).value_or(
                tuning::CustomEqBand(mSession.Model().live, band).freq);
            if (const std::optional<int> stepped = StepEqFrequency(hz, up)) {
                next = EqFreqText(*stepped);
            }
            break;
        }
        case CustomEqRow::Q:
            LogPrintA("SetEqQUp index(%d) up(%d)\n", band, upFlag);
            if (const std::optional<double> stepped = tuning::StepCustomEqQ(ReadEqQ(shown), up)) {
                next = EqQText(*stepped);
            }
            break;
        case CustomEqRow::Gain:
            LogPrintA("SetEqGainUp index(%d) up(%d)\n", band, upFlag);
            if (const std::optional<float> stepped =
                    tuning::StepCustomEqGain(static_cast<float>(LeadingDecimal(shown)), up,
                                             RangeOf(Find("eq_slider_%d", band)))) {
                next = EqGainText(*stepped);
            }
            break;
    }
    if (!next) {
        return;
    }
    edit.SetText(Q(*next));
    Commit(band);
    edit.SetFocusSelectAll();
}

void CCustomEqWnd::Toggle(int band) {
    const bool changed =
        tuning::ToggleCustomEqBand(mSession, band, Find("eq_slider_%d", band).GetValue());
    const tuning::CustomEqView view = tuning::CustomEqViewOf(mSession.Model().live, band);
    // The click flipped the box already; it shows the band's state either way.
    Find("pt_enable_%d", band).Selected(view.box, false);
    if (changed) {
        Find("eq_slider_%d", band).SetValue(view.slider);
        Find("eq_gain_%d", band).SetText(Q(view.gain));
    }
    Redraw(band);
}

void CCustomEqWnd::ApplyDrag(int band) {
    auto* graph = FindControl(QStringLiteral("equalizer")).As<UIEqualizer>();
    if (graph == nullptr) {
        return;
    }
    const EqBand dragged = band >= 0 && band < graph->BandCount() ? graph->Band(band) : EqBand{};
    if (!tuning::ApplyCustomEqDrag(mSession, band, dragged)) {
        return;
    }
    Refresh(band);
    Redraw(band);
    Find("eq_gain_%d", band).SetFocusSelectAll();
}

bool CCustomEqWnd::Ask(std::string_view key) {
    return CMsgWnd::ShowMessage(
               GetWidget(), QStringLiteral("${tips}"),
               QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()))) == 1;
}

void CCustomEqWnd::Notify(TNotifyUI& msg) {
    if (!mReady) {
        DialogImplBase::Notify(msg);
        return;
    }
    const QString name = msg.pSender.GetName();
    const QByteArray logName = name.toUtf8();
    const QString& type = msg.sType;
    const int n = msg.pSender.GetUserData().toInt();
    const std::optional<CustomEqRow> row = RowOfName(name);
    const tuning::Confirm ask = [this](std::string_view key) { return Ask(key); };
    if (Is(type, DUI_MSGTYPE_CLICK)) {
        if (name.startsWith(QLatin1String("pt_enable_"))) {
            Toggle(n);
        } else if (name == QLatin1String("btn_reset_custom_eq")) {
            if (tuning::RestoreCustomEqFactory(mSession, mFactoryFreqs, mFactoryGains, ask)) {
                RefreshAll();
                Redraw(-1);
            }
        } else if (name == QLatin1String("btn_reset_eq")) {
            if (tuning::ResetCustomEq(mSession, ask)) {
                RefreshAll();
                Redraw(-1);
            }
        }
    } else if (name.startsWith(QLatin1String("eq_slider_")) &&
               (Is(type, DUI_MSGTYPE_VALUECHANGED) || Is(type, DUI_MSGTYPE_VALUECHANGED_MOVE))) {
        LogPrintA("on eq silder %s valuechanged index %d value %d\n", logName.constData(), n,
                  msg.pSender.GetValue());
        TakeSlider(n);
    } else if (row && n >= 0 && n <= kLastBand) {
        const CustomEqEdit at{*row, n};
        if (Is(type, DUI_MSGTYPE_VALUECHANGED_UP) || Is(type, DUI_MSGTYPE_VALUECHANGED_DOWN)) {
            Step(at, Is(type, DUI_MSGTYPE_VALUECHANGED_UP));
        } else if (Is(type, DUI_MSGTYPE_VALUECHANGED_LEFT) ||
                   Is(type, DUI_MSGTYPE_VALUECHANGED_RIGHT)) {
            const bool lastQEnabled = Edit({CustomEqRow::Q, kLastBand}).IsEnabled();
            Edit(tuning::NextCustomEqEdit(at, Is(type, DUI_MSGTYPE_VALUECHANGED_RIGHT),
                                          lastQEnabled))
                .SetFocusSelectAll();
        } else if (Is(type, DUI_MSGTYPE_RETURN)) {
            // Committed here too: the focus move commits only where the window is active.
            Commit(n);
            Edit(tuning::ReturnCustomEqEdit(at)).SetFocusSelectAll();
        } else if (Is(type, DUI_MSGTYPE_KILLFOCUS)) {
            LogPrintA("on eq %s killfocus index %d\n", logName.constData(), n);
            Commit(n);
        } else if (Is(type, DUI_MSGTYPE_SETFOCUS)) {
            LogPrintA("on eq %s setfocus index %d\n", logName.constData(), n);
            Redraw(n);
        }
    } else if (name == QLatin1String("equalizer") &&
               (Is(type, kNotifyEqualizerEq) || Is(type, kNotifyEqualizerEqRelease))) {
        LogPrintA("on DUI_MSGTYPE_EQUALIZERCHANGED index %d\n", n);
        ApplyDrag(n);
    }
    DialogImplBase::Notify(msg);
}
