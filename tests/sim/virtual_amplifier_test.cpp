// The virtual amplifier as a HID backend: enumeration, reports, faults, plug events, and
// the real device link talking to it.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "link/hid_device.h"
#include "link/mcu_records.h"
#include "sim/virtual_amplifier.h"
#include "sim_test_util.h"
#include "support/message_recorder.h"
#include "tuning/session.h"

namespace {

using namespace std::chrono_literals;
using tonvia::platform::DeviceEvent;
using tonvia::platform::DeviceEventKind;
using tonvia::sim::VirtualAmplifier;

// Collects monitor events and lets a test wait for them.
class EventLog {
  public:
    void Add(const DeviceEvent& event) {
        std::lock_guard lock(mMutex);
        mEvents.push_back(event.kind);
        mArrived.notify_all();
    }
    bool WaitFor(std::size_t count) {
        std::unique_lock lock(mMutex);
        return mArrived.wait_for(lock, 3s, [&] { return mEvents.size() >= count; });
    }
    std::vector<DeviceEventKind> Events() {
        std::lock_guard lock(mMutex);
        return mEvents;
    }

  private:
    std::mutex mMutex;
    std::condition_variable mArrived;
    std::vector<DeviceEventKind> mEvents;
};

class VirtualAmplifierTest : public testing::Test {
  protected:
    std::unique_ptr<tonvia::platform::HidDevice> OpenFirst() {
        const auto found = amp.Enumerate(0x0483, 0x5750);
        EXPECT_EQ(found.size(), 1u);
        return found.empty() ? nullptr : amp.Open(found[0]);
    }
    // Writes a request and returns the body of the reply frame read back.
    std::string Ask(tonvia::platform::HidDevice& device, std::uint8_t type, std::uint8_t code,
                    std::uint8_t op, std::string_view data = "") {
        const auto report = sim_test::Report(type, code, op, data);
        EXPECT_EQ(device.Write(report), 65);
        std::vector<std::uint8_t> in(64);
        const int n = device.ReadTimeout(in, 1000);
        EXPECT_EQ(n, 64);
        if (n <= 0) {
            return {};
        }
        in.resize(static_cast<std::size_t>(in[2] + 4));
        return sim_test::Body(in);
    }

    VirtualAmplifier amp{[] {
        tonvia::sim::Options options;
        options.rebootDelay = 50ms;
        return options;
    }()};
};

TEST_F(VirtualAmplifierTest, EnumeratesOneReadableDevice) {
    EXPECT_EQ(amp.Init(), 0);
    EXPECT_TRUE(amp.Enumerate(0x0483, 0x1234).empty());
    auto device = OpenFirst();
    ASSERT_TRUE(device);
    std::wstring text;
    EXPECT_TRUE(device->GetManufacturerString(text));
    EXPECT_FALSE(text.empty());
    EXPECT_TRUE(device->GetProductString(text));
    EXPECT_TRUE(device->GetSerialNumberString(text));
    EXPECT_TRUE(device->GetIndexedString(1, text));
    EXPECT_EQ(Ask(*device, CMD_MCU, 0x08, OP_SET), "03 08 dd 00 4d 02 1c");
}

TEST_F(VirtualAmplifierTest, LongReplySpansTwoReports) {
    auto device = OpenFirst();
    ASSERT_TRUE(device);
    // 54 profile bytes: a frame of 58 data bytes, 65 bytes in all.
    ASSERT_EQ(device->Write(sim_test::Report(CMD_FLASH, 0x0C, OP_GET, "01 00 00 36")), 65);
    std::vector<std::uint8_t> first(64);
    std::vector<std::uint8_t> second(64);
    ASSERT_EQ(device->ReadTimeout(first, 1000), 64);
    ASSERT_EQ(device->ReadTimeout(second, 1000), 64);
    EXPECT_EQ(first[2], 61);  // length byte
    std::vector<std::uint8_t> frame(first);
    frame.push_back(second[0]);
    EXPECT_EQ(sim_test::Body(frame).substr(0, 20), "02 0c dd 01 00 00 36");
    EXPECT_EQ(device->ReadTimeout(second, 10), 0);
}

TEST_F(VirtualAmplifierTest, LatencyDelaysEveryReport) {
    auto device = OpenFirst();
    ASSERT_TRUE(device);
    amp.SetLatency(60ms);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(device->Write(sim_test::Report(CMD_DSP, 0x02, OP_GET)), 65);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 60ms);
    std::vector<std::uint8_t> in(64);
    EXPECT_EQ(device->ReadTimeout(in, 5), 0);  // still on its way
    EXPECT_EQ(device->ReadTimeout(in, 1000), 64);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 120ms);
}

