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
#include "model/dimensions.h"
#include "model/scene_config.h"

namespace tonvia::commands {

// Optional controls of the main page. A few reports store another value when their
// control is missing from the layout (the switch fields then keep their "missing" value,
// the ACC value is not stored at all).
struct PageControls {
    bool accSlider = true;
    bool ampButton = true;
    bool remOut1Button = true;
    bool remOut2Button = true;
    bool spkOhmButton = true;
    bool noiseGateButton = true;

    bool operator==(const PageControls&) const = default;
};

inline constexpr int kSceneNameChars = 7;  // a stored scene's name, without terminator

// Everything the report callbacks keep: the live record (scene 0, which also holds the
// handshake values, the flash version, ACC and the power-off delay), the ten stored scenes,
// their names as the device reports them and the valid-scene mask.
struct ModelSet {
    ModelSet();

    SceneConfig live;
    std::array<SceneConfig, kStoredSceneCount> stored;  // scenes 1..10 at 0..9
    std::array<std::wstring, kStoredSceneCount> sceneNames;
    std::int32_t validSceneMask = 0;  // bit k - 1: scene k holds data
    // iconv name of the ANSI code page the device's scene names are written in.
    std::string nameCodePage = "WINDOWS-1252";
    PageControls controls;

    // The record of scene `number`: 0 live, 1..10 stored; nullptr for any other number.
    SceneConfig* Scene(int number);

    bool operator==(const ModelSet&) const = default;
};

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
};

// What is left for the page after the model was written. Only reports for the live record
// carry actions; a stored scene never touches the page.
enum PageAction : unsigned {
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
    bool Has(PageAction action) const { return (actions & action) != 0; }
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

// Per channel, its left/right partner: the first other channel whose position code is the
// partner code of the channel's; -1 for none and for position 0.
std::array<std::int32_t, kOutChannelCount> LinkPartners(
    const std::array<std::int32_t, kOutChannelCount>& outputs);

// A scene name as the device sends it (up to the first zero byte) in `codePage`, as wide
// text cut to kSceneNameChars. Bytes the code page cannot convert become '?'; when the
// code page itself is unknown, ASCII is kept and every other byte becomes '?'.
std::wstring SceneNameFromDevice(std::span<const std::uint8_t> bytes, const std::string& codePage);
// The ANSI code page that goes with an interface language index (0 English, 1 Chinese,
// 2 Russian); English's for any other index.
const char* AnsiCodePageForLanguage(int languageIndex);

}  // namespace tonvia::commands
