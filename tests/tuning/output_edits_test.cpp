// The output configuration edits against the virtual amplifier.
#include "tuning/output_edits.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "commands/command_codes.h"
#include "sim/virtual_amplifier.h"

namespace {

using namespace std::chrono_literals;
using namespace tonvia::tuning;
using Trace = std::vector<std::string>;

class OutputEdits : public testing::Test {
  protected:
    OutputEdits() {
        session.Link().OpenHIDDevice();
        session.Link().EnableQueue();
        amp.ClearRequests();
    }
    ~OutputEdits() override { session.Link().CloseHIDDevice(false); }

    SceneConfig& Live() { return session.Model().live; }
    OutChannel& Ch(int ch) { return Live().channels[static_cast<std::size_t>(ch)]; }
    tonvia::sim::SceneParams Device() { return amp.Snapshot().scenes[0]; }

    // The DSP commands since the last call, once sent: "type 0", "hp 1", "trim 2", "link".
    Trace Sent() {
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (!session.Link().IsQueueIdle() && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(2ms);
        }
        static const std::map<std::uint8_t, std::string> kChannelCommands = {
            {DSP_CH_TYPE, "type "},   {DSP_TRIM_CH, "trim "},     {DSP_MUTE_CH, "mute "},
            {DSP_DELAY_CH, "delay "}, {DSP_EQ_BYPASS, "bypass "}, {DSP_FILTER_SET, ""}};
        Trace trace;
        linkPayload.clear();
        for (const auto& r : amp.Requests()) {
            const auto named = kChannelCommands.find(r.subcmd);
            if (r.subcmd == DSP_CH_LINK || r.subcmd == DSP_CH_LOCK) {
                trace.push_back(r.subcmd == DSP_CH_LINK ? "link" : "lock");
                linkPayload = r.subcmd == DSP_CH_LINK ? r.data : linkPayload;
            } else if (named != kChannelCommands.end()) {
                const std::string filter = r.subcmd != DSP_FILTER_SET ? ""
                                           : r.data[3] == 2           ? "hp "
                                                                      : "lp ";
                trace.push_back(named->second + filter + std::to_string(r.data[2]));
            } else {
                trace.push_back("other");
            }
        }
        amp.ClearRequests();
        return trace;
    }

