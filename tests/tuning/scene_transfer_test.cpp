// A scene profile written into the working scene of the virtual amplifier.
#include "tuning/scene_transfer.h"

#include <gtest/gtest.h>

#include "sim/virtual_amplifier.h"
#include "tuning/session.h"

namespace {

using tonvia::tuning::Session;

TEST(SceneTransfer, TheWorkingSceneTakesTheWholeRecordWithTheRoutingOfEverySource) {
    tonvia::sim::VirtualAmplifier amp;
    Session session(amp);
    CHidDevice& link = session.Link();
    link.OpenHIDDevice();
    link.EnableQueue();

    SceneConfig record;
    record.mainVolume = -12;
    record.mainVolumeMute = 1;
    record.inputSource = 2;
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        OutChannel& c = record.channels[static_cast<std::size_t>(ch)];
        c.gain = -1.5f * static_cast<float>(ch);
        c.delay = 0.25f * static_cast<float>(ch);
        c.mute = ch % 2;
        c.phase = ch == 3 ? 1 : 0;
        c.bypass = ch == 4 ? 1 : 0;
        c.crossover.hp.SetFs(60 + ch);
        c.crossover.hp.SetSlope(2);
        c.eqArray[7].gain = -3.5f;
        c.eqArray[9] = EqBand{4.0f, 2.5f, 1800, 0};  // disabled: plays flat
    }
    record.outputs = {1, 7, 15, 18, 22, 23};
    record.inputs[0][5] = 0x2;  // a source other than the current one
    record.inputMixVolume[5][3][1] = 40;

    const auto result = tonvia::tuning::SetReadCurProfileToMCU(link, record);
    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(result.answered, result.sent);
    EXPECT_TRUE(link.IsQueueEnabled());

    const tonvia::sim::DeviceState d = amp.Snapshot();
    const tonvia::sim::SceneParams& s = d.scenes[0];
    EXPECT_EQ(d.mainVolume, -12);
    EXPECT_EQ(d.mute, 1);
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        SCOPED_TRACE(ch);
        const auto i = static_cast<std::size_t>(ch);
        EXPECT_EQ(s.trimHundredths[i], 150 * ch);
        EXPECT_EQ(s.delayThousandths[i], static_cast<std::uint32_t>(250 * ch));
        EXPECT_EQ(s.mute[i], ch % 2);
        EXPECT_EQ(s.channelType[i], record.outputs[i]);
        EXPECT_EQ(s.highPass[i].freq, 60 + ch);
        EXPECT_EQ(s.eq[i][7].gainTenths, 145);
        EXPECT_EQ(s.eq[i][9].gainTenths, 180);
        EXPECT_EQ(s.eq[i][9].freq, 1800);
    }
    EXPECT_EQ(s.phase[3], 1);
    EXPECT_EQ(s.peqBypass[4], 1);
    EXPECT_EQ(s.mix[0][5], 0x2);
    EXPECT_EQ(s.inputMixTrim[5][3][1], 40);
    link.CloseHIDDevice(false);
}

TEST(SceneTransfer, AStopEndsAfterTheCommandInFlightAndAClosedLinkKeepsTheQueueOff) {
    tonvia::sim::VirtualAmplifier amp;
    Session session(amp);
    CHidDevice& link = session.Link();
    link.OpenHIDDevice();
    const std::atomic<bool> stop{true};
    const auto stopped = tonvia::tuning::SetReadCurProfileToMCU(link, SceneConfig{}, &stop);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.sent, 0);

    link.CloseHIDDevice(false);
    const auto offline = tonvia::tuning::SetReadCurProfileToMCU(link, SceneConfig{});
    EXPECT_EQ(offline.answered, 0);
    EXPECT_FALSE(link.IsQueueEnabled());
}

}  // namespace
