#pragma once
// A CHidDevice on the scripted fake transport, with its messages recorded.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/frame.h"
#include "link/hid_device.h"
#include "support/fake_hid.h"
#include "support/hex.h"
#include "support/message_recorder.h"

namespace testing_support {

// Wraps a frame's bytes (from 0xAA on) into one 64-byte input report.
inline std::vector<std::uint8_t> Report(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> report(bytes);
    report.resize(std::max<std::size_t>(report.size(), 64), 0);
    return report;
}

// An incoming frame: AA 55 len type subcmd optype data checksum.
inline std::vector<std::uint8_t> Frame(std::uint8_t type, std::uint8_t subcmd, std::uint8_t optype,
                                       std::vector<std::uint8_t> data) {
    std::vector<std::uint8_t> packet{subcmd, optype};
    packet.insert(packet.end(), data.begin(), data.end());
    const auto length = static_cast<std::uint8_t>(data.size() + 3);
    std::vector<std::uint8_t> frame{0xAA, 0x55, length, type};
    frame.insert(frame.end(), packet.begin(), packet.end());
    frame.push_back(static_cast<std::uint8_t>(FrameChecksumSum(length, type, packet)));
    return frame;
}

class LinkTest : public ::testing::Test {
  protected:
    static constexpr WindowHandle kMain = 7;

    void SetUp() override {
        device = std::make_unique<CHidDevice>(backend, sink);
        device->mMainWnd = kMain;
    }
    void TearDown() override { device.reset(); }

    // Opens the fake device; returns it (owned by the link).
    FakeHidDevice& Open() {
        device->OpenHIDDevice();
        EXPECT_TRUE(device->IsConnected());
        return *backend.last;
    }
    // Opens a fake device that answers every write with an acknowledgement of its code, so
    // that senders never wait out their reply time.
    FakeHidDevice& OpenAnswering() {
        backend.script.onWrite = [this](const std::vector<std::uint8_t>& report) {
            backend.last->Reply(Report(Frame(report[4], report[5], OP_ACK, {ACK_READY})));
        };
        return Open();
    }
    // Delivers one report and reads it through the receive path.
    bool Deliver(const std::vector<std::uint8_t>& bytes) {
        backend.last->Reply(Report(bytes));
        return device->ReadHIDData(100);
    }

    FakeHidBackend backend;
    MessageRecorder sink;
    std::unique_ptr<CHidDevice> device;
};

}  // namespace testing_support
