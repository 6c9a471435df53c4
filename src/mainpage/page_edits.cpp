// The page half of the edits: read the control, call the rules half, show what it names.
// The rules (clamps, followers, the order of the commands) live in tuning/edits.h.
#include <algorithm>

#include "dialogs/cs_auto_wnd.h"
#include "dialogs/dialog_common.h"
#include "dialogs/ktv_wnd.h"
#include "graph/equalizer.h"
#include "mainpage/auto_cal_wnd.h"
#include "mainpage/compressors_on_wnd.h"
#include "mainpage/custom_eq_wnd.h"
#include "mainpage/equalizer_manager.h"
#include "mainpage/mixer_wnd.h"
#include "mainpage/page_common.h"
#include "platform/log.h"
#include "tuning/output_edits.h"
#include "ui/skin_resources.h"

using tonvia::mainpage::At;
using tonvia::mainpage::Q;
using tonvia::mainpage::Text;
namespace tuning = tonvia::tuning;

std::string EqualizerManager::OffText() {
    return tonvia::ui::Translate(QString::fromLatin1(kOffKey.data(), kOffKey.size())).toStdString();
}

void EqualizerManager::TakeFocus(UiControl edit) const {
    if (!mCommitOnLeave) {
        edit.SetFocusSelectAll();
    }
}

tuning::Confirm EqualizerManager::Ask() const {
    return [this](std::string_view key) {
        return !mHooks.askBox ||
               mHooks.askBox(QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size())));
    };
}

