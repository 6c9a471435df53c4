#include "support/fake_hid.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace testing_support {
namespace {
std::atomic<int> gLive{0};
}

FakeHidDevice::~FakeHidDevice() {
    gLive.fetch_sub(1);
}

int FakeHidDevice::LiveCount() {
    return gLive.load();
}

void FakeHidDevice::Reply(std::vector<std::uint8_t> report) {
    {
        std::lock_guard lock(mMutex);
        mInput.push_back(std::move(report));
    }
    mArrived.notify_all();
}

std::vector<std::vector<std::uint8_t>> FakeHidDevice::Writes() const {
    std::lock_guard lock(mMutex);
    return mWrites;
}

int FakeHidDevice::ReadCalls() const {
    std::lock_guard lock(mMutex);
    return mReadCalls;
}

bool FakeHidDevice::NonBlocking() const {
    std::lock_guard lock(mMutex);
    return mNonBlocking;
}

int FakeHidDevice::Write(std::span<const std::uint8_t> report) {
    if (mScript.writeDelay.count() > 0) {
        std::this_thread::sleep_for(mScript.writeDelay);
    }
    if (mScript.writeFails) {
        return -1;
    }
    std::vector<std::uint8_t> copy(report.begin(), report.end());
    {
        std::lock_guard lock(mMutex);
        mWrites.push_back(copy);
    }
    if (mScript.onWrite) {
        mScript.onWrite(copy);
    }
    return static_cast<int>(report.size());
}

int FakeHidDevice::ReadTimeout(std::span<std::uint8_t> buffer, int timeoutMs) {
    std::unique_lock lock(mMutex);
    ++mReadCalls;
    if (mScript.readFails) {
        return -1;
    }
    if (!mArrived.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                           [this] { return !mInput.empty(); })) {
        return 0;
    }
    std::vector<std::uint8_t> report = std::move(mInput.front());
    mInput.pop_front();
    const std::size_t n = std::min(report.size(), buffer.size());
    std::copy_n(report.begin(), n, buffer.begin());
    return static_cast<int>(n);
}

bool FakeHidDevice::SetNonBlocking(bool nonBlocking) {
    std::lock_guard lock(mMutex);
    mNonBlocking = nonBlocking;
    return true;
}

bool FakeHidDevice::GetManufacturerString(std::wstring& out) {
    out = L"Fake Maker";
    return mScript.manufacturerOk;
}
bool FakeHidDevice::GetProductString(std::wstring& out) {
    out = L"Fake Amplifier";
    return mScript.productOk;
}
bool FakeHidDevice::GetSerialNumberString(std::wstring& out) {
    out = L"A1";
    return mScript.serialOk;
}
bool FakeHidDevice::GetIndexedString(int, std::wstring& out) {
    out = L"Index";
    return mScript.indexedOk;
}

std::vector<tonvia::platform::HidDeviceInfo> FakeHidBackend::Enumerate(std::uint16_t vendorId,
                                                                       std::uint16_t productId) {
    if (!present || vendorId != 0x0483 || productId != 0x5750) {
        return {};
    }
    tonvia::platform::HidDeviceInfo info;
    info.path = "/dev/fake-hidraw0";
    info.vendorId = vendorId;
    info.productId = productId;
    return {info};
}

std::unique_ptr<tonvia::platform::HidDevice> FakeHidBackend::Open(
    const tonvia::platform::HidDeviceInfo&) {
    auto device = std::make_unique<FakeHidDevice>(script);
    gLive.fetch_add(1);
    last = device.get();
    ++opens;
    return device;
}

}  // namespace testing_support
