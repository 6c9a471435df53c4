#include "mainpage/main_wnd.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QScreen>
#include <QTimer>

#include "dialogs/about_wnd.h"
#include "dialogs/mem_wr_wnd.h"
#include "dialogs/msg_wnd.h"
#include "dialogs/name_msg_wnd.h"
#include "dialogs/noise_threshold_wnd.h"
#include "graph/graph_controls.h"
#include "mainpage/mixer_wnd.h"
#include "mainpage/update_wnds.h"
#include "model/positions.h"
#include "model/product.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "platform/text.h"
#include "ui/display_scale.h"
#include "ui/language.h"
#include "ui/message_box.h"
#include "ui/screen_dpi.h"
#include "ui/skin_resources.h"
#include "ui/window_registry.h"

// The virtual window "mainpage": it hears the page's notifications with the window but
// handles none of its own.
class CMainPage {
  public:
    void Notify(TNotifyUI&) {}
};

namespace {

QByteArray Utf8(const QString& text) {
    return text.toUtf8();
}

// Fills the "%d" of a translated text with `numbers` in order. The text comes from the skin,
// so nothing but "%d" and "%%" is taken as a conversion: a stray "%s" stays as it is.
QString FillNumbers(const QString& text, std::initializer_list<int> numbers, int limit) {
    QString out;
    auto next = numbers.begin();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size()) {
            if (text[i + 1] == u'd' && next != numbers.end()) {
                out += QString::number(*next++);
                ++i;
                continue;
            }
            if (text[i + 1] == u'%') {
                out += u'%';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out.left(limit);
}

// The menus in the page's dark theme (they are windows of their own and do not inherit
// the page's style).
constexpr char kMenuStyle[] =
    "QMenu { background: #23272E; color: #D7DBE0; border: 1px solid #3B424C; padding: 4px 0px; }"
    "QMenu::item { padding: 4px 22px 4px 26px; background: transparent; }"
    "QMenu::item:selected { background: #3A2C18; color: #F2A23A; }"
    "QMenu::item:disabled { color: #5B626C; }"
    "QMenu::separator { height: 1px; background: #323842; margin: 4px 8px; }"
    "QMenu::icon { padding-left: 6px; }"
    "QMenu::right-arrow { width: 8px; height: 8px; }";

// Swallows double clicks on the window (the caption must not maximise it).
class WindowFilter final : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* event) override {
        return event->type() == QEvent::MouseButtonDblClick ||
               event->type() == QEvent::NonClientAreaMouseButtonDblClick;
    }
};

