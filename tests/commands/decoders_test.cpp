// Decoders: the worked reply examples, the walk of every code of the three families, and
// frames whose counts or ranges claim more than they carry.
#include <set>

#include "command_fixture.h"
#include "commands/command_codes.h"
#include "commands/reply_records.h"
#include "support/log_capture.h"

using namespace testing_support;
using namespace tonvia::commands;

namespace {

class DecoderTest : public CommandFixture {
  protected:
    // The records of the messages posted so far, with their targets.
    template <class Record>
    std::vector<const Record*> Records(const std::vector<PostedMessage>& posted) {
        std::vector<const Record*> out;
        for (const auto& p : posted) {
            out.push_back(dynamic_cast<const Record*>(p.message.record.get()));
            EXPECT_NE(out.back(), nullptr);
        }
        return out;
    }
};

std::string Zeros(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += "00 ";
    }
    return s;
}

// --- DSP --------------------------------------------------------------------------------

TEST_F(DecoderTest, EqBandDecodesFrequencyHundredthsQAndShiftedGain) {
    Feed(CMD_DSP, "06 dd 00 00 02 04 04 03 e8 01 2d 0f 05");
    const auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].target, kMain);
    EXPECT_EQ(posted[0].message.message, WM_READ_DSP_VALUE);
    EXPECT_EQ(posted[0].message.wParam, 0x06u);
    const auto* band = Records<EqBandRec>(posted)[0];
    EXPECT_EQ(band->channel, 2);
    EXPECT_EQ(band->band, 4);
    EXPECT_EQ(band->freq, 1000);
    EXPECT_FLOAT_EQ(band->Q, 1.45f);
    EXPECT_FLOAT_EQ(band->gain, -2.5f);
}

TEST_F(DecoderTest, TrimInBothForms) {
    Feed(CMD_DSP, "08 dd 00 00 01 01 0c 32");
    dev.mTrimTwoBytes = 0;
    Feed(CMD_DSP, "08 dd 00 00 01 01 f4");
    const auto posted = sink.Take();
    const auto recs = Records<ChFloatRec>(posted);
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_FLOAT_EQ(recs[0]->value, -12.5f);
    EXPECT_FLOAT_EQ(recs[1]->value, -12.0f);
    EXPECT_EQ(recs[1]->channel, 1);
}

TEST_F(DecoderTest, DelayAndMutePostOneRecordPerChannelInOrder) {
    Feed(CMD_DSP, "07 dd 00 00 02 02 01 01 f4");
    Feed(CMD_DSP, "09 dd 00 00 00 05 01 00 01 00 01 01");
    auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 7u);
    EXPECT_FLOAT_EQ(dynamic_cast<const ChFloatRec*>(posted[0].message.record.get())->value, 1.5f);
    posted.erase(posted.begin());
    const auto mutes = Records<ChValueRec>(posted);
    const int expected[] = {1, 0, 1, 0, 1, 1};
    for (int ch = 0; ch < 6; ++ch) {
        EXPECT_EQ(mutes[ch]->channel, ch);
        EXPECT_EQ(mutes[ch]->value, expected[ch]);
    }
}

TEST_F(DecoderTest, InputNoiseGoesToTheDialogUnlessRoutedToMain) {
    Feed(CMD_DSP, "27 dd 01 02 28 05 64 00");
    dev.mNoiseToMain = 1;
    Feed(CMD_DSP, "27 dd 00 00 28 05");
    const auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].target, kDialog);
    EXPECT_EQ(posted[1].target, kMain);
    const auto recs = Records<InputNoiseRec>(posted);
    EXPECT_FLOAT_EQ(recs[0]->noise[1], -59.5f);
    EXPECT_FLOAT_EQ(recs[0]->noise[2], 0.0f);
    EXPECT_EQ(recs[0]->last, 2);
    EXPECT_FLOAT_EQ(recs[1]->noise[0], -59.5f);
}

