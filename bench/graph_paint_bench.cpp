// Painting the main page's equaliser graph (six curves, 31 bands, one selected) into an
// offscreen image at 100 % and 150 %: the cost of one repaint while a band is dragged.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>

#include "graph/equalizer.h"
#include "graph_scene.h"
#include "ui/display_scale.h"

namespace {

void BM_PaintMainGraph(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    const graph_scene::Scene scene = graph_scene::MakeScene();
    UIEqualizer eq;
    eq.resize(tonvia::ui::ScaleUnits(720, scale), tonvia::ui::ScaleUnits(300, scale));
    eq.OnDisplayScale(scale);
    graph_scene::ShowScene(eq, scene);
    QImage image(eq.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        eq.Paint(painter);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PaintMainGraph)->Arg(100)->Arg(150)->Unit(benchmark::kMicrosecond);

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
