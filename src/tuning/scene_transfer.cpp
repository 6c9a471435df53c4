#include "tuning/scene_transfer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <thread>
#include <vector>

#include "commands/payloads.h"
#include "model/positions.h"
#include "platform/log.h"
#include "platform/text.h"

namespace tonvia::tuning {

namespace {

constexpr int kLastChannel = kOutChannelCount - 1;
constexpr int kHighPassFilter = 2;
constexpr int kLowPassFilter = 1;
constexpr int kEqGroup = 7;            // bands per EQ request
constexpr int kReadSceneNoCopy = 255;  // "to" of a scene read: bring it into reach, copy nothing

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

// Counts the commands and their acknowledgements; stops between commands when told, or
// for good once the device has gone (every later command would fail the same way).
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
        } else if (!mLink.IsConnected()) {
            mResult.disconnected = true;
        }
    }
    bool Stopped() {
        if (mStop != nullptr && mStop->load()) {
            mResult.stopped = true;
        }
        return mResult.stopped || mResult.disconnected;
    }
    TransferResult Result() const { return mResult; }

  private:
    CHidDevice& mLink;
    const std::atomic<bool>* mStop;
    TransferResult mResult;
};

// Queue off for the transfer's lifetime; what was queued before still reaches the device
// first, so a scene saved right after an edit holds that edit.
class QueueOff {
  public:
    explicit QueueOff(CHidDevice& link) : mLink(link) {
        mLink.DisableQueue();
        const auto until = std::chrono::steady_clock::now() + kQueueDrainLimit;
        while (!mLink.IsQueueIdle() && mLink.IsConnected() &&
               std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    ~QueueOff() {
        if (mLink.IsConnected()) {
            mLink.EnableQueue();
        }
    }
    QueueOff(const QueueOff&) = delete;
    QueueOff& operator=(const QueueOff&) = delete;

  private:
    static constexpr std::chrono::milliseconds kQueueDrainLimit{3000};
    CHidDevice& mLink;
};

template <class Field>
std::array<int, kOutChannelCount> PerChannel(const SceneConfig& record, Field field) {
    std::array<int, kOutChannelCount> values{};
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        values[At(ch)] = field(record.channels[At(ch)]);
    }
    return values;
}

// The filters and bands of every channel into `scene`.
void SendFiltersAndBands(Sender& send, const SceneConfig& record, int scene) {
    const int source = 0;
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
}

// Channel types, trims, mutes, phases, solos, delays and (with `bypass`) the EQ bypass.
void SendChannelValues(Sender& send, const SceneConfig& record, int scene, bool bypass) {
    const int source = 0;
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
    const auto bypassed = PerChannel(record, [](const OutChannel& c) { return int{c.bypass}; });
    send(
        [&](CHidDevice& l) { return l.Mute_Ch_Ctrl(scene, source, 0, kLastChannel, mutes, true); });
    send([&](CHidDevice& l) { return l.Phase_Ctrl(scene, source, 0, kLastChannel, phases, true); });
    send([&](CHidDevice& l) { return l.Solo_Ctrl(scene, source, 0, kLastChannel, solos, true); });
    send([&](CHidDevice& l) { return l.Delay_Ctrl(scene, source, 0, kLastChannel, delays, true); });
    if (bypass) {
        send([&](CHidDevice& l) {
            return l.PEQ_Bypass_Ctrl(scene, source, 0, kLastChannel, bypassed, true);
        });
    }
}

// The output link and lock: a profile carries them per scene, and a device left with other
// ones would pair channels the file keeps apart.
void SendLinkAndLock(Sender& send, const SceneConfig& record, int scene) {
    std::vector<CHidDevice::ChannelPair> pairs;
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        const int partner = record.linkOutputs[At(ch)];
        if (partner > ch && partner < kOutChannelCount) {
            pairs.push_back(CHidDevice::ChannelPair{ch, partner});
        }
    }
    send([&](CHidDevice& l) { return l.CH_Lock_Ctrl(scene, record.lockMode == 1 ? 1 : 0, true); });
    send([&](CHidDevice& l) {
        return l.CH_Link_Ctrl(scene, record.linkMode == 1 ? 1 : 0, pairs, true);
    });
}

// The routing of every source and the mix levels of every input into `scene`.
void SendMixes(Sender& send, const SceneConfig& record, int scene) {
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
}

