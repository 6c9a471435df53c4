// The reports of a whole state read, applied to the model, leave it holding what the
// virtual amplifier holds, in the model's units.
#include <algorithm>
#include <cmath>
#include <string>

#include "commands/apply_reports.h"
#include "e2e_fixture.h"
#include "model/positions.h"
#include "state_read.h"

namespace e2e {
namespace {

using tonvia::commands::ModelSet;
using tonvia::sim::SceneParams;

std::size_t At(int i) {
    return static_cast<std::size_t>(i);
}

// The live level is held in the level slider's 0.1 dB steps, within -60 ... 0 dB.
float LiveTrim(int attenuationHundredths) {
    const double tenths = std::round(-attenuationHundredths / 10.0);
    return static_cast<float>(std::clamp(tenths, -600.0, 0.0) / 10.0);
}

int CorrectedType(int type) {
    return type >= 1 && type <= 3 ? type : 1;
}

int CorrectedFs(int hz) {
    return hz >= 20 && hz <= 20000 ? hz : 20;
}

void ExpectFilter(const FilterSetting& model, const tonvia::sim::Filter& device) {
    EXPECT_EQ(model.fs, CorrectedFs(device.freq));
    EXPECT_EQ(model.type, CorrectedType(device.type));
    EXPECT_EQ(model.slope, device.slope);
    EXPECT_EQ(model.bypass, device.slope == 0 ? 1 : 0);
}

// The per-channel values every scene read fills (the live record also takes the page's
// rules: level steps, phase as on/off, enabled bands).
void ExpectChannels(const SceneConfig& model, const SceneParams& device, bool live) {
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        SCOPED_TRACE("channel " + std::to_string(ch));
        const OutChannel& c = model.channels[At(ch)];
        ExpectFilter(c.crossover.hp, device.highPass[At(ch)]);
        ExpectFilter(c.crossover.lp, device.lowPass[At(ch)]);
        for (int b = 0; b < kEqBandCount; ++b) {
            const auto& d = device.eq[At(ch)][At(b)];
            const EqBand& m = c.eqArray[At(b)];
            EXPECT_EQ(m.freq, d.freq) << "band " << b;
            EXPECT_FLOAT_EQ(m.q, static_cast<float>(d.qHundredths / 100.0)) << "band " << b;
            EXPECT_FLOAT_EQ(m.gain, static_cast<float>(d.gainTenths / 10.0 - 18.0)) << "band " << b;
            EXPECT_EQ(m.enable, 1);
        }
        EXPECT_FLOAT_EQ(c.delay, static_cast<float>(device.delayThousandths[At(ch)] / 1000.0));
        const int trim = device.trimHundredths[At(ch)];
        EXPECT_FLOAT_EQ(c.gain, live ? LiveTrim(trim) : static_cast<float>(-trim / 100.0));
        EXPECT_EQ(c.mute, device.mute[At(ch)]);
        EXPECT_EQ(c.phase, live ? (device.phase[At(ch)] != 0 ? 1 : 0) : device.phase[At(ch)]);
        EXPECT_EQ(c.solo, device.solo[At(ch)]);
        EXPECT_EQ(c.bypass, device.peqBypass[At(ch)]);
        EXPECT_EQ(model.outputs[At(ch)], device.channelType[At(ch)]);
        EXPECT_EQ(model.outputs_bk[At(ch)], device.channelType[At(ch)]);
    }
}

// Routing, mix levels and cross-source mix of every source; the (source, input) pairs the
// read does not ask for keep their defaults.
void ExpectMixing(const SceneConfig& model, const SceneParams& device, bool withCrossMix) {
    const SceneConfig defaults;
    for (int src = 0; src < kInputSourceCount; ++src) {
        SCOPED_TRACE("source " + std::to_string(src));
        for (int out = 0; out < kOutChannelCount; ++out) {
            EXPECT_EQ(model.inputs[At(src)][At(out)], device.mix[At(src)][At(out)]);
        }
        for (int in = 0; in < kMixInputCount; ++in) {
            const bool read = in < SourceInputCount(src);
            for (int out = 0; out < kOutChannelCount; ++out) {
                int level = defaults.inputMixVolume[At(src)][At(in)][At(out)];
                if (read) {
                    level = device.inputMixTrim[At(src)][At(in)][At(out)];
                    // A routed input reported at 0 is kept at full level.
                    if (level < 1 && ((device.mix[At(src)][At(out)] >> in) & 1) != 0) {
                        level = 100;
                    }
                }
                EXPECT_EQ(model.inputMixVolume[At(src)][At(in)][At(out)], level)
                    << "input " << in << " output " << out;
            }
            if (!withCrossMix) {
                continue;
            }
            const auto& cross = device.crossMix[At(src)][At(in)];
            EXPECT_EQ(model.csmViceSource[At(src)][At(in)], read ? cross.viceSource : 0);
            EXPECT_EQ(model.csmViceCh[At(src)][At(in)], read ? cross.viceChannel : 0);
            EXPECT_EQ(model.csmViceGain[At(src)][At(in)], read ? cross.viceGain - 32 : 0);
        }
    }
}

std::wstring Wide(const std::array<std::uint8_t, tonvia::sim::kSceneNameSize>& name) {
    std::wstring text;
    for (const std::uint8_t byte : name) {
        if (byte == 0 || byte == 0xFF) {
            break;
        }
        text.push_back(static_cast<wchar_t>(byte));
    }
    return text;
}

class ApplyStateTest : public AmplifierLinkTest {
  protected:
    ApplyStateTest() {
        amp.Edit([](DeviceState& s) {
            Vary(s);
            // The working set as a device holds it with its output link on: the link
            // holds the lock, and a channel soloes together with its partner (positions
            // 1 and 7 on channels 0 and 2).
            s.scenes[0].lock = 1;
            s.scenes[0].solo[0] = 1;
        });
    }

