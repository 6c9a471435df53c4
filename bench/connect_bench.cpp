// Connect to ready: the connect button pressed until it shows the connected state, with the
// main window offscreen against the virtual amplifier at USB full-speed pacing. Prints the
// wall time split into the round trips' ideal (1 ms each way), the fixed pause before the
// curves and the rest, the rest as a ratio to the ideal (goal below 0.10), and the longest
// stall of the UI thread during the read (goal below one 60 Hz frame, 16 ms).
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "mainpage/main_wnd.h"
#include "sim/virtual_amplifier.h"
#include "ui/skin_resources.h"
#include "ui/window_registry.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QString error;
    if (!tonvia::ui::SkinResources::Instance().LoadEmbeddedPackage(&error)) {
        std::fprintf(stderr, "connect_bench: %s\n", error.toUtf8().constData());
        return 1;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    tonvia::sim::Options options;
    options.plugged = false;
    tonvia::sim::VirtualAmplifier amp(options);
    MainWndHooks hooks;
    hooks.messageBox = [](WindowImplBase&, const QString& text) {
        std::fprintf(stderr, "connect_bench: box %s\n", text.toUtf8().constData());
    };
    hooks.instanceName = "TONVIA_CONNECT_BENCH";
    CMainWnd window(amp, &amp, hooks);
    window.SetAutoDelete(false);
    if (!window.Create(nullptr, QStringLiteral("KR DSP Audio"), false)) {
        return 1;
    }
    amp.Plug();
    amp.SetFullSpeed();
    UiControl button = window.FindControl(QStringLiteral("btnConnect"));

    // A 1 ms tick on the UI thread: the longest gap between ticks is the longest stall.
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    bool measuring = false;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (measuring) {
            longestStall = std::max(longestStall, sinceTick.elapsed());
        }
        sinceTick.restart();
    });
    ticker.start(1);

    double totalMs = 0;
    int roundTrips = 0;  // requests answered
    int requests = 0;
    for (int run = 0; run < runs; ++run) {
        if (window.Manager().Device().IsConnected()) {
            window.Manager().DisconnectDevice();
        }
        const int repliesBefore = amp.GetCounters().replies;
        const int requestsBefore = amp.GetCounters().requests;
        QElapsedTimer clock;
        clock.start();
        sinceTick.restart();
        measuring = true;
        button.As<QAbstractButton>()->click();
        while (!button.IsSelected() && clock.elapsed() < 20000) {
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        measuring = false;
        totalMs += static_cast<double>(clock.nsecsElapsed()) / 1e6;
        roundTrips = amp.GetCounters().replies - repliesBefore;
        requests = amp.GetCounters().requests - requestsBefore;
        if (!button.IsSelected()) {
            std::fprintf(stderr, "connect_bench: not connected after 20 s\n");
            return 1;
        }
    }
    const double wall = totalMs / runs;
    const double ideal = roundTrips * 2.0;
    const double pause = 1000.0;
    const double rest = wall - ideal - pause;
    std::printf("connect to ready: %.1f ms (%d runs), %d requests, %d answered\n", wall, runs,
                requests, roundTrips);
    std::printf("  round trips ideal %.1f ms, fixed pause %.0f ms, rest %.1f ms\n", ideal, pause,
                rest);
    std::printf("  rest / ideal: ratio %.3f (goal below 0.10)\n", rest / ideal);
    std::printf("  longest UI-thread stall during the read: %lld ms (goal below 16 ms)\n",
                static_cast<long long>(longestStall));
    window.Manager().StopWorker();
    return 0;
}
