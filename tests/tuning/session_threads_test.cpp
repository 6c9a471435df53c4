// A worker reads the amplifier while the owner of the model applies what arrives, as the
// state read will. Also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "sim/virtual_amplifier.h"
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

}  // namespace
