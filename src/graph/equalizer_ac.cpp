#include "graph/equalizer_ac.h"

#include <QDynamicPropertyChangeEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "graph/curve_path.h"
#include "graph/eq_geometry.h"
#include "graph/math/filter_response.h"
#include "platform/log.h"

namespace {

constexpr int kGridFrequencies[] = {20,   30,   40,   50,   60,   70,   80,    90,   100,  200,
                                    300,  400,  500,  600,  700,  800,  900,   1000, 2000, 3000,
                                    4000, 5000, 6000, 7000, 8000, 9000, 10000, 20000};
constexpr int kGridLevels[] = {-15, -10, -5, 5, 10, 15};
constexpr std::uint32_t kCoarseColors[UIEqualizerAc::kMaxCurves] = {
    0xFFEF0000, 0xFFEF7030, 0xFFEFEF27, 0xFFA7EF3A, 0xFF009E9E, 0xFF0000D3, 0xFF7600EF, 0xFFE00068,
    0xFFFF6600, 0xFFFFFF00, 0xFFAAFF00, 0xFF00FF22, 0xFF00FFFF, 0xFF0088FF, 0xFF0000FF, 0xFF8F00FF};
constexpr std::uint32_t kFineColors[UIEqualizerAc::kMaxCurves] = {
    0xFFFF0000, 0xFFFF8040, 0xFFFFFF37, 0xFFB7FF4A, 0xFF00AEAE, 0xFF0000E3, 0xFF8600FF, 0xFFF00078,
    0xFFFF6600, 0xFFFFFF00, 0xFFAAFF00, 0xFF00FF22, 0xFF00FFFF, 0xFF0088FF, 0xFF0000FF, 0xFF8F00FF};
constexpr std::uint32_t kRingCentreColor = 0xFFFFFFFF;

}  // namespace

// ---- UIEqualizerAc ---------------------------------------------------------------------

template <int N>
void UIEqualizerAc::CurveSet<N>::Assign(std::span<const AcCurveData> curves,
                                        std::span<const bool> flags) {
    if (curves.size() > static_cast<std::size_t>(kMaxCurves)) {
        LogPrintA("UIEqualizerAc: %zu curves handed in, %d drawn\n", curves.size(), kMaxCurves);
    }
    count = static_cast<int>(std::min<std::size_t>(curves.size(), kMaxCurves));
    for (auto& f : frequencies) {
        f.fill(0.0);
    }
    for (auto& l : levels) {
        l.fill(0.0);
    }
    points.fill(0);
    show.fill(false);
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
        const AcCurveData& curve = curves[i];
        const std::size_t n =
            std::min({curve.frequencies.size(), curve.levels.size(), static_cast<std::size_t>(N)});
        std::copy_n(curve.frequencies.begin(), n, frequencies[i].begin());
        std::copy_n(curve.levels.begin(), n, levels[i].begin());
        points[i] = static_cast<int>(n);
        show[i] = i < flags.size() && flags[i];
    }
}

UIEqualizerAc::UIEqualizerAc(QWidget* parent) : QWidget(parent) {
    setProperty("tvClass", GetClass());
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int UIEqualizerAc::CoarsePointCount(int curve) const {
    return curve >= 0 && curve < mCoarse.count ? mCoarse.points[static_cast<std::size_t>(curve)]
                                               : 0;
}

QColor UIEqualizerAc::CoarseColor(int index) {
    return QColor::fromRgba(kCoarseColors[static_cast<std::size_t>(index) % kMaxCurves]);
}

QColor UIEqualizerAc::FineColor(int index) {
    return QColor::fromRgba(kFineColors[static_cast<std::size_t>(index) % kMaxCurves]);
}

void UIEqualizerAc::SetFineCurves(std::span<const AcCurveData> curves, std::span<const bool> show) {
    if (curves.empty()) {
        return;
    }
    mFine.Assign(curves, show);
    update();
}

void UIEqualizerAc::SetCoarseCurves(std::span<const AcCurveData> curves,
                                    std::span<const bool> show) {
    if (curves.empty()) {
        return;
    }
    mCoarse.Assign(curves, show);
    update();
}

void UIEqualizerAc::SetAttribute(const QString& name, const QString& value) {
    const QString key = name.toLower();
    if (mStyle.Apply(key, value)) {
        update();
    } else if (key == QLatin1String("bkcolor")) {
        if (auto color = ParseSkinColor(value)) {
            mBackground = *color;
            update();
        }
    }
}

bool UIEqualizerAc::event(QEvent* e) {
    if (e->type() == QEvent::DynamicPropertyChange) {
        const QByteArray name = static_cast<QDynamicPropertyChangeEvent*>(e)->propertyName();
        SetAttribute(QString::fromLatin1(name), property(name.constData()).toString());
    }
    return QWidget::event(e);
}

void UIEqualizerAc::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint(painter);
}

