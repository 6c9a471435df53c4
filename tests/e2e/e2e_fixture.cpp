#include "e2e_fixture.h"

#include <cstring>
#include <string>

#include "commands/command_codes.h"
#include "commands/reply_records.h"
#include "link/mcu_records.h"
#include "tuning/session.h"

namespace e2e {

using namespace std::chrono_literals;
using tonvia::sim::EqBand;
using tonvia::sim::SceneParams;

namespace {

EqBand PatternBand(int a, int b, int c) {
    EqBand band;
    band.freq = static_cast<std::uint16_t>(20 + b * 600 + a * 3 + c);
    band.qHundredths = static_cast<std::uint16_t>(50 + (b * 37 + a * 11 + c) % 1950);
    band.gainTenths = static_cast<std::uint16_t>((b * 13 + a * 7 + c) % 361);
    return band;
}

void VaryScene(SceneParams& p, int sc) {
    for (std::size_t ch = 0; ch < tonvia::sim::kOutputs; ++ch) {
        const int c = static_cast<int>(ch);
        p.highPass[ch] = {static_cast<std::uint8_t>(c % 4),
                          static_cast<std::uint16_t>(30 + c * 10 + sc),
                          static_cast<std::uint8_t>(c % 5)};
        p.lowPass[ch] = {static_cast<std::uint8_t>((c + 1) % 4),
                         static_cast<std::uint16_t>(5000 + c * 100 + sc),
                         static_cast<std::uint8_t>((c + 2) % 5)};
        for (std::size_t b = 0; b < tonvia::sim::kBands; ++b) {
            p.eq[ch][b] = PatternBand(c, static_cast<int>(b), sc);
        }
        p.delayThousandths[ch] = static_cast<std::uint32_t>(c * 1234 + sc * 7);
        p.trimHundredths[ch] = static_cast<std::uint16_t>(c * 150 + sc + 1);
        p.mute[ch] = static_cast<std::uint8_t>((c + sc) % 2);
        p.phase[ch] = static_cast<std::uint8_t>((c + sc + 1) % 2);
        p.solo[ch] = c == 2 ? 1 : 0;
        p.channelType[ch] = static_cast<std::uint8_t>(1 + c * 3 + sc % 2);
        p.peqBypass[ch] = static_cast<std::uint8_t>(c % 2);
        p.hpQMode[ch] = static_cast<std::uint8_t>(c % 3);
        p.lpQMode[ch] = static_cast<std::uint8_t>((c + 1) % 3);
        p.compressorOn[ch] = static_cast<std::uint8_t>((c + 1) % 2);
        p.speakerDistance[ch] = static_cast<std::uint16_t>(c * 111 + sc);
        p.compressor[ch] = {
            static_cast<std::uint8_t>(c % 2),   static_cast<std::uint16_t>(1000 + c * 13),
            static_cast<std::uint16_t>(20 + c), static_cast<std::uint16_t>(10 + c),
            static_cast<std::uint16_t>(5 + c),  static_cast<std::uint16_t>(100 + c * 10)};
        p.compressor2[ch] = {static_cast<std::int8_t>(-(c + 1) * 3),
                             static_cast<std::int8_t>(-(c % 10)),
                             static_cast<std::uint16_t>(10 + c), static_cast<std::uint8_t>(1 + c),
                             static_cast<std::uint8_t>(c % 10)};
    }
    p.link.on = 1;
    p.link.pairFlags = {1, 0, 1, 0, 0, 0, 0, 0};
    p.trimLink.on = 1;
    p.trimLink.pairFlags = {0, 1, 0, 0, 0, 0, 0, 0};
    p.delayLink.pairFlags = {0, 0, 1, 0, 0, 0, 0, 0};
    p.lock = static_cast<std::uint8_t>(sc % 2);
    p.bridgeCount = 3;
    p.bridge = {2, 0, 1};
    for (std::size_t src = 0; src < tonvia::sim::kSources; ++src) {
        const int s = static_cast<int>(src);
        p.mixType[src] = static_cast<std::uint8_t>(s % 3);
        p.mixType2[src] = static_cast<std::uint8_t>((s + 1) % 3);
        for (std::size_t ch = 0; ch < tonvia::sim::kOutputs; ++ch) {
            p.mix[src][ch] = static_cast<std::uint8_t>((s + static_cast<int>(ch) + sc) % 16);
            p.remap[src][ch] = static_cast<std::uint8_t>((s + static_cast<int>(ch)) % 4);
        }
        for (std::size_t in = 0; in < tonvia::sim::kInputSlots; ++in) {
            const int i = static_cast<int>(in);
            p.inputTrim[src][in] = static_cast<std::int8_t>(i - s - sc);
            p.inputMute[src][in] = static_cast<std::int8_t>((s + i) % 2);
            p.inputPhase[src][in] = static_cast<std::int8_t>((s + i + 1) % 2);
            for (std::size_t b = 0; b < tonvia::sim::kBands; ++b) {
                p.inputEq[src][in][b] = PatternBand(s * 6 + i, static_cast<int>(b), sc);
            }
            for (std::size_t out = 0; out < tonvia::sim::kOutputs; ++out) {
                p.inputMixTrim[src][in][out] = static_cast<std::uint8_t>(
                    (s * 7 + i * 13 + static_cast<int>(out) * 5 + sc) % 101);
            }
            p.crossMix[src][in] = {static_cast<std::uint8_t>((s + 1) % 9),
                                   static_cast<std::uint8_t>(i),
                                   static_cast<std::uint8_t>(20 + s + i)};
            p.crossMixCs[src][in] = {static_cast<std::uint8_t>((s + 2) % 9),
                                     static_cast<std::uint8_t>((i + 1) % 4), 32};
        }
    }
}

void Name(DeviceState& state, int slot, const char* name) {
    auto& stored = state.sceneNames[static_cast<std::size_t>(slot)];
    stored.fill(0);
    std::memcpy(stored.data(), name, std::strlen(name));
}

template <class Record>
const Record* As(const PostedMessage& posted) {
    const auto* record = dynamic_cast<const Record*>(posted.message.record.get());
    if (record == nullptr) {
        ADD_FAILURE() << "message " << posted.message.message << " code " << posted.message.wParam
                      << " carries no record of the expected kind";
    }
    return record;
}

float Tenths(int tenths, double offset = 0.0) {
    return static_cast<float>(tenths / 10.0 + offset);
}

void ExpectBand(const EqBandRec& r, const EqBand& band) {
    EXPECT_EQ(r.freq, band.freq);
    EXPECT_FLOAT_EQ(r.Q, static_cast<float>(band.qHundredths / 100.0));
    EXPECT_FLOAT_EQ(r.gain, Tenths(band.gainTenths, -18.0));
}

const SceneParams& Scene(const DeviceState& s, int scene) {
    EXPECT_TRUE(scene >= 0 && scene < tonvia::sim::kSceneSlots) << scene;
    return s.scenes.at(static_cast<std::size_t>(scene));
}

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

void ExpectDsp(const PostedMessage& p, const DeviceState& s, const CheckContext& context) {
    const std::intptr_t value = p.message.lParam;
    const auto code = static_cast<std::uint8_t>(p.message.wParam);
    EXPECT_EQ(p.target, code == DSP_INPUT_NOISE ? kDialog : kMain);
    switch (code) {
        case DSP_SOURCE_SWITCH:
            EXPECT_EQ(value, s.source);
            return;
        case DSP_VOLUME:
            EXPECT_EQ(value, s.mainVolume);
            return;
        case DSP_SUBWOOFER_VOLUME:
            EXPECT_EQ(value, s.subVolume);
            return;
        case DSP_MUTE:
            EXPECT_EQ(value, s.mute);
            return;
        case DSP_AMP_MUTE:
            EXPECT_EQ(value, s.ampMute);
            return;
        case DSP_SPK_OHM:
            EXPECT_EQ(value, s.speakerOhm);
            return;
        case DSP_NOISE_GATE:
            EXPECT_EQ(value, s.noiseGate);
            return;
        case DSP_MIX_SOURCE_SWITCH:
            EXPECT_EQ(value, s.mixSource);
            return;
        case DSP_DSP_STATUS:
            EXPECT_EQ(value, s.dspStatus);
            return;
        case DSP_INPUT_THRESHOLD:
            EXPECT_EQ(value, s.inputThreshold);
            return;
        case DSP_FACTORY_PRESET:
            EXPECT_EQ(value, s.factoryPreset);
            return;
        case DSP_SETUP_MODE:
            EXPECT_EQ(value, s.setupMode);
            return;
        case DSP_AUTO_EFFECTION_ON_OFF_CONTROL:
            EXPECT_EQ(value, s.autoOn);
            return;
        case DSP_SEL_REMOTE_CH:
            EXPECT_EQ(value, s.remoteChannel);
            return;
        case DSP_SPK_CH_CONFIG:
            if (const auto* r = As<SpkCfgRec>(p)) {
                EXPECT_EQ(r->configuration, s.speakerConfig);
            }
            return;
        case DSP_REM_OUT:
            if (const auto* r = As<RemOutRec>(p)) {
                EXPECT_EQ(r->remOut1, s.remOut1);
                EXPECT_EQ(r->remOut2, s.remOut2);
            }
            return;
        case DSP_FILTER_SET:
            if (const auto* r = As<FilterRec>(p)) {
                const auto& hp = Scene(s, r->scene).highPass.at(At(r->channel));
                const auto& lp = Scene(s, r->scene).lowPass.at(At(r->channel));
                EXPECT_EQ(r->hp_type, hp.type);
                EXPECT_EQ(r->hp_freq, hp.freq);
                EXPECT_EQ(r->hp_slope, hp.slope);
                EXPECT_EQ(r->lp_type, lp.type);
                EXPECT_EQ(r->lp_freq, lp.freq);
                EXPECT_EQ(r->lp_slope, lp.slope);
            }
            return;
        case DSP_EQ_CH:
            if (const auto* r = As<EqBandRec>(p)) {
                ExpectBand(*r, Scene(s, r->scene).eq.at(At(r->channel)).at(At(r->band)));
            }
            return;
        case DSP_INPUT_EQ_CH:
            if (const auto* r = As<EqBandRec>(p)) {
                ExpectBand(*r, Scene(s, r->scene)
                                   .inputEq.at(At(context.inputEqSource))
                                   .at(At(r->channel))
                                   .at(At(r->band)));
            }
            return;
        case DSP_DELAY_CH:
            if (const auto* r = As<ChFloatRec>(p)) {
                EXPECT_FLOAT_EQ(
                    r->value, static_cast<float>(
                                  Scene(s, r->scene).delayThousandths.at(At(r->channel)) / 1000.0));
            }
            return;
        case DSP_TRIM_CH:
            if (const auto* r = As<ChFloatRec>(p)) {
                EXPECT_FLOAT_EQ(r->value,
                                static_cast<float>(
                                    -Scene(s, r->scene).trimHundredths.at(At(r->channel)) / 100.0));
            }
            return;
        case DSP_MUTE_CH:
        case DSP_CH_TYPE:
        case DSP_EQ_BYPASS:
        case DSP_CH_SOLO:
        case DSP_COMPRESSOR_ON_CH:
            if (const auto* r = As<ChValueRec>(p)) {
                const SceneParams& sp = Scene(s, r->scene);
                const auto& field = code == DSP_MUTE_CH     ? sp.mute
                                    : code == DSP_CH_TYPE   ? sp.channelType
                                    : code == DSP_EQ_BYPASS ? sp.peqBypass
                                    : code == DSP_CH_SOLO   ? sp.solo
                                                            : sp.compressorOn;
                EXPECT_EQ(r->value, field.at(At(r->channel))) << "channel " << r->channel;
            }
            return;
        case DSP_PHASE_CH:
            if (const auto* r = As<ChPhaseRec>(p)) {
                EXPECT_EQ(r->phase, Scene(s, r->scene).phase.at(At(r->channel)));
            }
            return;
        case DSP_MIX_CH:
            if (const auto* r = As<MixChRec>(p)) {
                EXPECT_EQ(r->mask, Scene(s, r->scene).mix.at(At(r->source)).at(At(r->channel)));
            }
            return;
        case DSP_CH_LINK:
        case DSP_CH_TRIM_LINK:
        case DSP_CH_DELAY_LINK:
            if (const auto* r = As<LinkRec>(p)) {
                const SceneParams& sp = Scene(s, r->scene);
                const auto& link = code == DSP_CH_LINK        ? sp.link
                                   : code == DSP_CH_TRIM_LINK ? sp.trimLink
                                                              : sp.delayLink;
                EXPECT_EQ(r->link, link.on);
                for (std::size_t pair = 0; pair < tonvia::sim::kOutputs / 2; ++pair) {
                    EXPECT_EQ(r->pairs[pair], link.pairFlags[pair]) << "pair " << pair;
                }
            }
            return;
        case DSP_CH_LOCK:
            if (const auto* r = As<LockRec>(p)) {
                EXPECT_EQ(r->lock, Scene(s, r->scene).lock);
            }
            return;
        case DSP_INPUT_TRIM_CH:
        case DSP_INPUT_CH_MUTE:
        case DSP_INPUT_CH_PHASE:
            if (const auto* r = As<InputChRec>(p)) {
                const SceneParams& sp = Scene(s, r->scene);
                const auto& field = code == DSP_INPUT_TRIM_CH   ? sp.inputTrim
                                    : code == DSP_INPUT_CH_MUTE ? sp.inputMute
                                                                : sp.inputPhase;
                for (int in = r->first; in <= r->last; ++in) {
                    EXPECT_EQ(r->values.at(At(in)), field.at(At(r->source)).at(At(in)))
                        << "input " << in;
                }
            }
            return;
        case DSP_INPUT_MIX_CH_TRIM:
            if (const auto* r = As<InputMixTrimRec>(p)) {
                const auto& trims =
                    Scene(s, r->scene).inputMixTrim.at(At(r->source)).at(At(r->input));
                for (int out = r->firstOutput; out <= r->lastOutput; ++out) {
                    EXPECT_EQ(r->trims.at(At(out - r->firstOutput)), trims.at(At(out)))
                        << "output " << out;
                }
            }
            return;
        case DSP_INPUT_NOISE:
            if (const auto* r = As<InputNoiseRec>(p)) {
                for (int in = r->first; in <= r->last; ++in) {
                    EXPECT_FLOAT_EQ(r->noise.at(At(in)), Tenths(s.inputNoiseTenths.at(At(in))));
                }
            }
            return;
        case DSP_MIX_TYPE:
        case DSP_MIX_TYPE2:
            if (const auto* r = As<MixTypeRec>(p)) {
                const SceneParams& sp = Scene(s, r->scene);
                EXPECT_EQ(r->type,
                          (code == DSP_MIX_TYPE ? sp.mixType : sp.mixType2).at(At(r->source)));
            }
            return;
        case DSP_HPF_Q_FACT_MODE:
        case DSP_LPF_Q_FACT_MODE:
            if (const auto* r = As<QModeRec>(p)) {
                const SceneParams& sp = Scene(s, r->scene);
                const auto& modes = code == DSP_HPF_Q_FACT_MODE ? sp.hpQMode : sp.lpQMode;
                for (int ch = r->first; ch <= r->last; ++ch) {
                    EXPECT_EQ(r->modes.at(At(ch)), modes.at(At(ch))) << "channel " << ch;
                }
            }
            return;
        case DSP_COMPRESSOR_SETTING:
            if (const auto* r = As<CompressorRec>(p)) {
                const auto& c = Scene(s, r->scene).compressor.at(At(r->channel));
                EXPECT_EQ(r->bypass, c.bypass);
                EXPECT_FLOAT_EQ(r->threshold, Tenths(c.thresholdTenths, -100.0));
                EXPECT_FLOAT_EQ(r->ratio, Tenths(c.ratioTenths));
                EXPECT_FLOAT_EQ(r->softKnee, Tenths(c.kneeTenths));
                EXPECT_EQ(r->attack, c.attackMs);
                EXPECT_EQ(r->release, c.releaseMs);
            }
            return;
        case DSP_COMPRESSOR_SETTING2:
            if (const auto* r = As<Compressor2Rec>(p)) {
                const auto& c = Scene(s, r->scene).compressor2.at(At(r->channel));
                EXPECT_FLOAT_EQ(r->threshold,
                                static_cast<float>(c.thresholdInt + 0.1 * c.thresholdTenths));
                EXPECT_EQ(r->attack, c.attackMs);
                EXPECT_EQ(r->release, c.releaseSeconds * 1000 + c.releaseTenths * 100);
            }
            return;
        case DSP_INPUT_CH_DISTORT:
            if (const auto* r = As<InDistortRec>(p)) {
                for (int in = r->first; in <= r->last; ++in) {
                    EXPECT_EQ(r->values.at(At(in)), s.inputDistortion.at(At(r->source)).at(At(in)));
                }
            }
            return;
        case DSP_OUTPUT_CH_DISTORT:
            if (const auto* r = As<OutDistortRec>(p)) {
                for (int ch = r->first; ch <= r->last; ++ch) {
                    EXPECT_EQ(r->values.at(At(ch)),
                              s.outputDistortion.at(At(r->source)).at(At(ch)));
                }
            }
            return;
        case DSP_SPK_DIST:
            if (const auto* r = As<SpkDistRec>(p)) {
                for (int ch = r->first; ch <= r->last; ++ch) {
                    EXPECT_EQ(r->distances.at(At(ch)),
                              Scene(s, r->scene).speakerDistance.at(At(ch)));
                }
            }
            return;
        case DSP_CROSS_SOURCE_MIX:
        case DSP_CROSS_SOURCE_MIX_CS47048:
            if (const auto* r = As<CrossMixRec>(p)) {
                const SceneParams& sp = Scene(s, r->scene);
                const auto& m = (code == DSP_CROSS_SOURCE_MIX ? sp.crossMix : sp.crossMixCs)
                                    .at(At(r->source))
                                    .at(At(r->channel));
                EXPECT_EQ(r->viceSource, m.viceSource);
                EXPECT_EQ(r->viceChannel, m.viceChannel);
                if (code == DSP_CROSS_SOURCE_MIX) {
                    EXPECT_EQ(r->viceGain, m.viceGain);
                }
            }
            return;
        case DSP_OUPUT_BRIDGE:
            if (const auto* r = As<BridgeRec>(p)) {
                const SceneParams& sp = Scene(s, r->scene);
                for (std::size_t i = 0; i < r->count; ++i) {
                    EXPECT_EQ(r->bridge.at(i), sp.bridge.at(i)) << "bridge byte " << i;
                }
            }
            return;
        default:
            ADD_FAILURE() << "no check for DSP code " << int(code);
    }
}

void ExpectMcu(const PostedMessage& p, const DeviceState& s) {
    EXPECT_EQ(p.target, kMain);
    switch (p.message.wParam) {
        case MCU_HANDSHAKE:
            if (const auto* r = As<McuHandshakeRecord>(p)) {
                EXPECT_EQ(r->model, s.model);
                EXPECT_EQ(r->mainVersion, s.mainVersion);
                EXPECT_EQ(r->slaveVersion, s.slaveVersion);
            }
            return;
        case MCU_GET_DSPFLASH_VER:
            if (const auto* r = As<McuFlashVersionRecord>(p)) {
                for (std::size_t i = 0; i < 4; ++i) {
                    EXPECT_EQ(r->version[i], s.flashVersion[i]);
                }
            }
            return;
        case MCU_PASSWORD:
            if (const auto* r = As<McuPasswordRecord>(p)) {
                EXPECT_EQ(std::vector<std::uint8_t>(r->password.begin(),
                                                    r->password.begin() + r->passwordLength),
                          s.password);
                EXPECT_EQ(std::vector<std::uint8_t>(r->remark.begin(),
                                                    r->remark.begin() + r->remarkLength),
                          s.remark);
            }
            return;
        case MCU_DATA_BLOCK:
            if (const auto* r = As<McuDataBlockRecord>(p)) {
                EXPECT_EQ(std::vector<std::uint8_t>(r->data.begin(), r->data.begin() + r->length),
                          s.dataBlock);
            }
            return;
        case MCU_POWER_OFF_DELAY:
            EXPECT_EQ(p.message.lParam, s.powerOffDelayMs);
            return;
        case MCU_ACC:
            EXPECT_EQ(p.message.lParam, s.acc);
            return;
        default:
            ADD_FAILURE() << "no check for MCU code " << p.message.wParam;
    }
}

void ExpectScene(const PostedMessage& p, const DeviceState& s) {
    const unsigned message = p.message.message;
    if (message == WM_SENCE_ID) {
        EXPECT_EQ(p.target, kScene);
        EXPECT_EQ(p.message.lParam, s.currentScene);
        return;
    }
    if (message == WM_SENCE_DELETE_ACK) {  // the slot is gone
        EXPECT_EQ(p.target, kScene);
        EXPECT_EQ((s.validMask >> (p.message.wParam - 1)) & 1u, 0u);
        return;
    }
    if (p.target == kScene) {  // save acknowledgement: the slot now holds data
        EXPECT_EQ((s.validMask >> (p.message.wParam - 1)) & 1u, 1u);
        return;
    }
    EXPECT_EQ(p.target, kMain);
    if (p.message.wParam == FLASH_SCENE_VALID) {
        if (const auto* r = As<SceneValidRec>(p)) {
            EXPECT_EQ(r->mask, s.validMask);
        }
    } else if (p.message.wParam == FLASH_SCENE_NAME) {
        if (const auto* r = As<SceneNameRec>(p)) {
            auto expected = s.sceneNames.at(At(r->index + 1));
            if (expected[0] == 0xFF) {
                expected.fill(0);  // erased flash reads as no name
            }
            EXPECT_EQ(r->name, expected) << "scene " << r->index + 1;
        }
    } else {
        ADD_FAILURE() << "no check for scene code " << p.message.wParam;
    }
}

}  // namespace

void Vary(DeviceState& s) {
    s.acc = -3;
    s.powerOffDelayMs = 2500;
    s.flashVersion = {1, 2, 3, 4};
    s.bootLoaderVersion = 9;
    s.password = {'s', 'e', 'c', 'r', 'e', 't'};
    s.remark = {'d', 'e', 'm', 'o'};
    s.dataBlock = {1, 2, 3, 250};
    s.source = 0x56;
    s.mainVolume = -23;
    s.subVolume = 7;
    s.mute = 1;
    s.ampMute = 1;
    s.remOut1 = 0;
    s.remOut2 = 2;
    s.speakerOhm = 2;
    s.noiseGate = 1;
    s.speakerConfig = 3;
    s.factoryPreset = 2;
    s.setupMode = 1;
    s.autoOn = 1;
    s.mixSource = 0x58;
    s.dspStatus = 0;
    s.remoteChannel = 0x0102;
    s.remoteVolume = 17;
    s.inputThreshold = -42;
    s.memory[0x12345678] = 0xDEADBEEF;
    s.inputNoiseTenths = {-655, -801, -20, -999, -1000, -500};
    for (std::size_t src = 0; src < tonvia::sim::kSources; ++src) {
        for (std::size_t i = 0; i < tonvia::sim::kInputSlots; ++i) {
            s.inputDistortion[src][i] = static_cast<std::int8_t>(static_cast<int>(src + i) - 4);
            s.outputDistortion[src][i] =
                static_cast<std::int8_t>(static_cast<int>(src * 2 + i) - 9);
        }
    }
    s.karaoke = {11, 22, 3, 44, 300, 66, 77, 2, -6, 5};
    for (int sc = 0; sc < tonvia::sim::kSceneSlots; ++sc) {
        VaryScene(s.scenes[At(sc)], sc);
    }
    s.validMask = 0b10'0000'0101;  // scenes 1, 3 and 10
    s.currentScene = 3;
    Name(s, 1, "Live");
    Name(s, 3, "Club");
    Name(s, 10, "Night 7");
}

void ExpectMatchesDevice(const PostedMessage& p, const DeviceState& s,
                         const CheckContext& context) {
    SCOPED_TRACE("message " + std::to_string(p.message.message) + " code " +
                 std::to_string(p.message.wParam));
    switch (p.message.message) {
        case WM_READ_DSP_VALUE:
            ExpectDsp(p, s, context);
            return;
        case WM_READ_MCU_VALUE:
            ExpectMcu(p, s);
            return;
        case WM_READ_SENCE_VALUE:
        case WM_SENCE_DELETE_ACK:
        case WM_SENCE_ID:
            ExpectScene(p, s);
            return;
        case WM_READ_KTV_VALUE:
            EXPECT_EQ(p.target, kMain);
            EXPECT_EQ(p.message.lParam, s.karaoke.at(p.message.wParam - 1));
            return;
        case WM_READ_MEM_VALUE:
            EXPECT_EQ(p.target, kMemory);
            if (const auto* r = As<MemDataRec>(p)) {
                const auto found = s.memory.find(r->address);
                EXPECT_EQ(r->data, found == s.memory.end() ? 0u : found->second);
            }
            return;
        default:
            ADD_FAILURE() << "unexpected message";
    }
}

tonvia::sim::Options AmplifierLinkTest::FastOptions() {
    tonvia::sim::Options options;
    options.rebootDelay = 50ms;
    options.notReadyEvery = 3;  // every third firmware block asks for patience first
    return options;
}

AmplifierLinkTest::AmplifierLinkTest() {
    link.mMainWnd = kMain;
    link.mSceneWnd = kScene;
    link.mCalWnd = kCalibration;
    link.mMemWnd = kMemory;
    link.mDialogWnd = kDialog;
    tonvia::tuning::ConfigureLink(link);
    link.OpenHIDDevice();
    EXPECT_TRUE(link.IsConnected());
}

AmplifierLinkTest::~AmplifierLinkTest() = default;

void AmplifierLinkTest::ExpectAllMatch(const std::vector<PostedMessage>& posted,
                                       const CheckContext& context) {
    const DeviceState state = amp.Snapshot();
    for (const PostedMessage& p : posted) {
        ExpectMatchesDevice(p, state, context);
    }
}

}  // namespace e2e
