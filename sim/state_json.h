#pragma once
// The virtual amplifier's remembered state as JSON, so a demo keeps its settings across runs.
//
// One object: "format" ("tonvia-virtual-amplifier"), "version" (1), the device values by
// name, and "scenes" (11 objects: the working set, then stored scenes 1 … 10). Values keep
// their wire units. Small records are arrays in a fixed order:
//   EQ band      [frequency, Q × 100, (gain + 18) × 10]
//   filter       [type, frequency, slope]
//   compressor   [bypass, threshold, ratio, knee, attack, release]   (code 0x3E units)
//   compressor 2 [threshold whole, threshold tenths, attack, release s, release tenths]
//   cross mix    [second source, second channel, second gain]
//   link         [on, [8 pair flags]]
// Byte blocks (password, remark, data block, surround block, scene profiles) are hex
// strings; DSP memory is a list of [address, word] pairs. Transient things (the PC
// connection, a calibration run, received firmware images) are not kept.
//
// Reading is strict about what is there and lenient about what is not: a missing key keeps
// the factory value, while a value of the wrong kind, size or range rejects the whole text.

#include <optional>
#include <string>
#include <string_view>

#include "sim/device_state.h"

namespace tonvia::sim {

inline constexpr const char* kStateFormat = "tonvia-virtual-amplifier";
inline constexpr int kStateVersion = 1;

// The state as JSON text, ending with a newline.
std::string DeviceStateToJson(const DeviceState& state);

// The state that `text` describes, starting from the factory state. nullopt when the text
// cannot be used; `error` then names the first offending place, e.g.
// "scenes[2].eq[0][5][0]: expected an integer from 0 to 65535".
std::optional<DeviceState> DeviceStateFromJson(std::string_view text, std::string* error);

}  // namespace tonvia::sim
