#include "commands/payloads.h"

#include <algorithm>
#include <cmath>

#include "commands/command_codes.h"
#include "link/frame.h"
#include "platform/log.h"

namespace tonvia::commands {
namespace {

// Wire forms of values the model does not hold.
constexpr WireForm kSignedTenths{0.0, 10, kWireSignedByte, 1};
constexpr WireForm kTenths{0.0, 10, kWireByte, 1};
constexpr WireForm kCompressorThreshold{100.0, 10, kWireByte, 1};  // dB + 100

// The low `bytes` bytes of a value its field has accepted, high first.
void AppendField(Payload& out, long long value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

bool Fits(long long value, const WireField& field) {
    if (field.Holds(value)) {
        return true;
    }
    LogPrintA("value %lld outside its field (%lld to %lld); not sent\n", value, field.min,
              field.max);
    return false;
}

// The data of one command, field by field; one refused value refuses the whole command.
class Fields {
  public:
    explicit Fields(Payload start = {}) : mData(std::move(start)) {}

    void Put(std::initializer_list<WireValue> values) {
        for (const WireValue& v : values) {
            if (Fits(v.value, v.field)) {
                AppendField(mData, v.value, v.field.bytes);
            } else {
                mOk = false;
            }
        }
    }
    template <class Bytes>
    void Put(const std::optional<Bytes>& bytes) {
        if (bytes) {
            mData.insert(mData.end(), bytes->begin(), bytes->end());
        } else {
            mOk = false;
        }
    }
    void PutBytes(std::span<const std::uint8_t> bytes) {
        mData.insert(mData.end(), bytes.begin(), bytes.end());
    }
    std::optional<Payload> Take() {
        if (!mOk) {
            return std::nullopt;
        }
        return std::move(mData);
    }

  private:
    Payload mData;
    bool mOk = true;
};

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> AsArray(const std::optional<Payload>& bytes) {
    if (!bytes || bytes->size() != N) {
        return std::nullopt;
    }
    std::array<std::uint8_t, N> out{};
    std::copy(bytes->begin(), bytes->end(), out.begin());
    return out;
}

// Refuses data that cannot travel in one frame.
std::optional<Payload> Checked(std::optional<Payload> data) {
    if (!data) {
        return std::nullopt;
    }
    if (data->size() > MAX_FRAME_DATA) {
        LogPrintA("command data of %zu bytes exceeds one frame (%zu); not sent\n", data->size(),
                  MAX_FRAME_DATA);
        return std::nullopt;
    }
    return data;
}

// Header, then encode(value, fields) for the first RangeCount(first, last) values.
template <class T, class Encode>
std::optional<Payload> BuildRange(std::optional<Payload> header, int first, int last,
                                  std::span<const T> values, Encode encode) {
    const auto count = static_cast<std::size_t>(RangeCount(first, last));
    if (values.size() < count) {
        LogPrintA("range %d to %d needs %zu values, %zu given; not sent\n", first, last, count,
                  values.size());
        return std::nullopt;
    }
    if (!header) {
        return std::nullopt;
    }
    Fields data(std::move(*header));
    for (std::size_t i = 0; i < count; ++i) {
        encode(values[i], data);
    }
    return Checked(data.Take());
}

std::optional<Payload> Header(int a, int b, int c, int d) {
    return BuildFields({a, b, c, d});
}

void AppendBand(Fields& out, int freq, float q, float gain) {
    out.Put(EncodeScaled(freq, kFrequency.wire, "frequency"));
    out.Put(EncodeQ(q));
    out.Put(EncodeEqGain(gain));
}

}  // namespace

BandSetting ToBandSetting(const EqBand& band) {
    return {band.freq, band.q, band.gain};
}

SplitValue SplitScaled(double value, int unitsPerWhole) {
    const long scaled = std::lround(value * unitsPerWhole);
    return {scaled / unitsPerWhole, scaled % unitsPerWhole};
}

std::optional<Payload> BuildFields(std::initializer_list<WireValue> values) {
    Fields fields;
    fields.Put(values);
    return fields.Take();
}

std::optional<Payload> EncodeScaled(double value, const WireForm& form, const char* what) {
    const auto units = static_cast<double>(form.unitsPerWhole);
    const double shifted = value + form.offset;
    const double reach =
        (static_cast<double>(std::max(-form.whole.min, form.whole.max)) + 1.0) * units;
    // Rounding is only defined within long (and not for NaN), so far values stop here.
    bool fits = std::fabs(shifted * units) < reach;
    SplitValue split;
    if (fits) {
        split = SplitScaled(shifted, form.unitsPerWhole);
        fits = form.whole.Holds(split.whole) && (form.whole.min < 0 || split.fraction >= 0);
    }
    if (!fits) {
        const double slack = (units - 1.0) / units;
        const double lowest =
            static_cast<double>(form.whole.min) - (form.whole.min < 0 ? slack : 0.0) - form.offset;
        const double highest = static_cast<double>(form.whole.max) + slack - form.offset;
        LogPrintA("%s %g outside the wire range %g to %g; not sent\n", what, value, lowest,
                  highest);
        return std::nullopt;
    }
    Payload out;
    AppendField(out, split.whole, form.whole.bytes);
    AppendField(out, split.fraction, form.fractionBytes);
    return out;
}

std::optional<std::array<std::uint8_t, 2>> EncodeQ(float q) {
    return AsArray<2>(EncodeScaled(q, kEqQ.wire, "EQ Q"));
}

std::optional<std::array<std::uint8_t, 2>> EncodeEqGain(float gainDb) {
    return AsArray<2>(EncodeScaled(gainDb, kEqGain.wire, "EQ gain"));
}

std::optional<std::array<std::uint8_t, 3>> EncodeDelay(float ms) {
    return AsArray<3>(EncodeScaled(ms, kDelay.wire, "delay"));
}

std::optional<Payload> EncodeTrim(float attenuationDb, bool twoBytes) {
    std::optional<Payload> bytes = EncodeScaled(attenuationDb, kChannelLevel.wire, "trim");
    if (bytes && !twoBytes) {
        bytes->resize(1);  // the integer part alone
    }
    return bytes;
}

std::optional<std::array<std::uint8_t, 2>> EncodeTenths(double value) {
    return AsArray<2>(EncodeScaled(value, kSignedTenths, "value"));
}

std::optional<std::array<std::uint8_t, 2>> EncodeReleaseSeconds(int ms) {
    return AsArray<2>(EncodeScaled(static_cast<double>(ms) / 1000.0, kTenths, "release time"));
}

std::optional<std::array<std::uint8_t, 2>> BigEndian16(int value) {
    return AsArray<2>(BuildFields({{value, kWireWord}}));
}

std::array<std::uint8_t, 4> LittleEndian32(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// A mask, not a number: bits above the device's inputs stand for no input and are left off.
Payload EncodeMixMask(std::uint32_t mask, int inChannels) {
    Payload out;
    AppendField(out, mask, inChannels < 9 ? 1 : 2);
    return out;
}

int RangeCount(int first, int last) {
    return last < first ? 0 : last - first + 1;
}

std::optional<Payload> BuildByteRange(int scene, int source, int first, int last,
                                      std::span<const int> values, WireField field) {
    return BuildRange(Header(scene, source, first, last), first, last, values,
                      [field](int v, Fields& out) {
                          out.Put({{v, field}});
                      });
}

std::optional<Payload> BuildDelayRange(int scene, int source, int first, int last,
                                       std::span<const float> delaysMs) {
    return BuildRange(Header(scene, source, first, last), first, last, delaysMs,
                      [](float v, Fields& out) { out.Put(EncodeDelay(v)); });
}

std::optional<Payload> BuildTrimRange(int scene, int source, int first, int last,
                                      std::span<const float> attenuationsDb, bool twoBytes) {
    return BuildRange(Header(scene, source, first, last), first, last, attenuationsDb,
                      [twoBytes](float v, Fields& out) { out.Put(EncodeTrim(v, twoBytes)); });
}

std::optional<Payload> BuildMixRange(int scene, int source, int first, int last,
                                     std::span<const std::uint32_t> masks, int inChannels) {
    return BuildRange(
        Header(scene, source, first, last), first, last, masks,
        [inChannels](std::uint32_t v, Fields& out) { out.PutBytes(EncodeMixMask(v, inChannels)); });
}

std::optional<Payload> BuildSpkDistRange(int scene, int source, int first, int last,
                                         std::span<const int> hundredths) {
    return BuildRange(Header(scene, source, first, last), first, last, hundredths,
                      [](int v, Fields& out) { out.Put(BigEndian16(v)); });
}

std::optional<Payload> BuildCompressor2Range(int scene, int source, int first, int last,
                                             std::span<const Compressor2Setting> settings) {
    return BuildRange(Header(scene, source, first, last), first, last, settings,
                      [](const Compressor2Setting& v, Fields& out) {
                          out.Put(EncodeTenths(v.threshold));
                          out.Put(BigEndian16(v.attack));
                          out.Put(EncodeReleaseSeconds(v.release));
                      });
}

std::optional<Payload> BuildEqBand(int scene, int source, int channel, int band, int freq, float q,
                                   float gain) {
    Fields data;
    data.Put({scene, source, channel, band});
    AppendBand(data, freq, q, gain);
    return data.Take();
}

std::optional<Payload> BuildInputEqBands(int scene, int source, int channel, int firstBand,
                                         int lastBand, std::span<const BandSetting> bands) {
    return BuildRange(
        BuildFields({scene, source, channel, firstBand, lastBand}), firstBand, lastBand, bands,
        [](const BandSetting& b, Fields& out) { AppendBand(out, b.freq, b.q, b.gain); });
}

std::optional<Payload> BuildFilter(int scene, int source, int channel, int filter, int freq,
                                   int slope, int type) {
    Fields data;
    data.Put({scene, source, channel, filter, type});
    data.Put(EncodeScaled(freq, kFrequency.wire, "frequency"));
    data.Put({slope});
    return data.Take();
}

std::optional<Payload> BuildInputMixTrim(int scene, int source, int input, int firstOutput,
                                         int lastOutput, std::span<const int> trims) {
    return BuildRange(BuildFields({scene, source, input, firstOutput, lastOutput}), firstOutput,
                      lastOutput, trims, [](int v, Fields& out) {
                          out.Put({{v, kWireSignedByte}});
                      });
}

std::optional<Payload> BuildInputMixTrim2(int scene, int source, int firstInput, int lastInput,
                                          int output, std::span<const int> trims) {
    return BuildRange(BuildFields({scene, source, firstInput, lastInput, output}), firstInput,
                      lastInput, trims, [](int v, Fields& out) {
                          out.Put({{v, kWireSignedByte}});
                      });
}

std::optional<Payload> BuildCompressor(int scene, int source, int channel, int bypass,
                                       float threshold, float ratio, float knee, int attack,
                                       int release) {
    Fields data;
    data.Put({scene, source, channel, bypass});
    data.Put(EncodeScaled(threshold, kCompressorThreshold, "compressor threshold"));
    data.Put(EncodeScaled(ratio, kTenths, "compressor ratio"));
    data.Put(EncodeScaled(knee, kTenths, "compressor knee"));
    data.Put(BigEndian16(attack));
    data.Put(BigEndian16(release));
    return data.Take();
}

std::optional<Payload> BuildList(std::initializer_list<WireValue> header,
                                 std::span<const int> values) {
    Fields data;
    data.Put(header);
    for (const int v : values) {
        data.Put({v});
    }
    return Checked(data.Take());
}

std::optional<Payload> BuildChannelLink(int scene, int link, std::span<const ChannelPair> pairs) {
    Fields data;
    data.Put({scene, link, static_cast<long long>(pairs.size())});
    for (const ChannelPair& pair : pairs) {
        data.Put({pair.from, pair.to});
    }
    return Checked(data.Take());
}

Payload BuildMemData(std::uint32_t address, std::uint32_t data) {
    const auto a = LittleEndian32(address);
    const auto d = LittleEndian32(data);
    return {a[0], a[1], a[2], a[3], d[0], d[1], d[2], d[3]};
}

std::optional<Payload> BuildKtvValue(std::uint8_t code, int value) {
    if (code == KTV_ECHO_DELAY) {
        return BuildFields({{value, kWireWord}});
    }
    const bool isSigned = code == KTV_BASS_GAIN || code == KTV_TREBLE_GAIN;
    return BuildFields({{value, isSigned ? kWireSignedByte : kWireByte}});
}

std::optional<Payload> BuildSceneName(int slot, std::span<const std::uint8_t> name) {
    Fields data;
    data.Put({slot, static_cast<long long>(name.size())});
    data.PutBytes(name);
    return Checked(data.Take());
}

std::optional<Payload> BuildSceneProfileChunk(int slot, int start,
                                              std::span<const std::uint8_t> bytes) {
    if (bytes.size() > SCENE_PROFILE_CHUNK_MAX) {
        LogPrintA("scene profile chunk of %zu bytes exceeds %zu; not sent\n", bytes.size(),
                  SCENE_PROFILE_CHUNK_MAX);
        return std::nullopt;
    }
    Fields data;
    data.Put({{slot}, {start, kWireWord}, {static_cast<long long>(bytes.size())}});
    data.PutBytes(bytes);
    return data.Take();
}

}  // namespace tonvia::commands
