// The input mixer's rules against the virtual amplifier: levels typed in dB, first enable,
// bridged partners, the cross-source gain and tags, clearing, and the clipping poll.
#include "tuning/mixer_edits.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "commands/command_codes.h"
#include "commands/reply_records.h"
#include "sim/virtual_amplifier.h"

namespace {

using namespace tonvia::tuning;

constexpr int kAux = 3;  // two inputs, no cross-source mix
constexpr int kOpt = 0;  // two inputs with the cross-source mix

class MixerEdits : public ::testing::Test {
  protected:
    MixerEdits() : session(amp) {
        session.Link().OpenHIDDevice();
        session.Link().EnableQueue();
    }
    ~MixerEdits() override { session.Link().CloseHIDDevice(false); }

    void Settle() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!session.Link().IsQueueIdle() && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    // The mix levels that reached the device since the last call: (input, output, level).
    std::vector<std::array<int, 3>> SentLevels() {
        Settle();
        std::vector<std::array<int, 3>> sent;
        for (const auto& r : amp.Requests()) {
            if (r.subcmd == DSP_INPUT_MIX_CH_TRIM && r.optype == OP_SET && r.data.size() >= 6) {
                sent.push_back({r.data[2], r.data[3], r.data[5]});
            }
        }
        amp.ClearRequests();
        return sent;
    }
    SceneConfig& Live() { return session.Model().live; }

