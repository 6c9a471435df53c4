#pragma once
// A headless session connected to a virtual amplifier, with the command queue on: the
// rules half's edits reach the amplifier as on a connected page.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "sim/virtual_amplifier.h"
#include "tuning/session.h"

namespace tuning_testing {

class SessionTest : public testing::Test {
  protected:
    SessionTest() {
        session.Link().OpenHIDDevice();
        session.Link().EnableQueue();
        amp.ClearRequests();
    }
    ~SessionTest() override { session.Link().CloseHIDDevice(false); }

    SceneConfig& Live() { return session.Model().live; }

    // Waits until the queue has written everything it holds.
    void WaitIdle() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!session.Link().IsQueueIdle() && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_TRUE(session.Link().IsQueueIdle());
    }
    // The working set as the amplifier holds it once the queue is idle.
    tonvia::sim::SceneParams Device() {
        WaitIdle();
        return amp.Snapshot().scenes[0];
    }

    tonvia::sim::VirtualAmplifier amp;
    tonvia::tuning::Session session{amp};
};

}  // namespace tuning_testing
