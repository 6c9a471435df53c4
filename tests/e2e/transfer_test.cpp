// Firmware images sent block by block with the link's send and read calls, as the upgrade
// steps do, and what the amplifier keeps of them.
#include <numeric>

#include "commands/command_codes.h"
#include "e2e_fixture.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;
using tonvia::sim::FirmwareTarget;
using Bytes = std::vector<std::uint8_t>;

Bytes Image(std::size_t size) {
    Bytes image(size);
    for (std::size_t i = 0; i < size; ++i) {
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return image;
}

void PutBe32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

class TransferTest : public AmplifierLinkTest {
  protected:
    static constexpr std::array<std::uint8_t, 4> kHead{0x11, 0x22, 0x33, 0x44};

    // Sends one command and reads one reply.
    void SendAndRead(std::uint8_t type, std::uint8_t code, const Bytes& data = {}) {
        ASSERT_TRUE(link.SendCtrlCommand(type, code, OP_SET, data));
        ASSERT_TRUE(link.ReadHIDData(1000));
    }

    // The enter-upgrade acknowledgement, then the amplifier restarts into its upgrade
    // firmware and is opened again.
    void EnterUpgradeMode() {
        SendAndRead(CMD_MCU, MCU_ENTER_UPG_MODE);
        EXPECT_EQ(link.sys_upg_status.load(), UPG_START);
        ReopenAfterRestart();
        EXPECT_TRUE(amp.Snapshot().bootLoaderMode);
    }

    void ReopenAfterRestart() {
        ASSERT_TRUE(amp.WaitForPlugged(false, 2s));
        ASSERT_TRUE(amp.WaitForPlugged(true, 2s));
        link.CloseHIDDevice(false);
        link.OpenHIDDevice();
        ASSERT_TRUE(link.IsConnected());
    }

    // One data block: sent while waiting for its acknowledgement, then read until the
    // ready acknowledgement moves the state on. Returns how many "not ready" came first.
    int SendBlock(std::uint8_t type, std::uint8_t code, const Bytes& data) {
        link.sys_upg_status.store(UPG_WAITING_BIN_DATA_ACK);
        EXPECT_TRUE(link.SendCtrlCommand(type, code, OP_SET, data));
        int notReady = 0;
        for (int read = 0; read < 4 && link.sys_upg_status.load() != UPG_SEND_DATA; ++read) {
            link.mUpgPhase.store(0);
            EXPECT_TRUE(link.ReadHIDData(1000));
            notReady += link.mUpgPhase.load() == 1 ? 1 : 0;
        }
        EXPECT_EQ(link.sys_upg_status.load(), UPG_SEND_DATA);
        return notReady;
    }
};

TEST_F(TransferTest, McuImageTravelsFromItsTailInBlocksOf32) {
    const Bytes image = Image(100);
    link.sys_upg_status.store(UPG_ENTER);
    EnterUpgradeMode();
    SendAndRead(CMD_MCU, MCU_UPG_START, Bytes(kHead.begin(), kHead.end()));
    ASSERT_EQ(link.sys_upg_status.load(), UPG_SEND_DATA);

    std::vector<std::size_t> offsets;
    int notReady = 0;
    std::size_t remaining = image.size();
    while (remaining > 0) {
        const std::size_t length =
            remaining == image.size() && image.size() % 32 != 0 ? image.size() % 32 : 32;
        remaining -= length;
        Bytes data;
        PutBe32(data, static_cast<std::uint32_t>(remaining));
        data.insert(data.end(), image.begin() + static_cast<std::ptrdiff_t>(remaining),
                    image.begin() + static_cast<std::ptrdiff_t>(remaining + length));
        data.resize(36, 0);
        offsets.push_back(remaining);
        notReady += SendBlock(CMD_MCU, MCU_UPG_DATA, data);
    }
    EXPECT_EQ(offsets, (std::vector<std::size_t>{96, 64, 32, 0}));
    EXPECT_EQ(notReady, 1);  // the third block was asked to wait once

    link.sys_upg_status.store(UPG_FINISH);
    SendAndRead(CMD_MCU, MCU_UPG_FINISH);
    EXPECT_EQ(link.sys_upg_status.load(), UPG_FINISH);

    const auto state = amp.Snapshot();
    ASSERT_EQ(state.images.size(), 1u);
    const auto& kept = state.images[0];
    EXPECT_EQ(kept.target, FirmwareTarget::Mcu);
    EXPECT_EQ(kept.head, kHead);
    EXPECT_TRUE(kept.finished);
    EXPECT_EQ(kept.blocks, 4);
    ASSERT_EQ(kept.bytes.size(), 128u);  // the tail block is padded to 32
    EXPECT_EQ(Bytes(kept.bytes.begin(), kept.bytes.begin() + 100), image);
    EXPECT_EQ(Bytes(kept.bytes.begin() + 100, kept.bytes.end()), Bytes(28, 0));

    // The new firmware starts in normal mode.
    ReopenAfterRestart();
    ASSERT_TRUE(link.Hand_Connect());
    EXPECT_EQ(link.mcu_is_normal_mode.load(), 1);
}

TEST_F(TransferTest, DspImageTravelsFromItsStartInBlocksOf50) {
    const Bytes image = Image(120);
    link.sys_upg_status.store(UPG_START);
    SendAndRead(CMD_FLASH, FLASH_CHIP_ERASE);
    EXPECT_EQ(link.sys_upg_status.load(), UPG_ERASED);
    EnterUpgradeMode();
    SendAndRead(CMD_FLASH, FLASH_UPG_START, Bytes(kHead.begin(), kHead.end()));
    ASSERT_EQ(link.sys_upg_status.load(), UPG_SEND_DATA);

    std::vector<std::pair<std::size_t, std::size_t>> blocks;
    int notReady = 0;
    for (std::size_t sent = 0; sent < image.size();) {
        const std::size_t count = std::min<std::size_t>(50, image.size() - sent);
        Bytes data;
        PutBe32(data, static_cast<std::uint32_t>(sent));
        data.push_back(static_cast<std::uint8_t>(count));
        data.insert(data.end(), image.begin() + static_cast<std::ptrdiff_t>(sent),
                    image.begin() + static_cast<std::ptrdiff_t>(sent + count));
        blocks.emplace_back(sent, count);
        notReady += SendBlock(CMD_FLASH, FLASH_UPG_DATA, data);
        sent += count;
    }
    EXPECT_EQ(blocks,
              (std::vector<std::pair<std::size_t, std::size_t>>{{0, 50}, {50, 50}, {100, 20}}));
    EXPECT_EQ(notReady, 1);

    link.sys_upg_status.store(UPG_FINISH);
    SendAndRead(CMD_FLASH, FLASH_UPG_FINISH);
    EXPECT_EQ(link.sys_upg_status.load(), UPG_FINISH);
    EXPECT_TRUE(link.MCU_Reboot_Ctrl());

    const auto state = amp.Snapshot();
    ASSERT_EQ(state.images.size(), 1u);
    const auto& kept = state.images[0];
    EXPECT_EQ(kept.target, FirmwareTarget::DspFlash);
    EXPECT_TRUE(kept.erased);
    EXPECT_TRUE(kept.finished);
    EXPECT_EQ(kept.head, kHead);
    EXPECT_EQ(kept.blocks, 3);
    EXPECT_EQ(kept.bytes, image);

    ReopenAfterRestart();
    ASSERT_TRUE(link.Hand_Connect());
    EXPECT_EQ(link.mcu_is_normal_mode.load(), 1);
}

TEST_F(TransferTest, RefusedStartFailsTheTransfer) {
    link.sys_upg_status.store(UPG_ENTER);
    EnterUpgradeMode();
    SendAndRead(CMD_MCU, MCU_UPG_START, Bytes{0x11, 0x22});  // a head cut short
    EXPECT_EQ(link.sys_upg_status.load(), UPG_FAIL);
    EXPECT_TRUE(amp.Snapshot().images.empty());
}

}  // namespace
}  // namespace e2e