TEST_F(DecoderTest, CompressorRecords) {
    Feed(CMD_DSP, "4a dd 00 00 03 03 ec fb 00 0a 01 05");
    Feed(CMD_DSP, "3e dd 00 00 00 01 01 4f 05 04 05 02 00 00 0a 05 dc");
    auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 3u);
    const auto* c2 = dynamic_cast<const Compressor2Rec*>(posted[0].message.record.get());
    ASSERT_NE(c2, nullptr);
    EXPECT_EQ(c2->channel, 3);
    EXPECT_FLOAT_EQ(c2->threshold, -20.5f);
    EXPECT_EQ(c2->attack, 10);
    EXPECT_EQ(c2->release, 1500);
    // Every channel of a 0x3E range gets the one block.
    for (int i = 1; i <= 2; ++i) {
        const auto* c = dynamic_cast<const CompressorRec*>(posted[i].message.record.get());
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->channel, i - 1);
        EXPECT_FLOAT_EQ(c->threshold, -20.5f);
        EXPECT_FLOAT_EQ(c->ratio, 4.5f);
        EXPECT_FLOAT_EQ(c->softKnee, 2.0f);
        EXPECT_EQ(c->release, 1500);
    }
}

TEST_F(DecoderTest, SignedValuesAndAcknowledgements) {
    LogCapture log;
    Feed(CMD_DSP, "02 dd ff");
    Feed(CMD_DSP, "02 ee 0a");
    Feed(CMD_DSP, "0d ee 0a");
    Feed(CMD_DSP, "26 dd c4");
    Feed(CMD_DSP, "32 dd 01 02");
    const auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 3u);
    EXPECT_EQ(posted[0].message.lParam, -1);
    EXPECT_EQ(posted[1].message.lParam, -60);
    EXPECT_EQ(posted[2].message.lParam, 0x0102);
    const std::string text = log.Text();
    EXPECT_NE(text.find("DSP_VOLUME OP_ACK\n"), std::string::npos);
    EXPECT_NE(text.find("DSP_CH_TYPE OP_ACK\n"), std::string::npos);
    EXPECT_NE(text.find("dsp_ack_process"), std::string::npos);
}

TEST_F(DecoderTest, CalibrationStatus) {
    Feed(CMD_DSP, "13 dd 0b 00 00 00 07");  // failure with an unknown reason
    Feed(CMD_DSP, "13 dd 0d 00 00 10 00");  // unknown status
    Feed(CMD_DSP, "13 dd 0b 00 00 00 02");
    Feed(CMD_DSP, "13 dd 07 04 00 32 00");
    Feed(CMD_DSP, "13 dd 05 04 00 32 00");
    const auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 3u);
    for (const auto& p : posted) {
        EXPECT_EQ(p.target, kCal);
        EXPECT_EQ(p.message.message, WM_IRC_UPDATE);
    }
    EXPECT_EQ(posted[0].message.wParam, 11u);
    EXPECT_EQ(posted[0].message.lParam, 2);
    EXPECT_EQ(posted[1].message.lParam, 4);   // the channel whose data is ready
    EXPECT_EQ(posted[2].message.lParam, 50);  // progress
}

TEST_F(DecoderTest, CalibrationRecordsGoToTheCalibrationWindow) {
    Feed(CMD_DSP, "14 dd 00 01 01 32 02 05");
    Feed(CMD_DSP, "1a dd 02 05 05 03 e8 19 fe fb");
    const auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 3u);
    EXPECT_EQ(posted[0].target, kCal);
    EXPECT_FLOAT_EQ(dynamic_cast<const IrcFloatRec*>(posted[1].message.record.get())->value, 2.05f);
    const auto* s = dynamic_cast<const IrcSpectrumRec*>(posted[2].message.record.get());
    ASSERT_NE(s, nullptr);
    EXPECT_FLOAT_EQ(s->freq, 1000.25f);
    EXPECT_FLOAT_EQ(s->gain, -2.05f);
}

