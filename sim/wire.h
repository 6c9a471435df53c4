#pragma once
// The virtual amplifier's own wire helpers: frames it sends, the requests it parses out of
// the 65-byte output reports, and a checked big-endian byte reader.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tonvia::sim {

// Packet types, operation types and acknowledgement status codes of the frame.
inline constexpr std::uint8_t kDsp = 1;
inline constexpr std::uint8_t kFlash = 2;
inline constexpr std::uint8_t kMcu = 3;
inline constexpr std::uint8_t kKaraoke = 7;

inline constexpr std::uint8_t kOpSet = 0xBB;
inline constexpr std::uint8_t kOpGet = 0x66;
inline constexpr std::uint8_t kOpUpdate = 0xDD;
inline constexpr std::uint8_t kOpAck = 0xEE;

inline constexpr std::uint8_t kAckReady = 0x0A;
inline constexpr std::uint8_t kAckNotReady = 0x60;

inline constexpr std::size_t kOutputReportSize = 65;
inline constexpr std::size_t kInputReportSize = 64;
// Longest data part of a frame the application accepts (length byte 61).
inline constexpr std::size_t kMaxReplyData = 58;

using Bytes = std::vector<std::uint8_t>;

// Checksum: two's complement of the low byte of length + type + subcmd + optype + data.
std::uint8_t Checksum(std::uint8_t length, std::uint8_t type, std::uint8_t subcmd,
                      std::uint8_t optype, std::span<const std::uint8_t> data);

// One frame from the sync bytes to the checksum: AA 55 len type subcmd optype data sum.
Bytes MakeFrame(std::uint8_t type, std::uint8_t subcmd, std::uint8_t optype,
                std::span<const std::uint8_t> data);

// A command as the application wrote it.
struct Request {
    std::uint8_t type = 0;
    std::uint8_t subcmd = 0;
    std::uint8_t optype = 0;
    Bytes data;
};

// Parses one output report (report id 0, then the frame). nullopt for a report without a
// frame, with a length that does not fit, or with a wrong checksum.
std::optional<Request> ParseOutputReport(std::span<const std::uint8_t> report);

// Splits a frame into 64-byte input reports, the last one zero-padded.
std::vector<Bytes> SplitIntoReports(std::span<const std::uint8_t> frame);

// Reads a request's data; every read past the end fails and marks the reader bad, so a
// short request is rejected instead of read out of bounds.
class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> data) : mData(data) {}
    std::uint8_t U8();
    std::int8_t S8() { return static_cast<std::int8_t>(U8()); }
    std::uint16_t Be16();
    std::uint32_t Be32();
    std::uint32_t Le32();
    bool Ok() const { return mOk; }
    std::size_t Left() const { return mOk ? mData.size() - mPos : 0; }

  private:
    std::span<const std::uint8_t> mData;
    std::size_t mPos = 0;
    bool mOk = true;
};

// Appends big-endian and little-endian values to a reply.
inline void PutBe16(Bytes& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}
inline void PutLe32(Bytes& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

}  // namespace tonvia::sim
