#pragma once
// The window base every window of the application derives from. A window loads its layout
// (a Qt Designer form of the skin package, found through its skin name), finds its
// controls by name, hears their notifications, receives posted messages and runs timers.
//
// A window object lives on the heap. Create() builds its system window; ShowModal() runs it
// modally and returns the close code; when its system window is destroyed the object
// deletes itself (unless SetAutoDelete(false)), so an opener keeps nothing but the code.

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "link/window_messages.h"
#include "ui/control.h"
#include "ui/notify.h"

class QEventLoop;
class QKeyEvent;
class QTimer;

namespace tonvia::ui {
class ControlHub;
class MessagePort;
class WindowHost;
}  // namespace tonvia::ui

// System commands, as the window's caption buttons and the close command send them.
inline constexpr unsigned SC_MINIMIZE = 0xF020;
inline constexpr unsigned SC_MAXIMIZE = 0xF030;
inline constexpr unsigned SC_CLOSE = 0xF060;
inline constexpr unsigned SC_RESTORE = 0xF120;

class WindowImplBase {
  public:
    WindowImplBase();
    virtual ~WindowImplBase();
    WindowImplBase(const WindowImplBase&) = delete;
    WindowImplBase& operator=(const WindowImplBase&) = delete;

    // ---- Hooks -------------------------------------------------------------------------
    virtual QString ClassName() const = 0;
    // The skin name resolved through "xml/res.xml" (XML_MAIN, XML_MSG, ...).
    virtual QString SkinName() const = 0;
    // Runs once the layout is built, scaled and translated: look controls up and fill them.
    virtual void OnInit() {}
    // "click" notifications. The base: "closebtn" closes with 1; "minbtn", "maxbtn" and
    // "restorebtn" send SC_MINIMIZE, SC_MAXIMIZE and SC_RESTORE.
    virtual void OnClick(TNotifyUI& msg);
    // Every notification ("Notify %s" is logged before it arrives). The base sends it
    // through the notification map; overrides handle theirs and pass it on to the base.
    virtual void Notify(TNotifyUI& msg);
    // Controls for layout tags Qt does not know. The base creates the application's
    // controls ("Curve", "CurveAc", "CircleProgress", "SButton", without regard to case).
    virtual QWidget* CreateControl(const QString& tag, QWidget* parent);
    // Posted messages. Take the record over with tonvia::ui::TakeRecord<T>(message);
    // whatever is left is freed after the call.
    virtual void OnMessage(WindowMessage& message);
    // Timers started with SetTimer.
    virtual void OnTimer(unsigned id);
    // Key presses that no control took (Escape never arrives: it is consumed). Return true
    // when handled.
    virtual bool OnKeyDown(QKeyEvent* event);
    // Ctrl+Z (undo) or Ctrl+Shift+Z / Ctrl+Y (redo) anywhere in the window, before any
    // control (an edit's own text undo included) sees it; true when the window took it.
    virtual bool OnHistoryKey(bool redo);
    // SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE and SC_CLOSE (the close button of the system or
    // Alt+F4). The base closes the window on SC_CLOSE with code 0 and keeps "maxbtn" /
    // "restorebtn" in step with the maximised state.
    virtual void OnSystemCommand(unsigned command);
    // The system window is being destroyed; the object is deleted right after (unless
    // auto-delete is off). Do not delete the object yourself.
    virtual void OnDestroyed() {}

    // ---- Life cycle --------------------------------------------------------------------
    // Builds the system window: loads and scales the layout, translates its texts, then
    // OnInit. `parent` may be null. A skin that cannot be built stops the program (error
    // box, exit code 1); when that stop is replaced (tests), false is returned and the
    // object stays the caller's.
    bool Create(QWidget* parent, const QString& windowName, bool dialog = true);
    void CenterWindow();
    void ShowWindow(bool show = true);
    // Shows the window modally and returns the close code. The object is gone afterwards.
    int ShowModal();
    // Closes with `code` (what ShowModal returns). Safe from inside notifications.
    void Close(int code = 1);
    void SendSystemCommand(unsigned command) { OnSystemCommand(command); }
    void SetAutoDelete(bool autoDelete) { mAutoDelete = autoDelete; }
    bool IsClosing() const { return mClosing; }

    QWidget* GetWidget() const;  // the system window, null before Create or after destroy
    WindowHandle GetHWND() const { return mHandle; }

