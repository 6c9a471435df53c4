#pragma once
// The rules of the input mixer: the level of every route from an input channel of the
// current source to an output channel, the input phases, the cross-source mix and the
// clipping requests. Every change is stored in the live record and queued to the
// amplifier, addressed to the working scene and the source the mixer was opened for.

#include <string>
#include <utility>
#include <vector>

#include "tuning/compressor_edits.h"
#include "tuning/session.h"

namespace tonvia::tuning {

inline constexpr int kMixDbOffset = 94;  // raw level 0..100 is shown as level - 94 dB
inline constexpr int kViceGainMin = -32;
inline constexpr int kViceGainMax = 6;
inline constexpr int kViceGainWireOffset = 32;  // the device takes the gain + 32
inline constexpr int kViceSourceLast = 9;       // 9 = no second source

// Sources whose inputs can take a second signal from another source.
bool HasMixerSource(int source);
// Input rows of the mixer for `source`: its input channels, at most the table's rows.
int MixerInputCount(int source);
// The row title: "<name> L" / "<name> R" for a two-channel source, else "<name><n>".
std::string MixerRowTitle(const std::string& sourceName, int inputCount, int row);

bool IsRouted(const SceneConfig& live, int source, int input, int output);
int StoredMixLevel(const SceneConfig& live, int source, int input, int output);
// The level the device holds for the route: 0 while it is off; while on the stored level,
// or full when none is stored.
int RouteLevel(const SceneConfig& live, int source, int input, int output);
// The level a route switched on or off takes: the stored one (full when none) or 0.
int EnableLevel(const SceneConfig& live, int source, int input, int output, bool on);
std::string MixLevelText(int level);  // "%ddB"
// A typed level in dB (a trailing unit ignored) plus `delta`, as a raw level clamped to
// the slider's range.
int MixLevelFromText(const std::string& text, int delta, SliderRange range);

struct MixCell {
    int input = 0;
    int output = 0;
    bool operator==(const MixCell&) const = default;
};
// The cells whose controls show a new state; `refused` when nothing was taken.
struct MixResult {
    bool refused = false;
    std::vector<MixCell> cells;
};

// The single path of every level and on/off change of a route: sends the level when it
// differs from what the device holds, stores it, sets the routing bit to (level > 0), and
// copies the route to the partner output of a bridged pair (sent as well).
MixResult SetMixLevel(Session& session, int source, int input, int output, int level);
// Every route of `source` off and its level 0; a level 0 goes out for the routes that
// were on only.
MixResult ClearMix(Session& session, int source);
void SetInputPhase(Session& session, int source, int input, bool reversed);

struct ViceChoice {
    int source = kViceSourceLast;
    int channel = 0;
    bool operator==(const ViceChoice&) const = default;
};
// A combo item's tag ssss = source * 100 + channel; the source at most 9.
ViceChoice ViceFromTag(int tag);
std::string ViceTag(int source, int channel);  // "%02d%02d"
// Stores the second source of `input` and sends it with the stored gain.
bool SetViceSource(Session& session, int source, int input, ViceChoice choice);
// Clamps the gain to -32..+6 dB, stores and sends it; returns what was stored.
int SetViceGain(Session& session, int source, int input, int gain);

// The level edit the focus moves to: one column right or left, past the last output to
// the first of the next row (and back), rows wrapping round the input count.
std::pair<int, int> NextMixEdit(int input, int output, bool right, int inputCount);

// Queues the clipping requests of the source's inputs and the six outputs. Nothing goes
// out while the queue takes no commands: the mixer's timer must never wait for a reply.
bool RequestDistortion(Session& session, int source);

}  // namespace tonvia::tuning
