#include <gtest/gtest.h>

#include <thread>

#include "link_fixture.h"
#include "support/log_capture.h"

using testing_support::FakeHidDevice;
using testing_support::hex;
using testing_support::LinkTest;
using testing_support::ToHex;

namespace {

using namespace std::chrono_literals;

class Opening : public LinkTest {};

TEST_F(Opening, NoDeviceLeavesTheLinkClosed) {
    testing_support::LogCapture log;
    backend.present = false;
    EXPECT_EQ(device->OpenHIDDevice(), 0);
    EXPECT_FALSE(device->IsConnected());
    EXPECT_EQ(log.Text(), "unable to open device\n");
}

TEST_F(Opening, LibraryInitFailureIsReturned) {
    backend.initResult = -1;
    EXPECT_EQ(device->OpenHIDDevice(), -1);
    EXPECT_FALSE(device->IsConnected());
}

TEST_F(Opening, ReadsFourStringsAndSwitchesToNonBlocking) {
    testing_support::LogCapture log;
    FakeHidDevice& opened = Open();
    EXPECT_TRUE(opened.NonBlocking());
    EXPECT_EQ(log.Text(),
              "Manufacturer String: Fake Maker\n"
              "Product String: Fake Amplifier\n"
              "Serial Number String: (65) A1\n"
              "Indexed String 1: Index\n");
}

TEST_F(Opening, DeviceWhoseThreeStringsFailIsClosedAgain) {
    testing_support::LogCapture log;
    backend.script.manufacturerOk = false;
    backend.script.productOk = false;
    backend.script.serialOk = false;
    device->OpenHIDDevice();
    EXPECT_FALSE(device->IsConnected());
    EXPECT_EQ(FakeHidDevice::LiveCount(), 0);
    const std::string text = log.Text();
    EXPECT_NE(text.find("Unable to read manufacturer string\nUnable to read product string\n"
                        "Unable to read serial number string\nIndexed String 1: Index\n"
                        "read HID info error, unable open device correctly\n"),
              std::string::npos);
}

TEST_F(Opening, TwoFailedStringsStillOpen) {
    backend.script.manufacturerOk = false;
    backend.script.indexedOk = false;
    device->OpenHIDDevice();
    EXPECT_TRUE(device->IsConnected());
}

class Sending : public LinkTest {
  protected:
    void SetUp() override {
        LinkTest::SetUp();
        Open();
    }
};

TEST_F(Sending, CloseWithTellDeviceSendsPcConnectZeroFirst) {
    testing_support::LogCapture log;
    FakeHidDevice* opened = backend.last;
    device->CloseHIDDevice(true);
    EXPECT_FALSE(device->IsConnected());
    EXPECT_EQ(FakeHidDevice::LiveCount(), 0);
    (void)opened;  // destroyed with the link's last reference
    const std::string text = log.Text();
    const auto pc = text.find("PC_Connect = 0\n");
    const auto close = text.find("CloseHIDDevice!\n");
    ASSERT_NE(pc, std::string::npos);
    ASSERT_NE(close, std::string::npos);
    EXPECT_LT(pc, close);
    EXPECT_NE(text.find("00 aa 55 04 03 1f bb 00 1f 00"), std::string::npos);
}

TEST_F(Sending, CloseWithoutTellingWritesNothingAndSecondCloseDoesNothing) {
    device->CloseHIDDevice(false);
    device->CloseHIDDevice(true);
    EXPECT_FALSE(device->IsConnected());
}

TEST_F(Sending, SendLogNamesTheRequest) {
    testing_support::LogCapture log;
    device->SendCtrlCommand(CMD_DSP, 0x02, OP_GET, {});
    device->SendCtrlCommand(CMD_DSP, 0x83, OP_GET, {});
    device->SendCtrlCommand(CMD_DSP, 0x4E, OP_GET, {});
    device->SendCtrlCommand(CMD_DSP, 0x1F, OP_GET, {});
    device->SendCtrlCommand(CMD_DSP, 0x02, OP_SET, hex("10"));
    const std::string text = log.Text();
    EXPECT_NE(text.find(", DSP_VOLUME\n"), std::string::npos);
    EXPECT_NE(text.find(", DSP_MIX_TYPE2\n"), std::string::npos);
    EXPECT_NE(text.find(", 78\n"), std::string::npos);  // past the named range of the send log
    EXPECT_NE(text.find(", 31\n"), std::string::npos);  // an unnamed code's text
    EXPECT_NE(text.find("SendCtrlCommand Cmd:0x01, subcmd:0x02, optype:0xbb, len:0x01\n"
                        "begain to write data to devices:\n"
                        "00 aa 55 04 01 02 bb 10 2e 00"),
              std::string::npos);
    EXPECT_NE(text.find("set WRITE_ROPRT = TRUE\nwrite data ok! HidDeviceObject = "),
              std::string::npos);
}

TEST_F(Sending, FailuresReturnFalse) {
    std::vector<std::uint8_t> tooLong(58, 0);
    EXPECT_FALSE(device->SendCtrlCommand(CMD_DSP, 0x3D, OP_SET, tooLong));
    EXPECT_TRUE(backend.last->Writes().empty());

    device->CloseHIDDevice(false);
    EXPECT_FALSE(device->SendCtrlCommand(CMD_DSP, 0x02, OP_SET, hex("10")));
    EXPECT_FALSE(device->ReadHIDData(100));
}

TEST_F(Sending, WriteErrorIsLoggedAndReported) {
    backend.script.writeFails = true;
    device->CloseHIDDevice(false);
    Open();
    testing_support::LogCapture log;
    EXPECT_FALSE(device->SendCtrlCommand(CMD_MCU, 0x08, OP_SET, {}));
    EXPECT_NE(log.Text().find("errot = fake write error\n"), std::string::npos);
}

class Queue : public LinkTest {
  protected:
    void SetUp() override {
        LinkTest::SetUp();
        Open();
    }
    bool WaitIdle(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!device->IsQueueIdle()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }
};

TEST_F(Queue, DisabledQueueDropsEdits) {
    EXPECT_FALSE(device->Set_Acc(5, false));
    std::this_thread::sleep_for(30ms);
    EXPECT_TRUE(backend.last->Writes().empty());
    EXPECT_TRUE(device->IsQueueIdle());
}

TEST_F(Queue, EnabledQueueSendsInOrderAndBecomesIdle) {
    device->CloseHIDDevice(false);
    OpenAnswering();
    device->EnableQueue();
    testing_support::LogCapture log;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(device->Set_Acc(5, false));
    EXPECT_FALSE(device->IsQueueIdle());
    EXPECT_TRUE(device->Set_Power_Off_Time(300, false));
    ASSERT_TRUE(WaitIdle(2000ms));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1000ms);
    const auto writes = backend.last->Writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(ToHex(std::span(writes[0]).first(8)), "00 aa 55 04 03 92 bb 05");
    EXPECT_EQ(ToHex(std::span(writes[1]).first(9)), "00 aa 55 05 03 91 bb 01 2c");
    EXPECT_NE(log.Text().find("get mcmd 0x03 subcmd 0x92 optype 0xbb len 0x01 cmd_data: 0x05\n"),
              std::string::npos);
}

