#pragma once
// The controller of the main page: the page half of every operation. It owns the session
// (the model and the device link), reads the page controls, calls the rules half in
// tuning/ and refreshes the controls it names. This first form binds the page and shows the
// model; the editing operations join it step by step.

#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "commands/apply_reports.h"
#include "graph/math/channel_curve.h"
#include "link/hid_device.h"
#include "mainpage/page_routes.h"
#include "model/model_set.h"
#include "model/scene_diff.h"
#include "model/value_format.h"
#include "tuning/connection.h"
#include "tuning/cs_auto_edits.h"
#include "tuning/edit_history.h"
#include "tuning/edits.h"
#include "tuning/scene_transfer.h"
#include "tuning/session.h"
#include "ui/control.h"

class CDiffWnd;
class CForceUpdateWnd;
class CSceneWnd;
class WindowImplBase;

// The text a position button shows for a speaker position code ("${empty}" for 0 and for
// codes outside 0..24).
const char* PositionButtonText(int code);

// Main-window message of the page: the plug-out notice, shown on the UI thread.
inline constexpr unsigned WM_SHOW_PLUGOUT = WM_USER + 252;
// Main-window message: a worker wrote the live record to the device; the page follows it
// on the UI thread (RefreshMainPage).
inline constexpr unsigned WM_REFRESH_MAIN_PAGE = WM_USER + 253;
// Main-window message: a scene action or a profile transfer has ended (its busy window is
// already closed). wParam: one of the kTransfer kinds; lParam 1 when the device answered
// every command. EqualizerManager::OnTransferDone follows it up.
inline constexpr unsigned WM_TRANSFER_DONE = WM_USER + 254;
// Main-window message: a whole-profile transfer has reached stored scene wParam (1..10);
// 11 while the device stores the scenes it was sent.
inline constexpr unsigned WM_BUSY_PROGRESS = WM_USER + 255;
inline constexpr std::uintptr_t kTransferSceneAction = 0;       // load, save or delete a scene
inline constexpr std::uintptr_t kTransferSceneProfile = 1;      // a .spf into the working scene
inline constexpr std::uintptr_t kTransferWholeRead = 2;         // the ten scenes read for a .wpf
inline constexpr std::uintptr_t kTransferWholeWrite = 3;        // a .wpf into the device
inline constexpr std::uintptr_t kTransferCompareRead = 4;       // the ten scenes read for a compare
inline constexpr std::uintptr_t kTransferStoredSceneWrite = 5;  // a compared scene written
// Main-window message: the check against the amplifier has read it again; wParam 1 when
// every request was answered. EqualizerManager::OnVerifyDone follows it up.
inline constexpr unsigned WM_VERIFY_DONE = WM_USER + 256;
// Main-window message: a state read has come wParam percent of its way (the busy window).
inline constexpr unsigned WM_READ_PROGRESS = WM_USER + 257;

// What the connection needs of the window around the page; replaceable for tests.
struct ConnectionHooks {
    // A notice box "${tips}" with "${confirm}", modal over the main window.
    std::function<void(const QString& text)> showBox;
    // A question box; true when confirmed.
    std::function<bool(const QString& text)> askBox;
    // Closes the input mixer and firmware dialogs that must not outlive a connection.
    std::function<void()> closeDeviceDialogs;
    // Closes the firmware update dialog when an amplifier connects, unless its worker
    // still installs. A removal leaves it open: its result must stay readable.
    std::function<void()> closeUpdateDialog;
    // The two-choice box: 1 or 2 for the option chosen, 0 cancelled.
    std::function<int(const QString& text, const QStringList& choices)> choiceBox;
    // A box with three buttons (confirm, cancel, third): their close codes 1, 0 and 2.
    std::function<int(const QString& text, const QStringList& buttons)> buttonBox;
    // The open (save false) or save dialog with one filter; the path chosen, with the
    // default extension added to a name without one; empty when cancelled.
    std::function<QString(bool save, const QString& filter, const QString& extension)> fileDialog;
    // The scene name entry over the scene list: 1 confirmed (`name` then holds the new
    // name, at most seven characters), 0 cancelled.
    std::function<int(std::wstring& name)> nameBox;
    // Runs the differences dialog instead of the modal run (tests): the dialog is shown
    // while the function runs and closed after it.
    std::function<void(CDiffWnd& dialog)> runDiff;
    // The same for the speaker distances and EQ-from-measurement dialogs.
    std::function<void(WindowImplBase& dialog)> runToolDialog;
};