    // ---- Controls ----------------------------------------------------------------------
    UiControl FindControl(const QString& name) const;
    // Re-applies every control text and tooltip from its language key.
    void RetranslateControls();
    // Builds a layout file of the skin package (for list items and other repeated parts)
    // under `parent`, scaled and translated, its controls raising notifications here.
    QWidget* BuildLayout(const QString& path, QWidget* parent);
    // Wires controls created in code below `root` like the layout's own.
    void AdoptControls(QWidget* root);
    // Raises a notification from a control (custom controls use RaiseNotify below).
    void SendNotify(const UiControl& sender, const QString& type, std::uintptr_t wParam = 0,
                    std::intptr_t lParam = 0);
    // Extra entries of the notification map: `handler` gets notifications of `type`.
    void AddNotifyHandler(const QString& type, std::function<void(TNotifyUI&)> handler);

    // ---- Display scale -----------------------------------------------------------------
    void SetDpi(int dpi);
    int GetDpi() const { return mDpi; }
    int ScalePercent() const;
    int Scale(int units) const;

    // ---- Timers ------------------------------------------------------------------------
    // Starts (or restarts with the new period) the timer `id`; OnTimer(id) then runs every
    // `milliseconds` until KillTimer or the window closes.
    bool SetTimer(unsigned id, unsigned milliseconds);
    bool KillTimer(unsigned id);
    bool HasTimer(unsigned id) const;

    // The window that owns a widget, or null.
    static WindowImplBase* FromWidget(const QWidget* widget);

  private:
    friend class tonvia::ui::ControlHub;
    friend class tonvia::ui::MessagePort;
    friend class tonvia::ui::WindowHost;

    void HostDestroyed();
    void DispatchNotify(TNotifyUI& msg);
    void DispatchMessage(WindowMessage& message);
    void HandleCloseRequest();
    void UpdateCaptionButtons();
    void DestroyHost();

    QPointer<tonvia::ui::WindowHost> mHost;
    QWidget* mRoot = nullptr;
    // Controls found by name: a page edit looks up dozens of them, and a search walks every
    // widget of the window. Only found controls are kept (a layout built later may add the
    // others), and a kept one counts only while it lives under the root with that name.
    mutable QHash<QString, QPointer<QWidget>> mFound;
    std::unique_ptr<tonvia::ui::ControlHub> mHub;
    std::unique_ptr<tonvia::ui::MessagePort> mPort;
    std::map<unsigned, std::unique_ptr<QTimer>> mTimers;
    std::multimap<QString, std::function<void(TNotifyUI&)>> mNotifyMap;
    WindowHandle mHandle = kNoWindow;
    int mLanguageListener = 0;
    int mDpi = 96;
    bool mAutoDelete = true;
    bool mClosing = false;
    bool mDestroying = false;
    int* mModalResult = nullptr;
    bool* mAliveFlag = nullptr;  // cleared when the object is deleted during ShowModal
    QEventLoop* mModalLoop = nullptr;
};

// Dialogs: the common click handling ("closebtn" 0, "confirm_btn" 1, "cancel_btn" 0,
// "third_btn" 2) and the close command: "AutoCalWnd", "ForceUpdateWnd", "MemWrWnd" and
// "UpdateFwWnd" end the application on it, every other dialog closes with 0.
class DialogImplBase : public WindowImplBase {
  public:
    void OnClick(TNotifyUI& msg) override;
    void OnSystemCommand(unsigned command) override;
};

// True for the window classes whose close command ends the whole application.
bool EndsApplicationOnCloseCommand(const QString& className);

// Sees every notification a window hears, before and after the window handles it. The
// undo history brackets the user's edits with it. One observer for the process; null none.
class NotifyObserver {
  public:
    virtual ~NotifyObserver() = default;
    virtual void BeforeNotify(WindowImplBase& window, const TNotifyUI& msg) = 0;
    virtual void AfterNotify(WindowImplBase& window, const TNotifyUI& msg) = 0;
};
void SetNotifyObserver(NotifyObserver* observer);
// Removes `observer` if it is the one installed (another window may have installed its own).
void RemoveNotifyObserver(NotifyObserver* observer);

// Raises a notification from `control` to the window that holds it (custom controls).
void RaiseNotify(QWidget* control, const QString& type, std::uintptr_t wParam = 0,
                 std::intptr_t lParam = 0);
