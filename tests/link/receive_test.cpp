#include <gtest/gtest.h>

#include "link_fixture.h"
#include "support/log_capture.h"

using testing_support::Frame;
using testing_support::hex;
using testing_support::LinkTest;
using testing_support::ToHex;

namespace {

// Frames that reached the decoder of families 1, 2 and 7, as "type: packet bytes".
std::vector<std::string> gDecoded;

void RecordFrame(CHidDevice&, std::span<const std::uint8_t> packet) {
    gDecoded.push_back(ToHex(packet));
}

class ReceivePath : public LinkTest {
  protected:
    void SetUp() override {
        LinkTest::SetUp();
        gDecoded.clear();
        for (const std::uint8_t type : {CMD_DSP, CMD_FLASH, CMD_KTV}) {
            device->SetFrameDecoder(type, &RecordFrame);
        }
        Open();
    }
};

TEST_F(ReceivePath, TwoFramesInOneReportDispatchInOrder) {
    auto bytes = Frame(CMD_DSP, 0x02, OP_UPDATE, {30});
    const auto second = Frame(CMD_KTV, 0x05, OP_UPDATE, {1, 2});
    bytes.insert(bytes.end(), second.begin(), second.end());
    ASSERT_TRUE(Deliver(bytes));
    EXPECT_EQ(gDecoded, (std::vector<std::string>{"02 dd 1e", "05 dd 01 02"}));
}

TEST_F(ReceivePath, FrameSplitOverTwoReportsCompletesOnSecondRead) {
    const auto frame = Frame(CMD_FLASH, 0x07, OP_UPDATE, {1, 2, 3, 4, 5, 6, 7, 8});
    // The first report carries only the beginning; nothing is decoded yet.
    backend.last->Reply(std::vector<std::uint8_t>(frame.begin(), frame.begin() + 6));
    ASSERT_TRUE(device->ReadHIDData(100));
    EXPECT_TRUE(gDecoded.empty());
    // A read that times out keeps the parser's state.
    EXPECT_FALSE(device->ReadHIDData(10));
    backend.last->Reply(std::vector<std::uint8_t>(frame.begin() + 6, frame.end()));
    ASSERT_TRUE(device->ReadHIDData(100));
    EXPECT_EQ(gDecoded, (std::vector<std::string>{"07 dd 01 02 03 04 05 06 07 08"}));
}

TEST_F(ReceivePath, JunkBeforeFrameAndBytesBetweenSyncBytesAreSkipped) {
    auto bytes = hex("00 13 55 7F");
    const auto frame = Frame(CMD_DSP, 0x04, OP_UPDATE, {1});
    bytes.push_back(0xAA);
    bytes.insert(bytes.end(), {0x01, 0x02, 0xAA});  // skipped while waiting for 0x55
    bytes.insert(bytes.end(), frame.begin() + 1, frame.end());
    ASSERT_TRUE(Deliver(bytes));
    EXPECT_EQ(gDecoded, (std::vector<std::string>{"04 dd 01"}));
}

TEST_F(ReceivePath, OverlongFrameIsDroppedAtPosition64AndParsingStartsOver) {
    // Length 62 would put the checksum at position 65: the frame is dropped at 64 and the
    // byte at that position is taken as the first byte of a new search.
    std::vector<std::uint8_t> bytes{0xAA, 0x55, 62, CMD_DSP};
    bytes.resize(64, 0x11);  // positions 4 ... 63
    const auto next = Frame(CMD_DSP, 0x02, OP_UPDATE, {5});
    bytes.push_back(0x99);  // position 64: dropped together with the frame
    bytes.insert(bytes.end(), next.begin(), next.end());
    backend.last->Reply(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 64));
    ASSERT_TRUE(device->ReadHIDData(100));
    backend.last->Reply(std::vector<std::uint8_t>(bytes.begin() + 64, bytes.end()));
    ASSERT_TRUE(device->ReadHIDData(100));
    EXPECT_EQ(gDecoded, (std::vector<std::string>{"02 dd 05"}));
}

