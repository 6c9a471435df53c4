#include "firmware/upgrade.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <thread>

#include "commands/command_codes.h"
#include "link/frame.h"
#include "link/mcu_records.h"
#include "platform/log.h"

namespace tonvia::firmware {

namespace {

constexpr std::uint32_t kMcuBlock = 32;
constexpr std::uint32_t kDspBlock = 50;

constexpr std::int16_t kPhaseSend = 0;
constexpr std::int16_t kPhaseSent = 1;
constexpr std::int16_t kPhaseRead = 2;
constexpr std::int16_t kPhaseEnded = 3;

// The file name after the last separator, upper-cased (names are matched in any case).
std::string UpperFileName(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name;
}

void PutBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 24));
    out.push_back(static_cast<std::uint8_t>(value >> 16));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

}  // namespace

bool Upgrader::Send(std::uint8_t cmd, std::uint8_t subcmd, std::span<const std::uint8_t> data,
                    bool wait) {
    if (wait) {
        return mLink.SendAndWait(cmd, subcmd, OP_SET, data,
                                 static_cast<int>(mTimings.replyWait.count()));
    }
    return mLink.SendCtrlCommand(cmd, subcmd, OP_SET, data);
}

unsigned Upgrader::UpgradeStart(const std::string& path, bool erase) {
    const std::string name = UpperFileName(path);
    LogPrintA("UpgradeStart %s\n", name.c_str());
    auto contains = [&name](const char* pattern) {
        return name.find(pattern) != std::string::npos;
    };
    unsigned result = UPG_FILE_VALID;
    if (contains("FLASH_UPG.BIN") || contains("MCU_UPG.BIN") || contains("BL_UPG.BIN") ||
        contains("UPG_FW.BIN")) {
        mImages.dspSent = 0;
        mImages.mcuRemaining = 0;
        if (contains("BL_UPG.BIN")) {
            LogPrintA("before MCUUpgBLParsingFile\n");
            result = MCUUpgBLParsingFile(mLink, mImages, path);
        } else if (contains("FLASH_UPG.BIN")) {
            LogPrintA("before FlashUpgParsingFile\n");
            result = FlashUpgParsingFile(mLink, mImages, path);
        } else if (contains("MCU_UPG.BIN")) {
            LogPrintA("before MCUUpgParsingFile\n");
            result = MCUUpgParsingFile(mLink, mImages, path);
        } else {
            LogPrintA("before ParsingUpgFWFile\n");
            result = ParsingUpgFWFile(mLink, mImages, path);
        }
        LogPrintA("Parsing return 0x%0x\n", result);
        if (result != UPG_FILE_VALID) {
            return result;
        }
    } else if (contains("DOWNLOAD.BAT")) {
        // The download tool installs the package; nothing goes over the link.
        mImages.dspSent = 0;
        mImages.mcuRemaining = 0;
        mImages.dspSize = 1;
        mImages.mcuSize = 1;
        return UPG_FILE_VALID;
    } else {
        mLink.sys_upg_status.store(UPG_IDLE);
        LogPrintA("UpgradeStart UPG_FILE_INVALID\n");
        return UPG_FILE_INVALID;
    }

    const std::uint8_t target = mImages.upg_device;
    auto giveUp = [this](unsigned code) {
        mImages.ReleaseMcu();
        mImages.ReleaseDsp();
        mLink.sys_upg_status.store(UPG_IDLE);
        return code;
    };
    if (target == UPG_DEVICE_FLASH && erase) {
        // Only a confirmed erase lets the writing go on.
        Send(CMD_FLASH, FLASH_CHIP_ERASE, {}, true);
        if (mLink.sys_upg_status.load() != UPG_ERASED) {
            return giveUp(UPG_DEVICE_NOT_READY);
        }
    }
    // Set just before the enter command, so that only its acknowledgement makes it
    // UPG_START (the flash loader's own UPG_START would pass an unanswered enter).
    mLink.sys_upg_status.store(UPG_ENTER);
    switch (target) {
        case UPG_DEVICE_BOOTLOADER:
            Send(CMD_MCU, BL_ENTER_UPG_MODE, {}, true);
            break;
        case UPG_DEVICE_MCU:
        case UPG_DEVICE_FLASH:
            Send(CMD_MCU, MCU_ENTER_UPG_MODE, {}, true);
            break;
        default:
            LogPrintA("unknown upg_device: 0x%0x\n", target);
            return giveUp(UPG_DEVICE_NOT_READY);
    }
    if (mLink.sys_upg_status.load() != UPG_START) {
        return giveUp(UPG_DEVICE_NOT_READY);
    }
    if (mLink.mcu_is_normal_mode.load() != 0 && target != UPG_DEVICE_BOOTLOADER) {
        // The amplifier restarts into its upgrade firmware and comes back as a new device.
        mLink.CloseHIDDevice(false);
        std::this_thread::sleep_for(mTimings.restartWait);
        for (int attempt = 0; attempt < mTimings.reconnectAttempts; ++attempt) {
            mLink.OpenHIDDevice();
            if (mLink.IsConnected()) {
                break;
            }
            std::this_thread::sleep_for(mTimings.retryWait);
        }
    }
    mLink.mBootloaderVersion.store(0);
    if (!mLink.IsConnected()) {
        LogPrintA("UpgradeStart Device not Connected\n");
        LogPrintA("UpgradeStart UPG_CONNECT_FAIL\n");
        return giveUp(UPG_CONNECT_FAIL);
    }
    LogPrintA("UpgradeStart Device Connected\n");
    // The enter acknowledgement may have come back on the old connection only.
    mLink.sys_upg_status.store(UPG_START);
    switch (target) {
        case UPG_DEVICE_BOOTLOADER:
            Send(CMD_MCU, BL_UPG_START, mImages.mcuHead, true);
            break;
        case UPG_DEVICE_MCU:
            Send(CMD_MCU, MCU_UPG_START, mImages.mcuHead, true);
            break;
        default:
            Send(CMD_FLASH, FLASH_UPG_START, mImages.dspHead, true);
            break;
    }
    // Only a ready start acknowledgement lets the blocks go; an unanswered start would
    // otherwise idle forever.
    const bool started = mLink.sys_upg_status.load() == UPG_SEND_DATA;
    if (!started && target != UPG_DEVICE_BOOTLOADER) {
        result = giveUp(UPG_DEVICE_NOT_READY);
    } else if (!started) {
        // The boot loader's refusal ends the upgrade at the first step.
        mLink.sys_upg_status.store(UPG_FAIL);
    } else {
        mLink.mUpgPhase.store(kPhaseSend);
    }
    LogPrintA("UpgradeStart xxxStart return 0x%0x\n", result);
    return result;
}

