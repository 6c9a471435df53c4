// The EQ band and crossover edits against the virtual amplifier.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "commands/command_codes.h"
#include "sim/virtual_amplifier.h"
#include "tuning/edits.h"

namespace {

using namespace std::chrono_literals;
using namespace tonvia::tuning;

using Trace = std::vector<std::string>;

struct Rig {
    Rig() {
        session.Link().OpenHIDDevice();
        session.Link().EnableQueue();
    }
    ~Rig() { session.Link().CloseHIDDevice(false); }

    SceneConfig& Live() { return session.Model().live; }
    EqBand& Band(int ch, int band) {
        return Live()
            .channels[static_cast<std::size_t>(ch)]
            .eqArray[static_cast<std::size_t>(band)];
    }
    // Channel 0 current, 2 and 4 its synchronise group, 1 its pair (bridged).
    void GroupOfThreeWithPair() {
        Live().linkSel = {1, 0, 1, 0, 1, 0};
        Live().bridgeOutputs[0] = 1;
    }

    // The EQ and filter commands written since the last call, once the queue is empty:
    // "eq 0.3" (channel.band), "bypass 0=1", "hp 2", "lp 2", "reset 0 1".
    Trace Sent() {
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (!session.Link().IsQueueIdle() && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(2ms);
        }
        EXPECT_TRUE(session.Link().IsQueueIdle());
        Trace trace;
        for (const auto& r : amp.Requests()) {
            if (r.type != CMD_DSP || r.optype != OP_SET || r.data.size() < 4) {
                continue;
            }
            const std::string ch = std::to_string(r.data[2]);
            if (r.subcmd == DSP_EQ_CH) {
                trace.push_back("eq " + ch + "." + std::to_string(r.data[3]));
            } else if (r.subcmd == DSP_EQ_BYPASS) {
                trace.push_back("bypass " + ch + "=" + std::to_string(r.data[4]));
            } else if (r.subcmd == DSP_FILTER_SET) {
                trace.push_back((r.data[3] == 2 ? "hp " : "lp ") + ch);
            } else if (r.subcmd == DSP_EQ_RESET) {
                std::string line = "reset";
                for (std::size_t i = 3; i < r.data.size(); ++i) {
                    line += " " + std::to_string(r.data[i]);
                }
                trace.push_back(line);
            }
        }
        amp.ClearRequests();
        return trace;
    }
    // Gain of a band on the device, in tenths of a dB.
    int DeviceGain(int ch, int band) {
        const tonvia::sim::DeviceState device = amp.Snapshot();
        return device.scenes[0]
                   .eq[static_cast<std::size_t>(ch)][static_cast<std::size_t>(band)]
                   .gainTenths -
               180;
    }