TEST_F(DecoderTest, WholeRangeRecordsAndMemoryWords) {
    Feed(CMD_DSP, "20 dd 00 05 01 02 fa 06");
    Feed(CMD_DSP, "21 dd 00 05 03 01");  // an empty range still posts its record
    Feed(CMD_DSP, "42 dd 78 56 34 12 d4 c3 b2 a1");
    const auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 3u);
    const auto* trims = dynamic_cast<const InputChRec*>(posted[0].message.record.get());
    ASSERT_NE(trims, nullptr);
    EXPECT_EQ(trims->values[1], -6);
    EXPECT_EQ(trims->values[2], 6);
    EXPECT_EQ(trims->last, 2);
    const auto* empty = dynamic_cast<const InputChRec*>(posted[1].message.record.get());
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->first, 3);
    EXPECT_EQ(posted[2].target, kMem);
    EXPECT_EQ(posted[2].message.message, WM_READ_MEM_VALUE);
    const auto* mem = dynamic_cast<const MemDataRec*>(posted[2].message.record.get());
    EXPECT_EQ(mem->address, 0x12345678u);
    EXPECT_EQ(mem->data, 0xA1B2C3D4u);
}

TEST_F(DecoderTest, RangesThatDoNotFitTheFrameAreCut) {
    LogCapture log;
    Feed(CMD_DSP, "09 dd 00 00 00 ff 01 01 01");     // claims 256 channels, holds 3
    Feed(CMD_DSP, "20 dd 00 05 00 ff");              // whole-range record, nothing fits
    Feed(CMD_DSP, "24 dd 00 05 01 00 05 01 02");     // 6 outputs claimed, 2 held
    Feed(CMD_DSP, "20 dd 00 05 0e 11 01 02 03 04");  // channels above 15 are not stored
    Feed(CMD_DSP, "4c dd 00 00 30 01 02");           // bridge count beyond the frame
    Feed(CMD_DSP, "00 dd 09 51 52");                 // source list beyond the frame
    Feed(CMD_DSP, "0e dd 00 01 05");                 // one of three pair flags
    const auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 3u + 1u + 1u + 1u + 1u);
    const auto* mix = dynamic_cast<const InputMixTrimRec*>(posted[3].message.record.get());
    ASSERT_NE(mix, nullptr);
    EXPECT_EQ(mix->lastOutput, 1);
    EXPECT_EQ(mix->trims[1], 2);
    const auto* high = dynamic_cast<const InputChRec*>(posted[4].message.record.get());
    ASSERT_NE(high, nullptr);
    EXPECT_EQ(high->values[14], 1);
    EXPECT_EQ(high->values[15], 2);
    EXPECT_EQ(high->last, 15);
    const auto* bridge = dynamic_cast<const BridgeRec*>(posted[5].message.record.get());
    ASSERT_NE(bridge, nullptr);
    EXPECT_EQ(bridge->count, 2);
    const auto* link = dynamic_cast<const LinkRec*>(posted[6].message.record.get());
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->pairs[0], 5);
    EXPECT_EQ(link->pairs[1], 0);
    EXPECT_NE(log.Text().find("range 0 to 255 does not fit the frame; 3 of 256"),
              std::string::npos);
}

// The codes that have no entry: they log "!!! NOT SUPPORT MSG" and post nothing.
std::set<int> UnsupportedDspCodes() {
    std::set<int> codes = {0x1D, 0x1E, 0x1F, 0x25, 0x33, 0x3C, 0x3D, 0x48};
    for (int c = 0x28; c <= 0x2F; ++c) {
        codes.insert(c);
    }
    for (int c = 0x4F; c <= 0xFF; ++c) {
        if (c != 0x83) {
            codes.insert(c);
        }
    }
    return codes;
}