void SendWorkingScene(Sender& send, const SceneConfig& record) {
    send([&](CHidDevice& l) {
        // The volume travels as the attenuation below +6 dB.
        return l.Main_Volume_Ctrl(static_cast<float>(kMainVolumeMax - record.mainVolume), true);
    });
    send([&](CHidDevice& l) { return l.Mute_Ctrl(record.mainVolumeMute, true); });
    SendFiltersAndBands(send, record, 0);
    SendChannelValues(send, record, 0, true);
    SendLinkAndLock(send, record, 0);
    SendMixes(send, record, 0);
}

// The requests of one stored scene after the device brought it into reach.
void AskStoredScene(Sender& ask, int scene, const StateReadPlan& plan) {
    const int source = 0;
    ask([&](CHidDevice& d) { return d.Get_CH_Type(scene, source, 0, kOutChannelCount); });
    ask([&](CHidDevice& d) { return d.Get_CH_Link(scene); });
    ask([&](CHidDevice& d) { return d.Get_CH_Lock(scene); });
    ask([&](CHidDevice& d) { return d.Get_Ch_Solo(scene, source, 0, kLastChannel); });
    ask([&](CHidDevice& d) { return d.Get_Filter(scene, source, 0, 3); });
    ask([&](CHidDevice& d) { return d.Get_Filter(scene, source, 4, 7); });
    ask([&](CHidDevice& d) { return d.Get_PEQ_Bypass(scene, source, 0, kLastChannel); });
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        const int bands = std::clamp(plan.bandCounts[At(ch)], 0, kEqBandCount);
        for (int first = 0; first < bands; first += kEqGroup) {
            const int last = std::min(first + kEqGroup, bands) - 1;
            ask([&](CHidDevice& d) { return d.Get_EQ(scene, source, ch, first, last); });
        }
    }
    ask([&](CHidDevice& d) { return d.Get_Delay(scene, source, 0, kLastChannel); });
    ask([&](CHidDevice& d) { return d.Get_Trim(scene, source, 0, kLastChannel); });
    ask([&](CHidDevice& d) { return d.Get_Mute_Ch(scene, source, 0, kLastChannel); });
    ask([&](CHidDevice& d) { return d.Get_Ch_Solo(scene, source, 0, kLastChannel); });
    ask([&](CHidDevice& d) { return d.Get_Phase(scene, source, 0, kLastChannel); });
    for (int s = 0; s < kInputSourceCount; ++s) {
        ask([&](CHidDevice& d) { return d.Get_Mix_Ch(scene, s, 0, kLastChannel); });
    }
    for (int s = 0; s < kInputSourceCount; ++s) {
        for (int input = 0; input < SourceInputCount(s); ++input) {
            ask([&](CHidDevice& d) {
                return d.Get_Input_Mix_CH_Trim(scene, s, input, 0, kLastChannel);
            });
        }
    }
    // The cross-source mix is kept once for the device, not per scene.
    for (int s = 0; s < kInputSourceCount; ++s) {
        for (int input = 0; input < SourceInputCount(s); ++input) {
            ask([&](CHidDevice& d) { return d.Get_Mix_Source2(0, s, input); });
        }
    }
}

}  // namespace

DeviceSceneName SceneNameToDevice(std::wstring_view name, const std::string& codePage) {
    DeviceSceneName field{};
    std::size_t used = 0;
    for (std::size_t i = 0; i < name.size() && i < static_cast<std::size_t>(kSceneNameChars); ++i) {
        const auto bytes = tonvia::platform::WideToAnsi(name.substr(i, 1), codePage);
        if (bytes.empty() || used + bytes.size() > field.size() - 1) {
            break;
        }
        std::copy(bytes.begin(), bytes.end(), field.begin() + static_cast<std::ptrdiff_t>(used));
        used += bytes.size();
    }
    return field;
}

void PauseUnlessStopped(std::chrono::milliseconds duration, const std::atomic<bool>* stop) {
    const auto until = std::chrono::steady_clock::now() + duration;
    constexpr std::chrono::milliseconds kStep{50};
    while (std::chrono::steady_clock::now() < until) {
        if (stop != nullptr && stop->load()) {
            return;
        }
        const auto left = until - std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, kStep));
    }
}

