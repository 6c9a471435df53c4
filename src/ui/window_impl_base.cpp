#include "ui/window_impl_base.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QBuffer>
#include <QButtonGroup>
#include <QComboBox>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QUiLoader>
#include <QWindow>
#include <optional>

#include "platform/log.h"
#include "ui/control_factory.h"
#include "ui/control_texts.h"
#include "ui/display_scale.h"
#include "ui/message_box.h"
#include "ui/skin_resources.h"
#include "ui/window_registry.h"

namespace tonvia::ui {

namespace {

// Undo (false) or redo (true) for the history keys; nullopt for any other key.
std::optional<bool> HistoryKey(const QKeyEvent* event) {
    if (event->matches(QKeySequence::Undo)) {
        return false;
    }
    if (event->matches(QKeySequence::Redo) ||
        (event->key() == Qt::Key_Y && event->modifiers() == Qt::ControlModifier)) {
        return true;
    }
    return std::nullopt;
}

}  // namespace

// The system window of a WindowImplBase: it forwards close requests, unhandled keys and
// its own destruction to the window object.
class WindowHost final : public QWidget {
  public:
    WindowHost(WindowImplBase* window, QWidget* parent, Qt::WindowFlags flags)
        : QWidget(parent, flags), mWindow(window) {}
    ~WindowHost() override {
        if (mWindow != nullptr) {
            WindowImplBase* window = std::exchange(mWindow, nullptr);
            window->HostDestroyed();
        }
    }
    WindowImplBase* mWindow;

  protected:
    void closeEvent(QCloseEvent* event) override {
        if (mWindow != nullptr && !mWindow->mClosing) {
            // A close the program did not ask for: the system's close command.
            event->ignore();
            mWindow->HandleCloseRequest();
            return;
        }
        event->accept();
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (const auto history = HistoryKey(event); history && mWindow != nullptr &&
                                                    !mWindow->mClosing &&
                                                    mWindow->OnHistoryKey(*history)) {
            event->accept();
            return;
        }
        if (event->key() == Qt::Key_Escape) {
            // Escape never closes a window.
            event->accept();
            return;
        }
        if (mWindow != nullptr && !mWindow->mClosing && mWindow->OnKeyDown(event)) {
            event->accept();
            return;
        }
        event->ignore();
    }
    void resizeEvent(QResizeEvent* event) override {
        if (mWindow != nullptr && mWindow->mRoot != nullptr) {
            mWindow->mRoot->setGeometry(rect());
        }
        QWidget::resizeEvent(event);
    }
    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::WindowStateChange && mWindow != nullptr) {
            mWindow->UpdateCaptionButtons();
        }
        QWidget::changeEvent(event);
    }
};

// Receives the window's posted messages on the UI thread.
class MessagePort final : public QObject {
  public:
    explicit MessagePort(WindowImplBase* window) : mWindow(window) {}
    bool event(QEvent* event) override {
        if (event->type() == WindowMessageEvent::EventType()) {
            mWindow->DispatchMessage(static_cast<WindowMessageEvent*>(event)->message);
            return true;
        }
        return QObject::event(event);
    }

  private:
    WindowImplBase* mWindow;
};

// Turns what controls do into notifications of their window.
class ControlHub final : public QObject {
  public:
    explicit ControlHub(WindowImplBase* window) : mWindow(window) {}

    void Wire(QWidget* widget);
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Raise(QWidget* sender, const char* type, std::uintptr_t wParam = 0,
               std::intptr_t lParam = 0) {
        if (NotifySilencer::Active() || mWindow->mClosing || mWindow->mDestroying) {
            return;
        }
        mWindow->SendNotify(UiControl(sender), QString::fromLatin1(type), wParam, lParam);
    }
    bool InCaption(QWidget* widget, QMouseEvent* event) const;

    WindowImplBase* mWindow;
    QMap<QString, QButtonGroup*> mGroups;
};

