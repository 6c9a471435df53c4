// The page half of the current channel: its strip, crossover and bands.
#include <cmath>

#include "mainpage/equalizer_manager.h"
#include "mainpage/page_common.h"
#include "model/dimensions.h"
#include "platform/log.h"

using tonvia::mainpage::Q;

void EqualizerManager::SetCurChannelChange(int ch) {
    if (ch < 0 || ch >= kOutChannelCount) {
        return;
    }
    LogPrintA("on SetCurChannelChange channel index %d\n", ch);
    SceneConfig& live = Model().live;
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
