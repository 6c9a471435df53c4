#include "app/run_main_window.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/device_backend.h"
#include "platform/log.h"
#include "platform/process_info.h"
#include "platform/udev_monitor.h"
#include "sim/virtual_amplifier.h"
#include "ui/skin_resources.h"

namespace {

int gArgc = 1;
char gName[] = "tonvia";
char* gArgv[] = {gName, nullptr};

}  // namespace

int RunMainWindow(ShellContext& context, const MainWindowOptions& options) {
    std::unique_ptr<QApplication> app;
    if (QApplication::instance() == nullptr) {
        app = std::make_unique<QApplication>(gArgc, gArgv);
    }
    auto& skin = tonvia::ui::SkinResources::Instance();
    if (!skin.IsLoaded()) {
        QString error;
        if (!skin.LoadEmbeddedPackage(&error)) {
            LogPrintA("skin package: %s\n", error.toUtf8().constData());
        }
    }

    // Device arrival and removal: the virtual amplifier reports its own, a real one comes
    // through udev.
    std::unique_ptr<tonvia::platform::DeviceMonitor> udev;
    tonvia::platform::DeviceMonitor* monitor = context.backend.Amplifier();
    if (monitor == nullptr) {
        udev = tonvia::platform::MakeUdevDeviceMonitor();
        monitor = udev.get();
    }

    auto window = std::make_unique<CMainWnd>(context.backend.Hid(), monitor, options.hooks);
    window->SetAutoDelete(false);
    if (!window->Create(nullptr, QStringLiteral("KR DSP Audio"), false)) {
        return 0;
    }
    window->CenterWindow();
    window->ShowWindow(true);
    LogPrintA("main window shown\n");
    if (options.reportStartup) {
        QApplication::processEvents();  // the first paint belongs to showing the window
        std::printf("startup: %.1f ms to the shown main window, peak resident memory %.1f MB\n",
                    tonvia::platform::MillisecondsSinceProcessStart(),
                    static_cast<double>(tonvia::platform::PeakResidentKiB()) / 1024.0);
        std::fflush(stdout);
    }
    if (options.closeAfterShow) {
        QPointer<QWidget> host = window->GetWidget();
        CMainWnd* raw = window.get();
        QTimer::singleShot(0, host, [host, raw] {
            if (host && !raw->IsClosing()) {
                raw->SendSystemCommand(SC_CLOSE);
            }
        });
    }
    if (window->GetWidget() != nullptr && !window->IsClosing()) {
        QApplication::exec();
    }
    window.reset();
    return 0;
}
