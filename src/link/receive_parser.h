#pragma once
// The receive side of the frame: a byte ring that holds what was read and not yet parsed,
// and the byte-by-byte frame parser whose state survives from one read to the next.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

class ReceiveRing {
  public:
    static constexpr std::size_t kSize = 1024;

    bool Empty() const { return mRead == mWrite; }
    // Appends one byte. When the ring is full the oldest unparsed byte is dropped (and
    // logged): the newest bytes are the ones a pending frame still needs.
    void Put(std::uint8_t byte);
    // Takes the oldest byte; false when empty.
    bool Take(std::uint8_t& byte);
    std::size_t Size() const { return (mWrite + kSize - mRead) % kSize; }

  private:
    std::array<std::uint8_t, kSize> mBytes{};
    std::size_t mRead = 0;
    std::size_t mWrite = 0;
};

class FrameParser {
  public:
    static constexpr std::size_t kPacketBufferSize = 60;
    static constexpr int kDropPosition = 64;

    // Feeds one byte. Returns true when it completed a frame whose checksum matches; the
    // frame is then available through PacketLength(), PacketType() and Packet() until the
    // next call.
    bool Feed(std::uint8_t byte);

    std::uint8_t PacketLength() const { return mPacketLength; }
    std::uint8_t PacketType() const { return mPacketType; }
    // The bytes after the type byte: subcmd, optype, data (packet_length - 1 bytes).
    std::span<const std::uint8_t> Packet() const {
        return {mPacket.data(), static_cast<std::size_t>(mPacketLength - 1)};
    }
    int TempIndex() const { return mTempIndex; }

  private:
    int mTempIndex = 0;
    std::uint8_t mPacketLength = 0;
    std::uint8_t mPacketType = 0;
    std::array<std::uint8_t, kPacketBufferSize> mPacket{};
};
