// The session as every front end builds it: the program's link settings and decoders, and
// device reports that reach the model on the thread that owns it.
#include "tuning/session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "commands/command_codes.h"
#include "sim/virtual_amplifier.h"
#include "support/message_recorder.h"

namespace {

using namespace std::chrono_literals;
using tonvia::tuning::Session;

TEST(Session, ALinkBuiltAsTheProgramDoesBringsADspReplyIntoTheModel) {
    tonvia::sim::VirtualAmplifier amp;
    amp.Edit([](tonvia::sim::DeviceState& s) { s.mainVolume = -17; });
    Session session(amp);
    CHidDevice& link = session.Link();
    EXPECT_EQ(link.pc_model_id, 77);
    EXPECT_EQ(link.mOutChannels, 6);
    EXPECT_EQ(link.mInChannels, 4);
    EXPECT_EQ(link.mTrimTwoBytes, 1);
    EXPECT_EQ(link.mNoiseToMain, 0);

    link.OpenHIDDevice();
    ASSERT_TRUE(link.IsConnected());
    ASSERT_TRUE(link.Get_Main_Volume());
    // The reply waits in the session; nothing touched the model on the link's threads.
    EXPECT_EQ(session.Model().live.mainVolume, -5);
    const auto changes = session.WaitAndProcessReports(2s);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.front().field, tonvia::commands::ModelField::MainVolume);
    EXPECT_EQ(session.Model().live.mainVolume, -17);
    link.CloseHIDDevice(false);
}

TEST(Session, TheWindowFormPostsToItsSinkAndAppliesWhatTheWindowHandsBack) {
    tonvia::sim::VirtualAmplifier amp;
    amp.Edit([](tonvia::sim::DeviceState& s) { s.mainVolume = 3; });
    testing_support::MessageRecorder recorder;
    Session session(amp, recorder);
    session.Link().mMainWnd = 7;
    session.Link().OpenHIDDevice();
    ASSERT_TRUE(session.Link().Get_Main_Volume());
    EXPECT_TRUE(session.ProcessReports().empty());  // no queue of its own

    auto posted = recorder.Take();
    ASSERT_FALSE(posted.empty());
    EXPECT_EQ(posted.front().target, 7u);
    const auto change = session.Apply(posted.front().message);
    EXPECT_TRUE(change.IsLive());
    EXPECT_EQ(session.Model().live.mainVolume, 3);
    session.Link().CloseHIDDevice(false);
}

}  // namespace
