#include "graph/equalizer_ac.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <vector>

#include "ui/control.h"

namespace {

struct SweepCase {
    int value, minimum, maximum, degrees;
};

class CircleSweep : public ::testing::TestWithParam<SweepCase> {};

TEST_P(CircleSweep, IsAWholeDegreeShareOfTheRange) {
    const SweepCase c = GetParam();
    EXPECT_EQ(CCircleProgressUI::SweepDegrees(c.value, c.minimum, c.maximum), c.degrees);
}

INSTANTIATE_TEST_SUITE_P(Values, CircleSweep,
                         ::testing::Values(SweepCase{100, 0, 100, 360}, SweepCase{50, 0, 100, 180},
                                           SweepCase{33, 0, 100, 118}, SweepCase{0, 0, 100, 0},
                                           SweepCase{5, 5, 5, 0}, SweepCase{-3, 0, 100, 0}));

class CircleProgressPaint : public ::testing::Test {
  protected:
    QImage Render(int value) {
        CCircleProgressUI ring;
        ring.resize(100, 100);
        ring.SetAttribute(QStringLiteral("bkcolor"), QStringLiteral("#FF000000"));
        ring.SetAttribute(QStringLiteral("forecolor"), QStringLiteral("#FF00FF00"));
        ring.setRange(0, 100);
        ring.setValue(value);
        QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::blue);
        QPainter painter(&image);
        ring.Paint(painter);
        return image;
    }
    // Points on the ring (between the inner radius 40 and the outer 50).
    static constexpr QPoint kBottom{50, 95}, kLeft{5, 50}, kTop{50, 5}, kRight{95, 50};
};

TEST_F(CircleProgressPaint, FullValueDrawsTheWholeRingAroundAWhiteCentre) {
    const QImage image = Render(100);
    for (const QPoint p : {kBottom, kLeft, kTop, kRight}) {
        EXPECT_EQ(image.pixel(p), 0xFF00FF00u) << p.x() << "," << p.y();
    }
    EXPECT_EQ(image.pixel(50, 50), 0xFFFFFFFFu);
    EXPECT_EQ(image.pixel(1, 1), 0xFF0000FFu);  // outside the circle stays untouched
}

TEST_F(CircleProgressPaint, HalfValueRunsFromTheBottomClockwiseToTheTop) {
    const QImage image = Render(50);
    EXPECT_EQ(image.pixel(kLeft), 0xFF00FF00u);
    EXPECT_EQ(image.pixel(kRight), 0xFF000000u);
    EXPECT_EQ(image.pixel(QPoint(20, 85)), 0xFF00FF00u);  // lower left
    EXPECT_EQ(image.pixel(QPoint(80, 85)), 0xFF000000u);  // lower right
}

TEST(EqualizerAcCurves, KeepSixteenCurvesAndTheirPoints) {
    UIEqualizerAc chart;
    std::vector<double> freqs(200, 1000.0), levels(200, 0.0);
    std::vector<AcCurveData> curves(17, AcCurveData{freqs, levels});
    chart.SetCoarseCurves(curves, {});
    EXPECT_EQ(chart.CoarseCurveCount(), 16);
    EXPECT_EQ(chart.CoarsePointCount(0), UIEqualizerAc::kCoarsePoints);
    chart.SetFineCurves(std::span(curves).first(3), {});
    EXPECT_EQ(chart.FineCurveCount(), 3);
    chart.SetFineCurves({}, {});  // nothing changes
    EXPECT_EQ(chart.FineCurveCount(), 3);
    EXPECT_EQ(UiControl(&chart).GetClass(), QStringLiteral("UIEqualizerAc"));
}

TEST(EqualizerAcCurves, ShownCurvesDrawInTheirColours) {
    UIEqualizerAc chart;
    chart.resize(400, 200);  // zero line at 100, 5 pixels per dB
    std::vector<double> coarseF, coarseL, fineF, fineL;
    for (int i = 0; i < 121; ++i) {
        coarseF.push_back(20.0 * std::pow(1000.0, i / 120.0));
        coarseL.push_back(10.0);
    }
    for (int i = 0; i < 512; ++i) {
        fineF.push_back(10.0 * std::pow(2400.0, i / 511.0));
        fineL.push_back(-10.0);
    }
    const std::vector<AcCurveData> coarse{{coarseF, coarseL}, {coarseF, coarseL}};
    const std::vector<AcCurveData> fine{{fineF, fineL}};
    const bool showCoarse[] = {false, true};
    const bool showFine[] = {true};
    chart.SetCoarseCurves(coarse, showCoarse);
    chart.SetFineCurves(fine, showFine);
    QImage image(400, 200, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    chart.Paint(painter);
    EXPECT_EQ(image.pixel(150, 50), UIEqualizerAc::CoarseColor(1).rgba());
    int dashed = 0;
    for (int x = 20; x < 380; ++x) {
        dashed += image.pixel(x, 150) == UIEqualizerAc::FineColor(0).rgba() ? 1 : 0;
    }
    EXPECT_GT(dashed, 100);  // drawn ...
    EXPECT_LT(dashed, 300);  // ... with gaps
}

}  // namespace
