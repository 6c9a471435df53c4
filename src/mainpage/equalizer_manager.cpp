#include "mainpage/equalizer_manager.h"

#include <QLabel>
#include <QListWidget>
#include <cmath>
#include <cstdio>

#include "graph/equalizer.h"
#include "mainpage/page_common.h"
#include "model/positions.h"
#include "ui/display_scale.h"
#include "ui/skin_resources.h"
#include "ui/window_impl_base.h"

// The page's operations live with their feature: page_level_routing.cpp (volumes, levels,
// sources and routing), page_eq_crossover.cpp (current channel, bands, crossover) and
// page_outputs.cpp (positions and the speaker diagram). Binding the page stays here.

namespace {

using tonvia::mainpage::Q;

}  // namespace

EqualizerManager::EqualizerManager(tonvia::platform::HidBackend& backend, WindowMessageSink& sink)
    : mSession(backend, sink) {
    tonvia::tuning::SetCsAutoDefaults(mCsAuto);
}

UiControl EqualizerManager::Find(const QString& name) const {
    return mWindow != nullptr ? mWindow->FindControl(name) : UiControl();
}

UiControl EqualizerManager::Find(const char* format, int n) const {
    char name[64];
    std::snprintf(name, sizeof name, format, n);
    return Find(QString::fromLatin1(name));
}

DelayUnit EqualizerManager::Unit() const {
    const UiControl unit = Find(QStringLiteral("comb_ch_unit"));
    return DelayUnitFromIndex(unit ? unit.GetCurSel() : 0);
}

bool EqualizerManager::GeqMode() const {
    return mSession.Model().page.geqMode;
}

