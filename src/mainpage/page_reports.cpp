// The page half of the device reports: what each report shows on the page once the model
// has taken it, and the re-sends and refreshes it leaves to the page.
#include <array>
#include <cmath>

#include "commands/payloads.h"
#include "mainpage/equalizer_manager.h"
#include "mainpage/mixer_wnd.h"
#include "mainpage/page_common.h"
#include "model/dimensions.h"

using tonvia::commands::ModelField;
using tonvia::commands::ReportChange;
using tonvia::mainpage::At;
using tonvia::mainpage::Q;
using tonvia::mainpage::ShowPhase;
using tonvia::mainpage::ShowSwitch;

namespace {

bool IsChannel(int ch) {
    return ch >= 0 && ch < kOutChannelCount;
}

}  // namespace

void EqualizerManager::ShowReport(const ReportChange& change) {
    if (!change.Changed() || !change.IsLive()) {
        return;
    }
    ShowReportedValue(change);
    RunReportFollowUps(change);
}

void EqualizerManager::ShowReportedValue(const ReportChange& change) {
    const SceneConfig& live = Model().live;
    const int ch = change.channel;
    const bool current = ch == CurrentChannel();
    const OutChannel* channel = IsChannel(ch) ? &live.channels[At(ch)] : nullptr;
    auto showSwitch = [this](const tonvia::mainpage::SwitchButton& button, int on) {
        ShowSwitch(Find(QLatin1String(button.name)), button, on != 0);
    };
    switch (change.field) {
        case ModelField::InputSource: {
            UiControl list = Find(QStringLiteral("btn_input_source"));
            if (list && list.GetCurSel() != live.inputSource) {
                // The list's item notification runs the whole source selection, as a
                // click would, without moving the focus.
                list.SelectItem(live.inputSource, true);
            } else if (change.previous != live.inputSource) {
                ShowInputSource();
            }
            break;
        }
        case ModelField::MainVolume:
            Find(QStringLiteral("slider_main_volume")).SetValue(live.mainVolume);
            Find(QStringLiteral("edit_main_volume")).SetText(Q(MainVolumeText(live.mainVolume)));
            break;
        case ModelField::MainMute:
            Find(QStringLiteral("main_mute")).Selected(live.mainVolumeMute != 0, false);
            break;
        case ModelField::Filter:
            if (channel != nullptr && current) {
                SetFreqDivider(ch);
            }
            break;
        case ModelField::EqBand:
            if (channel != nullptr && current) {
                RefreshBandControls(ch, change.band);
            }
            break;
        case ModelField::Delay:
            if (channel != nullptr) {
                Find("edit_ch_delay_%d", ch).SetText(Q(DelayText(Unit(), channel->delay)));
                Find("slider_ch_delay_%d", ch).SetValue(kDelay.Positions(channel->delay));
            }
            break;
        case ModelField::Trim:
            if (channel != nullptr) {
                const int level = kChannelLevel.Positions(channel->gain);
                Find("slider_ch_volume_%d", ch).SetValue(level);
                Find("edit_ch_volume_%d", ch).SetText(Q(ChannelVolumeText(level)));
                if (current) {
                    Find(QStringLiteral("slider_ch_volume")).SetValue(level);
                    Find(QStringLiteral("edit_ch_volume")).SetText(Q(ChannelVolumeText(level)));
                }
            }
            break;
        case ModelField::ChannelMute:
            for (const int muted : {ch, change.partner}) {
                if (IsChannel(muted)) {
                    const bool on = live.channels[At(muted)].mute != 0;
                    Find("ch_mute_%d", muted).Selected(on, false);
                    if (muted == CurrentChannel()) {
                        Find(QStringLiteral("ch_mute")).Selected(on, false);
                    }
                }
            }
            break;
        case ModelField::Phase:
            if (channel != nullptr) {
                ShowPhase(Find("ch_phase_%d", ch), channel->phase != 0);
                if (current) {
                    ShowPhase(Find(QStringLiteral("ch_phase")), channel->phase != 0);
                }
            }
            break;
        case ModelField::Solo:
            // A solo switches the other channels' solo off: all six follow the model.
            for (int i = 0; i < kOutChannelCount; ++i) {
                Find("ch_solo_%d", i).Selected(live.channels[At(i)].solo != 0, false);
            }
            break;
        case ModelField::Mix:
            if (channel != nullptr && change.source == live.inputSource) {
                const int mask = live.inputs[At(change.source)][At(ch)];
                for (int j = 0; j < 4; ++j) {
                    Find(QStringLiteral("option_ch_in%1_%2").arg(j).arg(ch))
                        .Selected((mask & (1 << j)) != 0, false);
                }
            }
            break;
        case ModelField::Link: {
            const bool on = live.linkMode == 1;
            Find(QStringLiteral("btn_link_output")).Selected(on, false);
            if (on) {
                // While linked, the groups and the positions cannot change.
                Find(QStringLiteral("btn_lock_output")).Selected(true, false);
                for (int i = 0; i < kOutChannelCount; ++i) {
                    Find("ch_synchronize_%d", i).SetEnabled(false);
                    Find("delay_link_%d", i).SetEnabled(false);
                    Find("ch_output_btn_%d", i).SetEnabled(false);
                }
            }
            break;
        }
        case ModelField::Lock: {
            const bool locked = live.lockMode == 1;
            Find(QStringLiteral("btn_lock_output")).Selected(locked, false);
            for (int i = 0; i < kOutChannelCount; ++i) {
                Find("ch_output_btn_%d", i).SetEnabled(!locked);
            }
            if (change.Has(tonvia::commands::kSendLinkOff)) {
                Find(QStringLiteral("btn_link_output")).Selected(false, false);
            }
            break;
        }
        case ModelField::EqBypass:
            if (channel != nullptr && current) {
                Find(QStringLiteral("btn_bypass"))
                    .SetText(channel->bypass == 0 ? QStringLiteral("${bypass_eq}")
                                                  : QStringLiteral("${restore_eq}"));
            }
            break;
        case ModelField::AmpOn:
            showSwitch(tonvia::mainpage::kAmpSwitch, live.ampOn);
            break;
        case ModelField::RemoteOutputs:
            showSwitch(tonvia::mainpage::kRemOut1Switch, live.rem_out1);
            showSwitch(tonvia::mainpage::kRemOut2Switch, live.rem_out2);
            break;
        case ModelField::SpeakerOhm:
            showSwitch(tonvia::mainpage::kSpkOhmSwitch, live.spk_ohm);
            break;
        case ModelField::NoiseGate:
            showSwitch(tonvia::mainpage::kNoiseGateSwitch, live.noise_gate);
            break;
        case ModelField::Distortion:
            if (CMixerWnd* mixer = CMixerWnd::Current(); mixer != nullptr) {
                mixer->ShowDistortion();
            }
            break;
        case ModelField::Acc:
            if (UiControl slider = Find(QStringLiteral("slider_acc"))) {
                slider.SetValue(live.acc);
                // The slider stops at its ends; its minimum reads as off.
                const int min = slider.GetMinValue();
                Find(QStringLiteral("edit_acc"))
                    .SetText(Q(AccText(slider.GetValue() == min ? min : live.acc, min)));
            }
            break;
        default:
            // Channel type: the speakers are rebuilt below. The rest has nothing on the page.
            break;
    }
}

