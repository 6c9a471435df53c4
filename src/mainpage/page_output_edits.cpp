// The page half of the output configuration: the output menu, the speaker diagram, the
// bridge controls, the synchronise and delay-link groups, lock, link and reset. The rules
// live in tuning/output_edits.h; the long ones run on the UI thread behind the busy window,
// and a worker only waits for the command queue to empty before closing it.
#include <QAbstractButton>

#include "mainpage/equalizer_manager.h"
#include "mainpage/page_common.h"
#include "model/positions.h"
#include "platform/log.h"
#include "tuning/output_edits.h"

using tonvia::mainpage::At;
using tonvia::mainpage::Q;
namespace tuning = tonvia::tuning;

namespace {

constexpr std::uint32_t kDelayLinkColours[] = {0xFF666666, 0xFF0088FF, 0xFF00AEAE, 0xFF0000E3,
                                               0xFFFF0000, 0xFFFF8040, 0xFF8600FF};

// The checks of the queue, 100 ms apart, before the busy window closes anyway.
constexpr int kBridgeQueueChecks = 100;
constexpr int kResetQueueChecks = 600;

}  // namespace

void EqualizerManager::ShowDelayLinkColour(int ch) {
    UiControl link = Find("delay_link_%d", ch);
    if (!link) {
        return;
    }
    const int group = Model().live.delayLinkSel[At(ch)];
    const std::uint32_t colour = kDelayLinkColours[group >= 0 && group <= 6 ? group : 0];
    link.SetTextColor(0xFFFFFFFF);
    link.Widget()->setStyleSheet(
        QStringLiteral("QRadioButton { background: #%1; border-color: #%1; }")
            .arg(colour & 0xFFFFFF, 6, 16, QLatin1Char('0')));
}

void EqualizerManager::ShowOutputs(const tuning::EditResult& result) {
    const SceneConfig& live = Model().live;
    if (!result.positions.Empty()) {
        RebuildSpeakers();
    }
    if (result.bridges) {
        for (int pair = 0; pair < kChannelPairCount; ++pair) {
            const bool on = live.bridgeOutputs[At(pair)] != 0;
            Find("ch_bridge_%d", pair).Selected(on, false);
            Find("bridge_checkbox_%d", pair).Selected(on, false);
        }
    }
    if (!result.groups.Empty() || result.linkLock) {
        const bool linked = live.linkMode == 1;
        for (int ch = 0; ch < kOutChannelCount; ++ch) {
            UiControl sync = Find("ch_synchronize_%d", ch);
            sync.Selected(live.linkSel[At(ch)] != 0, false);
            sync.SetEnabled(!linked);
            Find("delay_link_%d", ch).SetEnabled(!linked);
            ShowDelayLinkColour(ch);
        }
        UiControl link = Find(QStringLiteral("btn_link_output"));
        link.Selected(linked, false);
        // Channels in a group would fight the link's copy: the link waits until none is.
        link.SetEnabled(linked || tuning::OutputLinkOffered(live));
    }
    if (result.linkLock) {
        Find(QStringLiteral("btn_lock_output")).Selected(live.lockMode != 0, false);
        for (int ch = 0; ch < kOutChannelCount; ++ch) {
            Find("ch_output_btn_%d", ch).SetEnabled(live.lockMode == 0);
        }
    }
    if (result.notice != nullptr && mHooks.showBox) {
        mHooks.showBox(QLatin1String(result.notice));
    }
}

void EqualizerManager::ChooseOutputPosition(int ch, const QString& item) {
    if (ch < 0 || ch >= kOutChannelCount) {
        return;
    }
    int code = -1;
    for (const SpeakerPosition& position : kSpeakerPositions) {
        if (item == QLatin1String(position.tag)) {
            code = position.code;
        }
    }
    if (code < 0) {
        return;  // a group entry of the menu, not a position
    }
    ShowEdit(tuning::ChooseOutputPosition(mSession, ch, code));
}

void EqualizerManager::SpeakerDelayStep(int code, bool up) {
    const tuning::EditResult result = tuning::SpeakerDelayStep(mSession, code, up);
    ShowEdit(result);
    if (result.Changed()) {
        TakeFocus(Find("spk_delay_%d", code));
    }
}

