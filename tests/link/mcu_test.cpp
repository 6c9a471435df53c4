#include <gtest/gtest.h>

#include "link/mcu_records.h"
#include "link_fixture.h"
#include "support/log_capture.h"

using testing_support::Frame;
using testing_support::hex;
using testing_support::LinkTest;
using testing_support::ToHex;

namespace {

class McuDecoder : public LinkTest {
  protected:
    // Runs one MCU packet (subcmd, optype, data) through the decoder.
    void Decode(const std::vector<std::uint8_t>& packet) {
        CHidDevice::mcu_ack_process(*device, packet);
    }
    // The single message posted, checked for its target and number.
    testing_support::PostedMessage Single(unsigned message) {
        auto posted = sink.Take();
        EXPECT_EQ(posted.size(), 1u);
        if (posted.empty()) {
            return {};
        }
        EXPECT_EQ(posted[0].target, kMain);
        EXPECT_EQ(posted[0].message.message, message);
        return std::move(posted[0]);
    }
};

TEST_F(McuDecoder, HandshakeStoresModelAndPostsVersions) {
    testing_support::LogCapture log;
    Decode(hex("08 DD 00 4D 02 1C"));
    auto posted = Single(WM_READ_MCU_VALUE);
    EXPECT_EQ(posted.message.wParam, MCU_HANDSHAKE);
    const auto* record = dynamic_cast<McuHandshakeRecord*>(posted.message.record.get());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->reserved, 0);
    EXPECT_EQ(record->model, 77);
    EXPECT_EQ(record->mainVersion, 2);
    EXPECT_EQ(record->slaveVersion, 28);
    EXPECT_EQ(device->model, 77);
    EXPECT_EQ(device->mcu_is_normal_mode, 1);
    EXPECT_EQ(log.Text(), "MCU_HANDSHAKE\nmodel = 77, master verion = 2, slave verion = 28\n");
}

TEST_F(McuDecoder, HandshakeF0ReportsAbnormalStateWithoutRecord) {
    device->mcu_is_normal_mode = 1;
    Decode(hex("08 DD F0 4D 02 1C"));
    auto posted = Single(WM_DEVICE_STATUS_UNNORMAL);
    EXPECT_EQ(posted.message.wParam, 0u);
    EXPECT_EQ(posted.message.lParam, 0);
    EXPECT_EQ(posted.message.record, nullptr);
    EXPECT_EQ(device->mcu_is_normal_mode, 0);
    EXPECT_EQ(device->model, -1);
}

TEST_F(McuDecoder, PlainValues) {
    struct Case {
        const char* packet;
        std::uint8_t subcmd;
        std::intptr_t value;
    };
    const Case cases[] = {
        {"91 DD 03 E8", MCU_POWER_OFF_DELAY, 1000},
        {"91 DD FF FF", MCU_POWER_OFF_DELAY, 65535},
        {"92 DD FF", MCU_ACC, -1},
        {"92 DD 7F", MCU_ACC, 127},
        {"93 DD", MCU_PING, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.packet);
        Decode(hex(c.packet));
        auto posted = Single(WM_READ_MCU_VALUE);
        EXPECT_EQ(posted.message.wParam, c.subcmd);
        EXPECT_EQ(posted.message.lParam, c.value);
    }
}

TEST_F(McuDecoder, PingReportLeavesNormalMode) {
    testing_support::LogCapture log;
    device->mcu_is_normal_mode = 1;
    Decode(hex("93 DD"));
    EXPECT_EQ(device->mcu_is_normal_mode, 0);
    EXPECT_EQ(log.Text(), "\nMCU_PING\n\n post WM_READ_MCU_VALUE + MCU_PING\n");
}

TEST_F(McuDecoder, FlashVersionRecord) {
    testing_support::LogCapture log;
    Decode(hex("0B DD 01 02 1C 09"));
    auto posted = Single(WM_READ_MCU_VALUE);
    const auto* record = dynamic_cast<McuFlashVersionRecord*>(posted.message.record.get());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->reserved, (std::array<std::int32_t, 4>{}));
    EXPECT_EQ(record->version, (std::array<std::int32_t, 4>{1, 2, 28, 9}));
    EXPECT_EQ(log.Text(), "MCU_GET_DSPFLASH_VER\nflashver = 01022809\n");
}

TEST_F(McuDecoder, BootloaderVersionIsStoredWithoutMessage) {
    Decode(hex("0C DD 05"));
    EXPECT_EQ(device->mBootloaderVersion, 5);
    EXPECT_TRUE(sink.Take().empty());
}

TEST_F(McuDecoder, PasswordAndRemark) {
    Decode(hex("0D DD 03 61 62 63 02 78 79"));
    auto posted = Single(WM_READ_MCU_VALUE);
    const auto* record = dynamic_cast<McuPasswordRecord*>(posted.message.record.get());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->passwordLength, 3);
    EXPECT_EQ(std::string(record->password.begin(), record->password.begin() + 3), "abc");
    EXPECT_EQ(record->remarkLength, 2);
    EXPECT_EQ(std::string(record->remark.begin(), record->remark.begin() + 2), "xy");
}

