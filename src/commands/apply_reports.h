#pragma once
// The model half of the main window's report callbacks: each device report posted by the
// decoders (DSP, system, scene and karaoke messages) is written into the live record, a
// stored scene's record or the few values kept beside them, and a ReportChange says what
// was written and what the page still has to do (refresh controls, re-send, disconnect,
// show a box). The page calls these first and never writes these fields itself.
//
// The model writes that the page operations named by the callbacks make (channel mute,
// phase and solo, the switch buttons) happen here, together with their log lines; the page
// then only refreshes its controls and sends what `actions` lists.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "link/window_messages.h"
#include "model/channel_rules.h"
#include "model/dimensions.h"
#include "model/model_set.h"
#include "model/scene_config.h"
#include "platform/text.h"

namespace tonvia::commands {

// The model set lives in the model; these names stay reachable here for the report code.
using ::ModelSet;
using ::PageControls;

// Which part of the model a report wrote.
enum class ModelField {
    None,     // nothing written: unknown code, missing record, or outside the model's ranges
    LogOnly,  // a report the main page only logs
    InputSource,
    MainVolume,
    MainMute,
    Filter,
    EqBand,
    Delay,
    Trim,
    ChannelMute,
    Phase,
    Mix,
    ChannelType,
    Link,
    Lock,
    EqBypass,
    InputMixTrim,
    InputThreshold,
    Solo,
    DspOn,
    Compressor,
    AmpOn,
    RemoteOutputs,
    DspStatus,
    CrossSourceMix,
    CompressorOn,
    SpeakerOhm,
    NoiseGate,
    Handshake,
    FlashVersion,
    PowerOffDelay,
    Acc,
    SceneName,
    ValidScenes,
    Karaoke,
    Distortion,  // the clipping flags of a source's inputs or outputs
};

// What is left for the page after the model was written. Only reports for the live record
// carry actions; a stored scene never touches the page.
enum ReportFollowUp : unsigned {
    kStopVolumePoll = 1u << 0,        // kill GET_MAIN_VOLUME_TIMER
    kSendChannelMute = 1u << 1,       // Mute_Ch_Ctrl for `channel` (and `partner`), queued
    kSendChannelPhase = 1u << 2,      // Phase_Ctrl for `channel`, queued
    kSendSolo = 1u << 3,              // Solo_Ctrl for channels 0..5, queued
    kSendTrim = 1u << 4,              // the trim of `channel`, queued
    kSendLinkOff = 1u << 5,           // CH_Link_Ctrl with link 0 and no pairs
    kSelectCurrentChannel = 1u << 6,  // SetCurChannelChange for the current channel
    kRebuildSpeakers = 1u << 7,       // position buttons and speaker diagram
    kDisconnect = 1u << 8,            // DisconnectDevice
    kShowDspIsOff = 1u << 9,          // box "${dsp_is_off}"
    kShowDeviceNotMatch = 1u << 10,   // box "${device_not_match}" with the live `model`
};

struct ReportChange {
    ModelField field = ModelField::None;
    int scene = -1;    // record written: 0 live, 1..10 stored; -1 none
    int channel = -1;  // output channel (input channel for cross-source mix), -1 none
    int partner = -1;  // second channel written (the bridged partner of a mute), -1 none
    int band = -1;
    int source = -1;
    int input = -1;     // input channel of a mix trim
    int previous = -1;  // input source: the index before the report
    unsigned actions = 0;

    bool Changed() const { return field != ModelField::None && field != ModelField::LogOnly; }
    bool IsLive() const { return scene == 0; }
    bool Has(ReportFollowUp action) const { return (actions & action) != 0; }
};

// WM_READ_DSP_VALUE: `code` is wParam, `value` lParam, `record` the message's record (may
// be null for value reports). Logs "ReadDspValueCallback 0x%02x\n" first.
ReportChange ApplyDspReport(ModelSet& model, unsigned code, std::intptr_t value,
                            const MessageRecord* record);
// WM_READ_MCU_VALUE. `mcuNormalMode` is the link's mcu_is_normal_mode: a handshake from
// another model is only reported in normal mode.
ReportChange ApplyMcuReport(ModelSet& model, unsigned code, std::intptr_t value,
                            const MessageRecord* record, bool mcuNormalMode);
// WM_READ_SENCE_VALUE sent to the main window.
ReportChange ApplySceneReport(ModelSet& model, unsigned code, const MessageRecord* record);
// WM_READ_KTV_VALUE.
ReportChange ApplyKtvReport(ModelSet& model, unsigned code, std::intptr_t value);

// Routes one posted message to the function above for its number; other messages change
// nothing (and log nothing).
ReportChange ApplyWindowMessage(ModelSet& model, const WindowMessage& message, bool mcuNormalMode);

// Model rules the report code shares, reachable here under their old home's name.
using ::LinkPartners;
using tonvia::platform::AnsiCodePageForLanguage;

// A scene name as the device sends it (up to the first zero byte) in `codePage`, as wide
// text cut to kSceneNameChars. Bytes the code page cannot convert become '?'; when the
// code page itself is unknown, ASCII is kept and every other byte becomes '?'.
std::wstring SceneNameFromDevice(std::span<const std::uint8_t> bytes, const std::string& codePage);
}  // namespace tonvia::commands
