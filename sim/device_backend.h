#pragma once
// The HID backend a front end talks through: hidapi for a real amplifier, or, in demo mode,
// the built-in virtual amplifier, whose state may live in a JSON file between runs. The
// window program and the command line share it, so both keep the same state file.

#include <memory>
#include <string>

#include "platform/hid_backend.h"

namespace tonvia::sim {

class VirtualAmplifier;
class ControlEndpoint;

class DeviceBackend {
  public:
    // The hidapi backend.
    static std::unique_ptr<DeviceBackend> Hidapi();
    // The virtual amplifier. With a state file that exists, its state comes from there; a
    // file that cannot be used leaves the factory state, sets `notice` to say why, and is
    // never overwritten. Without a file (or before its first save) it starts from a demo
    // tuning with crossovers and a few EQ corrections. The control socket starts when
    // TONVIA_SIM_CONTROL names one.
    static std::unique_ptr<DeviceBackend> Virtual(const std::string& statePath,
                                                  std::string* notice);

    ~DeviceBackend();
    DeviceBackend(const DeviceBackend&) = delete;
    DeviceBackend& operator=(const DeviceBackend&) = delete;

    platform::HidBackend& Hid() { return *mHid; }
    // "hidapi" or "virtual amplifier".
    const char* Name() const { return mAmplifier ? "virtual amplifier" : "hidapi"; }
    // Null for hidapi.
    VirtualAmplifier* Amplifier() const { return mAmplifier; }

    // Writes the virtual amplifier's state to its file, whole or not at all. True when it
    // was written or there is nothing to write (hidapi, no file, or a file that could not
    // be read, which stays as it is); otherwise `error` says why.
    bool SaveState(std::string* error);

  private:
    DeviceBackend() = default;

    std::unique_ptr<platform::HidBackend> mHid;
    VirtualAmplifier* mAmplifier = nullptr;  // mHid, when virtual
    std::unique_ptr<ControlEndpoint> mControl;
    std::string mStatePath;
    bool mMaySave = false;
};

}  // namespace tonvia::sim
