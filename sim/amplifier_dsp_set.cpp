// DSP family: the dispatch of reads and writes, and the write side.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "sim/amplifier.h"
#include "sim/amplifier_families.h"

namespace tonvia::sim {

using amplifier_detail::Ack;
using amplifier_detail::kIrcExit;
using amplifier_detail::Rejected;
using amplifier_detail::Reply;
using amplifier_detail::ValidScene;
using amplifier_detail::ValidSource;

namespace {

// A band as the application sends it: Q and gain with a tenths digit.
EqBand ReadBand(ByteReader& in) {
    EqBand band;
    band.freq = in.Be16();
    const unsigned qInt = in.U8();
    const unsigned qTenths = in.U8();
    const unsigned gainInt = in.U8();
    const unsigned gainTenths = in.U8();
    band.qHundredths = static_cast<std::uint16_t>(qInt * 100 + qTenths * 10);
    band.gainTenths = static_cast<std::uint16_t>(gainInt * 10 + gainTenths);
    return band;
}

}  // namespace

Outcome Amplifier::HandleDsp(const Request& request) {
    if (request.optype == kOpGet) {
        return HandleDspGet(request);
    }
    if (request.optype != kOpSet) {
        return Rejected();
    }
    const bool stored = ApplyDspSet(request);
    Outcome outcome = Reply(Ack(kDsp, request.subcmd, stored ? kAckReady : kAckNotReady));
    outcome.rejected = !stored;
    return outcome;
}

bool Amplifier::ApplyDspSet(const Request& request) {
    const std::uint8_t code = request.subcmd;
    ByteReader in(request.data);
    auto& s = mState;
    auto byte = [&](std::uint8_t& field) {
        const std::uint8_t v = in.U8();
        if (in.Ok()) {
            field = v;
        }
        return in.Ok();
    };
    auto signedByte = [&](std::int8_t& field) {
        const std::int8_t v = in.S8();
        if (in.Ok()) {
            field = v;
        }
        return in.Ok();
    };
    // Scene and source bytes; null when either is out of range.
    auto sceneSource = [&](std::uint8_t& source) -> SceneParams* {
        const std::uint8_t scene = in.U8();
        source = in.U8();
        if (!in.Ok() || !ValidScene(scene) || !ValidSource(source)) {
            return nullptr;
        }
        return &s.scenes[scene];
    };
    // Range header then `recordSize` bytes per index; indices beyond `count` are skipped.
    auto range = [&](int count, std::size_t recordSize, auto store) {
        std::uint8_t source = 0;
        SceneParams* params = sceneSource(source);
        const int first = in.U8();
        const int last = in.U8();
        if (params == nullptr || !in.Ok()) {
            return false;
        }
        if (in.Left() < static_cast<std::size_t>(std::max(0, last - first + 1)) * recordSize) {
            return false;
        }
        for (int i = first; i <= last; ++i) {
            store(*params, source, static_cast<std::size_t>(i), i < count);
        }
        return in.Ok();
    };
    auto outputBytes = [&](PerOutput<std::uint8_t> SceneParams::*field) {
        return range(kOutputs, 1, [&](SceneParams& p, std::uint8_t, std::size_t ch, bool keep) {
            const std::uint8_t v = in.U8();
            if (keep) {
                (p.*field)[ch] = v;
            }
        });
    };
    auto inputBytes = [&](PerSource<PerInput<std::int8_t>> SceneParams::*field) {
        return range(kInputSlots, 1,
                     [&](SceneParams& p, std::uint8_t source, std::size_t i, bool keep) {
                         const std::int8_t v = in.S8();
                         if (keep) {
                             (p.*field)[source][i] = v;
                         }
                     });
    };

    switch (code) {
        case 0x01:
            return byte(s.source);
        case 0x02: {  // the attenuation below the top of the range: +6 dB travels as 0
            const int attenuation = in.S8();
            if (in.Ok()) {
                s.mainVolume = static_cast<std::int8_t>(std::clamp(6 - attenuation, -128, 127));
            }
            return in.Ok();
        }
        case 0x03:
            return signedByte(s.subVolume);
        case 0x04:
            return byte(s.mute);
        case 0x05: {  // scene, source, channel, filter (1 low-pass, 2 high-pass), type, freq, slope
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int channel = in.U8();
            const int which = in.U8();
            Filter filter;
            filter.type = in.U8();
            filter.freq = in.Be16();
            filter.slope = in.U8();
            if (p == nullptr || !in.Ok() || channel >= kOutputs || (which != 1 && which != 2)) {
                return false;
            }
            (which == 1 ? p->lowPass : p->highPass)[static_cast<std::size_t>(channel)] = filter;
            return true;
        }
        case 0x06: {  // scene, source, channel, band, then the band
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int channel = in.U8();
            const int band = in.U8();
            const EqBand value = ReadBand(in);
            if (p == nullptr || !in.Ok() || channel >= kOutputs || band >= kBands) {
                return false;
            }
            p->eq[static_cast<std::size_t>(channel)][static_cast<std::size_t>(band)] = value;
            return true;
        }
        case 0x07:
            return range(kOutputs, 3, [&](SceneParams& p, std::uint8_t, std::size_t ch, bool keep) {
                const std::uint32_t whole = in.U8();
                const std::uint32_t thousandths = in.Be16();
                if (keep) {
                    p.delayThousandths[ch] = whole * 1000 + thousandths % 1000;
                }
            });
        case 0x08: {
            // Two bytes per channel (whole dB, hundredths) or, in the short form, one.
            const std::size_t count =
                request.data.size() >= 4
                    ? static_cast<std::size_t>(std::max(0, request.data[3] - request.data[2] + 1))
                    : 0;
            const bool twoBytes = count == 0 || request.data.size() - 4 >= 2 * count;
            return range(kOutputs, twoBytes ? 2 : 1,
                         [&](SceneParams& p, std::uint8_t, std::size_t ch, bool keep) {
                             const unsigned whole = in.U8();
                             const unsigned hundredths = twoBytes ? in.U8() : 0;
                             if (keep) {
                                 p.trimHundredths[ch] =
                                     static_cast<std::uint16_t>(whole * 100 + hundredths % 100);
                             }
                         });
        }
        case 0x09:
            return outputBytes(&SceneParams::mute);
        case 0x0A:
            return outputBytes(&SceneParams::phase);
        case 0x0B:
            return range(kOutputs, 1,
                         [&](SceneParams& p, std::uint8_t source, std::size_t ch, bool keep) {
                             const std::uint8_t mask = in.U8();
                             if (keep) {
                                 p.mix[source][ch] = mask;
                             }
                         });
        case 0x0C: {  // scene, source, output, then input numbers
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int output = in.U8();
            const std::uint8_t input = in.U8();
            if (p == nullptr || !in.Ok() || output >= kOutputs) {
                return false;
            }
            p->remap[source][static_cast<std::size_t>(output)] = input;
            return true;
        }
        case 0x0D:
            return outputBytes(&SceneParams::channelType);
        case 0x0E: {  // scene, link, count, pairs (from, to)
            const std::uint8_t scene = in.U8();
            const std::uint8_t on = in.U8();
            const int count = in.U8();
            if (!in.Ok() || !ValidScene(scene) || in.Left() < static_cast<std::size_t>(2 * count)) {
                return false;
            }
            SceneParams& p = s.scenes[scene];
            p.link = Link{};
            p.link.on = on;
            for (int i = 0; i < count; ++i) {
                const std::size_t from = in.U8();
                const std::size_t to = in.U8();
                if (from >= kOutputs || to >= kOutputs) {
                    continue;
                }
                p.link.pairFlags[from / 2] = 1;
                p.link.pairFlags[to / 2] = 1;
                if (on == 1) {
                    // The device copies the channel's settings along the pair itself.
                    p.eq[to] = p.eq[from];
                    p.highPass[to] = p.highPass[from];
                    p.lowPass[to] = p.lowPass[from];
                }
            }
            return true;
        }
        case 0x0F: {
            const std::uint8_t scene = in.U8();
            const std::uint8_t lock = in.U8();
            if (!in.Ok() || !ValidScene(scene)) {
                return false;
            }
            s.scenes[scene].lock = lock;
            return true;
        }
        case 0x10: {
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            return p != nullptr && byte(p->dspBypass);
        }
        case 0x11: {  // scene, source, count, channels: their EQ back to flat
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int count = in.U8();
            if (p == nullptr || !in.Ok() || in.Left() < static_cast<std::size_t>(count)) {
                return false;
            }
            const SceneParams defaults = DefaultScene();
            for (int i = 0; i < count; ++i) {
                const std::size_t ch = in.U8();
                if (ch < kOutputs) {
                    p->eq[ch] = defaults.eq[ch];
                }
            }
            return true;
        }
        case 0x12:
            return outputBytes(&SceneParams::peqBypass);
        case 0x13: {  // on (0 stop, 1 start, 2 keep, 3 discard), channel mask, EQ mode
            auto& cal = s.calibration;
            const std::uint8_t on = in.U8();
            const std::uint16_t mask = in.Be16();
            const std::uint8_t eqMode = in.U8();
            if (!in.Ok()) {
                return false;
            }
            if (on == 1) {
                cal.running = true;
                cal.channelMask = mask;
                cal.eqMode = eqMode;
                cal.step = 0;
                cal.status = 0;
                cal.progress = 0;
                cal.failReason = 0;
                cal.dataChannel = 0;
            } else if (on == 0) {
                if (cal.running) {
                    cal.status = kIrcExit;
                }
                cal.running = false;
            } else {
                cal.lastDecision = on;
            }
            return true;
        }
        case 0x1D:
            return byte(s.calibration.testMic);
        case 0x1E:
            return byte(s.calibration.module);
        case 0x20:
            return inputBytes(&SceneParams::inputTrim);
        case 0x21:
            return inputBytes(&SceneParams::inputMute);
        case 0x22:
            return inputBytes(&SceneParams::inputPhase);
        case 0x23: {  // scene, source, input, first band, last band, bands
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int input = in.U8();
            const int first = in.U8();
            const int last = in.U8();
            if (p == nullptr || !in.Ok() || input >= kInputSlots) {
                return false;
            }
            for (int band = first; band <= last; ++band) {
                const EqBand value = ReadBand(in);
                if (in.Ok() && band < kBands) {
                    p->inputEq[source][static_cast<std::size_t>(input)]
                              [static_cast<std::size_t>(band)] = value;
                }
            }
            return in.Ok();
        }
        case 0x24: {  // scene, source, input, first output, last output, trims
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int input = in.U8();
            const int first = in.U8();
            const int last = in.U8();
            if (p == nullptr || !in.Ok() || input >= kInputSlots) {
                return false;
            }
            for (int out = first; out <= last; ++out) {
                const std::uint8_t trim = in.U8();
                if (in.Ok() && out < kOutputs) {
                    p->inputMixTrim[source][static_cast<std::size_t>(input)]
                                   [static_cast<std::size_t>(out)] = trim;
                }
            }
            return in.Ok();
        }
        case 0x26:
            return signedByte(s.inputThreshold);
        case 0x28: {  // scene, source, first input, last input, output, trims
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int first = in.U8();
            const int last = in.U8();
            const int out = in.U8();
            if (p == nullptr || !in.Ok() || out >= kOutputs) {
                return false;
            }
            for (int input = first; input <= last; ++input) {
                const std::uint8_t trim = in.U8();
                if (in.Ok() && input < kInputSlots) {
                    p->inputMixTrim[source][static_cast<std::size_t>(input)]
                                   [static_cast<std::size_t>(out)] = trim;
                }
            }
            return in.Ok();
        }
        case 0x32: {
            const std::uint16_t selection = in.Be16();
            if (in.Ok()) {
                s.remoteChannel = selection;
            }
            return in.Ok();
        }
        case 0x33:
            return byte(s.remoteVolume);
        case 0x34:
            return outputBytes(&SceneParams::solo);
        case 0x35:
            return byte(s.speakerConfig);
        case 0x36:
        case 0x83: {
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            return p != nullptr && byte(code == 0x36 ? p->mixType[source] : p->mixType2[source]);
        }
        case 0x37:
            return outputBytes(&SceneParams::hpQMode);
        case 0x38:
            return outputBytes(&SceneParams::lpQMode);
        case 0x39:
            return byte(s.factoryPreset);
        case 0x3A:
            return byte(s.setupMode);
        case 0x3B: {  // scene, on
            const std::uint8_t scene = in.U8();
            const std::uint8_t on = in.U8();
            if (!in.Ok() || !ValidScene(scene)) {
                return false;
            }
            s.scenes[scene].autoEffect = on;
            s.autoOn = on;
            return true;
        }
        case 0x3C: {
            const std::uint8_t scene = in.U8();
            const std::uint8_t value = in.U8();
            if (!in.Ok() || !ValidScene(scene)) {
                return false;
            }
            s.scenes[scene].ircActiveBypass = value;
            return true;
        }
        case 0x3D:
            s.surroundBlock = request.data;
            return true;
        case 0x3E: {  // scene, source, channel, then the 11-byte compressor block
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int channel = in.U8();
            Compressor c;
            c.bypass = in.U8();
            const unsigned thresholdWhole = in.U8();
            c.thresholdTenths = static_cast<std::uint16_t>(thresholdWhole * 10 + in.U8());
            const unsigned ratioWhole = in.U8();
            c.ratioTenths = static_cast<std::uint16_t>(ratioWhole * 10 + in.U8());
            const unsigned kneeWhole = in.U8();
            c.kneeTenths = static_cast<std::uint16_t>(kneeWhole * 10 + in.U8());
            c.attackMs = in.Be16();
            c.releaseMs = in.Be16();
            if (p == nullptr || !in.Ok() || channel >= kOutputs) {
                return false;
            }
            p->compressor[static_cast<std::size_t>(channel)] = c;
            return true;
        }
        case 0x3F:
            return byte(s.ampMute);
        case 0x42: {
            const std::uint32_t address = in.Le32();
            const std::uint32_t data = in.Le32();
            if (in.Ok()) {
                s.memory[address] = data;
            }
            return in.Ok();
        }
        case 0x43:
            return range(kOutputs, 2, [&](SceneParams& p, std::uint8_t, std::size_t ch, bool keep) {
                const std::uint16_t distance = in.Be16();
                if (keep) {
                    p.speakerDistance[ch] = distance;
                }
            });
        case 0x44:
            return byte(s.mixSource);
        case 0x45: {
            const std::uint8_t first = in.U8();
            const std::uint8_t second = in.U8();
            if (in.Ok()) {
                s.remOut1 = first;
                s.remOut2 = second;
            }
            return in.Ok();
        }
        case 0x47: {  // scene, source, channel, second source, second channel, second gain
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const int input = in.U8();
            CrossMix m;
            m.viceSource = in.U8();
            m.viceChannel = in.U8();
            m.viceGain = in.U8();
            if (p == nullptr || !in.Ok() || input >= kInputSlots) {
                return false;
            }
            p->crossMix[source][static_cast<std::size_t>(input)] = m;
            return true;
        }
        case 0x4D: {  // scene, source, second source, second channel, channel
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            CrossMix m;
            m.viceSource = in.U8();
            m.viceChannel = in.U8();
            const int input = in.U8();
            if (p == nullptr || !in.Ok() || input >= kInputSlots) {
                return false;
            }
            m.viceGain = p->crossMixCs[source][static_cast<std::size_t>(input)].viceGain;
            p->crossMixCs[source][static_cast<std::size_t>(input)] = m;
            return true;
        }
        case 0x49:
            return outputBytes(&SceneParams::compressorOn);
        case 0x4A:
            return range(kOutputs, 6, [&](SceneParams& p, std::uint8_t, std::size_t ch, bool keep) {
                Compressor2 c;
                c.thresholdInt = in.S8();
                c.thresholdTenths = in.S8();
                c.attackMs = in.Be16();
                c.releaseSeconds = in.U8();
                c.releaseTenths = in.U8();
                if (keep) {
                    p.compressor2[ch] = c;
                }
            });
        case 0x4B:
            return byte(s.speakerOhm);
        case 0x4C: {  // scene, source, count, bridge bytes
            std::uint8_t source = 0;
            SceneParams* p = sceneSource(source);
            const std::size_t count = in.U8();
            if (p == nullptr || !in.Ok() || count > kBridgeBytes || in.Left() < count) {
                return false;
            }
            p->bridgeCount = static_cast<std::uint8_t>(count);
            for (std::size_t i = 0; i < count; ++i) {
                p->bridge[i] = in.U8();
            }
            return true;
        }
        case 0x4E:
            return byte(s.noiseGate);
        default:
            return true;  // taken without effect
    }
}

}  // namespace tonvia::sim