// The connect button's three looks.
enum class ConnectState { Disconnected, Connecting, Connected };

class EqualizerManager {
  public:
    EqualizerManager(tonvia::platform::HidBackend& backend, WindowMessageSink& sink);
    // Tells a running worker to stop and joins it before the session goes.
    ~EqualizerManager();
    EqualizerManager(const EqualizerManager&) = delete;
    EqualizerManager& operator=(const EqualizerManager&) = delete;

    tonvia::tuning::Session& Session() { return mSession; }
    ModelSet& Model() { return mSession.Model(); }
    SceneConfig& Live() { return mSession.Model().live; }
    CHidDevice& Device() { return mSession.Link(); }
    // The current channel, kept in the live record (profiles store it).
    int CurrentChannel() const { return tonvia::tuning::CurrentChannel(mSession.Model().live); }

    // Looks the page up and gives it its first state: slider ranges, the offered sources,
    // the hidden speaker diagram, the debug button, the channel strips from the model and
    // channel 0 as the current channel. `showDebug` shows "btn_debug".
    void BindPage(WindowImplBase& window, bool showDebug, int scalePercent);

    // Shows `ch` as the current channel on the page: selector, pair, frames, level of the
    // current-channel controls, speaker marks, crossover, bands and graph. Sends nothing.
    void ShowCurrentChannel(int ch);
    // The user makes `ch` current: the model and the device (its mute again), then the page.
    void SetCurChannelChange(int ch);
    // Position buttons and the speaker diagram from `outputs` and the delays.
    void RebuildSpeakers();
    // The volume texts again (their "${off}" form follows the language).
    void UpdateAllVolumeEdit();
    // Source list: the item images and the routing options of `inputSource`.
    void ShowInputSource();

    // ---- Editing (page_edits.cpp, page_eq_edits.cpp) ----
    // Carries out a page operation the route names: reads its control, calls the rules
    // half and shows what changed. False for a route that is not an edit of the page.
    // `item` is the menu item or control the route came from.
    bool Edit(const PageRoute& route, const QString& item = {});
    // The source selected in "btn_input_source"; true when the master-volume poll must
    // start (the source switch was sent to a connected device).
    bool SetInputSource();
    // Brings the whole page in line with the live record after a profile was written, and
    // sends the channel switches again. On the UI thread (workers post it).
    void RefreshMainPage();
    // Rewrites the controls an edit names, and the graph for the curves it changed.
    void ShowEdit(const tonvia::tuning::EditResult& result);

    // ---- Scenes on the device and whole profiles (page_scenes.cpp, scene_wnd.cpp) ----
    // The scene list in load, save or delete mode, modal over the page.
    void LoadSenceConfigFromDSP();
    void SaveSenceConfigToDSP();
    void DeleteDSPSenceConfig();
    // The scene last loaded, saved or deleted, or the one the device named current; 0 none.
    int SceneId() const { return mSceneId; }
    void SetSceneId(int scene) { mSceneId = scene; }
    // WM_TRANSFER_DONE: writes the whole profile the ten scenes were read for, or says
    // that the device did not answer.
    void OnTransferDone(std::uintptr_t kind, bool complete);
    // The device's pauses in whole-profile transfers: after the ten scenes were written, and
    // before each stored scene is read (tests shorten them).
    void SetTransferPauses(std::chrono::milliseconds wholeSettle,
                           std::chrono::milliseconds sceneRead) {
        mWholeProfileSettle = wholeSettle;
        mSceneReadSettle = sceneRead;
    }

