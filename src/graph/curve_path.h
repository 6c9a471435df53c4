#pragma once
// Turning level curves into drawable paths: pixel lists (optionally smoothed) and the
// Bezier chains and cardinal splines drawn through them.

#include <QPainterPath>
#include <QPoint>
#include <span>

#include "graph/eq_geometry.h"

// The pixels of a curve, taken from its last point to its first, keeping the points whose
// frequency lies in [loHz, hiHz]. When `smooth` is set every pixel after the first is the
// average of its own and the previous result, and a pixel left of the graph repeats the
// previous result. Returns the number written to `out` (at most out.size()).
int CollectCurvePixels(const EqGeometry& geometry, std::span<const double> frequencies,
                       std::span<const double> levels, double loHz, double hiHz, bool smooth,
                       std::span<QPoint> out);

// The points as a chain of cubic Bezier segments: the first point starts it, each further
// three are two control points and an end point. Points left over at the end (fewer than
// three) are joined by straight lines so nothing is dropped.
void AddBezierChain(QPainterPath& path, std::span<const QPoint> points);

// A cardinal spline through every point (tension 0.5, the usual curve through points),
// built from one cubic segment per pair of neighbours.
void AddCardinalSpline(QPainterPath& path, std::span<const QPoint> points, double tension = 0.5);
