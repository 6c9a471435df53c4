#pragma once
// Names of the DSP command codes, as the send and reply logs print them.

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t DSP_NAME_COUNT = 79;  // codes 0x00 ... 0x4E
inline constexpr std::uint8_t DSP_MIX_TYPE2 = 0x83;

// The table entry of `code` (0x00 ... 0x4E; unnamed codes hold their number as text), the
// name of 0x83, or nullptr for any other code.
const char* DspCommandName(std::uint8_t code);