TEST_F(McuDecoder, LengthBytesNeverReachPastFieldsOrFrame) {
    // Claims 200 password bytes: only what the field holds and the frame carries is taken.
    std::vector<std::uint8_t> packet = hex("0D DD C8");
    packet.insert(packet.end(), 30, 0x70);
    Decode(packet);
    auto posted = Single(WM_READ_MCU_VALUE);
    const auto* password = dynamic_cast<McuPasswordRecord*>(posted.message.record.get());
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(password->passwordLength, 12);
    EXPECT_EQ(password->remarkLength, 0);

    // A remark length past the end of the frame, and a remark claiming more than 20.
    Decode(hex("0D DD 02 41 42"));
    posted = Single(WM_READ_MCU_VALUE);
    password = dynamic_cast<McuPasswordRecord*>(posted.message.record.get());
    EXPECT_EQ(password->passwordLength, 2);
    EXPECT_EQ(password->remarkLength, 0);
    packet = hex("0D DD 00 FF");
    packet.insert(packet.end(), 40, 0x72);
    Decode(packet);
    posted = Single(WM_READ_MCU_VALUE);
    password = dynamic_cast<McuPasswordRecord*>(posted.message.record.get());
    EXPECT_EQ(password->remarkLength, 20);

    // The data block claims 40 bytes but holds 16 at most.
    packet = hex("41 DD 28");
    packet.insert(packet.end(), 40, 0x33);
    Decode(packet);
    posted = Single(WM_READ_MCU_VALUE);
    const auto* block = dynamic_cast<McuDataBlockRecord*>(posted.message.record.get());
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->length, 16);
    Decode(hex("41 DD 05 01 02"));
    posted = Single(WM_READ_MCU_VALUE);
    block = dynamic_cast<McuDataBlockRecord*>(posted.message.record.get());
    EXPECT_EQ(block->length, 2);
}

TEST_F(McuDecoder, ShortFramesPostNothing) {
    for (const char* packet : {"", "08", "08 DD", "08 DD 00 4D", "0B DD 01 02 03", "91 DD 03",
                               "92 DD", "0D DD", "41 DD", "0C DD"}) {
        SCOPED_TRACE(packet);
        Decode(hex(packet));
        EXPECT_TRUE(sink.Take().empty());
    }
    EXPECT_EQ(device->mcu_is_normal_mode, 0);
    EXPECT_EQ(device->model, -1);
}

TEST_F(McuDecoder, WrongOperationTypeChangesNothing) {
    for (const char* packet :
         {"08 BB 00 4D 02 1C", "08 EE 00 4D 02 1C", "0B 66 01 02 03 04", "91 EE 03 E8", "92 BB 05",
          "93 66", "0D BB 01 41 00", "41 66 01 01", "0C EE 09"}) {
        SCOPED_TRACE(packet);
        Decode(hex(packet));
        EXPECT_TRUE(sink.Take().empty());
    }
    EXPECT_EQ(device->model, -1);
    EXPECT_EQ(device->mBootloaderVersion, 0);
}

TEST_F(McuDecoder, UnknownCodesAreLoggedAndIgnoredCodesAreSilent) {
    testing_support::LogCapture log;
    Decode(hex("09 DD 01"));
    Decode(hex("60 BB"));
    for (const char* ignored :
         {"05 DD", "06 EE 0A", "07 DD", "0A DD", "1F EE 0A", "8F EE 0A", "90 EE 0A"}) {
        Decode(hex(ignored));
    }
    EXPECT_TRUE(sink.Take().empty());
    EXPECT_EQ(log.Text(), "!!! NOT SUPPORT MSG\nMCU INIT\n");
}

