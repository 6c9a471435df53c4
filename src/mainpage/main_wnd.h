#pragma once
// The main window: the page with the graph, the band columns, the channel strips and the
// master controls. It owns the page controller (and with it the model and the device
// link), routes every notification, posted message, timer and menu choice of the page to
// a named handler, and carries the shell steps that need the window: languages, DPI, the
// single-instance guard and the device arrival/removal watch.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "mainpage/equalizer_manager.h"
#include "mainpage/page_routes.h"
#include "platform/device_monitor.h"
#include "platform/instance_lock.h"
#include "ui/menu.h"
#include "ui/window_impl_base.h"

// Messages of the window beyond the link's.
inline constexpr unsigned WM_CLOSE = 0x0010;
inline constexpr unsigned WM_DEVICECHANGE = 0x0219;
inline constexpr unsigned WM_DISPLAYCHANGE = 0x007E;
inline constexpr unsigned DBT_DEVICEARRIVAL = 0x8000;
inline constexpr unsigned DBT_DEVICEREMOVECOMPLETE = 0x8004;
inline constexpr unsigned DBT_DEVNODES_CHANGED = 0x0007;

inline constexpr unsigned GET_MAIN_VOLUME_TIMER = 4114;
inline constexpr unsigned STATUS_READ_TIMER = 7698;

// What travels with WM_DEVICECHANGE (wParam is the DBT_ event).
struct DeviceChangeRecord final : MessageRecord {
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
};

// Things the window asks of its surroundings, replaceable for tests.
struct MainWndHooks {
    // A modal message box over the main window ("${tips}", one "${confirm}" button).
    std::function<void(WindowImplBase& owner, const QString& text)> messageBox;
    // A question box with confirm and cancel; true when confirmed.
    std::function<bool(WindowImplBase& owner, const QString& text)> askBox;
    // The two-choice box (1 or 2 chosen, 0 cancelled) and the three-button box (close
    // codes 1, 0, 2).
    std::function<int(WindowImplBase& owner, const QString& text, const QStringList& choices)>
        choiceBox;
    std::function<int(WindowImplBase& owner, const QString& text, const QStringList& buttons)>
        buttonBox;
    // The open (save false) or save dialog with one filter; the chosen path, empty when
    // cancelled (the window adds a missing extension).
    std::function<QString(WindowImplBase& owner, bool save, const QString& filter)> fileDialog;
    // Opens the firmware update dialog instead of the real one (tests).
    std::function<void(WindowImplBase& owner)> updateFw;
    // The scene name entry: 1 confirmed with `name` replaced, 0 cancelled.
    std::function<int(WindowImplBase& owner, std::wstring& name)> nameBox;
    // Runs the differences dialog instead of its modal run (tests).
    std::function<void(CDiffWnd& dialog)> runDiff;
    // Runs the speaker distances or EQ-from-measurement dialog instead of its modal run
    // (tests).
    std::function<void(WindowImplBase& dialog)> runToolDialog;
    // Starts the program again (after a display change).
    std::function<void()> restart;
    // The DPI of the page; 0 takes the rule over the screens.
    int dpi = 0;
    // The name of the single-instance lock; empty takes the product's.
    std::string instanceName;
};

class CMainPage;

// Where a page operation was asked from: a control's notification or a menu item, never
// both.
struct PageOrigin {
    TNotifyUI* msg = nullptr;
    const MenuCommandRecord* menu = nullptr;

    // The menu item's or the control's name.
    QString Name() const {
        return menu != nullptr ? menu->name : msg != nullptr ? msg->pSender.GetName() : QString();
    }
};

// Fills the "%d" conversions of a translated text (the firmware box) with four numbers; any
// other "%" sequence of the text stays as it is. At most 1023 characters.
QString FillDeviceNumbers(const QString& text, int a, int b, int c, int d);

class CMainWnd final : public WindowImplBase {
  public:
    CMainWnd(tonvia::platform::HidBackend& backend, tonvia::platform::DeviceMonitor* monitor,
             MainWndHooks hooks = {});
    ~CMainWnd() override;

    QString ClassName() const override { return QStringLiteral("MainWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_MAIN"); }
    QWidget* CreateControl(const QString& tag, QWidget* parent) override;
    void OnInit() override;
    void OnClick(TNotifyUI& msg) override;
    void Notify(TNotifyUI& msg) override;
    void OnMessage(WindowMessage& message) override;
    // The page half of one device report that the session applied to the model.
    void OnReport(const tonvia::commands::ReportChange& change);
    void OnTimer(unsigned id) override;
    bool OnKeyDown(QKeyEvent* event) override;
    bool OnHistoryKey(bool redo) override;
    void OnSystemCommand(unsigned command) override;
    void OnDestroyed() override;

    EqualizerManager& Manager() { return mManager; }
    int MenuChannel() const { return menuChannel; }
    // True when this instance holds the single-instance lock.
    bool IsFirstInstance() const { return mInstanceLock && !mInstanceLock->AlreadyExisted(); }
    bool WatchesDevices() const { return mWatching; }
    // The menu open now (null when none).
    CMenuWnd* OpenMenu() const { return mOpenMenu.data(); }
    // The handler names reached so far, in order (the most recent last).
    const std::vector<std::string>& HandledLog() const { return mHandled; }

