#include "commands/payloads.h"

#include <cmath>

#include "app/log.h"
#include "commands/command_codes.h"
#include "link/frame.h"

namespace tonvia::commands {
namespace {

std::uint8_t Byte(long value) {
    return static_cast<std::uint8_t>(value);
}

// Refuses data that cannot travel in one frame.
std::optional<Payload> Checked(Payload data) {
    if (data.size() > MAX_FRAME_DATA) {
        LogPrintA("command data of %zu bytes exceeds one frame (%zu); not sent\n", data.size(),
                  MAX_FRAME_DATA);
        return std::nullopt;
    }
    return data;
}

// Header, then encode(value, out) for the first RangeCount(first, last) values.
template <class T, class Encode>
std::optional<Payload> BuildRange(Payload header, int first, int last, std::span<const T> values,
                                  Encode encode) {
    const auto count = static_cast<std::size_t>(RangeCount(first, last));
    if (values.size() < count) {
        LogPrintA("range %d to %d needs %zu values, %zu given; not sent\n", first, last, count,
                  values.size());
        return std::nullopt;
    }
    Payload data = std::move(header);
    for (std::size_t i = 0; i < count; ++i) {
        encode(values[i], data);
    }
    return Checked(std::move(data));
}

Payload Header(int a, int b, int c, int d) {
    return {Byte(a), Byte(b), Byte(c), Byte(d)};
}

void AppendBand(Payload& out, int freq, float q, float gain) {
    const auto f = BigEndian16(freq);
    const auto qb = EncodeQ(q);
    const auto g = EncodeEqGain(gain);
    // One byte at a time: GCC 12 at -O3 misreads an initializer-list insert into a
    // vector grown from four bytes as an out-of-bounds copy (-Warray-bounds).
    for (const std::uint8_t b : {f[0], f[1], qb[0], qb[1], g[0], g[1]}) {
        out.push_back(b);
    }
}

}  // namespace

BandSetting ToBandSetting(const EqBand& band) {
    return {band.freq, band.q, band.gain};
}

SplitValue SplitScaled(double value, int unitsPerWhole) {
    const long scaled = std::lround(value * unitsPerWhole);
    return {scaled / unitsPerWhole, scaled % unitsPerWhole};
}

std::array<std::uint8_t, 2> EncodeQ(float q) {
    return EncodeTenths(q);
}

std::array<std::uint8_t, 2> EncodeEqGain(float gainDb) {
    return EncodeTenths(static_cast<double>(gainDb) + 18.0);
}

std::array<std::uint8_t, 3> EncodeDelay(float ms) {
    const SplitValue split = SplitScaled(ms, 1000);
    const auto thousandths = BigEndian16(static_cast<int>(split.fraction));
    return {Byte(split.whole), thousandths[0], thousandths[1]};
}

Payload EncodeTrim(float attenuationDb, bool twoBytes) {
    const SplitValue split = SplitScaled(attenuationDb, 100);
    if (twoBytes) {
        return {Byte(split.whole), Byte(split.fraction)};
    }
    return {Byte(split.whole)};
}

std::array<std::uint8_t, 2> EncodeTenths(double value) {
    const SplitValue split = SplitScaled(value, 10);
    return {Byte(split.whole), Byte(split.fraction)};
}

std::array<std::uint8_t, 2> EncodeReleaseSeconds(int ms) {
    return EncodeTenths(static_cast<double>(ms) / 1000.0);
}

std::array<std::uint8_t, 2> BigEndian16(int value) {
    return {Byte(value >> 8), Byte(value)};
}

std::array<std::uint8_t, 4> LittleEndian32(std::uint32_t value) {
    return {Byte(value), Byte(value >> 8), Byte(value >> 16), Byte(value >> 24)};
}

Payload EncodeMixMask(std::uint32_t mask, int inChannels) {
    if (inChannels < 9) {
        return {Byte(mask)};
    }
    return {Byte(mask >> 8), Byte(mask)};
}

int RangeCount(int first, int last) {
    return last < first ? 0 : last - first + 1;
}

std::optional<Payload> BuildByteRange(int scene, int source, int first, int last,
                                      std::span<const int> values) {
    return BuildRange(Header(scene, source, first, last), first, last, values,
                      [](int v, Payload& out) { out.push_back(Byte(v)); });
}

std::optional<Payload> BuildDelayRange(int scene, int source, int first, int last,
                                       std::span<const float> delaysMs) {
    return BuildRange(Header(scene, source, first, last), first, last, delaysMs,
                      [](float v, Payload& out) {
                          const auto bytes = EncodeDelay(v);
                          out.insert(out.end(), bytes.begin(), bytes.end());
                      });
}

std::optional<Payload> BuildTrimRange(int scene, int source, int first, int last,
                                      std::span<const float> attenuationsDb, bool twoBytes) {
    return BuildRange(Header(scene, source, first, last), first, last, attenuationsDb,
                      [twoBytes](float v, Payload& out) {
                          const Payload bytes = EncodeTrim(v, twoBytes);
                          out.insert(out.end(), bytes.begin(), bytes.end());
                      });
}

std::optional<Payload> BuildMixRange(int scene, int source, int first, int last,
                                     std::span<const std::uint32_t> masks, int inChannels) {
    return BuildRange(Header(scene, source, first, last), first, last, masks,
                      [inChannels](std::uint32_t v, Payload& out) {
                          const Payload bytes = EncodeMixMask(v, inChannels);
                          out.insert(out.end(), bytes.begin(), bytes.end());
                      });
}

std::optional<Payload> BuildSpkDistRange(int scene, int source, int first, int last,
                                         std::span<const int> hundredths) {
    return BuildRange(Header(scene, source, first, last), first, last, hundredths,
                      [](int v, Payload& out) {
                          const auto bytes = BigEndian16(v);
                          out.insert(out.end(), bytes.begin(), bytes.end());
                      });
}

std::optional<Payload> BuildCompressor2Range(int scene, int source, int first, int last,
                                             std::span<const Compressor2Setting> settings) {
    return BuildRange(Header(scene, source, first, last), first, last, settings,
                      [](const Compressor2Setting& v, Payload& out) {
                          const auto threshold = EncodeTenths(v.threshold);
                          const auto attack = BigEndian16(v.attack);
                          const auto release = EncodeReleaseSeconds(v.release);
                          out.insert(out.end(), {threshold[0], threshold[1], attack[0], attack[1],
                                                 release[0], release[1]});
                      });
}

Payload BuildEqBand(int scene, int source, int channel, int band, int freq, float q, float gain) {
    Payload data = Header(scene, source, channel, band);
    AppendBand(data, freq, q, gain);
    return data;
}

std::optional<Payload> BuildInputEqBands(int scene, int source, int channel, int firstBand,
                                         int lastBand, std::span<const BandSetting> bands) {
    Payload header = Header(scene, source, channel, firstBand);
    header.push_back(Byte(lastBand));
    return BuildRange(
        std::move(header), firstBand, lastBand, bands,
        [](const BandSetting& b, Payload& out) { AppendBand(out, b.freq, b.q, b.gain); });
}

Payload BuildFilter(int scene, int source, int channel, int filter, int freq, int slope, int type) {
    const auto f = BigEndian16(freq);
    return {Byte(scene), Byte(source), Byte(channel), Byte(filter),
            Byte(type),  f[0],         f[1],          Byte(slope)};
}

std::optional<Payload> BuildInputMixTrim(int scene, int source, int input, int firstOutput,
                                         int lastOutput, std::span<const int> trims) {
    Payload header = Header(scene, source, input, firstOutput);
    header.push_back(Byte(lastOutput));
    return BuildRange(std::move(header), firstOutput, lastOutput, trims,
                      [](int v, Payload& out) { out.push_back(Byte(v)); });
}

std::optional<Payload> BuildInputMixTrim2(int scene, int source, int firstInput, int lastInput,
                                          int output, std::span<const int> trims) {
    Payload header = Header(scene, source, firstInput, lastInput);
    header.push_back(Byte(output));
    return BuildRange(std::move(header), firstInput, lastInput, trims,
                      [](int v, Payload& out) { out.push_back(Byte(v)); });
}

Payload BuildCompressor(int scene, int source, int channel, int bypass, float threshold,
                        float ratio, float knee, int attack, int release) {
    const auto t = EncodeTenths(static_cast<double>(threshold) + 100.0);
    const auto r = EncodeTenths(ratio);
    const auto k = EncodeTenths(knee);
    const auto a = BigEndian16(attack);
    const auto rel = BigEndian16(release);
    return {Byte(scene), Byte(source), Byte(channel), Byte(bypass), t[0], t[1],   r[0],
            r[1],        k[0],         k[1],          a[0],         a[1], rel[0], rel[1]};
}

std::optional<Payload> BuildList(std::span<const std::uint8_t> header,
                                 std::span<const int> values) {
    Payload data(header.begin(), header.end());
    for (const int v : values) {
        data.push_back(Byte(v));
    }
    return Checked(std::move(data));
}

std::optional<Payload> BuildChannelLink(int scene, int link, std::span<const ChannelPair> pairs) {
    Payload data = {Byte(scene), Byte(link), Byte(static_cast<long>(pairs.size()))};
    for (const ChannelPair& pair : pairs) {
        data.push_back(Byte(pair.from));
        data.push_back(Byte(pair.to));
    }
    return Checked(std::move(data));
}

Payload BuildMemData(std::uint32_t address, std::uint32_t data) {
    const auto a = LittleEndian32(address);
    const auto d = LittleEndian32(data);
    return {a[0], a[1], a[2], a[3], d[0], d[1], d[2], d[3]};
}

Payload BuildKtvValue(std::uint8_t code, int value) {
    if (code == KTV_ECHO_DELAY) {
        const auto bytes = BigEndian16(value);
        return {bytes[0], bytes[1]};
    }
    return {Byte(value)};
}

std::optional<Payload> BuildSceneName(int slot, std::span<const std::uint8_t> name) {
    Payload data = {Byte(slot), Byte(static_cast<long>(name.size()))};
    data.insert(data.end(), name.begin(), name.end());
    return Checked(std::move(data));
}

std::optional<Payload> BuildSceneProfileChunk(int slot, int start,
                                              std::span<const std::uint8_t> bytes) {
    if (bytes.size() > SCENE_PROFILE_CHUNK_MAX) {
        LogPrintA("scene profile chunk of %zu bytes exceeds %zu; not sent\n", bytes.size(),
                  SCENE_PROFILE_CHUNK_MAX);
        return std::nullopt;
    }
    const auto s = BigEndian16(start);
    Payload data = {Byte(slot), s[0], s[1], Byte(static_cast<long>(bytes.size()))};
    data.insert(data.end(), bytes.begin(), bytes.end());
    return data;
}

}  // namespace tonvia::commands
