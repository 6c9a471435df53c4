// The level, routing and channel edits against the virtual amplifier.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

#include "commands/command_codes.h"
#include "link/frame.h"
#include "sim/virtual_amplifier.h"
#include "tuning/edits.h"

namespace {

using namespace std::chrono_literals;
using namespace tonvia::tuning;

class LevelEdits : public testing::Test {
  protected:
    LevelEdits() {
        session.Link().OpenHIDDevice();
        session.Link().EnableQueue();
        amp.ClearRequests();
    }
    ~LevelEdits() override { session.Link().CloseHIDDevice(false); }

    SceneConfig& Live() { return session.Model().live; }

    void WaitIdle() {
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (!session.Link().IsQueueIdle() && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(2ms);
        }
        EXPECT_TRUE(session.Link().IsQueueIdle());
    }

    // Waits until the queue has sent everything, then gives the DSP codes received, in order.
    std::vector<std::uint8_t> Sent() {
        WaitIdle();
        std::vector<std::uint8_t> codes;
        for (const auto& request : amp.Requests()) {
            if (request.type == CMD_DSP) {
                codes.push_back(request.subcmd);
            }
        }
        amp.ClearRequests();
        return codes;
    }
    tonvia::sim::SceneParams Device() { return amp.Snapshot().scenes[0]; }

