// The direct upgrade against the virtual amplifier: block order and sizes, progress, the
// reconnection into the upgrade firmware, and the ends of a transfer.
#include "firmware/upgrade.h"

#include "firmware/install.h"

#include <gtest/gtest.h>

#include "firmware_fixture.h"
#include "sim/virtual_amplifier.h"
#include "tuning/session.h"

namespace {

using namespace tonvia::firmware;
using firmware_testing::Bytes;
using firmware_testing::MakeImage;
using firmware_testing::Payload;

constexpr UpgradeTimings kQuick{std::chrono::milliseconds(2000), std::chrono::milliseconds(400),
                                std::chrono::milliseconds(100), 20};

class Upgrade : public ::testing::Test {
  protected:
    // Every second block is answered "not ready" first.
    static tonvia::sim::Options Patient() {
        tonvia::sim::Options options;
        options.notReadyEvery = 2;
        return options;
    }
    Upgrade() : amp(Patient()), session(amp) {
        session.Link().OpenHIDDevice();
        session.Link().Hand_Connect();  // the amplifier runs its normal firmware
        amp.ClearRequests();
    }
    // Steps until the end; the distinct progress values on the way, the last the result.
    std::vector<int> Run(Upgrader& upgrader, const std::function<void(int)>& onProgress = {}) {
        std::vector<int> seen;
        for (int step = 0; step < 20000; ++step) {
            const int value = upgrader.UpgradeStep();
            if (seen.empty() || seen.back() != value) {
                seen.push_back(value);
                if (onProgress) {
                    onProgress(value);
                }
            }
            if (value == kUpgradeSucceeded || value == kUpgradeFailed) {
                break;
            }
        }
        return seen;
    }
    std::vector<tonvia::sim::Request> Sent(std::uint8_t type, std::uint8_t subcmd) {
        std::vector<tonvia::sim::Request> out;
        for (const auto& r : amp.Requests()) {
            if (r.type == type && r.subcmd == subcmd) {
                out.push_back(r);
            }
        }
        return out;
    }
    static std::uint32_t Offset(const tonvia::sim::Request& r) {
        return (std::uint32_t{r.data[0]} << 24) | (std::uint32_t{r.data[1]} << 16) |
               (std::uint32_t{r.data[2]} << 8) | r.data[3];
    }

