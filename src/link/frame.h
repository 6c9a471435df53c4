#pragma once
// The frame that every command and reply travels in: 0xAA 0x55, length, packet type,
// subcommand, operation type, data, checksum; sent inside a 65-byte output report.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// Packet types (command families).
inline constexpr std::uint8_t CMD_DSP = 1;
inline constexpr std::uint8_t CMD_FLASH = 2;
inline constexpr std::uint8_t CMD_MCU = 3;
inline constexpr std::uint8_t CMD_DSP_DWRITE = 4;
inline constexpr std::uint8_t CMD_KTV = 7;

// Operation types.
inline constexpr std::uint8_t OP_SET = 0xBB;
inline constexpr std::uint8_t OP_GET = 0x66;
inline constexpr std::uint8_t OP_UPDATE = 0xDD;
inline constexpr std::uint8_t OP_ACK = 0xEE;

// Acknowledgement status, data byte 0 of an OP_ACK frame.
inline constexpr std::uint8_t ACK_READY = 0x0A;
inline constexpr std::uint8_t ACK_NOT_READY = 0x60;

inline constexpr std::uint8_t FRAME_SYNC1 = 0xAA;
inline constexpr std::uint8_t FRAME_SYNC2 = 0x55;

inline constexpr std::size_t OUTPUT_REPORT_SIZE = 65;  // report id + 64 bytes
inline constexpr std::size_t INPUT_REPORT_SIZE = 64;
inline constexpr std::size_t MAX_FRAME_DATA = 57;  // fills the output report exactly

using OutputReport = std::array<std::uint8_t, OUTPUT_REPORT_SIZE>;

// Sum of the length, type and packet bytes, negated: the low byte is the checksum, so
// that the bytes from the length through the checksum add up to 0 modulo 256.
std::uint32_t FrameChecksumSum(std::uint8_t packetLength, std::uint8_t packetType,
                               std::span<const std::uint8_t> packet);

// The checksum of an incoming frame, as the receive parser checks it; logs the sum.
std::uint8_t packet_checksum(std::uint8_t packetLength, std::uint8_t packetType,
                             std::span<const std::uint8_t> packet);

// Builds the 65-byte output report of one command; nullopt when `data` is longer than
// MAX_FRAME_DATA.
std::optional<OutputReport> BuildFrame(std::uint8_t packetType, std::uint8_t subcmd,
                                       std::uint8_t optype, std::span<const std::uint8_t> data);
