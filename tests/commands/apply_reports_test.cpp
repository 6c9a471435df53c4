// Device reports into the model: which record a report reaches, what is ignored, the value
// conversions, the rules that touch more than one field, and what is left for the page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "commands/apply_reports.h"
#include "commands/command_codes.h"
#include "commands/reply_records.h"
#include "link/mcu_records.h"
#include "support/log_capture.h"

using namespace tonvia::commands;
using testing_support::LogCapture;

namespace {

template <class Record>
std::unique_ptr<Record> Make(int scene, int channel) {
    auto r = std::make_unique<Record>();
    r->scene = scene;
    r->channel = channel;
    return r;
}

class ApplyTest : public testing::Test {
  protected:
    ReportChange Dsp(unsigned code, std::intptr_t value) {
        return ApplyDspReport(model, code, value, nullptr);
    }
    ReportChange Dsp(unsigned code, const MessageRecord& record) {
        return ApplyDspReport(model, code, 0, &record);
    }
    ReportChange Value(unsigned code, int scene, int channel, int value) {
        auto r = Make<ChValueRec>(scene, channel);
        r->value = value;
        return Dsp(code, *r);
    }
    ReportChange Float(unsigned code, int scene, int channel, float value) {
        auto r = Make<ChFloatRec>(scene, channel);
        r->value = value;
        return Dsp(code, *r);
    }
    ReportChange Link(int scene, int link) {
        LinkRec r;
        r.scene = scene;
        r.link = link;
        return Dsp(DSP_CH_LINK, r);
    }
    ReportChange Lock(int scene, int lock) {
        LockRec r;
        r.scene = scene;
        r.lock = lock;
        return Dsp(DSP_CH_LOCK, r);
    }
    OutChannel& LiveCh(int ch) { return model.live.channels.at(static_cast<std::size_t>(ch)); }
    OutChannel& StoredCh(int scene, int ch) {
        return model.Scene(scene)->channels.at(static_cast<std::size_t>(ch));
    }

