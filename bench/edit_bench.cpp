// Editing on the main page, with the window offscreen against the virtual amplifier
// (latency 0). Prints:
//  - edit to wire: from a level slider's notification to the trim frame written by the
//    command queue's thread, median and 99th percentile over 1000 edits (goals: median below
//    0.2 ms, p99 below 1 ms), as a ratio to the same command queued straight on the link;
//  - a 5-second continuous drag of a band in the graph at 150 %: the UI thread's time per
//    mouse move (model, curves, repaint), median and worst (goal: worst below 8 ms), as a
//    ratio to a bare repaint of the graph.
#include <QAbstractSlider>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "graph/equalizer.h"
#include "mainpage/main_wnd.h"
#include "sim/virtual_amplifier.h"
#include "ui/skin_resources.h"

namespace {

using Clock = std::chrono::steady_clock;

// Stamps every report the link writes, then hands it to the virtual amplifier.
class StampingDevice final : public tonvia::platform::HidDevice {
  public:
    StampingDevice(std::unique_ptr<tonvia::platform::HidDevice> inner,
                   std::atomic<std::int64_t>& lastWriteNs, std::atomic<int>& writes)
        : mInner(std::move(inner)), mLastWriteNs(lastWriteNs), mWrites(writes) {}
    int Write(std::span<const std::uint8_t> report) override {
        mLastWriteNs.store(Clock::now().time_since_epoch().count());
        mWrites.fetch_add(1);
        return mInner->Write(report);
    }
    int ReadTimeout(std::span<std::uint8_t> buffer, int timeoutMs) override {
        return mInner->ReadTimeout(buffer, timeoutMs);
    }
    bool SetNonBlocking(bool on) override { return mInner->SetNonBlocking(on); }
    bool GetManufacturerString(std::wstring& out) override {
        return mInner->GetManufacturerString(out);
    }
    bool GetProductString(std::wstring& out) override { return mInner->GetProductString(out); }
    bool GetSerialNumberString(std::wstring& out) override {
        return mInner->GetSerialNumberString(out);
    }
    bool GetIndexedString(int index, std::wstring& out) override {
        return mInner->GetIndexedString(index, out);
    }
    std::string ErrorText() override { return mInner->ErrorText(); }

  private:
    std::unique_ptr<tonvia::platform::HidDevice> mInner;
    std::atomic<std::int64_t>& mLastWriteNs;
    std::atomic<int>& mWrites;
};

class StampingBackend final : public tonvia::platform::HidBackend {
  public:
    explicit StampingBackend(tonvia::sim::VirtualAmplifier& amp) : mAmp(amp) {}
    int Init() override { return mAmp.Init(); }
    std::vector<tonvia::platform::HidDeviceInfo> Enumerate(std::uint16_t vid,
                                                           std::uint16_t pid) override {
        return mAmp.Enumerate(vid, pid);
    }
    std::unique_ptr<tonvia::platform::HidDevice> Open(
        const tonvia::platform::HidDeviceInfo& info) override {
        auto inner = mAmp.Open(info);
        if (!inner) {
            return nullptr;
        }
        return std::make_unique<StampingDevice>(std::move(inner), lastWriteNs, writes);
    }
    std::string ErrorText() override { return mAmp.ErrorText(); }

    std::atomic<std::int64_t> lastWriteNs{0};
    std::atomic<int> writes{0};