// A second row for an action would never be reached: the first one wins.
template <typename Row, std::size_t N>
constexpr bool EachActionOnce(const Row (&rows)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        for (std::size_t j = i + 1; j < N; ++j) {
            if (rows[i].action == rows[j].action) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

QString FillDeviceNumbers(const QString& text, int a, int b, int c, int d) {
    return FillNumbers(text, {a, b, c, d}, 1023);
}

CMainWnd::CMainWnd(tonvia::platform::HidBackend& backend, tonvia::platform::DeviceMonitor* monitor,
                   MainWndHooks hooks)
    : mManager(backend, tonvia::ui::WindowRegistry::Instance()),
      mVirtualWindows(83),
      mMainPage(std::make_unique<CMainPage>()),
      mMonitor(monitor),
      mHooks(std::move(hooks)) {
    // The page's graph is the real curve control wherever the window is built.
    tonvia::graph::RegisterGraphControls();
    mVirtualWindows.emplace(QStringLiteral("mainpage"), nullptr);
}

namespace {

// The gesture an action belongs to: the moves of one drag, the values of one slider pulled
// along, the repeats of one held arrow key. Empty for actions that stand alone.
std::string GestureOf(const PageRoute& route) {
    const std::string name = PageActionName(route.action);
    const std::string index = std::to_string(route.index);
    switch (route.action) {
        case PageAction::EqualizerCallback:
            return name + " " + std::to_string(route.part) + " " + index;
        case PageAction::EqSlider:
        case PageAction::SetMainVolumeSlider:
        case PageAction::SetAccSlider:
        case PageAction::ChannelVolumeSlider:
        case PageAction::ChannelDelaySlider:
            return name + " " + index;
        case PageAction::SetEqFreqUp:
        case PageAction::SetEqQUp:
        case PageAction::SetEqGainUp:
        case PageAction::SetHpFreqUp:
        case PageAction::SetLpFreqUp:
        case PageAction::SetMainVolumeUp:
        case PageAction::SetAccUp:
        case PageAction::SetChVolumeUp:
        case PageAction::SetChDelayUp:
        case PageAction::SpeakerDelayStep:
        case PageAction::SpeakerDelayStepCurrent:
            return name + " " + index + (route.up ? " up" : " down");
        default:
            return {};
    }
}

// A dialog's notification as a user action: sliders and arrow steps make gestures.
class HistoryObserver final : public NotifyObserver {
  public:
    HistoryObserver(WindowImplBase& main, EqualizerManager& manager)
        : mMain(main), mManager(manager) {}

    void BeforeNotify(WindowImplBase& window, const TNotifyUI& msg) override {
        const bool counted = &window != &mMain;  // the main window brackets its own routes
        mCounted.push_back(counted);
        if (!counted) {
            return;
        }
        const QString label = window.ClassName() + QLatin1Char(' ') + msg.pSender.GetName();
        const bool step = msg.sType.startsWith(QLatin1String(DUI_MSGTYPE_VALUECHANGED)) ||
                          msg.sType == QLatin1String(DUI_MSGTYPE_VALUECHANGED_MOVE);
        const QString gesture = step ? label + QLatin1Char(' ') + msg.sType : QString();
        mManager.BeginUserEdit(label.toStdString(), gesture.toStdString());
    }
    void AfterNotify(WindowImplBase&, const TNotifyUI&) override {
        // The window may be gone by now: only the stack says what Before did.
        if (mCounted.empty()) {
            return;
        }
        const bool counted = mCounted.back();
        mCounted.pop_back();
        if (counted) {
            mManager.EndUserEdit();
        }
    }

  private:
    WindowImplBase& mMain;
    EqualizerManager& mManager;
    std::vector<bool> mCounted;
};

}  // namespace

CMainWnd::~CMainWnd() {
    RemoveNotifyObserver(mHistoryObserver.get());
    StopDeviceWatch();
}

QWidget* CMainWnd::CreateControl(const QString& tag, QWidget* parent) {
    return WindowImplBase::CreateControl(tag, parent);
}

void CMainWnd::OnInit() {
    // 1. The channel strips into their container.
    if (QWidget* container = FindControl(QStringLiteral("channel_settings")).Widget()) {
        if (BuildLayout(QStringLiteral("xml/channel_settings_mixer.xml"), container) == nullptr) {
            LogPrintA("layout xml/channel_settings_mixer.xml could not be built\n");
        }
    }
    mManager.Device().mMainWnd = GetHWND();

    // 3. Languages, the stored language, the DPI.
    auto& skin = tonvia::ui::SkinResources::Instance();
    for (const LanguageEntry& language : kLanguages) {
        skin.AddLanguage(QString::fromLatin1(language.name), QString::fromLatin1(language.file));
    }
    const int lan = ReadConfigInt("lan", 0);
    const auto language = LanguageForIndex(lan);
    // A stored index outside the table falls back to English.
    const QString name = QString::fromLatin1(language ? language->name : "en");
    QString error;
    if (!skin.SelectLanguage(name, &error)) {
        LogPrintA("language %s: %s\n", Utf8(name).constData(), Utf8(error).constData());
    }
    // Scene names travel in the code page of the interface language.
    mManager.Model().nameCodePage =
        tonvia::platform::AnsiCodePageForLanguage(language ? language->index : 0);
    const int dpi = mHooks.dpi > 0 ? mHooks.dpi : GetScreenDpi(tonvia::ui::CollectScreenInfo());
    tonvia::ui::SetInterfaceDpi(dpi);
    SetDpi(dpi);

    // 2. The window keeps the size it was created with: no maximise, no sizing.
    if (QWidget* host = GetWidget()) {
        host->setWindowFlag(Qt::WindowMaximizeButtonHint, false);
        host->setFixedSize(host->size());
        mWindowFilter = std::make_unique<WindowFilter>();
        host->installEventFilter(mWindowFilter.get());
        auto display = [handle = GetHWND()] {
            tonvia::ui::PostMessageTo(handle, WM_DISPLAYCHANGE);
        };
        auto watchScreen = [host, display](QScreen* screen) {
            QObject::connect(screen, &QScreen::geometryChanged, host, display);
        };
        for (QScreen* screen : QGuiApplication::screens()) {
            watchScreen(screen);
        }
        QObject::connect(qApp, &QGuiApplication::screenAdded, host,
                         [watchScreen, display](QScreen* s) {
                             watchScreen(s);
                             display();
                         });
        QObject::connect(qApp, &QGuiApplication::screenRemoved, host, display);
    }

    // 4. The page.
    mManager.BindPage(*this, IsLocalFileExist("debug.ini"), ScalePercent());
    WriteVersionLabels();
    mHistoryObserver = std::make_unique<HistoryObserver>(*this, mManager);
    SetNotifyObserver(mHistoryObserver.get());

    // 5. The single-instance guard.
    char lockName[64];
    std::snprintf(lockName, sizeof lockName, INSTANCE_MUTEX_FORMAT, MODEL_NAME);
    mInstanceLock = std::make_unique<tonvia::platform::InstanceLock>(
        mHooks.instanceName.empty() ? std::string(lockName) : mHooks.instanceName);
    if (mInstanceLock->AlreadyExisted()) {
        LogPrintA("another instance is running\n");
        QTimer::singleShot(0, GetWidget(), [this] {
            ShowBox(QStringLiteral("${mutex_tips}"));
            QTimer::singleShot(0, GetWidget(), [this] { SendSystemCommand(SC_CLOSE); });
        });
        return;
    }
    ConnectionHooks hooks;
    hooks.showBox = [this](const QString& text) { ShowBox(text); };
    hooks.askBox = [this](const QString& text) { return AskBox(text); };
    hooks.closeDeviceDialogs = [] {
        // The mixer shows one connection's routes; a new one may hold others.
        if (CMixerWnd* mixer = CMixerWnd::Current(); mixer != nullptr && !mixer->IsClosing()) {
            mixer->Close(0);
        }
    };
    hooks.closeUpdateDialog = [] {
        // The tool restarts the amplifier on its own while it installs.
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* update = dynamic_cast<CUpdateFwWnd*>(WindowImplBase::FromWidget(widget));
            if (update != nullptr && !update->WorkerRunning() && !update->IsClosing()) {
                update->Close(0);
            }
        }
    };
    hooks.choiceBox = [this](const QString& text, const QStringList& choices) {
        Handled("ChoiceBox");
        if (mHooks.choiceBox) {
            return mHooks.choiceBox(*this, text, choices);
        }
        return CMsgCheckBoxWnd::ShowCheckChoice(GetWidget(), QStringLiteral("${tips}"), text,
                                                choices);
    };
    hooks.fileDialog = [this](bool save, const QString& filter, const QString& extension) {
        Handled(save ? "SaveFileDialog" : "OpenFileDialog");
        QString path;
        if (mHooks.fileDialog) {
            path = mHooks.fileDialog(*this, save, filter);
        } else if (save) {
            path =
                QFileDialog::getSaveFileName(GetWidget(), QString(), QDir::currentPath(), filter);
        } else {
            path =
                QFileDialog::getOpenFileName(GetWidget(), QString(), QDir::currentPath(), filter);
        }
        if (save && !path.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
            path += QLatin1Char('.') + extension;
        }
        return path;
    };
    hooks.buttonBox = [this](const QString& text, const QStringList& buttons) {
        Handled("ButtonBox");
        if (mHooks.buttonBox) {
            return mHooks.buttonBox(*this, text, buttons);
        }
        return CMsgWnd::ShowMessageEx(GetWidget(), QStringLiteral("${tips}"), text, buttons,
                                      static_cast<int>(buttons.size()));
    };
    hooks.nameBox = [this](std::wstring& name) {
        Handled("NameBox");
        if (mHooks.nameBox) {
            return mHooks.nameBox(*this, name);
        }
        // Over the scene list, which is the active window while it asks.
        QWidget* over = QApplication::activeWindow();
        return CNameMsgWnd::ShowName(over != nullptr ? over : GetWidget(), name);
    };
    hooks.runDiff = mHooks.runDiff;
    hooks.runToolDialog = mHooks.runToolDialog;
    mManager.SetConnectionHooks(std::move(hooks));
    Handled("ConnectDevice");
    mManager.ConnectDevice(false);
    StartDeviceWatch();
}

void CMainWnd::StartDeviceWatch() {
    if (mMonitor == nullptr) {
        LogPrintA("RegisterDeviceNotification\n");
        return;
    }
    const WindowHandle handle = GetHWND();
    mWatching = mMonitor->Start(
        DEVICE_VENDOR_ID, DEVICE_PRODUCT_ID, [handle](const tonvia::platform::DeviceEvent& e) {
            auto record = std::make_unique<DeviceChangeRecord>();
            record->path = e.path;
            record->vendorId = e.vendorId;
            record->productId = e.productId;
            const unsigned event = e.kind == tonvia::platform::DeviceEventKind::Arrived
                                       ? DBT_DEVICEARRIVAL
                                       : DBT_DEVICEREMOVECOMPLETE;
            tonvia::ui::PostMessageTo(handle, WM_DEVICECHANGE, event, 0, std::move(record));
        });
    if (!mWatching) {
        LogPrintA("RegisterDeviceNotification\n");
    }
}

void CMainWnd::StopDeviceWatch() {
    if (mWatching && mMonitor != nullptr) {
        mMonitor->Stop();
    }
    mWatching = false;
}

void CMainWnd::WriteVersionLabels() {
    using tonvia::ui::Translate;
    if (UiControl soft = FindControl(QStringLiteral("soft_version"))) {
        soft.SetText(QStringLiteral("%1 %2").arg(Translate(QStringLiteral("${soft_version}")),
                                                 QLatin1String(VERSION)));
    }
    if (UiControl inner = FindControl(QStringLiteral("inner_fw_version"))) {
        inner.SetText(QStringLiteral("%1 v%2.%3")
                          .arg(Translate(QStringLiteral("${inner_fw_version}")))
                          .arg(INNER_FW_MAJOR)
                          .arg(INNER_FW_MINOR));
        inner.SetVisible(true);
    }
}

void CMainWnd::ChangeLanguage(const QString& name, const QString& index) {
    LogPrintA("change language to %s - %s\n", Utf8(name).constData(), Utf8(index).constData());
    QString error;
    if (!tonvia::ui::SkinResources::Instance().SelectLanguage(name, &error)) {
        LogPrintA("language %s: %s\n", Utf8(name).constData(), Utf8(error).constData());
        return;  // the stored index keeps naming a language that works
    }
    WriteConfigString("lan", index.toStdString());
    mManager.Model().nameCodePage = tonvia::platform::AnsiCodePageForLanguage(index.toInt());
    if (QWidget* host = GetWidget()) {
        host->update();
    }
    RetranslateControls();
    LogPrintA("change language finish\n");
    mManager.UpdateAllVolumeEdit();
    WriteVersionLabels();
}

void CMainWnd::Handled(const char* name) {
    mHandled.emplace_back(name);
}

void CMainWnd::Pending(PageAction action, int index) {
    Handled(PageActionName(action));
    LogPrintA("%s(%d): the page operation is not built yet\n", PageActionName(action), index);
}

bool CMainWnd::AskBox(const QString& text) {
    Handled("AskBox");
    if (mHooks.askBox) {
        return mHooks.askBox(*this, text);
    }
    return CMsgWnd::ShowMessage(GetWidget(), QStringLiteral("${tips}"), text) == 1;
}

void CMainWnd::ShowBox(const QString& text) {
    Handled("MessageBox");
    if (mHooks.messageBox) {
        mHooks.messageBox(*this, text);
        return;
    }
    // A notice, not a question: its one button confirms.
    CMsgWnd::ShowMessageEx(GetWidget(), QStringLiteral("${tips}"), text,
                           {QStringLiteral("${confirm}")}, 1);
}

// ---- Notifications -------------------------------------------------------------------------

void CMainWnd::OnClick(TNotifyUI& msg) {
    const QString name = msg.pSender.GetName();
    if (name == QLatin1String("closebtn")) {
        SendSystemCommand(SC_CLOSE);
        return;
    }
    const PageRoute route =
        RouteNotify(QString::fromLatin1(DUI_MSGTYPE_CLICK), name, msg.pSender.GetUserData());
    if (route.action == PageAction::None) {
        return;
    }
    Dispatch(route, PageOrigin{&msg, nullptr});
}

void CMainWnd::Notify(TNotifyUI& msg) {
    const QString name = msg.pSender.GetName();
    const QByteArray n = Utf8(name);
    const QString& type = msg.sType;
    if (type == QLatin1String(DUI_MSGTYPE_SELECTCHANGED)) {
        LogPrintA("on option %s DUI_MSGTYPE_SELECTCHANGED index %d\n", n.constData(),
                  static_cast<int>(msg.wParam));
    } else if (type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_RIGHT)) {
        LogPrintA("on edit %s DUI_MSGTYPE_VALUECHANGED_RIGHT\n", n.constData());
    } else if (type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_LEFT)) {
        LogPrintA("on edit %s DUI_MSGTYPE_VALUECHANGED_LEFT\n", n.constData());
    } else if (type == QLatin1String(DUI_MSGTYPE_RETURN)) {
        LogPrintA("on edit %s DUI_MSGTYPE_RETURN\n", n.constData());
    } else if (type == QLatin1String(DUI_MSGTYPE_KILLFOCUS)) {
        LogPrintA("on %s DUI_MSGTYPE_KILLFOCUS\n", n.constData());
    } else if (type == QLatin1String(DUI_MSGTYPE_SETFOCUS)) {
        LogPrintA("on %s DUI_MSGTYPE_SETFOCUS\n", n.constData());
        DelaySliderVisibility(name);
    } else if (type == QLatin1String(DUI_MSGTYPE_ITEMSELECT)) {
        LogPrintA("on %s DUI_MSGTYPE_ITEMSELECT\n", n.constData());
    }
    if (type != QLatin1String(DUI_MSGTYPE_CLICK)) {
        const PageRoute route = RouteNotify(type, name, msg.pSender.GetUserData());
        if (route.action != PageAction::None) {
            Dispatch(route, PageOrigin{&msg, nullptr});
        }
    }
    WindowImplBase::Notify(msg);
}