TEST_F(ReceivePath, LongestAcceptedFrameHasLength61) {
    std::vector<std::uint8_t> data(58, 0x42);
    const auto frame = Frame(CMD_DSP, 0x16, OP_UPDATE, data);
    ASSERT_EQ(frame.size(), 65u);
    backend.last->Reply(std::vector<std::uint8_t>(frame.begin(), frame.begin() + 64));
    ASSERT_TRUE(device->ReadHIDData(100));
    backend.last->Reply(std::vector<std::uint8_t>(frame.begin() + 64, frame.end()));
    ASSERT_TRUE(device->ReadHIDData(100));
    ASSERT_EQ(gDecoded.size(), 1u);
    EXPECT_EQ(gDecoded[0].size(), 60u * 3 - 1);
}

TEST_F(ReceivePath, BadChecksumIsDroppedAndTheNextFrameStillParses) {
    auto bad = Frame(CMD_DSP, 0x02, OP_UPDATE, {7});
    bad.back() ^= 0xFF;
    const auto good = Frame(CMD_DSP, 0x02, OP_UPDATE, {8});
    bad.insert(bad.end(), good.begin(), good.end());
    ASSERT_TRUE(Deliver(bad));
    EXPECT_EQ(gDecoded, (std::vector<std::string>{"02 dd 08"}));
}

TEST_F(ReceivePath, UnknownTypeAndDirectWriteAreConsumedWithoutDecoding) {
    testing_support::LogCapture log;
    auto bytes = Frame(9, 0x02, OP_UPDATE, {1});
    const auto dwrite = Frame(CMD_DSP_DWRITE, 0x02, OP_UPDATE, {1});
    const auto after = Frame(CMD_DSP, 0x03, OP_UPDATE, {2});
    bytes.insert(bytes.end(), dwrite.begin(), dwrite.end());
    bytes.insert(bytes.end(), after.begin(), after.end());
    ASSERT_TRUE(Deliver(bytes));
    EXPECT_EQ(gDecoded, (std::vector<std::string>{"03 dd 02"}));
    const std::string text = log.Text();
    EXPECT_NE(text.find("packet_process: packet_type(CMD_DSP_DWRITE)\n"), std::string::npos);
    EXPECT_EQ(text.find("packet_type(9"), std::string::npos);
    EXPECT_TRUE(sink.Take().empty());
}

TEST_F(ReceivePath, LengthOneFrameGivesTheDecoderNoBytes) {
    // A frame without subcmd and optype: the decoder gets an empty packet, never stale
    // bytes of an earlier frame.
    ASSERT_TRUE(Deliver(Frame(CMD_DSP, 0x02, OP_UPDATE, {1, 2, 3})));
    ASSERT_TRUE(Deliver(hex("AA 55 01 01 FE")));
    EXPECT_EQ(gDecoded, (std::vector<std::string>{"02 dd 01 02 03", ""}));
}

TEST_F(ReceivePath, ReadLogsTheBytesOnOneLine) {
    testing_support::LogCapture log;
    backend.last->Reply(hex("AA 55 03 09 01 DD 16"));
    ASSERT_TRUE(device->ReadHIDData(100));
    const std::string text = log.Text();
    EXPECT_NE(text.find("ReadHIDData NumberOfBytesRead = 7\n"), std::string::npos);
    EXPECT_NE(text.find("read data: aa 55 03 09 01 dd 16 \n"), std::string::npos);
    EXPECT_NE(text.find("packet_process: temp_index(0x04), packet_length(0x06), "
                        "packet_byte(0x01)\n"),
              std::string::npos);
}

TEST(ReceiveRingBuffer, FullRingDropsTheOldestByte) {
    ReceiveRing ring;
    for (std::size_t i = 0; i < ReceiveRing::kSize + 10; ++i) {
        ring.Put(static_cast<std::uint8_t>(i));
    }
    EXPECT_EQ(ring.Size(), ReceiveRing::kSize - 1);
    std::uint8_t first = 0;
    ASSERT_TRUE(ring.Take(first));
    EXPECT_EQ(first, static_cast<std::uint8_t>(11));
}

}  // namespace
