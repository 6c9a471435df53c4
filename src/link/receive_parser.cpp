#include "link/receive_parser.h"

#include "link/frame.h"
#include "platform/log.h"

void ReceiveRing::Put(std::uint8_t byte) {
    const std::size_t next = (mWrite + 1) % kSize;
    if (next == mRead) {
        LogPrintA("receive ring full, dropping the oldest byte\n");
        mRead = (mRead + 1) % kSize;
    }
    mBytes[mWrite] = byte;
    mWrite = next;
}

bool ReceiveRing::Take(std::uint8_t& byte) {
    if (Empty()) {
        return false;
    }
    byte = mBytes[mRead];
    mRead = (mRead + 1) % kSize;
    return true;
}

bool FrameParser::Feed(std::uint8_t byte) {
    switch (mTempIndex) {
        case 0:
            if (byte == FRAME_SYNC1) {
                mTempIndex = 1;
            }
            return false;
        case 1:
            // Bytes between 0xAA and 0x55 are skipped; the sync completes on 0x55.
            if (byte == FRAME_SYNC2) {
                mTempIndex = 2;
            }
            return false;
        case 2:
            mPacketLength = byte;
            mTempIndex = 3;
            return false;
        case 3:
            mPacketType = byte;
            mTempIndex = 4;
            return false;
        default:
            break;
    }

    LogPrintA("packet_process: temp_index(0x%02x), packet_length(0x%02x), packet_byte(0x%02x)\n",
              mTempIndex, mPacketLength + 3, byte);
    if (mTempIndex == mPacketLength + 3) {
        mTempIndex = 0;
        return packet_checksum(mPacketLength, mPacketType, Packet()) == byte;
    }
    if (mTempIndex >= kDropPosition) {
        mTempIndex = 0;
        return false;
    }
    mPacket[static_cast<std::size_t>(mTempIndex - 4)] = byte;
    ++mTempIndex;
    return false;
}
