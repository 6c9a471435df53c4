#pragma once
// The rules half of a connection: the handshake, the read of the whole live state, the
// model and firmware checks and the factory default. Each runs on the thread that talks to
// the device (the page's worker, or the command line's own thread) and touches only the
// link: the replies reach the model through the session's report path on the thread that
// owns it.

#include <array>
#include <atomic>
#include <functional>
#include <string>

#include "link/hid_device.h"
#include "model/dimensions.h"
#include "model/model_set.h"
#include "platform/paths.h"
#include "tuning/session.h"

namespace tonvia::tuning {

// What the state read needs to know of the model, taken on the model's thread before the
// read starts: how many bands each channel asks for.
struct StateReadPlan {
    std::array<int, kOutChannelCount> bandCounts{};
};
StateReadPlan PlanStateRead(const ModelSet& model);

struct StateReadResult {
    int requests = 0;  // requests sent
    int answered = 0;  // of those, how many got a reply report within the wait
};

// Called after each request of a state read with the requests sent so far.
using StateReadProgress = std::function<void(int sent)>;

// The requests of the whole live state, in their order, each sent at once and waited for.
// A request without reply costs its time-out; the read goes on. `stop`, when given and
// set, ends the read after the request in flight.
StateReadResult ReadLiveState(CHidDevice& link, const StateReadPlan& plan,
                              const std::atomic<bool>* stop = nullptr,
                              const StateReadProgress& progress = {});
// How many requests ReadLiveState sends for `plan`, for a progress bar.
int StateReadRequests(const StateReadPlan& plan);

// The commands that install the program's udev rule, which lets the user at the seat open
// the amplifier without root.
inline constexpr const char* kUdevRuleInstallCommand =
    "tonvia --print-udev-rule | sudo tee /etc/udev/rules.d/70-tonvia.rules && "
    "sudo udevadm control --reload-rules && sudo udevadm trigger --subsystem-match=hidraw";

// The node of an amplifier that enumeration finds but this user may not open (no udev rule,
// or one not yet applied); empty when there is none or it may be opened.
// `mayOpen` tells whether this user may read and write a node.
std::string DeniedDeviceNode(
    tonvia::platform::HidBackend& backend,
    const std::function<bool(const std::string&)>& mayOpen = tonvia::platform::MayReadWrite);

// PC_UI_Status_Init: PC-connect 1, the handshake, and for this model in normal mode the
// whole live state. -1 when the handshake went unanswered, else 0.
int PC_UI_Status_Init(Session& session, const StateReadPlan& plan,
                      const std::atomic<bool>* stop = nullptr);

// What the handshake said about the device on the link.
enum class DeviceKind {
    ThisModel,     // model 77 in normal mode
    ForeignModel,  // another model in normal mode
    BootLoader,    // the device runs its boot loader
};
DeviceKind JudgeHandshake(const CHidDevice& link);

// The device's firmware against the one this program carries (INNER_FW_MAJOR/MINOR),
// by main version first, then by slave version.
enum class FirmwareAge { Same, DeviceNewer, DeviceOlder };
FirmwareAge CompareFirmware(int mainVersion, int slaveVersion);

// The factory-default command; the device resets and restarts (waits up to 30 s).
bool FactoryDefault(Session& session);

}  // namespace tonvia::tuning
