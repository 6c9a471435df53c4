#include "graph/eq_geometry.h"

#include <gtest/gtest.h>

namespace {

// The main page's graph at 100 %: 600 x 300 from (0, 0), zero line at 120.
EqGeometry Main(int scale = 100) {
    return EqGeometry(QRect(0, 0, 600 * scale / 100, 300 * scale / 100), scale, 12, -18);
}

TEST(EqGeometryAxes, FrequencyAxisEndsAndInverse) {
    const EqGeometry g = Main();
    EXPECT_EQ(g.XOfFreq(20), 0);
    EXPECT_EQ(g.XOfFreq(20000), 600);
    EXPECT_EQ(g.XOfFreq(200), 200);
    EXPECT_EQ(g.FreqOfX(0), 20);
    EXPECT_EQ(g.FreqOfX(600), 20000);
    EXPECT_EQ(g.FreqOfX(400), 2000);
    EXPECT_EQ(g.FreqOfX(-50), 11);  // only the caller clamps
}

TEST(EqGeometryAxes, LevelAxisUsesSeparateScalesAboveAndBelowZero) {
    const EqGeometry g = Main();
    EXPECT_EQ(g.ZeroY(), 120);
    EXPECT_EQ(g.YOfGain(12), 0);
    EXPECT_EQ(g.YOfGain(-18), 300);
    EXPECT_EQ(g.YOfGain(6), 60);
    EXPECT_EQ(g.YOfGain(-9), 210);
    EXPECT_EQ(g.YOfGain(0), 120);
    EXPECT_FLOAT_EQ(g.GainOfY(0), 12.0f);
    EXPECT_FLOAT_EQ(g.GainOfY(300), -18.0f);
    EXPECT_FLOAT_EQ(g.GainOfY(120), 0.0f);
    EXPECT_FLOAT_EQ(g.GainOfY(210), -9.0f);
}

TEST(EqGeometryAxes, AutoCalibrationAxisIsSymmetric) {
    const EqGeometry g(QRect(0, 0, 400, 200), 100, 20, -20);
    EXPECT_EQ(g.ZeroY(), 100);
    EXPECT_EQ(g.YOfGain(20), 0);
    EXPECT_EQ(g.YOfGain(-20), 200);
    EXPECT_EQ(g.YOfGain(-10), 150);
}

struct QCase {
    int distance;
    double q;
};

class EqGeometryQ : public ::testing::TestWithParam<QCase> {};

TEST_P(EqGeometryQ, HandleDistanceGivesQ) {
    const EqGeometry g = Main();
    EXPECT_DOUBLE_EQ(g.QOfX(300 + GetParam().distance, 300), GetParam().q);
    EXPECT_DOUBLE_EQ(g.QOfX(300 - GetParam().distance, 300), GetParam().q);
}

INSTANTIATE_TEST_SUITE_P(Distances, EqGeometryQ,
                         ::testing::Values(QCase{0, 9.0}, QCase{3, 9.0}, QCase{9, 9.0},
                                           QCase{27, 3.0}, QCase{81, 1.0}, QCase{162, 0.5},
                                           QCase{400, 0.5}));

TEST(EqGeometryQOffset, FollowsQAndScale) {
    EXPECT_EQ(Main().QOffset(1.0), 81);
    EXPECT_EQ(Main().QOffset(9.0), 9);
    EXPECT_EQ(Main().QOffset(0.1), 162);  // clamped to 0.5
    EXPECT_EQ(Main().QOffset(20.0), 9);   // clamped to 9.0
    EXPECT_EQ(Main(150).QOffset(1.0), 121);
    // The handle placed for a Q reads back as that Q.
    for (double q : {0.5, 1.0, 2.0, 4.5, 9.0}) {
        const EqGeometry g = Main();
        EXPECT_NEAR(g.QOfX(300 + g.QOffset(q), 300), q, 0.05 * q) << q;
    }
}

TEST(EqGeometryBoxes, BandBoxIsClampedIntoTheGraph) {
    const EqGeometry g = Main();
    EXPECT_EQ(g.BandBox(QPoint(300, 120)), (EqBox{292, 112, 308, 128}));
    EXPECT_EQ(g.BandBox(QPoint(2, 0)), (EqBox{0, 0, 16, 16}));
    EXPECT_EQ(g.BandBox(QPoint(599, 300)), (EqBox{584, 284, 600, 300}));
    EXPECT_EQ(Main(150).BandBox(QPoint(450, 180)), (EqBox{438, 168, 462, 192}));
}

TEST(EqGeometryBoxes, InfoTextRowDependsOnBandHeight) {
    const EqGeometry g = Main();
    EXPECT_EQ(g.InfoBox(QPoint(300, 5), true), (EqBox{225, 22, 375, 37}));
    EXPECT_EQ(g.InfoBox(QPoint(300, 120), true), (EqBox{225, 134, 375, 149}));
    EXPECT_EQ(g.InfoBox(QPoint(300, 280), false), (EqBox{275, 251, 325, 266}));
    EXPECT_EQ(g.InfoBox(QPoint(300, 295), false), (EqBox{275, 263, 325, 278}));
    EXPECT_EQ(g.InfoBox(QPoint(10, 120), true).left, 0);
}

TEST(EqGeometryBoxes, CrossoverHandlesSitBelowZero) {
    const EqGeometry g = Main();
    const EqBox h = g.HpBox(200);
    EXPECT_EQ(h, (EqBox{193, g.YOfGain(-8), 207, g.YOfGain(-8) + 10}));
    EXPECT_EQ(g.LpBox(20000), (EqBox{586, g.YOfGain(-11), 600, g.YOfGain(-11) + 12}));
    EXPECT_EQ(g.HpBox(20).left, 0);
}

TEST(EqGeometryBoxes, ClampKeepsEdgesReachable) {
    const EqGeometry g = Main();
    EXPECT_EQ(g.Clamp(QPoint(-40, -40)), QPoint(0, 0));
    EXPECT_EQ(g.Clamp(QPoint(900, 900)), QPoint(600, 300));
    EXPECT_EQ(g.Clamp(QPoint(10, 20)), QPoint(10, 20));
}

}  // namespace
