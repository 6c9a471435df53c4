#include "graph/curve_path.h"

#include <algorithm>
#include <cmath>

int CollectCurvePixels(const EqGeometry& geometry, std::span<const double> frequencies,
                       std::span<const double> levels, double loHz, double hiHz, bool smooth,
                       std::span<QPoint> out) {
    const std::size_t n = std::min(frequencies.size(), levels.size());
    int count = 0;
    for (std::size_t k = n; k-- > 0;) {
        if (static_cast<std::size_t>(count) >= out.size()) {
            break;
        }
        const double f = frequencies[k];
        if (!(f >= loHz && f <= hiHz)) {
            continue;
        }
        const double level = std::isfinite(levels[k]) ? levels[k] : 0.0;
        // Levels far below the graph (a -1600 dB stop band) still map to a finite pixel.
        const double y = std::clamp(geometry.YOfGainF(level), -1e6, 1e6);
        QPoint pixel(static_cast<int>(std::lround(geometry.XOfFreqF(f))),
                     static_cast<int>(std::lround(y)));
        if (smooth && count > 0) {
            const QPoint prev = out[static_cast<std::size_t>(count - 1)];
            pixel = pixel.x() < geometry.Left()
                        ? prev
                        : QPoint((pixel.x() + prev.x()) / 2, (pixel.y() + prev.y()) / 2);
        }
        out[static_cast<std::size_t>(count++)] = pixel;
    }
    return count;
}

void AddBezierChain(QPainterPath& path, std::span<const QPoint> points) {
    if (points.empty()) {
        return;
    }
    path.moveTo(points[0]);
    std::size_t i = 1;
    for (; i + 2 < points.size(); i += 3) {
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    }
    for (; i < points.size(); ++i) {
        path.lineTo(points[i]);
    }
}

void AddCardinalSpline(QPainterPath& path, std::span<const QPoint> points, double tension) {
    if (points.empty()) {
        return;
    }
    path.moveTo(points[0]);
    const std::size_t n = points.size();
    const double k = tension / 3.0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const QPointF p0 = points[i == 0 ? 0 : i - 1];
        const QPointF p1 = points[i];
        const QPointF p2 = points[i + 1];
        const QPointF p3 = points[i + 2 < n ? i + 2 : n - 1];
        path.cubicTo(p1 + k * (p2 - p0), p2 - k * (p3 - p1), p2);
    }
}
