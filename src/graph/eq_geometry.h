#pragma once
// Pixel geometry of the response graphs: the logarithmic 20 Hz .. 20 kHz axis, the level
// axis, Q handle distances and the boxes of the handles. Integer arithmetic where the
// controls hit-test, so a box drawn at a place is exactly the box that is hit there.

#include <QPoint>
#include <QRect>

#include "model/value_ranges.h"

// A box with exclusive right and bottom edges (left <= x < right).
struct EqBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(QPoint p) const {
        return p.x() >= left && p.x() < right && p.y() >= top && p.y() < bottom;
    }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    QRect ToRect() const { return {left, top, right - left, bottom - top}; }
    bool operator==(const EqBox&) const = default;
};

inline constexpr double kQHandleMin = kEqQ.min;
inline constexpr double kQHandleMax = kEqQ.max;

class EqGeometry {
  public:
    // The graph occupies `area`; `scale` is the display scale in percent; the level axis
    // runs from `minDb` (bottom) to `maxDb` (top).
    EqGeometry(QRect area, int scale, int maxDb, int minDb);

    int Left() const { return mL; }
    int Top() const { return mT; }
    int Right() const { return mR; }
    int Bottom() const { return mB; }
    int Width() const { return mW; }
    int Height() const { return mH; }
    int ZeroY() const { return mY0; }
    int Scale() const { return mS; }
    bool IsUsable() const { return mW != 0 && mH != 0 && mY0 != 0; }

    // Layout units to pixels: (n * S) div 100.
    int U(int units) const { return units * mS / 100; }

    double XOfFreqF(double hz) const;
    int XOfFreq(double hz) const;  // truncated
    int FreqOfX(int x) const;      // rounded, Hz
    double YOfGainF(double db) const;
    int YOfGain(double db) const;
    float GainOfY(int y) const;
    // Q for a handle at x of the band at px, and the handle's distance for a Q.
    double QOfX(int x, int px) const;
    int QOffset(double q) const;

    // The point moved into the graph (edges included, so both axis ends are reachable).
    QPoint Clamp(QPoint p) const;
    // A span of `size` pixels starting at `start`, moved to lie within [lo, hi].
    static void ClampSpan(int& start, int& end, int lo, int hi);

    // Boxes around a band point p.
    EqBox BandBox(QPoint p) const;
    EqBox InfoBox(QPoint p, bool fullMode) const;
    // side -1 left, +1 right; `offset` from QOffset.
    EqBox QHandleBox(QPoint p, int offset, int side) const;
    EqBox HpBox(int hz) const;
    EqBox LpBox(int hz) const;

  private:
    int mL, mT, mR, mB, mW, mH, mY0, mS, mMaxDb, mMinDb;
};