TEST_F(VirtualAmplifierTest, ReplyFaults) {
    auto device = OpenFirst();
    ASSERT_TRUE(device);
    std::vector<std::uint8_t> in(64);
    const auto volume = sim_test::Report(CMD_DSP, 0x02, OP_GET);

    amp.DropReplies(2);
    device->Write(volume);
    device->Write(volume);
    EXPECT_EQ(device->ReadTimeout(in, 20), 0);
    EXPECT_EQ(Ask(*device, CMD_DSP, 0x02, OP_GET), "01 02 dd fb");

    amp.CorruptNextReply();
    device->Write(volume);
    ASSERT_EQ(device->ReadTimeout(in, 1000), 64);
    const std::span<const std::uint8_t> packet(in.data() + 4, 3);
    EXPECT_NE(packet_checksum(in[2], in[3], packet), in[6]);
    EXPECT_EQ(Ask(*device, CMD_DSP, 0x02, OP_GET), "01 02 dd fb");

    amp.SetSilent(true);
    device->Write(sim_test::Report(CMD_DSP, 0x02, OP_SET, "10"));  // 16 dB below +6
    EXPECT_EQ(device->ReadTimeout(in, 20), 0);
    EXPECT_EQ(amp.Snapshot().mainVolume, -10);  // taken, not answered
    amp.SetSilent(false);
    EXPECT_EQ(amp.GetCounters().droppedReplies, 3);
    EXPECT_EQ(amp.GetCounters().corruptedReplies, 1);
}

TEST_F(VirtualAmplifierTest, UnplugFailsOpenHandlesAndRaisesEvents) {
    EventLog log;
    ASSERT_TRUE(amp.Start(0x0483, 0x5750, [&](const DeviceEvent& e) { log.Add(e); }));
    auto device = OpenFirst();
    ASSERT_TRUE(device);

    // A reader waiting for a reply is woken by the unplug.
    std::thread reader([&] {
        std::vector<std::uint8_t> in(64);
        EXPECT_EQ(device->ReadTimeout(in, 5000), -1);
    });
    std::this_thread::sleep_for(20ms);
    amp.Unplug();
    reader.join();
    EXPECT_EQ(device->Write(sim_test::Report(CMD_MCU, 0x08, OP_SET)), -1);
    EXPECT_TRUE(amp.Enumerate(0x0483, 0x5750).empty());

    amp.Plug();
    ASSERT_TRUE(log.WaitFor(2));
    EXPECT_EQ(log.Events(), (std::vector{DeviceEventKind::Removed, DeviceEventKind::Arrived}));
    std::vector<std::uint8_t> in(64);
    EXPECT_EQ(device->ReadTimeout(in, 10), -1);  // the old handle stays dead
    auto again = OpenFirst();
    ASSERT_TRUE(again);
    EXPECT_EQ(Ask(*again, CMD_MCU, 0x08, OP_SET), "03 08 dd 00 4d 02 1c");

    amp.Replug(30ms);
    EXPECT_FALSE(amp.IsPlugged());
    EXPECT_TRUE(amp.WaitForPlugged(true, 3s));
    ASSERT_TRUE(log.WaitFor(4));
    amp.Stop();
    amp.Unplug();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(log.Events().size(), 4u);  // stopped: no more events
}

TEST_F(VirtualAmplifierTest, RestartsAfterTheReplyHasBeenRead) {
    auto device = OpenFirst();
    ASSERT_TRUE(device);
    EXPECT_EQ(Ask(*device, CMD_MCU, 0x90, OP_SET), "03 90 ee 0a");  // factory default
    EXPECT_FALSE(amp.IsPlugged());
    EXPECT_TRUE(amp.WaitForPlugged(true, 3s));

    amp.TakeFirmware(2, 30);
    EXPECT_FALSE(amp.IsPlugged());
    EXPECT_TRUE(amp.WaitForPlugged(true, 3s));
    auto after = OpenFirst();
    ASSERT_TRUE(after);
    EXPECT_EQ(Ask(*after, CMD_MCU, 0x08, OP_SET), "03 08 dd 00 4d 02 1e");
}

