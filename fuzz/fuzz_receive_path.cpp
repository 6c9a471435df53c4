// Feeds arbitrary byte streams, split into input reports of arbitrary sizes, through the
// link's receive path: ring, frame parser, dispatch and the system-message decoder.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "link/hid_device.h"

namespace {

class ScriptedDevice final : public tonvia::platform::HidDevice {
  public:
    std::deque<std::vector<std::uint8_t>> reports;

    int Write(std::span<const std::uint8_t> report) override {
        return static_cast<int>(report.size());
    }
    int ReadTimeout(std::span<std::uint8_t> buffer, int) override {
        if (reports.empty()) {
            return 0;
        }
        const auto report = std::move(reports.front());
        reports.pop_front();
        const std::size_t n = std::min(report.size(), buffer.size());
        std::copy_n(report.begin(), n, buffer.begin());
        return static_cast<int>(n);
    }
    bool SetNonBlocking(bool) override { return true; }
    bool GetManufacturerString(std::wstring& out) override { return (out = L"m", true); }
    bool GetProductString(std::wstring& out) override { return (out = L"p", true); }
    bool GetSerialNumberString(std::wstring& out) override { return (out = L"s", true); }
    bool GetIndexedString(int, std::wstring& out) override { return (out = L"i", true); }
    std::string ErrorText() override { return {}; }
};

class ScriptedBackend final : public tonvia::platform::HidBackend {
  public:
    ScriptedDevice* device = nullptr;
    int Init() override { return 0; }
    std::vector<tonvia::platform::HidDeviceInfo> Enumerate(std::uint16_t v,
                                                           std::uint16_t p) override {
        tonvia::platform::HidDeviceInfo info;
        info.vendorId = v;
        info.productId = p;
        return {info};
    }
    std::unique_ptr<tonvia::platform::HidDevice> Open(
        const tonvia::platform::HidDeviceInfo&) override {
        auto made = std::make_unique<ScriptedDevice>();
        device = made.get();
        return made;
    }
    std::string ErrorText() override { return {}; }
};

class DroppingSink final : public WindowMessageSink {
  public:
    bool PostWindowMessage(WindowHandle, WindowMessage) override { return true; }
};

struct Link {
    ScriptedBackend backend;
    DroppingSink sink;
    CHidDevice device{backend, sink};
    Link() {
        device.OpenHIDDevice();
        device.mMainWnd = 1;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Link link;
    ScriptedDevice& device = *link.backend.device;
    // Each report: one length byte (1 ... 64 bytes follow), then the report's bytes.
    std::size_t at = 0;
    while (at < size) {
        const std::size_t length = 1 + data[at] % 64;
        ++at;
        const std::size_t take = std::min(length, size - at);
        device.reports.emplace_back(data + at, data + at + take);
        at += take;
    }
    while (!device.reports.empty()) {
        link.device.ReadHIDData(1);
    }
    return 0;
}
