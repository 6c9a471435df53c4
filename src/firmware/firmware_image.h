#pragma once
// The update files the link can write to the amplifier itself: a control-MCU application
// or boot-loader image, a DSP flash image, and a merged file carrying an MCU and a DSP
// image. Every file is read whole and checked (layout, identity, additive checksum) before
// a byte goes to the device; a rejected file leaves no payload behind.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/hid_device.h"

namespace tonvia::firmware {

// Loader and UpgradeStart results.
inline constexpr unsigned UPG_FILE_VALID = 0;
inline constexpr unsigned UPG_FILE_OPEN_FAIL = 1;
inline constexpr unsigned UPG_FILE_INVALID = 2;
inline constexpr unsigned UPG_CONNECT_FAIL = 3;
inline constexpr unsigned UPG_DEVICE_NOT_READY = 4;

// Upgrade targets.
inline constexpr std::uint8_t UPG_DEVICE_FLASH = 1;
inline constexpr std::uint8_t UPG_DEVICE_MCU = 2;
inline constexpr std::uint8_t UPG_DEVICE_BOOTLOADER = 3;

inline constexpr std::size_t kImageOverhead = 14;  // identity 2, HEAD 4, last 4, checksum 4
inline constexpr std::size_t kSingleImageLimit = 0x100000;
inline constexpr std::size_t kMergedImageLimit = 0x200000;
inline constexpr std::uint8_t kMergedMark = 0x73;

// What the loaders leave for the transfer, kept until it ends.
struct UpgradeImages {
    std::uint8_t upg_device = 0;
    bool noCheckID = false;  // no window sets it; tests do
    std::uint8_t FW_ID = 0;
    std::uint8_t FW_MODEL_ID = 0;
    std::array<std::uint8_t, 4> mcuHead{};
    std::array<std::uint8_t, 4> dspHead{};
    std::vector<std::uint8_t> mcuPayload;
    std::uint32_t mcuSize = 0;
    std::uint32_t mcuRemaining = 0;
    std::vector<std::uint8_t> dspPayload;
    std::uint32_t dspSize = 0;
    std::uint32_t dspSent = 0;

    void ReleaseMcu();
    void ReleaseDsp();
};

// The checks of one image in memory. `requiredId` 0 takes any FW_ID (the DSP flash
// loader does not look at it). On success the identity, HEAD and payload are returned
// through `out`.
struct SingleImage {
    std::uint8_t fwId = 0;
    std::uint8_t modelId = 0;
    std::array<std::uint8_t, 4> head{};
    std::vector<std::uint8_t> payload;
};
unsigned CheckSingleImage(std::span<const std::uint8_t> bytes, std::uint8_t requiredId,
                          std::uint8_t modelId, bool noCheckID, const char* kind, SingleImage& out);
// A merged file in memory: both parts checked, both payloads kept, the DSP flash target.
unsigned CheckMergedImage(std::span<const std::uint8_t> bytes, std::uint8_t modelId,
                          UpgradeImages& images);

// The loaders. The three single-image loaders return UPG_CONNECT_FAIL without opening the
// file while no device is connected; each sets its target and the first transfer state.
unsigned MCUUpgParsingFile(CHidDevice& link, UpgradeImages& images, const std::string& path);
unsigned MCUUpgBLParsingFile(CHidDevice& link, UpgradeImages& images, const std::string& path);
unsigned FlashUpgParsingFile(CHidDevice& link, UpgradeImages& images, const std::string& path);
unsigned ParsingUpgFWFile(CHidDevice& link, UpgradeImages& images, const std::string& path);

}  // namespace tonvia::firmware