void EqualizerManager::BindPage(WindowImplBase& window, bool showDebug, int scalePercent) {
    mWindow = &window;
    SceneConfig& live = Model().live;
    auto& skin = tonvia::ui::SkinResources::Instance();

    auto range = [this](const QString& name, int min, int max) {
        if (UiControl slider = Find(name)) {
            slider.SetMinValue(min);
            slider.SetMaxValue(max);
        }
    };
    range(QStringLiteral("slider_main_volume"), kMainVolumeSliderMin, kMainVolumeSliderMax);
    range(QStringLiteral("slider_ch_volume"), kChVolumeSliderMin, kChVolumeSliderMax);
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        range(QStringLiteral("slider_ch_volume_%1").arg(ch), kChVolumeSliderMin,
              kChVolumeSliderMax);
    }
    for (int b = 0; b < kEqBandCount; ++b) {
        range(QStringLiteral("eq_slider_%1").arg(b), kEqGainSliderMin, kEqGainSliderMax);
    }

    for (int code = 1; code < kPositionCodeCount; ++code) {
        Find("speaker_%d", code).SetVisible(false);
        Find("spk_con_%d", code).SetVisible(false);
        Find("spk_delay_%d", code).SetVisible(false);
    }
    if (auto* car = Find(QStringLiteral("car_image")).As<QLabel>()) {
        car->setPixmap(skin.Image(QStringLiteral("img/car.png")));
        car->setScaledContents(true);
    }
    if (auto* logo = Find(QStringLiteral("logo")).As<QLabel>()) {
        logo->setPixmap(skin.Image(QStringLiteral("img/logo.png")));
        logo->setScaledContents(true);
    }
    Find(QStringLiteral("btn_debug")).SetVisible(showDebug);

    // GEQ mode at start: only the gains of the bands can be edited.
    Model().page.geqMode = true;
    ShowHistoryButtons();
    if (UiControl mode = Find(QStringLiteral("btn_arg_eq"))) {
        mode.Selected(false, false);
        mode.SetText(QStringLiteral("${geq_mode}"));
    }
    if (auto* graph = Find(QStringLiteral("equalizer")).As<UIEqualizer>()) {
        graph->SetDragAllDirection(false);  // a GEQ drag changes the gain only
    }

    // Only the sources with input channels are offered, 16 units a row.
    if (auto* list = Find(QStringLiteral("btn_input_source")).As<QListWidget>()) {
        const int rowHeight = tonvia::ui::ScaleUnits(16, scalePercent);
        int shown = 0;
        for (int i = 0; i < list->count() && i < kInputSourceCount; ++i) {
            const bool offered = kInputSources[static_cast<std::size_t>(i)].IsOffered();
            list->item(i)->setHidden(!offered);
            list->item(i)->setSizeHint(QSize(0, rowHeight));
            shown += offered ? 1 : 0;
        }
        list->setFixedHeight(shown * rowHeight + 2 * list->frameWidth());
        list->setIconSize(QSize(rowHeight - 4, rowHeight - 4));
    }

    if (UiControl slider = Find(QStringLiteral("slider_main_volume"))) {
        slider.SetValue(live.mainVolume);
    }
    Find(QStringLiteral("main_mute")).Selected(live.mainVolumeMute != 0, false);
    if (UiControl acc = Find(QStringLiteral("slider_acc"))) {
        acc.SetValue(live.acc);
        Find(QStringLiteral("edit_acc")).SetText(Q(AccText(live.acc, acc.GetMinValue())));
    }

    struct Switch {
        const char* name;
        int on;
        const char* onText;
        const char* offText;
    };
    const Switch switches[] = {
        {"btn_amp_onoff", live.ampOn, "${amp_on}", "${amp_off}"},
        {"btn_rem_out1_onoff", live.rem_out1, "${rem_out1_on}", "${rem_out1_off}"},
        {"btn_rem_out2_onoff", live.rem_out2, "${rem_out2_on}", "${rem_out2_off}"},
        {"btn_noise_gate", live.noise_gate, "${btn_noise_gate_on}", "${btn_noise_gate_off}"},
        {"btn_2ohm_spk", live.spk_ohm, "${btn_2ohm_spk}", "${btn_4ohm_spk}"},
    };
    for (const Switch& s : switches) {
        if (UiControl button = Find(QLatin1String(s.name))) {
            button.SetText(QLatin1String(s.on != 0 ? s.onText : s.offText));
            button.Selected(s.on != 0, false);
            button.SetTextColor(s.on != 0 ? 0xFFFFFFFF : 0xFFFF0000);
        }
    }

    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        const OutChannel& c = live.channels[static_cast<std::size_t>(ch)];
        const int level = kChannelLevel.Positions(c.gain);
        Find("slider_ch_volume_%d", ch).SetValue(level);
        Find("slider_ch_delay_%d", ch).SetValue(kDelay.Positions(c.delay));
        Find("edit_ch_delay_%d", ch).SetText(Q(DelayText(Unit(), c.delay)));
        Find("ch_mute_%d", ch).Selected(c.mute != 0, false);
        if (UiControl phase = Find("ch_phase_%d", ch)) {
            phase.Selected(c.phase != 0, false);
            phase.SetText(c.phase != 0 ? QStringLiteral("${reverse phase}")
                                       : QStringLiteral("${positive_phase}"));
        }
        Find("ch_solo_%d", ch).Selected(c.solo != 0, false);
        Find("ch_synchronize_%d", ch)
            .Selected(live.linkSel[static_cast<std::size_t>(ch)] != 0, false);
        ShowDelayLinkColour(ch);
    }
    for (int pair = 0; pair < kChannelPairCount; ++pair) {
        const bool on = live.bridgeOutputs[static_cast<std::size_t>(pair)] != 0;
        Find("ch_bridge_%d", pair).Selected(on, false);
        Find("bridge_checkbox_%d", pair).Selected(on, false);
    }
    UpdateAllVolumeEdit();
    if (UiControl source = Find(QStringLiteral("btn_input_source"))) {
        source.SelectItem(kSourceHighLevel, false);
    }
    live.inputSource = kSourceHighLevel;
    ShowInputSource();
    ShowCurrentChannel(0);
    RebuildSpeakers();
}