TEST_F(Queue, StoppingFreesQueuedCommandsUnsent) {
    backend.script.writeDelay = 150ms;
    device->CloseHIDDevice(false);
    Open();
    device->EnableQueue();
    testing_support::LogCapture log;
    for (int i = 0; i < 5; ++i) {
        device->Set_Acc(i, false);
    }
    std::this_thread::sleep_for(50ms);  // the thread is inside its first write
    FakeHidDevice* opened = backend.last;
    const auto writesBefore = opened->Writes().size();
    device.reset();
    EXPECT_LE(writesBefore, 1u);
    const std::string text = log.Text();
    // All five were taken from the queue and logged; at most the first was written.
    std::size_t logged = 0;
    for (auto at = text.find("get mcmd"); at != std::string::npos;
         at = text.find("get mcmd", at + 1)) {
        ++logged;
    }
    EXPECT_EQ(logged, 5u);
    EXPECT_NE(text.find("McuCmdThread end\n"), std::string::npos);
}

// What SendOrQueue says became of a command, one case per way it can end.
class SendResults : public LinkTest {};

TEST_F(SendResults, EachOutcomeIsReportedAsItsOwnStatus) {
    const std::vector<std::uint8_t> tooLong(MAX_FRAME_DATA + 1, 0);
    auto send = [this](std::vector<std::uint8_t> data, bool sendNow) {
        return device->SendOrQueue(CMD_MCU, 0x92, OP_SET, std::move(data), 50, sendNow).status;
    };
    EXPECT_EQ(send({1}, true), SendStatus::WriteFailed);  // nothing open
    EXPECT_EQ(send({1}, false), SendStatus::QueueOff);
    Open();
    EXPECT_EQ(send({1}, true), SendStatus::NoReply);  // the fake device stays silent
    EXPECT_EQ(send(tooLong, true), SendStatus::TooLong);
    device->EnableQueue();
    EXPECT_EQ(send(tooLong, false), SendStatus::TooLong);
    const SendResult queued = device->SendOrQueue(CMD_MCU, 0x92, OP_SET, {1}, 50, false);
    EXPECT_EQ(queued.status, SendStatus::Queued);
    EXPECT_TRUE(queued.Ok());
    device->DisableQueue();
    device->CloseHIDDevice(false);
    OpenAnswering();
    EXPECT_EQ(send({1}, true), SendStatus::Answered);
    EXPECT_FALSE(SendResult{SendStatus::QueueOff}.Ok());  // a dropped edit is no success
}

}  // namespace
