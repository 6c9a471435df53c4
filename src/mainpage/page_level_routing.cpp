// The page half of the levels: master and channel volume texts, the input source list and
// the routing options of the selected source.
#include <QListWidget>
#include <cmath>

#include "mainpage/equalizer_manager.h"
#include "mainpage/page_common.h"
#include "model/positions.h"
#include "platform/log.h"
#include "ui/skin_resources.h"

using tonvia::mainpage::Q;

void EqualizerManager::UpdateAllVolumeEdit() {
    LogPrintA("%s\n", "EqualizerManager::UpdateAllVolumeEdit");
    const SceneConfig& live = Model().live;
    LogPrintA("on main volume edit change to %d dB\n", live.mainVolume);
    if (UiControl slider = Find(QStringLiteral("slider_main_volume"))) {
        slider.SetValue(live.mainVolume);
    }
    Find(QStringLiteral("edit_main_volume")).SetText(Q(MainVolumeText(live.mainVolume)));
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        const float gain = live.channels[static_cast<std::size_t>(ch)].gain;
        LogPrintA("on ch volume edit change to %d dB\n", static_cast<int>(gain));
        const int level = kChannelLevel.Positions(gain);
        Find("edit_ch_volume_%d", ch).SetText(Q(ChannelVolumeText(level)));
        if (ch == CurrentChannel()) {
            Find(QStringLiteral("edit_ch_volume")).SetText(Q(ChannelVolumeText(level)));
        }
    }
}

void EqualizerManager::ShowInputSource() {
    const SceneConfig& live = Model().live;
    const int source = live.inputSource;
    if (source < 0 || source >= kInputSourceCount) {
        return;
    }
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
