// The amplifier's answers, byte for byte: requests are framed by the link's builder and
// every reply frame is checked against the link's checksum rule.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "sim/amplifier.h"
#include "sim_test_util.h"

namespace {

using sim_test::Body;
using sim_test::OnlyReply;
using sim_test::Send;
using tonvia::sim::Amplifier;
using tonvia::sim::FirmwareTarget;

class AmplifierTest : public testing::Test {
  protected:
    std::string Dsp(std::uint8_t code, std::uint8_t op, std::string_view data = "") {
        return OnlyReply(Send(amp, CMD_DSP, code, op, data));
    }
    std::string Mcu(std::uint8_t code, std::uint8_t op, std::string_view data = "") {
        return OnlyReply(Send(amp, CMD_MCU, code, op, data));
    }
    std::string Flash(std::uint8_t code, std::uint8_t op, std::string_view data = "") {
        return OnlyReply(Send(amp, CMD_FLASH, code, op, data));
    }
    Amplifier amp;
};

TEST(WireTest, ParsesTheLinksReportsAndRejectsBadOnes) {
    auto report = sim_test::Report(CMD_MCU, 0x08, OP_SET);
    EXPECT_EQ(testing_support::ToHex(std::span(report).first(8)), "00 aa 55 03 03 08 bb 37");
    const auto parsed = tonvia::sim::ParseOutputReport(report);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->subcmd, 0x08);
    EXPECT_TRUE(parsed->data.empty());

    report[7] ^= 1;  // checksum
    EXPECT_FALSE(tonvia::sim::ParseOutputReport(report));
    auto tooLong = sim_test::Report(CMD_DSP, 0x04, OP_SET, "01");
    tooLong[3] = 62;  // length pointing past the report
    EXPECT_FALSE(tonvia::sim::ParseOutputReport(tooLong));
}

TEST(WireTest, LongFramesSpanTwoInputReports) {
    const std::vector<std::uint8_t> data(58, 0x11);
    const auto frame = tonvia::sim::MakeFrame(CMD_FLASH, 0x0C, OP_UPDATE, data);
    ASSERT_EQ(frame.size(), 65u);
    const auto reports = tonvia::sim::SplitIntoReports(frame);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].size(), 64u);
    EXPECT_EQ(reports[1][0], frame.back());
    EXPECT_EQ(reports[1][1], 0);
}

TEST_F(AmplifierTest, SystemFamily) {
    EXPECT_EQ(Mcu(0x08, OP_SET), "03 08 dd 00 4d 02 1c");
    EXPECT_EQ(Mcu(0x0B, OP_GET), "03 0b dd 01 00 02 08");

    EXPECT_EQ(Mcu(0x92, OP_SET, "ff"), "03 92 ee 0a");
    EXPECT_EQ(Mcu(0x92, OP_GET), "03 92 dd ff");
    EXPECT_EQ(Mcu(0x91, OP_SET, "03 e8"), "03 91 ee 0a");
    EXPECT_EQ(Mcu(0x91, OP_GET), "03 91 dd 03 e8");
    EXPECT_EQ(Mcu(0x0D, OP_SET, "02 61 62 01 7a"), "03 0d ee 0a");
    EXPECT_EQ(Mcu(0x0D, OP_GET), "03 0d dd 02 61 62 01 7a");

    // PC-connect and ping are taken without a reply.
    EXPECT_TRUE(Send(amp, CMD_MCU, 0x1F, OP_SET, "01").frames.empty());
    EXPECT_TRUE(amp.State().pcConnected);
    EXPECT_TRUE(Send(amp, CMD_MCU, 0x93, OP_SET).frames.empty());
}

TEST_F(AmplifierTest, BootLoaderModeAnswersOnlyTheSystemFamily) {
    amp.State().bootLoaderMode = true;
    amp.State().model = 76;
    EXPECT_EQ(Mcu(0x08, OP_SET), "03 08 dd f0 4c 02 1c");
    const auto outcome = Send(amp, CMD_DSP, 0x02, OP_GET);
    EXPECT_TRUE(outcome.frames.empty());
    EXPECT_TRUE(outcome.rejected);
}

