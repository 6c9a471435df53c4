#include "mainpage/page_routes.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "model/dimensions.h"

namespace {

struct ActionName {
    PageAction action;
    const char* name;
};

constexpr ActionName kActionNames[] = {
    {PageAction::None, "none"},
    {PageAction::Minimize, "Minimize"},
    {PageAction::ConnectDevice, "ConnectDevice"},
    {PageAction::OutputMenu, "OutputMenu"},
    {PageAction::AmpSwitch, "SetAmpOnOffButton"},
    {PageAction::RemOut1Switch, "SetRemOut1OnOffButton"},
    {PageAction::RemOut2Switch, "SetRemOut2OnOffButton"},
    {PageAction::SpkOhmSwitch, "SetSpkOhmButton"},
    {PageAction::NoiseGateSwitch, "SetNoiseGateButton"},
    {PageAction::OptionMenu, "OptionMenu"},
    {PageAction::SceneMenu, "SceneMenu"},
    {PageAction::AdvanceMenu, "AdvanceMenu"},
    {PageAction::SetOutputEqReset, "SetOutputEqReset"},
    {PageAction::SetOutputBypass, "SetOutputBypass"},
    {PageAction::SetEqMode, "SetEqMode"},
    {PageAction::SetOutputReset, "SetOutputReset"},
    {PageAction::SetOutpuLock, "SetOutpuLock"},
    {PageAction::SetOutputLink, "SetOutputLink"},
    {PageAction::ResetSynchronizeGroups, "ResetSynchronizeGroups"},
    {PageAction::SetCurChannelChange, "SetCurChannelChange"},
    {PageAction::SetBridge, "SetBridge"},
    {PageAction::SetSpeakerFocus, "SetSpeakerFocus"},
    {PageAction::OnEqEnable, "OnEqEnable"},
    {PageAction::SpeakerDelayStepCurrent, "SpeakerDelayStepCurrent"},
    {PageAction::Mixer, "Mixer"},
    {PageAction::NoiseThreshold, "NoiseThreshold"},
    {PageAction::MemWr, "MemWr"},
    {PageAction::EqMenu, "EqMenu"},
    {PageAction::SpeakerDistances, "SpeakerDistances"},
    {PageAction::SetChShow, "SetChShow"},
    {PageAction::ChannelMute, "SetChMute"},
    {PageAction::ChannelPhase, "SetChPhase"},
    {PageAction::ChannelSolo, "SetChSolo"},
    {PageAction::SetChSynchronize, "SetChSynchronize"},
    {PageAction::DelayLinkMenu, "DelayLinkMenu"},
    {PageAction::MainMute, "MainMute"},
    {PageAction::SetInputIn, "SetInputIn"},
    {PageAction::EqSlider, "ApplyEqBand"},
    {PageAction::SetMainVolumeSlider, "SetMainVolumeSlider"},
    {PageAction::SetAccSlider, "SetAccSlider"},
    {PageAction::ChannelVolumeSlider, "ChannelVolumeSlider"},
    {PageAction::ChannelDelaySlider, "ChannelDelaySlider"},
    {PageAction::SetEqFreqUp, "SetEqFreqUp"},
    {PageAction::SetEqQUp, "SetEqQUp"},
    {PageAction::SetEqGainUp, "SetEqGainUp"},
    {PageAction::SetHpFreqUp, "SetHpFreqUp"},
    {PageAction::SetLpFreqUp, "SetLpFreqUp"},
    {PageAction::SetMainVolumeUp, "SetMainVolumeUp"},
    {PageAction::SetAccUp, "SetAccUp"},
    {PageAction::SetChVolumeUp, "SetChVolumeUp"},
    {PageAction::SetChDelayUp, "SetChDelayUp"},
    {PageAction::SpeakerDelayStep, "SpeakerDelayStep"},
    {PageAction::FocusForward, "FocusForward"},
    {PageAction::FocusBack, "FocusBack"},
    {PageAction::SetMainVolumeEdit, "SetMainVolumeEdit"},
    {PageAction::SetAccEdit, "SetAccEdit"},
    {PageAction::SetHpFreq, "SetHpFreq"},
    {PageAction::SetLpFreq, "SetLpFreq"},
    {PageAction::SetChDelayEdit, "SetChDelayEdit"},
    {PageAction::ChannelVolumeCommit, "ChannelVolumeCommit"},
    {PageAction::SetSpkDelayEdit, "SetSpkDelayEdit"},
    {PageAction::EqEditNext, "EqEditNext"},
    {PageAction::SetChEqEdit, "SetChEqEdit"},
    {PageAction::UpdateEqualizerBand, "UpdateEqualizer"},
    {PageAction::SpeakerDelayFocus, "SpeakerDelayFocus"},
    {PageAction::ChannelFocus, "ChannelFocus"},
    {PageAction::DelayUnitChange, "DelayUnitChange"},
    {PageAction::SetHpType, "SetHpType"},
    {PageAction::SetLpType, "SetLpType"},
    {PageAction::SetHpSlope, "SetHpSlope"},
    {PageAction::SetLpSlope, "SetLpSlope"},
    {PageAction::SetInputSource, "SetInputSource"},
    {PageAction::EqualizerCallback, "EqualizerCallback"},
    {PageAction::WindowSize, "WindowSize"},
    {PageAction::SetOutputValue, "SetOutputValue"},
    {PageAction::SetChDelayLink, "SetChDelayLink"},
    {PageAction::SetChSynchronizeGroup, "SetChSynchronizeGroup"},
    {PageAction::FirmwareUpgrade, "FirmwareUpgrade"},
    {PageAction::ResetMcuFactoryDefault, "ResetMcuFactoryDefault"},
    {PageAction::About, "About"},
    {PageAction::ChangeLanguage, "ChangeLanguage"},
    {PageAction::LoadSceneFromDsp, "LoadSenceConfigFromDSP"},
    {PageAction::SaveSceneToDsp, "SaveSenceConfigToDSP"},
    {PageAction::DeleteDspScene, "DeleteDSPSenceConfig"},
    {PageAction::LoadSceneFromFile, "LoadSenceConfigFromFile"},
    {PageAction::SaveSceneToFile, "SaveSenceConfigToFile"},
    {PageAction::LoadWholeFromFile, "LoadWholeConfigFromFile"},
    {PageAction::SaveWholeToFile, "SaveWholeConfigToFile"},
    {PageAction::CompressorsOn, "CompressorsOn"},
    {PageAction::KaraokePanel, "KaraokePanel"},
    {PageAction::Compressor, "Compressor"},
    {PageAction::AutoCal, "AutoCal"},
    {PageAction::CsAuto, "CsAuto"},
    {PageAction::CustomEq, "CustomEq"},
    {PageAction::Undo, "Undo"},
    {PageAction::Redo, "Redo"},
    {PageAction::VerifyWithAmplifier, "VerifyWithAmplifier"},
    {PageAction::CompareWithFile, "CompareWithFile"},
    {PageAction::ImportFilters, "ImportFilters"},
    {PageAction::ExportFilters, "ExportFilters"},
    {PageAction::EqFromMeasurement, "EqFromMeasurement"},
};

// The number a control stands for: its user data, -1 when it has none.
int Number(const QString& userData) {
    bool ok = false;
    const int value = userData.toInt(&ok);
    return ok ? value : -1;
}

bool Is(const QString& type, const char* a, const char* b = nullptr) {
    return type == QLatin1String(a) || (b != nullptr && type == QLatin1String(b));
}

bool Starts(const QString& name, const char* prefix) {
    return name.startsWith(QLatin1String(prefix));
}

PageRoute Make(PageAction action, int index = -1, bool up = false) {
    PageRoute route;
    route.action = action;
    route.index = index;
    route.up = up;
    return route;
}

PageRoute RouteClick(const QString& name, int n) {
    struct Exact {
        const char* name;
        PageAction action;
    };
    static constexpr Exact kExact[] = {
        {"minbtn", PageAction::Minimize},
        {"btnConnect", PageAction::ConnectDevice},
        {"btn_amp_onoff", PageAction::AmpSwitch},
        {"btn_rem_out1_onoff", PageAction::RemOut1Switch},
        {"btn_rem_out2_onoff", PageAction::RemOut2Switch},
        {"btn_2ohm_spk", PageAction::SpkOhmSwitch},
        {"btn_noise_gate", PageAction::NoiseGateSwitch},
        {"btn_option", PageAction::OptionMenu},
        {"btn_scene", PageAction::SceneMenu},
        {"btn_advance", PageAction::AdvanceMenu},
        {"btn_reset_eq", PageAction::SetOutputEqReset},
        {"btn_bypass", PageAction::SetOutputBypass},
        {"btn_arg_eq", PageAction::SetEqMode},
        {"btn_reset_output", PageAction::SetOutputReset},
        {"btn_lock_output", PageAction::SetOutpuLock},
        {"btn_link_output", PageAction::SetOutputLink},
        {"btn_reset_link", PageAction::ResetSynchronizeGroups},
        {"advance_item_mixer", PageAction::Mixer},
        {"advance_item_noise_threshold", PageAction::NoiseThreshold},
        {"btn_debug", PageAction::MemWr},
        {"btn_undo", PageAction::Undo},
        {"btn_redo", PageAction::Redo},
        {"btn_eq_menu", PageAction::EqMenu},
        {"btn_distances", PageAction::SpeakerDistances},
    };
    for (const Exact& e : kExact) {
        if (name == QLatin1String(e.name)) {
            return Make(e.action);
        }
    }
    if (name == QLatin1String("btn_delay_down") || name == QLatin1String("btn_delay_up")) {
        return Make(PageAction::SpeakerDelayStepCurrent, -1, name.endsWith(QLatin1String("up")));
    }
    if (Starts(name, "ch_output_btn")) {
        return Make(PageAction::OutputMenu, n);
    }
    if (Starts(name, "ch_enable_")) {
        return Make(PageAction::SetCurChannelChange, n);
    }
    if (Starts(name, "ch_bridge_") || Starts(name, "bridge_checkbox_")) {
        PageRoute route = Make(PageAction::SetBridge, n);
        route.second = Starts(name, "bridge_checkbox_") ? 1 : 0;
        return route;
    }
    if (Starts(name, "speaker_")) {
        return Make(PageAction::SetSpeakerFocus, n);
    }
    if (Starts(name, "pt_enable_")) {
        return Make(PageAction::OnEqEnable, n);
    }
    return {};  // "btn_irc" and anything else: nothing
}

PageRoute RouteSelect(const QString& name, int n) {
    if (Starts(name, "ch_show_")) {
        return Make(PageAction::SetChShow, n);
    }
    if (name == QLatin1String("ch_mute") || Starts(name, "ch_mute_")) {
        return Make(PageAction::ChannelMute, name == QLatin1String("ch_mute") ? -1 : n);
    }
    if (name == QLatin1String("ch_phase") || Starts(name, "ch_phase_")) {
        return Make(PageAction::ChannelPhase, name == QLatin1String("ch_phase") ? -1 : n);
    }
    if (Starts(name, "ch_solo_")) {
        return Make(PageAction::ChannelSolo, n);
    }
    if (Starts(name, "ch_synchronize_")) {
        return Make(PageAction::SetChSynchronize, n);
    }
    if (Starts(name, "delay_link_")) {
        return Make(PageAction::DelayLinkMenu, n);
    }
    if (name == QLatin1String("main_mute")) {
        return Make(PageAction::MainMute);
    }
    if (Starts(name, "option_ch_in")) {
        int input = -1;
        int channel = -1;
        const QByteArray text = name.toLatin1();
        if (std::sscanf(text.constData(), "option_ch_in%d_%d", &input, &channel) == 2 &&
            input >= 0 && input < 4 && channel >= 0 && channel < kOutChannelCount) {
            PageRoute route = Make(PageAction::SetInputIn, input);
            route.second = channel;
            return route;
        }
    }
    return {};
}

PageRoute RouteSlider(const QString& name, int n) {
    if (Starts(name, "eq_slider_")) {
        return Make(PageAction::EqSlider, n);
    }
    if (name == QLatin1String("slider_main_volume")) {
        return Make(PageAction::SetMainVolumeSlider);
    }
    if (name == QLatin1String("slider_acc")) {
        return Make(PageAction::SetAccSlider);
    }
    if (name == QLatin1String("slider_ch_volume") || Starts(name, "slider_ch_volume_")) {
        return Make(PageAction::ChannelVolumeSlider,
                    name == QLatin1String("slider_ch_volume") ? -1 : n);
    }
    if (Starts(name, "slider_ch_delay_")) {
        return Make(PageAction::ChannelDelaySlider, n);
    }
    return {};
}

PageRoute RouteStep(const QString& name, int n, bool up) {
    if (Starts(name, "eq_freq_")) {
        return Make(PageAction::SetEqFreqUp, n, up);
    }
    if (Starts(name, "eq_q_")) {
        return Make(PageAction::SetEqQUp, n, up);
    }
    if (Starts(name, "eq_gain_")) {
        return Make(PageAction::SetEqGainUp, n, up);
    }
    if (name == QLatin1String("hp_freq")) {
        return Make(PageAction::SetHpFreqUp, -1, up);
    }
    if (name == QLatin1String("lp_freq")) {
        return Make(PageAction::SetLpFreqUp, -1, up);
    }
    if (name == QLatin1String("edit_main_volume")) {
        return Make(PageAction::SetMainVolumeUp, -1, up);
    }
    if (name == QLatin1String("edit_acc")) {
        return Make(PageAction::SetAccUp, -1, up);
    }
    if (name == QLatin1String("edit_ch_volume") || Starts(name, "edit_ch_volume_")) {
        return Make(PageAction::SetChVolumeUp, name == QLatin1String("edit_ch_volume") ? -1 : n,
                    up);
    }
    if (Starts(name, "edit_ch_delay_")) {
        return Make(PageAction::SetChDelayUp, n, up);
    }
    if (Starts(name, "spk_delay_")) {
        return Make(PageAction::SpeakerDelayStep, n, up);
    }
    return {};
}

bool IsEqEdit(const QString& name) {
    return Starts(name, "eq_freq_") || Starts(name, "eq_q_") || Starts(name, "eq_gain_");
}

PageRoute RouteCommitAction(const QString& name, int n, bool onReturn) {
    if (name == QLatin1String("edit_main_volume")) {
        return Make(PageAction::SetMainVolumeEdit);
    }
    if (name == QLatin1String("edit_acc")) {
        return Make(PageAction::SetAccEdit);
    }
    if (name == QLatin1String("hp_freq")) {
        return Make(PageAction::SetHpFreq);
    }
    if (name == QLatin1String("lp_freq")) {
        return Make(PageAction::SetLpFreq);
    }
    if (Starts(name, "edit_ch_delay_")) {
        return Make(PageAction::SetChDelayEdit, n);
    }
    if (name == QLatin1String("edit_ch_volume") || Starts(name, "edit_ch_volume_")) {
        return Make(PageAction::ChannelVolumeCommit,
                    name == QLatin1String("edit_ch_volume") ? -1 : n);
    }
    if (IsEqEdit(name)) {
        // Return only moves on; the commit comes with the focus leaving the edit.
        return Make(onReturn ? PageAction::EqEditNext : PageAction::SetChEqEdit, n);
    }
    if (onReturn && Starts(name, "spk_delay_")) {
        return Make(PageAction::SetSpkDelayEdit, n);
    }
    return {};
}

PageRoute RouteCommit(const QString& name, int n, bool onReturn) {
    PageRoute route = RouteCommitAction(name, n, onReturn);
    route.commitOnLeave = !onReturn;
    return route;
}

PageRoute RouteFocus(const QString& name, int n) {
    if (IsEqEdit(name)) {
        return Make(PageAction::UpdateEqualizerBand, n);
    }
    if (Starts(name, "spk_delay_")) {
        return Make(PageAction::SpeakerDelayFocus, n);
    }
    if (Starts(name, "edit_ch_volume_") || Starts(name, "edit_ch_delay_") ||
        Starts(name, "slider_ch_volume_") || Starts(name, "slider_ch_delay_")) {
        return Make(PageAction::ChannelFocus, n);
    }
    return {};
}

PageRoute RouteItem(const QString& name) {
    struct Exact {
        const char* name;
        PageAction action;
    };
    static constexpr Exact kExact[] = {
        {"comb_ch_unit", PageAction::DelayUnitChange},
        {"hp_type", PageAction::SetHpType},
        {"lp_type", PageAction::SetLpType},
        {"hp_slop", PageAction::SetHpSlope},
        {"lp_slop", PageAction::SetLpSlope},
        {"btn_input_source", PageAction::SetInputSource},
    };
    for (const Exact& e : kExact) {
        if (name == QLatin1String(e.name)) {
            return Make(e.action);
        }
    }
    return {};  // "btn_channel_select": nothing
}

}  // namespace