void EqualizerManager::SetSpkDelayEdit(int code) {
    UiControl edit = Find("spk_delay_%d", code);
    if (!edit) {
        return;
    }
    const double ms = ReadDelay(Unit(), edit.GetText().toStdString());
    ShowEdit(tuning::SetSpeakerDelay(mSession, code, ms));
    // The edit shows what was stored, in the unit shown, also when the text was out of range.
    const SceneConfig& live = Model().live;
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        if (live.outputs[At(ch)] == code) {
            edit.SetText(Q(SpeakerDelayText(Unit(), live.channels[At(ch)].delay)));
            break;
        }
    }
    TakeFocus(edit);
}

void EqualizerManager::SetBridge(int pair, bool fromCheckBox) {
    if (pair < 0 || pair >= kChannelPairCount) {
        return;
    }
    UiControl button = Find("ch_bridge_%d", pair);
    UiControl box = Find("bridge_checkbox_%d", pair);
    if (!button && !box) {
        Model().live.bridgeOutputs[At(pair)] = 0;
        return;
    }
    // A check box has switched itself when the click arrives; the switch button has not.
    const bool on = fromCheckBox ? box.IsSelected() : !button.IsSelected();
    PostToWindow(WM_SHOW_LOADING);
    ShowEdit(tuning::SetBridge(mSession, pair, on, true));
    WaitForQueueThenCloseBusy(kBridgeQueueChecks);
}

void EqualizerManager::SetBridgeFromMixer(int pair, bool on) {
    if (pair >= 0 && pair < kChannelPairCount) {
        ShowEdit(tuning::SetBridge(mSession, pair, on, true));
    }
}

void EqualizerManager::SetChSynchronize(int ch) {
    if (ch < 0 || ch >= kOutChannelCount) {
        return;
    }
    const int group = Model().live.linkSel[At(ch)] == 0 ? 1 : 0;
    ShowEdit(tuning::ChooseSynchronize(mSession, ch, group));
}

void EqualizerManager::SetOutputReset() {
    LogPrintA("on %s\n", "EqualizerManager::SetOutputReset");
    const QStringList buttons = {QStringLiteral("${default}"), QStringLiteral("${cancel}"),
                                 QStringLiteral("${emptied}")};
    const int mode =
        mHooks.buttonBox ? mHooks.buttonBox(QStringLiteral("${empty_output_tips}"), buttons) : 0;
    if (mode != 1 && mode != 2) {
        return;
    }
    PostToWindow(WM_SHOW_LOADING);
    ShowEdit(tuning::ResetOutputs(mSession, mode));
    WaitForQueueThenCloseBusy(kResetQueueChecks);
}

void EqualizerManager::SetOutputLink() {
    const QStringList choices = {QStringLiteral("${copy_left_to_right}"),
                                 QStringLiteral("${copy_right_to_left}")};
    const auto choose = [this, &choices] {
        return mHooks.choiceBox ? mHooks.choiceBox(QStringLiteral("${link_tips}"), choices) : 0;
    };
    const tuning::EditResult result = tuning::SetOutputLink(mSession, choose);
    ShowEdit(result);
    if (!result.Changed()) {
        Find(QStringLiteral("btn_link_output")).Selected(Model().live.linkMode == 1, false);
    }
}

void EqualizerManager::SetOutpuLock() {
    ShowEdit(tuning::SetOutpuLock(mSession, Ask()));
    // A declined question leaves the button as the mode is.
    Find(QStringLiteral("btn_lock_output")).Selected(Model().live.lockMode != 0, false);
}

void EqualizerManager::WaitForQueueThenCloseBusy(int checks) {
    CHidDevice& link = Device();
    StartWorker([this, &link, checks] {
        for (int i = 0; i < checks && !link.IsQueueIdle(); ++i) {
            if (!PauseWorker(std::chrono::milliseconds(100))) {
                break;
            }
        }
        PostToWindow(WM_CLOSE_LOADING);
    });
}
