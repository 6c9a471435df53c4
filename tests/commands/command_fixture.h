#pragma once
// A link on the fake transport that answers every write at once, with the command
// decoders installed and every window handle set.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "commands/decoders.h"
#include "link/hid_device.h"
#include "support/fake_hid.h"
#include "support/hex.h"
#include "support/message_recorder.h"
#include "tuning/session.h"

namespace testing_support {

inline constexpr WindowHandle kMain = 1;
inline constexpr WindowHandle kScene = 2;
inline constexpr WindowHandle kCal = 3;
inline constexpr WindowHandle kDialog = 4;
inline constexpr WindowHandle kMem = 5;

// One sent command: packet type, subcmd, optype and the data bytes as hex.
struct Sent {
    int type = 0;
    int subcmd = 0;
    int optype = 0;
    std::string data;
    bool operator==(const Sent&) const = default;
};

inline void PrintTo(const Sent& s, std::ostream* os) {
    *os << "type " << s.type << " subcmd 0x" << std::hex << s.subcmd << " optype 0x" << s.optype
        << std::dec << " data [" << s.data << "]";
}

class CommandFixture : public ::testing::Test {
  protected:
    CommandFixture() {
        backend.script.onWrite = [this](const std::vector<std::uint8_t>&) {
            backend.last->Reply(hex(mReplyHex));
        };
        tonvia::tuning::ConfigureLink(dev);
        dev.mMainWnd = kMain;
        dev.mSceneWnd = kScene;
        dev.mCalWnd = kCal;
        dev.mDialogWnd = kDialog;
        dev.mMemWnd = kMem;
        dev.OpenHIDDevice();
    }

    // Every command written so far, decoded from its output report.
    std::vector<Sent> SentCommands() const {
        std::vector<Sent> out;
        for (const auto& report : backend.last->Writes()) {
            const std::size_t length = report[3] - 3u;
            out.push_back(
                {report[4], report[5], report[6], ToHex(std::span(report).subspan(7, length))});
        }
        return out;
    }

    // The only command written so far.
    Sent OnlySent() const {
        const auto sent = SentCommands();
        EXPECT_EQ(sent.size(), 1u);
        return sent.empty() ? Sent{} : sent.back();
    }

    // Waits until McuCmdThread has sent every queued command.
    void DrainQueue() {
        for (int i = 0; i < 400 && !dev.IsQueueIdle(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_TRUE(dev.IsQueueIdle());
    }

    // Decodes one frame's packet bytes with the decoder of `type`, as the dispatch would.
    void Feed(std::uint8_t type, const std::string& packetHex) {
        const auto packet = hex(packetHex);
        if (type == CMD_DSP) {
            dsp_ack_process(dev, packet);
        } else if (type == CMD_FLASH) {
            flash_ack_process(dev, packet);
        } else {
            ktv_ack_process(dev, packet);
        }
    }

    // The report with which the fake device answers each write (a frame or filler).
    std::string mReplyHex = "00";

    FakeHidBackend backend;
    MessageRecorder sink;
    CHidDevice dev{backend, sink};
};

// The incoming frame bytes for a packet: sync, length, type, packet, checksum.
inline std::string FrameHex(std::uint8_t type, const std::string& packetHex) {
    const auto packet = hex(packetHex);
    std::vector<std::uint8_t> frame = {0xAA, 0x55, static_cast<std::uint8_t>(packet.size() + 1),
                                       type};
    frame.insert(frame.end(), packet.begin(), packet.end());
    unsigned sum = 0;
    for (std::size_t i = 2; i < frame.size(); ++i) {
        sum += frame[i];
    }
    frame.push_back(static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
    return ToHex(frame);
}

}  // namespace testing_support