    tonvia::sim::VirtualAmplifier amp;
    Session session;
};

TEST_F(MixerEdits, LevelsFollowTheTypedDecibelsTheFirstEnableAndTheBridge) {
    const SliderRange slider{0, 100};
    EXPECT_EQ(MixLevelFromText("10", 0, slider), 100);  // +16 dB is past +6
    EXPECT_EQ(MixLevelFromText("-100dB", 0, slider), 0);
    EXPECT_EQ(MixLevelFromText("-20dB", 1, slider), 75);

    Live().inputs[kAux][4] = 0;
    Live().inputMixVolume[kAux][1][4] = 0;
    EXPECT_EQ(EnableLevel(Live(), kAux, 1, 4, true), 100);  // never set: +6 dB
    SetMixLevel(session, kAux, 1, 4, 100);
    EXPECT_TRUE(IsRouted(Live(), kAux, 1, 4));
    SetMixLevel(session, kAux, 1, 4, 0);
    EXPECT_FALSE(IsRouted(Live(), kAux, 1, 4));
    EXPECT_EQ((SentLevels()), (std::vector<std::array<int, 3>>{{1, 4, 100}, {1, 4, 0}}));

    Live().bridgeOutputs[1] = 1;
    const MixResult bridged = SetMixLevel(session, kAux, 0, 2, 60);
    EXPECT_EQ(bridged.cells, (std::vector<MixCell>{{0, 2}, {0, 3}}));
    EXPECT_EQ(StoredMixLevel(Live(), kAux, 0, 3), 60);
    EXPECT_TRUE(IsRouted(Live(), kAux, 0, 3));
    EXPECT_EQ((SentLevels()), (std::vector<std::array<int, 3>>{{0, 2, 60}, {0, 3, 60}}));
    Settle();
    EXPECT_EQ(amp.Snapshot().scenes[0].inputMixTrim[kAux][0][3], 60);

    // Unchanged for the device (routed at a stored 0 reads as full): nothing but the
    // partner goes out.
    Live().bridgeOutputs[1] = 0;
    Live().inputs[kAux][5] |= 1;
    Live().inputMixVolume[kAux][0][5] = 0;
    SetMixLevel(session, kAux, 0, 5, 100);
    EXPECT_TRUE(SentLevels().empty());
}

TEST_F(MixerEdits, ClearSendsSilenceOnlyForTheRoutesThatWereOn) {
    for (int o = 0; o < kOutChannelCount; ++o) {
        Live().inputs[kAux][o] = 0;
    }
    Live().inputs[kAux][0] = 0b01;
    Live().inputs[kAux][5] = 0b10;
    Live().inputMixVolume[kAux][0][3] = 80;  // stored, but off
    const MixResult cleared = ClearMix(session, kAux);
    EXPECT_EQ(cleared.cells, (std::vector<MixCell>{{0, 0}, {1, 5}}));
    EXPECT_EQ((SentLevels()), (std::vector<std::array<int, 3>>{{0, 0, 0}, {1, 5, 0}}));
    EXPECT_EQ(StoredMixLevel(Live(), kAux, 0, 3), 0);
}

TEST_F(MixerEdits, CrossSourceGainAndTagsAreKeptInRange) {
    EXPECT_EQ(ViceFromTag(305), (ViceChoice{3, 5}));
    EXPECT_EQ(ViceFromTag(1203), (ViceChoice{9, 3}));
    EXPECT_EQ(ViceTag(5, 2), "0502");
    ASSERT_TRUE(SetViceSource(session, kOpt, 1, ViceFromTag(301)));
    EXPECT_EQ(SetViceGain(session, kOpt, 1, 9), 6);
    EXPECT_EQ(SetViceGain(session, kOpt, 1, -40), -32);
    Settle();
    const tonvia::sim::DeviceState device = amp.Snapshot();
    const auto& mix = device.scenes[0].crossMix[kOpt][1];
    EXPECT_EQ(mix.viceSource, 3);
    EXPECT_EQ(mix.viceChannel, 1);
    EXPECT_EQ(mix.viceGain, 0);  // -32 dB on the wire
    EXPECT_EQ(Live().csmViceGain[kOpt][1], -32);
}

TEST_F(MixerEdits, TitlesAndFocus) {
    EXPECT_EQ(MixerRowTitle("AUX", 2, 0), "AUX L");
    EXPECT_EQ(MixerRowTitle("AUX", 2, 1), "AUX R");
    EXPECT_EQ(MixerRowTitle("HI", 4, 2), "HI3");
    EXPECT_EQ(NextMixEdit(0, 5, true, 2), (std::pair{1, 0}));
    EXPECT_EQ(NextMixEdit(1, 5, true, 2), (std::pair{0, 0}));
    EXPECT_EQ(NextMixEdit(0, 0, false, 4), (std::pair{3, 5}));
}

// The poll goes through the queue, asks for the six outputs, and its replies set the flags
// of the source they name only.
TEST_F(MixerEdits, TheClippingPollIsQueuedAndItsRepliesReachTheModel) {
    amp.Edit([](tonvia::sim::DeviceState& s) {
        s.inputDistortion[5][2] = 1;
        s.outputDistortion[5][5] = 1;
    });
    ASSERT_TRUE(RequestDistortion(session, 5));
    Settle();
    const auto requests = amp.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].data[3], 3);  // inputs 0..3 of the high-level source
    EXPECT_EQ(requests[1].data[3], 5);  // outputs 0..5
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (Live().outDistort[5][5] == 0 && std::chrono::steady_clock::now() < end) {
        session.WaitAndProcessReports(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(Live().inDistort[5][2], 1);
    EXPECT_EQ(Live().outDistort[5][5], 1);

    // A reply for a source outside the table or past the six outputs changes nothing.
    OutDistortRec bad;
    bad.source = 9;
    bad.first = 0;
    bad.last = 5;
    bad.values.fill(1);
    EXPECT_FALSE(tonvia::commands::ApplyDspReport(session.Model(), DSP_OUTPUT_CH_DISTORT, 0, &bad)
                     .Changed());
    bad.source = 4;
    bad.first = 6;
    bad.last = 7;
    EXPECT_FALSE(tonvia::commands::ApplyDspReport(session.Model(), DSP_OUTPUT_CH_DISTORT, 0, &bad)
                     .Changed());

    session.Link().DisableQueue();
    EXPECT_FALSE(RequestDistortion(session, 5));
}

}  // namespace