    tonvia::sim::VirtualAmplifier amp;
    tonvia::tuning::Session session;
};

TEST_F(Upgrade, AnMcuImageTravelsBackwardsInBlocksOf32AndArrivesWhole) {
    const Bytes payload = Payload(100);
    const std::string path =
        firmware_testing::WriteTemp("tonvia_mcu_upg.bin", MakeImage(1, 77, payload, {1, 2, 3, 4}));
    Upgrader upgrader(session.Link(), kQuick);
    ASSERT_EQ(upgrader.UpgradeStart(path, false), UPG_FILE_VALID);  // lower case selects it
    EXPECT_EQ(Run(upgrader), (std::vector<int>{4, 36, 68, 100, kUpgradeSucceeded}));

    std::vector<std::uint32_t> offsets;
    for (const auto& block : Sent(3, 0x03)) {
        offsets.push_back(Offset(block));
        EXPECT_EQ(block.data.size(), 36u);
    }
    // Each not-ready acknowledgement was waited out, not answered with the next block.
    EXPECT_EQ(offsets, (std::vector<std::uint32_t>{96, 64, 32, 0}));
    EXPECT_EQ(Sent(3, 0x04).size(), 1u);
    const auto state = amp.Snapshot();
    ASSERT_FALSE(state.images.empty());
    const auto& image = state.images.back();
    EXPECT_TRUE(image.finished);
    EXPECT_EQ(image.head, (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(Bytes(image.bytes.begin(), image.bytes.begin() + 100), payload);
    EXPECT_EQ(session.Link().sys_upg_status.load(), UPG_IDLE);
}

TEST_F(Upgrade, ADspImageTravelsForwardsInBlocksOf50AndTheMcuRestartsAfterIt) {
    const Bytes payload = Payload(120);
    const std::string path =
        firmware_testing::WriteTemp("X_FLASH_UPG.BIN", MakeImage(2, 77, payload));
    Upgrader upgrader(session.Link(), kQuick);
    ASSERT_EQ(upgrader.UpgradeStart(path, false), UPG_FILE_VALID);
    EXPECT_EQ(Run(upgrader), (std::vector<int>{41, 83, 100, kUpgradeSucceeded}));
    std::vector<std::pair<std::uint32_t, int>> blocks;
    for (const auto& block : Sent(2, 0x04)) {
        blocks.emplace_back(Offset(block), block.data[4]);
    }
    EXPECT_EQ(blocks, (std::vector<std::pair<std::uint32_t, int>>{{0, 50}, {50, 50}, {100, 20}}));
    const auto all = amp.Requests();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[all.size() - 2].subcmd, 0x05);  // finish, then the restart
    EXPECT_EQ(all.back().subcmd, 0x8F);
    EXPECT_EQ(amp.Snapshot().images.back().bytes, payload);
}

TEST_F(Upgrade, AnUnplugMidwayFailsAndLeavesTheBootLoader) {
    const std::string path =
        firmware_testing::WriteTemp("A_MCU_UPG.BIN", MakeImage(1, 77, Payload(3200)));
    Upgrader upgrader(session.Link(), kQuick);
    ASSERT_EQ(upgrader.UpgradeStart(path, false), UPG_FILE_VALID);
    const auto seen = Run(upgrader, [&](int progress) {
        if (progress >= 30 && amp.IsPlugged()) {
            amp.Unplug();
            session.Link().CloseHIDDevice(false);  // what the page does on the removal
        }
    });
    EXPECT_EQ(seen.back(), kUpgradeFailed);
    EXPECT_TRUE(amp.Snapshot().bootLoaderMode);
    EXPECT_EQ(session.Link().sys_upg_status.load(), UPG_IDLE);
}

TEST(UpgradeStart, ARefusedStartStopsMcuAndFlashAtOnceAndTheBootLoaderAtItsFirstStep) {
    tonvia::sim::Options options;
    options.refuseUpgradeStart = true;
    struct Case {
        const char* name;
        std::uint8_t fwId;
        unsigned start;
        int firstStep;  // -1: no step follows
    };
    const Case cases[] = {
        {"a_MCU_UPG.BIN", 1, UPG_DEVICE_NOT_READY, -1},
        {"a_FLASH_UPG.BIN", 2, UPG_DEVICE_NOT_READY, -1},
        {"a_BL_UPG.BIN", 1, UPG_FILE_VALID, kUpgradeFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tonvia::sim::VirtualAmplifier amp(options);
        tonvia::tuning::Session session(amp);
        session.Link().OpenHIDDevice();
        session.Link().Hand_Connect();
        const std::string path =
            firmware_testing::WriteTemp(c.name, MakeImage(c.fwId, 77, Payload(64)));
        Upgrader upgrader(session.Link(), kQuick);
        EXPECT_EQ(upgrader.UpgradeStart(path, false), c.start);
        if (c.firstStep >= 0) {
            EXPECT_EQ(upgrader.UpgradeStep(), c.firstStep);
        }
        EXPECT_EQ(session.Link().sys_upg_status.load(), UPG_IDLE);
        EXPECT_TRUE(amp.Snapshot().images.empty());
    }
}

TEST_F(Upgrade, AnMcuImageOfWholeBlocksStartsWithAFullBlock) {
    const std::string path =
        firmware_testing::WriteTemp("B_MCU_UPG.BIN", MakeImage(1, 77, Payload(64)));
    Upgrader upgrader(session.Link(), kQuick);
    ASSERT_EQ(upgrader.UpgradeStart(path, false), UPG_FILE_VALID);
    EXPECT_EQ(Run(upgrader), (std::vector<int>{50, 100, kUpgradeSucceeded}));
    std::vector<std::uint32_t> offsets;
    for (const auto& block : Sent(3, 0x03)) {
        offsets.push_back(Offset(block));
    }
    EXPECT_EQ(offsets, (std::vector<std::uint32_t>{32, 0}));
}

TEST_F(Upgrade, NamesChooseTheFlowAndADownloadScriptSendsNothing) {
    Upgrader upgrader(session.Link(), kQuick);
    EXPECT_EQ(upgrader.UpgradeStart("C:\\fw\\Download.Bat", false), UPG_FILE_VALID);
    EXPECT_EQ(upgrader.UpgradeStart("/tmp/readme.txt", false), UPG_FILE_INVALID);
    EXPECT_EQ(upgrader.UpgradeStart("/nonexistent/v2_MCU_UPG.BIN", false), UPG_FILE_OPEN_FAIL);
    EXPECT_TRUE(amp.Requests().empty());
    EXPECT_EQ(session.Link().sys_upg_status.load(), UPG_IDLE);
}

TEST(UpgradeProgress, TheCreepSlowsAfterTenPercentAndUpdateFilesAreToldFromPackages) {
    int percent = 0;
    int ticks = 0;
    for (int tick = 0; tick < 10; ++tick) {
        percent = CreepProgress(percent, ticks);
    }
    EXPECT_EQ(percent, 10);
    percent = CreepProgress(percent, ticks);
    EXPECT_EQ(percent, 11);  // 10 x 1 reaches 10
    percent = CreepProgress(percent, ticks);
    EXPECT_EQ(percent, 11);  // 11 needs two ticks
    for (int tick = 0; tick < 5000; ++tick) {
        percent = CreepProgress(percent, ticks);
    }
    EXPECT_EQ(percent, 80);
    EXPECT_TRUE(IsDirectUpdateFile("C:\\fw\\pvq6_mcu_upg.bin"));
    EXPECT_TRUE(IsDirectUpdateFile("/x/A_UPG_FW.BIN"));
    EXPECT_FALSE(IsDirectUpdateFile("/x/readme.txt"));
    const std::string package =
        firmware_testing::WriteTemp("PVQ6_MCU_UPG.bin", {'P', 'K', 3, 4, 0});
    EXPECT_FALSE(IsDirectUpdateFile(package));  // a package of the same name
    const std::string image =
        firmware_testing::WriteTemp("PVQ6_MCU_UPG.bin", MakeImage(1, 77, Payload(4)));
    EXPECT_TRUE(IsDirectUpdateFile(image));
}

}  // namespace
