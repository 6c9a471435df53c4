// What a fresh record holds: the routing of every source, the speaker layout with its
// crossovers, and the band frequencies.
#include <gtest/gtest.h>

#include "model/scene_config.h"

namespace {

using MixRows = std::array<std::array<int, kOutChannelCount>, kMixInputCount>;

// Two inputs: input 1 to outputs 1 and 3, input 2 to outputs 2 and 4, both to 5 and 6.
constexpr MixRows kTwoInputMix = {{{100, 0, 100, 0, 100, 100}, {0, 100, 0, 100, 100, 100}}};
// High level: inputs 1 to 4 to outputs 1 to 4; outputs 5 and 6 still take inputs 1 and 2.
constexpr MixRows kHighLevelMix = {{{100, 0, 0, 0, 100, 100},
                                    {0, 100, 0, 0, 100, 100},
                                    {0, 0, 100, 0, 0, 0},
                                    {0, 0, 0, 100, 0, 0}}};

TEST(SceneDefaults, RoutesEveryOfferedSourceAtFullLevel) {
    const SceneConfig scene;
    for (int source : {0, 2, 3, 5, 7, 8}) {
        const MixRows& expected = source == 5 ? kHighLevelMix : kTwoInputMix;
        for (int in = 0; in < kMixInputCount; ++in) {
            for (int out = 0; out < kOutChannelCount; ++out) {
                SCOPED_TRACE(testing::Message()
                             << "source " << source << " in " << in << " out " << out);
                EXPECT_EQ(scene.inputMixVolume[source][in][out], expected[in][out]);
                EXPECT_EQ((scene.inputs[source][out] >> in) & 1, expected[in][out] ? 1 : 0);
            }
        }
    }
}

TEST(SceneDefaults, SpeakerLayoutWithItsCrossovers) {
    const SceneConfig scene;
    EXPECT_EQ(scene.outputs, (std::array<std::int32_t, 6>{6, 12, 15, 18, 22, 23}));
    EXPECT_EQ(scene.outputs_bk, scene.outputs);
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        const Crossover& x = scene.channels[ch].crossover;
        const bool sub = ch >= 4;
        EXPECT_EQ(x.bpType, sub ? 3 : 0) << ch;
        EXPECT_EQ(x.hp, (sub ? FilterSetting{30, 1, 4, 0} : FilterSetting{20, 3, 0, 1})) << ch;
        EXPECT_EQ(x.lp, (sub ? FilterSetting{50, 1, 2, 0} : FilterSetting{20000, 3, 0, 1})) << ch;
    }
}

TEST(SceneDefaults, SetDefaultsUndoesEditsAndCopiesOwnTheirBands) {
    SceneConfig scene;
    scene.model = 77;
    scene.channels[4].crossover.hp.SetSlope(0);
    scene.inputMixVolume[5][3][3] = 0;
    scene.SetDefaults();
    EXPECT_EQ(scene, SceneConfig{});

    SceneConfig stored = scene;
    stored.ChannelBands(0)[0].gain = 5.0f;
    EXPECT_EQ(scene.channels[0].eqArray[0].gain, 0.0f);
}

TEST(BandFrequencies, TableChosenByBandCountAndBandsKeptInRange) {
    // {band count, table size, second entry}
    const int cases[][3] = {{11, 11, 40}, {12, 21, 28}, {21, 21, 28}, {22, 31, 25}};
    for (auto [count, size, second] : cases) {
        const auto table = BandFrequencyTable(count);
        ASSERT_EQ(table.size(), std::size_t(size)) << count;
        EXPECT_EQ(table[1], second) << count;
        EXPECT_EQ(table.back(), 20000) << count;
    }
    EXPECT_EQ(DefaultBandFrequency(11, 15), 20000);
    EXPECT_EQ(DefaultBandFrequency(40, 35), 20000);
    EXPECT_EQ(DefaultBandFrequency(31, -1), 20);

    const OutChannel channel = SceneConfig{}.channels[3];
    EXPECT_EQ(channel.eqArray[17], (EqBand{0.0f, 5.8f, 1000, 1}));
    EXPECT_EQ(channel.eqArray[30].freq, 20000);
}

}  // namespace