bool EqualizerManager::Edit(const PageRoute& route, const QString& item) {
    const int i = route.index;
    const bool up = route.up;
    tuning::Session& s = mSession;
    const auto show = [this](const tuning::EditResult& result) { ShowEdit(result); };
    // A commit because the focus left the edit must not pull the focus back.
    mCommitOnLeave = route.commitOnLeave;
    QWidget* parent = mWindow != nullptr ? mWindow->GetWidget() : nullptr;
    switch (route.action) {
        case PageAction::SetMainVolumeSlider:
            SetMainVolumeSlider();
            return true;
        case PageAction::SetMainVolumeEdit:
            SetMainVolumeEdit();
            return true;
        case PageAction::SetMainVolumeUp:
            show(tuning::StepMainVolume(s, up));
            TakeFocus(Find(QStringLiteral("edit_main_volume")));
            return true;
        case PageAction::MainMute:
            show(tuning::SetMainMute(s, Find(QStringLiteral("main_mute")).IsSelected()));
            return true;
        case PageAction::SetAccSlider:
            SetAccSlider();
            return true;
        case PageAction::SetAccEdit:
            SetAccEdit();
            return true;
        case PageAction::SetAccUp: {
            const UiControl slider = Find(QStringLiteral("slider_acc"));
            show(tuning::StepAcc(s, up, slider.GetMinValue(), slider.GetMaxValue()));
            TakeFocus(Find(QStringLiteral("edit_acc")));
            return true;
        }
        case PageAction::SetInputIn:
            show(tuning::SetInputIn(
                s, i, route.second,
                Find(QStringLiteral("option_ch_in%1_%2").arg(i).arg(route.second)).IsSelected()));
            return true;
        case PageAction::ChannelVolumeSlider:
            ChannelVolumeSlider(i);
            return true;
        case PageAction::ChannelVolumeCommit:
            ChannelVolumeCommit(i);
            return true;
        case PageAction::SetChVolumeUp: {
            const int ch = Channel(i);
            show(tuning::StepChVolume(s, ch, up));
            TakeFocus(Find("edit_ch_volume_%d", ch));
            return true;
        }
        case PageAction::ChannelDelaySlider:
            ChannelDelaySlider(i);
            return true;
        case PageAction::SetChDelayEdit:
            SetChDelayEdit(i);
            return true;
        case PageAction::SetChDelayUp:
            show(tuning::StepChDelay(s, i, up, Unit()));
            TakeFocus(Find("edit_ch_delay_%d", i));
            return true;
        case PageAction::DelayUnitChange:
            // The model keeps milliseconds: only the texts change.
            ShowDelays(ChannelSet::All());
            return true;
        case PageAction::ChannelMute: {
            const int ch = Channel(i);
            const UiControl option =
                i < 0 ? Find(QStringLiteral("ch_mute")) : Find("ch_mute_%d", ch);
            show(tuning::SetChMute(s, ch, option.IsSelected()));
            return true;
        }
        case PageAction::ChannelPhase: {
            const int ch = Channel(i);
            const UiControl option =
                i < 0 ? Find(QStringLiteral("ch_phase")) : Find("ch_phase_%d", ch);
            show(tuning::SetChPhase(s, ch, option.IsSelected()));
            return true;
        }
        case PageAction::ChannelSolo:
            show(tuning::SetChSolo(s, i, Find("ch_solo_%d", i).IsSelected()));
            return true;
        case PageAction::SetChShow:
            show(tuning::SetChShow(s, i, Find("ch_show_%d", i).IsSelected()));
            return true;
        case PageAction::AmpSwitch:
        case PageAction::RemOut1Switch:
        case PageAction::RemOut2Switch:
        case PageAction::SpkOhmSwitch:
        case PageAction::NoiseGateSwitch:
            ApplySwitch(route.action);
            return true;
        case PageAction::EqSlider:
            EqSlider(i);
            return true;
        case PageAction::SetChEqEdit:
            SetChEqEdit(i);
            return true;
        case PageAction::SetEqFreqUp:
        case PageAction::SetEqQUp:
        case PageAction::SetEqGainUp: {
            static constexpr struct {
                PageAction action;
                tuning::BandField field;
                const char* edit;
            } kSteps[] = {
                {PageAction::SetEqFreqUp, tuning::BandField::Freq, "eq_freq_%d"},
                {PageAction::SetEqQUp, tuning::BandField::Q, "eq_q_%d"},
                {PageAction::SetEqGainUp, tuning::BandField::Gain, "eq_gain_%d"},
            };
            for (const auto& step : kSteps) {
                if (step.action == route.action) {
                    show(tuning::StepEqBand(s, i, step.field, up));
                    TakeFocus(Find(step.edit, i));
                }
            }
            return true;
        }
        case PageAction::OnEqEnable:
            show(tuning::OnEqEnable(s, i));
            return true;
        case PageAction::SetOutputBypass:
            show(tuning::SetOutputBypass(s, Ask()));
            return true;
        case PageAction::SetOutputEqReset: {
            const tuning::EditResult result = tuning::SetOutputEqReset(s, Ask());
            show(result);
            if (result.Changed()) {
                Find(QStringLiteral("btn_bypass")).SetText(QStringLiteral("${bypass_eq}"));
            }
            return true;
        }
        case PageAction::SetEqMode:
            show(tuning::SetEqMode(s, Ask()));
            return true;
        case PageAction::SetHpFreq:
            SetFilterFreq(true);
            return true;
        case PageAction::SetLpFreq:
            SetFilterFreq(false);
            return true;
        case PageAction::SetHpFreqUp:
        case PageAction::SetLpFreqUp: {
            const bool hp = route.action == PageAction::SetHpFreqUp;
            show(hp ? tuning::StepHpFreq(s, up) : tuning::StepLpFreq(s, up));
            TakeFocus(Find(QLatin1String(hp ? "hp_freq" : "lp_freq")));
            return true;
        }
        case PageAction::SetHpType:
        case PageAction::SetLpType:
        case PageAction::SetHpSlope:
        case PageAction::SetLpSlope:
            SetFilterList(route.action);
            return true;
        case PageAction::EqualizerCallback:
            EqualizerCallback(i, route.part, up);
            return true;
        case PageAction::SaveSceneToFile:
            SaveSenceConfigToFile();
            return true;
        case PageAction::LoadSceneFromFile:
            LoadSenceConfigFromFile();
            return true;
        case PageAction::SaveWholeToFile:
            SaveWholeConfigToFile();
            return true;
        case PageAction::LoadWholeFromFile:
            LoadWholeConfigFromFile();
            return true;
        case PageAction::CompressorsOn:
            CCompressorsOnWnd::ShowCompressorsOn(
                mWindow != nullptr ? mWindow->GetWidget() : nullptr, *this);
            return true;
        case PageAction::Compressor: {
            CCompressorWnd* dialog = new CCompressorWnd(*this);
            tonvia::dialogs::RunModal(dialog, parent, QStringLiteral("compressorwnd"));
            return true;
        }
        case PageAction::AutoCal:
            // A kept result changed the amplifier's settings: read them again.
            if (CAutoCalWnd::ShowAutoCal(parent, mSession) == 1 && Device().IsConnected()) {
                StartStateRead();
            }
            return true;
        case PageAction::CsAuto:
            // Nothing supplies the first byte; the amplifier keeps 0 there.
            CSAutoWnd::ShowCsAuto(parent, mSession, mCsAuto, 0, Live().inputSource);
            return true;
        case PageAction::CustomEq:
            CCustomEqWnd::ShowCustomEq(parent, mSession,
                                       tonvia::tuning::CustomEqFactoryFrequencies(),
                                       tonvia::tuning::CustomEqTable{});
            return true;
        case PageAction::Mixer:
            CMixerWnd::ShowMixer(mWindow != nullptr ? mWindow->GetWidget() : nullptr, *this);
            return true;
        case PageAction::KaraokePanel:
            CKtvWnd::ShowKtv(mWindow != nullptr ? mWindow->GetWidget() : nullptr, mSession);
            return true;
        case PageAction::LoadSceneFromDsp:
            LoadSenceConfigFromDSP();
            return true;
        case PageAction::VerifyWithAmplifier:
            VerifyWithAmplifier();
            return true;
        case PageAction::CompareWithFile:
            CompareWithFile();
            return true;
        case PageAction::ImportFilters:
            ImportFilters();
            return true;
        case PageAction::ExportFilters:
            ExportFilters();
            return true;
        case PageAction::EqFromMeasurement:
            ShowEqFromMeasurement();
            return true;
        case PageAction::SpeakerDistances:
            ShowSpeakerDistances();
            return true;
        case PageAction::SaveSceneToDsp:
            SaveSenceConfigToDSP();
            return true;
        case PageAction::DeleteDspScene:
            DeleteDSPSenceConfig();
            return true;
        case PageAction::SetOutputValue:
            ChooseOutputPosition(route.second, item);
            return true;
        case PageAction::SetSpeakerFocus:
            show(tuning::SetSpeakerFocus(s, i));
            Find("speaker_%d", i).Selected(true, false);
            return true;
        case PageAction::SpeakerDelayStep:
            SpeakerDelayStep(i, up);
            return true;
        case PageAction::SpeakerDelayStepCurrent: {
            const int code = Live().outputs[At(CurrentChannel())];
            if (code > 0) {
                SpeakerDelayStep(code, up);
            }
            return true;
        }
        case PageAction::SetSpkDelayEdit:
            SetSpkDelayEdit(i);
            return true;
        case PageAction::SetBridge:
            SetBridge(i, route.second == 1);
            return true;
        case PageAction::SetChSynchronize:
            SetChSynchronize(i);
            return true;
        case PageAction::ResetSynchronizeGroups:
            show(tuning::ResetSynchronizeGroups(s));
            return true;
        case PageAction::SetChDelayLink:
            show(tuning::ChooseDelayLink(s, route.second, i));
            return true;
        case PageAction::SetChSynchronizeGroup:
            show(tuning::ChooseSynchronize(s, route.second, i));
            return true;
        case PageAction::SetOutpuLock:
            SetOutpuLock();
            return true;
        case PageAction::SetOutputLink:
            SetOutputLink();
            return true;
        case PageAction::SetOutputReset:
            SetOutputReset();
            return true;
        case PageAction::UpdateEqualizerBand:
            UpdateEqualizer(i);
            return true;
        case PageAction::WindowSize:
            UpdateEqualizer(0);
            return true;
        default:
            return false;
    }
}