// The real device link against the virtual amplifier, for the system family.
class LinkTest : public VirtualAmplifierTest {
  protected:
    LinkTest() {
        link.mMainWnd = 1;
        tonvia::tuning::ConfigureLink(link);
    }
    template <typename Record>
    const Record* Find(const std::vector<testing_support::PostedMessage>& posted, unsigned message,
                       std::uintptr_t code) {
        for (const auto& p : posted) {
            if (p.message.message == message && p.message.wParam == code) {
                return dynamic_cast<const Record*>(p.message.record.get());
            }
        }
        return nullptr;
    }
    std::intptr_t Value(const std::vector<testing_support::PostedMessage>& posted,
                        std::uintptr_t code) {
        for (const auto& p : posted) {
            if (p.message.message == WM_READ_MCU_VALUE && p.message.wParam == code) {
                return p.message.lParam;
            }
        }
        ADD_FAILURE() << "no value for " << code;
        return -12345;
    }

    testing_support::MessageRecorder recorder;
    CHidDevice link{amp, recorder};
};

TEST_F(LinkTest, ConnectsAndReadsTheSystemValues) {
    link.OpenHIDDevice();
    ASSERT_TRUE(link.IsConnected());
    link.PC_Connect(1);
    ASSERT_TRUE(link.Hand_Connect());
    EXPECT_EQ(link.model.load(), 77);
    EXPECT_EQ(link.mcu_is_normal_mode.load(), 1);
    EXPECT_TRUE(amp.Snapshot().pcConnected);

    ASSERT_TRUE(link.Set_Acc(-1, true));
    ASSERT_TRUE(link.Get_Acc());
    ASSERT_TRUE(link.Set_Power_Off_Time(1000, true));
    ASSERT_TRUE(link.Get_Delay_Power_Off_Time());
    ASSERT_TRUE(link.Get_Flash_Version());
    const auto posted = recorder.Take();
    const auto* handshake = Find<McuHandshakeRecord>(posted, WM_READ_MCU_VALUE, 0x08);
    ASSERT_NE(handshake, nullptr);
    EXPECT_EQ(handshake->mainVersion, 2);
    EXPECT_EQ(handshake->slaveVersion, 28);
    EXPECT_EQ(Value(posted, 0x92), -1);
    EXPECT_EQ(Value(posted, 0x91), 1000);
    const auto* flash = Find<McuFlashVersionRecord>(posted, WM_READ_MCU_VALUE, 0x0B);
    ASSERT_NE(flash, nullptr);
    EXPECT_EQ(flash->version, (std::array<std::int32_t, 4>{1, 0, 2, 8}));

    link.CloseHIDDevice(true);  // tells the device that the PC leaves
    EXPECT_FALSE(amp.Snapshot().pcConnected);
}

TEST_F(LinkTest, BootLoaderModeIsReported) {
    amp.SetBootLoaderMode(true);
    link.OpenHIDDevice();
    ASSERT_TRUE(link.Hand_Connect());
    EXPECT_EQ(link.mcu_is_normal_mode.load(), 0);
    const auto posted = recorder.Take();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message.message, WM_DEVICE_STATUS_UNNORMAL);
}

TEST_F(LinkTest, QueuedEditsAreAcknowledgedAtOnce) {
    amp.SetFullSpeed();
    link.OpenHIDDevice();
    link.EnableQueue();
    const auto start = std::chrono::steady_clock::now();
    for (int delay = 1; delay <= 5; ++delay) {
        ASSERT_TRUE(link.Set_Acc(delay, false));
    }
    while (!link.IsQueueIdle() && std::chrono::steady_clock::now() - start < 5s) {
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_TRUE(link.IsQueueIdle());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);  // no 10 s reply time-outs
    EXPECT_EQ(amp.Snapshot().acc, 5);
}

TEST_F(LinkTest, SilentDeviceFailsTheHandshakeAndUnplugClosesReads) {
    link.OpenHIDDevice();
    amp.SetSilent(true);
    EXPECT_FALSE(link.SendAndWait(CMD_MCU, 0x08, OP_SET, {}, 100));
    amp.SetSilent(false);
    amp.Replug(20ms);
    EXPECT_FALSE(link.Hand_Connect());  // the old handle fails its write
    ASSERT_TRUE(amp.WaitForPlugged(true, 3s));
    link.CloseHIDDevice(false);
    link.OpenHIDDevice();
    EXPECT_TRUE(link.Hand_Connect());
}

}  // namespace