    // Applies every message posted so far, as the main window would.
    void ApplyPosted() {
        for (const PostedMessage& p : Take()) {
            if (p.target == kMain) {
                tonvia::commands::ApplyWindowMessage(model, p.message,
                                                     link.mcu_is_normal_mode.load() != 0);
            }
        }
    }

    void Connect() {
        ASSERT_TRUE(link.PC_Connect(1));
        ASSERT_TRUE(link.Hand_Connect());
        ApplyPosted();
    }

    ModelSet model;
};

TEST_F(ApplyStateTest, AWholeStateReadFillsTheLiveRecordWithTheAmplifiersValues) {
    Connect();
    const StateReadResult result = ReadWholeState(link);
    ASSERT_EQ(result.answered, result.requests);
    ApplyPosted();

    const DeviceState s = amp.Snapshot();
    const SceneConfig& live = model.live;
    const SceneConfig defaults;

    EXPECT_EQ(live.model, s.model);
    EXPECT_EQ(live.mainVersion, s.mainVersion);
    EXPECT_EQ(live.slaveVersion, s.slaveVersion);
    EXPECT_EQ(live.inputSource, s.source - 0x51);
    EXPECT_EQ(live.mainVolume, s.mainVolume);
    EXPECT_EQ(live.acc, s.acc);
    EXPECT_EQ(live.mainVolumeMute, s.mute);
    EXPECT_EQ(live.ampOn, s.ampMute == 0 ? 1 : 0);
    EXPECT_EQ(live.rem_out1, s.remOut1 != 0 ? 1 : 0);
    EXPECT_EQ(live.rem_out2, s.remOut2 != 0 ? 1 : 0);
    EXPECT_EQ(live.spk_ohm, s.speakerOhm != 0 ? 1 : 0);
    EXPECT_EQ(live.noise_gate, s.noiseGate != 0 ? 1 : 0);
    EXPECT_EQ(live.inputThreshold, s.inputThreshold);

    const SceneParams& working = s.scenes[0];
    ExpectChannels(live, working, /*live=*/true);
    ExpectMixing(live, working, /*withCrossMix=*/true);
    EXPECT_EQ(live.linkMode, working.link.on);
    EXPECT_EQ(live.lockMode, working.lock);
    // Positions 1, 4, 7, 10, 13, 16: front left/right pairs on 0-2 and 1-3, rear on 4-5.
    EXPECT_EQ(live.linkOutputs, (std::array<std::int32_t, 6>{2, 3, 0, 1, 5, 4}));

    // Reported but not kept by the main page: subwoofer volume and bridging.
    EXPECT_NE(s.subVolume, defaults.subVolume);
    EXPECT_EQ(live.subVolume, defaults.subVolume);
    EXPECT_EQ(live.bridgeOutputs, defaults.bridgeOutputs);

    EXPECT_EQ(model.validSceneMask, s.validMask);
    for (int k = 1; k <= kStoredSceneCount; ++k) {
        EXPECT_EQ(model.sceneNames[At(k - 1)], Wide(s.sceneNames[At(k)])) << "scene " << k;
    }
    EXPECT_EQ(model.sceneNames[9], L"Night 7");
    // The read is of the working set: no stored scene was touched.
    EXPECT_EQ(model.stored, ModelSet().stored);
}

TEST_F(ApplyStateTest, SystemKaraokeAndCompressorValuesReachTheLiveRecord) {
    Connect();
    ASSERT_TRUE(link.Get_Flash_Version());
    ASSERT_TRUE(link.Get_Delay_Power_Off_Time());
    for (std::uint8_t code = 1; code <= 10; ++code) {
        ASSERT_TRUE(link.Get_KTV(code));
    }
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        ASSERT_TRUE(link.Get_Compressor(0, 0, ch, ch));
    }
    ASSERT_TRUE(link.Get_Compressor_Ch_On(0, 0, 0, kOutChannelCount - 1));
    ApplyPosted();

