#include "graph/curve_path.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "graph/math/filter_response.h"

namespace {

const EqGeometry kGraph(QRect(0, 0, 600, 300), 100, 12, -18);

// The largest difference of one channel between two pictures of the same size, within
// `within` (all of them if empty).
int MaxDifference(const QImage& a, const QImage& b, QRect within = {}) {
    if (within.isEmpty()) {
        within = a.rect();
    }
    int worst = 0;
    for (int y = within.top(); y <= within.bottom(); ++y) {
        for (int x = within.left(); x <= within.right(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    }
    return worst;
}

QImage Canvas() {
    QImage image(300, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor::fromRgba(0xFF202328));
    return image;
}

// Lines with turns both ways, a reversal, a straight run, repeated points and a drop far
// below the picture, as curves have.
const std::vector<std::vector<QPointF>> kLines{
    {{10, 100}, {60, 40}, {110, 160}, {160, 60}, {210, 120}, {290, 110}},
    {{20, 50}, {150, 50}, {150, 50}, {140, 58}, {280, 52}},
    {{290, 30}, {200, 31}, {120, 33.5}, {60, 90}, {55, 3000}, {40, 6000}},
    {{30, 150}, {31, 150}, {32, 151}, {33, 149}, {200, 150.5}, {201, 190}},
};

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

TEST(CurveFill, OutlineFilledLooksLikeThePen) {
    const QColor color = QColor::fromRgba(0xB8F2A33A);
    for (const double width : {1.5, 3.0, 4.5}) {
        for (const auto& line : kLines) {
            QImage pen = Canvas();
            {
                QPainter p(&pen);
                p.setRenderHint(QPainter::Antialiasing);
                p.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
                p.drawPolyline(line.data(), static_cast<int>(line.size()));
            }
            std::vector<QPointF> outline;
            StrokeOutline(line, width, outline);
            QImage filled = Canvas();
            {
                QPainter p(&filled);
                p.setRenderHint(QPainter::Antialiasing);
                p.setPen(Qt::NoPen);
                p.setBrush(color);
                p.drawPolygon(outline.data(), static_cast<int>(outline.size()), Qt::WindingFill);
            }
            EXPECT_LE(MaxDifference(pen, filled), 1) << width << " " << line.front().x();
        }
    }
    std::vector<QPointF> outline{{1, 1}};
    StrokeOutline(std::vector<QPointF>{{5, 5}, {5, 5}}, 3.0, outline);
    EXPECT_TRUE(outline.empty());
}

// Pieces must neither overlap (a see-through colour would show a darker seam) nor leave
// gaps, nor reach out of their columns (the rows just outside the area they may).
TEST(CurveFill, ColumnPiecesLookLikeOneFill) {
    const QColor color = QColor::fromRgba(0xB8F2A33A);
    const QRect area(16, 10, 260, 170);
    for (const auto& line : kLines) {
        std::vector<QPointF> outline;
        StrokeOutline(line, 3.0, outline);
        auto fill = [&](bool pieces) {
            QImage image = Canvas();
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            if (pieces) {
                ColumnPieces scratch;
                FillInColumns(p, outline, area, 32, scratch);
            } else {
                p.setClipRect(area);
                p.drawPolygon(outline.data(), static_cast<int>(outline.size()), Qt::WindingFill);
            }
            return image;
        };
        const QImage whole = fill(false);
        const QImage pieces = fill(true);
        EXPECT_LE(MaxDifference(whole, pieces, area), 6) << line.front().x();
        for (int y = 0; y < pieces.height(); ++y) {
            ASSERT_EQ(pieces.pixel(area.left() - 1, y), 0xFF202328u) << y;
            ASSERT_EQ(pieces.pixel(area.right() + 1, y), 0xFF202328u) << y;
        }
    }
}

TEST(CurvePixels, GivenColumnsAreUsedPerFrequency) {
    const std::vector<double> freqs{100, 1000, 10000};
    const std::vector<double> levels{0, 6, -6};
    const std::vector<double> columns{10.4, 20.6, 30.0};
    std::array<QPoint, 3> out;
    ASSERT_EQ(CollectCurvePixels(kGraph, freqs, levels, 10, 20100, false, out, columns), 3);
    EXPECT_EQ(out[0], QPoint(30, 180));  // from the last point to the first
    EXPECT_EQ(out[1], QPoint(21, 60));
    EXPECT_EQ(out[2], QPoint(10, 120));
}

}  // namespace