    tonvia::sim::VirtualAmplifier amp;
    Session session{amp};
    std::vector<std::uint8_t> linkPayload;  // scene, link, count, pairs of the last CH_Link
};

TEST_F(OutputEdits, ABridgedPairTakesAPositionOnBothChannels) {
    Live().bridgeOutputs[0] = 1;
    Live().outputs = {6, 6, 15, 18, 22, 23};  // the partner's own code blocks nothing
    ChooseOutputPosition(session, 0, 1);
    EXPECT_EQ(Sent(), (Trace{"mute 0", "type 0", "lp 0", "hp 0", "trim 0", "mute 1", "type 1",
                             "lp 1", "hp 1", "trim 1"}));
    for (std::size_t ch : {0u, 1u}) {
        EXPECT_EQ(Live().outputs[ch], 1);
        EXPECT_EQ(Live().outputs_bk[ch], 1);
        EXPECT_EQ(Live().channels[ch].crossover, DefaultCrossover(1));
        EXPECT_EQ(Device().channelType[ch], 1);
        EXPECT_EQ(Device().highPass[ch].freq, 3400);
    }
    // Front left mid-high overlaps the tweeter channel 0 now holds.
    EXPECT_TRUE(ChooseOutputPosition(session, 2, 4).refused);
    EXPECT_EQ(Live().outputs[2], 15);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(OutputEdits, BridgingCopiesTheLeftChannelAndUnbridgingRestoresTheRight) {
    Ch(2).eqArray[5].gain = 4.5f;
    Ch(2).eqArray[7] = {.gain = -3.0f, .q = 2.0f, .freq = 250, .enable = 0};
    Ch(2).bypass = 1;
    Ch(2).crossover.hp = {.fs = 80, .type = 2, .slope = 4, .bypass = 0};
    Ch(2).gain = -7.5f;
    Ch(2).delay = 2.5f;
    Ch(2).phase = Ch(2).solo = Ch(2).mute = 1;
    Live().linkSel[2] = 2;
    Live().inputs[0][2] = 3;
    Live().inputMixVolume[0][1][2] = 40;
    SetBridge(session, 1, true, true);
    Sent();

    EXPECT_EQ(Ch(3).eqArray[7].enable, 1);  // the copy plays the disabled band too
    Ch(3).eqArray[7].enable = 0;
    EXPECT_EQ(Ch(3).eqArray, Ch(2).eqArray);
    EXPECT_EQ(Ch(3).crossover, Ch(2).crossover);  // not the default of the copied position
    for (std::size_t s = 0; s < 9; ++s) {
        EXPECT_EQ(Live().inputs[s][3], Live().inputs[s][2]);
        EXPECT_EQ(Device().mix[s][3], Live().inputs[s][3]);
        EXPECT_EQ(Device().inputMixTrim[s][1][3], Live().inputMixVolume[s][1][3]);
    }
    EXPECT_EQ(Live().inputMixVolume[0][1][3], 40);
    EXPECT_EQ(Live().linkSel[3], 2);
    EXPECT_EQ(Live().outputs[3], 15);
    EXPECT_EQ(Live().outputs_bk[3], 18);
    EXPECT_EQ(Live().lastSoloChannel, -1);
    const auto d = Device();
    EXPECT_EQ(d.bridge[1], 1);
    EXPECT_EQ(d.eq[3][5].gainTenths, 225);
    EXPECT_EQ(d.eq[3][7].gainTenths, 150);
    EXPECT_EQ(d.highPass[3].freq, 80);
    EXPECT_EQ(d.highPass[3].slope, 4);
    EXPECT_EQ(d.trimHundredths[3], 750);
    EXPECT_EQ(d.delayThousandths[3], 2500u);
    EXPECT_EQ(d.channelType[3], 15);
    EXPECT_EQ(d.peqBypass[3] + d.phase[3] + d.solo[3] + d.mute[3], 4);

    SetBridge(session, 1, false, true);
    Sent();
    EXPECT_EQ(Live().outputs[3], 18);
    EXPECT_EQ(Ch(3).crossover, DefaultCrossover(18));
    EXPECT_EQ(Device().bridge[1], 0);
    EXPECT_EQ(Device().channelType[3], 18);
    EXPECT_EQ(Device().highPass[3].slope, 0);
}

TEST_F(OutputEdits, LinkPairsPartnerPositionsInTheChosenDirection) {
    struct Case {
        const char* name;
        std::array<std::int32_t, 6> outputs;
        int choice;
        std::vector<std::uint8_t> link;  // link, count, pairs
    };
    // The device keeps its lock between cases: the ones that leave it off come first.
    const Case cases[] = {
        {"cancelled", {6, 12, 0, 0, 0, 0}, 0, {}},
        {"no partners", {6, 11, 0, 0, 0, 0}, 1, {0, 0}},
        {"left to right", {6, 12, 0, 0, 0, 0}, 1, {1, 1, 0, 1}},
        {"right to left", {6, 12, 0, 0, 0, 0}, 2, {1, 1, 1, 0}},
        {"11 is not 6's partner", {6, 11, 15, 18, 22, 0}, 1, {1, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Live() = SceneConfig{};
        Live().outputs = c.outputs;
        Ch(0).eqArray[3].gain = 6.0f;
        const EditResult result = SetOutputLink(session, [&] { return c.choice; });
        Sent();
        const bool on = !c.link.empty() && c.link[0] == 1;
        EXPECT_EQ(Live().linkMode, on ? 1 : 0);
        EXPECT_EQ(Live().lockMode, on ? 1 : 0);
        EXPECT_EQ(Device().lock, on ? 1 : 0);
        EXPECT_EQ(std::vector<std::uint8_t>(linkPayload.begin() + (c.link.empty() ? 0 : 1),
                                            linkPayload.end()),
                  c.link);
        EXPECT_EQ(result.notice != nullptr, c.link.size() == 2);
        if (on && c.outputs[1] == 12) {
            EXPECT_FLOAT_EQ(Ch(1).eqArray[3].gain, c.choice == 1 ? 6.0f : 0.0f);
            EXPECT_FLOAT_EQ(Ch(0).eqArray[3].gain, c.choice == 1 ? 6.0f : 0.0f);
        }
    }
    // A link on goes off without a question, and the lock with it.
    Live() = SceneConfig{};
    SetOutputLink(session, [] { return 1; });
    SetOutputLink(session, [] { return 1; });
    Sent();
    EXPECT_EQ(Live().linkMode + Live().lockMode + Device().lock + Device().link.on, 0);
    EXPECT_EQ(Live().linkOutputs, (std::array<std::int32_t, 6>{-1, -1, -1, -1, -1, -1}));
}

TEST_F(OutputEdits, TheLockAsksAndUnlockingSwitchesTheLinkOff) {
    struct Case {
        int lockMode;
        bool answer;
        const char* asked;
        int lockAfter;
        Trace sent;
    };
    const Case cases[] = {
        {1, true, "${unlock_output_tips}", 0, {"link", "mute 0", "lock"}},
        {1, false, "${unlock_output_tips}", 1, {"lock"}},
        {0, true, "${lock_output_tips}", 1, {"lock"}},
        {0, false, "${lock_output_tips}", 0, {"lock"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        Live() = SceneConfig{};
        SetOutputLinkMode(Live(), c.lockMode == 1);  // a lock on carries the link here
        SceneConfig expected = Live();
        std::string asked;
        SetOutpuLock(session, [&](std::string_view key) {
            asked = key;
            return c.answer;
        });
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(Sent(), c.sent);
        EXPECT_EQ(Device().lock, c.lockAfter);
        expected.lockMode = c.lockAfter;
        if (c.lockAfter == 0 && c.lockMode == 1) {
            SetOutputLinkMode(expected, false);
        }
        EXPECT_EQ(Live(), expected);
    }
}

TEST_F(OutputEdits, ResetToEmptyPositionsClearsLockAndLink) {
    Live().lockMode = Live().linkMode = 1;
    Live().bridgeOutputs[2] = 1;
    EXPECT_TRUE(ResetOutputs(session, 3).refused);
    EXPECT_TRUE(SetBridge(session, 3, true, true).refused);
    ResetOutputs(session, 2);
    Sent();
    const Crossover flat = DefaultCrossover(0);  // 20 Hz to 20 kHz, both filters off
    EXPECT_TRUE(flat.hp.fs == 20 && flat.lp.fs == 20000 && flat.hp.slope + flat.lp.slope == 0);
    for (std::size_t ch = 0; ch < 6; ++ch) {
        EXPECT_EQ(Live().outputs[ch] + Live().outputs_bk[ch] + Device().channelType[ch], 0);
        EXPECT_EQ(Live().channels[ch].crossover, flat);
        EXPECT_EQ(Device().lowPass[ch].freq, 20000);
    }
    EXPECT_EQ(Live().lockMode + Live().linkMode + Device().lock + Device().link.on, 0);
    EXPECT_EQ(Device().bridge[2], 1);
    EXPECT_EQ(Live().currOutChannel, 0);
}

TEST_F(OutputEdits, SpeakerDelayMovesTheFirstHolderThenItsGroupAndPair) {
    struct Case {
        double from;
        double member;  // channel 2, in channel 0's group
        bool up;
        double typed;  // NaN: a step
        double to;
        double memberTo;
    };
    const Case cases[] = {
        {1.0, 3.0, true, NAN, 1.021, 3.021},
        {14.99, 14.995, true, NAN, 15.0, 15.0},
        {0.01, 2.0, false, NAN, 0.0, 1.99},
        {1.0, 3.0, true, 20.0, 15.0, 15.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        Live() = SceneConfig{};
        Live().linkSel = {1, 0, 1, 0, 0, 0};
        Ch(0).delay = static_cast<float>(c.from);
        Ch(2).delay = static_cast<float>(c.member);
        const EditResult result = std::isnan(c.typed) ? SpeakerDelayStep(session, 6, c.up)
                                                      : SetSpeakerDelay(session, 6, c.typed);
        EXPECT_EQ(Sent(), (Trace{"delay 2", "delay 0"}));
        EXPECT_EQ(result.delays, ChannelSet::Of(0) | ChannelSet::Of(2));
        EXPECT_NEAR(Ch(0).delay, c.to, 1e-6);
        EXPECT_NEAR(Ch(2).delay, c.memberTo, 1e-5);
        EXPECT_EQ(static_cast<long>(Device().delayThousandths[0]), std::lround(c.to * 1000));
    }
    // A bridged pair holds one code: the odd channel follows even while it is current.
    Live() = SceneConfig{};
    Live().bridgeOutputs[0] = 1;
    Live().outputs[1] = 6;
    SetSpeakerFocus(session, 6);
    EXPECT_EQ(Live().currOutChannel, 1);
    SpeakerDelayStep(session, 6, true);
    EXPECT_EQ(Sent(), (Trace{"mute 0", "mute 1", "delay 1", "delay 0"}));
    EXPECT_FLOAT_EQ(Ch(1).delay, 0.021f);
    EXPECT_FALSE(SpeakerDelayStep(session, 12, true).Changed());  // nobody holds it now
}

TEST_F(OutputEdits, GroupsReachTheBridgedPartnerAndBlockTheLink) {
    Live().bridgeOutputs[1] = 1;
    Live().linkSel[0] = 1;
    Ch(0).bypass = 1;
    Ch(2).gain = Ch(3).gain = -7.3f;
    Ch(5).gain = -12.25f;
    ChooseSynchronize(session, 2, 1);
    const Trace sent = Sent();
    ASSERT_GE(sent.size(), 10u);
    EXPECT_EQ(Trace(sent.begin(), sent.begin() + 10),
              (Trace{"bypass 2", "trim 0", "trim 1", "trim 2", "trim 3", "trim 4", "trim 5", "lp 2",
                     "hp 2", "mute 2"}));
    EXPECT_EQ(Live().linkSel, (std::array<std::int32_t, 6>{1, 0, 1, 1, 0, 0}));
    EXPECT_EQ(Ch(3).bypass + Device().peqBypass[3], 2);
    for (std::size_t ch = 0; ch < 6; ++ch) {
        EXPECT_EQ(Device().trimHundredths[ch], std::lround(-Live().channels[ch].gain * 100));
    }
    EXPECT_FLOAT_EQ(Ch(2).gain, -7.3f);
    EXPECT_FALSE(OutputLinkOffered(Live()));
    ResetSynchronizeGroups(session);
    EXPECT_TRUE(OutputLinkOffered(Live()));
    ChooseDelayLink(session, 2, 4);
    EXPECT_EQ(Live().delayLinkSel, (std::array<std::int32_t, 6>{0, 0, 4, 4, 0, 0}));
    EXPECT_FALSE(OutputLinkOffered(Live()));
    EXPECT_TRUE(ChooseDelayLink(session, 2, 7).refused);
}

}  // namespace