TEST_F(AmplifierTest, ValuesReadBackAsWritten) {
    // EQ band: 1000 Hz, Q 2.5 (tenths on the way in, hundredths on the way out), −3.5 dB.
    EXPECT_EQ(Dsp(0x06, OP_SET, "00 00 02 05 03 e8 02 05 0e 05"), "01 06 ee 0a");
    EXPECT_EQ(Dsp(0x06, OP_GET, "00 00 02 05 05"), "01 06 dd 00 00 02 05 05 03 e8 02 32 0e 05");
    // Delay 1.5 ms on channel 1; trim 12.5 dB on channel 0.
    EXPECT_EQ(Dsp(0x07, OP_SET, "00 00 01 01 01 01 f4"), "01 07 ee 0a");
    EXPECT_EQ(Dsp(0x07, OP_GET, "00 00 01 01"), "01 07 dd 00 00 01 01 01 01 f4");
    EXPECT_EQ(Dsp(0x08, OP_SET, "00 00 00 00 0c 32"), "01 08 ee 0a");
    EXPECT_EQ(Dsp(0x08, OP_GET, "00 00 00 00"), "01 08 dd 00 00 00 00 0c 32");
    // High-pass of channel 0: Linkwitz-Riley 80 Hz order 3; the low-pass keeps its default.
    EXPECT_EQ(Dsp(0x05, OP_SET, "00 00 00 02 02 00 50 03"), "01 05 ee 0a");
    EXPECT_EQ(Dsp(0x05, OP_GET, "00 00 00 00"), "01 05 dd 00 00 00 00 02 00 50 03 03 4e 20 00");
    // Mutes over a range.
    EXPECT_EQ(Dsp(0x09, OP_SET, "00 00 00 05 01 00 01 00 00 01"), "01 09 ee 0a");
    EXPECT_EQ(Dsp(0x09, OP_GET, "00 00 00 05"), "01 09 dd 00 00 00 05 01 00 01 00 00 01");
    // Memory words travel little-endian.
    EXPECT_EQ(Dsp(0x42, OP_SET, "78 56 34 12 ef be ad de"), "01 42 ee 0a");
    EXPECT_EQ(Dsp(0x42, OP_GET, "78 56 34 12 00 00 00 00"), "01 42 dd 78 56 34 12 ef be ad de");
    // Compressor 2 of channel 3: −20.5 dB, 10 ms, 1.5 s.
    EXPECT_EQ(Dsp(0x4A, OP_SET, "00 00 03 03 ec fb 00 0a 01 05"), "01 4a ee 0a");
    EXPECT_EQ(Dsp(0x4A, OP_GET, "00 00 03 03"), "01 4a dd 00 00 03 03 ec fb 00 0a 01 05");
    // Cross-source mix of source 2, input 1.
    EXPECT_EQ(Dsp(0x47, OP_SET, "00 02 01 05 03 28"), "01 47 ee 0a");
    EXPECT_EQ(Dsp(0x47, OP_GET, "00 02 01 00 00 00"), "01 47 dd 00 02 01 05 03 28");
    EXPECT_EQ(Dsp(0x26, OP_SET, "c4"), "01 26 ee 0a");
    EXPECT_EQ(Dsp(0x26, OP_GET, "00 00"), "01 26 dd c4");
}

TEST_F(AmplifierTest, DefaultsAsTheDeviceReportsThem) {
    EXPECT_EQ(Dsp(0x02, OP_GET), "01 02 dd fb");  // −5 dB
    EXPECT_EQ(Dsp(0x0D, OP_GET, "00 00 00 05"), "01 0d dd 00 00 00 05 06 0c 0f 12 16 17");
    EXPECT_EQ(Dsp(0x0B, OP_GET, "00 05 00 05"), "01 0b dd 00 05 00 05 01 02 04 08 03 03");
    // Input 1 of source 0 is routed to outputs 1, 3, 4 and 5 at level 100.
    EXPECT_EQ(Dsp(0x24, OP_GET, "00 00 01 00 05"), "01 24 dd 00 00 01 00 05 00 64 00 64 64 64");
    // Input noise −70.5, −71.2, −69.8, −72.0 dB as level + 100 in whole and tenths.
    EXPECT_EQ(Dsp(0x27, OP_GET, "00 03"), "01 27 dd 00 03 1d 05 1c 08 1e 02 1c 00");
    EXPECT_EQ(Dsp(0x45, OP_GET), "01 45 dd 01 01");
}

