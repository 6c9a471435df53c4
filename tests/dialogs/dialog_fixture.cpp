#include "dialog_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <thread>

#include "tuning/session.h"
#include "ui/display_scale.h"
#include "ui/language.h"
#include "ui/message_box.h"
#include "ui/skin_resources.h"
#include "ui/window_registry.h"

namespace dialog_testing {

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeout.count()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

QWidget* ShownWindow(const QString& className) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == className && widget->isVisible()) {
            return widget;
        }
    }
    return nullptr;
}

QWidget* Child(QWidget* window, const QString& name) {
    return window != nullptr ? window->findChild<QWidget*>(name) : nullptr;
}

void WhenShown(const QString& className, std::function<void(QWidget*)> step) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, className, step = std::move(step)] {
        if (QWidget* window = ShownWindow(className)) {
            poll->stop();
            poll->deleteLater();
            step(window);
        }
    });
    poll->start();
}

void ClickWhenShown(const QString& className, const QString& control) {
    WhenShown(className, [control](QWidget* window) {
        auto* button = qobject_cast<QAbstractButton*>(Child(window, control));
        ASSERT_NE(button, nullptr) << control.toStdString();
        button->click();
    });
}

void DialogTest::SetUp() {
    auto& skin = tonvia::ui::SkinResources::Instance();
    skin.Clear();
    QString error;
    ASSERT_TRUE(skin.LoadEmbeddedPackage(&error)) << error.toStdString();
    for (const LanguageEntry& language : kLanguages) {
        skin.AddLanguage(QString::fromLatin1(language.name), QString::fromLatin1(language.file));
    }
    SelectLanguage(QStringLiteral("en"));
    tonvia::ui::SetInterfaceDpi(96);
    tonvia::ui::SetErrorBoxHook([this](const QString& text) { errorBoxes.push_back(text); });
    tonvia::ui::SetExitHook([this](int code) { exitCodes.push_back(code); });
    tonvia::ui::SetQuitHook([this] { ++quits; });
}

void DialogTest::TearDown() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    tonvia::ui::SetErrorBoxHook({});
    tonvia::ui::SetExitHook({});
    tonvia::ui::SetQuitHook({});
    tonvia::ui::SetInterfaceDpi(0);
    EXPECT_TRUE(errorBoxes.empty());
}

void DialogTest::SelectLanguage(const QString& name) {
    QString error;
    ASSERT_TRUE(tonvia::ui::SkinResources::Instance().SelectLanguage(name, &error))
        << error.toStdString();
}

DeviceDialogTest::DeviceDialogTest() : link(amp, tonvia::ui::WindowRegistry::Instance()) {
    tonvia::tuning::ConfigureLink(link);
    link.OpenHIDDevice();
    EXPECT_TRUE(link.IsConnected());
    link.EnableQueue();
}

DeviceDialogTest::~DeviceDialogTest() {
    link.DisableQueue();
    link.CloseHIDDevice(false);
}

bool DeviceDialogTest::WaitForQueue() {
    return WaitFor([this] { return link.IsQueueIdle(); });
}

}  // namespace dialog_testing
