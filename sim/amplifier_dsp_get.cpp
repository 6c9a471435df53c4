// DSP family, read side: every parameter read and the calibration run's status and data.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/amplifier.h"
#include "sim/amplifier_families.h"

namespace tonvia::sim {

using amplifier_detail::kIrcDone;
using amplifier_detail::kIrcEqReady;
using amplifier_detail::kIrcFail;
using amplifier_detail::kIrcSpectrumReady;
using amplifier_detail::kIrcTestData;
using amplifier_detail::Rejected;
using amplifier_detail::Reply;
using amplifier_detail::Update;
using amplifier_detail::ValidScene;
using amplifier_detail::ValidSource;

namespace {

constexpr int kIrcMeasureSteps = 7;  // statuses 0 … 6

constexpr std::array<std::uint16_t, kCalibrationEqBands> kCalibrationFrequencies{
    20, 40, 80, 160, 315, 630, 1250, 2500, 5000, 10000, 20000};
constexpr std::array<std::uint8_t, 6> kOfferedSources{0x51, 0x53, 0x54, 0x56, 0x58, 0x59};

// The last index a range reply carries: inside `count` and within one frame.
int ClipLast(int first, int last, int count, std::size_t headerSize, std::size_t recordSize) {
    const int fits = static_cast<int>((kMaxReplyData - headerSize) / recordSize);
    return std::min({last, count - 1, first + fits - 1});
}

void PutBand(Bytes& out, const EqBand& band) {
    PutBe16(out, band.freq);
    out.push_back(static_cast<std::uint8_t>(band.qHundredths / 100));
    out.push_back(static_cast<std::uint8_t>(band.qHundredths % 100));
    out.push_back(static_cast<std::uint8_t>(band.gainTenths / 10));
    out.push_back(static_cast<std::uint8_t>(band.gainTenths % 10));
}

// A signed value in hundredths as integer part and hundredths, both carrying the sign.
void PutSignedHundredths(Bytes& out, int hundredths) {
    out.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(hundredths / 100)));
    out.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(hundredths % 100)));
}

// Measured data of the calibration, made up but fixed for a channel.
EqBand CalibrationBand(int channel, int band) {
    EqBand result;
    result.freq = kCalibrationFrequencies[static_cast<std::size_t>(band)];
    result.qHundredths = 141;
    const int gain = (channel * 3 + band * 5) % 13 - 6;  // −6 … +6 dB
    result.gainTenths = static_cast<std::uint16_t>((gain + 18) * 10);
    return result;
}

void PutSpectrumPoint(Bytes& out, int channel, int point) {
    const double freq = 20.0 * std::pow(1000.0, point / double(kSpectrumPoints - 1));
    const auto freqHundredths = static_cast<long>(std::lround(freq * 100));
    PutBe16(out, static_cast<unsigned>(freqHundredths / 100));
    out.push_back(static_cast<std::uint8_t>(freqHundredths % 100));
    const double gain = 6.0 * std::sin(point * 0.15 + channel) - 2.0;
    PutSignedHundredths(out, static_cast<int>(std::lround(gain * 100)));
}

}  // namespace

Bytes Amplifier::CalibrationStatus() {
    auto& cal = mState.calibration;
    if (cal.running) {
        std::vector<int> channels;
        for (int ch = 0; ch < kOutputs; ++ch) {
            if (cal.channelMask & (1u << ch)) {
                channels.push_back(ch);
            }
        }
        const int dataSteps = 2 * static_cast<int>(channels.size());
        const int total = kIrcMeasureSteps + dataSteps + 2;  // then test data and done
        const int step = cal.step;
        cal.failReason = 0;
        if (step == cal.failAtStep) {
            cal.status = kIrcFail;
            cal.failReason = cal.failWith;
            cal.running = false;
        } else if (step < kIrcMeasureSteps) {
            cal.status = static_cast<std::uint8_t>(step);
        } else if (step < kIrcMeasureSteps + dataSteps) {
            const int index = step - kIrcMeasureSteps;
            cal.status = index % 2 == 0 ? kIrcSpectrumReady : kIrcEqReady;
            cal.dataChannel =
                static_cast<std::uint8_t>(channels[static_cast<std::size_t>(index / 2)]);
        } else if (step == kIrcMeasureSteps + dataSteps) {
            cal.status = kIrcTestData;
        } else {
            cal.status = kIrcDone;
            cal.running = false;
        }
        cal.progress = static_cast<std::uint8_t>(std::min(100, step * 100 / (total - 1)));
        ++cal.step;
    }
    return {cal.status, cal.dataChannel, 0, cal.progress, cal.failReason};
}