const char* PageActionName(PageAction action) {
    for (const ActionName& entry : kActionNames) {
        if (entry.action == action) {
            return entry.name;
        }
    }
    return "?";
}

PageRoute RouteNotify(const QString& type, const QString& name, const QString& userData) {
    const int n = Number(userData);
    if (Is(type, "click")) {
        return RouteClick(name, n);
    }
    if (Is(type, "selectchanged")) {
        return RouteSelect(name, n);
    }
    if (Is(type, "valuechanged", "movevaluechanged")) {
        return RouteSlider(name, n);
    }
    if (Is(type, "valuechangedup", "valuechangeddown")) {
        return RouteStep(name, n, type == QLatin1String("valuechangedup"));
    }
    if (Is(type, "valuechangedright", "valuechangedleft")) {
        return Make(type == QLatin1String("valuechangedright") ? PageAction::FocusForward
                                                               : PageAction::FocusBack);
    }
    if (Is(type, "return")) {
        return RouteCommit(name, n, true);
    }
    if (Is(type, "killfocus")) {
        return RouteCommit(name, n, false);
    }
    if (Is(type, "setfocus")) {
        return RouteFocus(name, n);
    }
    if (Is(type, "itemselect")) {
        return RouteItem(name);
    }
    if (name == QLatin1String("equalizer") && type.startsWith(QLatin1String("equalizer_"))) {
        static const std::pair<const char*, int> kParts[] = {{"eq", 0}, {"hp", 1}, {"lp", 2}};
        for (const auto& [part, number] : kParts) {
            const QString base = QStringLiteral("equalizer_") + QLatin1String(part);
            if (type == base || type == base + QLatin1String("_release")) {
                // A negative index is no band; the H and L handles need none, and the
                // notification is logged either way.
                PageRoute route = Make(PageAction::EqualizerCallback, n,
                                       type.endsWith(QLatin1String("_release")));
                route.part = number;
                return route;
            }
        }
        return {};
    }
    if (Is(type, "windowsize")) {
        return Make(PageAction::WindowSize, 0);
    }
    return {};
}

