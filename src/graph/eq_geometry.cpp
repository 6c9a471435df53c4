#include "graph/eq_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

const double kLogMin = std::log10(kFrequency.min);
const double kLogSpan = std::log10(kFrequency.max) - kLogMin;

}  // namespace

EqGeometry::EqGeometry(QRect area, int scale, int maxDb, int minDb)
    : mL(area.left()),
      mT(area.top()),
      mR(area.left() + area.width()),
      mB(area.top() + area.height()),
      mW(area.width()),
      mH(area.height()),
      mY0(area.top() + area.height() * maxDb / (maxDb - minDb)),
      mS(scale > 0 ? scale : 100),
      mMaxDb(maxDb),
      mMinDb(minDb) {}

double EqGeometry::XOfFreqF(double hz) const {
    if (!(hz > 0.0)) {
        return -1e6;  // no logarithm: far left, outside every drawn range
    }
    return mL + mW * (std::log10(hz) - kLogMin) / kLogSpan;
}

int EqGeometry::XOfFreq(double hz) const {
    return static_cast<int>(std::trunc(XOfFreqF(hz)));
}

int EqGeometry::FreqOfX(int x) const {
    if (mW == 0) {
        return 20;
    }
    return static_cast<int>(std::lround(std::pow(10.0, kLogMin + (x - mL) * kLogSpan / mW)));
}

double EqGeometry::YOfGainF(double db) const {
    if (db > 0.0) {
        return mY0 - (mY0 - mT) * db / mMaxDb;
    }
    if (db < 0.0) {
        return mY0 - (mB - mY0) * db / -mMinDb;
    }
    return mY0;
}

int EqGeometry::YOfGain(double db) const {
    if (db > 0.0) {
        return static_cast<int>(std::trunc(mY0 - std::round((mY0 - mT) * db) / mMaxDb));
    }
    if (db < 0.0) {
        return static_cast<int>(std::trunc(mY0 - std::round((mB - mY0) * db) / -mMinDb));
    }
    return mY0;
}

float EqGeometry::GainOfY(int y) const {
    if (y < mY0 && mY0 != mT) {
        return static_cast<float>(mY0 - y) / static_cast<float>(mY0 - mT) * mMaxDb;
    }
    if (y > mY0 && mB != mY0) {
        return static_cast<float>(mY0 - y) / static_cast<float>(mB - mY0) * -mMinDb;
    }
    return 0.0f;
}

double EqGeometry::QOfX(int x, int px) const {
    const int len = std::clamp(std::abs(x - px), U(3), U(162));
    if (len == 0) {
        return kQHandleMax;
    }
    const double q = (81.0 * mS / 100.0) / len;
    return std::clamp(q, kQHandleMin, kQHandleMax);
}

int EqGeometry::QOffset(double q) const {
    const double clamped = std::clamp(std::isfinite(q) ? q : 1.0, kQHandleMin, kQHandleMax);
    return static_cast<int>(std::trunc(std::round(81.0 / clamped) * mS / 100.0));
}

QPoint EqGeometry::Clamp(QPoint p) const {
    return {std::clamp(p.x(), mL, std::max(mL, mR)), std::clamp(p.y(), mT, std::max(mT, mB))};
}

void EqGeometry::ClampSpan(int& start, int& end, int lo, int hi) {
    const int size = end - start;
    if (start < lo) {
        start = lo;
        end = lo + size;
    } else if (end > hi) {
        end = hi;
        start = hi - size;
    }
}

EqBox EqGeometry::BandBox(QPoint p) const {
    EqBox box{p.x() - U(8), p.y() - U(8), p.x() + U(8), p.y() + U(8)};
    ClampSpan(box.left, box.right, mL, mR);
    ClampSpan(box.top, box.bottom, mT, mB);
    return box;
}

EqBox EqGeometry::InfoBox(QPoint p, bool fullMode) const {
    const int half = fullMode ? U(75) : U(25);
    EqBox box{p.x() - half, 0, p.x() + half, 0};
    ClampSpan(box.left, box.right, mL, mR);
    // The text sits below the band, above it near the bottom, and pinned to an edge when
    // the band is at the very top or bottom.
    if (p.y() < mT + U(14)) {
        box.top = mT + U(22);
        box.bottom = mT + U(37);
    } else if (p.y() > mB - U(29) && p.y() < mB - U(10)) {
        box.top = p.y() - U(29);
        box.bottom = p.y() - U(14);
    } else if (p.y() < mB - U(10)) {
        box.top = p.y() + U(14);
        box.bottom = p.y() + U(29);
    } else {
        box.top = mB - U(37);
        box.bottom = mB - U(22);
    }
    return box;
}

EqBox EqGeometry::QHandleBox(QPoint p, int offset, int side) const {
    const int cx = p.x() + (side < 0 ? -offset : offset);
    EqBox box{cx - U(4), 0, cx + U(4), 0};
    if (p.y() < mT + U(14)) {
        box.top = mT + U(12);
        box.bottom = mT + U(20);
    } else if (p.y() > mB - U(29) && p.y() < mB - U(10)) {
        box.top = p.y() - U(12);
        box.bottom = p.y() - U(4);
    } else if (p.y() < mB - U(10)) {
        box.top = p.y() + U(4);
        box.bottom = p.y() + U(12);
    } else {
        box.top = mB - U(20);
        box.bottom = mB - U(12);
    }
    return box;
}

EqBox EqGeometry::HpBox(int hz) const {
    const int x = XOfFreq(hz);
    EqBox box{x - U(7), YOfGain(-8.0), x + U(7), YOfGain(-8.0) + U(10)};
    ClampSpan(box.left, box.right, mL, mR);
    return box;
}

EqBox EqGeometry::LpBox(int hz) const {
    const int x = XOfFreq(hz);
    EqBox box{x - U(7), YOfGain(-11.0), x + U(7), YOfGain(-11.0) + U(10) + 2};
    ClampSpan(box.left, box.right, mL, mR);
    return box;
}