    // ---- Connection life cycle (page_connection.cpp) ----
    void SetConnectionHooks(ConnectionHooks hooks) { mHooks = std::move(hooks); }
    // The connect button and the first attempt at start (no box then). Opens the device
    // and starts the state read; pressing it while connected disconnects.
    void ConnectDevice(bool showError);
    // Closes the link (the device is told first) and shows the disconnected state.
    void DisconnectDevice();
    // WM_SET_CONNECTED: the state read has ended.
    void OnConnected();
    void DevicePlugin(const std::string& path);
    void DevicePlugOut(const std::string& path);
    // WM_FORCE_UPDATE: the offer of the carried firmware, and the forced update when it is
    // accepted (page_firmware.cpp).
    void ForceUpdate();
    // The firmware update dialog from the option menu, or after the amplifier reported
    // that it does not run its normal firmware; `path` preselects a package.
    void ShowUpdateFw(const QString& path = {});
    void ResetMcuFactoryDefault();
    void ShowConnectState(ConnectState state);
    // The bridge of an output pair switched in the input mixer: the output operation at
    // once, without the busy window, then the page.
    void SetBridgeFromMixer(int pair, bool on);
    // A firmware transfer runs (16 or 32): the connection changes nothing then.
    bool UpgradeRunning() const;
    // Tells a running worker to stop (it ends after the request in flight) and, in
    // StopWorker, waits for it.
    void RequestWorkerStop();
    void StopWorker();
    bool WorkerRunning() const { return mWorkerRunning.load(); }

    // The page half of a device report that the model took: refreshes exactly the controls
    // the change names and sends the follow-ups it lists (the queued re-sends, the link
    // off, the current channel, the speaker diagram). Boxes, timers and the connection are
    // the window's.
    void ShowReport(const tonvia::commands::ReportChange& change);

    DelayUnit Unit() const;
    // The PEQ/GEQ mode: page state kept in the model set, shown by "btn_arg_eq".
    bool GeqMode() const;

  private:
    friend class CSceneWnd;  // the scene actions run on the page's worker and hooks

    UiControl Find(const QString& name) const;
    UiControl Find(const char* format, int n) const;