    // Language switch: selects the language, stores its index in "lan", re-applies the
    // texts, the volume texts and the version labels.
    void ChangeLanguage(const QString& name, const QString& index);
    void WriteVersionLabels();

    // Opens the option, scene, advance, output, delay-link or EQ menu at its anchor.
    enum class Menu { Option, Scene, Advance, Output, DelayLink, Eq };
    CMenuWnd* ShowMenu(Menu menu, const UiControl& anchor);

    // The display configuration changed: close and start again.
    void OnDisplayChange();

  private:
    // Runs the handler of the route's action as one user action of the undo history; an
    // action without one is logged as pending.
    void Dispatch(const PageRoute& route, const PageOrigin& origin);
    void DispatchAction(const PageRoute& route, const PageOrigin& origin);
    // Undo (redo) of the history, from the buttons or the keys.
    void UndoRedo(bool redo);
    void OnMenuCommand(const MenuCommandRecord& record);

    // The handlers of the page actions, one each (Dispatch's table names them).
    void OnMinimize(const PageRoute& route, const PageOrigin& origin);
    void OnOutputMenu(const PageRoute& route, const PageOrigin& origin);
    void OnOptionMenu(const PageRoute& route, const PageOrigin& origin);
    void OnSceneMenu(const PageRoute& route, const PageOrigin& origin);
    void OnAdvanceMenu(const PageRoute& route, const PageOrigin& origin);
    void OnDelayLinkMenu(const PageRoute& route, const PageOrigin& origin);
    void OnEqMenu(const PageRoute& route, const PageOrigin& origin);
    void OnAbout(const PageRoute& route, const PageOrigin& origin);
    void OnNoiseThreshold(const PageRoute& route, const PageOrigin& origin);
    void OnMemWr(const PageRoute& route, const PageOrigin& origin);
    void OnSetCurChannelChange(const PageRoute& route, const PageOrigin& origin);
    void OnChannelFocus(const PageRoute& route, const PageOrigin& origin);
    void OnSpeakerDelayFocus(const PageRoute& route, const PageOrigin& origin);
    void OnSetInputSource(const PageRoute& route, const PageOrigin& origin);
    void OnFocusStep(const PageRoute& route, const PageOrigin& origin);
    void OnEqEditNext(const PageRoute& route, const PageOrigin& origin);
    void OnSetChEqEdit(const PageRoute& route, const PageOrigin& origin);
    void OnUpdateEqualizerBand(const PageRoute& route, const PageOrigin& origin);
    void OnEqualizerCallback(const PageRoute& route, const PageOrigin& origin);
    void OnEqSlider(const PageRoute& route, const PageOrigin& origin);
    void OnChannelVolumeSlider(const PageRoute& route, const PageOrigin& origin);
    void OnChannelDelaySlider(const PageRoute& route, const PageOrigin& origin);
    // Hands an edit to the page; what the page does not carry out yet is logged.
    void EditOrPending(const PageRoute& route);
    void OnChangeLanguage(const PageRoute& route, const PageOrigin& origin);
    void OnSetChDelayLink(const PageRoute& route, const PageOrigin& origin);
    void OnFirmwareUpgrade(const PageRoute& route, const PageOrigin& origin);
    void OnConnectDevice(const PageRoute& route, const PageOrigin& origin);
    void OnResetMcuFactoryDefault(const PageRoute& route, const PageOrigin& origin);

    void OnDeviceChange(unsigned event, const DeviceChangeRecord* record);
    // The busy window of a whole-profile transfer: "scene k of 10" and its bar; past the
    // tenth, the device storing them.
    void ShowBusyProgress(int scene);
    // The busy window of a state read: "Reading the amplifier: n %" and its bar.
    void ShowReadProgress(int percent);
    void OnCloseWindow();
    void CloseOpenPrompts();
    void MoveFocus(const QString& from, bool forward);
    void DelaySliderVisibility(const QString& focused);
    void ShowBox(const QString& text);
    void ShowUpdateFw();
    bool AskBox(const QString& text);
    // A handler whose page operation comes with the editing operations: logged only.
    void Pending(PageAction action, int index);
    void Handled(const char* name);
    void StartDeviceWatch();
    void StopDeviceWatch();

    // Members in the order they are built.
    EqualizerManager mManager;
    std::unordered_map<QString, QObject*> mVirtualWindows;  // 83 buckets
    std::unique_ptr<CMainPage> mMainPage;
    QPointer<CMenuWnd> mOpenMenu;
    QPointer<QWidget> mBusyWindow;
    int menuChannel = 0;
    std::unique_ptr<tonvia::platform::InstanceLock> mInstanceLock;
    bool mCloseDone = false;
    tonvia::platform::DeviceMonitor* mMonitor = nullptr;

    MainWndHooks mHooks;
    bool mWatching = false;
    int getMainVolumeTimer = 0;
    std::vector<std::string> mHandled;
    std::unique_ptr<QObject> mWindowFilter;
    // Brackets the dialogs' notifications into user actions of the undo history.
    std::unique_ptr<NotifyObserver> mHistoryObserver;
};