void CMainWnd::DelaySliderVisibility(const QString& focused) {
    int channel = -1;
    if (focused.startsWith(QLatin1String("edit_ch_delay_")) ||
        focused.startsWith(QLatin1String("slider_ch_delay_"))) {
        channel = FindControl(focused).GetUserData().toInt();
    } else {
        LogPrintA("on mSliderChDelay SetVisible false\n");
    }
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        FindControl(QStringLiteral("slider_ch_delay_%1").arg(ch)).SetVisible(ch == channel);
        FindControl(QStringLiteral("control_empty_%1").arg(ch)).SetVisible(ch != channel);
    }
}

void CMainWnd::MoveFocus(const QString& from, bool forward) {
    const int eqSize =
        mManager.Live().channels[static_cast<std::size_t>(mManager.CurrentChannel())].eqSize;
    QString name = from;
    // Disabled edits (bands beyond the channel's count) are passed over.
    for (int guard = 0; guard < 200; ++guard) {
        const auto next = FocusRingNext(name, forward, eqSize, mManager.GeqMode());
        if (!next) {
            return;
        }
        name = *next;
        UiControl control = FindControl(name);
        if (control && control.IsEnabled()) {
            control.SetFocusSelectAll();
            return;
        }
    }
}

void CMainWnd::OnConnectDevice(const PageRoute&, const PageOrigin&) {
    Handled("ConnectDevice");
    mManager.ConnectDevice(true);
}