void EqualizerManager::RunReportFollowUps(const ReportChange& change) {
    using namespace tonvia::commands;
    const SceneConfig& live = Model().live;
    CHidDevice& device = Device();
    const int scene = live.scene;
    // Queued: while a state read or a transfer has the queue off, these are dropped.
    if (change.Has(kSendChannelMute)) {
        for (const int ch : {change.channel, change.partner}) {
            if (IsChannel(ch)) {
                const std::array<int, 1> mute{live.channels[At(ch)].mute};
                device.Mute_Ch_Ctrl(scene, 0, ch, ch, mute, false);
            }
        }
    }
    if (change.Has(kSendChannelPhase) && IsChannel(change.channel)) {
        const std::array<int, 1> phase{live.channels[At(change.channel)].phase};
        device.Phase_Ctrl(scene, 0, change.channel, change.channel, phase, false);
    }
    if (change.Has(kSendSolo)) {
        std::array<int, kOutChannelCount> solo{};
        for (int ch = 0; ch < kOutChannelCount; ++ch) {
            solo[At(ch)] = live.channels[At(ch)].solo;
        }
        device.Solo_Ctrl(scene, 0, 0, kOutChannelCount - 1, solo, false);
    }
    if (change.Has(kSendTrim) && IsChannel(change.channel)) {
        // The device takes an attenuation: -12.5 dB goes out as 12.5.
        const std::array<float, 1> trim{-live.channels[At(change.channel)].gain};
        device.Trim_Ctrl(scene, 0, change.channel, change.channel, trim, false);
    }
    if (change.Has(kSendLinkOff)) {
        device.CH_Link_Ctrl(scene, 0, std::span<const CHidDevice::ChannelPair>(), false);
    }
    if (change.Has(kSelectCurrentChannel)) {
        ShowCurrentChannel(CurrentChannel());
    }
    if (change.Has(kRebuildSpeakers)) {
        RebuildSpeakers();
    }
}
