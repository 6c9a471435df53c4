// Pictures of the graph controls for review, written to the shots folder: the main page's
// equaliser at 100 % and 150 %, and the auto-calibration chart with its progress ring.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "graph/equalizer.h"
#include "graph/equalizer_ac.h"
#include "graph_scene.h"

namespace {

QString ShotsDir() {
    const char* env = std::getenv("TONVIA_SHOTS_DIR");
    return env != nullptr && *env != '\0' ? QString::fromLocal8Bit(env)
                                          : QStringLiteral(TONVIA_SHOTS_DIR);
}

void Save(const QImage& image, const QString& name) {
    ASSERT_TRUE(QDir().mkpath(ShotsDir()));
    EXPECT_TRUE(image.save(ShotsDir() + QLatin1Char('/') + name + QStringLiteral(".png")));
}

class GraphPreview : public ::testing::TestWithParam<int> {};

TEST_P(GraphPreview, MainPageEqualizer) {
    const int scale = GetParam();
    const graph_scene::Scene scene = graph_scene::MakeScene();
    UIEqualizer eq;
    eq.resize(tonvia::ui::ScaleUnits(720, scale), tonvia::ui::ScaleUnits(300, scale));
    eq.OnDisplayScale(scale);
    graph_scene::ShowScene(eq, scene);
    QImage image(eq.size(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    eq.Paint(painter);
    painter.end();
    // The current channel's curve passes its boosted band above the zero line.
    const QPoint boosted = eq.BandPoint(graph_scene::kBoostedBand);
    EXPECT_LT(boosted.y(), eq.Geometry().ZeroY());
    Save(image, QStringLiteral("graph_equalizer_%1").arg(scale));
}

INSTANTIATE_TEST_SUITE_P(Scales, GraphPreview, ::testing::Values(100, 150));

TEST(GraphPreviewAc, AutoCalibrationChartAndRing) {
    QImage image(560, 240, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor::fromRgba(0xFF202328));
    QPainter painter(&image);

    UIEqualizerAc chart;
    chart.resize(420, 220);
    chart.SetAttribute(QStringLiteral("bkcolor"), QStringLiteral("#FF202328"));
    std::vector<std::vector<double>> cf(3), cl(3), ff(3), fl(3);
    std::vector<AcCurveData> coarse, fine;
    for (std::size_t c = 0; c < 3; ++c) {
        for (int i = 0; i < UIEqualizerAc::kCoarsePoints; ++i) {
            const double f = 20.0 * std::pow(1000.0, i / 120.0);
            cf[c].push_back(f);
            // A measured response: ripples, a bass hump and a falling top.
            cl[c].push_back(6.0 * std::sin(i / 7.0 + c) + 8.0 * std::exp(-i / 15.0) -
                            0.12 * std::max(0, i - 90) * (c + 1.0));
        }
        for (int i = 0; i < UIEqualizerAc::kFinePoints; ++i) {
            const double f = 10.0 * std::pow(2400.0, i / 511.0);
            ff[c].push_back(f);
            fl[c].push_back(-4.0 * std::sin(std::log(f) * 1.6 + c) - 3.0 * c);
        }
        coarse.push_back({cf[c], cl[c]});
        fine.push_back({ff[c], fl[c]});
    }
    const bool show[] = {true, true, true};
    chart.SetCoarseCurves(coarse, show);
    chart.SetFineCurves(fine, show);
    painter.translate(10, 10);
    chart.Paint(painter);

    CCircleProgressUI ring;
    ring.resize(100, 100);
    ring.setRange(0, 100);
    ring.setValue(62);
    painter.translate(435, 60);
    ring.Paint(painter);
    painter.end();
    Save(image, QStringLiteral("graph_autocal"));
}

}  // namespace
