#pragma once
// What the page files of EqualizerManager share; private to src/mainpage.

#include <QString>
#include <QStringList>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/control.h"

namespace tonvia::mainpage {

inline std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

// A control's text for the model's readers.
inline std::string Text(const UiControl& control) {
    return control.GetText().toStdString();
}

// A text of the model's formatters as a page control takes it.
inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The translation of `key` with its "%d" and "%s" marks replaced, in order, by `values`;
// any other "%" sequence stays as it is.
QString FillMarks(const QString& key, const QStringList& values);

// The open and save dialogs' filters of the profile files, in the page's language.
QString SceneProfileFilter();
QString WholeProfileFilter();

// Milliseconds of the steady clock: drag sends and the undo history's gestures are timed on it.
inline std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The marker file "noForceUpdate.ini" in the current folder: no forced update is offered.
bool NoForceUpdate();

// A switch button of the page and the texts of its two states.
struct SwitchButton {
    const char* name;
    const char* onText;
    const char* offText;
};

inline constexpr SwitchButton kAmpSwitch{"btn_amp_onoff", "${amp_on}", "${amp_off}"};
inline constexpr SwitchButton kRemOut1Switch{"btn_rem_out1_onoff", "${rem_out1_on}",
                                             "${rem_out1_off}"};
inline constexpr SwitchButton kRemOut2Switch{"btn_rem_out2_onoff", "${rem_out2_on}",
                                             "${rem_out2_off}"};
inline constexpr SwitchButton kNoiseGateSwitch{"btn_noise_gate", "${btn_noise_gate_on}",
                                               "${btn_noise_gate_off}"};
inline constexpr SwitchButton kSpkOhmSwitch{"btn_2ohm_spk", "${btn_2ohm_spk}", "${btn_4ohm_spk}"};

// On: the "on" text, selected, in white; off: the "off" text, deselected, in red.
inline void ShowSwitch(UiControl control, const SwitchButton& button, bool on) {
    if (!control) {
        return;
    }
    control.SetText(QLatin1String(on ? button.onText : button.offText));
    control.Selected(on, false);
    control.SetTextColor(on ? 0xFFFFFFFF : 0xFFFF0000);
}

// A phase option says which way the channel's phase stands.
inline void ShowPhase(UiControl option, bool reversed) {
    if (!option) {
        return;
    }
    option.Selected(reversed, false);
    option.SetText(reversed ? QStringLiteral("${reverse phase}")
                            : QStringLiteral("${positive_phase}"));
}

}  // namespace tonvia::mainpage
