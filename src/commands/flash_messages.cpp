// The flash family (packet type 2): stored-scene commands and the flash decoder, which also
// takes the acknowledgements of the DSP flash firmware transfer.
#include <algorithm>
#include <string>

#include "commands/command_codes.h"
#include "commands/decoders.h"
#include "commands/payloads.h"
#include "commands/reply_reading.h"
#include "commands/reply_records.h"
#include "platform/log.h"

using namespace tonvia::commands;

namespace {

bool SendScene(CHidDevice& device, std::uint8_t code, std::uint8_t optype,
               const std::optional<Payload>& data, int waitMs) {
    if (!data) {
        return false;
    }
    return device.SendAndWait(CMD_FLASH, code, optype, *data, waitMs);
}

// Logs bytes as "0x%02x, " each, as one fragment without the time prefix.
void LogNameBytes(std::span<const std::uint8_t> bytes) {
    std::string line;
    char item[8];
    for (const std::uint8_t b : bytes) {
        std::snprintf(item, sizeof item, "0x%02x, ", b);
        line += item;
    }
    LogFragmentA("%s", line.c_str());
}

}  // namespace

// 0x08: save the working set into a slot.
bool CHidDevice::SaveScene(int slot, int immediately) {
    LogPrintA("SaveScene scene(%d) immediately=%d\n", slot, immediately);
    return SendScene(*this, FLASH_SCENE_SAVE, OP_SET, BuildFields({slot, immediately}),
                     SCENE_REPLY_WAIT_MS);
}

// 0x09: load a slot into another (to 0: the working set).
bool CHidDevice::ReadScene(int fromSlot, int toSlot) {
    LogPrintA("ReadScene from scene(%d) to scene(%d)\n", fromSlot, toSlot);
    return SendScene(*this, FLASH_SCENE_READ, OP_SET, BuildFields({fromSlot, toSlot}),
                     SCENE_REPLY_WAIT_MS);
}

// 0x0A: delete a slot.
bool CHidDevice::DeleteScene(int slot) {
    LogPrintA("DeleteScene scene(%d)\n", slot);
    return SendScene(*this, FLASH_SCENE_DELETE, OP_SET, BuildFields({slot}), SCENE_REPLY_WAIT_MS);
}

// 0x0B: slot, length, name bytes (at most 55 bytes fit a frame; the scene flows send 16).
bool CHidDevice::SetSceneName(int slot, std::span<const std::uint8_t> name) {
    const std::string text(name.begin(), std::find(name.begin(), name.end(), 0));
    LogPrintA("SetSceneName scene(%d), len(%d), (name)%s\n", slot, static_cast<int>(name.size()),
              text.c_str());
    return SendScene(*this, FLASH_SCENE_NAME, OP_SET, BuildSceneName(slot, name), REPLY_WAIT_MS);
}

bool CHidDevice::GetSceneName(int slot) {
    return SendScene(*this, FLASH_SCENE_NAME, OP_GET, BuildFields({slot}), REPLY_WAIT_MS);
}

// 0x0C request: slot, start (2, big-endian), length.
bool CHidDevice::GetSceneProfile(int slot, int start, int length) {
    LogPrintA("GetSceneProfile scene(%d), start = %d, data_len = %d\n", slot, start, length);
    return SendScene(*this, FLASH_SCENE_PROFILE, OP_GET,
                     BuildFields({slot, {start, kWireWord}, length}), SCENE_REPLY_WAIT_MS);
}

// 0x0C: slot, start (2, big-endian), count, at most 53 profile bytes.
bool CHidDevice::SetSceneProfile(int slot, int start, std::span<const std::uint8_t> bytes) {
    LogPrintA("SetSceneProfile scene(%d)\n", slot);
    return SendScene(*this, FLASH_SCENE_PROFILE, OP_SET, BuildSceneProfileChunk(slot, start, bytes),
                     SCENE_REPLY_WAIT_MS);
}

bool CHidDevice::GetSceneId() {
    return SendScene(*this, FLASH_SCENE_ID, OP_GET, Payload{}, REPLY_WAIT_MS);
}

bool CHidDevice::GetSceneValid() {
    return SendScene(*this, FLASH_SCENE_VALID, OP_GET, Payload{}, REPLY_WAIT_MS);
}

