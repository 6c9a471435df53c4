#include "graph/curve_path.h"

#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>

int CollectCurvePixels(const EqGeometry& geometry, std::span<const double> frequencies,
                       std::span<const double> levels, double loHz, double hiHz, bool smooth,
                       std::span<QPoint> out, std::span<const double> columns) {
    const std::size_t n = std::min(frequencies.size(), levels.size());
    const bool known = columns.size() >= n;
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
        QPoint pixel(static_cast<int>(std::lround(known ? columns[k] : geometry.XOfFreqF(f))),
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

namespace {

struct Segment {
    QPointF from;
    QPointF to;
};

bool SamePoint(QPointF a, QPointF b) {
    const double tolerance = 1e-9 * std::max({1.0, std::abs(a.x()), std::abs(a.y())});
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance;
}

// Whether the two segments cross within both of their lengths.
bool Cross(const Segment& a, const Segment& b) {
    const QPointF da = a.to - a.from;
    const QPointF db = b.from - b.to;
    const double denominator = da.y() * db.x() - da.x() * db.y();
    if (denominator == 0.0 || !std::isfinite(denominator)) {
        return false;
    }
    const QPointF c = a.from - b.from;
    const double ta = (db.y() * c.x() - db.x() * c.y()) / denominator;
    if (ta < 0.0 || ta > 1.0) {
        return false;
    }
    const double tb = (da.x() * c.y() - da.y() * c.x()) / denominator;
    return tb >= 0.0 && tb <= 1.0;
}

class OutlineBuilder {
  public:
    OutlineBuilder(double halfWidth, std::vector<QPointF>& out) : mHalf(halfWidth), mOut(out) {}

    // One side of the line, forwards or backwards. The backward side starts with the cap
    // across the far end; Close() adds the one across the near end.
    void Side(std::span<const QPointF> points, bool backwards) {
        const std::size_t n = points.size();
        auto at = [&](std::size_t i) { return backwards ? points[n - 1 - i] : points[i]; };
        QPointF p = at(0);
        bool first = true;
        for (std::size_t i = 1; i < n; ++i) {
            const QPointF q = at(i);
            if (q == p) {
                continue;
            }
            const Segment s = Offset(p, q);
            if (first && !backwards) {
                mOut.push_back(s.from);
                mStart = s;
            } else {
                Join(p, s);
            }
            first = false;
            mOut.push_back(s.to);
            mLast = s;
            p = q;
        }
    }
    void Close(QPointF start) { Join(start, mStart); }
    bool Empty() const { return mOut.empty(); }

  private:
    // The segment moved half the width to the side of its normal (dy, -dx).
    Segment Offset(QPointF p, QPointF q) const {
        const double dx = q.x() - p.x();
        const double dy = q.y() - p.y();
        const double length = std::sqrt(dx * dx + dy * dy);
        const QPointF n(mHalf * (dy / length), mHalf * (-dx / length));
        return {p + n, q + n};
    }
    // From the end of the last offset segment to the start of `next` around the line point
    // `focal`: straight across on the outer side of a turn, through `focal` on the inner
    // side, and wherever else Qt's stroker goes through it, so that the outlines match.
    void Join(QPointF focal, const Segment& next) {
        if (SamePoint(mOut.back(), next.from)) {
            return;
        }
        bool throughFocal = Cross(mLast, next);
        if (!throughFocal) {
            // Straight only when the last segment's direction is the shortcut's turned by
            // 0..90 degrees counterclockwise as seen on screen.
            const QPointF cut = next.from - mLast.to;
            const QPointF dir = mLast.to - mLast.from;
            const double cross = cut.x() * dir.y() - cut.y() * dir.x();
            const double dot = cut.x() * dir.x() + cut.y() * dir.y();
            throughFocal = cross > 0.0 || dot < 0.0;
        }
        if (throughFocal) {
            mOut.push_back(focal);
        }
        mOut.push_back(next.from);
    }

    double mHalf;
    std::vector<QPointF>& mOut;
    Segment mStart;
    Segment mLast;
};

// The polygon clipped to lo <= y <= hi; runs outside become stretches of the bounds, which
// add no coverage and are dropped.
void ClipRows(std::span<const QPointF> in, double lo, double hi, std::vector<QPointF>& out) {
    out.clear();
    if (in.size() < 3) {
        return;
    }
    auto zone = [&](double y) { return y < lo ? -1 : (y > hi ? 1 : 0); };
    QPointF p = in.back();
    int zp = zone(p.y());
    for (const QPointF q : in) {
        const int zq = zone(q.y());
        if (zq != zp) {
            const QPointF d = q - p;
            if (zp != 0) {
                const double y = zp < 0 ? lo : hi;
                out.emplace_back(p.x() + d.x() * ((y - p.y()) / d.y()), y);
            }
            if (zq != 0) {
                const double y = zq < 0 ? lo : hi;
                out.emplace_back(p.x() + d.x() * ((y - p.y()) / d.y()), y);
            }
        }
        if (zq == 0) {
            out.push_back(q);
        }
        p = q;
        zp = zq;
    }
}

}  // namespace

void StrokeOutline(std::span<const QPointF> points, double width, std::vector<QPointF>& outline) {
    outline.clear();
    if (points.size() < 2) {
        return;
    }
    OutlineBuilder builder(width / 2.0, outline);
    builder.Side(points, false);
    if (builder.Empty()) {
        return;
    }
    builder.Side(points, true);
    builder.Close(points.front());
}

bool MovesByWholePixels(const QPainter& painter) {
    const QTransform t = painter.deviceTransform();
    return t.type() <= QTransform::TxTranslate && t.dx() == std::floor(t.dx()) &&
           t.dy() == std::floor(t.dy());
}

void CutIntoColumns(std::span<const QPointF> outline, const QRect& area, int columns,
                    ColumnPieces& pieces) {
    const int count = area.width() > 0 && columns > 0 ? (area.width() + columns - 1) / columns : 0;
    pieces.pieces.resize(static_cast<std::size_t>(count));
    for (auto& piece : pieces.pieces) {
        piece.clear();
    }
    if (outline.size() < 3 || count == 0) {
        return;
    }
    // Two rows of margin keep the new edges out of sight.
    ClipRows(outline, area.top() - 2.0, area.top() + area.height() + 2.0, pieces.clipped);
    const std::vector<QPointF>& poly = pieces.clipped;
    if (poly.size() < 3) {
        return;
    }
    const double left = area.left();
    const double right = left + area.width();
    // Piece k spans [left + k * columns, left + (k + 1) * columns); -1 and count stand for
    // everything left and right of the area.
    auto pieceOf = [&](double x) {
        if (!(x >= left)) {
            return -1;
        }
        if (x >= right) {
            return count;
        }
        return std::min(count - 1, static_cast<int>((x - left) / columns));
    };
    auto add = [&](int k, QPointF point) {
        if (k >= 0 && k < count) {
            pieces.pieces[static_cast<std::size_t>(k)].push_back(point);
        }
    };
    auto boundary = [&](int k) {
        return k <= 0 ? left : std::min(right, left + static_cast<double>(k) * columns);
    };
    // Walking the outline, a point goes to its piece and a crossing of a cut to both pieces
    // beside it. A piece's points then form its part of the outline, what lies beyond a cut
    // folded onto the cut (the closing stretches along a cut add the coverage of the parts
    // folded away). A pixel column lies wholly in one piece, so pieces never overlap.
    QPointF p = poly.back();
    int kp = pieceOf(p.x());
    for (const QPointF q : poly) {
        const int kq = pieceOf(q.x());
        if (kq != kp) {
            const QPointF d = q - p;
            const int step = kq > kp ? 1 : -1;
            for (int k = kp; k != kq; k += step) {
                const double x = boundary(step > 0 ? k + 1 : k);
                const QPointF cut(x, p.y() + d.y() * ((x - p.x()) / d.x()));
                add(k, cut);
                add(k + step, cut);
            }
        }
        add(kq, q);
        p = q;
        kp = kq;
    }
}

void FillPieces(QPainter& painter, const ColumnPieces& pieces, int first, int last) {
    const int count = static_cast<int>(pieces.pieces.size());
    for (int k = std::max(first, 0); k < std::min(last, count); ++k) {
        const auto& piece = pieces.pieces[static_cast<std::size_t>(k)];
        if (piece.size() >= 3) {
            painter.drawPolygon(piece.data(), static_cast<int>(piece.size()), Qt::WindingFill);
        }
    }
}

void FillInColumns(QPainter& painter, std::span<const QPointF> outline, const QRect& area,
                   int columns, ColumnPieces& scratch) {
    if (outline.size() < 3 || area.isEmpty()) {
        return;
    }
    if (!MovesByWholePixels(painter) || columns <= 0) {
        painter.drawPolygon(outline.data(), static_cast<int>(outline.size()), Qt::WindingFill);
        return;
    }
    CutIntoColumns(outline, area, columns, scratch);
    FillPieces(painter, scratch, 0, static_cast<int>(scratch.pieces.size()));
}