// ---- Master volume and ACC ----

void EqualizerManager::SetMainVolumeSlider() {
    const int v = Find(QStringLiteral("slider_main_volume")).GetValue();
    LogPrintA("SetMainVolumeSlider %g\n", static_cast<double>(v));
    ShowEdit(tuning::SetMainVolume(mSession, v));
    TakeFocus(Find(QStringLiteral("edit_main_volume")));
}

void EqualizerManager::SetMainVolumeEdit() {
    const std::string text = Text(Find(QStringLiteral("edit_main_volume")));
    LogPrintA("SetMainVolumeEdit %s\n", text.c_str());
    // The rules half clamps to the slider's range, as the slider would.
    ShowEdit(tuning::SetMainVolume(mSession, ReadMainVolume(text, OffText())));
    TakeFocus(Find(QStringLiteral("edit_main_volume")));
}

void EqualizerManager::SetAccSlider() {
    const UiControl slider = Find(QStringLiteral("slider_acc"));
    LogPrintA("SetAccSlider %g\n", static_cast<double>(slider.GetValue()));
    ShowEdit(
        tuning::SetAcc(mSession, slider.GetValue(), slider.GetMinValue(), slider.GetMaxValue()));
    TakeFocus(Find(QStringLiteral("edit_acc")));
}