    tonvia::sim::VirtualAmplifier amp;
    Session session{amp};
};

TEST(EqEdits, AChannelWithoutGainIsBypassedAutomatically) {
    struct Gain {
        int band;
        float gain;
        std::uint8_t enable = 1;
    };
    struct Case {
        const char* name;
        std::vector<Gain> before;
        int band;
        float gain;
        std::uint8_t bypass;
    };
    const Case cases[] = {
        {"last gain to 0 dB", {{2, 3.0f}}, 2, 0.0f, 1},
        {"0.5 dB left elsewhere", {{2, 3.0f}, {7, 0.5f}}, 2, 0.0f, 0},
        {"0.5 dB alone", {}, 4, 0.5f, 0},
        {"less than 0.01 dB left", {{2, 3.0f}, {7, 0.005f}}, 2, 0.0f, 1},
        {"a switched-off band keeps its gain", {{2, 3.0f}, {7, -4.0f, 0}}, 2, 0.0f, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        for (const Gain& g : c.before) {
            rig.Band(0, g.band).gain = g.gain;
            rig.Band(0, g.band).enable = g.enable;
        }
        const EditResult r = ApplyEqBand(rig.session, c.band, c.gain, 2.0f, 500, BandPath::Slider);
        const std::string band = "eq 0." + std::to_string(c.band);
        EXPECT_EQ(rig.Sent(), (c.bypass ? Trace{"bypass 0=1", band} : Trace{band}));
        EXPECT_EQ(rig.Live().channels[0].bypass, c.bypass);
        EXPECT_EQ(rig.amp.Snapshot().scenes[0].peqBypass[0], c.bypass);
        EXPECT_EQ(r.bypass.Has(0), c.bypass == 1);
    }
}

TEST(EqEdits, AGainGivenToABypassedChannelClearsItsOldGainsAndTheBypass) {
    Rig rig;
    ApplyEqBand(rig.session, 1, 4.0f, 2.0f, 100, BandPath::Text);
    SetOutputBypass(rig.session, {});
    ASSERT_EQ(rig.Live().channels[0].bypass, 1);
    rig.Sent();

    ApplyEqBand(rig.session, 5, 2.0f, 2.0f, 800, BandPath::Slider);
    EXPECT_EQ(rig.Sent(), (Trace{"eq 0.1", "bypass 0=0", "eq 0.5"}));
    EXPECT_EQ(rig.Band(0, 1).gain, 0.0f);
    EXPECT_EQ(rig.Live().channels[0].bypass, 0);
    EXPECT_EQ(rig.DeviceGain(0, 1), 0);
    EXPECT_EQ(rig.DeviceGain(0, 5), 20);
}

TEST(EqEdits, DragsSendTheCurrentChannelTwiceASecondAndTheGroupEveryMove) {
    Rig rig;
    rig.GroupOfThreeWithPair();
    int moves = 0;
    for (std::int64_t t = 0; t <= 2000; t += 50, ++moves) {
        ApplyEqBand(rig.session, 4, 1.0f + 0.1f * static_cast<float>(moves), 2.0f, 400,
                    BandPath::Drag, false, t);
    }
    ApplyEqBand(rig.session, 4, -3.0f, 2.0f, 400, BandPath::Drag, true, 2050);
    const Trace sent = rig.Sent();
    // t = 0, 500, 1000, 1500, 2000 and the release.
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "eq 0.4"), 6);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "eq 1.4"), 6);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "eq 2.4"), moves + 1);
    for (const int ch : {0, 1, 2, 4}) {
        EXPECT_EQ(rig.DeviceGain(ch, 4), -30) << ch;
    }

    // The handles share the clock with the bands, and only the range limits them.
    rig.Live().channels[0].crossover.lp.SetFs(3000);
    DragCrossover(rig.session, true, 30000, false, 2100);
    EXPECT_EQ(rig.Live().channels[0].crossover.hp.fs, 20000);
    EXPECT_EQ(rig.Sent(), Trace{});
    DragCrossover(rig.session, true, 30000, true, 2150);
    EXPECT_EQ(rig.Sent(), (Trace{"hp 0", "hp 2", "hp 4", "hp 1"}));
    EXPECT_EQ(rig.amp.Snapshot().scenes[0].highPass[4].freq, 20000);
}

TEST(EqEdits, TypedCrossoverFrequenciesAreLimitedByTheOtherFilter) {
    struct Case {
        bool highPass;
        int other;
        int typed;
        int stored;
    };
    const Case cases[] = {
        {true, 3000, 5000, 3000}, {true, 3000, 25000, 3000}, {true, 20000, 25000, 20000},
        {true, 3000, 5, 20},      {false, 200, 100, 200},    {false, 200, 25000, 20000},
    };
    Rig rig;
    rig.GroupOfThreeWithPair();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.typed) + (c.highPass ? " hp" : " lp"));
        Crossover& x = rig.Live().channels[0].crossover;
        (c.highPass ? x.lp : x.hp).SetFs(c.other);
        const EditResult r =
            c.highPass ? SetHpFreq(rig.session, c.typed) : SetLpFreq(rig.session, c.typed);
        const std::string kind = c.highPass ? "hp " : "lp ";
        EXPECT_EQ(rig.Sent(), (Trace{kind + "2", kind + "4", kind + "0", kind + "1"}));
        for (const int ch : {0, 1, 2, 4}) {
            const Crossover& y = rig.Live().channels[static_cast<std::size_t>(ch)].crossover;
            EXPECT_EQ((c.highPass ? y.hp : y.lp).fs, c.stored) << ch;
            EXPECT_TRUE(r.crossovers.Has(ch)) << ch;
        }
        const tonvia::sim::DeviceState snapshot = rig.amp.Snapshot();
        const auto& device = snapshot.scenes[0];
        EXPECT_EQ((c.highPass ? device.highPass : device.lowPass)[0].freq, c.stored);
    }
}

