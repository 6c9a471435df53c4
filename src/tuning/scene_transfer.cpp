#include "tuning/scene_transfer.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "model/positions.h"
#include "platform/log.h"

namespace tonvia::tuning {

namespace {

constexpr int kLastChannel = kOutChannelCount - 1;
constexpr int kHighPassFilter = 2;
constexpr int kLowPassFilter = 1;

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

// Counts the commands and their acknowledgements, and stops between commands when told.
class Sender {
  public:
    Sender(CHidDevice& link, const std::atomic<bool>* stop) : mLink(link), mStop(stop) {}

    template <class Send>
    void operator()(Send send) {
        if (Stopped()) {
            return;
        }
        ++mResult.sent;
        // Sent at once, an encoder's yes means the device acknowledged it in time.
        if (send(mLink)) {
            ++mResult.answered;
        }
    }
    bool Stopped() {
        if (mStop != nullptr && mStop->load()) {
            mResult.stopped = true;
        }
        return mResult.stopped;
    }
    TransferResult Result() const { return mResult; }

  private:
    CHidDevice& mLink;
    const std::atomic<bool>* mStop;
    TransferResult mResult;
};

template <class Field>
std::array<int, kOutChannelCount> PerChannel(const SceneConfig& record, Field field) {
    std::array<int, kOutChannelCount> values{};
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        values[At(ch)] = field(record.channels[At(ch)]);
    }
    return values;
}

}  // namespace

TransferResult SetReadCurProfileToMCU(CHidDevice& link, const SceneConfig& record,
                                      const std::atomic<bool>* stop) {
    LogPrintA("%s\n", "EqualizerManager::SetReadCurProfileToMCU");
    link.DisableQueue();
    Sender send(link, stop);
    const int scene = 0;
    const int source = 0;

    send([&](CHidDevice& l) {
        // The volume travels as the attenuation below +6 dB.
        return l.Main_Volume_Ctrl(static_cast<float>(kMainVolumeMax - record.mainVolume), true);
    });
    send([&](CHidDevice& l) { return l.Mute_Ctrl(record.mainVolumeMute, true); });
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        const OutChannel& c = record.channels[At(ch)];
        const FilterSetting& lp = c.crossover.lp;
        const FilterSetting& hp = c.crossover.hp;
        send([&](CHidDevice& l) {
            return l.Filter_Ctrl(scene, source, ch, kLowPassFilter, lp.fs, lp.slope, lp.type, true);
        });
        send([&](CHidDevice& l) {
            return l.Filter_Ctrl(scene, source, ch, kHighPassFilter, hp.fs, hp.slope, hp.type,
                                 true);
        });
        const int bands = std::clamp(c.eqSize, 0, kEqBandCount);
        for (int b = 0; b < bands; ++b) {
            const EqBand& band = c.eqArray[At(b)];
            // A disabled band plays flat; its stored gain waits for it to be enabled.
            const float gain = band.enable != 0 ? band.gain : 0.0f;
            send([&](CHidDevice& l) {
                return l.EQ_Ctrl(scene, source, ch, b, band.freq, band.q, gain, true);
            });
        }
    }

    const std::array<int, kOutChannelCount> types = {record.outputs[0], record.outputs[1],
                                                     record.outputs[2], record.outputs[3],
                                                     record.outputs[4], record.outputs[5]};
    send(
        [&](CHidDevice& l) { return l.CH_Type_Ctrl(scene, source, 0, kLastChannel, types, true); });
    std::array<float, kOutChannelCount> trims{};
    std::array<float, kOutChannelCount> delays{};
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        trims[At(ch)] = 0.0f - record.channels[At(ch)].gain;
        delays[At(ch)] = record.channels[At(ch)].delay;
    }
    send([&](CHidDevice& l) { return l.Trim_Ctrl(scene, source, 0, kLastChannel, trims, true); });
    const auto mutes = PerChannel(record, [](const OutChannel& c) { return c.mute; });
    const auto phases = PerChannel(record, [](const OutChannel& c) { return c.phase; });
    const auto solos = PerChannel(record, [](const OutChannel& c) { return c.solo; });
    const auto bypass = PerChannel(record, [](const OutChannel& c) { return int{c.bypass}; });
    send(
        [&](CHidDevice& l) { return l.Mute_Ch_Ctrl(scene, source, 0, kLastChannel, mutes, true); });
    send([&](CHidDevice& l) { return l.Phase_Ctrl(scene, source, 0, kLastChannel, phases, true); });
    send([&](CHidDevice& l) { return l.Solo_Ctrl(scene, source, 0, kLastChannel, solos, true); });
    send([&](CHidDevice& l) { return l.Delay_Ctrl(scene, source, 0, kLastChannel, delays, true); });
    send([&](CHidDevice& l) {
        return l.PEQ_Bypass_Ctrl(scene, source, 0, kLastChannel, bypass, true);
    });

    for (int s = 0; s < kInputSourceCount; ++s) {
        std::array<std::uint32_t, kOutChannelCount> masks{};
        for (int ch = 0; ch < kOutChannelCount; ++ch) {
            masks[At(ch)] = static_cast<std::uint32_t>(record.inputs[At(s)][At(ch)]);
        }
        send([&](CHidDevice& l) { return l.Mix_Ch_Ctrl(scene, s, 0, kLastChannel, masks, true); });
    }
    for (int s = 0; s < kInputSourceCount; ++s) {
        for (int input = 0; input < SourceInputCount(s); ++input) {
            std::array<int, kOutChannelCount> levels{};
            for (int ch = 0; ch < kOutChannelCount; ++ch) {
                levels[At(ch)] = record.inputMixVolume[At(s)][At(input)][At(ch)];
            }
            send([&](CHidDevice& l) {
                return l.Input_Mix_Trim_Ctrl(scene, s, input, 0, kLastChannel, levels, true);
            });
        }
    }

    if (link.IsConnected()) {
        link.EnableQueue();
    }
    return send.Result();
}

}  // namespace tonvia::tuning
