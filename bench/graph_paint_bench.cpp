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
#include <cstdlib>

#include "graph/equalizer.h"
#include "graph_scene.h"
#include "ui/display_scale.h"

namespace {

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
    for (auto _ : state) {
        second = !second;
        f.ShowFrame(second);
        f.Paint();
    }
}
BENCHMARK(BM_DragFrame)->Arg(100)->Arg(150)->Unit(benchmark::kMicrosecond);

void BM_FullRepaint(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    bool second = false;
    for (auto _ : state) {
        second = !second;
        // A colour attribute drops the cached layer, as any change of the still parts does.
        f.eq.SetAttribute(QStringLiteral("bkcolor"), QString::fromLatin1(graph_scene::kBackground));
        f.ShowFrame(second);
        f.Paint();
    }
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