TEST_F(McuDecoder, UpgradeAcknowledgementsMoveTheTransferState) {
    for (const std::uint8_t enter : {MCU_ENTER_UPG_MODE, BL_ENTER_UPG_MODE}) {
        device->sys_upg_status = UPG_ENTER;
        Decode({enter, OP_ACK, ACK_NOT_READY});
        EXPECT_EQ(device->sys_upg_status, UPG_ENTER);
        Decode({enter, OP_ACK, ACK_READY});
        EXPECT_EQ(device->sys_upg_status, UPG_START);
    }
    for (const std::uint8_t start : {MCU_UPG_START, BL_UPG_START}) {
        device->sys_upg_status = UPG_START;
        Decode({start, OP_ACK, ACK_READY});
        EXPECT_EQ(device->sys_upg_status, UPG_SEND_DATA);
        Decode({start, OP_ACK, ACK_NOT_READY});
        EXPECT_EQ(device->sys_upg_status, UPG_FAIL);
    }
    for (const std::uint8_t data : {MCU_UPG_DATA, BL_UPG_DATA}) {
        // Outside the wait for a block's acknowledgement nothing changes.
        device->sys_upg_status = UPG_SEND_DATA;
        device->mUpgPhase = 0;
        Decode({data, OP_ACK, ACK_NOT_READY});
        Decode({data, OP_ACK, ACK_READY});
        EXPECT_EQ(device->sys_upg_status, UPG_SEND_DATA);
        EXPECT_EQ(device->mUpgPhase, 0);

        device->sys_upg_status = UPG_WAITING_BIN_DATA_ACK;
        Decode({data, OP_ACK, ACK_NOT_READY});
        EXPECT_EQ(device->sys_upg_status, UPG_WAITING_BIN_DATA_ACK);
        EXPECT_EQ(device->mUpgPhase, 1);
        Decode({data, OP_ACK, ACK_READY});
        EXPECT_EQ(device->sys_upg_status, UPG_SEND_DATA);
    }
    EXPECT_TRUE(sink.Take().empty());
}

TEST_F(McuDecoder, FinishAcknowledgementIsLoggedOnlyAfterFinish) {
    testing_support::LogCapture log;
    device->sys_upg_status = UPG_SEND_DATA;
    Decode({MCU_UPG_FINISH, OP_ACK, ACK_READY});
    device->sys_upg_status = UPG_FINISH;
    Decode({BL_UPG_FINISH, OP_ACK, ACK_READY});
    EXPECT_EQ(log.Text(), "MCU UPG_FINISH: ACK_READY\n\n");
}

// --- Encoders -------------------------------------------------------------------------

class McuEncoders : public LinkTest {
  protected:
    void SetUp() override {
        LinkTest::SetUp();
        Open();
    }
    std::string LastWrite(std::size_t bytes = 12) {
        const auto writes = backend.last->Writes();
        if (writes.empty()) {
            return "(nothing written)";
        }
        return ToHex(std::span<const std::uint8_t>(writes.back().data(), bytes));
    }

    static std::uint32_t FakeTick() { return sNow.load(); }
    static inline std::atomic<std::uint32_t> sNow{0};
};

TEST_F(McuEncoders, FramesOfTheSystemCommands) {
    device->CloseHIDDevice(false);
    OpenAnswering();
    device->PC_Connect(1);
    EXPECT_EQ(LastWrite(9), "00 aa 55 04 03 1f bb 01 1e");
    device->Hand_Connect();
    EXPECT_EQ(LastWrite(8), "00 aa 55 03 03 08 bb 37");
    device->Set_Power_Off_Time(1000, true);
    EXPECT_EQ(LastWrite(10), "00 aa 55 05 03 91 bb 03 e8 c1");
    device->Set_Acc(200, true);
    EXPECT_EQ(LastWrite(9), "00 aa 55 04 03 92 bb c8 e4");
    const std::uint8_t pw[] = {'1', '2'};
    const std::uint8_t remark[] = {'r'};
    device->SetPWD(pw, remark);
    EXPECT_EQ(LastWrite(13), "00 aa 55 08 03 0d bb 02 31 32 01 72 55");
}

TEST_F(McuEncoders, RequestsWaitForTheirReply) {
    backend.last->Reply(testing_support::Report(Frame(CMD_MCU, 0x92, OP_UPDATE, {0x05})));
    EXPECT_TRUE(device->Get_Acc());
    EXPECT_EQ(LastWrite(8), "00 aa 55 03 03 92 66 02");
    auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message.lParam, 5);

    // No reply within the short wait of the version requests.
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(device->Get_Flash_Version());
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(2000));
}

TEST_F(McuEncoders, OverlongPasswordIsRefused) {
    const std::vector<std::uint8_t> pw(13, 'a');
    EXPECT_FALSE(device->SetPWD(pw, {}));
    EXPECT_TRUE(backend.last->Writes().empty());
}

TEST_F(McuEncoders, PingOnlyAfter400QuietMilliseconds) {
    device->SetTickSource(&McuEncoders::FakeTick);
    sNow = 10000;
    device->PC_Connect(1);  // a write at tick 10000
    const std::size_t writesAfterConnect = backend.last->Writes().size();

    testing_support::LogCapture log;
    sNow = 10399;
    EXPECT_TRUE(device->PingMsg());
    EXPECT_EQ(backend.last->Writes().size(), writesAfterConnect);
    sNow = 10400;
    EXPECT_TRUE(device->PingMsg());
    EXPECT_EQ(LastWrite(8), "00 aa 55 03 03 93 bb ac");
    const std::string text = log.Text();
    EXPECT_NE(text.find("skip ping as no need\n"), std::string::npos);
    EXPECT_NE(text.find("PingMsg\n"), std::string::npos);
}

}  // namespace
