#pragma once
// Helpers for the virtual amplifier's tests: requests are built with the link's own frame
// builder, and every reply's checksum is checked with the link's receive rule, so both
// sides keep each other honest.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "link/frame.h"
#include "sim/amplifier.h"
#include "support/hex.h"

namespace sim_test {

using tonvia::sim::Bytes;

inline Bytes Report(std::uint8_t type, std::uint8_t subcmd, std::uint8_t optype,
                    std::string_view dataHex = "") {
    const auto report = BuildFrame(type, subcmd, optype, testing_support::hex(dataHex));
    EXPECT_TRUE(report.has_value());
    return report ? Bytes(report->begin(), report->end()) : Bytes{};
}

inline tonvia::sim::Outcome Send(tonvia::sim::Amplifier& amp, std::uint8_t type,
                                 std::uint8_t subcmd, std::uint8_t optype,
                                 std::string_view dataHex = "") {
    const auto request = tonvia::sim::ParseOutputReport(Report(type, subcmd, optype, dataHex));
    EXPECT_TRUE(request.has_value());
    return request ? amp.Handle(*request) : tonvia::sim::Outcome{};
}

// "type subcmd optype data…" of one frame, after checking sync, length and checksum.
inline std::string Body(const Bytes& frame) {
    if (frame.size() < 7 || frame[0] != 0xAA || frame[1] != 0x55 || frame[2] != frame.size() - 4) {
        ADD_FAILURE() << "not a frame: " << testing_support::ToHex(frame);
        return {};
    }
    const std::span<const std::uint8_t> packet(frame.data() + 4, frame.size() - 5);
    EXPECT_EQ(packet_checksum(frame[2], frame[3], packet), frame.back())
        << testing_support::ToHex(frame);
    return testing_support::ToHex(
        std::span<const std::uint8_t>(frame.data() + 3, frame.size() - 4));
}

// The body of the one reply of an outcome.
inline std::string OnlyReply(const tonvia::sim::Outcome& outcome) {
    if (outcome.frames.size() != 1) {
        ADD_FAILURE() << outcome.frames.size() << " replies";
        return {};
    }
    return Body(outcome.frames[0]);
}

}  // namespace sim_test
