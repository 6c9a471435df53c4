#include <gtest/gtest.h>

#include "link/frame.h"
#include "support/hex.h"
#include "support/log_capture.h"

using testing_support::hex;
using testing_support::ToHex;

namespace {

std::string First(const OutputReport& report, std::size_t n) {
    return ToHex(std::span<const std::uint8_t>(report.data(), n));
}

TEST(FrameBuilding, WorkedExamples) {
    const auto handshake = BuildFrame(CMD_MCU, 0x08, OP_SET, {});
    ASSERT_TRUE(handshake);
    EXPECT_EQ(First(*handshake, 9), "00 aa 55 03 03 08 bb 37 00");

    const std::uint8_t on[] = {0x01};
    const auto mute = BuildFrame(CMD_DSP, 0x04, OP_SET, on);
    ASSERT_TRUE(mute);
    EXPECT_EQ(First(*mute, 9), "00 aa 55 04 01 04 bb 01 3b");
    // Everything after the checksum is padding.
    for (std::size_t i = 9; i < OUTPUT_REPORT_SIZE; ++i) {
        EXPECT_EQ((*mute)[i], 0) << i;
    }
}

TEST(FrameBuilding, LengthByteAndChecksumSumToZero) {
    const auto data = hex("12 34 56 78 9A BC DE F0 FF");
    const auto report = BuildFrame(CMD_KTV, 0x21, OP_GET, data);
    ASSERT_TRUE(report);
    EXPECT_EQ((*report)[3], data.size() + 3);
    unsigned sum = 0;
    for (std::size_t i = 3; i <= 7 + data.size(); ++i) {
        sum += (*report)[i];
    }
    EXPECT_EQ(sum % 256, 0u);
}

TEST(FrameBuilding, FiftySevenDataBytesFillTheReport) {
    std::vector<std::uint8_t> data(MAX_FRAME_DATA, 0x01);
    const auto report = BuildFrame(CMD_DSP, 0x3D, OP_SET, data);
    ASSERT_TRUE(report);
    EXPECT_EQ((*report)[3], 60);
    // 60 + 1 + 0x3D + 0xBB + 57 x 1 = 0x16E: the checksum 0x92 lands on byte 64.
    EXPECT_EQ((*report)[64], 0x92);

    data.push_back(0x01);
    EXPECT_FALSE(BuildFrame(CMD_DSP, 0x3D, OP_SET, data));
}

TEST(FrameChecksum, WrapsModulo256) {
    // Sum 0x100 gives 0x00; sum 0x1C9 gives 0x37.
    const auto exact = hex("FB");  // 3 + 2 + 0xFB = 0x100
    EXPECT_EQ(FrameChecksumSum(3, 2, exact) & 0xFF, 0x00u);
    const auto handshake = hex("08 BB");  // 3 + 3 + 8 + 0xBB = 0xC9; with 0x100 more: 0x1C9
    EXPECT_EQ(FrameChecksumSum(3, 3, handshake) & 0xFF, 0x37u);
    const auto more = hex("08 BB 80 80");
    EXPECT_EQ(FrameChecksumSum(3, 3, more) & 0xFF, 0x37u);
}

TEST(FrameChecksum, IncomingChecksumIsLoggedAsNegatedSum) {
    testing_support::LogCapture log;
    const auto packet = hex("08 DD 00 4D 02 1C");
    const std::uint8_t checksum = packet_checksum(7, CMD_MCU, packet);
    EXPECT_EQ(checksum, static_cast<std::uint8_t>(0u - (7 + 3 + 0x08 + 0xDD + 0x4D + 0x02 + 0x1C)));
    EXPECT_EQ(log.Text(), "packet_checksum: temp_sum(0xfffffea6)\n");
}

}  // namespace