void CMainWnd::OnResetMcuFactoryDefault(const PageRoute&, const PageOrigin&) {
    Handled("ResetMcuFactoryDefault");
    mManager.ResetMcuFactoryDefault();
}

void CMainWnd::Dispatch(const PageRoute& route, const PageOrigin& origin) {
    switch (route.action) {
        case PageAction::Undo:
        case PageAction::Redo:
            // Not an edit of its own: it moves along the history.
            Handled(PageActionName(route.action));
            UndoRedo(route.action == PageAction::Redo);
            return;
        default:
            break;
    }
    const bool drag = route.action == PageAction::EqualizerCallback;
    mManager.BeginUserEdit(PageActionName(route.action), GestureOf(route), drag);
    DispatchAction(route, origin);
    mManager.EndUserEdit(drag && route.up);
}

void CMainWnd::UndoRedo(bool redo) {
    const tonvia::tuning::EditResult result = redo ? mManager.Redo() : mManager.Undo();
    if (result.startVolumePoll) {
        // As after the user's own source switch: read the source's volume back.
        getMainVolumeTimer = 10;
        SetTimer(GET_MAIN_VOLUME_TIMER, 1000);
    }
}

bool CMainWnd::OnHistoryKey(bool redo) {
    Handled(redo ? "Redo" : "Undo");
    UndoRedo(redo);
    return true;
}

void CMainWnd::DispatchAction(const PageRoute& route, const PageOrigin& origin) {
    using Handler = void (CMainWnd::*)(const PageRoute&, const PageOrigin&);
    struct Row {
        PageAction action;
        Handler handler;
    };
    static constexpr Row kHandlers[] = {
        {PageAction::Minimize, &CMainWnd::OnMinimize},
        {PageAction::ConnectDevice, &CMainWnd::OnConnectDevice},
        {PageAction::ResetMcuFactoryDefault, &CMainWnd::OnResetMcuFactoryDefault},
        {PageAction::OutputMenu, &CMainWnd::OnOutputMenu},
        {PageAction::OptionMenu, &CMainWnd::OnOptionMenu},
        {PageAction::SceneMenu, &CMainWnd::OnSceneMenu},
        {PageAction::AdvanceMenu, &CMainWnd::OnAdvanceMenu},
        {PageAction::DelayLinkMenu, &CMainWnd::OnDelayLinkMenu},
        {PageAction::EqMenu, &CMainWnd::OnEqMenu},
        {PageAction::About, &CMainWnd::OnAbout},
        {PageAction::NoiseThreshold, &CMainWnd::OnNoiseThreshold},
        {PageAction::MemWr, &CMainWnd::OnMemWr},
        {PageAction::SetCurChannelChange, &CMainWnd::OnSetCurChannelChange},
        {PageAction::ChannelFocus, &CMainWnd::OnChannelFocus},
        {PageAction::SpeakerDelayFocus, &CMainWnd::OnSpeakerDelayFocus},
        {PageAction::SetInputSource, &CMainWnd::OnSetInputSource},
        {PageAction::FocusForward, &CMainWnd::OnFocusStep},
        {PageAction::FocusBack, &CMainWnd::OnFocusStep},
        {PageAction::EqEditNext, &CMainWnd::OnEqEditNext},
        {PageAction::SetChEqEdit, &CMainWnd::OnSetChEqEdit},
        {PageAction::UpdateEqualizerBand, &CMainWnd::OnUpdateEqualizerBand},
        {PageAction::EqualizerCallback, &CMainWnd::OnEqualizerCallback},
        {PageAction::EqSlider, &CMainWnd::OnEqSlider},
        {PageAction::ChannelVolumeSlider, &CMainWnd::OnChannelVolumeSlider},
        {PageAction::ChannelDelaySlider, &CMainWnd::OnChannelDelaySlider},
        {PageAction::ChangeLanguage, &CMainWnd::OnChangeLanguage},
        {PageAction::SetChDelayLink, &CMainWnd::OnSetChDelayLink},
        {PageAction::FirmwareUpgrade, &CMainWnd::OnFirmwareUpgrade},
    };
    static_assert(EachActionOnce(kHandlers));
    for (const Row& row : kHandlers) {
        if (row.action == route.action) {
            (this->*row.handler)(route, origin);
            return;
        }
    }
    // The page's edits: the manager reads the control, runs the rules and shows the result.
    // A menu item acts on the channel its menu was opened for.
    PageRoute edit = route;
    if (origin.menu != nullptr) {
        edit.second = menuChannel;
    }
    if (mManager.Edit(edit, origin.Name())) {
        Handled(PageActionName(route.action));
        return;
    }
    // A menu item has no number of its own: it logs the channel its menu was opened for.
    Pending(route.action, origin.menu != nullptr ? menuChannel : route.index);
}

