// The control commands and the socket that carries them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/line_socket.h"
#include "sim/control.h"

namespace {

using namespace std::chrono_literals;
using tonvia::sim::ExecuteControlCommand;
using tonvia::sim::VirtualAmplifier;

class ControlTest : public testing::Test {
  protected:
    VirtualAmplifier amp{[] {
        tonvia::sim::Options options;
        options.rebootDelay = 30ms;
        return options;
    }()};
};

TEST_F(ControlTest, CommandsChangeTheAmplifier) {
    EXPECT_EQ(ExecuteControlCommand(amp, "unplug"), "ok");
    EXPECT_FALSE(amp.IsPlugged());
    EXPECT_EQ(ExecuteControlCommand(amp, "plug"), "ok");
    EXPECT_TRUE(amp.IsPlugged());

    EXPECT_EQ(ExecuteControlCommand(amp, "flash 2.30"), "ok");
    EXPECT_FALSE(amp.IsPlugged());
    EXPECT_TRUE(amp.WaitForPlugged(true, 3s));
    EXPECT_EQ(amp.Snapshot().slaveVersion, 30);

    EXPECT_EQ(ExecuteControlCommand(amp, "  bootloader   on "), "ok");
    EXPECT_TRUE(amp.Snapshot().bootLoaderMode);
    EXPECT_EQ(ExecuteControlCommand(amp, "model 76"), "ok");
    EXPECT_EQ(ExecuteControlCommand(amp, "latency 1000"), "ok");
    EXPECT_EQ(ExecuteControlCommand(amp, "drop 3"), "ok");
    const std::string status = ExecuteControlCommand(amp, "status");
    EXPECT_EQ(status.rfind("ok plugged=1 model=76 version=2.30 mode=bootloader latency_us=1000", 0),
              0u)
        << status;
    EXPECT_NE(status.find("drop=3"), std::string::npos);
}

TEST_F(ControlTest, BadCommandsChangeNothing) {
    for (const char* bad : {"", "flash", "flash 2", "flash 2.300", "flash x.1", "drop -1",
                            "silent maybe", "unplug now", "model 256", "reboot"}) {
        EXPECT_EQ(ExecuteControlCommand(amp, bad).rfind("error", 0), 0u) << bad;
    }
    EXPECT_TRUE(amp.IsPlugged());
    EXPECT_EQ(amp.Snapshot().mainVersion, 2);
}

TEST_F(ControlTest, SocketNamedByTheEnvironment) {
    const std::string path = (std::filesystem::current_path() / "sim.sock").string();
    unsetenv(tonvia::sim::kControlEnvironment);
    EXPECT_EQ(tonvia::sim::StartControlEndpointFromEnvironment(amp), nullptr);

    setenv(tonvia::sim::kControlEnvironment, path.c_str(), 1);
    auto endpoint = tonvia::sim::StartControlEndpointFromEnvironment(amp);
    ASSERT_NE(endpoint, nullptr);
    std::string reply;
    ASSERT_TRUE(tonvia::platform::SendSocketLine(path, "unplug", reply, 2000));
    EXPECT_EQ(reply, "ok");
    EXPECT_FALSE(amp.IsPlugged());
    ASSERT_TRUE(tonvia::platform::SendSocketLine(path, "status", reply, 2000));
    EXPECT_EQ(reply.rfind("ok plugged=0", 0), 0u);

    endpoint.reset();  // stops promptly and removes the socket
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(tonvia::platform::SendSocketLine(path, "plug", reply, 200));
    unsetenv(tonvia::sim::kControlEnvironment);
}

TEST(LineSocketTest, RefusesToReplaceAnOrdinaryFile) {
    const auto path = std::filesystem::current_path() / "not-a-socket";
    {
        std::FILE* f = std::fopen(path.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    tonvia::platform::LineSocketServer server;
    EXPECT_FALSE(server.Start(path.string(), [](std::string_view) { return std::string(); }));
    EXPECT_TRUE(std::filesystem::exists(path));
}

}  // namespace
