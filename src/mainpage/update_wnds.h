#pragma once
// The two firmware update dialogs. CUpdateFwWnd installs a package or an update file the
// user chooses; CForceUpdateWnd installs the carried package when the amplifier runs older
// firmware, waits for it to come back after each step and can reset it to the factory
// settings. Their workers only post the messages below; the dialog changes its controls
// and runs the progress creep's timer on its own thread.

#include <QString>
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "firmware/upgrade.h"
#include "link/hid_device.h"
#include "ui/window_impl_base.h"

inline constexpr unsigned WM_UPG_PROGRESS = WM_USER + 231;  // wParam percent
inline constexpr unsigned WM_UPG_FAIL = WM_USER + 233;
inline constexpr unsigned WM_UPG_LOAD_FAIL = WM_USER + 234;
inline constexpr unsigned WM_UPG_START_MCU = WM_USER + 235;
inline constexpr unsigned WM_UPG_START_FLASH = WM_USER + 236;
inline constexpr unsigned WM_UPG_DONE = WM_USER + 237;
inline constexpr unsigned WM_UPG_PROGRESS_RESET = WM_USER + 239;  // wParam 1: the tool runs

// What the two dialogs share: the worker, the creep timer and the tool's outcome.
class UpdateDialogBase : public DialogImplBase {
  public:
    static constexpr unsigned kCreepTimer = 4113;
    static constexpr unsigned kCreepPeriodMs = 500;

    explicit UpdateDialogBase(CHidDevice& link) : mLink(link) {}
    ~UpdateDialogBase() override;
    void OnDestroyed() override;
    // The progress messages both dialogs show alike; the rest is theirs.
    void OnMessage(WindowMessage& message) override;
    void OnTimer(unsigned id) override;

    bool WorkerRunning() const { return mRunning.load(); }

  protected:
    void StartWorker(std::function<void()> body);
    void JoinWorker();
    // The bar the creep moves, and where it shows the percentage.
    virtual UiControl ActiveBar() const = 0;
    virtual void ShowPercent(int percent) = 0;
    // The tick counter of the dialog's class, kept for the life of the process.
    virtual int& Ticks() = 0;
    void Post(unsigned message, std::uintptr_t wParam = 0) const;

    CHidDevice& mLink;
    std::atomic<bool> mStop{false};

  private:
    std::thread mWorker;
    std::atomic<bool> mRunning{false};
};

class CUpdateFwWnd : public UpdateDialogBase {
  public:
    CUpdateFwWnd(CHidDevice& link, QString path) : UpdateDialogBase(link), mPath(std::move(path)) {}

    QString ClassName() const override { return QStringLiteral("UpdateFwWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_UPDATE_FW"); }
    void OnInit() override;
    void OnClick(TNotifyUI& msg) override;
    void Notify(TNotifyUI& msg) override;
    void OnMessage(WindowMessage& message) override;

    void BeginUpdate();
    // The open dialog for the package; tests give their own. Empty when cancelled.
    void SetFileChooser(std::function<QString()> chooser) { mChooser = std::move(chooser); }
    // The device's times of a direct transfer (tests shorten them).
    void SetUpgradeTimings(tonvia::firmware::UpgradeTimings timings) { mTimings = timings; }

    static int ShowUpdateFw(QWidget* parent, CHidDevice& link, const QString& path);

  private:
    UiControl ActiveBar() const override;
    void ShowPercent(int percent) override;
    int& Ticks() override;
    void ChooseFile();
    void EnableControls(bool enabled);
    void EmptyWorkFolder();

    QString mPath;
    std::string mFolder;
    std::string mScript;
    std::function<QString()> mChooser;
    tonvia::firmware::UpgradeTimings mTimings;
};

class CForceUpdateWnd : public UpdateDialogBase {
  public:
    enum Kind { kIdle = 0, kMcu = 1, kFlash = 2, kFactory = 3 };

    CForceUpdateWnd(CHidDevice& link, QString mcuPackage, std::string mcuScript,
                    std::string flashScript)
        : UpdateDialogBase(link),
          mMcuPackage(std::move(mcuPackage)),
          mMcuScript(std::move(mcuScript)),
          mFlashScript(std::move(flashScript)) {}

    QString ClassName() const override { return QStringLiteral("ForceUpdateWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_FORCE_UPDATE"); }
    void OnInit() override;
    void OnClick(TNotifyUI& msg) override;
    void OnMessage(WindowMessage& message) override;

    void BeginUpdate();
    // The amplifier connected again after a step: the next step, the factory reset or the
    // end. Ignored while a worker still runs (the tool's own restarts of the device).
    void Reconnect();
    void ResetMcuFactoryDefault();
    Kind CurrentKind() const { return mKind; }
    bool Finished() const { return mFinished; }

    // Runs the dialog; 1 when the update finished, else the close code. `current` points
    // at the dialog while it is open, for the connection's Reconnect.
    static int ShowForceUpdate(QWidget* parent, CHidDevice& link, const QString& mcuPackage,
                               const std::string& mcuScript, const std::string& flashScript,
                               CForceUpdateWnd** current);

  private:
    UiControl ActiveBar() const override;
    void ShowPercent(int percent) override;
    int& Ticks() override;
    void EnableButtons(bool enabled);

    QString mMcuPackage;
    std::string mMcuScript;
    std::string mFlashScript;
    Kind mKind = kIdle;
    bool mFinished = false;
    int* mResult = nullptr;  // the runner's finished flag while it waits
};
