// The automatic-surround block as the virtual amplifier receives it after each kind of
// change; the custom EQ's step limits, and its reset and drags on the device.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "commands/command_codes.h"
#include "sim/virtual_amplifier.h"
#include "support/eq_commands.h"
#include "support/hex.h"
#include "tuning/cs_auto_edits.h"
#include "tuning/custom_eq_edits.h"
#include "tuning/edits.h"

namespace {

using namespace std::chrono_literals;
using namespace tonvia::tuning;
using testing_support::ToHex;

struct Rig {
    Rig() {
        session.Link().OpenHIDDevice();
        session.Link().EnableQueue();
    }
    ~Rig() { session.Link().CloseHIDDevice(false); }

    void WaitForQueue() {
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (!session.Link().IsQueueIdle() && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(2ms);
        }
        EXPECT_TRUE(session.Link().IsQueueIdle());
    }

    // The EQ commands the device received since the last call, as "channel.band".
    std::vector<std::string> EqSent() {
        WaitForQueue();
        return testing_support::TakeEqCommands(amp);
    }

    tonvia::sim::VirtualAmplifier amp;
    Session session{amp};
};

// Nine little-endian floats, all 0.0 but value `n`.
std::string Floats(int n = -1, const std::string& bytes = {}) {
    std::string text;
    for (int i = 0; i < kCsAutoValues; ++i) {
        text += i == n ? bytes : std::string(" 00 00 00 00");
    }
    return text;
}

constexpr char kHead[] = "5a";
constexpr char kNoFlags[] = " 00 00 00 00 00 00 00 00 00 00 00";
constexpr char kNoSelectors[] = " 00 00 00 00";

TEST(CsAutoEdits, EachChangeQueuesTheWholeBlockByteForByte) {
    Rig rig;
    const SliderRange slider{0, 200};
    std::string allOne;
    for (int i = 0; i < kCsAutoValues; ++i) {
        allOne += " 00 00 80 3f";
    }
    struct Case {
        const char* name;
        std::function<void(Session&, CsAutoSetting&)> change;
        std::string sent;  // the block on the device; empty: nothing sent
    };
    const Case cases[] = {
        {"option 3 on", [](Session& s, CsAutoSetting& b) { SetCsAutoFlag(s, b, 3, true); },
         std::string(kHead) + " 00 00 00 01 00 00 00 00 00 00 00" + Floats() + kNoSelectors},
        {"2.5 typed on a 0..200 slider is stored as 2.0",
         [&](Session& s, CsAutoSetting& b) {
             const float stored = CommitCsAutoText(s, b, 2, "2.5", slider);
             EXPECT_EQ(CsAutoValueText(stored), "2.000");
         },
         std::string(kHead) + kNoFlags + Floats(2, " 00 00 00 40") + kNoSelectors},
        {"slider of value 8 at 150",
         [](Session& s, CsAutoSetting& b) { TakeCsAutoSlider(s, b, 8, 150); },
         std::string(kHead) + kNoFlags + Floats(8, " 00 00 c0 3f") + kNoSelectors},
        {"subwoofer item 7",
         [](Session& s, CsAutoSetting& b) {
             SetCsAutoSelector(s, b, CsAutoSelector::Subwoofer, 7);
         },
         std::string(kHead) + kNoFlags + Floats() + " 00 00 00 07"},
        {"restore keeps byte 0",
         [](Session& s, CsAutoSetting& b) { EXPECT_TRUE(RestoreCsAuto(s, b, {})); },
         std::string(kHead) + " 01 01 01 01 01 01 01 01 01 01 01" + allOne + " 00 05 05 05"},
        {"restore declined",
         [](Session& s, CsAutoSetting& b) {
             EXPECT_FALSE(RestoreCsAuto(s, b, [](std::string_view) { return false; }));
         },
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rig.amp.ClearRequests();
        CsAutoSetting block;
        block.bytes[0] = 0x5a;
        c.change(rig.session, block);
        rig.WaitForQueue();
        std::string sent;
        for (const auto& r : rig.amp.Requests()) {
            if (r.type == CMD_DSP && r.subcmd == DSP_CS_AUTO_SETTING) {
                EXPECT_TRUE(sent.empty()) << "sent twice";
                sent = ToHex(r.data);
            }
        }
        EXPECT_EQ(sent, c.sent);
        if (!c.sent.empty()) {
            EXPECT_EQ(ToHex(rig.amp.Snapshot().surroundBlock), c.sent);
        }
    }
    EXPECT_EQ(StepCsAutoSlider(199, true, slider), 200);
    EXPECT_EQ(StepCsAutoSlider(200, true, slider), std::nullopt);
    EXPECT_EQ(StepCsAutoSlider(0, false, slider), std::nullopt);
}

TEST(CustomEqEdits, QStepsStopAWholeStepBeforeEitherEnd) {
    EXPECT_EQ(StepCustomEqQ(8.96, true), std::nullopt);
    EXPECT_EQ(StepEqQ(8.96, true), 9.0);  // the main page's step goes on
    EXPECT_NEAR(StepCustomEqQ(8.95, true).value_or(0.0), 9.0, 1e-9);
    EXPECT_EQ(StepCustomEqQ(0.54, false), std::nullopt);
    EXPECT_EQ(StepCustomEqGain(11.995f, true), std::nullopt);
}

TEST(CustomEqEdits, ResetAndDragsReachTheUpperBandsOfTheCurrentChannel) {
    Rig rig;
    SceneConfig& live = rig.session.Model().live;
    live.currOutChannel = 2;
    EXPECT_TRUE(ResetCustomEq(rig.session, {}));
    const std::vector<std::string> reset = rig.EqSent();
    ASSERT_EQ(reset.size(), 20u);
    EXPECT_EQ(reset.front(), "2.11");
    EXPECT_EQ(reset.back(), "2.30");
    EXPECT_EQ(CustomEqBand(live, 19), (EqBand{0.0f, 5.8f, 1600, 1}));
    const auto device = rig.amp.Snapshot().scenes[0].eq[2][30];
    EXPECT_EQ(device.freq, 1600);
    EXPECT_EQ(device.qHundredths, 580);
    EXPECT_EQ(device.gainTenths, 180);  // 0 dB

    const EqBand dragged{4.5f, 2.0f, 125, 1};
    EXPECT_FALSE(ApplyCustomEqDrag(rig.session, -1, dragged));  // the press hit no band
    EXPECT_FALSE(ApplyCustomEqDrag(rig.session, 20, dragged));
    EXPECT_TRUE(rig.EqSent().empty());
    EXPECT_TRUE(ApplyCustomEqDrag(rig.session, 0, dragged));
    EXPECT_EQ(rig.EqSent(), std::vector<std::string>{"2.11"});
    EXPECT_EQ(live.channels[2].eqArray[11], dragged);
    EXPECT_EQ(rig.amp.Snapshot().scenes[0].eq[2][11].gainTenths, 180 + 45);
}

}  // namespace
