// Single parameters between records and the amplifier, and the undo history over them,
// against the virtual amplifier.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "commands/command_codes.h"
#include "session_fixture.h"
#include "tuning/connection.h"
#include "tuning/edit_history.h"
#include "tuning/edits.h"
#include "tuning/parameter_sync.h"

namespace {

using namespace std::chrono_literals;
using namespace tonvia::tuning;

class History : public tuning_testing::SessionTest {
  protected:
    int SentOf(std::uint8_t code) {
        int count = 0;
        for (const auto& request : amp.Requests()) {
            count += request.type == CMD_DSP && request.subcmd == code ? 1 : 0;
        }
        return count;
    }
    // What the amplifier holds, as the connection's read brings it into a fresh record.
    SceneConfig ReadBack() {
        WaitIdle();
        session.Link().DisableQueue();
        Live() = SceneConfig{};
        const StateReadResult read = ReadLiveState(session.Link(), PlanStateRead(session.Model()));
        session.ProcessReports();
        session.Link().EnableQueue();
        EXPECT_EQ(read.answered, read.requests);
        return Live();
    }
};

TEST_F(History, TwoRecordsOneBandApartDifferInOneNamedParameter) {
    SceneConfig a;
    SceneConfig b = a;
    b.channels[1].eqArray[6].gain = -2.5f;
    // Identity, versions and the clipping indicators are no part of a tuning.
    b.mainVersion = 9;
    b.outDistort[0][3] = 1;
    b.lastSoloChannel = 4;
    const auto rows = TuningDifferences(a, b);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(ParameterName(rows[0]), "ch 2 band 7 eq.gain");
    EXPECT_EQ(rows[0].before, 0.0);
    EXPECT_EQ(rows[0].after, -2.5);

    // The band's three values travel in one command.
    b.channels[1].eqArray[6].freq = 1234;
    b.channels[1].eqArray[6].q = 2.5f;
    WriteParameters(session, b, TuningDifferences(Live(), b));
    WaitIdle();
    EXPECT_EQ(SentOf(DSP_EQ_CH), 1);
    const auto band = amp.Snapshot().scenes[0].eq[1][6];
    EXPECT_EQ(band.freq, 1234);
    EXPECT_EQ(band.qHundredths, 250);
    EXPECT_EQ(band.gainTenths, 155);
}

// Every kind of parameter a profile or an undo may carry reaches the amplifier: read back,
// the amplifier's record equals the one written.
TEST_F(History, WrittenParametersOfEveryKindReadBackEqual) {
    const SceneConfig start = Live();
    SceneConfig b = start;
    b.mainVolume = -20;
    b.mainVolumeMute = 1;
    b.ampOn = 0;
    b.rem_out2 = 0;
    b.spk_ohm = 0;
    b.noise_gate = 1;
    b.bridgeOutputs[2] = 1;
    b.channels[0].gain = -7.5f;
    b.channels[1].mute = 1;
    b.channels[2].delay = 1.25f;
    b.channels[3].phase = 1;
    b.channels[4].solo = 1;
    b.channels[5].bypass = 1;
    b.channels[2].crossover.hp.fs = 120;
    b.channels[2].crossover.hp.SetSlope(4);
    b.channels[3].crossover.lp.type = 3;
    b.channels[0].eqArray[30].gain = 4.0f;
    b.outputs[1] = 0;
    b.inputs[5][2] = 0x5;  // input 1 routed as well, at full level as routing sets it
    b.inputMixVolume[5][0][2] = 100;
    b.inputMixVolume[5][1][3] = 40;
    b.csmViceSource[0][1] = 2;
    b.csmViceGain[0][1] = -10;
    b.inputThreshold = -50;
    // Not part of the connection's read (the bridge report is not taken either): looked at
    // on the amplifier itself.
    b.compThreshold[2] = 20.5f;
    b.mic_volume = 30;
    b.inMixPhase[0][1] = 1;
    const auto rows = TuningDifferences(start, b);
    const EditResult shown = WriteParameters(session, b, rows);
    EXPECT_TRUE(shown.levels.Has(0) && shown.bridges && shown.routing && shown.switches);
    EXPECT_EQ(Live(), b);

    WaitIdle();
    const tonvia::sim::DeviceState device = amp.Snapshot();
    EXPECT_EQ(device.scenes[0].compressor[2].thresholdTenths, 1205);
    EXPECT_EQ(device.karaoke[0], 30);
    EXPECT_EQ(device.scenes[0].inputPhase[0][1], 1);
    EXPECT_EQ(device.scenes[0].bridge[2], 1);

    const SceneConfig read = ReadBack();
    std::vector<std::string> differ;
    for (const ParameterChange& change : TuningDifferences(b, read)) {
        if (!change.field.starts_with("comp") && change.field != "mic_volume" &&
            change.field != "inMixPhase" && change.field != "bridgeOutputs") {
            differ.push_back(ParameterName(change));
        }
    }
    EXPECT_TRUE(differ.empty()) << (differ.empty() ? "" : differ.front());
}

TEST_F(History, GesturesMakeOneEntryUntilTheyEndOrPause) {
    // Each case: the gesture of each edit (an edit moves the level by 1 dB) with its time,
    // whether it ends, and the entries left.
    struct Edit {
        const char* gesture;
        std::int64_t ms;
        bool ends = false;
        bool untilEnd = false;
    };
    struct Case {
        const char* what;
        std::vector<Edit> edits;
        std::size_t entries;
    };
    const Case cases[] = {
        {"a held key", {{"key", 0}, {"key", 50}, {"key", 100}}, 1},
        {"two clicks apart", {{"key", 0}, {"key", 2000}}, 2},
        {"a slow drag", {{"drag", 0, false, true}, {"drag", 3000}, {"drag", 6000, true}}, 1},
        {"after its release", {{"drag", 0, true, true}, {"drag", 10}}, 2},
        {"other controls", {{"a", 0}, {"b", 10}, {"a", 20}}, 3},
        {"no gesture", {{"", 0}, {"", 10}}, 2},
    };
    for (const Case& c : cases) {
        EditHistory history;
        SceneConfig record;
        for (const Edit& e : c.edits) {
            const SceneConfig before = record;
            record.channels[0].gain -= 1.0f;
            history.Record("level", e.gesture, before, record, e.ms, e.ends, e.untilEnd);
        }
        EXPECT_EQ(history.UndoCount(), c.entries) << c.what;
    }

    // A gesture brought back to where it started leaves nothing to undo.
    EditHistory history;
    SceneConfig a;
    SceneConfig b = a;
    b.channels[0].gain = -3.0f;
    history.Record("level", "drag", a, b, 0, false, true);
    history.Record("level", "drag", b, a, 10, true);
    EXPECT_FALSE(history.CanUndo());
}

TEST_F(History, UndoRestoresAGroupOfThreeOnTheAmplifierAndANewEditDropsRedo) {
    EditHistory history(3);
    Live().linkSel = {1, 1, 1, 0, 0, 0};
    const auto step = [&](int ch) {
        const SceneConfig before = Live();
        StepChVolume(session, ch, false);
        history.Record("step", {}, before, Live(), 0);
    };
    step(0);
    WaitIdle();
    const auto trims = [&] {
        WaitIdle();
        const auto t = amp.Snapshot().scenes[0].trimHundredths;
        return std::vector<int>{t[0], t[1], t[2], t[3]};
    };
    EXPECT_EQ(trims(), (std::vector<int>{50, 50, 50, 0}));
    history.Undo(session);
    EXPECT_EQ(trims(), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(Live().channels[2].gain, 0.0f);
    history.Redo(session);
    EXPECT_EQ(trims(), (std::vector<int>{50, 50, 50, 0}));

    history.Undo(session);
    step(3);
    EXPECT_FALSE(history.CanRedo());
    // The oldest entries go beyond the capacity.
    step(3);
    step(3);
    step(3);
    EXPECT_EQ(history.UndoCount(), 3u);

    // Disconnected, undo works on the model alone.
    session.Link().CloseHIDDevice(false);
    history.Undo(session);
    EXPECT_EQ(Live().channels[3].gain, -1.5f);
}

}  // namespace