Outcome Amplifier::HandleDspGet(const Request& request) {
    const std::uint8_t code = request.subcmd;
    ByteReader in(request.data);
    auto& s = mState;
    auto reply = [&](Bytes data) { return Reply(Update(kDsp, code, data)); };
    auto one = [&](std::uint8_t value) { return reply(Bytes{value}); };

    // Range header: scene, source, first, last.
    const std::uint8_t scene = request.data.size() > 0 ? request.data[0] : 0;
    const std::uint8_t source = request.data.size() > 1 ? request.data[1] : 0;
    const SceneParams* params = ValidScene(scene) ? &s.scenes[scene] : nullptr;

    // Output-channel range with one record per channel.
    auto outputRange = [&](std::size_t recordSize, auto put) -> Outcome {
        in.U8();
        in.U8();
        const int first = in.U8();
        const int last = in.U8();
        if (!in.Ok() || params == nullptr || !ValidSource(source)) {
            return Rejected();
        }
        const int clipped = ClipLast(first, last, kOutputs, 4, recordSize);
        Bytes data{scene, source, static_cast<std::uint8_t>(first),
                   static_cast<std::uint8_t>(std::max(clipped, first - 1))};
        for (int ch = first; ch <= clipped; ++ch) {
            put(data, static_cast<std::size_t>(ch));
        }
        return reply(data);
    };
    auto outputBytes = [&](const PerOutput<std::uint8_t> SceneParams::*field) {
        return outputRange(
            1, [&](Bytes& out, std::size_t ch) { out.push_back((params->*field)[ch]); });
    };
    // Input range over the inputs of one source, one signed byte per input.
    auto inputBytes = [&](const PerSource<PerInput<std::int8_t>> SceneParams::*field) -> Outcome {
        in.U8();
        in.U8();
        const int first = in.U8();
        const int last = in.U8();
        if (!in.Ok() || params == nullptr || !ValidSource(source)) {
            return Rejected();
        }
        const int clipped = ClipLast(first, last, kInputSlots, 4, 1);
        Bytes data{scene, source, static_cast<std::uint8_t>(first),
                   static_cast<std::uint8_t>(std::max(clipped, first - 1))};
        for (int i = first; i <= clipped; ++i) {
            data.push_back(
                static_cast<std::uint8_t>((params->*field)[source][static_cast<std::size_t>(i)]));
        }
        return reply(data);
    };
    // Calibration values of channels first … last: [first, last, record per channel].
    auto calibrationRange = [&](std::size_t recordSize, auto put) -> Outcome {
        const int first = in.U8();
        const int last = in.U8();
        if (!in.Ok()) {
            return Rejected();
        }
        const int clipped = ClipLast(first, last, kOutputs, 2, recordSize);
        Bytes data{static_cast<std::uint8_t>(first),
                   static_cast<std::uint8_t>(std::max(clipped, first - 1))};
        for (int ch = first; ch <= clipped; ++ch) {
            put(data, ch);
        }
        return reply(data);
    };
    // Per-band data of one channel: [channel, first, last, record per band].
    auto bandRange = [&](int count, std::size_t recordSize, auto put) -> Outcome {
        const int channel = in.U8();
        const int first = in.U8();
        const int last = in.U8();
        if (!in.Ok() || channel >= kOutputs) {
            return Rejected();
        }
        const int clipped = ClipLast(first, last, count, 3, recordSize);
        Bytes data{static_cast<std::uint8_t>(channel), static_cast<std::uint8_t>(first),
                   static_cast<std::uint8_t>(std::max(clipped, first - 1))};
        for (int band = first; band <= clipped; ++band) {
            put(data, channel, band);
        }
        return reply(data);
    };
    auto link = [&](const Link SceneParams::*field) -> Outcome {
        if (params == nullptr || request.data.empty()) {
            return Rejected();
        }
        const Link& l = params->*field;
        Bytes data{scene, l.on};
        data.insert(data.end(), l.pairFlags.begin(), l.pairFlags.begin() + kOutputs / 2);
        return reply(data);
    };
    // EQ of an output (0x06) or an input (0x23): scene, source, channel, first, last.
    auto eqBands = [&](bool input) -> Outcome {
        in.U8();
        in.U8();
        const int channel = in.U8();
        const int first = in.U8();
        const int last = in.U8();
        if (!in.Ok() || params == nullptr || !ValidSource(source) ||
            channel >= (input ? kInputSlots : kOutputs)) {
            return Rejected();
        }
        const auto& bands = input ? params->inputEq[source][static_cast<std::size_t>(channel)]
                                  : params->eq[static_cast<std::size_t>(channel)];
        const int clipped = ClipLast(first, last, kBands, 5, 6);
        Bytes data{scene, source, static_cast<std::uint8_t>(channel),
                   static_cast<std::uint8_t>(first),
                   static_cast<std::uint8_t>(std::max(clipped, first - 1))};
        for (int band = first; band <= clipped; ++band) {
            PutBand(data, bands[static_cast<std::size_t>(band)]);
        }
        return reply(data);
    };

    switch (code) {
        case 0x00: {  // source configuration: count, then the source codes
            Bytes data{static_cast<std::uint8_t>(kOfferedSources.size())};
            data.insert(data.end(), kOfferedSources.begin(), kOfferedSources.end());
            return reply(data);
        }
        case 0x01:
            return one(s.source);
        case 0x02:
            return one(static_cast<std::uint8_t>(s.mainVolume));
        case 0x03:
            return one(static_cast<std::uint8_t>(s.subVolume));
        case 0x04:
            return one(s.mute);
        case 0x05:  // filters: hp type, hp freq, hp slope, lp type, lp freq, lp slope
            return outputRange(8, [&](Bytes& out, std::size_t ch) {
                const Filter& hp = params->highPass[ch];
                const Filter& lp = params->lowPass[ch];
                out.push_back(hp.type);
                PutBe16(out, hp.freq);
                out.push_back(hp.slope);
                out.push_back(lp.type);
                PutBe16(out, lp.freq);
                out.push_back(lp.slope);
            });
        case 0x06:
            return eqBands(false);
        case 0x07:  // delay: whole ms, thousandths (2)
            return outputRange(3, [&](Bytes& out, std::size_t ch) {
                const std::uint32_t d = params->delayThousandths[ch];
                out.push_back(static_cast<std::uint8_t>(d / 1000));
                PutBe16(out, d % 1000);
            });
        case 0x08:  // trim: attenuation as whole dB and hundredths
            return outputRange(2, [&](Bytes& out, std::size_t ch) {
                const unsigned t = params->trimHundredths[ch];
                out.push_back(static_cast<std::uint8_t>(t / 100));
                out.push_back(static_cast<std::uint8_t>(t % 100));
            });
        case 0x09:
            return outputBytes(&SceneParams::mute);
        case 0x0A:
            return outputBytes(&SceneParams::phase);
        case 0x0B:  // mixer input mask of one source, one byte per output
            return outputRange(
                1, [&](Bytes& out, std::size_t ch) { out.push_back(params->mix[source][ch]); });
        case 0x0C:
            return outputRange(
                1, [&](Bytes& out, std::size_t ch) { out.push_back(params->remap[source][ch]); });
        case 0x0D:
            return outputBytes(&SceneParams::channelType);
        case 0x0E:
            return link(&SceneParams::link);
        case 0x30:
            return link(&SceneParams::trimLink);
        case 0x31:
            return link(&SceneParams::delayLink);
        case 0x0F:
            if (params == nullptr || request.data.empty()) {
                return Rejected();
            }
            return reply({scene, params->lock});
        case 0x10:
            if (params == nullptr) {
                return Rejected();
            }
            return reply({scene, source, params->dspBypass});
        case 0x11:
            if (params == nullptr) {
                return Rejected();
            }
            return reply({scene});
        case 0x12:
            return outputBytes(&SceneParams::peqBypass);
        case 0x13:
            return reply(CalibrationStatus());
        case 0x14:  // distance in metres: whole, hundredths
            return calibrationRange(2, [](Bytes& out, int ch) {
                out.push_back(static_cast<std::uint8_t>(1 + ch / 4));
                out.push_back(static_cast<std::uint8_t>((ch % 4) * 25));
            });
        case 0x15:
            return calibrationRange(
                1, [](Bytes& out, int ch) { out.push_back(static_cast<std::uint8_t>(ch)); });
        case 0x17:
            return calibrationRange(1, [](Bytes& out, int) { out.push_back(1); });
        case 0x18:
            return calibrationRange(1, [](Bytes& out, int) { out.push_back(0); });
        case 0x19:
            return calibrationRange(
                1, [](Bytes& out, int ch) { out.push_back(static_cast<std::uint8_t>(80 - ch)); });
        case 0x1B:
            return calibrationRange(1, [](Bytes& out, int) { out.push_back(30); });
        case 0x16:
            return bandRange(kCalibrationEqBands, 6, [](Bytes& out, int ch, int band) {
                PutBand(out, CalibrationBand(ch, band));
            });
        case 0x1A:
            return bandRange(kSpectrumPoints, 5, [](Bytes& out, int ch, int point) {
                PutSpectrumPoint(out, ch, point);
            });
        case 0x1C:
            return reply({0});
        case 0x20:
            return inputBytes(&SceneParams::inputTrim);
        case 0x21:
            return inputBytes(&SceneParams::inputMute);
        case 0x22:
            return inputBytes(&SceneParams::inputPhase);
        case 0x23:
            return eqBands(true);
        case 0x24: {  // scene, source, input, first output, last output
            in.U8();
            in.U8();
            const int input = in.U8();
            const int first = in.U8();
            const int last = in.U8();
            if (!in.Ok() || params == nullptr || !ValidSource(source) || input >= kInputSlots) {
                return Rejected();
            }
            const int clipped = ClipLast(first, last, kOutputs, 5, 1);
            Bytes data{scene, source, static_cast<std::uint8_t>(input),
                       static_cast<std::uint8_t>(first),
                       static_cast<std::uint8_t>(std::max(clipped, first - 1))};
            for (int out = first; out <= clipped; ++out) {
                data.push_back(params->inputMixTrim[source][static_cast<std::size_t>(input)]
                                                   [static_cast<std::size_t>(out)]);
            }
            return reply(data);
        }
        case 0x26:
            return one(static_cast<std::uint8_t>(s.inputThreshold));
        case 0x27: {  // input noise: (level + 100 dB) as whole and tenths
            const int first = in.U8();
            const int last = in.U8();
            if (!in.Ok()) {
                return Rejected();
            }
            const int clipped = ClipLast(first, last, kInputSlots, 2, 2);
            Bytes data{static_cast<std::uint8_t>(first),
                       static_cast<std::uint8_t>(std::max(clipped, first - 1))};
            for (int i = first; i <= clipped; ++i) {
                const int shifted =
                    std::max(0, s.inputNoiseTenths[static_cast<std::size_t>(i)] + 1000);
                data.push_back(static_cast<std::uint8_t>(shifted / 10));
                data.push_back(static_cast<std::uint8_t>(shifted % 10));
            }
            return reply(data);
        }
        case 0x32:
            return reply({static_cast<std::uint8_t>(s.remoteChannel >> 8),
                          static_cast<std::uint8_t>(s.remoteChannel)});
        case 0x34:
            return outputBytes(&SceneParams::solo);
        case 0x35:
            return one(s.speakerConfig);
        case 0x39:
            return one(s.factoryPreset);
        case 0x3A:
            return one(s.setupMode);
        case 0x3B:
            return one(s.autoOn);
        case 0x36:
        case 0x83:
            if (request.data.size() < 2 || params == nullptr || !ValidSource(source)) {
                return Rejected();
            }
            return reply(
                {scene, source, code == 0x36 ? params->mixType[source] : params->mixType2[source]});
        case 0x37:
            return outputBytes(&SceneParams::hpQMode);
        case 0x38:
            return outputBytes(&SceneParams::lpQMode);
        case 0x3E:  // bypass, threshold + 100, ratio, knee (whole, tenths), attack, release
            return outputRange(11, [&](Bytes& out, std::size_t ch) {
                const Compressor& c = params->compressor[ch];
                out.push_back(c.bypass);
                out.push_back(static_cast<std::uint8_t>(c.thresholdTenths / 10));
                out.push_back(static_cast<std::uint8_t>(c.thresholdTenths % 10));
                out.push_back(static_cast<std::uint8_t>(c.ratioTenths / 10));
                out.push_back(static_cast<std::uint8_t>(c.ratioTenths % 10));
                out.push_back(static_cast<std::uint8_t>(c.kneeTenths / 10));
                out.push_back(static_cast<std::uint8_t>(c.kneeTenths % 10));
                PutBe16(out, c.attackMs);
                PutBe16(out, c.releaseMs);
            });
        case 0x3F:
            return one(s.ampMute);
        case 0x40:
        case 0x41: {  // distortion: source, first, last, one signed byte per channel
            in.U8();
            in.U8();
            const int first = in.U8();
            const int last = in.U8();
            if (!in.Ok() || !ValidSource(source)) {
                return Rejected();
            }
            const bool inputs = code == 0x40;
            const int clipped = ClipLast(first, last, inputs ? kInputSlots : kOutputs, 3, 1);
            Bytes data{source, static_cast<std::uint8_t>(first),
                       static_cast<std::uint8_t>(std::max(clipped, first - 1))};
            for (int i = first; i <= clipped; ++i) {
                const auto index = static_cast<std::size_t>(i);
                data.push_back(static_cast<std::uint8_t>(
                    inputs ? s.inputDistortion[source][index] : s.outputDistortion[source][index]));
            }
            return reply(data);
        }
        case 0x42: {  // memory word: address and data, little-endian
            const std::uint32_t address = in.Le32();
            if (!in.Ok()) {
                return Rejected();
            }
            const auto found = s.memory.find(address);
            Bytes data;
            PutLe32(data, address);
            PutLe32(data, found == s.memory.end() ? 0 : found->second);
            return reply(data);
        }
        case 0x43:
            return outputRange(
                2, [&](Bytes& out, std::size_t ch) { PutBe16(out, params->speakerDistance[ch]); });
        case 0x44:
            return one(s.mixSource);
        case 0x45:
            return reply({s.remOut1, s.remOut2});
        case 0x46:
            return one(s.dspStatus);
        case 0x47: {  // scene, source, input channel
            const int input = request.data.size() > 2 ? request.data[2] : kInputSlots;
            if (params == nullptr || !ValidSource(source) || input >= kInputSlots) {
                return Rejected();
            }
            const CrossMix& m = params->crossMix[source][static_cast<std::size_t>(input)];
            return reply({scene, source, static_cast<std::uint8_t>(input), m.viceSource,
                          m.viceChannel, m.viceGain});
        }
        case 0x4D: {  // scene, source, 0, 0, input channel
            const int input = request.data.size() > 4 ? request.data[4] : kInputSlots;
            if (params == nullptr || !ValidSource(source) || input >= kInputSlots) {
                return Rejected();
            }
            const CrossMix& m = params->crossMixCs[source][static_cast<std::size_t>(input)];
            return reply(
                {scene, source, m.viceSource, m.viceChannel, static_cast<std::uint8_t>(input)});
        }
        case 0x49:
            return outputBytes(&SceneParams::compressorOn);
        case 0x4A:  // threshold whole and tenths (signed), attack, release s and tenths
            return outputRange(6, [&](Bytes& out, std::size_t ch) {
                const Compressor2& c = params->compressor2[ch];
                out.push_back(static_cast<std::uint8_t>(c.thresholdInt));
                out.push_back(static_cast<std::uint8_t>(c.thresholdTenths));
                PutBe16(out, c.attackMs);
                out.push_back(c.releaseSeconds);
                out.push_back(c.releaseTenths);
            });
        case 0x4B:
            return one(s.speakerOhm);
        case 0x4C: {  // scene, source, count of bridge bytes
            if (request.data.size() < 2 || params == nullptr) {
                return Rejected();
            }
            const std::size_t count = std::min<std::size_t>(
                request.data.size() > 2 ? request.data[2] : params->bridgeCount, kBridgeBytes);
            Bytes data{scene, source, static_cast<std::uint8_t>(count)};
            data.insert(data.end(), params->bridge.begin(),
                        params->bridge.begin() + static_cast<std::ptrdiff_t>(count));
            return reply(data);
        }
        case 0x4E:
            return one(s.noiseGate);
        default:
            return Rejected();
    }
}

}  // namespace tonvia::sim
