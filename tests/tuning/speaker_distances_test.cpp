// Time alignment from speaker distances against the virtual amplifier.
#include "tuning/speaker_distances.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "session_fixture.h"

namespace {

using namespace std::chrono_literals;
using namespace tonvia::tuning;

class SpeakerDistance : public tuning_testing::SessionTest {
  protected:
    float& Delay(int ch) { return Live().channels[static_cast<std::size_t>(ch)].delay; }
    // The delay the device holds, in ms.
    double DeviceDelay(int ch) {
        return Device().delayThousandths[static_cast<std::size_t>(ch)] / 1000.0;
    }
};

TEST_F(SpeakerDistance, DelaysDifferByTheDistancesOverTheSpeedOfSound) {
    // A synchronise group moves members by each other's changes; distances set each one.
    Live().linkSel = {1, 1, 1, 1, 0, 0};
    for (int ch = 0; ch < 4; ++ch) {
        Delay(ch) = 2.0f;
    }
    Delay(4) = 3.0f;
    const double cm[] = {120, 95, 140, 100};
    const DistanceAlignment a =
        AlignSpeakerDistances(session, {cm[0], cm[1], cm[2], cm[3], std::nullopt, std::nullopt},
                              DistanceUnit::Centimetres);
    ASSERT_FALSE(a.edit.refused);
    EXPECT_EQ(a.edit.delays.Bits(), 0b1111u);
    EXPECT_EQ(a.delays.farthest, 2);
    EXPECT_EQ(Delay(2), 0.0f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(DeviceDelay(i), Delay(i), 1e-6) << i;
        for (int j = 0; j < 4; ++j) {
            const double expected = (cm[j] - cm[i]) / 100.0 / kSpeedOfSound * 1000.0;
            EXPECT_NEAR(Delay(i) - Delay(j), expected, kDelay.step) << i << " " << j;
        }
    }
    EXPECT_EQ(Delay(4), 3.0f);
    EXPECT_EQ(a.report, std::vector<std::string>{
                            "ch 3 is farthest (140.0 cm), ch 2 nearest (95.0 cm): 1.312 ms apart "
                            "at 343 m/s"});
}

TEST_F(SpeakerDistance, ABridgedPairSharesADelayAndASpreadPastTheRangeIsLimited) {
    Live().bridgeOutputs[2] = 1;  // channels 4 and 5 drive one speaker
    const DistanceAlignment a = AlignSpeakerDistances(
        session, {300.0, 100.0, std::nullopt, std::nullopt, std::nullopt, 40.0},
        DistanceUnit::Inches);
    // 260 in is 19.254 ms; 200 in is 14.810 ms, 705 steps of 21 us.
    EXPECT_EQ(a.edit.delays.Bits(), 0b110011u);
    EXPECT_FLOAT_EQ(Delay(0), 0.0f);
    EXPECT_FLOAT_EQ(Delay(1), 14.805f);
    EXPECT_FLOAT_EQ(Delay(4), 15.0f);
    EXPECT_FLOAT_EQ(Delay(5), 15.0f);
    EXPECT_NEAR(DeviceDelay(5), 15.0, 1e-9);
    EXPECT_EQ(a.delays.limited, ChannelSet::Of(4));
    ASSERT_EQ(a.report.size(), 2u);
    EXPECT_EQ(a.report[1],
              "ch 5 would need 19.254 ms: limited to 15.000 ms, the most the amplifier delays");

    EXPECT_TRUE(AlignSpeakerDistances(session, {-1.0, 10.0}, DistanceUnit::Inches).edit.refused);
    EXPECT_TRUE(AlignSpeakerDistances(session, {}, DistanceUnit::Inches).edit.refused);
    EXPECT_FLOAT_EQ(Delay(1), 14.805f);
}

}  // namespace
