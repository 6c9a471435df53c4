#include "tuning/connection.h"

#include <algorithm>

#include "model/positions.h"
#include "model/product.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace tonvia::tuning {

namespace {

constexpr int kEqGroup = 7;  // bands per EQ request
constexpr int kBridgePairs = 3;

}  // namespace

StateReadPlan PlanStateRead(const ModelSet& model) {
    StateReadPlan plan;
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        // eqSize may come from a file: never ask past the band array.
        plan.bandCounts[static_cast<std::size_t>(ch)] =
            std::clamp(model.live.channels[static_cast<std::size_t>(ch)].eqSize, 0, kEqBandCount);
    }
    return plan;
}

StateReadResult ReadLiveState(CHidDevice& d, const StateReadPlan& plan,
                              const std::atomic<bool>* stop, const StateReadProgress& progress) {
    StateReadResult result;
    auto stopped = [stop] { return stop != nullptr && stop->load(); };
    // Each request counts, and the read ends early when asked to.
    auto ask = [&](auto&& request) {
        if (stopped()) {
            return;
        }
        ++result.requests;
        result.answered += request() ? 1 : 0;
        if (progress) {
            progress(result.requests);
        }
    };
    const int last = kOutChannelCount - 1;

    ask([&] { return d.Get_Source(); });
    ask([&] { return d.Get_Main_Volume(); });
    ask([&] { return d.Get_Acc(); });
    ask([&] { return d.Get_Subwoofer_Volume(); });
    ask([&] { return d.Get_Mute(); });
    ask([&] { return d.Get_Amp_Mute(); });
    ask([&] { return d.Get_Rem_Out(); });
    ask([&] { return d.Get_Spk_Ohm(); });
    ask([&] { return d.Get_Noise_Gate(); });
    ask([&] { return d.Get_Speaker_Config(); });
    ask([&] { return d.GetSceneValid(); });
    ask([&] { return d.Get_Delay(0, 0, 0, last); });
    // Positions before the link report, which computes the link partners from them.
    ask([&] { return d.Get_CH_Type(0, 0, 0, last); });
    ask([&] { return d.Get_Ch_Solo(0, 0, 0, last); });
    ask([&] { return d.Get_CH_Link(0); });
    ask([&] { return d.Get_CH_Lock(0); });
    ask([&] { return d.Get_Filter(0, 0, 0, 3); });
    ask([&] { return d.Get_Filter(0, 0, 4, 7); });
    ask([&] { return d.Get_PEQ_Bypass(0, 0, 0, last); });
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        const int bands = plan.bandCounts[static_cast<std::size_t>(ch)];
        for (int first = 0; first < bands; first += kEqGroup) {
            ask([&] { return d.Get_EQ(0, 0, ch, first, std::min(first + kEqGroup, bands) - 1); });
        }
    }
    ask([&] { return d.Get_Trim(0, 0, 0, last); });
    ask([&] { return d.Get_Mute_Ch(0, 0, 0, last); });
    ask([&] { return d.Get_Phase(0, 0, 0, last); });
    ask([&] { return d.Get_Ch_Solo(0, 0, 0, last); });
    for (int source = 0; source < kInputSourceCount; ++source) {
        ask([&] { return d.Get_Mix_Ch(0, source, 0, last); });
    }
    for (int source = 0; source < kInputSourceCount; ++source) {
        for (int input = 0; input < SourceInputCount(source); ++input) {
            ask([&] { return d.Get_Input_Mix_CH_Trim(0, source, input, 0, last); });
        }
    }
    for (int source = 0; source < kInputSourceCount; ++source) {
        for (int input = 0; input < SourceInputCount(source); ++input) {
            ask([&] { return d.Get_Mix_Source2(0, source, input); });
        }
    }
    ask([&] { return d.Get_Input_Threshold(0, 0, true); });
    for (int slot = 1; slot <= kStoredSceneCount; ++slot) {
        ask([&] { return d.GetSceneName(slot); });
    }
    ask([&] { return d.Get_Ouput_Bridge(0, 0, kBridgePairs); });
    return result;
}

int StateReadRequests(const StateReadPlan& plan) {
    // The fixed requests before and after the bands, the band groups, one routing request
    // per source, and per offered input its mix levels and its second source.
    int requests = 19 + 4 + kInputSourceCount + 1 + kStoredSceneCount + 1;
    for (const int bands : plan.bandCounts) {
        requests += (std::max(bands, 0) + kEqGroup - 1) / kEqGroup;
    }
    for (int source = 0; source < kInputSourceCount; ++source) {
        requests += 2 * SourceInputCount(source);
    }
    return requests;
}

int PC_UI_Status_Init(Session& session, const StateReadPlan& plan, const std::atomic<bool>* stop) {
    LogPrintA("PC_UI_Status_Init\n");
    CHidDevice& link = session.Link();
    link.PC_Connect(1);
    // A model left from the device before must not decide about this one.
    link.model.store(kNoModel);
    if (!link.Hand_Connect()) {
        return -1;
    }
    if (JudgeHandshake(link) != DeviceKind::ThisModel) {
        return 0;
    }
    ReadLiveState(link, plan, stop);
    LogPrintA("PC_UI_Status_Init done\n");
    return 0;
}

DeviceKind JudgeHandshake(const CHidDevice& link) {
    if (link.mcu_is_normal_mode.load() == 0) {
        return DeviceKind::BootLoader;
    }
    return link.model.load() == MODEL_ID ? DeviceKind::ThisModel : DeviceKind::ForeignModel;
}

FirmwareAge CompareFirmware(int mainVersion, int slaveVersion) {
    if (mainVersion != INNER_FW_MAJOR) {
        return mainVersion > INNER_FW_MAJOR ? FirmwareAge::DeviceNewer : FirmwareAge::DeviceOlder;
    }
    if (slaveVersion != INNER_FW_MINOR) {
        return slaveVersion > INNER_FW_MINOR ? FirmwareAge::DeviceNewer : FirmwareAge::DeviceOlder;
    }
    return FirmwareAge::Same;
}

bool FactoryDefault(Session& session) {
    return session.Link().Factory_Default_Ctrl();
}

std::string DeniedDeviceNode(tonvia::platform::HidBackend& backend,
                             const std::function<bool(const std::string&)>& mayOpen) {
    for (const auto& device : backend.Enumerate(DEVICE_VENDOR_ID, DEVICE_PRODUCT_ID)) {
        if (!device.path.empty() && !mayOpen(device.path)) {
            return device.path;
        }
    }
    return {};
}

}  // namespace tonvia::tuning
