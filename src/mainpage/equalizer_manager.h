#pragma once
// The controller of the main page: the page half of every operation. It owns the session
// (the model and the device link), reads the page controls, calls the rules half in
// tuning/ and refreshes the controls it names. This first form binds the page and shows the
// model; the editing operations join it step by step.

#include <QString>

#include "link/hid_device.h"
#include "model/model_set.h"
#include "model/value_format.h"
#include "tuning/session.h"
#include "ui/control.h"

class WindowImplBase;

// The text a position button shows for a speaker position code ("${empty}" for 0 and for
// codes outside 0..24).
const char* PositionButtonText(int code);

class EqualizerManager {
  public:
    EqualizerManager(tonvia::platform::HidBackend& backend, WindowMessageSink& sink);
    EqualizerManager(const EqualizerManager&) = delete;
    EqualizerManager& operator=(const EqualizerManager&) = delete;

    tonvia::tuning::Session& Session() { return mSession; }
    ModelSet& Model() { return mSession.Model(); }
    SceneConfig& Live() { return mSession.Model().live; }
    CHidDevice& Device() { return mSession.Link(); }
    int CurrentChannel() const { return mCurrentChannel; }

    // Looks the page up and gives it its first state: slider ranges, the offered sources,
    // the hidden speaker diagram, the debug button, the channel strips from the model and
    // channel 0 as the current channel. `showDebug` shows "btn_debug".
    void BindPage(WindowImplBase& window, bool showDebug, int scalePercent);

    // Makes `ch` the current channel on the page: selector, pair, frames, level of the
    // current-channel controls, speaker marks.
    void SetCurChannelChange(int ch);
    // Position buttons and the speaker diagram from `outputs` and the delays.
    void RebuildSpeakers();
    // The volume texts again (their "${off}" form follows the language).
    void UpdateAllVolumeEdit();
    // Source list: the item images and the routing options of the selected source.
    void ShowInputSource(int source);

    DelayUnit Unit() const;
    // The PEQ/GEQ mode: page state kept in the model set, shown by "btn_arg_eq".
    bool GeqMode() const;

  private:
    UiControl Find(const QString& name) const;
    UiControl Find(const char* format, int n) const;

    WindowImplBase* mWindow = nullptr;
    tonvia::tuning::Session mSession;
    int mCurrentChannel = 0;
};