namespace {

constexpr char kWired[] = "tvWired";

bool IsLayoutControl(const QWidget* widget) {
    const QString name = widget->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

bool IsInteractive(const QWidget* widget) {
    return qobject_cast<const QAbstractButton*>(widget) != nullptr ||
           qobject_cast<const QLineEdit*>(widget) != nullptr ||
           qobject_cast<const QAbstractSlider*>(widget) != nullptr ||
           qobject_cast<const QComboBox*>(widget) != nullptr ||
           qobject_cast<const QAbstractItemView*>(widget) != nullptr ||
           widget->property("tvClass").isValid();
}

// Creates the application's controls through the window's hook before Qt's own.
class SkinUiLoader final : public QUiLoader {
  public:
    explicit SkinUiLoader(WindowImplBase* window) : mWindow(window) {}
    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
        if (QWidget* control = mWindow->CreateControl(className, parent)) {
            control->setObjectName(name);
            return control;
        }
        return QUiLoader::createWidget(className, parent, name);
    }

  private:
    WindowImplBase* mWindow;
};

QWidget* LoadLayout(WindowImplBase* window, const QByteArray& xml, QWidget* parent,
                    QString* error) {
    QByteArray copy = xml;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    SkinUiLoader loader(window);
    QWidget* widget = loader.load(&buffer, parent);
    if (widget == nullptr && error != nullptr) {
        *error = loader.errorString();
    }
    return widget;
}

}  // namespace

void ControlHub::Wire(QWidget* widget) {
    if (widget->property(kWired).toBool()) {
        return;
    }
    widget->setProperty(kWired, true);
    CaptureTexts(widget);
    widget->installEventFilter(this);

    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        connect(edit, &QLineEdit::textEdited, this, [edit] { ForgetTextKey(edit); });
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        connect(button, &QAbstractButton::clicked, this,
                [this, button] { Raise(button, DUI_MSGTYPE_CLICK); });
        if (button->isCheckable()) {
            connect(button, &QAbstractButton::toggled, this,
                    [this, button] { Raise(button, DUI_MSGTYPE_SELECTCHANGED); });
        }
        const QString group = button->property("group").toString();
        if (!group.isEmpty() && button->isCheckable()) {
            QButtonGroup*& buttons = mGroups[group];
            if (buttons == nullptr) {
                buttons = new QButtonGroup(this);
                buttons->setExclusive(true);
            }
            buttons->addButton(button);
        }
    }
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget);
        slider != nullptr && qobject_cast<QScrollBar*>(widget) == nullptr) {
        // A step by wheel, key or page click ends as "valuechanged"; the thumb's drag
        // reports "movevaluechanged" and its release "valuechanged".
        connect(slider, &QAbstractSlider::actionTriggered, this,
                [slider](int) { slider->setProperty("tvUserAction", true); });
        connect(slider, &QAbstractSlider::valueChanged, this, [this, slider](int value) {
            const bool user = slider->property("tvUserAction").toBool();
            slider->setProperty("tvUserAction", false);
            if (slider->isSliderDown()) {
                Raise(slider, DUI_MSGTYPE_VALUECHANGED_MOVE, static_cast<std::uintptr_t>(value));
            } else if (user) {
                Raise(slider, DUI_MSGTYPE_VALUECHANGED, static_cast<std::uintptr_t>(value));
            }
        });
        connect(slider, &QAbstractSlider::sliderReleased, this, [this, slider] {
            Raise(slider, DUI_MSGTYPE_VALUECHANGED, static_cast<std::uintptr_t>(slider->value()));
        });
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        combo->setProperty("tvLastIndex", combo->currentIndex());
        connect(combo, &QComboBox::currentIndexChanged, this, [this, combo](int index) {
            const int previous = combo->property("tvLastIndex").toInt();
            combo->setProperty("tvLastIndex", index);
            Raise(combo, DUI_MSGTYPE_ITEMSELECT, static_cast<std::uintptr_t>(index), previous);
        });
    }
    if (auto* list = qobject_cast<QListWidget*>(widget)) {
        list->setProperty("tvLastIndex", list->currentRow());
        connect(list, &QListWidget::currentRowChanged, this, [this, list](int row) {
            const int previous = list->property("tvLastIndex").toInt();
            list->setProperty("tvLastIndex", row);
            Raise(list, DUI_MSGTYPE_ITEMSELECT, static_cast<std::uintptr_t>(row), previous);
        });
        connect(list, &QListWidget::itemClicked, this, [this, list](QListWidgetItem* item) {
            Raise(list, DUI_MSGTYPE_ITEMCLICK, static_cast<std::uintptr_t>(list->row(item)));
        });
        connect(list, &QListWidget::itemDoubleClicked, this, [this, list](QListWidgetItem* item) {
            Raise(list, DUI_MSGTYPE_ITEMACTIVATE, static_cast<std::uintptr_t>(list->row(item)));
        });
    }
}