std::uint8_t Upgrader::Progress() const {
    const bool dsp =
        mImages.upg_device != UPG_DEVICE_MCU && mImages.upg_device != UPG_DEVICE_BOOTLOADER;
    if (dsp) {
        return mImages.dspSize == 0 ? 0
                                    : static_cast<std::uint8_t>(std::uint64_t{mImages.dspSent} *
                                                                100 / mImages.dspSize);
    }
    return mImages.mcuSize == 0
               ? 0
               : static_cast<std::uint8_t>(std::uint64_t{mImages.mcuSize - mImages.mcuRemaining} *
                                           100 / mImages.mcuSize);
}

void Upgrader::SendBlock(std::uint8_t cmd, std::uint8_t subcmd,
                         std::span<const std::uint8_t> data) {
    if (!Send(cmd, subcmd, data, false)) {
        // A block that cannot be written means the link is lost: waiting for its
        // acknowledgement would never end.
        mLink.mUpgPhase.store(kPhaseEnded);
        mLink.sys_upg_status.store(UPG_FAIL);
        return;
    }
    mLink.sys_upg_status.store(UPG_WAITING_BIN_DATA_ACK);
    mLink.mUpgPhase.store(kPhaseSent);
}

std::uint8_t Upgrader::SendMcuBlock() {
    const bool bootLoader = mImages.upg_device == UPG_DEVICE_BOOTLOADER;
    if (mImages.mcuRemaining == 0) {
        Send(CMD_MCU, bootLoader ? BL_UPG_FINISH : MCU_UPG_FINISH, {}, false);
        mLink.mUpgPhase.store(kPhaseEnded);
        mLink.sys_upg_status.store(UPG_FINISH);
        LogPrintA(bootLoader ? "upgrade mcu bootloader finished!\n" : "upgrade mcu finished!\n");
        return Progress();
    }
    if (!mLink.IsConnected()) {
        mLink.mUpgPhase.store(kPhaseEnded);
        mLink.sys_upg_status.store(UPG_FAIL);
        return Progress();
    }
    // From the end to the beginning: the short tail first, offset 0 last.
    const bool first = mImages.mcuRemaining == mImages.mcuSize;
    const std::uint32_t length =
        first && mImages.mcuSize % kMcuBlock != 0 ? mImages.mcuSize % kMcuBlock : kMcuBlock;
    mImages.mcuRemaining -= std::min(length, mImages.mcuRemaining);
    const std::uint32_t offset = mImages.mcuRemaining;
    std::vector<std::uint8_t> data;
    data.reserve(4 + kMcuBlock);
    PutBigEndian32(data, offset);
    const auto from = mImages.mcuPayload.begin() + offset;
    data.insert(data.end(), from, from + std::min<std::uint32_t>(length, mImages.mcuSize - offset));
    data.resize(4 + kMcuBlock, 0);
    SendBlock(CMD_MCU, bootLoader ? BL_UPG_DATA : MCU_UPG_DATA, data);
    return Progress();
}