void CMainWnd::OnMinimize(const PageRoute&, const PageOrigin&) {
    Handled("Minimize");
    SendSystemCommand(SC_MINIMIZE);
}

void CMainWnd::OnOutputMenu(const PageRoute& route, const PageOrigin& origin) {
    Handled("OutputMenu");
    menuChannel = route.index;
    ShowMenu(Menu::Output, origin.msg->pSender);
}

void CMainWnd::OnOptionMenu(const PageRoute&, const PageOrigin& origin) {
    Handled("OptionMenu");
    ShowMenu(Menu::Option, origin.msg->pSender);
}

void CMainWnd::OnSceneMenu(const PageRoute&, const PageOrigin& origin) {
    Handled("SceneMenu");
    ShowMenu(Menu::Scene, origin.msg->pSender);
}

void CMainWnd::OnAdvanceMenu(const PageRoute&, const PageOrigin& origin) {
    Handled("AdvanceMenu");
    ShowMenu(Menu::Advance, origin.msg->pSender);
}

void CMainWnd::OnDelayLinkMenu(const PageRoute& route, const PageOrigin& origin) {
    Handled("DelayLinkMenu");
    menuChannel = route.index;
    ShowMenu(Menu::DelayLink, origin.msg->pSender);
}

void CMainWnd::OnEqMenu(const PageRoute&, const PageOrigin& origin) {
    Handled("EqMenu");
    ShowMenu(Menu::Eq, origin.msg->pSender);
}

void CMainWnd::OnAbout(const PageRoute&, const PageOrigin&) {
    Handled("About");
    CAboutWnd::ShowAbout(GetWidget(), mManager.Live());
}

void CMainWnd::OnNoiseThreshold(const PageRoute&, const PageOrigin&) {
    Handled("NoiseThreshold");
    CNoiseThresholdWnd::ShowNoiseThreshold(GetWidget(), mManager.Device(), mManager.Live());
}

void CMainWnd::OnMemWr(const PageRoute&, const PageOrigin&) {
    Handled("MemWr");
    CMemWrWnd::ShowMemWr(GetWidget(), mManager.Device());
}

void CMainWnd::OnSetCurChannelChange(const PageRoute& route, const PageOrigin&) {
    Handled("SetCurChannelChange");
    mManager.SetCurChannelChange(route.index);
}

void CMainWnd::OnChannelFocus(const PageRoute& route, const PageOrigin&) {
    Handled("ChannelFocus");
    if (route.index != mManager.CurrentChannel()) {
        mManager.SetCurChannelChange(route.index);
    }
}

void CMainWnd::OnSpeakerDelayFocus(const PageRoute& route, const PageOrigin& origin) {
    Handled("SpeakerDelayFocus");
    const auto& outputs = mManager.Live().outputs;
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        if (outputs[static_cast<std::size_t>(ch)] == route.index) {
            mManager.SetCurChannelChange(ch);
            break;
        }
    }
    origin.msg->pSender.SetFocusSelectAll();
}

void CMainWnd::OnSetInputSource(const PageRoute&, const PageOrigin&) {
    Handled("SetInputSource");
    // Only a connected page tells the device, and then reads its master volume back.
    if (mManager.SetInputSource()) {
        getMainVolumeTimer = 10;
        SetTimer(GET_MAIN_VOLUME_TIMER, 1000);
    }
}

void CMainWnd::OnFocusStep(const PageRoute& route, const PageOrigin& origin) {
    Handled(PageActionName(route.action));
    MoveFocus(origin.Name(), route.action == PageAction::FocusForward);
}

void CMainWnd::OnEqEditNext(const PageRoute& route, const PageOrigin& origin) {
    Handled("EqEditNext");
    const QString name = origin.Name();
    const int index = route.index;
    LogPrintA("on eq %s killfocus index %d\n", Utf8(name).constData(), index);
    const int bands = std::max(
        1, mManager.Live().channels[static_cast<std::size_t>(mManager.CurrentChannel())].eqSize);
    QString next;
    if (name.startsWith(QLatin1String("eq_freq_"))) {
        next = QStringLiteral("eq_q_%1").arg(index);
    } else if (name.startsWith(QLatin1String("eq_q_"))) {
        next = QStringLiteral("eq_gain_%1").arg(index);
    } else {
        const int band = (index + 1) % bands;
        next = mManager.GeqMode() ? QStringLiteral("eq_gain_%1").arg(band)
                                  : QStringLiteral("eq_freq_%1").arg(band);
    }
    FindControl(next).SetFocusSelectAll();
}