bool ControlHub::InCaption(QWidget* widget, QMouseEvent* event) const {
    if (mWindow->mRoot == nullptr || event->button() != Qt::LeftButton || IsInteractive(widget)) {
        return false;
    }
    const int caption = mWindow->mRoot->property("caption").toInt();
    if (caption <= 0) {
        return false;
    }
    const QPoint inRoot = widget->mapTo(mWindow->mRoot, event->position().toPoint());
    return inRoot.y() >= 0 && inRoot.y() < mWindow->Scale(caption);
}

bool ControlHub::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || mWindow->mDestroying) {
        return false;
    }
    switch (event->type()) {
        case QEvent::KeyPress: {
            if (const auto history = HistoryKey(static_cast<QKeyEvent*>(event));
                history && mWindow->OnHistoryKey(*history)) {
                return true;
            }
            if (qobject_cast<QLineEdit*>(widget) == nullptr) {
                break;
            }
            // Edits keep their caret: the arrows only tell the window.
            switch (static_cast<QKeyEvent*>(event)->key()) {
                case Qt::Key_Left:
                    Raise(widget, DUI_MSGTYPE_VALUECHANGED_LEFT);
                    return true;
                case Qt::Key_Right:
                    Raise(widget, DUI_MSGTYPE_VALUECHANGED_RIGHT);
                    return true;
                case Qt::Key_Up:
                    Raise(widget, DUI_MSGTYPE_VALUECHANGED_UP);
                    return true;
                case Qt::Key_Down:
                    Raise(widget, DUI_MSGTYPE_VALUECHANGED_DOWN);
                    return true;
                case Qt::Key_Return:
                case Qt::Key_Enter:
                    Raise(widget, DUI_MSGTYPE_RETURN);
                    break;
                default:
                    break;
            }
            break;
        }
        case QEvent::FocusIn:
        case QEvent::FocusOut: {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            // Popups and window activation move the focus only for a moment.
            if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason ||
                widget->focusPolicy() == Qt::NoFocus) {
                break;
            }
            Raise(widget,
                  event->type() == QEvent::FocusIn ? DUI_MSGTYPE_SETFOCUS : DUI_MSGTYPE_KILLFOCUS);
            break;
        }
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (InCaption(widget, mouse) && mWindow->mHost && mWindow->mHost->windowHandle()) {
                mWindow->mHost->windowHandle()->startSystemMove();
                return true;
            }
            break;
        }
        default:
            break;
    }
    return false;
}

}  // namespace tonvia::ui

using tonvia::ui::ControlHub;
using tonvia::ui::MessagePort;
using tonvia::ui::WindowHost;

WindowImplBase::WindowImplBase()
    : mHub(std::make_unique<ControlHub>(this)), mPort(std::make_unique<MessagePort>(this)) {
    AddNotifyHandler(QString::fromLatin1(DUI_MSGTYPE_CLICK),
                     [this](TNotifyUI& msg) { OnClick(msg); });
}

WindowImplBase::~WindowImplBase() {
    mDestroying = true;
    mClosing = true;
    if (mAliveFlag != nullptr) {
        *mAliveFlag = false;
    }
    if (mModalLoop != nullptr) {
        mModalLoop->exit(0);
    }
    tonvia::ui::WindowRegistry::Instance().Unregister(mHandle);
    if (mLanguageListener != 0) {
        tonvia::ui::SkinResources::Instance().RemoveLanguageListener(mLanguageListener);
    }
    mTimers.clear();
    if (mHost) {
        WindowHost* host = mHost.data();
        host->mWindow = nullptr;
        delete host;
    }
}

void WindowImplBase::HostDestroyed() {
    mDestroying = true;
    mClosing = true;
    tonvia::ui::WindowRegistry::Instance().Unregister(mHandle);
    if (mLanguageListener != 0) {
        tonvia::ui::SkinResources::Instance().RemoveLanguageListener(mLanguageListener);
        mLanguageListener = 0;
    }
    mTimers.clear();
    mHost = nullptr;
    mRoot = nullptr;
    mFound.clear();
    if (mModalLoop != nullptr) {
        mModalLoop->exit(0);
    }
    OnDestroyed();
    if (mAutoDelete && mModalLoop == nullptr) {
        delete this;
    }
}

