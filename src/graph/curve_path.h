#pragma once
// Turning level curves into drawable paths: pixel lists (optionally smoothed), the Bezier
// chains and cardinal splines drawn through them, and filling a stroked line quickly.

#include <QPainterPath>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <span>
#include <vector>

#include "graph/eq_geometry.h"

class QPainter;

// The pixels of a curve, taken from its last point to its first, keeping the points whose
// frequency lies in [loHz, hiHz]. When `smooth` is set every pixel after the first is the
// average of its own and the previous result, and a pixel left of the graph repeats the
// previous result. Returns the number written to `out` (at most out.size()). `columns`,
// when given, holds geometry.XOfFreqF of every frequency, which curves on one grid share.
int CollectCurvePixels(const EqGeometry& geometry, std::span<const double> frequencies,
                       std::span<const double> levels, double loHz, double hiHz, bool smooth,
                       std::span<QPoint> out, std::span<const double> columns = {});

// The points as a chain of cubic Bezier segments: the first point starts it, each further
// three are two control points and an end point. Points left over at the end (fewer than
// three) are joined by straight lines so nothing is dropped.
void AddBezierChain(QPainterPath& path, std::span<const QPoint> points);

// A cardinal spline through every point (tension 0.5, the usual curve through points),
// built from one cubic segment per pair of neighbours.
void AddCardinalSpline(QPainterPath& path, std::span<const QPoint> points, double tension = 0.5);

// The outline of an open polyline stroked `width` wide with flat caps and bevel joins, as
// Qt's stroker lays it out for such a pen: filled with the winding rule it covers what
// drawPolyline would. Consecutive equal points are skipped; a polyline without two distinct
// points has no outline.
void StrokeOutline(std::span<const QPointF> points, double width, std::vector<QPointF>& outline);

// Whether the painter maps whole units onto whole device pixels (a translation by whole
// pixels), so that what is cut or composed on pixel edges stays on them.
bool MovesByWholePixels(const QPainter& painter);

// A closed outline cut into pieces along pixel columns (see FillInColumns), reused between
// fills so that a repaint allocates nothing.
struct ColumnPieces {
    std::vector<QPointF> clipped;
    std::vector<std::vector<QPointF>> pieces;
};

// Fills a closed outline (winding rule, the painter's brush) where it lies in `area`, cut
// into pieces `columns` pixels wide. Qt's antialiasing rasterizer walks a whole fill again
// for every few rows its cell store can hold, so narrow pieces draw several times faster.
// The cuts run along whole pixel columns, which every pixel lies wholly on one side of, so
// each pixel is covered by one piece only: the picture stays the same but for rounding
// along the cuts. The outline is clipped a little outside `area` vertically too: what lies
// far below (stop bands) costs rows of work. Painters that do not move by whole pixels get
// the outline in one fill.
void FillInColumns(QPainter& painter, std::span<const QPointF> outline, const QRect& area,
                   int columns, ColumnPieces& scratch);
// The two steps of FillInColumns, for filling the pieces in parts: piece k covers the
// columns from area.left() + k * columns on; FillPieces fills pieces first..last-1.
void CutIntoColumns(std::span<const QPointF> outline, const QRect& area, int columns,
                    ColumnPieces& pieces);
void FillPieces(QPainter& painter, const ColumnPieces& pieces, int first, int last);