std::uint8_t Upgrader::SendDspBlock() {
    if (mImages.dspSent >= mImages.dspSize) {
        Send(CMD_FLASH, FLASH_UPG_FINISH, {}, false);
        mLink.mUpgPhase.store(kPhaseEnded);
        mLink.sys_upg_status.store(UPG_FINISH);
        LogPrintA("upgrade dsp finished!\n");
        return Progress();
    }
    const std::uint32_t n = std::min(kDspBlock, mImages.dspSize - mImages.dspSent);
    const std::uint32_t address = mImages.dspSent;
    mImages.dspSent += n;
    LogPrintA("Total file len %ld; current read pos: %ld;  has read len %ld.\n",
              static_cast<long>(mImages.dspSize), static_cast<long>(n),
              static_cast<long>(mImages.dspSent));
    if (!mLink.IsConnected()) {
        mLink.mUpgPhase.store(kPhaseEnded);
        mLink.sys_upg_status.store(UPG_FAIL);
        return Progress();
    }
    std::vector<std::uint8_t> data;
    data.reserve(5 + n);
    PutBigEndian32(data, address);
    data.push_back(static_cast<std::uint8_t>(n));
    const auto from = mImages.dspPayload.begin() + address;
    data.insert(data.end(), from, from + n);
    SendBlock(CMD_FLASH, FLASH_UPG_DATA, data);
    return Progress();
}

std::uint8_t Upgrader::Finish() {
    const bool succeeded = mLink.sys_upg_status.load() == UPG_FINISH;
    if (mImages.upg_device == UPG_DEVICE_MCU || mImages.upg_device == UPG_DEVICE_BOOTLOADER) {
        mImages.ReleaseMcu();
    } else {
        // The control MCU restarts after a DSP flash upgrade, a failed one too.
        Send(CMD_MCU, MCU_REBOOT, {}, true);
        mImages.ReleaseDsp();
    }
    mLink.sys_upg_status.store(UPG_IDLE);
    mLink.mUpgPhase.store(kPhaseEnded);
    return succeeded ? kUpgradeSucceeded : kUpgradeFailed;
}

std::uint8_t Upgrader::UpgradeStep() {
    const std::int16_t phase = mLink.mUpgPhase.load();
    const std::uint32_t state = mLink.sys_upg_status.load();
    if (phase == kPhaseSent) {
        mLink.mUpgPhase.store(kPhaseRead);
        return Progress();
    }
    if (phase == kPhaseRead) {
        if (!mLink.IsConnected()) {
            mLink.mUpgPhase.store(kPhaseEnded);
            mLink.sys_upg_status.store(UPG_FAIL);
            return Progress();
        }
        LogPrintA("begain to read data...\n");
        if (!mLink.ReadHIDData(static_cast<int>(mTimings.replyWait.count()))) {
            LogPrintA("read data error! %d\n", errno);
            return Progress();  // read again on the next call
        }
        // A not-ready acknowledgement asked for the reply again (phase 1); a report that
        // was not the acknowledgement leaves it awaited. Only the acknowledgement itself
        // lets the next block go.
        if (mLink.mUpgPhase.load() == kPhaseRead &&
            mLink.sys_upg_status.load() != UPG_WAITING_BIN_DATA_ACK) {
            mLink.mUpgPhase.store(kPhaseSend);
        }
        return Progress();
    }
    if (state == UPG_SEND_DATA) {
        return mImages.upg_device == UPG_DEVICE_MCU || mImages.upg_device == UPG_DEVICE_BOOTLOADER
                   ? SendMcuBlock()
                   : SendDspBlock();
    }
    if (state == UPG_FINISH || state == UPG_FAIL) {
        return Finish();
    }
    return Progress();
}

}  // namespace tonvia::firmware
