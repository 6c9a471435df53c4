#pragma once
// A HID device that lives in memory, for benchmarks and fuzzing: writes always succeed, the
// strings are fixed, and a subclass supplies the input reports. The backend opens one such
// device and keeps a pointer to it (the link owns it).

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/hid_backend.h"

namespace testing_support {

class InMemoryHidDevice : public tonvia::platform::HidDevice {
  public:
    int Write(std::span<const std::uint8_t> report) override {
        return static_cast<int>(report.size());
    }
    bool SetNonBlocking(bool) override { return true; }
    bool GetManufacturerString(std::wstring& out) override { return (out = L"m", true); }
    bool GetProductString(std::wstring& out) override { return (out = L"p", true); }
    bool GetSerialNumberString(std::wstring& out) override { return (out = L"s", true); }
    bool GetIndexedString(int, std::wstring& out) override { return (out = L"i", true); }
    std::string ErrorText() override { return {}; }
};

template <class Device>
class InMemoryHidBackend final : public tonvia::platform::HidBackend {
  public:
    Device* device = nullptr;

    int Init() override { return 0; }
    std::vector<tonvia::platform::HidDeviceInfo> Enumerate(std::uint16_t vendorId,
                                                           std::uint16_t productId) override {
        tonvia::platform::HidDeviceInfo info;
        info.vendorId = vendorId;
        info.productId = productId;
        return {info};
    }
    std::unique_ptr<tonvia::platform::HidDevice> Open(
        const tonvia::platform::HidDeviceInfo&) override {
        auto made = std::make_unique<Device>();
        device = made.get();
        return made;
    }
    std::string ErrorText() override { return {}; }
};

}  // namespace testing_support
