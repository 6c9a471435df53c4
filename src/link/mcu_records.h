#pragma once
// Records posted with WM_READ_MCU_VALUE. Zero-filled; owned by the message.

#include <array>
#include <cstdint>

#include "link/window_messages.h"

// System (MCU) command codes.
inline constexpr std::uint8_t MCU_ENTER_UPG_MODE = 0x01;
inline constexpr std::uint8_t MCU_UPG_START = 0x02;
inline constexpr std::uint8_t MCU_UPG_DATA = 0x03;
inline constexpr std::uint8_t MCU_UPG_FINISH = 0x04;
inline constexpr std::uint8_t MCU_HANDSHAKE = 0x08;
inline constexpr std::uint8_t MCU_GET_DSPFLASH_VER = 0x0B;
inline constexpr std::uint8_t MCU_BOOTLOADER_VER = 0x0C;
inline constexpr std::uint8_t MCU_PASSWORD = 0x0D;
inline constexpr std::uint8_t MCU_PC_CONNECT = 0x1F;
inline constexpr std::uint8_t MCU_DATA_BLOCK = 0x41;
inline constexpr std::uint8_t MCU_INIT = 0x60;
inline constexpr std::uint8_t MCU_REBOOT = 0x8F;
inline constexpr std::uint8_t MCU_FACTORY_DEFAULT = 0x90;
inline constexpr std::uint8_t MCU_POWER_OFF_DELAY = 0x91;
inline constexpr std::uint8_t MCU_ACC = 0x92;
inline constexpr std::uint8_t MCU_PING = 0x93;
inline constexpr std::uint8_t BL_ENTER_UPG_MODE = 0xA0;
inline constexpr std::uint8_t BL_UPG_START = 0xA1;
inline constexpr std::uint8_t BL_UPG_DATA = 0xA2;
inline constexpr std::uint8_t BL_UPG_FINISH = 0xA3;

// The handshake value that means the device is not running normally.
inline constexpr std::uint8_t MCU_STATUS_UNNORMAL = 0xF0;

struct McuHandshakeRecord : MessageRecord {
    std::int32_t reserved = 0;
    std::int32_t model = 0;
    std::int32_t mainVersion = 0;
    std::int32_t slaveVersion = 0;
};

struct McuFlashVersionRecord : MessageRecord {
    std::array<std::int32_t, 4> reserved{};
    std::array<std::int32_t, 4> version{};
};

struct McuPasswordRecord : MessageRecord {
    static constexpr std::size_t kPasswordSize = 12;
    static constexpr std::size_t kRemarkSize = 20;
    std::int32_t passwordLength = 0;  // bytes copied into `password`
    std::array<std::uint8_t, kPasswordSize> password{};
    std::int32_t remarkLength = 0;  // bytes copied into `remark`
    std::array<std::uint8_t, kRemarkSize> remark{};
};

struct McuDataBlockRecord : MessageRecord {
    static constexpr std::size_t kDataSize = 16;
    std::uint8_t length = 0;  // bytes copied into `data`
    std::array<std::uint8_t, kDataSize> data{};
};