    const DeviceState s = amp.Snapshot();
    const SceneConfig& live = model.live;
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(live.flashver[i], s.flashVersion[i]);
    }
    EXPECT_EQ(live.powerOffDelay, s.powerOffDelayMs);
    SceneConfig karaoke = live;
    for (int code = 1; code <= 10; ++code) {
        EXPECT_EQ(*karaoke.KaraokeValue(code), s.karaoke[At(code - 1)]) << "karaoke " << code;
    }
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        SCOPED_TRACE("channel " + std::to_string(ch));
        const auto& c = s.scenes[0].compressor[At(ch)];
        EXPECT_EQ(live.compBypass[At(ch)], c.bypass);
        EXPECT_FLOAT_EQ(live.compThreshold[At(ch)],
                        static_cast<float>(c.thresholdTenths / 10.0 - 100.0));
        EXPECT_FLOAT_EQ(live.compRatio[At(ch)], static_cast<float>(c.ratioTenths / 10.0));
        EXPECT_FLOAT_EQ(live.compKnee[At(ch)], static_cast<float>(c.kneeTenths / 10.0));
        EXPECT_EQ(live.compAttack[At(ch)], c.attackMs);
        EXPECT_EQ(live.compRelease[At(ch)], c.releaseMs);
        EXPECT_EQ(live.channels[At(ch)].compressorOn, s.scenes[0].compressorOn[At(ch)] != 0);
    }

    ASSERT_TRUE(link.Get_Compressor2(0, 0, 0, kOutChannelCount - 1));
    ApplyPosted();
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        const auto& c = s.scenes[0].compressor2[At(ch)];
        EXPECT_FLOAT_EQ(live.compThreshold[At(ch)],
                        static_cast<float>(c.thresholdInt + c.thresholdTenths / 10.0));
        EXPECT_EQ(live.compAttack[At(ch)], c.attackMs);
        EXPECT_EQ(live.compRelease[At(ch)], c.releaseSeconds * 1000 + c.releaseTenths * 100);
    }
}

TEST_F(ApplyStateTest, AStoredScenesReadFillsOnlyItsRecord) {
    constexpr int kScene = 3;
    Connect();
    const SceneConfig liveBefore = model.live;
    const int last = kOutChannelCount - 1;
    // The requests of a stored scene's read, each carrying the scene; channel 6 is asked
    // for as well and has no place in the model.
    ASSERT_TRUE(link.Get_CH_Type(kScene, 0, 0, kOutChannelCount));
    ASSERT_TRUE(link.Get_CH_Link(kScene));
    ASSERT_TRUE(link.Get_CH_Lock(kScene));
    ASSERT_TRUE(link.Get_Filter(kScene, 0, 0, 3));
    ASSERT_TRUE(link.Get_Filter(kScene, 0, 4, 7));
    ASSERT_TRUE(link.Get_PEQ_Bypass(kScene, 0, 0, last));
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        for (int first = 0; first < kEqBandCount; first += 7) {
            ASSERT_TRUE(link.Get_EQ(kScene, 0, ch, first, std::min(first + 6, kEqBandCount - 1)));
        }
    }
    ASSERT_TRUE(link.Get_Delay(kScene, 0, 0, last));
    ASSERT_TRUE(link.Get_Trim(kScene, 0, 0, last));
    ASSERT_TRUE(link.Get_Mute_Ch(kScene, 0, 0, last));
    ASSERT_TRUE(link.Get_Ch_Solo(kScene, 0, 0, last));
    ASSERT_TRUE(link.Get_Phase(kScene, 0, 0, last));
    for (int src = 0; src < kInputSourceCount; ++src) {
        ASSERT_TRUE(link.Get_Mix_Ch(kScene, src, 0, last));
    }
    for (int src = 0; src < kInputSourceCount; ++src) {
        for (int in = 0; in < SourceInputCount(src); ++in) {
            ASSERT_TRUE(link.Get_Input_Mix_CH_Trim(kScene, src, in, 0, last));
        }
    }
    ApplyPosted();

    const DeviceState s = amp.Snapshot();
    const SceneParams& device = s.scenes[kScene];
    const SceneConfig& stored = *model.Scene(kScene);
    // Stored bands keep their enable flag, which is the default (on) here.
    ExpectChannels(stored, device, /*live=*/false);
    ExpectMixing(stored, device, /*withCrossMix=*/false);
    EXPECT_EQ(stored.linkMode, device.link.on);
    EXPECT_EQ(stored.lockMode, device.lock);
    EXPECT_EQ(stored.linkOutputs, (std::array<std::int32_t, 6>{-1, -1, -1, -1, -1, -1}));
    EXPECT_EQ(model.live, liveBefore);
    for (int k = 1; k <= kStoredSceneCount; ++k) {
        if (k != kScene) {
            EXPECT_EQ(*model.Scene(k), *ModelSet().Scene(k)) << "scene " << k;
        }
    }
}

}  // namespace
}  // namespace e2e
