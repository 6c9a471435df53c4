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
#include "support/in_memory_hid.h"

namespace {

class ScriptedDevice final : public testing_support::InMemoryHidDevice {
  public:
    std::deque<std::vector<std::uint8_t>> reports;

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
};

using ScriptedBackend = testing_support::InMemoryHidBackend<ScriptedDevice>;

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
