// Operations across channels: the copies with their log lines, the pair channel that
// follows edits, and the karaoke message mapping.
#include <gtest/gtest.h>

#include "model/scene_config.h"
#include "support/log_capture.h"

namespace {

class ChannelCopy : public testing::Test {
  protected:
    testing_support::LogCapture log;
    SceneConfig scene;
};

OutChannel EditedChannel() {
    OutChannel channel;
    for (int b = 0; b < kEqBandCount; ++b) {
        channel.eqArray[b] = EqBand{-3.5f, 2.0f, 100 + b, static_cast<std::uint8_t>(b % 2)};
    }
    channel.crossover = Crossover{3, {80, 2, 4, 0}, {5000, 3, 6, 0}};
    channel.bypass = 1;
    channel.gain = -12.0f;
    return channel;
}

TEST_F(ChannelCopy, OutConfigTakesBandsFiltersAndEqBypassOnly) {
    scene.channels[1] = EditedChannel();
    OutChannel expected = scene.channels[3];
    expected.eqArray = scene.channels[1].eqArray;
    expected.crossover.hp = FilterSetting{80, 2, 4, 0};
    expected.crossover.lp = FilterSetting{5000, 3, 6, 0};
    expected.bypass = 1;  // but not bpType, gain or delay

    ASSERT_TRUE(scene.CopyOutConfig(1, 3));
    EXPECT_EQ(scene.channels[3], expected);
    EXPECT_EQ(log.Text(), "copy out config from 1 to 3\n");
}

TEST_F(ChannelCopy, OutConfigCopiesTheTargetsBandCountAndNoMore) {
    scene.channels[0] = EditedChannel();
    scene.channels[2].eqSize = 11;
    scene.channels[4].eqSize = 1000;  // as a corrupt report might leave it
    ASSERT_TRUE(scene.CopyOutConfig(0, 2));
    EXPECT_EQ(scene.channels[2].eqArray[10].freq, 110);
    EXPECT_EQ(scene.channels[2].eqArray[11], SceneConfig{}.channels[2].eqArray[11]);
    ASSERT_TRUE(scene.CopyOutConfig(0, 4));
    EXPECT_EQ(scene.channels[4].eqArray, scene.channels[0].eqArray);

    const SceneConfig before = scene;
    EXPECT_FALSE(scene.CopyOutConfig(0, 6));
    EXPECT_FALSE(scene.CopyMixConfig(-1, 2));
    EXPECT_FALSE(scene.ClearMixConfig(6));
    EXPECT_EQ(scene, before);
    EXPECT_EQ(log.Text(), "copy out config from 0 to 2\ncopy out config from 0 to 4\n");
}

TEST_F(ChannelCopy, MixConfigMovesOrClearsOneOutputColumnOfEverySource) {
    scene.inputs[7][2] = 0xF;
    scene.inputMixVolume[7][3][2] = 42;
    SceneConfig expected = scene;
    for (int s = 0; s < kInputSourceCount; ++s) {
        expected.inputs[s][5] = scene.inputs[s][2];
        expected.inputs[s][0] = 0;
        for (int in = 0; in < kMixInputCount; ++in) {
            expected.inputMixVolume[s][in][5] = scene.inputMixVolume[s][in][2];
            expected.inputMixVolume[s][in][0] = 0;
        }
    }
    ASSERT_TRUE(scene.CopyMixConfig(2, 5));
    ASSERT_TRUE(scene.ClearMixConfig(0));
    EXPECT_EQ(scene, expected);
    EXPECT_EQ(log.Text(), "copy mix config from 2 to 5\nclear mix config of 0\n");
}

TEST(PairingRule, LinkPartnerFirstThenBridgedNeighbour) {
    struct Case {
        int linkMode, linkEntry, bridged, ch;
        std::optional<int> pair;
    };
    const Case cases[] = {
        {0, -1, 0, 2, std::nullopt},
        {0, -1, 1, 3, 2},
        {1, 1, 0, 0, 1},
        {1, 5, 1, 2, 5},
        {0, 5, 0, 2, std::nullopt},  // link off: entry ignored
        {1, -1, 1, 4, 5},
        {1, 9, 0, 2, std::nullopt},  // entry names no channel
        {1, 2, 1, 2, 3},             // entry names itself
    };
    for (const Case& c : cases) {
        SceneConfig scene;
        scene.linkMode = c.linkMode;
        scene.linkOutputs[c.ch] = c.linkEntry;
        scene.bridgeOutputs[c.ch / 2] = c.bridged;
        EXPECT_EQ(scene.PairChannel(c.ch), c.pair) << "channel " << c.ch << " link " << c.linkEntry;
    }
    EXPECT_EQ(SceneConfig{}.PairChannel(6), std::nullopt);
}

TEST(KaraokeMessages, NumbersMapToTheirValues) {
    SceneConfig s;
    EXPECT_EQ(s.KaraokeValue(1), &s.mic_volume);
    EXPECT_EQ(s.KaraokeValue(3), &s.howling_control);
    EXPECT_EQ(s.KaraokeValue(8), &s.voice_changer);
    EXPECT_EQ(s.KaraokeValue(10), &s.treble);
    EXPECT_EQ(s.KaraokeValue(11), nullptr);
}

}  // namespace
