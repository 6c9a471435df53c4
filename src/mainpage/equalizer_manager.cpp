#include "mainpage/equalizer_manager.h"

#include <QLabel>
#include <QListWidget>
#include <cmath>
#include <cstdio>

#include "app/log.h"
#include "model/positions.h"
#include "ui/display_scale.h"
#include "ui/skin_resources.h"
#include "ui/window_impl_base.h"

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Button text of each position code, as the position buttons show it.
constexpr const char* kPositionTexts[kPositionCodeCount] = {
    "${empty}",
    "${front_left_tweeter}",
    "${front_left_midrange}",
    "${front_left_woofer}",
    "${front_left_mid_twee}",
    "${front_left_mid_woof}",
    "${front_left_full}",
    "${front_right_tweeter}",
    "${front_right_midrange}",
    "${front_right_woofer}",
    "${front_right_mid_twee}",
    "${front_right_mid_woof}",
    "${front_right_full}",
    "${rear_left_tweeter}",
    "${rear_left_woofer}",
    "${rear_left_full}",
    "${rear_right_tweeter}",
    "${rear_right_woofer}",
    "${rear_right_full}",
    "${center_tweeter}",
    "${center_woofer}",
    "${center_full}",
    "${left_subwoofer_freq}",
    "${right_subwoofer_freq}",
    "${subwoofer_freq}",
};

constexpr std::uint32_t kDelayLinkColours[] = {0xFF666666, 0xFF0088FF, 0xFF00AEAE, 0xFF0000E3,
                                               0xFFFF0000, 0xFFFF8040, 0xFF8600FF};

}  // namespace

const char* PositionButtonText(int code) {
    return code >= 0 && code < kPositionCodeCount ? kPositionTexts[code] : kPositionTexts[0];
}

EqualizerManager::EqualizerManager(tonvia::platform::HidBackend& backend, WindowMessageSink& sink)
    : mDevice(backend, sink) {}

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
    const UiControl mode = Find(QStringLiteral("btn_arg_eq"));
    return mode && !mode.IsSelected();
}

void EqualizerManager::BindPage(WindowImplBase& window, bool showDebug, int scalePercent) {
    mWindow = &window;
    SceneConfig& live = mModel.live;
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
    if (UiControl mode = Find(QStringLiteral("btn_arg_eq"))) {
        mode.Selected(false, false);
        mode.SetText(QStringLiteral("${geq_mode}"));
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
        const int level = static_cast<int>(std::lround(c.gain * 10));
        Find("slider_ch_volume_%d", ch).SetValue(level);
        Find("slider_ch_delay_%d", ch).SetValue(static_cast<int>(std::lround(c.delay * 1000)));
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
        if (UiControl link = Find("delay_link_%d", ch)) {
            const int group = live.delayLinkSel[static_cast<std::size_t>(ch)];
            const std::uint32_t colour = kDelayLinkColours[group >= 0 && group <= 6 ? group : 0];
            link.SetTextColor(0xFFFFFFFF);
            link.Widget()->setStyleSheet(
                QStringLiteral("QRadioButton { background: #%1; border-color: #%1; }")
                    .arg(colour & 0xFFFFFF, 6, 16, QLatin1Char('0')));
        }
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
    ShowInputSource(kSourceHighLevel);
    SetCurChannelChange(0);
    RebuildSpeakers();
}

void EqualizerManager::UpdateAllVolumeEdit() {
    LogPrintA("%s\n", "EqualizerManager::UpdateAllVolumeEdit");
    const SceneConfig& live = mModel.live;
    LogPrintA("on main volume edit change to %d dB\n", live.mainVolume);
    if (UiControl slider = Find(QStringLiteral("slider_main_volume"))) {
        slider.SetValue(live.mainVolume);
    }
    Find(QStringLiteral("edit_main_volume")).SetText(Q(MainVolumeText(live.mainVolume)));
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        const float gain = live.channels[static_cast<std::size_t>(ch)].gain;
        LogPrintA("on ch volume edit change to %d dB\n", static_cast<int>(gain));
        const int level = static_cast<int>(std::lround(gain * 10));
        Find("edit_ch_volume_%d", ch).SetText(Q(ChannelVolumeText(level)));
        if (ch == mCurrentChannel) {
            Find(QStringLiteral("edit_ch_volume")).SetText(Q(ChannelVolumeText(level)));
        }
    }
}

void EqualizerManager::ShowInputSource(int source) {
    if (source < 0 || source >= kInputSourceCount) {
        return;
    }
    LogPrintA("on %s index %d\n", "EqualizerManager::SetInputSource", source);
    SceneConfig& live = mModel.live;
    live.inputSource = source;
    auto& skin = tonvia::ui::SkinResources::Instance();
    if (auto* list = Find(QStringLiteral("btn_input_source")).As<QListWidget>()) {
        const QIcon selected(skin.Image(QStringLiteral("img/source_select.png")));
        const QIcon normal(skin.Image(QStringLiteral("img/source_normal.png")));
        for (int i = 0; i < list->count(); ++i) {
            list->item(i)->setIcon(i == source ? selected : normal);
        }
    }
    const int inputs = SourceInputCount(source);
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        const int mask =
            live.inputs[static_cast<std::size_t>(source)][static_cast<std::size_t>(ch)];
        for (int j = 0; j < 4; ++j) {
            UiControl option = Find(QStringLiteral("option_ch_in%1_%2").arg(j).arg(ch));
            const bool used = j < inputs;
            option.Selected(used && (mask & (1 << j)) != 0, false);
            option.SetVisible(used);
            option.SetEnabled(used);
        }
    }
}