TEST(EqEdits, LinkwitzRileyMovesAnOddSlopeUpToTheNextEvenOne) {
    Rig rig;
    rig.GroupOfThreeWithPair();
    for (OutChannel& ch : rig.Live().channels) {
        ch.crossover.hp = ch.crossover.lp = FilterSetting{};
    }
    SetHpSlope(rig.session, 3);
    SetLpSlope(rig.session, 7);
    rig.Sent();

    SetHpType(rig.session, kFilterLinkwitzRiley);
    SetLpType(rig.session, kFilterLinkwitzRiley);
    Trace expected;  // each filter's slope, then its type
    for (const std::string kind : {"hp ", "hp ", "lp ", "lp "}) {
        for (const char* ch : {"2", "4", "0", "1"}) {
            expected.push_back(kind + ch);
        }
    }
    EXPECT_EQ(rig.Sent(), expected);
    for (const int ch : {0, 1, 2, 4}) {
        const Crossover& x = rig.Live().channels[static_cast<std::size_t>(ch)].crossover;
        EXPECT_EQ(x.hp.slope, 4) << ch;
        EXPECT_EQ(x.lp.slope, 8) << ch;
        EXPECT_EQ(x.hp.type, kFilterLinkwitzRiley) << ch;
    }
    const tonvia::sim::DeviceState snapshot = rig.amp.Snapshot();
    const auto& device = snapshot.scenes[0];
    EXPECT_EQ(device.highPass[0].slope, 4);
    EXPECT_EQ(device.highPass[0].type, kFilterLinkwitzRiley);
    EXPECT_EQ(device.lowPass[1].slope, 8);
}

TEST(EqEdits, ArgumentsOutOfRangeAreRefused) {
    struct Case {
        const char* name;
        EditResult (*edit)(Session&);
    };
    const Case cases[] = {
        {"band beyond eqSize",
         [](Session& s) { return ApplyEqBand(s, 11, 1.0f, 2.0f, 500, BandPath::Slider); }},
        {"enable band -1", [](Session& s) { return OnEqEnable(s, -1); }},
        {"step band beyond eqSize",
         [](Session& s) { return StepEqBand(s, 11, BandField::Gain, true); }},
        {"type 4", [](Session& s) { return SetLpType(s, 4); }},
        {"slope 9", [](Session& s) { return SetHpSlope(s, 9); }},
        {"slope -1", [](Session& s) { return SetLpSlope(s, -1); }},
    };
    Rig rig;
    rig.Live().channels[0].eqSize = 11;
    const ModelSet before = rig.session.Model();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(c.edit(rig.session).refused);
        EXPECT_EQ(rig.session.Model(), before);
        EXPECT_EQ(rig.Sent(), Trace{});
    }
}

TEST(EqEdits, EqResetOfAGroupSendsEveryBandThenTheDeviceResetLast) {
    Rig rig;
    rig.GroupOfThreeWithPair();
    for (const int ch : {0, 1, 2, 4}) {
        rig.Band(ch, 3).gain = 5.0f;
    }
    rig.Live().channels[2].bypass = 1;
    const ModelSet before = rig.session.Model();
    EXPECT_FALSE(SetOutputEqReset(rig.session, [](std::string_view) { return false; }).Changed());
    EXPECT_EQ(rig.session.Model(), before);

    std::string asked;
    SetOutputEqReset(rig.session, [&](std::string_view key) {
        asked = key;
        return true;
    });
    EXPECT_EQ(asked, "${reset_all_eq_tips}");
    Trace expected;
    for (const int ch : {0, 2, 4}) {
        for (int band = 0; band < kEqBandCount; ++band) {
            expected.push_back("eq " + std::to_string(ch) + "." + std::to_string(band));
        }
    }
    expected.push_back("reset 0 1");
    EXPECT_EQ(rig.Sent(), expected);
    for (const int ch : {0, 1, 2, 4}) {
        EXPECT_EQ(rig.Live().channels[static_cast<std::size_t>(ch)].eqArray,
                  OutChannel::DefaultBands())
            << ch;
    }
    EXPECT_EQ(rig.Live().channels[2].bypass, 1);
}

