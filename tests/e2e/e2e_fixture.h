#pragma once
// The application's side of the conversation (CHidDevice with every decoder installed and a
// recording sink) against the virtual amplifier, and the check that what the decoders post
// is what the amplifier holds.

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "commands/decoders.h"
#include "link/hid_device.h"
#include "sim/virtual_amplifier.h"
#include "support/message_recorder.h"

namespace e2e {

using testing_support::PostedMessage;
using tonvia::sim::DeviceState;

inline constexpr WindowHandle kMain = 11;
inline constexpr WindowHandle kScene = 12;
inline constexpr WindowHandle kCalibration = 13;
inline constexpr WindowHandle kMemory = 14;
inline constexpr WindowHandle kDialog = 15;

// Gives every value the amplifier holds a distinct, non-default setting, so that a decoder
// reading the wrong byte or the wrong scale cannot pass by accident.
void Vary(DeviceState& state);

// What a check needs beyond the message: the source of an input-EQ request (its reply
// does not carry it).
struct CheckContext {
    int inputEqSource = 0;
};

// Compares one posted message with the amplifier's state (failing the test where they
// differ); a message the check does not know fails too.
void ExpectMatchesDevice(const PostedMessage& posted, const DeviceState& state,
                         const CheckContext& context = {});

class AmplifierLinkTest : public testing::Test {
  protected:
    AmplifierLinkTest();
    ~AmplifierLinkTest() override;

    // The messages posted since the last call.
    std::vector<PostedMessage> Take() { return recorder.Take(); }
    // Checks each of `posted` against the amplifier's present state.
    void ExpectAllMatch(const std::vector<PostedMessage>& posted, const CheckContext& context = {});

    static tonvia::sim::Options FastOptions();

    tonvia::sim::VirtualAmplifier amp{FastOptions()};
    testing_support::MessageRecorder recorder;
    CHidDevice link{amp, recorder};
};

}  // namespace e2e