void EqualizerManager::SetCurChannelChange(int ch) {
    if (ch < 0 || ch >= kOutChannelCount) {
        return;
    }
    LogPrintA("on SetCurChannelChange channel index %d\n", ch);
    SceneConfig& live = mModel.live;
    mCurrentChannel = ch;
    const std::optional<int> pair = live.PairChannel(ch);
    for (int i = 0; i < kOutChannelCount; ++i) {
        Find("ch_enable_%d", i).Selected(i == ch || (pair && *pair == i), false);
        const bool framed = i == ch;
        Find("ch_border_top_%d", i).SetVisible(framed);
        Find("ch_border_buttom_%d", i).SetVisible(framed);
        Find("ch_border_left_%d", i).SetVisible(framed);
        Find("ch_border_right_%d", i).SetVisible(framed);
        Find("ch_show_%d", i)
            .Selected(live.showOutChEqualizer[static_cast<std::size_t>(i)] != 0, false);
    }
    const OutChannel& c = live.channels[static_cast<std::size_t>(ch)];
    Find(QStringLiteral("label_channel_name")).SetText(QStringLiteral("CH%1").arg(ch + 1));
    const int level = static_cast<int>(std::lround(c.gain * 10));
    Find(QStringLiteral("slider_ch_volume")).SetValue(level);
    Find(QStringLiteral("edit_ch_volume")).SetText(Q(ChannelVolumeText(level)));
    Find(QStringLiteral("ch_mute")).Selected(c.mute != 0, false);
    if (UiControl phase = Find(QStringLiteral("ch_phase"))) {
        phase.Selected(c.phase != 0, false);
        phase.SetText(c.phase != 0 ? QStringLiteral("${reverse phase}")
                                   : QStringLiteral("${positive_phase}"));
    }
    for (int code = 1; code < kPositionCodeCount; ++code) {
        const int own = live.outputs[static_cast<std::size_t>(ch)];
        const bool mark =
            code == own || (pair && code == live.outputs[static_cast<std::size_t>(*pair)]);
        Find("speaker_%d", code).Selected(mark, false);
    }

    // The crossover and the bands of the channel.
    const Crossover& x = c.crossover;
    Find(QStringLiteral("hp_type")).SelectItem(x.hp.type, false);
    Find(QStringLiteral("lp_type")).SelectItem(x.lp.type, false);
    Find(QStringLiteral("hp_slop")).SelectItem(x.hp.slope, false);
    Find(QStringLiteral("lp_slop")).SelectItem(x.lp.slope, false);
    Find(QStringLiteral("hp_freq")).SetText(Q(CrossoverFreqText(x.hp.fs)));
    Find(QStringLiteral("lp_freq")).SetText(Q(CrossoverFreqText(x.lp.fs)));
    const bool peq = !GeqMode();
    bool anyEnabled = false;
    for (int b = 0; b < kEqBandCount; ++b) {
        const EqBand& band = c.eqArray[static_cast<std::size_t>(b)];
        const bool inUse = b < c.eqSize;
        const EqBandTexts texts = EqBandTextsFor(band, b, c.eqSize, c.bypass != 0);
        Find("eq_freq_%d", b).SetText(Q(texts.freq));
        Find("eq_q_%d", b).SetText(Q(texts.q));
        Find("eq_gain_%d", b).SetText(Q(texts.gain));
        Find("eq_freq_%d", b).SetEnabled(inUse && peq);
        Find("eq_q_%d", b).SetEnabled(inUse && peq);
        Find("eq_gain_%d", b).SetEnabled(inUse);
        const int position = inUse && band.enable != 0 && c.bypass == 0
                                 ? static_cast<int>(std::lround(band.gain * 10))
                                 : 0;
        Find("eq_slider_%d", b).SetValue(position);
        Find("eq_slider_%d", b).SetEnabled(inUse);
        Find("pt_enable_%d", b).Selected(position != 0, false);
        Find("pt_enable_%d", b).SetEnabled(inUse);
        anyEnabled = anyEnabled || position != 0;
    }
    Find(QStringLiteral("btn_bypass"))
        .SetText(anyEnabled ? QStringLiteral("${bypass_eq}") : QStringLiteral("${restore_eq}"));
}

void EqualizerManager::RebuildSpeakers() {
    const SceneConfig& live = mModel.live;
    for (int code = 1; code < kPositionCodeCount; ++code) {
        Find("speaker_%d", code).SetVisible(false);
        Find("spk_con_%d", code).SetVisible(false);
        Find("spk_delay_%d", code).SetVisible(false);
    }
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        const int code = live.outputs[static_cast<std::size_t>(ch)];
        Find("ch_output_btn_%d", ch).SetText(QLatin1String(PositionButtonText(code)));
        if (code < 1 || code >= kPositionCodeCount) {
            continue;
        }
        Find("speaker_%d", code).SetVisible(true);
        Find("spk_con_%d", code).SetVisible(true);
        if (UiControl delay = Find("spk_delay_%d", code)) {
            delay.SetText(
                Q(SpeakerDelayText(Unit(), live.channels[static_cast<std::size_t>(ch)].delay)));
            delay.SetVisible(true);
        }
    }
}
