// The page half of the output positions: the position buttons and the speaker diagram.
#include "mainpage/equalizer_manager.h"
#include "mainpage/page_common.h"
#include "model/dimensions.h"
#include "model/positions.h"

using tonvia::mainpage::Q;

namespace {

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

}  // namespace

const char* PositionButtonText(int code) {
    return code >= 0 && code < kPositionCodeCount ? kPositionTexts[code] : kPositionTexts[0];
}

void EqualizerManager::RebuildSpeakers() {
    const SceneConfig& live = Model().live;
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