bool WindowImplBase::Create(QWidget* parent, const QString& windowName, bool dialog) {
    if (mHost) {
        return true;
    }
    auto& skin = tonvia::ui::SkinResources::Instance();
    const QString skinName = SkinName();
    const QString path = skin.LayoutForSkin(skinName);
    QString error = path.isEmpty() ? QStringLiteral("no layout for the skin name") : QString();
    std::optional<QByteArray> xml;
    if (!path.isEmpty()) {
        xml = skin.ReadFile(path, &error);
    }
    const Qt::WindowFlags flags = (dialog ? Qt::Dialog : Qt::Window) | Qt::FramelessWindowHint;
    auto* host = new WindowHost(this, parent, flags);
    QWidget* root = xml ? tonvia::ui::LoadLayout(this, *xml, host, &error) : nullptr;
    if (root == nullptr) {
        LogPrintA("layout %s (%s): %s\n", skinName.toUtf8().constData(), path.toUtf8().constData(),
                  error.toUtf8().constData());
        host->mWindow = nullptr;
        delete host;
        tonvia::ui::FailToLoadSkin(skinName);
        return false;
    }
    mHost = host;
    mRoot = root;
    mFound.clear();
    mClosing = false;
    mDestroying = false;
    host->setObjectName(ClassName());
    tonvia::ui::SetControlText(host, windowName);
    mHandle = tonvia::ui::WindowRegistry::Instance().Register(mPort.get());
    mLanguageListener = skin.AddLanguageListener([this] { RetranslateControls(); });
    AdoptControls(root);
    SetDpi(tonvia::ui::InterfaceDpi());
    UpdateCaptionButtons();
    OnInit();
    return true;
}

QWidget* WindowImplBase::GetWidget() const {
    return mHost.data();
}

void WindowImplBase::CenterWindow() {
    if (!mHost) {
        return;
    }
    QRect area;
    if (QWidget* parent = mHost->parentWidget()) {
        area = parent->window()->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid()) {
        QRect frame = mHost->frameGeometry();
        frame.moveCenter(area.center());
        mHost->move(frame.topLeft());
    }
}

void WindowImplBase::ShowWindow(bool show) {
    if (mHost) {
        mHost->setVisible(show);
    }
}

int WindowImplBase::ShowModal() {
    if (!mHost) {
        return -1;
    }
    int result = 0;
    bool alive = true;
    QEventLoop loop;
    mModalResult = &result;
    mAliveFlag = &alive;
    mModalLoop = &loop;
    if (!mClosing) {
        mHost->setWindowModality(Qt::ApplicationModal);
        mHost->show();
        mHost->raise();
        mHost->activateWindow();
        loop.exec(QEventLoop::DialogExec);
    }
    if (alive) {
        mModalResult = nullptr;
        mAliveFlag = nullptr;
        mModalLoop = nullptr;
        if (mHost) {
            DestroyHost();  // deletes this object unless auto-delete is off
        } else if (mAutoDelete) {
            delete this;  // the system window went away during the run
        }
    }
    return result;
}

void WindowImplBase::DestroyHost() {
    if (mHost) {
        delete mHost.data();  // ~WindowHost -> HostDestroyed
    }
}

void WindowImplBase::Close(int code) {
    if (mClosing) {
        return;
    }
    mClosing = true;
    for (auto& [id, timer] : mTimers) {
        timer->stop();
        timer.release()->deleteLater();
    }
    mTimers.clear();
    if (mModalResult != nullptr) {
        *mModalResult = code;
    }
    if (mHost) {
        mHost->hide();
    }
    if (mModalLoop != nullptr) {
        mModalLoop->exit(code);
    } else if (mHost) {
        mHost->deleteLater();
    }
}

void WindowImplBase::HandleCloseRequest() {
    OnSystemCommand(SC_CLOSE);
}