TEST_F(DecoderTest, EveryDspCodeIsDecodedIgnoredOrRejected) {
    const std::set<int> unsupported = UnsupportedDspCodes();
    const std::set<int> silent = {0x0C, 0x10, 0x1C};  // known, never posting
    for (int code = 0; code <= 0xFF; ++code) {
        SCOPED_TRACE(code);
        const DspReplyEntry* entry = FindDspReply(static_cast<std::uint8_t>(code));
        ASSERT_EQ(entry == nullptr, unsupported.count(code) == 1);
        char head[8];
        std::snprintf(head, sizeof head, "%02x ", code);
        {
            LogCapture log;
            Feed(CMD_DSP, std::string(head) + "dd " + Zeros(58));
            const bool rejected = log.Text().find("!!! NOT SUPPORT MSG\n") != std::string::npos;
            EXPECT_EQ(rejected, entry == nullptr);
        }
        const auto posted = sink.Take();
        if (entry == nullptr || silent.count(code) == 1 || entry->message == 0) {
            EXPECT_TRUE(posted.empty());
            continue;
        }
        ASSERT_FALSE(posted.empty());
        const WindowHandle expected = entry->window == ReplyWindow::Calibration ? kCal
                                      : entry->window == ReplyWindow::Memory    ? kMem
                                      : entry->window == ReplyWindow::Noise     ? kDialog
                                                                                : kMain;
        for (const auto& p : posted) {
            EXPECT_EQ(p.target, expected);
            EXPECT_EQ(p.message.message, entry->message);
        }
        // Other operation types post nothing.
        for (const char* op : {"bb ", "66 ", "ee ", "00 "}) {
            Feed(CMD_DSP, std::string(head) + op + Zeros(58));
        }
        EXPECT_TRUE(sink.Take().empty());
        // Frames shorter than the entry's header post nothing.
        for (std::size_t n = 0; n < entry->header; ++n) {
            Feed(CMD_DSP, std::string(head) + "dd " + Zeros(n));
        }
        EXPECT_TRUE(sink.Take().empty());
    }
}

// --- Karaoke ----------------------------------------------------------------------------

TEST_F(DecoderTest, KaraokeValues) {
    LogCapture log;
    Feed(CMD_KTV, "05 dd 01 2c");
    Feed(CMD_KTV, "09 dd fa");
    Feed(CMD_KTV, "0a dd 06");
    Feed(CMD_KTV, "01 dd 3c 00 00");
    Feed(CMD_KTV, "01 ee 3c");  // not an update
    Feed(CMD_KTV, "05 dd 01");  // echo delay without its low byte
    Feed(CMD_KTV, "0b dd 01");
    const auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 4u);
    const std::intptr_t values[] = {300, -6, 6, 60};
    const std::uintptr_t codes[] = {5, 9, 10, 1};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(posted[i].target, kMain);
        EXPECT_EQ(posted[i].message.message, WM_READ_KTV_VALUE);
        EXPECT_EQ(posted[i].message.wParam, codes[i]);
        EXPECT_EQ(posted[i].message.lParam, values[i]);
    }
    EXPECT_NE(log.Text().find("!!! NOT SUPPORT MSG\n"), std::string::npos);
}

TEST_F(DecoderTest, EveryKaraokeCodeIsDecodedOrRejected) {
    for (int code = 0; code <= 0xFF; ++code) {
        char head[8];
        std::snprintf(head, sizeof head, "%02x ", code);
        LogCapture log;
        Feed(CMD_KTV, std::string(head) + "dd 01 02 03 04");
        const bool known = code >= 1 && code <= 10;
        EXPECT_EQ(log.Text().find("!!! NOT SUPPORT MSG") == std::string::npos, known) << code;
        EXPECT_EQ(sink.Take().size(), known ? 1u : 0u) << code;
    }
}

// --- Flash ------------------------------------------------------------------------------

TEST_F(DecoderTest, SceneNamesAndMask) {
    Feed(CMD_FLASH, "0b dd 03 ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff");
    Feed(CMD_FLASH, "0b dd 01 48 6f 6d 65 00 00 00 00 00 00 00 00 00 00 00 00");
    Feed(CMD_FLASH, "0b dd 01 48 6f 6d 65");  // a name cut short posts nothing
    Feed(CMD_FLASH, "0f dd 02 05");
    const auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 3u);
    const auto* erased = dynamic_cast<const SceneNameRec*>(posted[0].message.record.get());
    ASSERT_NE(erased, nullptr);
    EXPECT_EQ(posted[0].target, kMain);
    EXPECT_EQ(posted[0].message.message, WM_READ_SENCE_VALUE);
    EXPECT_EQ(erased->index, 2);
    EXPECT_EQ(erased->name, (std::array<std::uint8_t, 16>{}));
    const auto* home = dynamic_cast<const SceneNameRec*>(posted[1].message.record.get());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(home->name.data())), "Home");
    const auto* mask = dynamic_cast<const SceneValidRec*>(posted[2].message.record.get());
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(mask->mask, 517);
}