TEST_F(AmplifierTest, RangesAreClippedToTheChannelsAndToOneFrame) {
    // Channels 4 … 7: only 4 and 5 exist (the subwoofer defaults).
    EXPECT_EQ(Dsp(0x05, OP_GET, "00 00 04 07"),
              "01 05 dd 00 00 04 05 01 00 1e 04 01 00 32 02 01 00 1e 04 01 00 32 02");
    // 31 bands do not fit one frame: eight are sent, and the header says so.
    const auto reply = Send(amp, CMD_DSP, 0x06, OP_GET, "00 00 00 00 1e");
    ASSERT_EQ(reply.frames.size(), 1u);
    EXPECT_EQ(reply.frames[0][10], 7);
    EXPECT_LE(reply.frames[0].size(), 65u);
    // Nothing to report gives the header alone.
    EXPECT_EQ(Dsp(0x09, OP_GET, "00 00 06 07"), "01 09 dd 00 00 06 05");
}

TEST_F(AmplifierTest, MalformedAndUnknownRequestsAreRefused) {
    EXPECT_EQ(Dsp(0x06, OP_SET, "00 00 09 00 03 e8 02 05 0e 05"), "01 06 ee 60");  // channel 9
    EXPECT_EQ(Dsp(0x09, OP_SET, "00 00 00 05 01"), "01 09 ee 60");                 // short
    EXPECT_EQ(Dsp(0x09, OP_SET, "0b 00 00 00 01"), "01 09 ee 60");                 // scene 11
    const auto unknown = Send(amp, CMD_DSP, 0x1F, OP_GET);
    EXPECT_TRUE(unknown.frames.empty());
    EXPECT_TRUE(unknown.rejected);
}

TEST_F(AmplifierTest, LinkCopiesTheChannelAlongItsPairs) {
    Dsp(0x06, OP_SET, "00 00 00 03 00 64 01 00 1e 00");  // channel 0, band 3: +12 dB
    EXPECT_EQ(Dsp(0x0E, OP_SET, "00 01 01 00 01"), "01 0e ee 0a");
    EXPECT_EQ(Dsp(0x0E, OP_GET, "00"), "01 0e dd 00 01 01 00 00");
    EXPECT_EQ(Dsp(0x06, OP_GET, "00 00 01 03 03"), "01 06 dd 00 00 01 03 03 00 64 01 00 1e 00");
}

