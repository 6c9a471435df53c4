#include "platform/hidapi_backend.h"

#include <hidapi.h>

#include <cwchar>
#include <mutex>

#include "platform/text.h"

namespace tonvia::platform {
namespace {

constexpr std::size_t kMaxString = 255;

std::string ErrorString(const wchar_t* text) {
    return text != nullptr ? WideToUtf8(text) : std::string("unknown error");
}

class HidapiDevice final : public HidDevice {
  public:
    explicit HidapiDevice(hid_device* handle) : mHandle(handle) {}
    ~HidapiDevice() override { hid_close(mHandle); }
    HidapiDevice(const HidapiDevice&) = delete;
    HidapiDevice& operator=(const HidapiDevice&) = delete;

    int Write(std::span<const std::uint8_t> report) override {
        return hid_write(mHandle, report.data(), report.size());
    }
    int ReadTimeout(std::span<std::uint8_t> buffer, int timeoutMs) override {
        return hid_read_timeout(mHandle, buffer.data(), buffer.size(), timeoutMs);
    }
    bool SetNonBlocking(bool nonBlocking) override {
        return hid_set_nonblocking(mHandle, nonBlocking ? 1 : 0) == 0;
    }
    bool GetManufacturerString(std::wstring& out) override {
        return ReadString(out, [this](wchar_t* b, std::size_t n) {
            return hid_get_manufacturer_string(mHandle, b, n);
        });
    }
    bool GetProductString(std::wstring& out) override {
        return ReadString(out, [this](wchar_t* b, std::size_t n) {
            return hid_get_product_string(mHandle, b, n);
        });
    }
    bool GetSerialNumberString(std::wstring& out) override {
        return ReadString(out, [this](wchar_t* b, std::size_t n) {
            return hid_get_serial_number_string(mHandle, b, n);
        });
    }
    bool GetIndexedString(int index, std::wstring& out) override {
        return ReadString(out, [this, index](wchar_t* b, std::size_t n) {
            return hid_get_indexed_string(mHandle, index, b, n);
        });
    }
    std::string ErrorText() override { return ErrorString(hid_error(mHandle)); }

  private:
    template <typename Reader>
    static bool ReadString(std::wstring& out, Reader reader) {
        wchar_t buffer[kMaxString + 1] = {};
        const int result = reader(buffer, kMaxString);
        buffer[kMaxString] = L'\0';
        out.assign(buffer);
        return result >= 0;
    }

    hid_device* mHandle;
};

class HidapiBackend final : public HidBackend {
  public:
    ~HidapiBackend() override {
        if (mInitialised) {
            hid_exit();
        }
    }

    int Init() override {
        std::lock_guard lock(mMutex);
        if (mInitialised) {
            return 0;
        }
        const int result = hid_init();
        mInitialised = result == 0;
        return result;
    }

    std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendorId, std::uint16_t productId) override {
        std::vector<HidDeviceInfo> out;
        hid_device_info* list = hid_enumerate(vendorId, productId);
        for (hid_device_info* it = list; it != nullptr; it = it->next) {
            HidDeviceInfo info;
            info.path = it->path != nullptr ? it->path : "";
            info.vendorId = it->vendor_id;
            info.productId = it->product_id;
            info.serialNumber = it->serial_number != nullptr ? it->serial_number : L"";
            info.manufacturer = it->manufacturer_string != nullptr ? it->manufacturer_string : L"";
            info.product = it->product_string != nullptr ? it->product_string : L"";
            info.interfaceNumber = it->interface_number;
            out.push_back(std::move(info));
        }
        hid_free_enumeration(list);
        return out;
    }

    std::unique_ptr<HidDevice> Open(const HidDeviceInfo& info) override {
        hid_device* handle = hid_open_path(info.path.c_str());
        if (handle == nullptr) {
            return nullptr;
        }
        return std::make_unique<HidapiDevice>(handle);
    }

    std::string ErrorText() override { return ErrorString(hid_error(nullptr)); }

  private:
    std::mutex mMutex;
    bool mInitialised = false;
};

}  // namespace

std::unique_ptr<HidBackend> MakeHidapiBackend() {
    return std::make_unique<HidapiBackend>();
}

}  // namespace tonvia::platform