PageRoute RouteMenu(const QString& name, const QString& userData) {
    if (Starts(name, "output_menu") || Starts(name, "output_item")) {
        return Make(PageAction::SetOutputValue);
    }
    if (Starts(name, "delay_link_group_")) {
        const int group = Number(userData);
        if (group < 0 || group > 6) {
            return {};  // a group number the page cannot show
        }
        return Make(PageAction::SetChDelayLink, group);
    }
    if (Starts(name, "link_group_")) {
        const int group = Number(userData);
        if (group < 0 || group > 6) {
            return {};
        }
        return Make(PageAction::SetChSynchronizeGroup, group);
    }
    struct Exact {
        const char* name;
        PageAction action;
    };
    static constexpr Exact kExact[] = {
        {"option_item_firmware_upgrade", PageAction::FirmwareUpgrade},
        {"option_item_reset_default", PageAction::ResetMcuFactoryDefault},
        {"option_item_about", PageAction::About},
        {"option_item_language", PageAction::ChangeLanguage},
        {"option_item_language_en", PageAction::ChangeLanguage},
        {"option_item_language_cn", PageAction::ChangeLanguage},
        {"option_item_language_ru", PageAction::ChangeLanguage},
        {"scene_item_load_scene", PageAction::LoadSceneFromDsp},
        {"scene_item_saveas_scene", PageAction::SaveSceneToDsp},
        {"scene_item_delete_scene", PageAction::DeleteDspScene},
        {"scene_item_load_file", PageAction::LoadSceneFromFile},
        {"scene_item_save_file", PageAction::SaveSceneToFile},
        {"scene_item_load_whole", PageAction::LoadWholeFromFile},
        {"scene_item_save_whole", PageAction::SaveWholeToFile},
        {"scene_item_verify", PageAction::VerifyWithAmplifier},
        {"scene_item_compare_file", PageAction::CompareWithFile},
        {"advance_item_mixer", PageAction::Mixer},
        {"advance_item_noise_threshold", PageAction::NoiseThreshold},
        {"advance_item_compressors_on", PageAction::CompressorsOn},
        {"advance_item_ktv", PageAction::KaraokePanel},
        {"advance_item_compressor", PageAction::Compressor},
        {"advance_item_autocal", PageAction::AutoCal},
        {"advance_item_cs_auto", PageAction::CsAuto},
        {"advance_item_custom_eq", PageAction::CustomEq},
        {"eq_item_import", PageAction::ImportFilters},
        {"eq_item_export", PageAction::ExportFilters},
        {"eq_item_fit", PageAction::EqFromMeasurement},
    };
    for (const Exact& e : kExact) {
        if (name == QLatin1String(e.name)) {
            return Make(e.action);
        }
    }
    return {};
}