bool LoadStoredScene(Session& session, int scene, const StateReadPlan& plan,
                     const std::atomic<bool>* stop) {
    CHidDevice& link = session.Link();
    QueueOff queue(link);
    if (!link.ReadScene(scene, 0)) {
        LogPrintA("ReadScene(%d) was not acknowledged\n", scene);
        return false;
    }
    PC_UI_Status_Init(session, plan, stop);
    return true;
}

bool SaveWorkingScene(CHidDevice& link, int scene, const DeviceSceneName& name) {
    QueueOff queue(link);
    // A name the device did not take still leaves the settings worth saving; the device
    // reports its names again on the next read.
    link.SetSceneName(scene, name);
    return link.SaveScene(scene, 0);
}

bool DeleteStoredScene(CHidDevice& link, int scene) {
    QueueOff queue(link);
    return link.DeleteScene(scene);
}

StateReadResult ReadLiveStateAgain(CHidDevice& link, const StateReadPlan& plan,
                                   const std::atomic<bool>* stop,
                                   const StateReadProgress& progress) {
    const QueueOff off(link);
    return ReadLiveState(link, plan, stop, progress);
}

TransferResult ReadStoredScene(CHidDevice& link, int scene, const StateReadPlan& plan,
                               const std::atomic<bool>* stop, std::chrono::milliseconds settle) {
    LogPrintA("read scene sceneId(%d)\n", scene);
    Sender ask(link, stop);
    ask([&](CHidDevice& d) { return d.ReadScene(scene, kReadSceneNoCopy); });
    if (ask.Stopped()) {
        return ask.Result();
    }
    PauseUnlessStopped(settle, stop);
    AskStoredScene(ask, scene, plan);
    return ask.Result();
}

TransferResult ReadAllScenes(CHidDevice& link,
                             const std::array<StateReadPlan, kStoredSceneCount>& plans,
                             const SceneProgress& progress, const std::atomic<bool>* stop,
                             std::chrono::milliseconds settle) {
    QueueOff queue(link);
    TransferResult total;
    auto add = [&total](const TransferResult& part) {
        total.sent += part.sent;
        total.answered += part.answered;
        total.stopped = total.stopped || part.stopped;
        total.disconnected = total.disconnected || part.disconnected;
    };
    for (int scene = 1; scene <= kStoredSceneCount && !total.stopped && !total.disconnected;
         ++scene) {
        if (progress) {
            progress(scene);
        }
        add(ReadStoredScene(link, scene, plans[At(scene - 1)], stop, settle));
    }
    Sender rest(link, stop);
    // Every name, the tenth too: a whole profile must not keep a name from an older read.
    for (int scene = 1; scene <= kStoredSceneCount; ++scene) {
        rest([&](CHidDevice& d) { return d.GetSceneName(scene); });
    }
    rest([&](CHidDevice& d) { return d.ReadScene(0, 0); });
    add(rest.Result());
    return total;
}

TransferResult SetReadCurProfileToMCU(CHidDevice& link, const SceneConfig& record,
                                      const std::atomic<bool>* stop) {
    LogPrintA("%s\n", "EqualizerManager::SetReadCurProfileToMCU");
    QueueOff queue(link);
    Sender send(link, stop);
    SendWorkingScene(send, record);
    return send.Result();
}

TransferResult SetReadWholeProfileToMCU(CHidDevice& link, const ModelSet& profile,
                                        const SceneProgress& progress,
                                        const std::atomic<bool>* stop) {
    LogPrintA("EqualizerManager::SetReadWholeProfileToMCU\n");
    QueueOff queue(link);
    Sender send(link, stop);
    for (int scene = 1; scene <= kStoredSceneCount && !send.Stopped(); ++scene) {
        LogPrintA("set scene(%d)\n", scene);
        if (progress) {
            progress(scene);
        }
        const SceneConfig& record = profile.stored[At(scene - 1)];
        SendFiltersAndBands(send, record, scene);
        SendChannelValues(send, record, scene, true);
        SendLinkAndLock(send, record, scene);
        SendMixes(send, record, scene);
        const DeviceSceneName name =
            SceneNameToDevice(profile.sceneNames[At(scene - 1)], profile.nameCodePage);
        send([&](CHidDevice& l) { return l.SetSceneName(scene, name); });
        send([&](CHidDevice& l) { return l.SaveScene(scene, 1); });
    }
    SendWorkingScene(send, profile.live);
    return send.Result();
}

}  // namespace tonvia::tuning
