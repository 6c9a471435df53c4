#pragma once
// Update files for the tests: images with a correct checksum, written to a temporary folder.

#include <cstdint>
#include <string>
#include <vector>

namespace firmware_testing {

using Bytes = std::vector<std::uint8_t>;

// A single image: identity, HEAD, payload, a zero trailer and the checksum over it all.
Bytes MakeImage(std::uint8_t fwId, std::uint8_t modelId, const Bytes& payload,
                Bytes head = {0, 0, 0, 1});
// A merged file: the mark, the size table of `total` entries, the MCU and DSP parts.
Bytes MakeMerged(const Bytes& mcu, const Bytes& dsp, std::uint8_t total = 2,
                 std::uint8_t first = 0x73, std::uint8_t second = 0x00);
Bytes Payload(std::size_t size);

// Writes `bytes` as `name` in a folder of the test's own; returns the path.
std::string WriteTemp(const std::string& name, const Bytes& bytes);

}  // namespace firmware_testing
