#pragma once
// Bytes linked into the executable, found by name (the skin and firmware packages).

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tonvia::platform {

using ResourceBytes = std::span<const std::uint8_t>;

// Registers `bytes` under `name`; the bytes must live for the whole process. A second
// registration of the same name replaces the first. Returns true.
bool RegisterResource(std::string_view name, ResourceBytes bytes);
bool RegisterResource(std::string_view name, const std::uint8_t* begin, const std::uint8_t* end);

// Forgets the bytes registered under `name` (tests of a missing resource).
void UnregisterResource(std::string_view name);

// The bytes registered under `name`, or nullopt.
std::optional<ResourceBytes> FindResource(std::string_view name);

}  // namespace tonvia::platform
