// The system (MCU) family: encoders and the decoder of packet type 3.
#include <algorithm>
#include <string>

#include "link/hid_device.h"
#include "platform/log.h"

namespace {

constexpr int kShortWaitMs = 500;
constexpr int kFactoryDefaultWaitMs = 30000;
constexpr std::uint32_t kPingQuietMs = 400;

std::string Printable(std::span<const std::uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

bool CHidDevice::Hand_Connect() {
    LogPrintA("Hand_Connect\n");
    return SendAndWait(CMD_MCU, MCU_HANDSHAKE, OP_SET, {}, REPLY_WAIT_MS);
}

bool CHidDevice::PC_Connect(int value) {
    LogPrintA("PC_Connect = %d\n", value);
    const std::uint8_t data[] = {static_cast<std::uint8_t>(value)};
    return SendCtrlCommand(CMD_MCU, MCU_PC_CONNECT, OP_SET, data);
}

bool CHidDevice::Get_Acc() {
    LogPrintA("Get_Acc\n");
    return SendAndWait(CMD_MCU, MCU_ACC, OP_GET, {}, REPLY_WAIT_MS);
}

bool CHidDevice::Set_Acc(int delay, bool sendNow) {
    LogPrintA("Set_Acc delay:%d\n", delay);
    return SendOrQueue(CMD_MCU, MCU_ACC, OP_SET, {static_cast<std::uint8_t>(delay)}, REPLY_WAIT_MS,
                       sendNow);
}

bool CHidDevice::Set_Power_Off_Time(int ms, bool sendNow) {
    LogPrintA("Set_Power_Off_Time = %dms\n", ms);
    // 0x91: power-off delay, 16-bit big-endian milliseconds.
    const int clamped = std::clamp(ms, 0, 0xFFFF);
    return SendOrQueue(
        CMD_MCU, MCU_POWER_OFF_DELAY, OP_SET,
        {static_cast<std::uint8_t>(clamped >> 8), static_cast<std::uint8_t>(clamped)},
        REPLY_WAIT_MS, sendNow);
}

bool CHidDevice::Get_Delay_Power_Off_Time() {
    LogPrintA("Get_Delay_Power_Off_Time\n");
    return SendAndWait(CMD_MCU, MCU_POWER_OFF_DELAY, OP_GET, {}, kShortWaitMs);
}

bool CHidDevice::Factory_Default_Ctrl() {
    return SendAndWait(CMD_MCU, MCU_FACTORY_DEFAULT, OP_SET, {}, kFactoryDefaultWaitMs);
}

bool CHidDevice::MCU_Reboot_Ctrl() {
    LogPrintA("MCU_Reboot_Ctrl\n");
    return SendAndWait(CMD_MCU, MCU_REBOOT, OP_SET, {}, REPLY_WAIT_MS);
}

bool CHidDevice::PingMsg() {
    if (Tick() - mLastWriteTick.load() < kPingQuietMs) {
        LogPrintA("skip ping as no need\n");
        return true;
    }
    LogPrintA("PingMsg\n");
    SendCtrlCommand(CMD_MCU, MCU_PING, OP_SET, {});
    return true;
}

bool CHidDevice::Get_Flash_Version() {
    LogPrintA("Get_Flash_Version\n");
    return SendAndWait(CMD_MCU, MCU_GET_DSPFLASH_VER, OP_GET, {}, kShortWaitMs);
}

bool CHidDevice::Get_Bootloader_Version() {
    LogPrintA("Get_Bootloader_Version\n");
    return SendAndWait(CMD_MCU, MCU_BOOTLOADER_VER, OP_GET, {}, kShortWaitMs);
}

bool CHidDevice::Get_PWD() {
    return SendAndWait(CMD_MCU, MCU_PASSWORD, OP_GET, {}, REPLY_WAIT_MS);
}

bool CHidDevice::SetPWD(std::span<const std::uint8_t> password,
                        std::span<const std::uint8_t> remark) {
    // The device keeps at most 12 password and 20 remark bytes.
    if (password.size() > McuPasswordRecord::kPasswordSize ||
        remark.size() > McuPasswordRecord::kRemarkSize) {
        LogPrintA("SetPWD: password (%zu) or remark (%zu) too long\n", password.size(),
                  remark.size());
        return false;
    }
    LogPrintA("SetPWD len(%d), (password)%s\n", static_cast<int>(password.size()),
              Printable(password).c_str());
    std::vector<std::uint8_t> data;
    data.push_back(static_cast<std::uint8_t>(password.size()));
    data.insert(data.end(), password.begin(), password.end());
    data.push_back(static_cast<std::uint8_t>(remark.size()));
    data.insert(data.end(), remark.begin(), remark.end());
    return SendAndWait(CMD_MCU, MCU_PASSWORD, OP_SET, data, REPLY_WAIT_MS);
}

bool CHidDevice::Get_Data_Block(bool sendNow) {
    return SendOrQueue(CMD_MCU, MCU_DATA_BLOCK, OP_GET, {}, REPLY_WAIT_MS, sendNow);
}

void CHidDevice::mcu_ack_process(CHidDevice& device, std::span<const std::uint8_t> packet) {
    if (packet.size() < 2) {
        LogPrintA("MCU frame without subcmd and optype ignored\n");
        return;
    }
    const std::uint8_t subcmd = packet[0];
    const std::uint8_t optype = packet[1];
    const std::span<const std::uint8_t> d = packet.subspan(2);
    // A reply shorter than its layout is logged and ignored rather than read past its end.
    auto needs = [&](std::size_t count) {
        if (d.size() >= count) {
            return true;
        }
        LogPrintA("MCU subcmd 0x%02x: %zu data bytes, %zu needed; ignored\n", subcmd, d.size(),
                  count);
        return false;
    };
    const WindowHandle main = device.mMainWnd.load();
    const std::uint32_t status = device.sys_upg_status.load();

    switch (subcmd) {
        case MCU_HANDSHAKE: {
            LogPrintA("MCU_HANDSHAKE\n");
            if (optype != OP_UPDATE || !needs(1)) {
                return;
            }
            if (d[0] == MCU_STATUS_UNNORMAL) {
                device.mcu_is_normal_mode.store(0);
                device.Post(main, WM_DEVICE_STATUS_UNNORMAL, 0, 0);
                return;
            }
            if (!needs(4)) {
                return;
            }
            device.mcu_is_normal_mode.store(1);
            device.model.store(d[1]);
            auto record = std::make_unique<McuHandshakeRecord>();
            record->model = d[1];
            record->mainVersion = d[2];
            record->slaveVersion = d[3];
            LogPrintA("model = %d, master verion = %d, slave verion = %d\n", record->model,
                      record->mainVersion, record->slaveVersion);
            device.Post(main, WM_READ_MCU_VALUE, MCU_HANDSHAKE, 0, std::move(record));
            return;
        }
        case MCU_GET_DSPFLASH_VER: {
            LogPrintA("MCU_GET_DSPFLASH_VER\n");
            if (optype != OP_UPDATE || !needs(4)) {
                return;
            }
            auto record = std::make_unique<McuFlashVersionRecord>();
            for (std::size_t i = 0; i < 4; ++i) {
                record->version[i] = d[i];
            }
            LogPrintA("flashver = %02d%02d%02d%02d\n", record->version[0], record->version[1],
                      record->version[2], record->version[3]);
            device.Post(main, WM_READ_MCU_VALUE, MCU_GET_DSPFLASH_VER, 0, std::move(record));
            return;
        }
        case MCU_BOOTLOADER_VER:
            if (optype == OP_UPDATE && needs(1)) {
                device.mBootloaderVersion.store(d[0]);
            }
            return;
        case MCU_PASSWORD: {
            if (optype != OP_UPDATE || !needs(1)) {
                return;
            }
            auto record = std::make_unique<McuPasswordRecord>();
            const std::size_t claimed = d[0];
            const auto password = d.subspan(1).first(
                std::min({claimed, d.size() - 1, McuPasswordRecord::kPasswordSize}));
            std::copy(password.begin(), password.end(), record->password.begin());
            record->passwordLength = static_cast<std::int32_t>(password.size());
            std::span<const std::uint8_t> remark;
            if (claimed + 1 < d.size()) {
                const std::size_t remarkClaimed = d[claimed + 1];
                const auto rest = d.subspan(claimed + 2);
                remark = rest.first(
                    std::min({remarkClaimed, rest.size(), McuPasswordRecord::kRemarkSize}));
            }
            std::copy(remark.begin(), remark.end(), record->remark.begin());
            record->remarkLength = static_cast<std::int32_t>(remark.size());
            LogPrintA("password->len(%d),  pwd-->> %s\n", record->passwordLength,
                      Printable(password).c_str());
            LogPrintA("password->remark_len(%d),  -->> %s\n", record->remarkLength,
                      Printable(remark).c_str());
            device.Post(main, WM_READ_MCU_VALUE, MCU_PASSWORD, 0, std::move(record));
            return;
        }
        case MCU_DATA_BLOCK: {
            if (optype != OP_UPDATE || !needs(1)) {
                return;
            }
            auto record = std::make_unique<McuDataBlockRecord>();
            const auto block = d.subspan(1).first(std::min(
                {static_cast<std::size_t>(d[0]), d.size() - 1, McuDataBlockRecord::kDataSize}));
            std::copy(block.begin(), block.end(), record->data.begin());
            record->length = static_cast<std::uint8_t>(block.size());
            device.Post(main, WM_READ_MCU_VALUE, MCU_DATA_BLOCK, 0, std::move(record));
            return;
        }
        case MCU_INIT:
            LogPrintA("MCU INIT\n");
            return;
        case MCU_POWER_OFF_DELAY:
            if (optype == OP_UPDATE && needs(2)) {
                device.Post(main, WM_READ_MCU_VALUE, MCU_POWER_OFF_DELAY, d[0] * 256 + d[1]);
            }
            return;
        case MCU_ACC:
            if (optype == OP_UPDATE && needs(1)) {
                LogPrintA("MCU_ACC OP=0x%x, delay = %d\n", optype, d[0]);
                device.Post(main, WM_READ_MCU_VALUE, MCU_ACC, static_cast<std::int8_t>(d[0]));
            }
            return;
        case MCU_PING:
            LogPrintA("\nMCU_PING\n");
            if (optype != OP_UPDATE) {
                return;
            }
            LogPrintA("\n post WM_READ_MCU_VALUE + MCU_PING\n");
            device.mcu_is_normal_mode.store(0);
            device.Post(main, WM_READ_MCU_VALUE, MCU_PING, 0);
            return;
        case MCU_ENTER_UPG_MODE:
        case BL_ENTER_UPG_MODE:
            if (optype == OP_ACK && needs(1) && d[0] == ACK_READY) {
                device.sys_upg_status.store(UPG_START);
            }
            return;
        case MCU_UPG_START:
        case BL_UPG_START:
            if (optype != OP_ACK || !needs(1)) {
                return;
            }
            if (d[0] == ACK_READY) {
                LogPrintA("MCU_UPG_START: ACK_READY\n\n");
                device.sys_upg_status.store(UPG_SEND_DATA);
            } else {
                LogPrintA("MCU_UPG_START: ACK_NOT_READY\n\n");
                device.sys_upg_status.store(UPG_FAIL);
            }
            return;
        case MCU_UPG_DATA:
        case BL_UPG_DATA:
            if (optype != OP_ACK || status != UPG_WAITING_BIN_DATA_ACK || !needs(1)) {
                return;
            }
            if (d[0] == ACK_READY) {
                LogPrintA("MCU UPG_WAITING_BIN_DATA_ACK: ACK_READY\n\n");
                device.sys_upg_status.store(UPG_SEND_DATA);
            } else if (d[0] == ACK_NOT_READY) {
                LogPrintA("MCU !!!!! NOT_READY !!!!!!\n\n");
                device.mUpgPhase.store(1);
            }
            return;
        case MCU_UPG_FINISH:
        case BL_UPG_FINISH:
            if (optype == OP_ACK && needs(1) && d[0] == ACK_READY && status == UPG_FINISH) {
                LogPrintA("MCU UPG_FINISH: ACK_READY\n\n");
            }
            return;
        case 0x05:
        case 0x06:
        case 0x07:
        case 0x0A:
        case MCU_PC_CONNECT:
        case MCU_REBOOT:
        case MCU_FACTORY_DEFAULT:
            return;
        default:
            LogPrintA("!!! NOT SUPPORT MSG\n");
            return;
    }
}
