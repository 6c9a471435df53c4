#pragma once
// The virtual amplifier: a HidBackend and DeviceMonitor whose one device answers every
// command family like the real amplifier, with faults that can be switched while running.
//
//   tonvia::sim::VirtualAmplifier amp;           // plugged in, factory state
//   CHidDevice link(amp, sink);                  // talks to it like to hidapi
//   amp.SetLatency(std::chrono::milliseconds(1)); amp.DropReplies(2); amp.Unplug();

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/device_monitor.h"
#include "platform/hid_backend.h"
#include "sim/device_state.h"
#include "sim/wire.h"

namespace tonvia::sim {

inline constexpr std::uint16_t kVendorId = 0x0483;
inline constexpr std::uint16_t kProductId = 0x5750;

struct Options {
    std::string path = "sim:virtual-amplifier";
    // How long the device stays away when it restarts (factory default, reboot, upgrade).
    std::chrono::milliseconds rebootDelay{300};
    // Every n-th firmware data block is answered "not ready" first (0: never).
    int notReadyEvery = 8;
    // Every upgrade start (MCU, boot loader, DSP flash) is refused.
    bool refuseUpgradeStart = false;
    bool plugged = true;
    DeviceState state = FactoryState();
};

struct Counters {
    int writes = 0;          // reports written
    int requests = 0;        // well-formed frames among them
    int rejected = 0;        // bad frames, unknown or malformed requests
    int replies = 0;         // reply frames queued
    int droppedReplies = 0;  // swallowed by DropReplies or silence
    int corruptedReplies = 0;
    int plugs = 0;
    int unplugs = 0;
};

namespace detail {
struct Core;
}

class VirtualAmplifier final : public platform::HidBackend, public platform::DeviceMonitor {
  public:
    explicit VirtualAmplifier(Options options = {});
    ~VirtualAmplifier() override;
    VirtualAmplifier(const VirtualAmplifier&) = delete;
    VirtualAmplifier& operator=(const VirtualAmplifier&) = delete;

    // --- HidBackend --------------------------------------------------------------------
    int Init() override;
    std::vector<platform::HidDeviceInfo> Enumerate(std::uint16_t vendorId,
                                                   std::uint16_t productId) override;
    std::unique_ptr<platform::HidDevice> Open(const platform::HidDeviceInfo& info) override;
    std::string ErrorText() override;

    // --- DeviceMonitor -----------------------------------------------------------------
    bool Start(std::uint16_t vendorId, std::uint16_t productId, Listener listener) override;
    void Stop() override;

    // --- Faults, switchable at any time from any thread ----------------------------------
    // Delay of every report, each way (0 by default).
    void SetLatency(std::chrono::microseconds perReport);
    // USB full-speed interrupt pacing: 1 ms per report each way.
    void SetFullSpeed() { SetLatency(std::chrono::milliseconds(1)); }
    void DropReplies(int count);  // swallow the next `count` reply frames
    void CorruptNextReply();      // the next reply frame carries a wrong checksum
    void SetSilent(bool silent);  // take every write, answer nothing
    void Unplug();                // open handles fail from now on
    void Plug();
    void Replug(std::chrono::milliseconds after);  // unplug now, plug again after `after`
    void SetBootLoaderMode(bool bootLoader);
    void SetModel(std::uint8_t model);
    void SetFirmwareVersion(std::uint8_t mainVersion, std::uint8_t slaveVersion);
    // New firmware installed from outside: unplug, then plug in again with this version
    // after the reboot delay.
    void TakeFirmware(std::uint8_t mainVersion, std::uint8_t slaveVersion);
    // The calibration fails with `reason` at step `step` of the next runs (-1: never).
    void FailCalibrationAt(int step, std::uint8_t reason);

    // --- Inspection ----------------------------------------------------------------------
    bool IsPlugged() const;
    // Waits until the device is (un)plugged; false on time-out.
    bool WaitForPlugged(bool plugged, std::chrono::milliseconds timeout) const;
    DeviceState Snapshot() const;
    void Edit(const std::function<void(DeviceState&)>& change);
    Counters GetCounters() const;
    // The well-formed requests received so far (the latest 4096), oldest first.
    std::vector<Request> Requests() const;
    void ClearRequests();
    // One line: "plugged=1 model=77 version=2.28 mode=normal ..."
    std::string StatusText() const;

  private:
    std::shared_ptr<detail::Core> mCore;
};

}  // namespace tonvia::sim