void CMainWnd::OnSetChEqEdit(const PageRoute& route, const PageOrigin& origin) {
    LogPrintA("on eq %s killfocus index %d\n", Utf8(origin.Name()).constData(), route.index);
    EditOrPending(route);
}

void CMainWnd::OnUpdateEqualizerBand(const PageRoute& route, const PageOrigin& origin) {
    LogPrintA("on eq %s setfocus index %d\n", Utf8(origin.Name()).constData(), route.index);
    EditOrPending(route);
}

void CMainWnd::OnEqualizerCallback(const PageRoute& route, const PageOrigin&) {
    LogPrintA("on DUI_MSGTYPE_EQUALIZERCHANGED index %d\n", route.index);
    EditOrPending(route);
}

void CMainWnd::OnEqSlider(const PageRoute& route, const PageOrigin& origin) {
    LogPrintA("on eq silder %s valuechanged index %d value %d\n", Utf8(origin.Name()).constData(),
              route.index, origin.msg->pSender.GetValue());
    EditOrPending(route);
}

void CMainWnd::OnChannelVolumeSlider(const PageRoute& route, const PageOrigin& origin) {
    LogPrintA("on volume silder %s valuechanged index %d\n", Utf8(origin.Name()).constData(),
              route.index);
    EditOrPending(route);
}

void CMainWnd::OnChannelDelaySlider(const PageRoute& route, const PageOrigin& origin) {
    LogPrintA("on delay silder %s valuechanged index %d\n", Utf8(origin.Name()).constData(),
              route.index);
    EditOrPending(route);
}

void CMainWnd::EditOrPending(const PageRoute& route) {
    if (mManager.Edit(route)) {
        Handled(PageActionName(route.action));
    } else {
        Pending(route.action, route.index);
    }
}

void CMainWnd::OnChangeLanguage(const PageRoute&, const PageOrigin& origin) {
    Handled("ChangeLanguage");
    const QString current = tonvia::ui::SkinResources::Instance().CurrentLanguage();
    const auto choice = LanguageForMenuItem(origin.Name().toStdString(), current.toStdString());
    if (choice) {
        ChangeLanguage(QString::fromLatin1(choice->name), QString::number(choice->index));
    }
}

void CMainWnd::OnSetChDelayLink(const PageRoute& route, const PageOrigin& origin) {
    LogPrintA("%d: %s\n", menuChannel, Utf8(origin.Name()).constData());
    PageRoute edit = route;
    edit.second = menuChannel;
    EditOrPending(edit);
}

void CMainWnd::OnFirmwareUpgrade(const PageRoute& route, const PageOrigin&) {
    Handled(PageActionName(route.action));
    ShowUpdateFw();
}

void CMainWnd::ShowUpdateFw() {
    if (mHooks.updateFw) {
        mHooks.updateFw(*this);
        return;
    }
    mManager.ShowUpdateFw();
}

// ---- Menus ---------------------------------------------------------------------------------

CMenuWnd* CMainWnd::ShowMenu(Menu menu, const UiControl& anchor) {
    QWidget* widget = anchor.Widget();
    if (widget == nullptr) {
        return nullptr;
    }
    const QPoint topLeft = widget->mapToGlobal(QPoint(0, 0));
    const QRect r(topLeft, widget->size());
    QString path;
    QPoint point;
    unsigned alignment = 0;
    switch (menu) {
        case Menu::Output:
            path = QStringLiteral("xml/output_menu.xml");
            point = QPoint(r.left(), r.bottom());
            alignment = 6;
            break;
        case Menu::Option:
            path = QStringLiteral("xml/option_menu.xml");
            point = QPoint(r.right(), r.bottom());
            alignment = 12;
            break;
        case Menu::Scene:
            path = QStringLiteral("xml/scene_menu.xml");
            point = QPoint(r.right(), r.bottom());
            alignment = 12;
            break;
        case Menu::Advance:
            path = QStringLiteral("xml/advance_menu.xml");
            point = QPoint(r.left(), r.bottom());
            alignment = 6;
            break;
        case Menu::DelayLink:
            path = QStringLiteral("xml/delay_link_group_menu.xml");
            point = QPoint(r.left(), r.top() - 4);
            alignment = 16;
            break;
        case Menu::Eq:
            // The button sits at the page's right edge: the menu opens leftwards below it.
            path = QStringLiteral("xml/eq_menu.xml");
            point = QPoint(r.right(), r.bottom());
            alignment = 12;
            break;
    }
    CMenuWnd* window = CMenuWnd::CreateMenu(path, GetHWND(), point, alignment, ScalePercent());
    if (window == nullptr) {
        LogPrintA("menu %s could not be built\n", Utf8(path).constData());
        return nullptr;
    }
    const bool linkOpen = mManager.Device().IsConnected();
    const SceneConfig& live = mManager.Live();
    switch (menu) {
        case Menu::Option:
            window->SetItemEnabled(QStringLiteral("option_item_reset_default"), linkOpen);
            break;
        case Menu::Scene:
            for (const char* item :
                 {"scene_item_load_scene", "scene_item_saveas_scene", "scene_item_delete_scene"}) {
                window->SetItemEnabled(QLatin1String(item), linkOpen);
            }
            break;
        case Menu::Advance: {
            window->SetItemVisible(QStringLiteral("advance_item_poweroff_delay"), false);
            // The dialogs for service use: offered while "debug.ini" exists.
            const bool service = IsLocalFileExist("debug.ini");
            for (const char* item :
                 {"advance_item_autocal", "advance_item_compressor", "advance_item_ktv",
                  "advance_item_cs_auto", "advance_item_custom_eq"}) {
                window->SetItemVisible(QLatin1String(item), service);
            }
            break;
        }
        case Menu::Output: {
            const QIcon mark(
                tonvia::ui::SkinResources::Instance().Image(QStringLiteral("img/right.png")));
            for (const SpeakerPosition& position : kSpeakerPositions) {
                if (QAction* action = window->FindItem(QLatin1String(position.tag))) {
                    action->setIcon(live.IsCodeInUse(position.code) ? mark : QIcon());
                    action->setEnabled(live.IsCodeAllowed(menuChannel, position.code));
                }
            }
            break;
        }
        case Menu::DelayLink:
            break;
        case Menu::Eq:
            if (QAction* title = window->FindItem(QStringLiteral("eq_item_channel"))) {
                title->setText(QStringLiteral("CH%1").arg(mManager.CurrentChannel() + 1));
            }
            break;
    }
    window->setStyleSheet(QLatin1String(kMenuStyle));
    mOpenMenu = window;
    window->Show();
    return window;
}

