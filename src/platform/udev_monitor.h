#pragma once
// Arrival and removal of hidraw devices, from the udev monitor.

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/device_monitor.h"

namespace tonvia::platform {

std::unique_ptr<DeviceMonitor> MakeUdevDeviceMonitor();

struct UsbIds {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
};

// The ids in a HID device's HID_ID property ("0003:00000483:00005750").
std::optional<UsbIds> ParseHidId(std::string_view hidId);

// The ids in the HID device folder of a hidraw device path
// (".../0003:0483:5750.0001/hidraw/hidraw0"). Removal events carry only the path: the
// parent device is gone by then.
std::optional<UsbIds> ParseHidDevpath(std::string_view devpath);

}  // namespace tonvia::platform
