// Painting the main page's equaliser graph (six curves, 31 bands, one selected) into an
// offscreen image at 100 % and 150 %.
//   DragFrame:   one repaint while a band is dragged: the current channel's band and curve
//                change every frame (handed in as the page does), the other curves stay.
//   FullRepaint: the same with everything redrawn (a channel switch, a resize, a new
//                colour), the cost of the first frame after such a change.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "graph/equalizer.h"
#include "graph_scene.h"
#include "ui/display_scale.h"

namespace {

// A tenth of a 60 Hz frame: what one repaint of the graph may take.
constexpr double kBudgetSeconds = 1.0 / 60.0 / 10.0;

// Wall time per iteration as a share of the budget ("budget" column; below 1 is in time).
class BudgetShare {
  public:
    BudgetShare() : mStart(std::chrono::steady_clock::now()) {}
    void Report(benchmark::State& state) const {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - mStart).count();
        const double perPaint = seconds / static_cast<double>(std::max<benchmark::IterationCount>(
                                              state.iterations(), 1));
        state.counters["budget"] = perPaint / kBudgetSeconds;
    }

  private:
    std::chrono::steady_clock::time_point mStart;
};

struct Fixture {
    explicit Fixture(int scale) : scene(graph_scene::MakeScene()) {
        eq.resize(tonvia::ui::ScaleUnits(720, scale), tonvia::ui::ScaleUnits(300, scale));
        eq.OnDisplayScale(scale);
        graph_scene::ShowScene(eq, scene);
        image = QImage(eq.size(), QImage::Format_ARGB32_Premultiplied);
        // Two positions of the boosted band, alternated as a drag would move it.
        dragged = scene;
        dragged.channels[graph_scene::kCurrentChannel].eqArray[graph_scene::kBoostedBand].gain =
            9.0f;
        ComputeChannelCurve(dragged.channels[graph_scene::kCurrentChannel],
                            dragged.curves[graph_scene::kCurrentChannel]);
    }
    void Paint() {
        QPainter painter(&image);
        eq.Paint(painter);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    void ShowFrame(bool second) {
        const graph_scene::Scene& s = second ? dragged : scene;
        eq.SetBands(s.channels[graph_scene::kCurrentChannel].eqArray, graph_scene::kBoostedBand);
        eq.SetCurves(s.curves, graph_scene::kCurrentChannel, s.show);
    }

    graph_scene::Scene scene;
    graph_scene::Scene dragged;
    UIEqualizer eq;
    QImage image;
};

void BM_DragFrame(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    f.Paint();
    bool second = false;
    const BudgetShare share;
    for (auto _ : state) {
        second = !second;
        f.ShowFrame(second);
        f.Paint();
    }
    share.Report(state);
}
BENCHMARK(BM_DragFrame)->Arg(100)->Arg(150)->Unit(benchmark::kMicrosecond);

void BM_FullRepaint(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    bool second = false;
    const BudgetShare share;
    for (auto _ : state) {
        second = !second;
        // A colour attribute drops the cached layer, as any change of the still parts does.
        f.eq.SetAttribute(QStringLiteral("bkcolor"), QString::fromLatin1(graph_scene::kBackground));
        f.ShowFrame(second);
        f.Paint();
    }
    share.Report(state);
}
BENCHMARK(BM_FullRepaint)->Arg(100)->Arg(150)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
