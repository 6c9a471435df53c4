#pragma once
// The EQ band commands a virtual amplifier received since the last call, as
// "channel.band", and the requests cleared: what a band edit sent, read the same way in
// every suite.

#include <string>
#include <vector>

#include "commands/command_codes.h"
#include "link/frame.h"
#include "sim/virtual_amplifier.h"

namespace testing_support {

inline std::vector<std::string> TakeEqCommands(tonvia::sim::VirtualAmplifier& amp) {
    std::vector<std::string> sent;
    for (const auto& r : amp.Requests()) {
        if (r.type == CMD_DSP && r.subcmd == DSP_EQ_CH && r.data.size() >= 4) {
            sent.push_back(std::to_string(r.data[2]) + "." + std::to_string(r.data[3]));
        }
    }
    amp.ClearRequests();
    return sent;
}

}  // namespace testing_support