  private:
    tonvia::sim::VirtualAmplifier& mAmp;
};

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

// Waits for the next write after `writesBefore`; the time from `start` to it, in ms.
double WaitForWrite(StampingBackend& backend, int writesBefore, Clock::time_point start) {
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (backend.writes.load() == writesBefore && Clock::now() < deadline) {
        std::this_thread::yield();
    }
    // The first frame after the edit: the queue writes the rest of the edit after it.
    const std::int64_t written = backend.lastWriteNs.load();
    return static_cast<double>(written - start.time_since_epoch().count()) / 1e6;
}

void WaitQueueIdle(CHidDevice& link) {
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (!link.IsQueueIdle() && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QString error;
    if (!tonvia::ui::SkinResources::Instance().LoadEmbeddedPackage(&error)) {
        std::fprintf(stderr, "edit_bench: %s\n", error.toUtf8().constData());
        return 1;
    }
    const int edits = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1000;

    tonvia::sim::VirtualAmplifier amp;
    StampingBackend backend(amp);
    MainWndHooks hooks;
    hooks.messageBox = [](WindowImplBase&, const QString& text) {
        std::fprintf(stderr, "edit_bench: box %s\n", text.toUtf8().constData());
    };
    hooks.askBox = [](WindowImplBase&, const QString&) { return true; };
    hooks.instanceName = "TONVIA_EDIT_BENCH";
    hooks.dpi = 144;  // 150 %
    CMainWnd window(backend, &amp, hooks);
    window.SetAutoDelete(false);
    if (!window.Create(nullptr, QStringLiteral("KR DSP Audio"), false)) {
        return 1;
    }
    window.GetWidget()->show();
    UiControl connect = window.FindControl(QStringLiteral("btnConnect"));
    QElapsedTimer waiting;
    waiting.start();
    while (!connect.IsSelected() && waiting.elapsed() < 20000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    if (!connect.IsSelected()) {
        std::fprintf(stderr, "edit_bench: not connected after 20 s\n");
        return 1;
    }
    CHidDevice& link = window.Manager().Device();

    // 1. Edit to wire.
    auto* slider = window.FindControl(QStringLiteral("slider_ch_volume_0")).As<QAbstractSlider>();
    if (slider == nullptr) {
        return 1;
    }
    slider->setValue(-300);
    QApplication::processEvents();
    std::vector<double> page;
    std::vector<double> direct;
    for (int i = 0; i < edits; ++i) {
        WaitQueueIdle(link);
        const int before = backend.writes.load();
        const auto start = Clock::now();
        slider->triggerAction(i % 2 == 0 ? QAbstractSlider::SliderSingleStepAdd
                                         : QAbstractSlider::SliderSingleStepSub);
        page.push_back(WaitForWrite(backend, before, start));

        WaitQueueIdle(link);
        const int beforeDirect = backend.writes.load();
        const auto startDirect = Clock::now();
        const float attenuation[] = {30.0f};
        link.Trim_Ctrl(0, 0, 0, 0, attenuation, false);
        direct.push_back(WaitForWrite(backend, beforeDirect, startDirect));
        QApplication::processEvents();
    }
    const double pageMedian = Percentile(page, 0.5);
    const double pageP99 = Percentile(page, 0.99);
    const double directMedian = Percentile(direct, 0.5);
    const double directP99 = Percentile(direct, 0.99);
    std::printf("edit to wire over %d level edits (virtual amplifier, latency 0)\n", edits);
    std::printf("  page: median %.3f ms, p99 %.3f ms (goals 0.2 and 1 ms)\n", pageMedian, pageP99);
    std::printf("  the same trim queued on the link: median %.3f ms, p99 %.3f ms\n", directMedian,
                directP99);
    std::printf("  page / link: median ratio %.2f, p99 ratio %.2f\n", pageMedian / directMedian,
                pageP99 / directP99);

    // 2. A 5-second drag of band 10 in the graph at 150 %.
    auto* graph = window.FindControl(QStringLiteral("equalizer")).As<UIEqualizer>();
    if (graph == nullptr || graph->BandCount() <= 10) {
        std::fprintf(stderr, "edit_bench: no graph with band 10\n");
        return 1;
    }
    QApplication::processEvents();
    std::vector<double> bare;
    for (int i = 0; i < 100; ++i) {
        QElapsedTimer clock;
        clock.start();
        graph->repaint();
        bare.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    const QPoint from = graph->BandPoint(10);
    auto mouse = [graph](QEvent::Type type, QPoint at) {
        QMouseEvent event(type, QPointF(at), graph->mapToGlobal(QPointF(at)), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(graph, &event);
    };
    mouse(QEvent::MouseButtonPress, from);
    std::vector<double> moves;
    const int frames = 300;  // 5 s at 60 moves a second
    const int writesBefore = backend.writes.load();
    for (int i = 1; i <= frames; ++i) {
        const double phase = static_cast<double>(i) / frames * 6.2832;
        const QPoint at = from + QPoint(static_cast<int>(120 * std::sin(phase)),
                                        static_cast<int>(60 * std::sin(2 * phase)));
        QElapsedTimer clock;
        clock.start();
        mouse(QEvent::MouseMove, at);
        graph->repaint();
        moves.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        QApplication::processEvents();
        QThread::msleep(16);
    }
    mouse(QEvent::MouseButtonRelease, graph->BandPoint(10));
    WaitQueueIdle(link);
    const double moveMedian = Percentile(moves, 0.5);
    const double moveWorst = *std::max_element(moves.begin(), moves.end());
    const double bareMedian = Percentile(bare, 0.5);
    std::printf("graph drag at 150 %%: %d mouse moves over 5 s, %d frames written\n", frames,
                backend.writes.load() - writesBefore);
    std::printf("  UI thread per move: median %.3f ms, worst %.3f ms (goal: worst below 8 ms)\n",
                moveMedian, moveWorst);
    std::printf("  a bare repaint: median %.3f ms; move / repaint: median ratio %.2f\n", bareMedian,
                moveMedian / bareMedian);
    std::printf("  worst / 8 ms budget: ratio %.2f\n", moveWorst / 8.0);
    window.Manager().RequestWorkerStop();
    window.Manager().DisconnectDevice();
    window.Manager().StopWorker();
    return 0;
}
