#pragma once
// Shared body of the command decoder fuzz targets: the first input byte chooses the link
// configuration the decoders read, the rest is one packet (subcmd, optype, data) of at
// most 60 bytes, as the receive parser hands it over; longer inputs are cut into packets.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "commands/decoders.h"
#include "platform/hid_backend.h"

namespace fuzzing {

class NoDevice final : public tonvia::platform::HidBackend {
  public:
    int Init() override { return 0; }
    std::vector<tonvia::platform::HidDeviceInfo> Enumerate(std::uint16_t, std::uint16_t) override {
        return {};
    }
    std::unique_ptr<tonvia::platform::HidDevice> Open(
        const tonvia::platform::HidDeviceInfo&) override {
        return nullptr;
    }
    std::string ErrorText() override { return {}; }
};

class DroppingSink final : public WindowMessageSink {
  public:
    bool PostWindowMessage(WindowHandle, WindowMessage) override { return true; }
};

inline int RunDecoder(FrameDecoder decoder, const std::uint8_t* data, std::size_t size) {
    static NoDevice backend;
    static DroppingSink sink;
    static CHidDevice device(backend, sink);
    if (size == 0) {
        return 0;
    }
    device.mMainWnd = 1;
    device.mSceneWnd = 2;
    device.mCalWnd = 3;
    device.mDialogWnd = 4;
    device.mMemWnd = 5;
    device.mOutChannels = (data[0] & 0x0F) + 1;
    device.mInChannels = (data[0] & 0x10) != 0 ? 16 : 4;
    device.mTrimTwoBytes = (data[0] & 0x20) != 0 ? 1 : 0;
    device.mNoiseToMain = (data[0] & 0x40) != 0 ? 1 : 0;
    device.sys_upg_status = (data[0] & 0x80) != 0 ? 49u : 32u;
    constexpr std::size_t kPacketMax = 60;
    std::span<const std::uint8_t> rest(data + 1, size - 1);
    do {
        const std::size_t take = std::min(rest.size(), kPacketMax);
        decoder(device, rest.first(take));
        rest = rest.subspan(take);
    } while (!rest.empty());
    return 0;
}

}  // namespace fuzzing