namespace {

// 0x0B update: slot, then 16 name bytes; a name of erased flash becomes empty.
void SceneName(CHidDevice& device, std::span<const std::uint8_t> d) {
    if (!HasBytes("FLASH scene name", d, 1 + SCENE_NAME_SIZE)) {
        return;
    }
    auto rec = std::make_unique<SceneNameRec>();
    rec->index = d[0] - 1;
    const auto name = d.subspan(1, SCENE_NAME_SIZE);
    std::copy(name.begin(), name.end(), rec->name.begin());

    LogPrintA("scene_name->index(%d), name -->> ", rec->index);
    LogNameBytes(name);
    LogFragmentA("\n m_payload: ");
    LogNameBytes(name);
    LogFragmentA("\n");

    const bool erased =
        std::all_of(name.begin(), name.end(), [](std::uint8_t b) { return (b & 1) != 0; });
    if (erased) {
        rec->name.fill(0);
    }
    device.Post(device.mMainWnd.load(), WM_READ_SENCE_VALUE, FLASH_SCENE_NAME, 0, std::move(rec));
}

// The erase and start acknowledgements: ready while UPG_START moves on, not ready fails.
void UpgradeStep(CHidDevice& device, std::uint8_t status, const char* name,
                 std::uint32_t readyState) {
    if (status == ACK_READY && device.sys_upg_status.load() == UPG_START) {
        LogPrintA("%s: ACK_READY\n\n", name);
        device.sys_upg_status.store(readyState);
    } else if (status == ACK_NOT_READY) {
        LogPrintA("%s: ACK_NOT_READY\n\n", name);
        device.sys_upg_status.store(UPG_FAIL);
    }
}

}  // namespace

void flash_ack_process(CHidDevice& device, std::span<const std::uint8_t> packet) {
    if (packet.size() < 2) {
        LogPrintA("FLASH frame without subcmd and optype ignored\n");
        return;
    }
    const std::uint8_t code = packet[0];
    const std::uint8_t optype = packet[1];
    const std::span<const std::uint8_t> d = packet.subspan(2);
    const bool ack = optype == OP_ACK && HasBytes("FLASH ack", d, 1);
    const bool update = optype == OP_UPDATE;

    switch (code) {
        case FLASH_CHIP_ERASE:
            if (ack) {
                UpgradeStep(device, d[0], "FLASH CHIP ERASE", UPG_ERASED);
            }
            return;
        case FLASH_UPG_START:
            if (ack) {
                UpgradeStep(device, d[0], "FLASH UPG_START", UPG_SEND_DATA);
            }
            return;
        case FLASH_UPG_DATA:
            if (!ack || device.sys_upg_status.load() != UPG_WAITING_BIN_DATA_ACK) {
                return;
            }
            if (d[0] == ACK_READY) {
                LogPrintA("UPG_WAITING_BIN_DATA_ACK: ACK_READY\n\n");
                device.sys_upg_status.store(UPG_SEND_DATA);
            } else if (d[0] == ACK_NOT_READY) {
                LogPrintA("!!!!! NOT_READY !!!!!!\n\n");
                device.mUpgPhase.store(1);
            }
            return;
        case FLASH_UPG_FINISH:
            if (ack && d[0] == ACK_READY && device.sys_upg_status.load() == UPG_FINISH) {
                LogPrintA("UPG_FINISH: ACK_READY\n");
            }
            return;
        case FLASH_SCENE_SAVE:
        case FLASH_SCENE_DELETE:
            if (ack && d[0] == ACK_READY && HasBytes("FLASH scene ack", d, 2)) {
                device.Post(device.mSceneWnd.load(),
                            code == FLASH_SCENE_SAVE ? WM_READ_SENCE_VALUE : WM_SENCE_DELETE_ACK,
                            d[1], 0);
            }
            return;
        case FLASH_SCENE_READ:
            return;
        case FLASH_SCENE_NAME:
            if (update) {
                SceneName(device, d);
            }
            return;
        case FLASH_SCENE_ID:
            if (update && HasBytes("FLASH_SCENE_ID", d, 1)) {
                LogPrintA("FLASH_SCENE_ID current scene id = %d\n", d[0]);
                device.Post(device.mSceneWnd.load(), WM_SENCE_ID, FLASH_SCENE_ID, d[0]);
            }
            return;
        case FLASH_SCENE_VALID:
            if (update && HasBytes("FLASH_SCENE_VALID", d, 2)) {
                auto rec = std::make_unique<SceneValidRec>();
                rec->mask = d[0] * 256 + d[1];
                LogPrintA("FLASH_SCENE_VALID valid scene = %d\n", rec->mask);
                device.Post(device.mMainWnd.load(), WM_READ_SENCE_VALUE, FLASH_SCENE_VALID, 0,
                            std::move(rec));
            }
            return;
        default:
            LogPrintA("!!! NOT SUPPORT MSG\n");
            return;
    }
}

void InstallCommandDecoders(CHidDevice& device) {
    device.SetFrameDecoder(CMD_DSP, &dsp_ack_process);
    device.SetFrameDecoder(CMD_FLASH, &flash_ack_process);
    device.SetFrameDecoder(CMD_KTV, &ktv_ack_process);
}
