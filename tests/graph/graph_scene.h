#pragma once
// A main-page picture for the previews and the paint benchmark: six output channels with
// crossovers, a boosted and a cut band on the current channel, 31 bands, one selected.

#include <array>
#include <span>

#include "graph/equalizer.h"
#include "graph/math/channel_curve.h"
#include "model/scene_config.h"

namespace graph_scene {

inline constexpr int kCurrentChannel = 0;
inline constexpr int kBoostedBand = 11;  // 250 Hz
inline constexpr int kCutBand = 19;      // 1.6 kHz
inline constexpr char kCurveColors[] =
    "#FF026DF9 #B8F2A33A #B846C28E #B8E5484D #B8B07BE8 #B8E0C341";
inline constexpr char kBackground[] = "#FF202328";

struct Scene {
    std::array<OutChannel, kOutChannelCount> channels;
    std::array<ChannelCurve, kOutChannelCount> curves;
    std::array<bool, kOutChannelCount> show{true, true, true, true, true, true};
};

inline void SetFilter(FilterSetting& filter, int hz, int type, int slope) {
    filter.SetFs(hz);
    filter.SetType(type);
    filter.SetSlope(slope);
}

inline Scene MakeScene() {
    Scene scene;
    auto& ch = scene.channels;
    // Front woofers, front tweeters, rear full range, subwoofer.
    SetFilter(ch[0].crossover.hp, 60, kFilterButterworth, 2);
    SetFilter(ch[0].crossover.lp, 3500, kFilterLinkwitzRiley, 4);
    SetFilter(ch[1].crossover.hp, 70, kFilterButterworth, 2);
    SetFilter(ch[1].crossover.lp, 3200, kFilterLinkwitzRiley, 4);
    SetFilter(ch[2].crossover.hp, 3500, kFilterLinkwitzRiley, 4);
    SetFilter(ch[3].crossover.hp, 3200, kFilterLinkwitzRiley, 4);
    SetFilter(ch[4].crossover.hp, 90, kFilterBessel, 2);
    SetFilter(ch[5].crossover.hp, 25, kFilterButterworth, 2);
    SetFilter(ch[5].crossover.lp, 80, kFilterLinkwitzRiley, 4);
    for (OutChannel& c : ch) {
        for (EqBand& band : c.eqArray) {
            band.q = 1.41f;
        }
    }
    ch[0].eqArray[kBoostedBand].gain = 6.0f;
    ch[0].eqArray[kCutBand].gain = -5.0f;
    ch[0].eqArray[kCutBand].q = 2.0f;
    ch[1].eqArray[9].gain = 3.0f;
    ch[2].eqArray[26].gain = -4.0f;
    ch[3].eqArray[24].gain = 2.5f;
    ch[4].eqArray[15].gain = -3.0f;
    ch[5].eqArray[5].gain = 4.0f;
    for (std::size_t i = 0; i < ch.size(); ++i) {
        ComputeChannelCurve(ch[i], scene.curves[i]);
    }
    return scene;
}

// Hands the scene to the control as the equaliser page does.
inline void ShowScene(UIEqualizer& eq, const Scene& scene) {
    eq.SetAttribute(QStringLiteral("curvecolor"), QString::fromLatin1(kCurveColors));
    eq.SetAttribute(QStringLiteral("bkcolor"), QString::fromLatin1(kBackground));
    eq.SetDragAllDirection(true);
    const OutChannel& current = scene.channels[kCurrentChannel];
    eq.SetBands(current.eqArray, kBoostedBand);
    eq.setCurEqHpLp(current.crossover.hp.fs, current.crossover.lp.fs);
    eq.SetCurves(scene.curves, kCurrentChannel, scene.show);
}

}  // namespace graph_scene