void EqualizerManager::SetAccEdit() {
    const UiControl slider = Find(QStringLiteral("slider_acc"));
    const std::string text = Text(Find(QStringLiteral("edit_acc")));
    LogPrintA("SetAccEdit %s\n", text.c_str());
    ShowEdit(tuning::SetAcc(mSession, ReadAcc(text, OffText(), slider.GetMinValue()),
                            slider.GetMinValue(), slider.GetMaxValue()));
    TakeFocus(Find(QStringLiteral("edit_acc")));
}

bool EqualizerManager::SetInputSource() {
    const UiControl list = Find(QStringLiteral("btn_input_source"));
    const bool connected = Find(QStringLiteral("btnConnect")).IsSelected();
    const tuning::EditResult result = tuning::SetInputSource(mSession, list.GetCurSel(), connected);
    ShowEdit(result);
    return result.startVolumePoll;
}

// ---- Channel level and delay ----

void EqualizerManager::ChannelVolumeSlider(int ch) {
    const int channel = Channel(ch);
    const UiControl slider =
        ch < 0 ? Find(QStringLiteral("slider_ch_volume")) : Find("slider_ch_volume_%d", channel);
    ShowEdit(tuning::EditChVolume(mSession, channel, slider.GetValue()));
    TakeFocus(Find("edit_ch_volume_%d", channel));
}

void EqualizerManager::ChannelVolumeCommit(int ch) {
    const int channel = Channel(ch);
    const UiControl edit =
        ch < 0 ? Find(QStringLiteral("edit_ch_volume")) : Find("edit_ch_volume_%d", channel);
    const double db = ReadChannelVolume(Text(edit), OffText());
    // An unchanged text still sends the level and unmutes: the commit is the user's.
    const int position =
        std::clamp(RoundHalfAway(db * 10.0), kChVolumeSliderMin, kChVolumeSliderMax);
    ShowEdit(tuning::EditChVolume(mSession, channel, position));
    TakeFocus(Find("edit_ch_volume_%d", channel));
}

void EqualizerManager::ChannelDelaySlider(int ch) {
    const int position = Find("slider_ch_delay_%d", ch).GetValue();
    ShowEdit(tuning::SetChDelay(mSession, ch, position / 1000.0, Unit()));
    TakeFocus(Find("edit_ch_delay_%d", ch));
}

void EqualizerManager::SetChDelayEdit(int ch) {
    const std::string text = Text(Find("edit_ch_delay_%d", ch));
    ShowEdit(tuning::SetChDelay(mSession, ch, ReadDelay(Unit(), text), Unit()));
    TakeFocus(Find("edit_ch_delay_%d", ch));
}

void EqualizerManager::SetCurChannelChange(int ch) {
    ShowEdit(tuning::SelectChannel(mSession, ch));
}

// ---- Switches ----