TEST(EqEdits, SwitchingABandOffAndOnAgainGivesItsGainBack) {
    Rig rig;
    rig.Live().linkSel = {1, 0, 1, 0, 0, 0};
    ApplyEqBand(rig.session, 3, 6.0f, 2.0f, 250, BandPath::Text);
    rig.Sent();

    OnEqEnable(rig.session, 3);
    EXPECT_EQ(rig.Sent(), (Trace{"eq 0.3", "eq 2.3"}));
    for (const int ch : {0, 2}) {
        EXPECT_EQ(rig.Band(ch, 3).enable, 0) << ch;
        EXPECT_EQ(rig.Band(ch, 3).gain, 6.0f) << ch;
        EXPECT_EQ(rig.DeviceGain(ch, 3), 0) << ch;
    }
    OnEqEnable(rig.session, 3);
    rig.Sent();
    for (const int ch : {0, 2}) {
        EXPECT_EQ(rig.Band(ch, 3).enable, 1) << ch;
        EXPECT_EQ(rig.DeviceGain(ch, 3), 60) << ch;
    }
}

TEST(EqEdits, StepsStartFromWhatThePageShows) {
    struct Case {
        const char* name;
        EqBand before;
        std::uint8_t bypass;
        BandField field;
        bool up;
        EqBand after;  // unchanged and nothing sent when equal to `before`
    };
    // clang-format off
    const Case cases[] = {
        {"switched-off band", {5.0f, 2.0f, 1000, 0}, 0, BandField::Gain, true, {0.1f, 2.0f, 1000, 1}},
        {"bypassed channel", {5.0f, 2.0f, 1000, 1}, 1, BandField::Gain, false, {-0.1f, 2.0f, 1000, 1}},
        {"gain at the top", {12.0f, 2.0f, 1000, 1}, 0, BandField::Gain, true, {12.0f, 2.0f, 1000, 1}},
        {"Q", {1.0f, 5.8f, 1000, 1}, 0, BandField::Q, true, {1.0f, 5.85f, 1000, 1}},
        {"frequency", {1.0f, 2.0f, 1000, 1}, 0, BandField::Freq, false, {1.0f, 2.0f, 957, 1}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.Band(0, 6) = c.before;
        rig.Live().channels[0].bypass = c.bypass;
        StepEqBand(rig.session, 6, c.field, c.up);
        const EqBand& now = rig.Band(0, 6);
        EXPECT_NEAR(now.gain, c.after.gain, 1e-4);
        EXPECT_NEAR(now.q, c.after.q, 1e-4);
        EXPECT_EQ(now.freq, c.after.freq);
        EXPECT_EQ(now.enable, c.after.enable);
        EXPECT_EQ(rig.Live().channels[0].bypass, 0);
        const bool moved = !(c.before == c.after);
        EXPECT_EQ(rig.Sent().empty(), !moved);
    }
}

TEST(EqEdits, BypassAsksOnlyWhenGainsWouldBeHiddenOrShown) {
    struct Case {
        const char* name;
        float gain;
        std::uint8_t enable;
        std::uint8_t bypass;
        bool answer;
        const char* asked;
        std::uint8_t after;
    };
    const Case cases[] = {
        {"shown gains, confirmed", 3.0f, 1, 0, true, "${bypass_all_eq_tips}", 1},
        {"shown gains, declined", 3.0f, 1, 0, false, "${bypass_all_eq_tips}", 0},
        {"hidden gains, confirmed", 3.0f, 1, 1, true, "${restore_all_eq_tips}", 0},
        {"hidden gains, declined", 3.0f, 1, 1, false, "${restore_all_eq_tips}", 1},
        {"all gains 0", 0.0f, 1, 1, false, "", 0},
        {"only a switched-off band's gain", 3.0f, 0, 1, false, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.Live().bridgeOutputs[0] = 1;
        rig.Band(0, 9) = {c.gain, 2.0f, 1000, c.enable};
        for (const int ch : {0, 1}) {
            rig.Live().channels[static_cast<std::size_t>(ch)].bypass = c.bypass;
        }
        std::string asked;
        SetOutputBypass(rig.session, [&](std::string_view key) {
            asked = key;
            return c.answer;
        });
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(rig.Live().channels[1].bypass, c.after);
        const std::string value = std::to_string(c.after);
        const bool done = c.answer || asked.empty();
        EXPECT_EQ(rig.Sent(), (done ? Trace{"bypass 0=" + value, "bypass 1=" + value} : Trace{}));
    }
}

}  // namespace