void UIEqualizerAc::Paint(QPainter& painter) {
    const EqGeometry g(rect(), 100, kMaxDb, kMinDb);
    const QRect area(g.Left(), g.Top(), g.Width(), g.Height());
    painter.save();
    painter.setClipRect(area);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(area, mBackground);
    QPen grid(QColor::fromRgba(kGridColor), 1);
    painter.setPen(grid);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    painter.drawLine(g.Left(), g.ZeroY(), g.Right(), g.ZeroY());
    grid.setStyle(Qt::DotLine);
    painter.setPen(grid);
    for (int db : kGridLevels) {
        const int y = g.YOfGain(db);
        painter.drawLine(g.Left(), y, g.Right(), y);
    }
    grid.setStyle(Qt::SolidLine);
    painter.setPen(grid);
    for (int hz : kGridFrequencies) {
        if (hz != 20000) {
            const int x = g.XOfFreq(hz);
            painter.drawLine(x, g.Top(), x, g.Bottom());
        }
    }

    painter.setRenderHint(QPainter::Antialiasing, true);
    std::array<QPoint, kFinePoints> pixels;
    for (std::size_t i = 0; i < static_cast<std::size_t>(mCoarse.count); ++i) {
        if (!mCoarse.show[i]) {
            continue;
        }
        const auto n = static_cast<std::size_t>(mCoarse.points[i]);
        const int used =
            CollectCurvePixels(g, std::span<const double>(mCoarse.frequencies[i].data(), n),
                               std::span<const double>(mCoarse.levels[i].data(), n), FREQ_MIN,
                               FREQ_MAX, false, pixels);
        if (used < 2) {
            continue;
        }
        QPainterPath path;
        AddCardinalSpline(path, std::span<const QPoint>(pixels.data(), static_cast<size_t>(used)));
        painter.setPen(
            QPen(CoarseColor(static_cast<int>(i)), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(path);
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(mFine.count); ++i) {
        if (!mFine.show[i]) {
            continue;
        }
        const auto n = static_cast<std::size_t>(mFine.points[i]);
        const int used = CollectCurvePixels(
            g, std::span<const double>(mFine.frequencies[i].data(), n),
            std::span<const double>(mFine.levels[i].data(), n), FREQ_MIN, FREQ_MAX, true, pixels);
        if (used < 2) {
            continue;
        }
        QPainterPath path;
        AddBezierChain(path, std::span<const QPoint>(pixels.data(), static_cast<size_t>(used)));
        painter.setPen(
            QPen(FineColor(static_cast<int>(i)), 2, Qt::DashLine, Qt::FlatCap, Qt::RoundJoin));
        painter.drawPath(path);
    }
    painter.restore();
}

// ---- CCircleProgressUI -----------------------------------------------------------------

CCircleProgressUI::CCircleProgressUI(QWidget* parent) : QProgressBar(parent) {
    setProperty("tvClass", GetClass());
    setTextVisible(false);
}

int CCircleProgressUI::SweepDegrees(int value, int minimum, int maximum) {
    const long long span = static_cast<long long>(maximum) - minimum;
    if (span <= 0) {
        return 0;  // no range: nothing to show rather than a division by zero
    }
    const double degrees = std::trunc(static_cast<double>(value) / static_cast<double>(span) * 360);
    return static_cast<int>(std::clamp(degrees, 0.0, 360.0));
}

void CCircleProgressUI::SetAttribute(const QString& name, const QString& value) {
    const QString key = name.toLower();
    QColor* target = key == QLatin1String("bkcolor")     ? &mBackground
                     : key == QLatin1String("forecolor") ? &mForeground
                                                         : nullptr;
    if (target != nullptr) {
        if (auto color = ParseSkinColor(value)) {
            *target = *color;
            update();
        }
    }
}

void CCircleProgressUI::OnDisplayScale(int percent) {
    mScale = percent > 0 ? percent : 100;
    update();
}

bool CCircleProgressUI::event(QEvent* e) {
    if (e->type() == QEvent::DynamicPropertyChange) {
        const QByteArray name = static_cast<QDynamicPropertyChangeEvent*>(e)->propertyName();
        SetAttribute(QString::fromLatin1(name), property(name.constData()).toString());
    }
    return QProgressBar::event(e);
}

void CCircleProgressUI::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint(painter);
}

void CCircleProgressUI::Paint(QPainter& painter) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    const QRectF area(rect());
    painter.setBrush(mBackground);
    painter.drawPie(area, 0, 360 * 16);
    // Qt counts angles counter-clockwise from three o'clock: the bottom is -90 degrees and
    // a clockwise sweep is negative.
    const int sweep = SweepDegrees(value(), minimum(), maximum());
    if (sweep > 0) {
        painter.setBrush(mForeground);
        painter.drawPie(area, -90 * 16, -sweep * 16);
    }
    const double inset = tonvia::ui::ScaleUnits(10, mScale);
    painter.setBrush(QColor::fromRgba(kRingCentreColor));
    painter.drawEllipse(area.adjusted(inset, inset, -inset, -inset));
    painter.restore();
}
