#pragma once
// Input sources and speaker position codes: the fixed tables the routing, the output menu
// and the default crossovers are built from.

#include <array>
#include <cstdint>
#include <optional>

#include "model/crossover.h"
#include "model/dimensions.h"

// ---- Input sources ----

struct InputSourceInfo {
    int index;
    const char* tag;    // item name in the source selector
    int deviceCode;     // what the source selection command and reply carry
    int inputChannels;  // 0 = not offered
    // Default `inputs` row: per output channel, bit mask of the routed inputs (bit 0 = input 1).
    std::array<std::int32_t, kOutChannelCount> defaultInputs;

    bool IsOffered() const { return inputChannels > 0; }
};

inline constexpr int kSourceDeviceCodeBase = 0x51;
inline constexpr int kSourceHighLevel = 5;
// Index a device code outside 0x51..0x59 is taken as.
inline constexpr int kSourceForUnknownCode = 4;

inline constexpr std::array<InputSourceInfo, kInputSourceCount> kInputSources = {{
    {0, "source_opt", 0x51, 2, {1, 2, 1, 2, 3, 3}},
    {1, "source_coax", 0x52, 0, {1, 2, 1, 2, 3, 3}},
    {2, "source_bt", 0x53, 2, {1, 2, 1, 2, 3, 3}},
    {3, "source_aux", 0x54, 2, {1, 2, 1, 2, 3, 3}},
    {4, "source_low", 0x55, 0, {1, 2, 4, 8, 3, 3}},
    {5, "source_hi", 0x56, 4, {1, 2, 4, 8, 3, 3}},
    {6, "source_dmp", 0x57, 0, {1, 2, 1, 2, 3, 3}},
    {7, "source_udp", 0x58, 2, {1, 2, 1, 2, 3, 3}},
    {8, "source_scp", 0x59, 2, {1, 2, 1, 2, 3, 3}},
}};

// Input channels of a source: 2, 4 (high level) or 0; 0 for an index outside 0..8.
int SourceInputCount(int source);
// Source index of a device code; a code outside 0x51..0x59 gives kSourceForUnknownCode.
int SourceIndexFromDeviceCode(int deviceCode);
// Device code of a source index, nullopt outside 0..8.
std::optional<int> SourceDeviceCode(int source);

// ---- Speaker positions (`outputs` values) ----

enum class PositionGroup { None, FrontLeft, FrontRight, RearLeft, RearRight, Centre, Subwoofer };

struct SpeakerPosition {
    int code;
    const char* tag;  // entry name in the output menu
    PositionGroup group;
    // Frequency bands the position covers; two channels may not hold codes of one group
    // whose masks share a bit.
    int bandMask;
    // Default crossover, applied when the code is given to a channel.
    int hpFs;
    int hpSlope;
    int lpFs;
    int lpSlope;
    int filterType;  // for both filters
};

inline constexpr int kPositionEmpty = 0;
inline constexpr int kPositionSubwooferLeft = 22;
inline constexpr int kPositionSubwooferRight = 23;
inline constexpr int kPositionSubwooferLow = 24;

inline constexpr std::array<SpeakerPosition, kPositionCodeCount> kSpeakerPositions = {{
    {0, "output_item_empty", PositionGroup::None, 0, 20, 0, 20000, 0, 3},
    {1, "output_menu_front_left_high_freq", PositionGroup::FrontLeft, 4, 3400, 2, 20000, 0, 3},
    {2, "output_menu_front_left_mid_freq", PositionGroup::FrontLeft, 2, 600, 2, 1900, 2, 3},
    {3, "output_menu_front_left_low_freq", PositionGroup::FrontLeft, 1, 70, 3, 320, 2, 3},
    {4, "output_menu_front_left_mid_high_freq", PositionGroup::FrontLeft, 6, 600, 2, 20000, 0, 3},
    {5, "output_menu_front_left_mid_low_freq", PositionGroup::FrontLeft, 3, 70, 2, 1900, 2, 3},
    {6, "output_menu_front_left_all_freq", PositionGroup::FrontLeft, 7, 20, 0, 20000, 0, 3},
    {7, "output_menu_front_right_high_freq", PositionGroup::FrontRight, 4, 3400, 2, 20000, 0, 3},
    {8, "output_menu_front_right_mid_freq", PositionGroup::FrontRight, 2, 600, 2, 1900, 2, 3},
    {9, "output_menu_front_right_low_freq", PositionGroup::FrontRight, 1, 70, 3, 320, 2, 3},
    {10, "output_menu_front_right_mid_high_freq", PositionGroup::FrontRight, 6, 600, 2, 20000, 0,
     3},
    {11, "output_menu_front_right_mid_low_freq", PositionGroup::FrontRight, 3, 70, 2, 1900, 2, 3},
    {12, "output_menu_front_right_all_freq", PositionGroup::FrontRight, 7, 20, 0, 20000, 0, 3},
    {13, "output_menu_rear_left_high_freq", PositionGroup::RearLeft, 4, 3400, 2, 20000, 0, 3},
    {14, "output_menu_rear_left_low_freq", PositionGroup::RearLeft, 1, 70, 3, 320, 2, 3},
    {15, "output_menu_rear_left_all_freq", PositionGroup::RearLeft, 7, 20, 0, 20000, 0, 3},
    {16, "output_menu_rear_right_high_freq", PositionGroup::RearRight, 4, 3400, 2, 20000, 0, 3},
    {17, "output_menu_rear_right_low_freq", PositionGroup::RearRight, 1, 70, 3, 320, 2, 3},
    {18, "output_menu_rear_right_all_freq", PositionGroup::RearRight, 7, 20, 0, 20000, 0, 3},
    {19, "output_menu_center_high_freq", PositionGroup::Centre, 4, 3400, 2, 20000, 0, 3},
    {20, "output_menu_center_low_freq", PositionGroup::Centre, 1, 70, 3, 320, 2, 3},
    {21, "output_menu_center_all_freq", PositionGroup::Centre, 7, 20, 0, 20000, 0, 3},
    {22, "output_menu_subwoof_left", PositionGroup::Subwoofer, 4, 30, 4, 50, 2, 1},
    {23, "output_menu_subwoof_right", PositionGroup::Subwoofer, 2, 30, 4, 50, 2, 1},
    {24, "output_menu_subwoof_low", PositionGroup::Subwoofer, 7, 30, 4, 50, 2, 1},
}};

// Default positions of channels 0..5: front left, front right, rear left, rear right (all
// full range), subwoofer left and right.
inline constexpr std::array<std::int32_t, kOutChannelCount> kDefaultOutputs = {6,  12, 15,
                                                                               18, 22, 23};

// The table row of a code, nullptr outside 0..24.
const SpeakerPosition* FindSpeakerPosition(int code);
// Left/right partner: 1..6 <-> 7..12, 13..15 <-> 16..18, 22 <-> 23; nullopt for the others.
std::optional<int> PartnerCode(int code);
// The crossover a channel takes with this code; a code outside 0..24 counts as 0.
Crossover DefaultCrossover(int code);
