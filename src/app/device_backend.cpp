#include "app/device_backend.h"

std::unique_ptr<DeviceBackend> MakeDeviceBackend(const ShellOptions& options, std::string* notice) {
    if (options.demo) {
        return DeviceBackend::Virtual(options.demoState, notice);
    }
    return DeviceBackend::Hidapi();
}
