// The comparison of two records: what a group edit touched, and what is not compared.
#include "model/scene_diff.h"

#include <gtest/gtest.h>

namespace {

TEST(SceneDiff, AGroupEditNamesEveryChannelItTouchedAndNothingElse) {
    SceneConfig before;
    before.bridgeOutputs[0] = 1;  // channels 0 and 1 are bridged
    SceneConfig after = before;
    // A synchronise group 0, 2, 4 takes a new level; the mute of 0 reaches its partner.
    for (const int ch : {0, 2, 4}) {
        after.channels[static_cast<std::size_t>(ch)].gain = -7.3f;
    }
    EXPECT_EQ(SetChannelMute(after, 0, 1), ChannelSet::Of(0) | ChannelSet::Of(1));
    after.channels[2].eqArray[30].gain = 4.5f;
    // Page state and the record's own number are not device settings.
    after.currOutChannel = 5;
    after.showOutChEqualizer[3] = 1;
    after.scene = 4;

    const std::vector<ParameterChange> changes = CompareScenes(before, after);
    ASSERT_EQ(changes.size(), 6u);
    EXPECT_EQ(changes[0].channel, 0);
    EXPECT_EQ(changes[0].field, "gain");
    EXPECT_DOUBLE_EQ(changes[0].before, 0.0);
    EXPECT_FLOAT_EQ(static_cast<float>(changes[0].after), -7.3f);
    EXPECT_EQ(changes[1].field, "mute");
    EXPECT_EQ(changes[2].channel, 1);
    EXPECT_EQ(changes[2].field, "mute");
    EXPECT_EQ(changes[3].channel, 2);
    EXPECT_EQ(changes[3].band, 30);
    EXPECT_EQ(changes[3].field, "eq.gain");
    EXPECT_EQ(changes[5].channel, 4);
    EXPECT_EQ(ChangedChannels(changes).Bits(), 0b10111u);
    EXPECT_TRUE(CompareScenes(after, after).empty());
}

TEST(SceneDiff, ModelsCompareEveryScene) {
    ModelSet before;
    ModelSet after = before;
    after.stored[2].channels[1].delay = 1.5f;
    after.sceneNames[2] = L"Club";
    after.page.geqMode = false;
    const std::vector<ParameterChange> changes = CompareModels(before, after);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].scene, 3);
    EXPECT_EQ(changes[0].field, "delay");
    EXPECT_EQ(changes[1].scene, 3);
    EXPECT_EQ(changes[1].field, "sceneName");
}

TEST(ModelSetCopy, ACopiedSceneTakesTheNumberOfTheRecordItLandsIn) {
    ModelSet model;
    model.stored[6].mainVolume = -20;
    ASSERT_TRUE(model.CopyScene(7, 0));
    EXPECT_EQ(model.live.mainVolume, -20);
    EXPECT_EQ(model.live.scene, 0);  // live commands carry scene 0
    ASSERT_TRUE(model.CopyScene(0, 2));
    EXPECT_EQ(model.stored[1].scene, 2);
    EXPECT_FALSE(model.CopyScene(11, 0));
    EXPECT_FALSE(model.CopyScene(0, -1));
}

}  // namespace