// Every request the application can send gets the OP_UPDATE of its own family and code.
TEST_F(AmplifierTest, EveryRequestIsAnswered) {
    struct Row {
        std::uint8_t type;
        std::uint8_t code;
        const char* data;
    };
    const Row rows[] = {
        {CMD_DSP, 0x00, ""},
        {CMD_DSP, 0x01, ""},
        {CMD_DSP, 0x02, ""},
        {CMD_DSP, 0x03, ""},
        {CMD_DSP, 0x04, ""},
        {CMD_DSP, 0x05, "00 00 00 03"},
        {CMD_DSP, 0x06, "00 00 00 00 06"},
        {CMD_DSP, 0x07, "00 00 00 05"},
        {CMD_DSP, 0x08, "00 00 00 05"},
        {CMD_DSP, 0x09, "00 00 00 05"},
        {CMD_DSP, 0x0A, "00 00 00 05"},
        {CMD_DSP, 0x0B, "00 00 00 05"},
        {CMD_DSP, 0x0C, "00 00 00 05"},
        {CMD_DSP, 0x0D, "00 00 00 05"},
        {CMD_DSP, 0x0E, "00"},
        {CMD_DSP, 0x0F, "00"},
        {CMD_DSP, 0x30, "00"},
        {CMD_DSP, 0x31, "00"},
        {CMD_DSP, 0x10, "00 00 00 05"},
        {CMD_DSP, 0x11, "00 00 00 05"},
        {CMD_DSP, 0x12, "00 00 00 05"},
        {CMD_DSP, 0x13, ""},
        {CMD_DSP, 0x14, "00 05"},
        {CMD_DSP, 0x15, "00 05"},
        {CMD_DSP, 0x17, "00 05"},
        {CMD_DSP, 0x18, "00 05"},
        {CMD_DSP, 0x19, "00 05"},
        {CMD_DSP, 0x1B, "00 05"},
        {CMD_DSP, 0x16, "00 00 05"},
        {CMD_DSP, 0x1A, "00 00 08"},
        {CMD_DSP, 0x1C, ""},
        {CMD_DSP, 0x20, "00 05 00 03"},
        {CMD_DSP, 0x21, "00 05 00 03"},
        {CMD_DSP, 0x22, "00 05 00 03"},
        {CMD_DSP, 0x23, "00 05 00 00 06"},
        {CMD_DSP, 0x24, "00 05 03 00 05"},
        {CMD_DSP, 0x26, "00 00"},
        {CMD_DSP, 0x27, "00 03"},
        {CMD_DSP, 0x32, ""},
        {CMD_DSP, 0x34, "00 00 00 05"},
        {CMD_DSP, 0x35, ""},
        {CMD_DSP, 0x39, ""},
        {CMD_DSP, 0x3A, ""},
        {CMD_DSP, 0x36, "00 03"},
        {CMD_DSP, 0x83, "00 03"},
        {CMD_DSP, 0x37, "00 00 00 05"},
        {CMD_DSP, 0x38, "00 00 00 05"},
        {CMD_DSP, 0x3B, ""},
        {CMD_DSP, 0x3E, "00 00 00 00"},
        {CMD_DSP, 0x4A, "00 00 00 05"},
        {CMD_DSP, 0x49, "00 00 00 05"},
        {CMD_DSP, 0x3F, ""},
        {CMD_DSP, 0x45, ""},
        {CMD_DSP, 0x4B, ""},
        {CMD_DSP, 0x4E, ""},
        {CMD_DSP, 0x44, ""},
        {CMD_DSP, 0x40, "00 00 00 03"},
        {CMD_DSP, 0x41, "00 00 00 05"},
        {CMD_DSP, 0x42, "00 01 00 00 00 00 00 00"},
        {CMD_DSP, 0x43, "00 00 00 05"},
        {CMD_DSP, 0x47, "00 00 01 00 00 00"},
        {CMD_DSP, 0x4C, "00 00 03"},
        {CMD_DSP, 0x4D, "00 00 00 00 01"},
        {CMD_MCU, 0x92, ""},
        {CMD_MCU, 0x91, ""},
        {CMD_MCU, 0x0B, ""},
        {CMD_MCU, 0x0C, ""},
        {CMD_MCU, 0x0D, ""},
        {CMD_MCU, 0x41, ""},
        {CMD_FLASH, 0x0B, "01"},
        {CMD_FLASH, 0x0C, "01 00 00 10"},
        {CMD_FLASH, 0x0E, ""},
        {CMD_FLASH, 0x0F, ""},
    };
    for (const Row& row : rows) {
        const auto outcome = Send(amp, row.type, row.code, OP_GET, row.data);
        ASSERT_EQ(outcome.frames.size(), 1u) << int(row.type) << " " << int(row.code);
        const std::string body = Body(outcome.frames[0]);
        char expected[16];
        std::snprintf(expected, sizeof expected, "%02x %02x dd", row.type, row.code);
        EXPECT_EQ(body.substr(0, 8), expected);
        EXPECT_FALSE(outcome.rejected) << body;
    }
    for (int code = 1; code <= 10; ++code) {
        const auto outcome = Send(amp, CMD_KTV, static_cast<std::uint8_t>(code), OP_GET);
        ASSERT_EQ(outcome.frames.size(), 1u);
        EXPECT_EQ(outcome.frames[0][5], OP_UPDATE);
    }
}

TEST_F(AmplifierTest, KaraokeValues) {
    EXPECT_EQ(OnlyReply(Send(amp, CMD_KTV, 5, OP_SET, "01 2c")), "07 05 ee 0a");
    EXPECT_EQ(OnlyReply(Send(amp, CMD_KTV, 5, OP_GET)), "07 05 dd 01 2c");
    EXPECT_EQ(OnlyReply(Send(amp, CMD_KTV, 9, OP_SET, "fa")), "07 09 ee 0a");
    EXPECT_EQ(OnlyReply(Send(amp, CMD_KTV, 9, OP_GET)), "07 09 dd fa");
    EXPECT_EQ(OnlyReply(Send(amp, CMD_KTV, 1, OP_GET)), "07 01 dd 3c");  // default 60
}