void CMainWnd::OnMenuCommand(const MenuCommandRecord& record) {
    LogPrintA("on menu click %s\n", Utf8(record.name).constData());
    const PageRoute route = RouteMenu(record.name, record.userData);
    if (route.action == PageAction::None) {
        return;
    }
    Dispatch(route, PageOrigin{nullptr, &record});
}

// ---- Device reports ----

// The page half of a report the model has taken: the controls first, then what only the
// window can do (timers, boxes, the connection).
void CMainWnd::OnReport(const tonvia::commands::ReportChange& change) {
    using namespace tonvia::commands;
    if (!change.Changed() || !change.IsLive()) {
        return;
    }
    mManager.ShowReport(change);
    if (change.Has(kStopVolumePoll)) {
        KillTimer(GET_MAIN_VOLUME_TIMER);
    }
    if (change.Has(kShowDeviceNotMatch)) {
        const QString text = tonvia::ui::Translate(QStringLiteral("${device_not_match}"));
        ShowBox(QStringLiteral("%1 %2").arg(text).arg(mManager.Live().model));
    }
    if (change.Has(kDisconnect)) {
        mManager.DisconnectDevice();
        if (change.Has(kShowDspIsOff)) {
            ShowBox(QStringLiteral("${dsp_is_off}"));
        }
    }
}

// ---- Messages ------------------------------------------------------------------------------

void CMainWnd::OnMessage(WindowMessage& message) {
    switch (message.message) {
        case WM_MENU_COMMAND:
            if (auto record = tonvia::ui::TakeRecord<MenuCommandRecord>(message)) {
                OnMenuCommand(*record);
            }
            return;
        case WM_READ_DSP_VALUE:
        case WM_READ_MCU_VALUE:
        case WM_READ_SENCE_VALUE:
        case WM_READ_KTV_VALUE: {
            static constexpr std::pair<unsigned, const char*> kNames[] = {
                {WM_READ_DSP_VALUE, "ReadDspValueCallback"},
                {WM_READ_MCU_VALUE, "ReadMcuValueCallback"},
                {WM_READ_SENCE_VALUE, "ReadSenceValueCallback"},
                {WM_READ_KTV_VALUE, "ReadKtvValueCallback"}};
            for (const auto& [number, name] : kNames) {
                if (number == message.message) {
                    Handled(name);
                }
            }
            // While the check against the amplifier reads, its copy takes the reports.
            if (mManager.DivertsReports()) {
                mManager.ApplyToVerifyRead(message);
                return;
            }
            // The model first, on this thread, which owns it; then the page. The report is no
            // part of the user's action that may be open around it.
            mManager.AbsorbReport(message);
            const auto change = mManager.Session().Apply(message);
            OnReport(change);
            return;
        }
        case WM_DEVICE_STATUS_UNNORMAL:
            ShowBox(QStringLiteral("${device_status_unnormal}"));
            Handled(PageActionName(PageAction::FirmwareUpgrade));
            ShowUpdateFw();
            return;
        case WM_DEVICE_REBOOT:
            if (mBusyWindow) {
                mBusyWindow->close();
            }
            ShowBox(QStringLiteral("${device_reboot}"));
            return;
        case WM_CONNECT_FAIL:
            ShowBox(QStringLiteral("${device_connect_fail}"));
            return;
        case WM_SET_CONNECTED:
            Handled("OnConnected");
            mManager.OnConnected();
            return;
        case WM_SET_DISCONNECTED:
            Handled("DisconnectDevice");
            mManager.DisconnectDevice();
            return;
        case WM_FORCE_UPDATE:
            Handled("ForceUpdate");
            mManager.ForceUpdate();
            return;
        case WM_REFRESH_MAIN_PAGE:
            Handled("RefreshMainPage");
            mManager.RefreshMainPage();
            return;
        case WM_SHOW_PLUGOUT:
            // A notice left open from before would stand under the new one.
            CloseOpenPrompts();
            ShowBox(QStringLiteral("${device_plugout}"));
            return;
        case WM_DSP_FW_NEWER: {
            const SceneConfig& live = mManager.Live();
            ShowBox(FillDeviceNumbers(tonvia::ui::Translate(QStringLiteral("${dsp_fw_new_tips}")),
                                      live.mainVersion, live.slaveVersion, INNER_FW_MAJOR,
                                      INNER_FW_MINOR));
            return;
        }
        case WM_SHOW_LOADING: {
            Handled("ShowLoading");
            if (mBusyWindow) {
                mBusyWindow->close();
            }
            auto* busy = new CLoadingWnd();
            if (!busy->Create(GetWidget(), QString())) {
                delete busy;
                return;
            }
            mBusyWindow = busy->GetWidget();
            busy->CenterWindow();
            busy->ShowModal();  // ended by WM_CLOSE_LOADING (or a reboot) closing it
            return;
        }
        case WM_CLOSE_LOADING:
            Handled("CloseLoading");
            if (mBusyWindow) {
                mBusyWindow->close();
            }
            return;
        case WM_BUSY_PROGRESS:
            ShowBusyProgress(static_cast<int>(message.wParam));
            return;
        case WM_READ_PROGRESS:
            ShowReadProgress(static_cast<int>(message.wParam));
            return;
        case WM_VERIFY_DONE:
            Handled("VerifyDone");
            mManager.OnVerifyDone(message.wParam != 0);
            return;
        case WM_TRANSFER_DONE:
            Handled("TransferDone");
            mManager.OnTransferDone(message.wParam, message.lParam != 0);
            return;
        case WM_DEVICECHANGE: {
            auto record = tonvia::ui::TakeRecord<DeviceChangeRecord>(message);
            OnDeviceChange(static_cast<unsigned>(message.wParam), record.get());
            return;
        }
        case WM_CLOSE:
            OnCloseWindow();
            return;
        case WM_DISPLAYCHANGE:
            OnDisplayChange();
            return;
        default:
            return;
    }
}