    // Starts `body` on the worker thread; a finished worker is joined first.
    void StartWorker(std::function<void()> body);
    void ReadMcuValueThread(tonvia::tuning::StateReadPlan plan);
    // The whole state read on the worker, the busy window shown meanwhile.
    void StartStateRead();
    void FactoryDefaultThread();
    void PostToWindow(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    // Waits up to `duration`; false when the worker was told to stop.
    bool PauseWorker(std::chrono::milliseconds duration);

    WindowImplBase* mWindow = nullptr;
    ConnectionHooks mHooks;
    std::string mDevicePath;               // the open device's path, for removals of other devices
    bool mForcedUpdate = false;            // the forced update runs
    bool mMenuUpdate = false;              // the firmware update dialog runs
    CForceUpdateWnd* mForceWnd = nullptr;  // while it is open

    std::thread mWorker;
    std::atomic<bool> mStopWorker{false};
    std::atomic<bool> mWorkerRunning{false};
    std::mutex mPauseMutex;
    std::condition_variable mPauseWake;
    tonvia::tuning::Session mSession;

    // ---- Equaliser, crossover and graph refreshes; the device reports' page half ----
  public:
    // The crossover of `ch` in "hp_type", "lp_type", "hp_slop", "lp_slop", "hp_freq" and
    // "lp_freq".
    void SetFreqDivider(int ch);
    // The band control sets ("eq_freq_%d", "eq_q_%d", "eq_gain_%d", "eq_slider_%d",
    // "pt_enable_%d") from the bands of `ch`; `band` -1 refreshes all 31.
    void RefreshBandControls(int ch, int band = -1);
    // The response of `ch` from its crossover and bands; its EQ counts as flat while the
    // channel is bypassed.
    void UpdateChannelCurve(int ch);
    // Hands the current channel's bands and H/L frequencies and the six curves to the graph
    // ("equalizer"), which marks `selectedBand`. A band recomputes the curves of the
    // current channel, its pair and its synchronise group only (a drag sends one per mouse
    // move); -1 marks no band and recomputes every channel, as the end of a state read needs.
    void UpdateEqualizer(int selectedBand);
    // The same, recomputing the curves of `changed` only.
    void UpdateEqualizer(int selectedBand, ChannelSet changed);

  private:
    // Page halves of the edits; `ch` -1 is the current channel.
    void SetMainVolumeSlider();
    void SetMainVolumeEdit();
    void SetAccSlider();
    void SetAccEdit();
    void ChannelVolumeSlider(int ch);
    void ChannelVolumeCommit(int ch);
    void ChannelDelaySlider(int ch);
    void SetChDelayEdit(int ch);
    void ApplySwitch(PageAction action);
    void EqSlider(int band);
    void SetChEqEdit(int band);
    void EqualizerCallback(int band, int part, bool release);
    void SetFilterFreq(bool highPass);
    void SetFilterList(PageAction action);
    // The edit takes the focus with its text selected, for the next keys; not after a
    // commit because the focus left it (that would hold the focus in the edit).
    void TakeFocus(UiControl edit) const;
    bool mCommitOnLeave = false;
    // ---- Profile files (page_profile_files.cpp) ----
    void SaveSenceConfigToFile();
    void LoadSenceConfigFromFile();
    void SaveWholeConfigToFile();
    void LoadWholeConfigFromFile();
    int mSceneId = 0;
    // The surround settings the CS auto dialog edits; kept while the program runs.
    tonvia::tuning::CsAutoSetting mCsAuto;
    std::string mWholeProfilePath;  // where the whole profile being read is written
    std::chrono::milliseconds mWholeProfileSettle = tonvia::tuning::kWholeProfileSettle;
    std::chrono::milliseconds mSceneReadSettle = tonvia::tuning::kSceneReadSettle;

    // ---- Output configuration (page_output_edits.cpp) ----
    void ChooseOutputPosition(int ch, const QString& item);
    void SpeakerDelayStep(int code, bool up);
    void SetSpkDelayEdit(int code);
    void SetBridge(int pair, bool fromCheckBox);
    void SetChSynchronize(int ch);
    void SetOutpuLock();
    void SetOutputLink();
    void SetOutputReset();
    // The busy window stays until the queue has written the edit, at most `checks` x 100 ms.
    void WaitForQueueThenCloseBusy(int checks);
    void ShowOutputs(const tonvia::tuning::EditResult& result);
    void ShowDelayLinkColour(int ch);

    // The question boxes of the rules half, through the connection hooks' box.
    tonvia::tuning::Confirm Ask() const;
    int Channel(int ch) const { return ch < 0 ? CurrentChannel() : ch; }
    // The translated off word the edits show.
    static std::string OffText();
    void ShowLevels(ChannelSet channels);
    void ShowDelays(ChannelSet channels);
    void ShowSwitches();
    void ShowBypassButton();
    // Odd slopes are hidden while a filter is Linkwitz-Riley.
    void ShowSlopeItems();

    // The controls a live report names, then what it leaves to send or to refresh.
    void ShowReportedValue(const tonvia::commands::ReportChange& change);
    void RunReportFollowUps(const tonvia::commands::ReportChange& change);

    std::array<ChannelCurve, kOutChannelCount> mCurves{};

    // ---- Undo history (page_history.cpp) ----
  public:
    tonvia::tuning::EditHistory& History() { return mHistory; }
    // Brackets one user action: what the live record changed between Begin and End is one
    // history entry (joining the open entry of the same non-empty `gesture`). An action
    // begun inside another (a dialog's edit under the menu item that opened it) first
    // records what the outer one changed so far; the outer one then goes on from there.
    void BeginUserEdit(std::string label, std::string gesture = {}, bool untilEnd = false);
    void EndUserEdit(bool endsGesture = false);
    // A device report applied while actions are open: it is no part of any of them.
    void AbsorbReport(const WindowMessage& message);
    // A stored scene's load: the device sends its values later, on the worker's read; the
    // entry is made when the page follows them (RefreshMainPage).
    void BeginLoadEntry(std::string label);
    // Writes the previous (next) values of the newest (last undone) entry to the model, the
    // page and the amplifier. The result asks for the volume poll after a source switch.
    tonvia::tuning::EditResult Undo();
    tonvia::tuning::EditResult Redo();
    // "btn_undo" and "btn_redo" enabled while there is something to undo or redo.
    void ShowHistoryButtons();
    // The history belongs to one amplifier: connecting another one clears it.
    void HistoryForDevice(const std::string& path);

    // ---- Checks against the amplifier and a file (page_compare.cpp) ----
    // "Verify with Amplifier": reads the whole state again behind the busy window into a
    // copy of the model (the page keeps its values meanwhile) and lists what differs.
    void VerifyWithAmplifier();
    void OnVerifyDone(bool complete);
    // While the check reads, the device's reports go to its copy, not to the model.
    bool DivertsReports() const { return mVerifyRead != nullptr; }
    void ApplyToVerifyRead(const WindowMessage& message);
    // "Compare with File…": a .spf or .wpf against the model (a .wpf's stored scenes
    // against the amplifier's, read first while it is connected).
    void CompareWithFile();
    // Writes the file's values of `rows` into stored scene `scene` of the amplifier: the
    // scene with them into the working scene, saved, the working settings back.
    void WriteStoredSceneRows(int scene, const ModelSet& file,
                              const std::vector<ParameterChange>& rows);

    // ---- Measurement tools (page_measurement_tools.cpp) ----
    // The current channel's bands and level from a filter file (REW, Equalizer APO), with
    // a notice of what was taken and what not; and the channel written to one.
    void ImportFilters();
    void ExportFilters();
    // The time alignment from speaker distances and the EQ fit to a measurement, as dialogs
    // over the page.
    void ShowSpeakerDistances();
    void ShowEqFromMeasurement();
    // The open or save dialog of the connection hooks; empty when cancelled or absent.
    QString ChooseFile(bool save, const QString& filter, const QString& extension);
    void ShowNotice(const QString& text);
    // The distances last entered, in centimetres, kept while the program runs.
    std::array<std::optional<double>, kOutChannelCount>& LastDistances() { return mLastDistances; }

  private:
    void RunToolDialog(WindowImplBase* dialog, const QString& windowName);
    std::array<std::optional<double>, kOutChannelCount> mLastDistances{};
    void ShowFileDiff(ModelSet file, bool whole);
    // The ten stored scenes read behind the busy window, then the working settings again;
    // WM_TRANSFER_DONE with `doneKind` follows every reply.
    void StartStoredScenesRead(std::uintptr_t doneKind);
    void RunDiff(CDiffWnd* dialog);
    std::unique_ptr<ModelSet> mVerifyRead;
    std::unique_ptr<ModelSet> mCompareFile;
    void FinishLoadEntry();
    struct EditScope {
        std::string label;
        std::string gesture;
        bool untilEnd = false;
        SceneConfig snapshot;  // the live record as the action found it
    };
    std::vector<EditScope> mScopes;
    tonvia::tuning::EditHistory mHistory;
    struct PendingLoad {
        std::string label;
        SceneConfig before;
    };
    std::optional<PendingLoad> mPendingLoad;
    std::string mHistoryDevice;
};