TEST_F(AmplifierTest, ScenesBehaveLikeFlash) {
    EXPECT_EQ(Flash(0x0F, OP_GET), "02 0f dd 00 00");
    Dsp(0x02, OP_SET, "10");              // -10 dB, not part of a scene
    Dsp(0x09, OP_SET, "00 00 02 02 01");  // working set: channel 2 muted
    EXPECT_EQ(Flash(0x0B, OP_SET, "03 04 4c 69 76 65"), "02 0b ee 0a 03");
    EXPECT_EQ(Flash(0x08, OP_SET, "03 00"), "02 08 ee 0a 03");
    EXPECT_EQ(Flash(0x0F, OP_GET), "02 0f dd 00 04");
    EXPECT_EQ(Flash(0x0E, OP_GET), "02 0e dd 03");
    EXPECT_EQ(Flash(0x0B, OP_GET, "03"),
              "02 0b dd 03 4c 69 76 65 00 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(Flash(0x0B, OP_GET, "04"),
              "02 0b dd 04 ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff");

    // Requests carrying scene 3 answer from the stored scene.
    Dsp(0x09, OP_SET, "00 00 02 02 00");
    EXPECT_EQ(Dsp(0x09, OP_GET, "03 00 02 02"), "01 09 dd 03 00 02 02 01");
    EXPECT_EQ(Dsp(0x09, OP_GET, "00 00 02 02"), "01 09 dd 00 00 02 02 00");

    // Loading scene 3 into the working set.
    EXPECT_EQ(Flash(0x09, OP_SET, "03 00"), "02 09 ee 0a 03");
    EXPECT_EQ(Dsp(0x09, OP_GET, "00 00 02 02"), "01 09 dd 00 00 02 02 01");
    EXPECT_EQ(Dsp(0x02, OP_GET), "01 02 dd f6");

    // A whole-profile write sends to the slot itself and commits it with immediately = 1.
    Dsp(0x34, OP_SET, "05 00 04 04 01");
    EXPECT_EQ(Flash(0x08, OP_SET, "05 01"), "02 08 ee 0a 05");
    EXPECT_EQ(Dsp(0x34, OP_GET, "05 00 04 04"), "01 34 dd 05 00 04 04 01");
    EXPECT_EQ(Dsp(0x34, OP_GET, "00 00 04 04"), "01 34 dd 00 00 04 04 00");
    EXPECT_EQ(Flash(0x0F, OP_GET), "02 0f dd 00 14");

    EXPECT_EQ(Flash(0x0A, OP_SET, "03"), "02 0a ee 0a 03");
    EXPECT_EQ(Flash(0x0F, OP_GET), "02 0f dd 00 10");
    EXPECT_EQ(Flash(0x0E, OP_GET), "02 0e dd 05");  // the last saved scene stays current
    EXPECT_EQ(Flash(0x0B, OP_GET, "03").substr(12, 5), "ff ff");
    EXPECT_EQ(Flash(0x08, OP_SET, "0b 00"), "02 08 ee 60 0b");  // no slot 11
}

TEST_F(AmplifierTest, FactoryDefaultResetsAndRestarts) {
    Dsp(0x02, OP_SET, "10");
    amp.State().mainVersion = 3;
    const auto outcome = Send(amp, CMD_MCU, 0x90, OP_SET);
    EXPECT_EQ(OnlyReply(outcome), "03 90 ee 0a");
    EXPECT_TRUE(outcome.reboot);
    EXPECT_EQ(Dsp(0x02, OP_GET), "01 02 dd fb");
    EXPECT_EQ(Mcu(0x08, OP_SET), "03 08 dd 00 4d 03 1c");
}

TEST_F(AmplifierTest, McuFirmwareTransferKeepsTheImage) {
    amp.SetNotReadyEvery(2);
    const auto enter = Send(amp, CMD_MCU, 0x01, OP_SET);
    EXPECT_EQ(OnlyReply(enter), "03 01 ee 0a");
    EXPECT_TRUE(enter.reboot);  // restarts into the upgrade firmware
    EXPECT_EQ(Mcu(0x08, OP_SET), "03 08 dd f0 4d 02 1c");
    EXPECT_EQ(Mcu(0x02, OP_SET, "11 22 33 44"), "03 02 ee 0a");

    std::string block1 = "00 00 00 20";
    std::string block0 = "00 00 00 00";
    for (int i = 0; i < 32; ++i) {
        block1 += " ab";
        block0 += " cd";
    }
    EXPECT_EQ(Mcu(0x03, OP_SET, block1), "03 03 ee 0a");
    const auto second = Send(amp, CMD_MCU, 0x03, OP_SET, block0);
    ASSERT_EQ(second.frames.size(), 2u);  // "not ready" first, then ready
    EXPECT_EQ(Body(second.frames[0]), "03 03 ee 60");
    EXPECT_EQ(Body(second.frames[1]), "03 03 ee 0a");
    const auto finish = Send(amp, CMD_MCU, 0x04, OP_SET);
    EXPECT_EQ(OnlyReply(finish), "03 04 ee 0a");
    EXPECT_TRUE(finish.reboot);

    ASSERT_EQ(amp.State().images.size(), 1u);
    const auto& image = amp.State().images[0];
    EXPECT_EQ(image.target, FirmwareTarget::Mcu);
    EXPECT_TRUE(image.finished);
    EXPECT_EQ(image.head, (std::array<std::uint8_t, 4>{0x11, 0x22, 0x33, 0x44}));
    ASSERT_EQ(image.bytes.size(), 64u);
    EXPECT_EQ(image.bytes[0], 0xCD);
    EXPECT_EQ(image.bytes[63], 0xAB);
    EXPECT_FALSE(amp.State().bootLoaderMode);
    // A data block without a started transfer is refused.
    EXPECT_EQ(Mcu(0x03, OP_SET, block0), "03 03 ee 60");
}

