#include "sim/device_backend.h"

#include <cstdlib>

#include "platform/hidapi_backend.h"
#include "platform/paths.h"
#include "sim/control.h"
#include "sim/state_json.h"
#include "sim/virtual_amplifier.h"

namespace tonvia::sim {

std::unique_ptr<DeviceBackend> DeviceBackend::Hidapi() {
    std::unique_ptr<DeviceBackend> backend(new DeviceBackend);
    backend->mHid = platform::MakeHidapiBackend();
    return backend;
}

namespace {

// A first run of the demo starts from a tuning, not from flat factory settings, so that the
// page has curves to show: the full-range outputs high-passed and the subwoofers low-passed
// at 80 Hz (Linkwitz-Riley, 24 dB per octave), and a few band corrections on the fronts.
void ApplyDemoTuning(DeviceState& state) {
    SceneParams& live = state.scenes[0];
    for (int ch = 0; ch < 6; ++ch) {
        Filter& filter = ch < 4 ? live.highPass[ch] : live.lowPass[ch];
        filter.type = 2;
        filter.freq = 80;
        filter.slope = 4;
    }
    auto band = [&](int ch, int index, double gainDb) {
        live.eq[ch][index].gainTenths = static_cast<std::uint16_t>((gainDb + 18.0) * 10.0 + 0.5);
    };
    for (int ch = 0; ch < 2; ++ch) {
        band(ch, 12, -3.5);  // 315 Hz
        band(ch, 20, 2.0);   // 2 kHz
        band(ch, 25, -2.5);  // 6.3 kHz
    }
    band(4, 3, 3.0);  // 40 Hz
    band(5, 3, 3.0);
}

}  // namespace

std::unique_ptr<DeviceBackend> DeviceBackend::Virtual(const std::string& statePath,
                                                      std::string* notice) {
    Options options;
    bool maySave = !statePath.empty();
    const bool stateFileExists = !statePath.empty() && platform::PathExists(statePath);
    if (!stateFileExists) {
        ApplyDemoTuning(options.state);
    }
    if (stateFileExists) {
        std::string why;
        std::optional<DeviceState> loaded;
        if (const auto text = platform::ReadWholeFile(statePath)) {
            loaded = DeviceStateFromJson(*text, &why);
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
    auto amplifier = std::make_unique<VirtualAmplifier>(std::move(options));
    backend->mAmplifier = amplifier.get();
    backend->mHid = std::move(amplifier);
    // Benchmarks pace the demo like a real USB full-speed link from the first report.
    if (const char* pace = std::getenv("TONVIA_SIM_FULL_SPEED"); pace != nullptr && *pace == '1') {
        backend->mAmplifier->SetFullSpeed();
    }
    backend->mControl = StartControlEndpointFromEnvironment(*backend->mAmplifier);
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
    const std::string text = DeviceStateToJson(mAmplifier->Snapshot());
    if (text.empty()) {
        if (error != nullptr) {
            *error = "the state could not be turned into JSON";
        }
        return false;
    }
    return platform::WriteFileAtomically(mStatePath, text, error);
}

}  // namespace tonvia::sim
