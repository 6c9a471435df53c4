#pragma once
// Arrival and removal of the amplifier's HID interface. Implementations: a libudev monitor
// on the hidraw subsystem, and the virtual amplifier.

#include <cstdint>
#include <functional>
#include <string>

namespace tonvia::platform {

enum class DeviceEventKind { Arrived, Removed };

struct DeviceEvent {
    DeviceEventKind kind = DeviceEventKind::Arrived;
    std::string path;  // the path that HidBackend::Enumerate reports for the device
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
};

class DeviceMonitor {
  public:
    using Listener = std::function<void(const DeviceEvent&)>;

    virtual ~DeviceMonitor() = default;

    // Starts reporting events of devices with this vendor and product id to `listener`.
    // The listener runs on the monitor's own thread, one event at a time, in the order
    // the events happened; it must not call Stop(). Returns false when monitoring cannot
    // start. Starting again replaces the listener.
    virtual bool Start(std::uint16_t vendorId, std::uint16_t productId, Listener listener) = 0;
    // Stops reporting. When Stop() returns, no listener call runs or will run.
    virtual void Stop() = 0;
};

}  // namespace tonvia::platform
