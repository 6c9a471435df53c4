// The connection's rules half against the virtual amplifier: the handshake verdicts, the
// firmware comparison and the state read that fills the model.
#include "tuning/connection.h"

#include <gtest/gtest.h>

#include <chrono>

#include "sim/virtual_amplifier.h"

namespace {

using namespace std::chrono_literals;
using namespace tonvia::tuning;

TEST(CompareFirmware, MainVersionFirstThenSlave) {
    struct Case {
        int main, slave;
        FirmwareAge age;
    };
    for (const Case& c :
         {Case{2, 28, FirmwareAge::Same}, Case{2, 30, FirmwareAge::DeviceNewer},
          Case{3, 0, FirmwareAge::DeviceNewer}, Case{2, 27, FirmwareAge::DeviceOlder},
          Case{1, 99, FirmwareAge::DeviceOlder}}) {
        EXPECT_EQ(CompareFirmware(c.main, c.slave), c.age) << c.main << "." << c.slave;
    }
}

class StatusInit : public ::testing::Test {
  protected:
    int Run() {
        session.Link().OpenHIDDevice();
        EXPECT_TRUE(session.Link().IsConnected());
        const int result = PC_UI_Status_Init(session, PlanStateRead(session.Model()));
        session.ProcessReports();
        return result;
    }

    tonvia::sim::VirtualAmplifier amp;
    Session session{amp};
};

TEST_F(StatusInit, ThisModelIsReadWhole) {
    amp.Edit([](tonvia::sim::DeviceState& s) {
        s.mainVolume = -21;
        s.scenes[0].eq[4][30].gainTenths = 145;  // -3.5 dB
    });
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(JudgeHandshake(session.Link()), DeviceKind::ThisModel);
    const SceneConfig& live = session.Model().live;
    EXPECT_EQ(live.model, 77);
    EXPECT_EQ(live.mainVolume, -21);
    EXPECT_FLOAT_EQ(live.channels[4].eqArray[30].gain, -3.5f);
}

TEST_F(StatusInit, AForeignModelOrTheBootLoaderIsNotRead) {
    amp.SetModel(76);
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(JudgeHandshake(session.Link()), DeviceKind::ForeignModel);
    EXPECT_EQ(session.Model().live.mainVolume, -5);  // nothing beyond the handshake
    session.Link().CloseHIDDevice(false);

    amp.SetModel(77);
    amp.SetBootLoaderMode(true);
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(JudgeHandshake(session.Link()), DeviceKind::BootLoader);
}

TEST_F(StatusInit, AnUnansweredHandshakeFails) {
    amp.SetSilent(true);
    session.Link().mWriteWaitLimit = 100ms;
    EXPECT_EQ(Run(), -1);
}

// The node is named only when the amplifier is there and this user may not open it.
TEST(PermissionHelp, NamesTheNodeThisUserMayNotOpen) {
    tonvia::sim::VirtualAmplifier amp;
    const auto denied = [](const std::string&) { return false; };
    const std::string node = DeniedDeviceNode(amp, denied);
    EXPECT_FALSE(node.empty());
    EXPECT_TRUE(DeniedDeviceNode(amp, [](const std::string&) { return true; }).empty());
    amp.Unplug();
    EXPECT_TRUE(DeniedDeviceNode(amp, denied).empty());
}

}  // namespace