    ModelSet model;
};

// ---- Scene and channel routing ----

// A non-default report of `code` for one scene and channel.
std::unique_ptr<MessageRecord> RoutedRecord(unsigned code, int s, int c) {
    switch (code) {
        case DSP_FILTER_SET: {
            auto r = Make<FilterRec>(s, c);
            r->hp_type = 2, r->hp_freq = 99, r->hp_slope = 3;
            return r;
        }
        case DSP_EQ_CH: {
            auto r = Make<EqBandRec>(s, c);
            r->band = 3, r->freq = 123, r->Q = 2.5f, r->gain = -4.5f;
            return r;
        }
        case DSP_DELAY_CH:
        case DSP_TRIM_CH: {
            auto r = Make<ChFloatRec>(s, c);
            r->value = code == DSP_DELAY_CH ? 3.25f : -7.5f;
            return r;
        }
        case DSP_PHASE_CH: {
            auto r = Make<ChPhaseRec>(s, c);
            r->phase = 1;
            return r;
        }
        case DSP_MIX_CH: {
            auto r = Make<MixChRec>(s, c);
            r->source = 3, r->mask = 0xC;
            return r;
        }
        case DSP_CROSS_SOURCE_MIX: {
            auto r = std::make_unique<CrossMixRec>();
            r->scene = static_cast<std::uint8_t>(s), r->channel = static_cast<std::uint8_t>(c);
            r->source = 2, r->viceSource = 7, r->viceGain = 40;
            return r;
        }
        default: {  // mute, channel type, EQ bypass, solo, compressor on
            auto r = Make<ChValueRec>(s, c);
            r->value = 20;
            return r;
        }
    }
}

class SceneRoutingTest : public ApplyTest, public testing::WithParamInterface<unsigned> {
  protected:
    ReportChange Report(int scene, int channel) {
        return Dsp(GetParam(), *RoutedRecord(GetParam(), scene, channel));
    }
};

TEST_P(SceneRoutingTest, SceneZeroWritesOnlyTheLiveRecord) {
    const ModelSet before = model;
    const ReportChange change = Report(0, 1);
    EXPECT_TRUE(change.Changed());
    EXPECT_EQ(change.scene, 0);
    EXPECT_EQ(change.channel, 1);
    EXPECT_NE(model.live, before.live);
    EXPECT_EQ(model.stored, before.stored);
}

TEST_P(SceneRoutingTest, AStoredSceneWritesOnlyItsRecordAndAsksNothingOfThePage) {
    const ModelSet before = model;
    const ReportChange change = Report(4, 2);
    EXPECT_TRUE(change.Changed());
    EXPECT_EQ(change.scene, 4);
    EXPECT_EQ(change.actions, 0u);
    EXPECT_EQ(model.live, before.live);
    for (int k = 1; k <= kStoredSceneCount; ++k) {
        if (k == 4) {
            EXPECT_NE(*model.Scene(k), *ModelSet(before).Scene(k));
        } else {
            EXPECT_EQ(*model.Scene(k), *ModelSet(before).Scene(k)) << "scene " << k;
        }
    }
}

TEST_P(SceneRoutingTest, AHigherSceneOrAChannelOutsideTheOutputsChangesNothing) {
    const ModelSet before = model;
    for (const auto& [scene, channel] :
         std::vector<std::pair<int, int>>{{11, 0}, {255, 0}, {-1, 0}, {0, 6}, {0, -1}, {3, 15}}) {
        const ReportChange change = Report(scene, channel);
        EXPECT_EQ(change.field, ModelField::None) << scene << "/" << channel;
    }
    EXPECT_EQ(model, before);
}

INSTANTIATE_TEST_SUITE_P(RecordReports, SceneRoutingTest,
                         testing::Values(DSP_FILTER_SET, DSP_EQ_CH, DSP_DELAY_CH, DSP_TRIM_CH,
                                         DSP_MUTE_CH, DSP_PHASE_CH, DSP_MIX_CH, DSP_CH_TYPE,
                                         DSP_EQ_BYPASS, DSP_CH_SOLO, DSP_COMPRESSOR_ON_CH,
                                         DSP_CROSS_SOURCE_MIX));

TEST_F(ApplyTest, AMissingOrForeignRecordChangesNothing) {
    const ModelSet before = model;
    EXPECT_EQ(Dsp(DSP_EQ_CH, 0).field, ModelField::None);
    EXPECT_EQ(Dsp(DSP_EQ_CH, *Make<ChValueRec>(0, 0)).field, ModelField::None);
    EXPECT_EQ(ApplyMcuReport(model, MCU_HANDSHAKE, 0, nullptr, true).field, ModelField::None);
    EXPECT_EQ(ApplySceneReport(model, FLASH_SCENE_NAME, nullptr).field, ModelField::None);
    EXPECT_EQ(model, before);
}

TEST_F(ApplyTest, CodesTheMainPageDoesNotKeepChangeNothing) {
    const ModelSet before = model;
    BridgeRec bridge;
    bridge.count = 3;
    bridge.bridge = {1, 1, 1};
    EXPECT_EQ(Dsp(DSP_OUPUT_BRIDGE, bridge).field, ModelField::None);
    for (const unsigned code :
         {DSP_SUBWOOFER_VOLUME, DSP_INPUT_TRIM_CH, DSP_CH_TRIM_LINK, DSP_SPK_CH_CONFIG,
          DSP_MIX_TYPE, DSP_MIX_SOURCE_SWITCH, std::uint8_t{0x99}}) {
        EXPECT_EQ(Dsp(code, 9).field, ModelField::None) << code;
    }
    EXPECT_EQ(model, before);
}

// ---- Single values ----

TEST_F(ApplyTest, SourceCodesOutsideTheTableSelectSourceFour) {
    for (const auto& [code, index] : std::vector<std::pair<int, int>>{
             {0x51, 0}, {0x55, 4}, {0x56, 5}, {0x59, 8}, {0x5A, 4}, {0x50, 4}, {0, 4}}) {
        model.live.inputSource = 7;
        const ReportChange change = Dsp(DSP_SOURCE_SWITCH, code);
        EXPECT_EQ(model.live.inputSource, index) << code;
        EXPECT_EQ(change.previous, 7);
        EXPECT_EQ(change.source, index);
    }
}

TEST_F(ApplyTest, MasterVolumeIsStoredAsReportedAndEndsThePoll) {
    LogCapture log;
    const ReportChange change = Dsp(DSP_VOLUME, -12);
    EXPECT_EQ(model.live.mainVolume, -12);
    EXPECT_TRUE(change.Has(kStopVolumePoll));
    EXPECT_EQ(log.Text(), "ReadDspValueCallback 0x02\nDSP_VOLUME -12 \nDSP_VOLUME -12 \n");
}

TEST_F(ApplyTest, SwitchReportsFollowTheirButtons) {
    Dsp(DSP_AMP_MUTE, 1);
    EXPECT_EQ(model.live.ampOn, 0);  // muted amplifier shows off
    Dsp(DSP_AMP_MUTE, 0);
    EXPECT_EQ(model.live.ampOn, 1);
    RemOutRec rem;
    rem.remOut1 = 0;
    rem.remOut2 = 2;
    Dsp(DSP_REM_OUT, rem);
    EXPECT_EQ(model.live.rem_out1, 0);
    EXPECT_EQ(model.live.rem_out2, 1);
    Dsp(DSP_SPK_OHM, 0);
    EXPECT_EQ(model.live.spk_ohm, 0);
    Dsp(DSP_NOISE_GATE, 3);
    EXPECT_EQ(model.live.noise_gate, 1);
}

TEST_F(ApplyTest, SwitchesMissingFromTheLayoutKeepTheirFixedValues) {
    model.controls = {false, false, false, false, false, false};
    Dsp(DSP_AMP_MUTE, 1);
    RemOutRec rem;
    Dsp(DSP_REM_OUT, rem);
    Dsp(DSP_SPK_OHM, 0);
    Dsp(DSP_NOISE_GATE, 1);
    EXPECT_EQ(model.live.ampOn, 1);
    EXPECT_EQ(model.live.rem_out1, 1);
    EXPECT_EQ(model.live.rem_out2, 1);
    EXPECT_EQ(model.live.spk_ohm, 1);
    EXPECT_EQ(model.live.noise_gate, 0);
}

TEST_F(ApplyTest, DspStatusAlwaysDisconnectsAndExplainsOnlyAnOffDsp) {
    EXPECT_EQ(Dsp(DSP_DSP_STATUS, 0).actions, kDisconnect | kShowDspIsOff);
    EXPECT_EQ(Dsp(DSP_DSP_STATUS, 1).actions, static_cast<unsigned>(kDisconnect));
}

// ---- Per-channel rules ----

TEST_F(ApplyTest, FilterValuesGoThroughTheSetters) {
    auto r = Make<FilterRec>(0, 2);
    r->hp_type = 0, r->hp_freq = 25000, r->hp_slope = -1;
    r->lp_type = 3, r->lp_freq = 8000, r->lp_slope = 4;
    Dsp(DSP_FILTER_SET, *r);
    const Crossover& x = LiveCh(2).crossover;
    EXPECT_EQ(x.hp.fs, 20);
    EXPECT_EQ(x.hp.type, 1);
    EXPECT_EQ(x.hp.slope, 0);
    EXPECT_EQ(x.hp.bypass, 1);
    EXPECT_EQ(x.lp.fs, 8000);
    EXPECT_EQ(x.lp.type, 3);
    EXPECT_EQ(x.lp.slope, 4);
    EXPECT_EQ(x.lp.bypass, 0);
}

TEST_F(ApplyTest, EqBandsBeyondTheChannelsBandCountAreIgnored) {
    auto band = [&](int scene, int index) {
        auto r = Make<EqBandRec>(scene, 0);
        r->band = index, r->freq = 777, r->Q = 1.5f, r->gain = 3.5f;
        return Dsp(DSP_EQ_CH, *r);
    };
    LiveCh(0).eqArray[30].enable = 0;
    EXPECT_EQ(band(0, 30).band, 30);
    EXPECT_EQ(LiveCh(0).eqArray[30], (EqBand{3.5f, 1.5f, 777, 1}));  // live enables
    EXPECT_EQ(band(0, 31).field, ModelField::None);
    EXPECT_EQ(band(0, -1).field, ModelField::None);

    LiveCh(0).eqSize = 11;
    EXPECT_EQ(band(0, 11).field, ModelField::None);
    EXPECT_TRUE(band(0, 10).Changed());
    LiveCh(0).eqSize = 500;  // a band count from a bad file never reaches past the array
    EXPECT_EQ(band(0, 31).field, ModelField::None);

    StoredCh(2, 0).eqArray[5].enable = 0;
    band(2, 5);
    EXPECT_EQ(StoredCh(2, 0).eqArray[5], (EqBand{3.5f, 1.5f, 777, 0}));  // stored keeps enable
}

TEST_F(ApplyTest, LiveTrimsTakeTheLevelSlidersSteps) {
    struct Case {
        float reported;
        float live;
    };
    for (const Case c : {Case{-12.5f, -12.5f}, Case{-1.51f, -1.5f}, Case{-1.56f, -1.6f},
                         Case{-70.0f, -60.0f}, Case{2.0f, 0.0f}, Case{0.0f, 0.0f}}) {
        const ReportChange change = Float(DSP_TRIM_CH, 0, 3, c.reported);
        EXPECT_FLOAT_EQ(LiveCh(3).gain, c.live) << c.reported;
        EXPECT_TRUE(change.Has(kSendTrim));
    }
    Float(DSP_TRIM_CH, 5, 3, -1.51f);
    EXPECT_FLOAT_EQ(StoredCh(5, 3).gain, -1.51f);  // a stored scene keeps the reported value
}

TEST_F(ApplyTest, LiveMuteFollowsIntoABridgedPartner) {
    model.live.bridgeOutputs = {0, 1, 0};
    const ReportChange bridged = Value(DSP_MUTE_CH, 0, 3, 1);
    EXPECT_EQ(LiveCh(3).mute, 1);
    EXPECT_EQ(LiveCh(2).mute, 1);
    EXPECT_EQ(bridged.partner, 2);
    EXPECT_TRUE(bridged.Has(kSendChannelMute));

    const ReportChange single = Value(DSP_MUTE_CH, 0, 0, 1);
    EXPECT_EQ(single.partner, -1);
    EXPECT_EQ(LiveCh(1).mute, 0);

    model.Scene(1)->bridgeOutputs = {0, 1, 0};
    Value(DSP_MUTE_CH, 1, 3, 1);
    EXPECT_EQ(StoredCh(1, 3).mute, 1);
    EXPECT_EQ(StoredCh(1, 2).mute, 0);
}

TEST_F(ApplyTest, LivePhaseIsOnOrOff) {
    auto phase = Make<ChPhaseRec>(0, 4);
    phase->phase = 5;
    LogCapture log;
    EXPECT_TRUE(Dsp(DSP_PHASE_CH, *phase).Has(kSendChannelPhase));
    EXPECT_EQ(LiveCh(4).phase, 1);
    EXPECT_EQ(log.Text(), "ReadDspValueCallback 0x0a\nchannel 4 phase seleted 1\n");
    phase->scene = 2;
    Dsp(DSP_PHASE_CH, *phase);
    EXPECT_EQ(StoredCh(2, 4).phase, 5);
}

class SoloTest : public ApplyTest {
  protected:
    std::array<int, kOutChannelCount> Solos() {
        std::array<int, kOutChannelCount> s{};
        for (int ch = 0; ch < kOutChannelCount; ++ch) {
            s[static_cast<std::size_t>(ch)] = LiveCh(ch).solo;
        }
        return s;
    }
};

TEST_F(SoloTest, SwitchingOnIsExclusiveAndSwitchingOffLeavesOthers) {
    Value(DSP_CH_SOLO, 0, 1, 1);
    EXPECT_EQ(Solos(), (std::array<int, 6>{0, 1, 0, 0, 0, 0}));
    Value(DSP_CH_SOLO, 0, 4, 1);
    EXPECT_EQ(Solos(), (std::array<int, 6>{0, 0, 0, 0, 1, 0}));
    Value(DSP_CH_SOLO, 0, 2, 0);
    EXPECT_EQ(Solos(), (std::array<int, 6>{0, 0, 0, 0, 1, 0}));
    EXPECT_TRUE(Value(DSP_CH_SOLO, 0, 4, 0).Has(kSendSolo));
    EXPECT_EQ(Solos(), (std::array<int, 6>{0, 0, 0, 0, 0, 0}));
}

TEST_F(SoloTest, APairSolosTogether) {
    model.live.bridgeOutputs = {1, 0, 0};
    Value(DSP_CH_SOLO, 0, 0, 1);
    EXPECT_EQ(Solos(), (std::array<int, 6>{1, 1, 0, 0, 0, 0}));

    model.live.bridgeOutputs = {0, 0, 0};
    model.live.linkMode = 1;
    model.live.linkOutputs = {2, -1, 0, -1, -1, -1};
    Value(DSP_CH_SOLO, 0, 2, 1);
    EXPECT_EQ(Solos(), (std::array<int, 6>{1, 0, 1, 0, 0, 0}));
    Value(DSP_CH_SOLO, 0, 0, 0);  // off for one channel of a pair is off for both
    EXPECT_EQ(Solos(), (std::array<int, 6>{0, 0, 0, 0, 0, 0}));
}

TEST_F(ApplyTest, ChannelTypeSetsThePositionButKeepsTheCrossover) {
    const Crossover before = LiveCh(1).crossover;
    LogCapture log;
    const ReportChange change = Value(DSP_CH_TYPE, 0, 1, 22);
    EXPECT_EQ(model.live.outputs[1], 22);
    EXPECT_EQ(model.live.outputs_bk[1], 22);
    EXPECT_EQ(LiveCh(1).crossover, before);
    EXPECT_TRUE(change.Has(kRebuildSpeakers));
    EXPECT_EQ(log.Text(), "ReadDspValueCallback 0x0d\nDSP_CH_TYPE ch(1), type(22)\n");
}

// ---- Link and lock ----

class LinkTest : public ApplyTest {
  protected:
    LinkTest() { model.live.outputs = {1, 4, 7, 10, 13, 16}; }
};

TEST_F(LinkTest, LinkOnFindsPartnersFromThePositionsAndLocks) {
    const ReportChange change = Link(0, 1);
    EXPECT_EQ(model.live.linkMode, 1);
    EXPECT_EQ(model.live.lockMode, 1);
    EXPECT_EQ(model.live.linkOutputs, (std::array<std::int32_t, 6>{2, 3, 0, 1, 5, 4}));
    EXPECT_TRUE(change.Has(kSelectCurrentChannel));
}

TEST_F(LinkTest, LinkOnWithoutPartnersStillSwitchesLinkAndLockOn) {
    model.live.outputs = {6, 6, 15, 0, 24, 21};
    Link(0, 1);
    EXPECT_EQ(model.live.linkMode, 1);
    EXPECT_EQ(model.live.lockMode, 1);
    EXPECT_EQ(model.live.linkOutputs, (std::array<std::int32_t, 6>{-1, -1, -1, -1, -1, -1}));
}

TEST_F(LinkTest, UnlockingSwitchesALiveLinkOffAndTellsTheDevice) {
    Link(0, 1);
    const ReportChange change = Lock(0, 0);
    EXPECT_EQ(model.live.lockMode, 0);
    EXPECT_EQ(model.live.linkMode, 0);
    EXPECT_EQ(model.live.linkOutputs[0], -1);
    EXPECT_EQ(change.actions, kSendLinkOff | kSelectCurrentChannel);
    EXPECT_EQ(Lock(0, 0).actions, 0u);  // nothing left to switch off
    EXPECT_EQ(Lock(0, 2).actions, 0u);
    EXPECT_EQ(model.live.lockMode, 0);  // only 1 locks
}

TEST_F(LinkTest, ThePairsFollowPositionsThatChangeWhileLinkIsOn) {
    model.live.outputs = kDefaultOutputs;  // 0 and 1 are the front pair
    Link(0, 1);
    ASSERT_EQ(model.live.PairChannel(0), 1);
    // Channels 1 and 3 swap their positions: channel 3 now holds the front right.
    Value(DSP_CH_TYPE, 0, 1, model.live.outputs[3]);
    Value(DSP_CH_TYPE, 0, 3, kDefaultOutputs[1]);
    EXPECT_EQ(model.live.PairChannel(0), 3);
    EXPECT_EQ(model.live.PairChannel(3), 0);
}

TEST_F(LinkTest, StoredScenesKeepTheModesOnly) {
    Link(3, 1);
    Lock(3, 0);
    const SceneConfig& s = *model.Scene(3);
    EXPECT_EQ(s.linkMode, 1);  // no unlock rule for a stored scene
    EXPECT_EQ(s.lockMode, 0);
    EXPECT_EQ(s.linkOutputs[0], -1);
    EXPECT_EQ(Link(11, 1).field, ModelField::None);
}

TEST(LinkPartners, FirstOtherChannelWithThePartnerCode) {
    EXPECT_EQ(LinkPartners({1, 7, 7, 22, 23, 0}), (std::array<std::int32_t, 6>{1, 0, 0, 4, 3, -1}));
    EXPECT_EQ(LinkPartners({13, 16, 19, 24, 99, -3}),
              (std::array<std::int32_t, 6>{1, 0, -1, -1, -1, -1}));
}

// ---- Mixing ----

TEST_F(ApplyTest, SilentMixTrimsOfRoutedInputsBecomeFull) {
    InputMixTrimRec r;
    r.scene = 0, r.source = 0, r.input = 0, r.firstOutput = 0, r.lastOutput = 5;
    r.trims = {0, 0, 40, -3, 0, 7};
    // Source 0 routes input 0 to outputs 0, 2, 4 and 5.
    model.live.inputs[0] = {1, 2, 1, 2, 3, 3};
    const ReportChange change = Dsp(DSP_INPUT_MIX_CH_TRIM, r);
    EXPECT_EQ(model.live.inputMixVolume[0][0],
              (std::array<std::int32_t, 6>{100, 0, 40, -3, 100, 7}));
    EXPECT_EQ(change.source, 0);
    EXPECT_EQ(change.input, 0);
}

TEST_F(ApplyTest, MixTrimsOutsideTheOutputsAreDropped) {
    InputMixTrimRec r;
    r.scene = 2, r.source = 3, r.input = 1, r.firstOutput = 4, r.lastOutput = 9;
    r.trims = {11, 22, 33, 44, 55, 66};
    Dsp(DSP_INPUT_MIX_CH_TRIM, r);
    const auto& row = model.Scene(2)->inputMixVolume[3][1];
    EXPECT_EQ(row[4], 11);
    EXPECT_EQ(row[5], 22);
    EXPECT_EQ(row[0], 0);
    const ModelSet before = model;
    r.input = 6;
    EXPECT_EQ(Dsp(DSP_INPUT_MIX_CH_TRIM, r).field, ModelField::None);
    r.input = 0, r.source = 9;
    EXPECT_EQ(Dsp(DSP_INPUT_MIX_CH_TRIM, r).field, ModelField::None);
    r.source = 0, r.firstOutput = 6;
    EXPECT_EQ(Dsp(DSP_INPUT_MIX_CH_TRIM, r).field, ModelField::None);
    EXPECT_EQ(model, before);
}

TEST_F(ApplyTest, CrossSourceMixShiftsTheGainAndSkipsHighInputs) {
    CrossMixRec r;
    r.scene = 0, r.source = 5, r.channel = 3, r.viceSource = 2, r.viceChannel = 1, r.viceGain = 40;
    Dsp(DSP_CROSS_SOURCE_MIX, r);
    EXPECT_EQ(model.live.csmViceSource[5][3], 2);
    EXPECT_EQ(model.live.csmViceCh[5][3], 1);
    EXPECT_EQ(model.live.csmViceGain[5][3], 8);
    r.channel = 4;
    const ModelSet before = model;
    EXPECT_EQ(Dsp(DSP_CROSS_SOURCE_MIX, r).field, ModelField::None);
    r.channel = 0, r.source = 9;
    EXPECT_EQ(Dsp(DSP_CROSS_SOURCE_MIX_CS47048, r).field, ModelField::None);
    EXPECT_EQ(model, before);

    LogCapture log;
    r.source = 1, r.viceGain = 0;
    Dsp(DSP_CROSS_SOURCE_MIX_CS47048, r);
    EXPECT_EQ(model.live.csmViceGain[1][0], -32);
    EXPECT_EQ(log.Text(),
              "ReadDspValueCallback 0x4d\nset cross source mix cs47048, source = 1, ch = 0, with "
              "source = 2, ch = 1, gain = 0\n");
}

// ---- Compressors: kept in the live record ----

TEST_F(ApplyTest, CompressorSettingsGoToTheLiveRecord) {
    CompressorRec c;
    c.scene = 3, c.channel = 2, c.bypass = 0, c.threshold = -20.5f, c.ratio = 4.0f;
    c.attack = 10, c.release = 200, c.softKnee = 6.0f;
    EXPECT_TRUE(Dsp(DSP_COMPRESSOR_SETTING, c).IsLive());
    EXPECT_EQ(model.live.compBypass[2], 0);
    EXPECT_FLOAT_EQ(model.live.compThreshold[2], -20.5f);
    EXPECT_FLOAT_EQ(model.live.compRatio[2], 4.0f);
    EXPECT_EQ(model.live.compAttack[2], 10);
    EXPECT_EQ(model.live.compRelease[2], 200);
    EXPECT_FLOAT_EQ(model.live.compKnee[2], 6.0f);
    EXPECT_EQ(*model.Scene(3), *ModelSet().Scene(3));

    const ModelSet before = model;
    c.scene = 11;
    EXPECT_EQ(Dsp(DSP_COMPRESSOR_SETTING, c).field, ModelField::None);
    c.scene = 0, c.channel = 6;
    EXPECT_EQ(Dsp(DSP_COMPRESSOR_SETTING, c).field, ModelField::None);
    EXPECT_EQ(model, before);
}

// ---- System values ----

TEST_F(ApplyTest, HandshakeOfAnotherModelIsReportedOnlyInNormalMode) {
    McuHandshakeRecord r;
    r.model = 76, r.mainVersion = 2, r.slaveVersion = 30;
    LogCapture log;
    EXPECT_TRUE(ApplyMcuReport(model, MCU_HANDSHAKE, 0, &r, true).Has(kShowDeviceNotMatch));
    EXPECT_EQ(model.live.model, 76);
    EXPECT_EQ(model.live.mainVersion, 2);
    EXPECT_EQ(model.live.slaveVersion, 30);
    EXPECT_EQ(ApplyMcuReport(model, MCU_HANDSHAKE, 0, &r, false).actions, 0u);
    r.model = 77;
    EXPECT_EQ(ApplyMcuReport(model, MCU_HANDSHAKE, 0, &r, true).actions, 0u);
    EXPECT_TRUE(log.Text().starts_with(
        "ReadMcuValueCallback 0x08\nUI MCU_HANDSHAKE model=76, mainVersion=2, "
        "slaveVersion=30, mcu_is_normal_mode=1\nReadMcuValueCallback 0x08\n"));
}

TEST_F(ApplyTest, SystemValuesAreStoredInTheLiveRecord) {
    McuFlashVersionRecord flash;
    flash.version = {1, 2, 3, 4};
    ApplyMcuReport(model, MCU_GET_DSPFLASH_VER, 0, &flash, true);
    EXPECT_EQ(model.live.flashver, (std::array<std::int32_t, 4>{1, 2, 3, 4}));
    ApplyMcuReport(model, MCU_POWER_OFF_DELAY, 1000, nullptr, true);
    EXPECT_EQ(model.live.powerOffDelay, 1000);
    ApplyMcuReport(model, MCU_ACC, -1, nullptr, true);
    EXPECT_EQ(model.live.acc, -1);

    model.controls.accSlider = false;
    EXPECT_EQ(ApplyMcuReport(model, MCU_ACC, 5, nullptr, true).field, ModelField::None);
    EXPECT_EQ(model.live.acc, -1);

    LogCapture log;
    EXPECT_EQ(ApplyMcuReport(model, MCU_PING, 0, nullptr, true).field, ModelField::LogOnly);
    EXPECT_EQ(log.Text(), "ReadMcuValueCallback 0x93\nMCU_PING recved in ReadMcuValueCallback\n");
}

TEST_F(ApplyTest, KaraokeCodesMapToTheirValues) {
    const std::array<std::int32_t SceneConfig::*, 10> fields = {
        &SceneConfig::mic_volume,  &SceneConfig::bgmusic_volume, &SceneConfig::howling_control,
        &SceneConfig::echo_level,  &SceneConfig::echo_delay,     &SceneConfig::reverb_level,
        &SceneConfig::reverb_time, &SceneConfig::voice_changer,  &SceneConfig::bass,
        &SceneConfig::treble};
    for (unsigned code = 1; code <= 10; ++code) {
        ApplyKtvReport(model, code, 300 + code);
        EXPECT_EQ(model.live.*fields[code - 1], static_cast<int>(300 + code)) << code;
    }
    const ModelSet before = model;
    for (const unsigned code : {0u, 11u, 0xFFFFFFFFu}) {
        EXPECT_EQ(ApplyKtvReport(model, code, 1).field, ModelField::None);
    }
    EXPECT_EQ(model, before);
}

// ---- Scenes ----

SceneNameRec NameRecord(int index, std::initializer_list<std::uint8_t> bytes) {
    SceneNameRec r;
    r.index = index;
    std::copy(bytes.begin(), bytes.end(), r.name.begin());
    return r;
}

TEST_F(ApplyTest, SceneNamesAreConvertedAndCut) {
    SceneNameRec club = NameRecord(2, {'C', 'l', 'u', 'b'});
    const ReportChange change = ApplySceneReport(model, FLASH_SCENE_NAME, &club);
    EXPECT_EQ(change.scene, 3);
    EXPECT_EQ(model.sceneNames[2], L"Club");

    SceneNameRec full;
    full.index = 9;
    std::memcpy(full.name.data(), "ABCDEFGHIJKLMNOP", 16);
    ApplySceneReport(model, FLASH_SCENE_NAME, &full);
    EXPECT_EQ(model.sceneNames[9], L"ABCDEFG");

    SceneNameRec empty = NameRecord(0, {});
    model.sceneNames[0] = L"old";
    ApplySceneReport(model, FLASH_SCENE_NAME, &empty);
    EXPECT_EQ(model.sceneNames[0], L"");

    const ModelSet before = model;
    club.index = 10;
    EXPECT_EQ(ApplySceneReport(model, FLASH_SCENE_NAME, &club).field, ModelField::None);
    club.index = -1;
    EXPECT_EQ(ApplySceneReport(model, FLASH_SCENE_NAME, &club).field, ModelField::None);
    EXPECT_EQ(model, before);
}

TEST(SceneNameFromDevice, UsesTheLanguagesCodePage) {
    const std::vector<std::uint8_t> cyrillic = {0xC4, 0xEE, 0xEC, 0};  // "Дом" in 1251
    EXPECT_EQ(SceneNameFromDevice(cyrillic, AnsiCodePageForLanguage(2)), L"\u0414\u043E\u043C");
    const std::vector<std::uint8_t> chinese = {0xD6, 0xD0, 0xCE, 0xC4};  // "中文" in GBK
    EXPECT_EQ(SceneNameFromDevice(chinese, AnsiCodePageForLanguage(1)), L"\u4E2D\u6587");
    const std::vector<std::uint8_t> latin = {'C', 'a', 'f', 0xE9};  // "Café" in 1252
    EXPECT_EQ(SceneNameFromDevice(latin, AnsiCodePageForLanguage(0)), L"Caf\u00E9");
    EXPECT_STREQ(AnsiCodePageForLanguage(7), "WINDOWS-1252");
}

TEST(SceneNameFromDevice, UnconvertibleBytesBecomeQuestionMarks) {
    // A cut GBK character at the end, an unassigned 1252 byte, an unknown code page.
    EXPECT_EQ(SceneNameFromDevice(std::vector<std::uint8_t>{'A', 0xD6}, "GBK"), L"A?");
    EXPECT_EQ(SceneNameFromDevice(std::vector<std::uint8_t>{'A', 0x81, 'B'}, "WINDOWS-1252"),
              L"A?B");
    EXPECT_EQ(SceneNameFromDevice(std::vector<std::uint8_t>{'O', 'k', 0xC4}, "NO-SUCH-PAGE"),
              L"Ok?");
}

TEST_F(ApplyTest, ValidSceneMaskIsKeptAndLogged) {
    SceneValidRec r;
    r.mask = 517;
    LogCapture log;
    EXPECT_EQ(ApplySceneReport(model, FLASH_SCENE_VALID, &r).field, ModelField::ValidScenes);
    EXPECT_EQ(model.validSceneMask, 517);
    EXPECT_EQ(ApplySceneReport(model, FLASH_SCENE_ID, &r).field, ModelField::None);
    EXPECT_EQ(
        log.Text(),
        "ReadSenceValueCallback 0x0f\nFLASH_SCENE_VALID 0x205\nReadSenceValueCallback 0x0e\n");
}

TEST_F(ApplyTest, WindowMessagesReachTheirCallback) {
    WindowMessage ktv{WM_READ_KTV_VALUE, KTV_BASS_GAIN, -6, nullptr};
    EXPECT_EQ(ApplyWindowMessage(model, ktv, true).field, ModelField::Karaoke);
    EXPECT_EQ(model.live.bass, -6);
    WindowMessage dsp{WM_READ_DSP_VALUE, DSP_TRIM_CH, 0, Make<ChFloatRec>(0, 0)};
    EXPECT_EQ(ApplyWindowMessage(model, dsp, true).field, ModelField::Trim);
    WindowMessage other{WM_SENCE_ID, FLASH_SCENE_ID, 3, nullptr};
    LogCapture log;
    EXPECT_EQ(ApplyWindowMessage(model, other, true).field, ModelField::None);
    EXPECT_EQ(log.Text(), "");
}

TEST(ModelSet, StoredScenesCarryTheirNumbers) {
    ModelSet model;
    EXPECT_EQ(model.Scene(0), &model.live);
    EXPECT_EQ(model.live.scene, 0);
    for (int k = 1; k <= kStoredSceneCount; ++k) {
        EXPECT_EQ(model.Scene(k)->scene, k);
    }
    EXPECT_EQ(model.Scene(11), nullptr);
    EXPECT_EQ(model.Scene(-1), nullptr);
}

}  // namespace