TEST_F(AmplifierTest, DspFlashTransferKeepsTheImage) {
    EXPECT_EQ(Flash(0x02, OP_SET), "02 02 ee 0a");
    EXPECT_EQ(Flash(0x03, OP_SET, "de ad be ef"), "02 03 ee 0a");
    EXPECT_EQ(Flash(0x04, OP_SET, "00 00 00 00 03 01 02 03"), "02 04 ee 0a");
    EXPECT_EQ(Flash(0x04, OP_SET, "00 00 00 03 02 04 05"), "02 04 ee 0a");
    EXPECT_EQ(Flash(0x05, OP_SET), "02 05 ee 0a");
    const auto reboot = Send(amp, CMD_MCU, 0x8F, OP_SET);
    EXPECT_TRUE(reboot.reboot);
    ASSERT_EQ(amp.State().images.size(), 1u);
    const auto& image = amp.State().images[0];
    EXPECT_EQ(image.target, FirmwareTarget::DspFlash);
    EXPECT_TRUE(image.erased);
    EXPECT_TRUE(image.finished);
    EXPECT_EQ(image.bytes, (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
}

TEST_F(AmplifierTest, CalibrationRunsItsStatusSequence) {
    EXPECT_EQ(Dsp(0x1E, OP_SET, "07"), "01 1e ee 0a");
    EXPECT_EQ(Dsp(0x13, OP_SET, "01 00 05 00"), "01 13 ee 0a");  // channels 0 and 2
    std::vector<std::string> seen;
    for (int i = 0; i < 20; ++i) {
        const auto reply = Send(amp, CMD_DSP, 0x13, OP_GET);
        ASSERT_EQ(reply.frames.size(), 1u);
        const auto& f = reply.frames[0];
        const int status = f[6];
        seen.push_back(std::to_string(status) +
                       (status == 7 || status == 8 ? "/" + std::to_string(f[7]) : ""));
        if (status == 10) {
            EXPECT_EQ(f[9], 100);  // progress
            break;
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7/0", "8/0",
                                              "7/2", "8/2", "9", "10"}));
    // Spectrum: 121 points from 20 Hz; EQ: bands 0 … 10.
    const auto spectrum = Send(amp, CMD_DSP, 0x1A, OP_GET, "02 00 08");
    ASSERT_EQ(spectrum.frames.size(), 1u);
    EXPECT_EQ(Body(spectrum.frames[0]).substr(0, 26), "01 1a dd 02 00 08 00 14 00");
    EXPECT_EQ(spectrum.frames[0].size(), 7u + 3 + 9 * 5);
    EXPECT_EQ(Dsp(0x1A, OP_GET, "02 75 78").substr(0, 17), "01 1a dd 02 75 78");
    EXPECT_EQ(Dsp(0x16, OP_GET, "02 06 0a").size(),
              std::string("01 16 dd 02 06 0a").size() + 5 * 18);

    amp.State().calibration.failAtStep = 2;
    amp.State().calibration.failWith = 1;  // no microphone
    Dsp(0x13, OP_SET, "01 00 01 00");
    Dsp(0x13, OP_GET);
    Dsp(0x13, OP_GET);
    EXPECT_EQ(Dsp(0x13, OP_GET).substr(0, 11), "01 13 dd 0b");
    EXPECT_EQ(Dsp(0x13, OP_GET).substr(21), "01");  // stays failed, reason 1
}

}  // namespace