    tonvia::sim::VirtualAmplifier amp;
    Session session{amp};
};

TEST_F(LevelEdits, MasterVolumeTravelsDownFromTheTopAndUnmutes) {
    struct Case {
        double volume;
        int stored;
        int wire;
    };
    for (const Case c : {Case{-5, -5, 11}, Case{6, 6, 0}, Case{-60, -60, 66}, Case{9.4, 6, 0}}) {
        Live().mainVolumeMute = 1;
        SetMainVolume(session, c.volume);
        WaitIdle();
        const auto requests = amp.Requests();
        amp.ClearRequests();
        ASSERT_EQ(requests.size(), 2u) << c.volume;
        EXPECT_EQ(requests[0].subcmd, DSP_VOLUME);
        EXPECT_EQ(requests[0].data, std::vector<std::uint8_t>{static_cast<std::uint8_t>(c.wire)});
        EXPECT_EQ(requests[1].subcmd, DSP_MUTE);
        EXPECT_EQ(Live().mainVolume, c.stored);
        EXPECT_EQ(Live().mainVolumeMute, 0);
        EXPECT_EQ(amp.Snapshot().mainVolume, c.stored);
        EXPECT_EQ(amp.Snapshot().mute, 0);
    }
    EXPECT_FALSE(StepMainVolume(session, true).Changed());  // already at +6
}

TEST_F(LevelEdits, SourceSwitchesOnlyWhileConnected) {
    const EditResult offline = SetInputSource(session, 2, false);
    EXPECT_EQ(Live().inputSource, 2);
    EXPECT_FALSE(offline.startVolumePoll);
    EXPECT_TRUE(Sent().empty());

    const EditResult online = SetInputSource(session, 3, true);
    EXPECT_TRUE(online.startVolumePoll);
    EXPECT_EQ(Sent(), std::vector<std::uint8_t>{DSP_SOURCE_SWITCH});
    EXPECT_EQ(amp.Snapshot().source, 0x54);
}

TEST_F(LevelEdits, RoutingGivesASilentInputFullLevelOnce) {
    SetInputSource(session, 2, false);
    SetInputIn(session, 1, 2, true);  // output 2 takes input 0 by default
    EXPECT_EQ(Sent(), (std::vector<std::uint8_t>{DSP_MIX_CH, DSP_INPUT_MIX_CH_TRIM}));
    EXPECT_EQ(Live().inputs[2][2], 3);
    EXPECT_EQ(Device().mix[2][2], 3);  // carried with the selected source
    EXPECT_EQ(Device().inputMixTrim[2][1][2], 100);

    SetInputIn(session, 1, 2, false);
    Live().inputMixVolume[2][1][2] = 40;
    SetInputIn(session, 1, 2, true);
    EXPECT_EQ(Sent(), (std::vector<std::uint8_t>{DSP_MIX_CH, DSP_MIX_CH}));
    EXPECT_EQ(Live().inputMixVolume[2][1][2], 40);
}

TEST_F(LevelEdits, FollowersMoveByTheSameDecibels) {
    struct Case {
        const char* name;
        bool bridge23;
        std::array<float, 6> before;
        int position;  // of channel 0, current
        std::array<float, 6> after;
    };
    const Case cases[] = {
        {"group", false, {-10, 0, -3, -7, -20, 0}, -120, {-12, 0, -5, -7, -22, 0}},
        {"bridged member", true, {-10, 0, -3, -7, -20, 0}, -120, {-12, 0, -5, -5, -22, 0}},
        {"rounded tenths", false, {-20, 0, -35.6f, 0, -0.5f, 0}, -100, {-10, 0, -25.6f, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Live() = SceneConfig{};
        Live().linkSel = {1, 0, 1, 0, 1, 0};
        Live().bridgeOutputs[1] = c.bridge23 ? 1 : 0;
        for (int i = 0; i < 6; ++i) {
            Live().channels[static_cast<std::size_t>(i)].gain =
                c.before[static_cast<std::size_t>(i)];
            Live().channels[static_cast<std::size_t>(i)].mute = 1;
        }
        const EditResult result = EditChVolume(session, 0, c.position);
        Sent();
        for (std::size_t i = 0; i < 6; ++i) {
            EXPECT_FLOAT_EQ(Live().channels[i].gain, c.after[i]) << "channel " << i;
            const bool moved = result.levels.Has(static_cast<int>(i));
            EXPECT_EQ(Live().channels[i].mute, moved ? 0 : 1) << "channel " << i;
            if (moved) {
                EXPECT_EQ(Device().trimHundredths[i], std::lround(-c.after[i] * 100));
            }
        }
    }
}

TEST_F(LevelEdits, StepOnAnotherChannelMakesItCurrentAndUnmutes) {
    Live().channels[3].gain = -10.0f;
    Live().channels[3].mute = 1;
    const EditResult result = StepChVolume(session, 3, true);
    EXPECT_EQ(result.madeCurrent, 3);
    EXPECT_EQ(Live().currOutChannel, 3);
    EXPECT_FLOAT_EQ(Live().channels[3].gain, -9.5f);
    EXPECT_EQ(Live().channels[3].mute, 0);
    EXPECT_EQ(Sent(), (std::vector<std::uint8_t>{DSP_MUTE_CH, DSP_TRIM_CH, DSP_MUTE_CH}));
    EXPECT_EQ(Device().trimHundredths[3], 950);
    EXPECT_EQ(Device().mute[3], 0);

    Live().channels[1].gain = 0.0f;
    EXPECT_FALSE(StepChVolume(session, 1, true).Changed());  // top of the range
    EXPECT_EQ(Live().currOutChannel, 3);
}

TEST_F(LevelEdits, DelayStepMovesOneShownUnitAndCarriesGroupAndPair) {
    struct Case {
        DelayUnit unit;
        double from;
        double to;
    };
    const Case cases[] = {
        {DelayUnit::Centimetres, 35 * 15.0 / 519, 36 * 15.0 / 519},
        {DelayUnit::Inches, 14 * 15.0 / 204, 15 * 15.0 / 204},
        {DelayUnit::Milliseconds, 1.0, 1.021},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.unit));
        Live() = SceneConfig{};
        Live().linkSel = {1, 0, 1, 0, 0, 0};
        Live().bridgeOutputs[0] = 1;  // channel 1 is the pair of channel 0
        Live().channels[0].delay = static_cast<float>(c.from);
        const EditResult result = StepChDelay(session, 0, true, c.unit);
        Sent();
        EXPECT_EQ(result.delays, ChannelSet::Of(0) | ChannelSet::Of(1) | ChannelSet::Of(2));
        EXPECT_NEAR(Live().channels[0].delay, c.to, 1e-6);
        for (std::size_t follower : {1u, 2u}) {
            EXPECT_NEAR(Live().channels[follower].delay, c.to - c.from, 1e-5);
            EXPECT_EQ(Device().delayThousandths[follower],
                      std::lround(Live().channels[follower].delay * 1000));
        }
    }
    Live().channels[0].delay = 15.0f;
    EXPECT_FALSE(StepChDelay(session, 0, true, DelayUnit::Centimetres).Changed());
}

TEST_F(LevelEdits, SoloIsExclusiveAndSwitchingOffLeavesTheOthers) {
    Live().channels[1].solo = 1;
    Live().channels[2].solo = 1;
    const EditResult on = SetChSolo(session, 4, true);
    EXPECT_EQ(on.madeCurrent, 4);
    EXPECT_EQ(Live().lastSoloChannel, 4);
    EXPECT_EQ(Sent(), (std::vector<std::uint8_t>{DSP_CH_SOLO, DSP_MUTE_CH}));
    EXPECT_EQ(Device().solo, (tonvia::sim::PerOutput<std::uint8_t>{0, 0, 0, 0, 1, 0}));

    Live().channels[1].solo = 1;
    SetChSolo(session, 4, false);
    Sent();
    EXPECT_EQ(Device().solo, (tonvia::sim::PerOutput<std::uint8_t>{0, 1, 0, 0, 0, 0}));
}

TEST_F(LevelEdits, RefreshResendsTheRecordWithoutReplayingTheSoloRule) {
    Live().bridgeOutputs[0] = 1;
    Live().channels[0].mute = 1;  // its bridged partner is not muted yet
    Live().channels[0].solo = 1;
    Live().channels[3].solo = 1;
    Live().currOutChannel = 5;
    ResendChannelSwitches(session);
    const auto sent = Sent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), DSP_CH_SOLO), 1);
    EXPECT_EQ(sent.back(), DSP_MUTE_CH);  // the current channel's mute last
    EXPECT_EQ(Live().channels[1].mute, 1);
    EXPECT_EQ(Device().mute[1], 1);
    EXPECT_EQ(Device().solo, (tonvia::sim::PerOutput<std::uint8_t>{1, 0, 0, 1, 0, 0}));
}

TEST_F(LevelEdits, OutOfRangeTargetsAreRefusedUntouched) {
    const std::function<EditResult()> edits[] = {
        [&] { return SetChVolume(session, 6, -10, true, false); },
        [&] { return StepChDelay(session, -1, true, DelayUnit::Milliseconds); },
        [&] { return SetChSolo(session, 6, true); },
        [&] { return SetInputIn(session, 2, 0, true); },  // source 0 has two inputs
        [&] { return SetInputSource(session, 9, true); },
        [&] { return SetInputSource(session, -1, true); },
        [&] { return SetRemOut(session, 3, true); },
    };
    const SceneConfig before = Live();
    for (const auto& edit : edits) {
        EXPECT_TRUE(edit().refused);
    }
    EXPECT_EQ(Live(), before);
    EXPECT_TRUE(Sent().empty());
}

}  // namespace
