#pragma once
// The HID transport seen by the device link. Two implementations: hidapi over hidraw for
// real amplifiers, and the virtual amplifier for tests and the demo mode.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tonvia::platform {

struct HidDeviceInfo {
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::wstring serialNumber;
    std::wstring manufacturer;
    std::wstring product;
    int interfaceNumber = -1;
};

// One open device. Calls may come from several threads at once (one writer and one reader
// at a time); the owner guarantees that the object outlives every call in progress.
class HidDevice {
  public:
    virtual ~HidDevice() = default;

    // Writes one output report (byte 0 is the report id). Returns the bytes written or -1.
    virtual int Write(std::span<const std::uint8_t> report) = 0;
    // Reads one input report into `buffer`, waiting up to `timeoutMs` (-1: forever).
    // Returns the bytes read, 0 on time-out, -1 on error.
    virtual int ReadTimeout(std::span<std::uint8_t> buffer, int timeoutMs) = 0;
    virtual bool SetNonBlocking(bool nonBlocking) = 0;

    // String reads: true and the text on success.
    virtual bool GetManufacturerString(std::wstring& out) = 0;
    virtual bool GetProductString(std::wstring& out) = 0;
    virtual bool GetSerialNumberString(std::wstring& out) = 0;
    virtual bool GetIndexedString(int index, std::wstring& out) = 0;

    // Text of the last error on this device.
    virtual std::string ErrorText() = 0;
};

class HidBackend {
  public:
    virtual ~HidBackend() = default;

    // Initialises the library; 0 on success, a negative value on failure.
    virtual int Init() = 0;
    // Devices with this vendor and product id, in the library's enumeration order.
    virtual std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendorId,
                                                 std::uint16_t productId) = 0;
    // Opens one enumerated device; null on failure.
    virtual std::unique_ptr<HidDevice> Open(const HidDeviceInfo& info) = 0;
    virtual std::string ErrorText() = 0;
};

}  // namespace tonvia::platform