void EqualizerManager::ApplySwitch(PageAction action) {
    struct Row {
        PageAction action;
        const tonvia::mainpage::SwitchButton* button;
    };
    static constexpr Row kRows[] = {
        {PageAction::AmpSwitch, &tonvia::mainpage::kAmpSwitch},
        {PageAction::RemOut1Switch, &tonvia::mainpage::kRemOut1Switch},
        {PageAction::RemOut2Switch, &tonvia::mainpage::kRemOut2Switch},
        {PageAction::SpkOhmSwitch, &tonvia::mainpage::kSpkOhmSwitch},
        {PageAction::NoiseGateSwitch, &tonvia::mainpage::kNoiseGateSwitch},
    };
    for (const Row& row : kRows) {
        if (row.action != action) {
            continue;
        }
        const UiControl button = Find(QLatin1String(row.button->name));
        // A switch the layout lacks counts as on.
        const bool on = button ? !button.IsSelected() : true;
        switch (action) {
            case PageAction::AmpSwitch:
                ShowEdit(tuning::SetAmpOn(mSession, on));
                break;
            case PageAction::RemOut1Switch:
                ShowEdit(tuning::SetRemOut(mSession, 1, on));
                break;
            case PageAction::RemOut2Switch:
                ShowEdit(tuning::SetRemOut(mSession, 2, on));
                break;
            case PageAction::SpkOhmSwitch:
                ShowEdit(tuning::SetSpkOhm(mSession, on));
                break;
            default:
                ShowEdit(tuning::SetNoiseGate(mSession, on));
                break;
        }
    }
}

// ---- Showing what an edit changed ----

void EqualizerManager::ShowLevels(ChannelSet channels) {
    const SceneConfig& live = Model().live;
    const int current = CurrentChannel();
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        if (!channels.Has(ch)) {
            continue;
        }
        const int level = kChannelLevel.Positions(live.channels[At(ch)].gain);
        Find("slider_ch_volume_%d", ch).SetValue(level);
        Find("edit_ch_volume_%d", ch).SetText(Q(ChannelVolumeText(level)));
        if (ch == current) {
            Find(QStringLiteral("slider_ch_volume")).SetValue(level);
            Find(QStringLiteral("edit_ch_volume")).SetText(Q(ChannelVolumeText(level)));
        }
    }
}

void EqualizerManager::ShowDelays(ChannelSet channels) {
    const SceneConfig& live = Model().live;
    const DelayUnit unit = Unit();
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        if (!channels.Has(ch)) {
            continue;
        }
        const float delay = live.channels[At(ch)].delay;
        Find("edit_ch_delay_%d", ch).SetText(Q(DelayText(unit, delay)));
        Find("slider_ch_delay_%d", ch).SetValue(kDelay.Positions(delay));
        const int code = live.outputs[At(ch)];
        if (code >= 1 && code < kPositionCodeCount) {
            Find("spk_delay_%d", code).SetText(Q(SpeakerDelayText(unit, delay)));
        }
    }
}

void EqualizerManager::ShowSwitches() {
    using namespace tonvia::mainpage;
    const SceneConfig& live = Model().live;
    ShowSwitch(Find(QLatin1String(kAmpSwitch.name)), kAmpSwitch, live.ampOn != 0);
    ShowSwitch(Find(QLatin1String(kRemOut1Switch.name)), kRemOut1Switch, live.rem_out1 != 0);
    ShowSwitch(Find(QLatin1String(kRemOut2Switch.name)), kRemOut2Switch, live.rem_out2 != 0);
    ShowSwitch(Find(QLatin1String(kSpkOhmSwitch.name)), kSpkOhmSwitch, live.spk_ohm != 0);
    ShowSwitch(Find(QLatin1String(kNoiseGateSwitch.name)), kNoiseGateSwitch, live.noise_gate != 0);
}