void CMainWnd::ShowBusyProgress(int scene) {
    WindowImplBase* busy = mBusyWindow ? WindowImplBase::FromWidget(mBusyWindow) : nullptr;
    if (busy == nullptr) {
        return;
    }
    // Past the tenth scene the device stores what it was sent.
    const bool storing = scene > kStoredSceneCount;
    QString text = tonvia::ui::Translate(storing ? QStringLiteral("${scene_commit}")
                                                 : QStringLiteral("${scene_progress}"));
    text.replace(QLatin1String("%d"), QString::number(scene));
    busy->FindControl(QStringLiteral("MessageText")).SetText(text);
    UiControl bar = busy->FindControl(QStringLiteral("loading_progress"));
    bar.SetMaxValue(kStoredSceneCount);
    bar.SetValue(std::min(scene - 1, kStoredSceneCount));
}

void CMainWnd::ShowReadProgress(int percent) {
    WindowImplBase* busy = mBusyWindow ? WindowImplBase::FromWidget(mBusyWindow) : nullptr;
    if (busy == nullptr) {
        return;
    }
    QString text = tonvia::ui::Translate(QStringLiteral("${verify_progress}"));
    text.replace(QLatin1String("%d%%"), QString::number(percent) + QLatin1Char('%'));
    busy->FindControl(QStringLiteral("MessageText")).SetText(text);
    UiControl bar = busy->FindControl(QStringLiteral("loading_progress"));
    bar.SetMaxValue(100);
    bar.SetValue(std::clamp(percent, 0, 100));
}

void CMainWnd::OnDeviceChange(unsigned event, const DeviceChangeRecord* record) {
    if (event == DBT_DEVNODES_CHANGED) {
        LogPrintA("Message DBT_DEVNODES_CHANGED\n");
        return;
    }
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) {
        LogPrintA("Message %d\n", static_cast<int>(event));
        return;
    }
    const bool arrival = event == DBT_DEVICEARRIVAL;
    LogPrintA(arrival ? "Message DBT_DEVICEARRIVAL\n" : "Message DBT_DEVICEREMOVECOMPLETE\n");
    if (record == nullptr || record->vendorId != DEVICE_VENDOR_ID ||
        record->productId != DEVICE_PRODUCT_ID) {
        return;  // another device
    }
    Handled(arrival ? "DevicePlugin" : "DevicePlugOut");
    if (arrival) {
        CloseOpenPrompts();
        mManager.DevicePlugin(record->path);
    } else {
        mManager.DevicePlugOut(record->path);
    }
}

void CMainWnd::CloseOpenPrompts() {
    const QString tips = tonvia::ui::Translate(QStringLiteral("${tips}"));
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        WindowImplBase* window = WindowImplBase::FromWidget(widget);
        if (window == nullptr || window == this || window->IsClosing()) {
            continue;
        }
        if (widget->windowTitle() == tips) {
            window->Close(0);
        } else if (widget->objectName() == QLatin1String("MsgWnd")) {
            const QPointer<QWidget> alive(widget);
            QTimer::singleShot(0, widget, [alive, window] {
                if (alive) {
                    window->SendSystemCommand(SC_CLOSE);
                }
            });
        }
    }
}

void CMainWnd::OnCloseWindow() {
    // WM_CLOSE and the close command both end here: the work is done once.
    if (mCloseDone) {
        return;
    }
    mCloseDone = true;
    Handled("Close");
    LogPrintA("main window closing\n");
    // The device is told that the PC leaves and the link closes, which also ends a request
    // the worker waits on; the worker is joined before anything it uses goes.
    mManager.RequestWorkerStop();
    if (mManager.Device().IsConnected()) {
        mManager.DisconnectDevice();
    }
    mManager.StopWorker();
    CloseOpenPrompts();
    StopDeviceWatch();
    tonvia::ui::PostQuitMessage();
}

void CMainWnd::OnDisplayChange() {
    Handled("DisplayChange");
    LogPrintA("display changed: starting again\n");
    QTimer::singleShot(0, GetWidget(), [this] { SendSystemCommand(SC_CLOSE); });
    // The new process takes the single-instance lock; this one gives it up first.
    mInstanceLock.reset();
    if (mHooks.restart) {
        mHooks.restart();
    } else {
        QProcess::startDetached(QCoreApplication::applicationFilePath(), {});
    }
}

void CMainWnd::OnTimer(unsigned id) {
    if (id == GET_MAIN_VOLUME_TIMER) {
        LogPrintA("GET_MAIN_VOLUME_TIMER, getMainVolumeTimer=%d\n", getMainVolumeTimer);
        if (getMainVolumeTimer > 0) {
            mManager.Device().Get_Main_Volume();
            --getMainVolumeTimer;
        } else {
            KillTimer(GET_MAIN_VOLUME_TIMER);
        }
    }
    // STATUS_READ_TIMER: nothing.
}

bool CMainWnd::OnKeyDown(QKeyEvent*) {
    return true;  // window-level keys are swallowed; controls get theirs first
}

void CMainWnd::OnSystemCommand(unsigned command) {
    if (command == SC_MAXIMIZE) {
        return;  // the window keeps its size
    }
    if (command == SC_CLOSE) {
        OnCloseWindow();
    }
    WindowImplBase::OnSystemCommand(command);
}

void CMainWnd::OnDestroyed() {
    StopDeviceWatch();
    tonvia::ui::PostQuitMessage();
}
