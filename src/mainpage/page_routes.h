#pragma once
// Where each notification and menu choice of the main page goes: a pure table from the
// control (or menu item) name, the notification type and the control's user data to the
// page operation and its arguments. The window only dispatches what this decides.

#include <QString>
#include <optional>

enum class PageAction {
    None,
    // clicks
    Minimize,
    ConnectDevice,
    OutputMenu,
    AmpSwitch,
    RemOut1Switch,
    RemOut2Switch,
    SpkOhmSwitch,
    NoiseGateSwitch,
    OptionMenu,
    SceneMenu,
    AdvanceMenu,
    SetOutputEqReset,
    SetOutputBypass,
    SetEqMode,
    SetOutputReset,
    SetOutpuLock,
    SetOutputLink,
    ResetSynchronizeGroups,
    SetCurChannelChange,
    SetBridge,
    SetSpeakerFocus,
    OnEqEnable,
    SpeakerDelayStepCurrent,
    Mixer,
    NoiseThreshold,
    MemWr,
    EqMenu,
    SpeakerDistances,
    // selection changes
    SetChShow,
    ChannelMute,
    ChannelPhase,
    ChannelSolo,
    SetChSynchronize,
    DelayLinkMenu,
    MainMute,
    SetInputIn,
    // slider moves
    EqSlider,
    SetMainVolumeSlider,
    SetAccSlider,
    ChannelVolumeSlider,
    ChannelDelaySlider,
    // steps
    SetEqFreqUp,
    SetEqQUp,
    SetEqGainUp,
    SetHpFreqUp,
    SetLpFreqUp,
    SetMainVolumeUp,
    SetAccUp,
    SetChVolumeUp,
    SetChDelayUp,
    SpeakerDelayStep,
    // focus ring and commits
    FocusForward,
    FocusBack,
    SetMainVolumeEdit,
    SetAccEdit,
    SetHpFreq,
    SetLpFreq,
    SetChDelayEdit,
    ChannelVolumeCommit,
    SetSpkDelayEdit,
    EqEditNext,
    SetChEqEdit,
    UpdateEqualizerBand,
    SpeakerDelayFocus,
    ChannelFocus,
    // list selections
    DelayUnitChange,
    SetHpType,
    SetLpType,
    SetHpSlope,
    SetLpSlope,
    SetInputSource,
    // graph and window
    EqualizerCallback,
    WindowSize,
    // menu items
    SetOutputValue,
    SetChDelayLink,
    SetChSynchronizeGroup,
    FirmwareUpgrade,
    ResetMcuFactoryDefault,
    About,
    ChangeLanguage,
    LoadSceneFromDsp,
    SaveSceneToDsp,
    DeleteDspScene,
    LoadSceneFromFile,
    SaveSceneToFile,
    LoadWholeFromFile,
    SaveWholeToFile,
    CompressorsOn,
    KaraokePanel,
    Compressor,
    AutoCal,
    CsAuto,
    CustomEq,
    // the undo history and the comparisons
    Undo,
    Redo,
    VerifyWithAmplifier,
    CompareWithFile,
    // the current channel's EQ from and to files and from a measurement
    ImportFilters,
    ExportFilters,
    EqFromMeasurement,
};

// The operation's name as logs and tests show it.
const char* PageActionName(PageAction action);

struct PageRoute {
    PageAction action = PageAction::None;
    // Channel, band, pair, speaker code or input as the control stands for; -1 means the
    // current channel (controls without a number) or none.
    int index = -1;
    // The output channel of a routing option; the channel a menu was opened for; 1 when a
    // bridge click came from the pair's check box.
    int second = -1;
    bool up = false;             // steps: up; graph: the drag was released
    int part = 0;                // graph: 0 band, 1 high-pass, 2 low-pass
    bool commitOnLeave = false;  // commits: the focus left the edit ("killfocus")
};

// A control notification. `userData` is the control's user data; `graphIndex` the user
// data of the graph for its own notifications. None for anything not in the tables.
PageRoute RouteNotify(const QString& type, const QString& name, const QString& userData);

// A menu choice by item name and user data.
PageRoute RouteMenu(const QString& name, const QString& userData);

// The next edit along the right/left key ring from the edit `name`, or nullopt when the
// edit is not on the ring. `eqSize` is the current channel's band count; in GEQ mode the
// frequency edits are disabled and the ring enters the bands at the gain edit of band 0.
std::optional<QString> FocusRingNext(const QString& name, bool forward, int eqSize, bool geqMode);
