#include "app/device_backend.h"

#include "platform/hidapi_backend.h"
#include "platform/paths.h"
#include "sim/control.h"
#include "sim/state_json.h"
#include "sim/virtual_amplifier.h"

std::unique_ptr<DeviceBackend> DeviceBackend::Hidapi() {
    std::unique_ptr<DeviceBackend> backend(new DeviceBackend);
    backend->mHid = tonvia::platform::MakeHidapiBackend();
    return backend;
}

std::unique_ptr<DeviceBackend> DeviceBackend::Virtual(const std::string& statePath,
                                                      std::string* notice) {
    tonvia::sim::Options options;
    bool maySave = !statePath.empty();
    if (!statePath.empty() && tonvia::platform::PathExists(statePath)) {
        std::string why;
        std::optional<tonvia::sim::DeviceState> loaded;
        if (const auto text = tonvia::platform::ReadWholeFile(statePath)) {
            loaded = tonvia::sim::DeviceStateFromJson(*text, &why);
        } else {
            why = "it cannot be read";
        }
        if (loaded) {
            options.state = std::move(*loaded);
        } else {
            // Keep the user's file for them to mend; this run starts fresh and saves nothing.
            maySave = false;
            if (notice != nullptr) {
                *notice = "the demo state file " + statePath + " cannot be used (" + why +
                          "); starting from the factory state and leaving the file as it is";
            }
        }
    }
    std::unique_ptr<DeviceBackend> backend(new DeviceBackend);
    auto amplifier = std::make_unique<tonvia::sim::VirtualAmplifier>(std::move(options));
    backend->mAmplifier = amplifier.get();
    backend->mHid = std::move(amplifier);
    backend->mControl = tonvia::sim::StartControlEndpointFromEnvironment(*backend->mAmplifier);
    backend->mStatePath = statePath;
    backend->mMaySave = maySave;
    return backend;
}

DeviceBackend::~DeviceBackend() {
    // The control socket drives the amplifier: it goes first.
    mControl.reset();
    mHid.reset();
}

bool DeviceBackend::SaveState(std::string* error) {
    if (mAmplifier == nullptr || !mMaySave) {
        return true;
    }
    const std::string text = tonvia::sim::DeviceStateToJson(mAmplifier->Snapshot());
    if (text.empty()) {
        if (error != nullptr) {
            *error = "the state could not be turned into JSON";
        }
        return false;
    }
    return tonvia::platform::WriteFileAtomically(mStatePath, text, error);
}

std::unique_ptr<DeviceBackend> MakeDeviceBackend(const ShellOptions& options, std::string* notice) {
    if (options.demo) {
        return DeviceBackend::Virtual(options.demoState, notice);
    }
    return DeviceBackend::Hidapi();
}
