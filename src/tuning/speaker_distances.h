#pragma once
// Time alignment from measured distances: the installer enters how far each output's
// speaker is from the listening position, and every speaker's sound is delayed so that all
// arrive together. The farthest speaker gets no delay; each nearer one waits for the
// difference in path at the speed of sound.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "model/channel_rules.h"
#include "model/dimensions.h"
#include "tuning/edits.h"
#include "tuning/session.h"

namespace tonvia::tuning {

// In dry air at 20 °C.
inline constexpr double kSpeedOfSound = 343.0;  // m/s

enum class DistanceUnit { Centimetres, Inches };

// Per output channel, its speaker's distance in the chosen unit; none for a channel left out.
using SpeakerDistances = std::array<std::optional<double>, kOutChannelCount>;

struct SpeakerDelays {
    // For each channel with a distance: (farthest - own) / c, on the delay step, 0..15 ms.
    std::array<std::optional<double>, kOutChannelCount> delayMs{};
    int farthest = -1;      // the channel that gets 0
    int nearest = -1;       // the channel that gets the most
    double spreadMs = 0.0;  // the largest difference before limiting
    ChannelSet limited;     // channels whose delay was limited to the 15 ms the device holds
};

// A delay on the device's step (21 us, one sample at 48 kHz), within 0..15 ms. The top
// of the range itself is kept, although it lies between two steps.
double QuantizeDelayStep(double ms);

// The delays for the given distances; nullopt when none is given or one is negative or not a
// number.
std::optional<SpeakerDelays> DelaysFromDistances(const SpeakerDistances& distances,
                                                 DistanceUnit unit);

struct DistanceAlignment {
    EditResult edit;
    SpeakerDelays delays;
    // English lines: the spread, then each channel whose delay was limited.
    std::vector<std::string> report;
};

// Writes and sends the delay of every channel with a distance. The delays are absolute: the
// synchronise group and the pair do not move by each other's changes, and channels without a
// distance keep theirs. A bridged pair plays one speaker: its right channel takes the left
// channel's delay, and the pair's distance is the left channel's (the right one's when only
// it is given). `edit.refused` when DelaysFromDistances gives none.
DistanceAlignment AlignSpeakerDistances(Session& session, const SpeakerDistances& distances,
                                        DistanceUnit unit);

}  // namespace tonvia::tuning
