#include "main_fixture.h"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>
#include <atomic>

#include "platform/settings.h"
#include "ui/display_scale.h"
#include "ui/message_box.h"
#include "ui/skin_resources.h"

namespace mainpage_testing {

namespace {
std::atomic<int> gInstance{0};
}

void MainWindowTest::SetUp() {
    auto& skin = tonvia::ui::SkinResources::Instance();
    if (!skin.IsLoaded()) {
        QString error;
        ASSERT_TRUE(skin.LoadEmbeddedPackage(&error)) << error.toStdString();
    }
    WriteConfigString("lan", "0");
    tonvia::ui::SetQuitHook([this] { ++quits; });
    tonvia::ui::SetErrorBoxHook([this](const QString& text) { boxes.push_back(text); });
    tonvia::ui::SetExitHook([](int) {});
    instanceName = "TONVIA_TEST_" + std::to_string(getpid()) + "_" + std::to_string(++gInstance);
    hooks.messageBox = [this](WindowImplBase&, const QString& text) { boxes.push_back(text); };
    hooks.restart = [this] { ++restarts; };
    // Questions are declined and the update dialog only counted, unless a test says
    // otherwise: a real modal window would wait for a user.
    hooks.askBox = [](WindowImplBase&, const QString&) { return false; };
    hooks.updateFw = [this](WindowImplBase&) { ++updateDialogs; };
    // Unplugged unless a test plugs it in before Open: the page then starts disconnected.
    tonvia::sim::Options options;
    options.plugged = false;
    amp = std::make_unique<tonvia::sim::VirtualAmplifier>(options);
}

void MainWindowTest::TearDown() {
    Close();
    amp.reset();
    tonvia::ui::SetQuitHook({});
    tonvia::ui::SetErrorBoxHook({});
    tonvia::ui::SetExitHook({});
    tonvia::ui::SetInterfaceDpi(0);
}

CMainWnd& MainWindowTest::Open(int dpi) {
    hooks.dpi = dpi;
    hooks.instanceName = instanceName;
    window = std::make_unique<CMainWnd>(*amp, amp.get(), hooks);
    window->SetAutoDelete(false);
    EXPECT_TRUE(window->Create(nullptr, QStringLiteral("KR DSP Audio"), false));
    return *window;
}

void MainWindowTest::Close() {
    window.reset();
    Pump();
}

void MainWindowTest::Pump() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void MainWindowTest::Shot(const QString& name) {
    QWidget* widget = window->GetWidget();
    ASSERT_NE(widget, nullptr);
    const QString dir = QStringLiteral(TONVIA_SHOTS_DIR);
    QDir().mkpath(dir);
    widget->show();
    Pump();
    const QPixmap picture = widget->grab();
    EXPECT_TRUE(picture.save(dir + QLatin1Char('/') + name + QStringLiteral(".png")));
}

QString Tr(const char* key) {
    return tonvia::ui::Translate(QString::fromLatin1(key));
}

}  // namespace mainpage_testing