TEST_F(DecoderTest, SceneAcknowledgementsGoToTheSceneWindow) {
    Feed(CMD_FLASH, "08 ee 60 03");  // refused save
    Feed(CMD_FLASH, "08 ee 0a 03");
    Feed(CMD_FLASH, "0a ee 0a 04");
    Feed(CMD_FLASH, "0e dd 00");
    Feed(CMD_FLASH, "09 ee 0a 01");
    const auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 3u);
    EXPECT_EQ(posted[0].target, kScene);
    EXPECT_EQ(posted[0].message.message, WM_READ_SENCE_VALUE);
    EXPECT_EQ(posted[0].message.wParam, 3u);
    EXPECT_EQ(posted[1].message.message, WM_SENCE_DELETE_ACK);
    EXPECT_EQ(posted[1].message.wParam, 4u);
    EXPECT_EQ(posted[2].message.message, WM_SENCE_ID);
    EXPECT_EQ(posted[2].message.lParam, 0);
}

TEST_F(DecoderTest, UpgradeAcknowledgementsMoveTheTransferState) {
    dev.sys_upg_status = UPG_START;
    Feed(CMD_FLASH, "02 ee 0a");
    EXPECT_EQ(dev.sys_upg_status.load(), UPG_ERASED);
    dev.sys_upg_status = UPG_START;
    Feed(CMD_FLASH, "03 ee 0a");
    EXPECT_EQ(dev.sys_upg_status.load(), UPG_SEND_DATA);
    Feed(CMD_FLASH, "04 ee 0a");  // not waiting for a data acknowledgement
    EXPECT_EQ(dev.sys_upg_status.load(), UPG_SEND_DATA);
    dev.sys_upg_status = UPG_WAITING_BIN_DATA_ACK;
    Feed(CMD_FLASH, "04 ee 60");
    EXPECT_EQ(dev.mUpgPhase.load(), 1);
    Feed(CMD_FLASH, "04 ee 0a");
    EXPECT_EQ(dev.sys_upg_status.load(), UPG_SEND_DATA);
    Feed(CMD_FLASH, "03 ee 60");
    EXPECT_EQ(dev.sys_upg_status.load(), UPG_FAIL);
    Feed(CMD_FLASH, "02 dd 0a");  // wrong operation type
    EXPECT_EQ(dev.sys_upg_status.load(), UPG_FAIL);
    EXPECT_TRUE(sink.Take().empty());
}

TEST_F(DecoderTest, EveryFlashCodeIsDecodedOrRejected) {
    const std::set<int> known = {0x02, 0x03, 0x04, 0x05, 0x08, 0x09, 0x0A, 0x0B, 0x0E, 0x0F};
    for (int code = 0; code <= 0xFF; ++code) {
        char head[8];
        std::snprintf(head, sizeof head, "%02x ", code);
        LogCapture log;
        Feed(CMD_FLASH, std::string(head) + "dd");
        EXPECT_EQ(log.Text().find("!!! NOT SUPPORT MSG") == std::string::npos,
                  known.count(code) == 1)
            << code;
    }
    EXPECT_TRUE(sink.Take().empty());
}

// --- Through the link -------------------------------------------------------------------

TEST_F(DecoderTest, RepliesReadAfterARequestAreDecoded) {
    mReplyHex = "00 " + FrameHex(CMD_DSP, "02 dd fb") + " " + FrameHex(CMD_KTV, "02 dd 50");
    EXPECT_TRUE(dev.Get_Main_Volume());
    const auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].message.lParam, -5);
    EXPECT_EQ(posted[1].message.message, WM_READ_KTV_VALUE);
    EXPECT_EQ(posted[1].message.lParam, 0x50);
}

}  // namespace