std::optional<QString> FocusRingNext(const QString& name, bool forward, int eqSize, bool geqMode) {
    const int bands = std::max(0, std::min(eqSize, kEqBandCount));
    auto ring = [bands](bool geq) {
        QStringList names = {QStringLiteral("hp_freq"), QStringLiteral("lp_freq"),
                             QStringLiteral("edit_main_volume")};
        if (!geq) {
            for (int b = 0; b < bands; ++b)
                names << QStringLiteral("eq_freq_%1").arg(b);
            for (int b = 0; b < bands; ++b)
                names << QStringLiteral("eq_q_%1").arg(b);
        }
        for (int b = 0; b < bands; ++b)
            names << QStringLiteral("eq_gain_%1").arg(b);
        for (int ch = 0; ch < kOutChannelCount; ++ch)
            names << QStringLiteral("edit_ch_volume_%1").arg(ch);
        for (int ch = 0; ch < kOutChannelCount; ++ch)
            names << QStringLiteral("edit_ch_delay_%1").arg(ch);
        return names;
    };
    QStringList names = ring(geqMode);
    int at = names.indexOf(name);
    if (at < 0 && geqMode) {
        names = ring(false);  // a frequency or Q edit that had the focus before the switch
        at = names.indexOf(name);
    }
    if (at < 0) {
        return std::nullopt;
    }
    const int count = static_cast<int>(names.size());
    return names[(at + (forward ? 1 : count - 1)) % count];
}