void WindowImplBase::OnClick(TNotifyUI& msg) {
    const QString name = msg.pSender.GetName();
    if (name == QLatin1String("closebtn")) {
        Close(1);
    } else if (name == QLatin1String("minbtn")) {
        SendSystemCommand(SC_MINIMIZE);
    } else if (name == QLatin1String("maxbtn")) {
        SendSystemCommand(SC_MAXIMIZE);
    } else if (name == QLatin1String("restorebtn")) {
        SendSystemCommand(SC_RESTORE);
    }
}

void WindowImplBase::Notify(TNotifyUI& msg) {
    const auto range = mNotifyMap.equal_range(msg.sType);
    // Copy: a handler may add handlers.
    std::vector<std::function<void(TNotifyUI&)>> handlers;
    for (auto it = range.first; it != range.second; ++it) {
        handlers.push_back(it->second);
    }
    for (auto& handler : handlers) {
        handler(msg);
    }
}

QWidget* WindowImplBase::CreateControl(const QString& tag, QWidget* parent) {
    return tonvia::ui::CreateApplicationControl(tag, parent);
}

void WindowImplBase::OnMessage(WindowMessage&) {}

void WindowImplBase::OnTimer(unsigned) {}

bool WindowImplBase::OnHistoryKey(bool) {
    return false;
}

bool WindowImplBase::OnKeyDown(QKeyEvent*) {
    return false;
}

void WindowImplBase::OnSystemCommand(unsigned command) {
    if (!mHost) {
        return;
    }
    switch (command) {
        case SC_CLOSE:
            Close(0);
            return;
        case SC_MINIMIZE:
            mHost->showMinimized();
            break;
        case SC_MAXIMIZE:
            mHost->showMaximized();
            break;
        case SC_RESTORE:
            mHost->showNormal();
            break;
        default:
            break;
    }
    UpdateCaptionButtons();
}

void WindowImplBase::UpdateCaptionButtons() {
    if (!mHost || mDestroying) {
        return;
    }
    const bool maximized = mHost->isMaximized();
    if (UiControl max = FindControl(QStringLiteral("maxbtn"))) {
        max.SetVisible(!maximized);
    }
    if (UiControl restore = FindControl(QStringLiteral("restorebtn"))) {
        restore.SetVisible(maximized);
    }
}

UiControl WindowImplBase::FindControl(const QString& name) const {
    if (mRoot == nullptr || name.isEmpty()) {
        return {};
    }
    if (mRoot->objectName() == name) {
        return UiControl(mRoot);
    }
    if (const auto kept = mFound.constFind(name); kept != mFound.constEnd()) {
        QWidget* widget = kept->data();
        if (widget != nullptr && widget->objectName() == name && mRoot->isAncestorOf(widget)) {
            return UiControl(widget);
        }
    }
    QWidget* widget = mRoot->findChild<QWidget*>(name);
    if (widget != nullptr) {
        mFound.insert(name, widget);
    }
    return UiControl(widget);
}

void WindowImplBase::RetranslateControls() {
    if (!mHost) {
        return;
    }
    tonvia::ui::RetranslateTexts(mHost.data());
    const auto widgets = mHost->findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        if (widget->property(tonvia::ui::kWired).toBool()) {
            tonvia::ui::RetranslateTexts(widget);
        }
    }
}

QWidget* WindowImplBase::BuildLayout(const QString& path, QWidget* parent) {
    QString error;
    const auto xml = tonvia::ui::SkinResources::Instance().ReadFile(path, &error);
    QWidget* widget = xml ? tonvia::ui::LoadLayout(this, *xml, parent, &error) : nullptr;
    if (widget == nullptr) {
        LogPrintA("layout %s: %s\n", path.toUtf8().constData(), error.toUtf8().constData());
        return nullptr;
    }
    AdoptControls(widget);
    tonvia::ui::ApplyDisplayScale(widget, ScalePercent());
    return widget;
}

void WindowImplBase::AdoptControls(QWidget* root) {
    if (root == nullptr) {
        return;
    }
    if (tonvia::ui::IsLayoutControl(root)) {
        mHub->Wire(root);
    }
    const auto widgets = root->findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        if (tonvia::ui::IsLayoutControl(widget)) {
            mHub->Wire(widget);
        }
    }
}

void WindowImplBase::SendNotify(const UiControl& sender, const QString& type, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    if (mClosing || mDestroying) {
        return;
    }
    TNotifyUI msg{type, sender, wParam, lParam};
    DispatchNotify(msg);
}

