#pragma once
// A scripted HID backend for link tests: records every written report, hands out queued
// input reports, and can fail strings, block writes or keep failing reads.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/hid_backend.h"

namespace testing_support {

class FakeHidDevice final : public tonvia::platform::HidDevice {
  public:
    struct Script {
        bool manufacturerOk = true;
        bool productOk = true;
        bool serialOk = true;
        bool indexedOk = true;
        bool writeFails = false;
        bool readFails = false;  // every read reports an error at once
        std::chrono::milliseconds writeDelay{0};
        // Called after each write with the report; may queue replies (Reply()).
        std::function<void(const std::vector<std::uint8_t>&)> onWrite;
    };

    explicit FakeHidDevice(Script script) : mScript(std::move(script)) {}
    ~FakeHidDevice() override;

    // Queues one input report (at most 64 bytes) for the next read.
    void Reply(std::vector<std::uint8_t> report);
    std::vector<std::vector<std::uint8_t>> Writes() const;
    int ReadCalls() const;
    bool NonBlocking() const;
    static int LiveCount();  // devices not yet destroyed

    int Write(std::span<const std::uint8_t> report) override;
    int ReadTimeout(std::span<std::uint8_t> buffer, int timeoutMs) override;
    bool SetNonBlocking(bool nonBlocking) override;
    bool GetManufacturerString(std::wstring& out) override;
    bool GetProductString(std::wstring& out) override;
    bool GetSerialNumberString(std::wstring& out) override;
    bool GetIndexedString(int index, std::wstring& out) override;
    std::string ErrorText() override { return "fake write error"; }

  private:
    Script mScript;
    mutable std::mutex mMutex;
    std::condition_variable mArrived;
    std::deque<std::vector<std::uint8_t>> mInput;
    std::vector<std::vector<std::uint8_t>> mWrites;
    int mReadCalls = 0;
    bool mNonBlocking = false;
};

// Hands out one FakeHidDevice per Open; the test keeps a pointer to it (the link owns it).
class FakeHidBackend final : public tonvia::platform::HidBackend {
  public:
    int initResult = 0;
    bool present = true;
    FakeHidDevice::Script script;

    int Init() override { return initResult; }
    std::vector<tonvia::platform::HidDeviceInfo> Enumerate(std::uint16_t vendorId,
                                                           std::uint16_t productId) override;
    std::unique_ptr<tonvia::platform::HidDevice> Open(
        const tonvia::platform::HidDeviceInfo& info) override;
    std::string ErrorText() override { return "fake backend error"; }

    // The device made by the last Open (owned by whoever opened it).
    FakeHidDevice* last = nullptr;
    int opens = 0;
};

}  // namespace testing_support
