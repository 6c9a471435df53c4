// Speaker positions (conflicts, partners, default crossovers) and input sources.
#include <gtest/gtest.h>

#include <set>

#include "model/scene_config.h"

namespace {

SceneConfig WithOutputs(std::array<std::int32_t, kOutChannelCount> outputs) {
    SceneConfig scene;
    scene.outputs = outputs;
    return scene;
}

std::set<int> BlockedCodes(const SceneConfig& scene, int ch) {
    std::set<int> blocked;
    for (int code = 0; code < kPositionCodeCount; ++code) {
        if (!scene.IsCodeAllowed(ch, code)) {
            blocked.insert(code);
        }
    }
    return blocked;
}

TEST(PositionConflicts, OnlyOverlappingCodesOfTheSameGroupAreBlocked) {
    const SceneConfig scene = WithOutputs({2, 0, 0, 0, 0, 0});
    EXPECT_EQ(BlockedCodes(scene, 3), (std::set<int>{2, 4, 5, 6}));
    EXPECT_TRUE(BlockedCodes(scene, 0).empty());  // the holder may move anywhere
    // Subwoofer left and right share a group but no band.
    EXPECT_EQ(BlockedCodes(WithOutputs({22, 0, 0, 0, 0, 0}), 1), (std::set<int>{22, 24}));
    // Codes without a table row, held or wanted, block nothing.
    EXPECT_EQ(BlockedCodes(WithOutputs({99, -3, 6, 0, 0, 0}), 3),
              (std::set<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(scene.IsCodeAllowed(3, 25));
    EXPECT_TRUE(scene.IsCodeInUse(2));
    EXPECT_FALSE(scene.IsCodeInUse(6));
}

TEST(PositionPartners, LeftAndRightCodesPairUp) {
    const std::pair<int, int> pairs[] = {{1, 7}, {6, 12}, {13, 16}, {15, 18}, {22, 23}};
    for (auto [left, right] : pairs) {
        EXPECT_EQ(PartnerCode(left), right);
        EXPECT_EQ(PartnerCode(right), left);
        EXPECT_EQ(DefaultCrossover(left), DefaultCrossover(right));
    }
    for (int code : {-1, 0, 19, 21, 24, 25}) {
        EXPECT_FALSE(PartnerCode(code).has_value()) << code;
    }
}

TEST(DefaultCrossovers, FiltersAndOnMaskOfACode) {
    const Crossover sub = DefaultCrossover(22);
    EXPECT_EQ(sub.bpType, 3);
    EXPECT_EQ(sub.hp, (FilterSetting{30, 1, 4, 0}));
    EXPECT_EQ(sub.lp, (FilterSetting{50, 1, 2, 0}));
    const std::pair<int, int> onMasks[] = {{1, 1}, {5, 3}, {6, 0}, {20, 3}};
    for (auto [code, bpType] : onMasks) {
        EXPECT_EQ(DefaultCrossover(code).bpType, bpType) << code;
    }
    EXPECT_EQ(DefaultCrossover(25), DefaultCrossover(0));
    EXPECT_EQ(DefaultCrossover(-1), DefaultCrossover(0));
}

TEST(InputSources, InputCountsAndDeviceCodes) {
    const int inputs[kInputSourceCount] = {2, 0, 2, 2, 0, 4, 0, 2, 2};
    for (int s = 0; s < kInputSourceCount; ++s) {
        EXPECT_EQ(SourceInputCount(s), inputs[s]) << s;
    }
    EXPECT_EQ(SourceInputCount(9), 0);
    EXPECT_EQ(SourceIndexFromDeviceCode(0x51), 0);
    EXPECT_EQ(SourceIndexFromDeviceCode(0x59), 8);
    EXPECT_EQ(SourceIndexFromDeviceCode(0x50), 4);
    EXPECT_EQ(SourceIndexFromDeviceCode(0x5A), 4);
    EXPECT_FALSE(SourceDeviceCode(9).has_value());
}

}  // namespace
