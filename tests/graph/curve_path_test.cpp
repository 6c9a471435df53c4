#include "graph/curve_path.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "graph/math/filter_response.h"

namespace {

const EqGeometry kGraph(QRect(0, 0, 600, 300), 100, 12, -18);

int CubicCount(const QPainterPath& path) {
    int n = 0;
    for (int i = 0; i < path.elementCount(); ++i) {
        n += path.elementAt(i).type == QPainterPath::CurveToElement ? 1 : 0;
    }
    return n;
}

TEST(CurvePixels, StandardGridKeepsTheDrawnRangeFromHighToLow) {
    const FrequencyGrid& grid = StandardFrequencyGrid();
    std::array<double, CURVE_POINTS> flat{};
    std::array<QPoint, CURVE_POINTS> out;
    const int n = CollectCurvePixels(kGraph, grid, flat, 10, 20100, false, out);
    EXPECT_EQ(n, 386);
    EXPECT_GT(out[0].x(), out[static_cast<std::size_t>(n - 1)].x());
    EXPECT_LT(out[static_cast<std::size_t>(n - 1)].x(), 0);  // the 10 Hz end lies left of L
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(out[static_cast<std::size_t>(i)].y(), 120);
    }
}

TEST(CurvePixels, RangeEdgesAreInclusive) {
    const std::vector<double> freqs{19, 20, 1000, 20000, 20001};
    const std::vector<double> levels{0, 0, 0, 0, 0};
    std::array<QPoint, 8> out;
    const int n = CollectCurvePixels(kGraph, freqs, levels, 20, 20000, false, out);
    ASSERT_EQ(n, 3);
    EXPECT_EQ(out[0].x(), 600);
    EXPECT_EQ(out[2].x(), 0);  // 20 Hz at the left edge
}

TEST(CurvePixels, SmoothingAveragesAndHoldsLeftOfGraph) {
    // From the last point to the first: 20000 Hz at +12 dB, 2000 Hz at 0 dB, 200 Hz at
    // 0 dB, 12 Hz at -18 dB.
    const std::vector<double> freqs{12, 200, 2000, 20000};
    const std::vector<double> levels{-18, 0, 0, 12};
    std::array<QPoint, 4> out;
    ASSERT_EQ(CollectCurvePixels(kGraph, freqs, levels, 10, 20100, true, out), 4);
    EXPECT_EQ(out[0], QPoint(600, 0));
    EXPECT_EQ(out[1], QPoint(500, 60));
    EXPECT_EQ(out[2], QPoint(350, 90));
    EXPECT_EQ(out[3], out[2]);  // 12 Hz is left of the graph
}

TEST(CurvePixels, HugeStopBandLevelsStayFinite) {
    const std::vector<double> freqs{100, 1000};
    const std::vector<double> levels{-1600, std::numeric_limits<double>::quiet_NaN()};
    std::array<QPoint, 2> out;
    ASSERT_EQ(CollectCurvePixels(kGraph, freqs, levels, 10, 20100, false, out), 2);
    EXPECT_EQ(out[0].y(), 120);  // a NaN level counts as flat
    EXPECT_GT(out[1].y(), 300);
}

TEST(CurvePaths, BezierChainUsesThreePointsPerSegmentAndKeepsLeftovers) {
    std::vector<QPoint> points(385);
    for (std::size_t i = 0; i < points.size(); ++i) {
        points[i] = QPoint(static_cast<int>(i), 0);
    }
    QPainterPath exact;
    AddBezierChain(exact, points);
    EXPECT_EQ(CubicCount(exact), 128);
    EXPECT_EQ(exact.currentPosition(), QPointF(384, 0));

    points.resize(387);
    points[385] = QPoint(385, 0);
    points[386] = QPoint(386, 0);
    QPainterPath rest;
    AddBezierChain(rest, points);
    EXPECT_EQ(CubicCount(rest), 128);
    EXPECT_EQ(rest.currentPosition(), QPointF(386, 0));
}

TEST(CurvePaths, CardinalSplinePassesThroughEveryPoint) {
    const std::vector<QPoint> points{{0, 0}, {10, 20}, {20, 0}, {30, 20}};
    QPainterPath path;
    AddCardinalSpline(path, points);
    ASSERT_EQ(CubicCount(path), 3);
    // Each segment ends on the next point; the tangent at an inner point is parallel to the
    // line between its neighbours (Catmull-Rom at tension 0.5).
    for (int s = 0; s < 3; ++s) {
        const auto end = path.elementAt(1 + 3 * s + 2);
        EXPECT_EQ(QPointF(end.x, end.y), QPointF(points[static_cast<std::size_t>(s + 1)]));
    }
    const auto c1 = path.elementAt(4);  // first control point of segment 1
    EXPECT_DOUBLE_EQ(c1.x, 10 + (20 - 0) / 6.0);
    EXPECT_DOUBLE_EQ(c1.y, 20 + (0 - 0) / 6.0);
}

}  // namespace
