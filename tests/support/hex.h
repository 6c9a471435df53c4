#pragma once
// hex("00 AA 55 03") -> bytes, and bytes -> "00 aa 55 03", so expectations read like a
// capture.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

std::vector<std::uint8_t> hex(std::string_view text);
std::string ToHex(std::span<const std::uint8_t> bytes);

}  // namespace testing_support
