// A worker reads the amplifier while the owner of the model applies what arrives, as the
// state read will. Also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "sim/virtual_amplifier.h"
#include "tuning/connection.h"
#include "tuning/session.h"

namespace {

using namespace std::chrono_literals;

TEST(SessionThreads, AWorkersRepliesReachTheModelOnlyOnTheOwnersThread) {
    tonvia::sim::VirtualAmplifier amp;
    amp.Edit([](tonvia::sim::DeviceState& s) { s.mainVolume = -9; });
    tonvia::tuning::Session session(amp);
    session.Link().OpenHIDDevice();
    ASSERT_TRUE(session.Link().IsConnected());

    constexpr int kReads = 40;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < kReads; ++i) {
            session.Link().Get_Main_Volume();
        }
        done = true;
    });
    std::size_t applied = 0;
    while (!done.load() || applied < kReads) {
        const auto changes = session.WaitAndProcessReports(20ms);
        applied += changes.size();
        if (done.load() && changes.empty()) {
            break;
        }
    }
    worker.join();
    applied += session.ProcessReports().size();
    EXPECT_EQ(applied, static_cast<std::size_t>(kReads));
    EXPECT_EQ(session.Model().live.mainVolume, -9);
    session.Link().CloseHIDDevice(false);
}

// The window closes in the middle of the state read: the worker is told to stop, ends
// after the request in flight, and is joined while the owner keeps applying reports.
TEST(SessionThreads, AStateReadToldToStopEndsPromptly) {
    tonvia::sim::VirtualAmplifier amp;
    amp.SetFullSpeed();  // about 2 ms a request: the read would take a few hundred ms
    tonvia::tuning::Session session(amp);
    session.Link().OpenHIDDevice();
    std::atomic<bool> stop{false};
    const auto plan = tonvia::tuning::PlanStateRead(session.Model());
    std::thread worker([&] { tonvia::tuning::PC_UI_Status_Init(session, plan, &stop); });
    session.WaitAndProcessReports(30ms);
    const auto asked = std::chrono::steady_clock::now();
    stop = true;
    worker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 1s);
    EXPECT_LT(amp.GetCounters().requests, 60);  // a whole read asks about 170 times
    session.ProcessReports();
    EXPECT_EQ(session.Model().live.model, 77);  // the handshake came before the stop
    session.Link().CloseHIDDevice(false);
}

}  // namespace
