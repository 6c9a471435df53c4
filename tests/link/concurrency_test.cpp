// Several threads on one link: writers, readers and a closer. Also run under
// ThreadSanitizer.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "link_fixture.h"
#include "support/log_capture.h"

using testing_support::FakeHidDevice;
using testing_support::hex;
using testing_support::LinkTest;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class Concurrency : public LinkTest {
  protected:
    // Opens a device whose writes take `writeDelay`.
    FakeHidDevice& OpenSlow(std::chrono::milliseconds writeDelay) {
        backend.script.writeDelay = writeDelay;
        return Open();
    }
};

TEST_F(Concurrency, SecondSenderWaitsForTheFirst) {
    FakeHidDevice& opened = OpenSlow(200ms);
    auto first = std::async(std::launch::async, [&] {
        return device->SendCtrlCommand(CMD_MCU, 0x92, OP_SET, hex("01"));
    });
    std::this_thread::sleep_for(50ms);
    const auto t0 = Clock::now();
    EXPECT_TRUE(device->SendCtrlCommand(CMD_MCU, 0x92, OP_SET, hex("02")));
    EXPECT_GE(Clock::now() - t0, 100ms);
    EXPECT_TRUE(first.get());
    const auto writes = opened.Writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0][7], 0x01);
    EXPECT_EQ(writes[1][7], 0x02);
}

TEST_F(Concurrency, SecondSenderGivesUpAfter2000Ms) {
    OpenSlow(2400ms);
    auto first = std::async(std::launch::async, [&] {
        return device->SendCtrlCommand(CMD_MCU, 0x92, OP_SET, hex("01"));
    });
    std::this_thread::sleep_for(50ms);
    testing_support::LogCapture log;
    const auto t0 = Clock::now();
    EXPECT_FALSE(device->SendCtrlCommand(CMD_MCU, 0x92, OP_SET, hex("02")));
    const auto waited = Clock::now() - t0;
    EXPECT_GE(waited, 1900ms);
    EXPECT_LT(waited, 2300ms);
    EXPECT_NE(log.Text().find("time out, break out send cmd!\n"), std::string::npos);
    EXPECT_TRUE(first.get());
}

TEST_F(Concurrency, WaitingSenderGivesUpWhenTheDeviceCloses) {
    OpenSlow(600ms);
    auto first = std::async(std::launch::async, [&] {
        return device->SendCtrlCommand(CMD_MCU, 0x92, OP_SET, hex("01"));
    });
    std::this_thread::sleep_for(50ms);
    auto second = std::async(std::launch::async, [&] {
        return device->SendCtrlCommand(CMD_MCU, 0x92, OP_SET, hex("02"));
    });
    std::this_thread::sleep_for(50ms);
    device->CloseHIDDevice(false);
    EXPECT_FALSE(second.get());
    // The write in progress finishes on the handle it holds, which is closed afterwards.
    EXPECT_TRUE(first.get());
    EXPECT_EQ(FakeHidDevice::LiveCount(), 0);
}

TEST_F(Concurrency, CloseDuringReadReturnsThatReadPromptly) {
    Open();
    auto reader = std::async(std::launch::async, [&] {
        const auto t0 = Clock::now();
        const bool got = device->ReadHIDData(10000);
        return std::make_pair(got, Clock::now() - t0);
    });
    std::this_thread::sleep_for(100ms);
    const auto closedAt = Clock::now();
    device->CloseHIDDevice(false);
    const auto [got, took] = reader.get();
    EXPECT_FALSE(got);
    EXPECT_LT(Clock::now() - closedAt, 200ms);
    EXPECT_LT(took, 1000ms);
    EXPECT_EQ(FakeHidDevice::LiveCount(), 0);
}

TEST_F(Concurrency, PersistentReadErrorDoesNotSpin) {
    backend.script.readFails = true;
    FakeHidDevice& opened = Open();
    const auto t0 = Clock::now();
    EXPECT_FALSE(device->ReadHIDData(300));
    const auto took = Clock::now() - t0;
    EXPECT_GE(took, 280ms);
    EXPECT_LT(took, 1000ms);
    EXPECT_LE(opened.ReadCalls(), 30);
}

TEST_F(Concurrency, QueueThreadAndDirectSendersShareTheLink) {
    FakeHidDevice& opened = OpenAnswering();
    device->EnableQueue();
    auto worker = std::async(std::launch::async, [&] {
        int ok = 0;
        for (int i = 0; i < 20; ++i) {
            ok += device->SendAndWait(CMD_MCU, 0x92, OP_GET, {}, 1000) ? 1 : 0;
        }
        return ok;
    });
    for (int i = 0; i < 20; ++i) {
        device->Set_Acc(i, false);
    }
    EXPECT_EQ(worker.get(), 20);
    const auto end = Clock::now() + 5s;
    while (!device->IsQueueIdle() && Clock::now() < end) {
        std::this_thread::sleep_for(2ms);
    }
    EXPECT_TRUE(device->IsQueueIdle());
    EXPECT_EQ(opened.Writes().size(), 40u);
}

TEST_F(Concurrency, DestroyingTheLinkDuringAQueuedReadIsPrompt) {
    Open();
    device->EnableQueue();
    device->Set_Acc(1, false);  // never answered: the queue thread waits in its read
    std::this_thread::sleep_for(50ms);
    const auto t0 = Clock::now();
    device.reset();
    EXPECT_LT(Clock::now() - t0, 500ms);
}

}  // namespace
