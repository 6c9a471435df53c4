#include "platform/udev_monitor.h"

#include <libudev.h>
#include <poll.h>
#include <unistd.h>

#include <charconv>
#include <mutex>
#include <string>
#include <thread>

namespace tonvia::platform {
namespace {

std::optional<std::uint32_t> Hex(std::string_view text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// "bus:vendor:product" with hexadecimal fields of fixed widths, as the kernel names them:
// 4:8:8 in the HID_ID property, 4:4:4.4 for the HID device folder.
std::optional<UsbIds> ParseTriple(std::string_view text, bool folderForm) {
    const std::size_t idWidth = folderForm ? 4 : 8;
    const std::size_t length = 4 + 1 + idWidth + 1 + idWidth + (folderForm ? 5 : 0);
    if (text.size() != length || text[4] != ':' || text[5 + idWidth] != ':' ||
        (folderForm && text[6 + 2 * idWidth] != '.')) {
        return std::nullopt;
    }
    const auto bus = Hex(text.substr(0, 4));
    const auto vendor = Hex(text.substr(5, idWidth));
    const auto product = Hex(text.substr(6 + idWidth, idWidth));
    const bool instanceOk = !folderForm || Hex(text.substr(7 + 2 * idWidth, 4));
    if (!bus || !vendor || !product || !instanceOk || *vendor > 0xFFFF || *product > 0xFFFF) {
        return std::nullopt;
    }
    return UsbIds{static_cast<std::uint16_t>(*vendor), static_cast<std::uint16_t>(*product)};
}

class UdevDeviceMonitor final : public DeviceMonitor {
  public:
    ~UdevDeviceMonitor() override { Stop(); }

    bool Start(std::uint16_t vendorId, std::uint16_t productId, Listener listener) override {
        Stop();
        mUdev = udev_new();
        if (mUdev == nullptr) {
            return false;
        }
        mMonitor = udev_monitor_new_from_netlink(mUdev, "udev");
        if (mMonitor == nullptr ||
            udev_monitor_filter_add_match_subsystem_devtype(mMonitor, "hidraw", nullptr) < 0 ||
            udev_monitor_enable_receiving(mMonitor) < 0 || ::pipe(mWake) != 0) {
            Release();
            return false;
        }
        mVendorId = vendorId;
        mProductId = productId;
        mListener = std::move(listener);
        mThread = std::thread([this] { Run(); });
        return true;
    }

    void Stop() override {
        if (mThread.joinable()) {
            const char byte = 1;
            [[maybe_unused]] const auto written = ::write(mWake[1], &byte, 1);
            mThread.join();
        }
        Release();
    }

  private:
    void Release() {
        for (int& fd : mWake) {
            if (fd >= 0) {
                ::close(fd);
                fd = -1;
            }
        }
        if (mMonitor != nullptr) {
            udev_monitor_unref(mMonitor);
            mMonitor = nullptr;
        }
        if (mUdev != nullptr) {
            udev_unref(mUdev);
            mUdev = nullptr;
        }
    }

    void Run() {
        pollfd fds[2] = {{udev_monitor_get_fd(mMonitor), POLLIN, 0}, {mWake[0], POLLIN, 0}};
        while (true) {
            if (::poll(fds, 2, -1) < 0) {
                continue;  // interrupted
            }
            if ((fds[1].revents & POLLIN) != 0) {
                return;
            }
            if ((fds[0].revents & POLLIN) == 0) {
                continue;
            }
            udev_device* device = udev_monitor_receive_device(mMonitor);
            if (device == nullptr) {
                continue;
            }
            Report(device);
            udev_device_unref(device);
        }
    }

    void Report(udev_device* device) {
        const char* action = udev_device_get_action(device);
        const char* node = udev_device_get_devnode(device);
        if (action == nullptr || node == nullptr) {
            return;
        }
        const std::string_view what(action);
        if (what != "add" && what != "remove") {
            return;
        }
        std::optional<UsbIds> ids;
        if (udev_device* hid =
                udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr)) {
            if (const char* hidId = udev_device_get_property_value(hid, "HID_ID")) {
                ids = ParseHidId(hidId);
            }
        }
        if (!ids) {
            if (const char* devpath = udev_device_get_devpath(device)) {
                ids = ParseHidDevpath(devpath);
            }
        }
        if (!ids || ids->vendorId != mVendorId || ids->productId != mProductId) {
            return;
        }
        mListener(DeviceEvent{what == "add" ? DeviceEventKind::Arrived : DeviceEventKind::Removed,
                              node, ids->vendorId, ids->productId});
    }

    udev* mUdev = nullptr;
    udev_monitor* mMonitor = nullptr;
    int mWake[2] = {-1, -1};
    std::uint16_t mVendorId = 0;
    std::uint16_t mProductId = 0;
    Listener mListener;
    std::thread mThread;
};

}  // namespace

std::unique_ptr<DeviceMonitor> MakeUdevDeviceMonitor() {
    return std::make_unique<UdevDeviceMonitor>();
}

std::optional<UsbIds> ParseHidId(std::string_view hidId) {
    return ParseTriple(hidId, false);
}

std::optional<UsbIds> ParseHidDevpath(std::string_view devpath) {
    // Walk the path's folders from the end: the HID device folder is the nearest one that
    // reads as bus:vendor:product.instance.
    while (!devpath.empty()) {
        const auto slash = devpath.rfind('/');
        const std::string_view folder =
            slash == std::string_view::npos ? devpath : devpath.substr(slash + 1);
        if (auto ids = ParseTriple(folder, true)) {
            return ids;
        }
        if (slash == std::string_view::npos) {
            break;
        }
        devpath = devpath.substr(0, slash);
    }
    return std::nullopt;
}

}  // namespace tonvia::platform