void EqualizerManager::ShowEdit(const tuning::EditResult& result) {
    if (result.refused || !result.Changed()) {
        return;
    }
    const SceneConfig& live = Model().live;
    if (result.mainVolume) {
        Find(QStringLiteral("slider_main_volume")).SetValue(live.mainVolume);
        Find(QStringLiteral("edit_main_volume")).SetText(Q(MainVolumeText(live.mainVolume)));
    }
    if (result.mainMute) {
        Find(QStringLiteral("main_mute")).Selected(live.mainVolumeMute != 0, false);
    }
    if (result.acc) {
        UiControl slider = Find(QStringLiteral("slider_acc"));
        slider.SetValue(live.acc);
        Find(QStringLiteral("edit_acc"))
            .SetText(Q(AccText(live.acc, slider ? slider.GetMinValue() : 0)));
    }
    if (result.source || result.routing) {
        ShowInputSource();
    }
    if (result.switches) {
        ShowSwitches();
    }
    // A new current channel first: the strip controls below then follow it.
    if (result.madeCurrent >= 0) {
        ShowCurrentChannel(result.madeCurrent);
    }
    const int current = CurrentChannel();
    ShowLevels(result.levels);
    ShowDelays(result.delays);
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        const OutChannel& c = live.channels[At(ch)];
        if (result.mutes.Has(ch)) {
            Find("ch_mute_%d", ch).Selected(c.mute != 0, false);
            if (ch == current) {
                Find(QStringLiteral("ch_mute")).Selected(c.mute != 0, false);
            }
        }
        if (result.phases.Has(ch)) {
            tonvia::mainpage::ShowPhase(Find("ch_phase_%d", ch), c.phase != 0);
            if (ch == current) {
                tonvia::mainpage::ShowPhase(Find(QStringLiteral("ch_phase")), c.phase != 0);
            }
        }
        if (result.solos.Has(ch)) {
            Find("ch_solo_%d", ch).Selected(c.solo != 0, false);
        }
        if (result.shows.Has(ch)) {
            Find("ch_show_%d", ch).Selected(live.showOutChEqualizer[At(ch)] != 0, false);
        }
    }
    if (result.geqMode) {
        const bool geq = Model().page.geqMode;
        UiControl mode = Find(QStringLiteral("btn_arg_eq"));
        mode.Selected(!geq, false);
        mode.SetText(geq ? QStringLiteral("${geq_mode}") : QStringLiteral("${peq_mode}"));
        if (auto* graph = Find(QStringLiteral("equalizer")).As<UIEqualizer>()) {
            graph->SetDragAllDirection(!geq);
        }
        RefreshBandControls(current);
    }
    ShowOutputs(result);
    if (result.madeCurrent >= 0) {
        return;  // the current channel's strip, bands and graph are shown already
    }
    if (result.crossovers.Has(current)) {
        SetFreqDivider(current);
    }
    if (result.bands.Has(current) || result.bypass.Has(current)) {
        RefreshBandControls(current);
        ShowBypassButton();
    }
    const ChannelSet curves = result.Curves() | result.shows;
    if (!curves.Empty() || result.geqMode) {
        UpdateEqualizer(result.band, curves);
    }
}

void EqualizerManager::RefreshMainPage() {
    SceneConfig& live = Model().live;
    const int current = CurrentChannel();
    // 1. The master volume.
    Find(QStringLiteral("slider_main_volume")).SetValue(live.mainVolume);
    Find(QStringLiteral("main_mute")).Selected(live.mainVolumeMute != 0, false);
    Find(QStringLiteral("edit_main_volume")).SetText(Q(MainVolumeText(live.mainVolume)));
    // 2. and 3. The current channel's crossover and bands, the speaker diagram.
    SetFreqDivider(current);
    RefreshBandControls(current);
    RebuildSpeakers();
    // 4. Every channel's strip; mute, solo and phase are sent again.
    tuning::EditResult strips = tuning::ResendChannelSwitches(mSession);
    strips.levels = strips.delays = strips.mutes = strips.phases = strips.solos = ChannelSet::All();
    strips.routing = true;
    strips.madeCurrent = -1;
    ShowEdit(strips);
    // 5. Output link and lock.
    const bool linked = live.linkMode == 1;
    if (linked) {
        SetOutputLinkMode(live, true);
    } else {
        live.linkOutputs.fill(-1);
    }
    Find(QStringLiteral("btn_link_output")).Selected(linked, false);
    Find(QStringLiteral("btn_lock_output")).Selected(linked || live.lockMode != 0, false);
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        Find("ch_output_btn_%d", ch).SetEnabled(!linked && live.lockMode == 0);
        Find("ch_synchronize_%d", ch).Selected(live.linkSel[At(ch)] != 0, false);
    }
    for (int pair = 0; pair < kChannelPairCount; ++pair) {
        const bool on = live.bridgeOutputs[At(pair)] != 0;
        Find("ch_bridge_%d", pair).Selected(on, false);
        Find("bridge_checkbox_%d", pair).Selected(on, false);
    }
    // 6. The current channel again, with every curve.
    ShowCurrentChannel(current);
    ShowSwitches();
    // A stored scene's load ends here: the page shows the values it brought.
    FinishLoadEntry();
}
