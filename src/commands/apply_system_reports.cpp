// The system (MCU), scene and karaoke reports into the model.
#include <algorithm>
#include <vector>

#include "commands/apply_reports.h"
#include "commands/command_codes.h"
#include "commands/reply_records.h"
#include "link/mcu_records.h"
#include "model/product.h"
#include "platform/log.h"
#include "platform/text.h"

namespace tonvia::commands {

namespace {

template <class Record>
const Record* As(const MessageRecord* record) {
    return dynamic_cast<const Record*>(record);
}

ReportChange Live(ModelField field, unsigned actions = 0) {
    ReportChange change;
    change.field = field;
    change.scene = 0;
    change.actions = actions;
    return change;
}

ReportChange LogOnly() {
    ReportChange change;
    change.field = ModelField::LogOnly;
    return change;
}

}  // namespace

// ---- Scene names ----

std::wstring SceneNameFromDevice(std::span<const std::uint8_t> bytes, const std::string& codePage) {
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    bytes = bytes.first(static_cast<std::size_t>(end - bytes.begin()));
    std::wstring text = tonvia::platform::AnsiToWide(bytes, codePage);
    if (text.size() > static_cast<std::size_t>(kSceneNameChars)) {
        text.resize(static_cast<std::size_t>(kSceneNameChars));
    }
    return text;
}

// ---- Reports ----

ReportChange ApplyMcuReport(ModelSet& model, unsigned code, std::intptr_t value,
                            const MessageRecord* record, bool mcuNormalMode) {
    LogPrintA("ReadMcuValueCallback 0x%02x\n", code);
    SceneConfig& live = model.live;
    switch (code) {
        case MCU_HANDSHAKE: {
            const auto* r = As<McuHandshakeRecord>(record);
            if (r == nullptr) {
                return {};
            }
            live.model = r->model;
            live.mainVersion = r->mainVersion;
            live.slaveVersion = r->slaveVersion;
            LogPrintA(
                "UI MCU_HANDSHAKE model=%d, mainVersion=%d, slaveVersion=%d, "
                "mcu_is_normal_mode=%d\n",
                live.model, live.mainVersion, live.slaveVersion, mcuNormalMode ? 1 : 0);
            const bool mismatch = live.model != MODEL_ID && mcuNormalMode;
            return Live(ModelField::Handshake, mismatch ? kShowDeviceNotMatch : 0u);
        }
        case MCU_GET_DSPFLASH_VER: {
            const auto* r = As<McuFlashVersionRecord>(record);
            if (r == nullptr) {
                return {};
            }
            live.flashver = r->version;
            return Live(ModelField::FlashVersion);
        }
        case MCU_POWER_OFF_DELAY:
            live.powerOffDelay = static_cast<std::int32_t>(value);
            return Live(ModelField::PowerOffDelay);
        case MCU_ACC:
            // Without the slider there is nothing that shows or edits the value.
            if (!model.controls.accSlider) {
                return {};
            }
            live.acc = static_cast<std::int32_t>(value);
            return Live(ModelField::Acc);
        case MCU_PING:
            LogPrintA("MCU_PING recved in ReadMcuValueCallback\n");
            return LogOnly();
        default:
            return {};
    }
}

ReportChange ApplySceneReport(ModelSet& model, unsigned code, const MessageRecord* record) {
    LogPrintA("ReadSenceValueCallback 0x%02x\n", code);
    if (code == FLASH_SCENE_NAME) {
        const auto* r = As<SceneNameRec>(record);
        if (r == nullptr || r->index < 0 || r->index >= kStoredSceneCount) {
            return {};
        }
        model.sceneNames[static_cast<std::size_t>(r->index)] =
            SceneNameFromDevice(r->name, model.nameCodePage);
        ReportChange change;
        change.field = ModelField::SceneName;
        change.scene = r->index + 1;
        return change;
    }
    if (code == FLASH_SCENE_VALID) {
        const auto* r = As<SceneValidRec>(record);
        if (r == nullptr) {
            return {};
        }
        model.validSceneMask = r->mask;
        LogPrintA("FLASH_SCENE_VALID 0x%02x\n", static_cast<unsigned>(r->mask));
        ReportChange change;
        change.field = ModelField::ValidScenes;
        return change;
    }
    return {};
}

ReportChange ApplyKtvReport(ModelSet& model, unsigned code, std::intptr_t value) {
    LogPrintA("ReadKtvValueCallback 0x%02x\n", code);
    std::int32_t* field = code <= static_cast<unsigned>(kKaraokeValueCount)
                              ? model.live.KaraokeValue(static_cast<int>(code))
                              : nullptr;
    if (field == nullptr) {
        return {};
    }
    *field = static_cast<std::int32_t>(value);
    return Live(ModelField::Karaoke);
}

ReportChange ApplyWindowMessage(ModelSet& model, const WindowMessage& message, bool mcuNormalMode) {
    const auto code = static_cast<unsigned>(message.wParam);
    switch (message.message) {
        case WM_READ_DSP_VALUE:
            return ApplyDspReport(model, code, message.lParam, message.record.get());
        case WM_READ_MCU_VALUE:
            return ApplyMcuReport(model, code, message.lParam, message.record.get(), mcuNormalMode);
        case WM_READ_SENCE_VALUE:
            return ApplySceneReport(model, code, message.record.get());
        case WM_READ_KTV_VALUE:
            return ApplyKtvReport(model, code, message.lParam);
        default:
            return {};
    }
}

}  // namespace tonvia::commands
