#pragma once
// Script control of a running virtual amplifier: one text command per line.
//
//   flash <main>.<slave>   take new firmware: unplug, plug in again with that version
//   unplug | plug | replug <ms>
//   status
//   silent on|off | drop <n> | corrupt | latency <µs> | fullspeed
//   bootloader on|off | model <n> | version <main>.<slave>
//   trim <ch> <hundredths>          a working-set value changed behind the program's back:
//   eqgain <ch> <band> <tenths>     channels and bands count from 1, values in the wire's
//   mute <ch> on|off                units (trim: attenuation × 100, gain: (dB + 18) × 10)
//
// Replies start with "ok" or "error".

#include <memory>
#include <string>
#include <string_view>

#include "platform/line_socket.h"
#include "sim/virtual_amplifier.h"

namespace tonvia::sim {

// The environment variable that names the control socket's path.
inline constexpr const char* kControlEnvironment = "TONVIA_SIM_CONTROL";

std::string ExecuteControlCommand(VirtualAmplifier& amplifier, std::string_view line);

// Serves ExecuteControlCommand on a local socket until destroyed.
class ControlEndpoint {
  public:
    explicit ControlEndpoint(VirtualAmplifier& amplifier) : mAmplifier(amplifier) {}
    bool Start(const std::string& path);
    void Stop() { mServer.Stop(); }

  private:
    VirtualAmplifier& mAmplifier;
    platform::LineSocketServer mServer;
};

// Starts an endpoint at the path that TONVIA_SIM_CONTROL names; null when the variable is
// unset or empty or the socket cannot be made. The amplifier must outlive the endpoint.
std::unique_ptr<ControlEndpoint> StartControlEndpointFromEnvironment(VirtualAmplifier& amplifier);

}  // namespace tonvia::sim
