// The update files' checks: layout, identity, checksum and the size limits.
#include <gtest/gtest.h>

#include "firmware/firmware_image.h"
#include "firmware_fixture.h"
#include "sim/virtual_amplifier.h"
#include "tuning/session.h"

namespace {

using namespace tonvia::firmware;
using firmware_testing::Bytes;
using firmware_testing::MakeImage;
using firmware_testing::MakeMerged;
using firmware_testing::Payload;

constexpr std::uint8_t kModel = 77;

TEST(FirmwareImage, SingleImagesAreCheckedByIdentityAndSum) {
    const Bytes example = {0x01, 0x4D, 0x00, 0x00, 0x00, 0x01, 0xAA, 0x00,
                           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF9};
    Bytes changed = MakeImage(1, kModel, Payload(40));
    changed[20] ^= 0x10;
    Bytes compensated = MakeImage(1, kModel, Payload(40));
    compensated[20] = static_cast<std::uint8_t>(compensated[20] + 1);
    compensated[21] = static_cast<std::uint8_t>(compensated[21] - 1);
    Bytes head = MakeImage(1, kModel, Payload(40));
    head[3] ^= 1;
    Bytes last = MakeImage(1, kModel, Payload(40));
    last[last.size() - 6] ^= 1;
    struct Case {
        const char* what;
        Bytes bytes;
        std::uint8_t requiredId;  // 1 MCU, 0 DSP flash (any id)
        bool noCheckID;
        unsigned result;
    };
    const Case cases[] = {
        {"the 15-byte example", example, 1, false, UPG_FILE_VALID},
        {"another model", MakeImage(1, 78, Payload(8)), 1, false, UPG_FILE_INVALID},
        {"another model, unchecked", MakeImage(1, 78, Payload(8)), 1, true, UPG_FILE_VALID},
        {"a DSP image for the MCU", MakeImage(2, kModel, Payload(8)), 1, false, UPG_FILE_INVALID},
        {"any id for the DSP flash", MakeImage(1, kModel, Payload(8)), 0, false, UPG_FILE_VALID},
        {"a changed payload byte", changed, 1, false, UPG_FILE_INVALID},
        {"a change compensated", compensated, 1, false, UPG_FILE_VALID},
        {"a changed HEAD", head, 1, false, UPG_FILE_INVALID},
        {"a changed trailer", last, 1, false, UPG_FILE_INVALID},
        {"no payload", MakeImage(1, kModel, {}), 1, false, UPG_FILE_INVALID},
        {"shorter than its frame", Bytes{1, 77, 0, 0}, 1, false, UPG_FILE_INVALID},
        {"empty", Bytes{}, 0, false, UPG_FILE_INVALID},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SingleImage image;
        EXPECT_EQ(CheckSingleImage(c.bytes, c.requiredId, kModel, c.noCheckID, "test", image),
                  c.result);
        if (c.result == UPG_FILE_VALID) {
            EXPECT_EQ(image.payload.size(), c.bytes.size() - kImageOverhead);
        }
    }
    SingleImage image;
    ASSERT_EQ(CheckSingleImage(example, 1, kModel, false, "test", image), UPG_FILE_VALID);
    EXPECT_EQ(image.payload, Bytes{0xAA});
    EXPECT_EQ(image.head, (std::array<std::uint8_t, 4>{0, 0, 0, 1}));
}

TEST(FirmwareImage, MergedFilesNeedTheMarkBothPartsAndATableInsideTheFile) {
    const Bytes mcu = MakeImage(1, kModel, Payload(33));
    const Bytes dsp = MakeImage(2, kModel, Payload(70), {9, 8, 7, 6});
    Bytes pastEnd = MakeMerged(mcu, dsp);
    pastEnd[10] = 0xFF;  // the DSP size
    struct Case {
        const char* what;
        Bytes bytes;
        unsigned result;
    };
    const Case cases[] = {
        {"mark in the first byte", MakeMerged(mcu, dsp), UPG_FILE_VALID},
        {"mark in the second byte", MakeMerged(mcu, dsp, 2, 0x00, 0x73), UPG_FILE_VALID},
        {"three entries: data at 15", MakeMerged(mcu, dsp, 3), UPG_FILE_VALID},
        {"no mark", MakeMerged(mcu, dsp, 2, 0x00, 0x00), UPG_FILE_INVALID},
        {"one entry", MakeMerged(mcu, dsp, 1), UPG_FILE_INVALID},
        {"a table past the end", pastEnd, UPG_FILE_INVALID},
        {"parts swapped", MakeMerged(dsp, mcu), UPG_FILE_INVALID},
        {"just the mark", Bytes{0x73, 0x00, 0x05}, UPG_FILE_INVALID},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UpgradeImages images;
        EXPECT_EQ(CheckMergedImage(c.bytes, kModel, images), c.result);
        if (c.result == UPG_FILE_VALID) {
            EXPECT_EQ(images.upg_device, UPG_DEVICE_FLASH);
            EXPECT_EQ(images.dspPayload, Payload(70));
            EXPECT_EQ(images.mcuPayload, Payload(33));
            EXPECT_EQ(images.dspHead, (std::array<std::uint8_t, 4>{9, 8, 7, 6}));
        }
    }
}

TEST(FirmwareImage, FileLoadersCheckTheDeviceTheFileAndItsSize) {
    tonvia::sim::VirtualAmplifier amp;
    tonvia::tuning::Session session(amp);
    CHidDevice& link = session.Link();
    UpgradeImages images;
    const std::string missing = "/nonexistent/x_MCU_UPG.BIN";
    // Without a device the file is not even opened; the merged loader does not ask.
    EXPECT_EQ(MCUUpgParsingFile(link, images, missing), UPG_CONNECT_FAIL);
    EXPECT_EQ(ParsingUpgFWFile(link, images, missing), UPG_FILE_INVALID);
    link.OpenHIDDevice();
    EXPECT_EQ(MCUUpgParsingFile(link, images, missing), UPG_FILE_OPEN_FAIL);
    EXPECT_EQ(link.sys_upg_status.load(), UPG_IDLE);  // a refused file leaves no upgrade

    const std::size_t limitPayload = kSingleImageLimit - kImageOverhead;
    const std::string largest =
        firmware_testing::WriteTemp("largest", MakeImage(2, kModel, Payload(limitPayload)));
    EXPECT_EQ(FlashUpgParsingFile(link, images, largest), UPG_FILE_VALID);
    EXPECT_EQ(images.dspSize, limitPayload);
    EXPECT_EQ(link.sys_upg_status.load(), UPG_START);
    const std::string larger =
        firmware_testing::WriteTemp("larger", MakeImage(2, kModel, Payload(limitPayload + 1)));
    EXPECT_EQ(FlashUpgParsingFile(link, images, larger), UPG_FILE_INVALID);
    EXPECT_TRUE(images.dspPayload.empty());
    EXPECT_EQ(link.sys_upg_status.load(), UPG_IDLE);
    link.CloseHIDDevice(false);
}

}  // namespace