namespace {
NotifyObserver* gNotifyObserver = nullptr;
}  // namespace

void SetNotifyObserver(NotifyObserver* observer) {
    gNotifyObserver = observer;
}

void RemoveNotifyObserver(NotifyObserver* observer) {
    if (gNotifyObserver == observer) {
        gNotifyObserver = nullptr;
    }
}

void WindowImplBase::DispatchNotify(TNotifyUI& msg) {
    LogPrintA("Notify %s\n", msg.sType.toUtf8().constData());
    // Kept for the call: the handler may install another observer meanwhile.
    NotifyObserver* observer = gNotifyObserver;
    if (observer != nullptr) {
        observer->BeforeNotify(*this, msg);
    }
    Notify(msg);
    if (observer != nullptr && observer == gNotifyObserver) {
        observer->AfterNotify(*this, msg);
    }
}

void WindowImplBase::AddNotifyHandler(const QString& type,
                                      std::function<void(TNotifyUI&)> handler) {
    mNotifyMap.emplace(type, std::move(handler));
}

void WindowImplBase::DispatchMessage(WindowMessage& message) {
    if (mDestroying) {
        return;
    }
    OnMessage(message);
}

void WindowImplBase::SetDpi(int dpi) {
    if (dpi <= 0) {
        return;
    }
    mDpi = dpi;
    if (mRoot != nullptr && mHost) {
        tonvia::ui::ApplyDisplayScale(mRoot, ScalePercent());
        mHost->resize(mRoot->size());
    }
}

int WindowImplBase::ScalePercent() const {
    return tonvia::ui::ScalePercentForDpi(mDpi);
}

int WindowImplBase::Scale(int units) const {
    return tonvia::ui::ScaleUnits(units, ScalePercent());
}

bool WindowImplBase::SetTimer(unsigned id, unsigned milliseconds) {
    if (!mHost || mClosing) {
        return false;
    }
    auto& timer = mTimers[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, mPort.get(), [this, id] {
            if (!mClosing) {
                OnTimer(id);
            }
        });
    }
    timer->start(static_cast<int>(milliseconds));
    return true;
}

bool WindowImplBase::KillTimer(unsigned id) {
    const auto it = mTimers.find(id);
    if (it == mTimers.end()) {
        return false;
    }
    // The timer may be the one whose timeout is running now.
    it->second->stop();
    it->second.release()->deleteLater();
    mTimers.erase(it);
    return true;
}

bool WindowImplBase::HasTimer(unsigned id) const {
    return mTimers.count(id) != 0;
}

WindowImplBase* WindowImplBase::FromWidget(const QWidget* widget) {
    if (widget == nullptr) {
        return nullptr;
    }
    const auto* host = dynamic_cast<const WindowHost*>(widget->window());
    return host != nullptr ? host->mWindow : nullptr;
}

void DialogImplBase::OnClick(TNotifyUI& msg) {
    const QString name = msg.pSender.GetName();
    if (name == QLatin1String("closebtn") || name == QLatin1String("cancel_btn")) {
        Close(0);
    } else if (name == QLatin1String("confirm_btn")) {
        Close(1);
    } else if (name == QLatin1String("third_btn")) {
        Close(2);
    } else {
        WindowImplBase::OnClick(msg);
    }
}

void DialogImplBase::OnSystemCommand(unsigned command) {
    if (command == SC_CLOSE && EndsApplicationOnCloseCommand(ClassName())) {
        LogPrintA("%s: close command ends the application\n", ClassName().toUtf8().constData());
        tonvia::ui::PostQuitMessage();
        return;
    }
    WindowImplBase::OnSystemCommand(command);
}

bool EndsApplicationOnCloseCommand(const QString& className) {
    static const QStringList kNames{QStringLiteral("AutoCalWnd"), QStringLiteral("ForceUpdateWnd"),
                                    QStringLiteral("MemWrWnd"), QStringLiteral("UpdateFwWnd")};
    return kNames.contains(className);
}

void RaiseNotify(QWidget* control, const QString& type, std::uintptr_t wParam,
                 std::intptr_t lParam) {
    if (WindowImplBase* window = WindowImplBase::FromWidget(control)) {
        window->SendNotify(UiControl(control), type, wParam, lParam);
    }
}
