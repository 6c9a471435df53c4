#include "graph/response_chart.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr double kLowHz = 20.0;
constexpr double kHighHz = 20000.0;
constexpr double kLeastSpanDb = 24.0;

constexpr std::uint32_t kBackground = 0xFF14161A;
constexpr std::uint32_t kFrame = 0xFF323842;
constexpr std::uint32_t kMajorGrid = 0xFF3B424C;
constexpr std::uint32_t kMinorGrid = 0xFF23272E;
constexpr std::uint32_t kAxisText = 0xFF8B939D;
constexpr std::uint32_t kLegendText = 0xFFD7DBE0;
constexpr std::uint32_t kOutsideRange = 0x8C0B0C0E;

struct FrequencyLabel {
    double hz;
    const char* text;
};
constexpr FrequencyLabel kFrequencyLabels[] = {
    {20, "20"},   {50, "50"},   {100, "100"}, {200, "200"},   {500, "500"},
    {1000, "1k"}, {2000, "2k"}, {5000, "5k"}, {10000, "10k"}, {20000, "20k"},
};

double XOf(const QRectF& plot, double hz) {
    return plot.left() + plot.width() * std::log(hz / kLowHz) / std::log(kHighHz / kLowHz);
}

}  // namespace

ResponseChart::ResponseChart(QWidget* parent) : QWidget(parent) {
    setProperty("tvClass", GetClass());
    setAttribute(Qt::WA_OpaquePaintEvent);
    FitLevelAxis();
}

void ResponseChart::SetSeries(std::vector<Series> series) {
    mSeries = std::move(series);
    FitLevelAxis();
    update();
}

void ResponseChart::SetRange(double lowHz, double highHz) {
    mLowHz = lowHz;
    mHighHz = highHz;
    update();
}

void ResponseChart::SetEmptyText(const QString& text) {
    mEmptyText = text;
    update();
}

double ResponseChart::LevelStep() const {
    const double span = mTopDb - mBottomDb;
    return span <= 40.0 ? 5.0 : span <= 80.0 ? 10.0 : 20.0;
}

void ResponseChart::FitLevelAxis() {
    double low = INFINITY;
    double high = -INFINITY;
    for (const Series& s : mSeries) {
        const std::size_t n = std::min(s.frequencies.size(), s.levels.size());
        for (std::size_t i = 0; i < n; ++i) {
            if (s.frequencies[i] >= kLowHz && s.frequencies[i] <= kHighHz &&
                std::isfinite(s.levels[i])) {
                low = std::min(low, s.levels[i]);
                high = std::max(high, s.levels[i]);
            }
        }
    }
    if (!(low <= high)) {
        low = -12.0;
        high = 12.0;
    }
    // Room above and below so that no curve runs along the frame.
    low -= 2.0;
    high += 2.0;
    if (high - low < kLeastSpanDb) {
        const double middle = (low + high) / 2.0;
        low = middle - kLeastSpanDb / 2.0;
        high = middle + kLeastSpanDb / 2.0;
    }
    // Whole steps, chosen for the span first and then kept.
    mBottomDb = low;
    mTopDb = high;
    const double step = LevelStep();
    mBottomDb = std::floor(low / step) * step;
    mTopDb = std::ceil(high / step) * step;
}

void ResponseChart::OnDisplayScale(int percent) {
    mScale = percent > 0 ? percent : 100;
    update();
}

void ResponseChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint(painter);
}

void ResponseChart::Paint(QPainter& painter) {
    const auto px = [this](double units) { return units * mScale / 100.0; };
    painter.save();
    painter.fillRect(rect(), QColor::fromRgba(kBackground));
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const double labelWidth = std::max(metrics.horizontalAdvance(QStringLiteral("-100")),
                                       metrics.horizontalAdvance(QStringLiteral("dB")));
    const QRectF plot(QPointF(px(10) + labelWidth, px(10)),
                      QPointF(width() - px(14), height() - px(8) - metrics.height()));
    if (plot.width() < 20 || plot.height() < 20) {
        painter.restore();
        return;
    }
    const double step = LevelStep();
    const auto yOf = [&](double db) {
        return plot.bottom() - plot.height() * (db - mBottomDb) / (mTopDb - mBottomDb);
    };

    // The grid: every whole frequency of each decade, the labelled ones stronger.
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (double decade = 10.0; decade < kHighHz; decade *= 10.0) {
        for (int k = 1; k <= 9; ++k) {
            const double hz = decade * k;
            if (hz <= kLowHz || hz >= kHighHz) {
                continue;
            }
            const bool major = std::any_of(std::begin(kFrequencyLabels), std::end(kFrequencyLabels),
                                           [hz](const FrequencyLabel& l) { return l.hz == hz; });
            painter.setPen(QPen(QColor::fromRgba(major ? kMajorGrid : kMinorGrid), 1));
            const double x = std::round(XOf(plot, hz));
            painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        }
    }
    // The axis ends lie on whole steps (FitLevelAxis), so the grid does too.
    for (double db = mBottomDb + step; db < mTopDb - step / 2; db += step) {
        painter.setPen(QPen(QColor::fromRgba(std::abs(db) < 1e-9 ? kAxisText : kMajorGrid), 1));
        const double y = std::round(yOf(db));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }

    // Axis labels.
    painter.setPen(QColor::fromRgba(kAxisText));
    for (const FrequencyLabel& label : kFrequencyLabels) {
        const QString text = QLatin1String(label.text);
        const double w = metrics.horizontalAdvance(text);
        const double x =
            std::clamp(XOf(plot, label.hz) - w / 2, plot.left() - w / 2, plot.right() - w + px(6));
        painter.drawText(QPointF(x, plot.bottom() + px(4) + metrics.ascent()), text);
    }
    for (double db = mBottomDb; db <= mTopDb + 1e-9; db += step) {
        const QString text = QString::number(static_cast<int>(std::lround(db)));
        const double y = yOf(db) + metrics.ascent() / 2.0 - px(1);
        painter.drawText(QRectF(px(4), y - metrics.ascent(), labelWidth, metrics.height()),
                         Qt::AlignRight | Qt::AlignTop, text);
    }

    // The curves, clipped to the plot.
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.save();
    painter.setClipRect(plot);
    for (const Series& s : mSeries) {
        QPainterPath path;
        const std::size_t n = std::min(s.frequencies.size(), s.levels.size());
        bool started = false;
        for (std::size_t i = 0; i < n; ++i) {
            const double hz = s.frequencies[i];
            if (hz < kLowHz * 0.9 || hz > kHighHz * 1.1 || !std::isfinite(s.levels[i])) {
                continue;
            }
            const QPointF point(XOf(plot, hz), yOf(s.levels[i]));
            if (started) {
                path.lineTo(point);
            } else {
                path.moveTo(point);
                started = true;
            }
        }
        QPen pen(s.color, std::max(1.5, px(2)), s.dashed ? Qt::DashLine : Qt::SolidLine,
                 Qt::RoundCap, Qt::RoundJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
    // Outside the range the curves are not judged: dimmed.
    if (mLowHz < mHighHz) {
        const double from =
            std::clamp(XOf(plot, std::max(mLowHz, kLowHz)), plot.left(), plot.right());
        const double to =
            std::clamp(XOf(plot, std::min(mHighHz, kHighHz)), plot.left(), plot.right());
        painter.fillRect(QRectF(plot.left(), plot.top(), from - plot.left(), plot.height()),
                         QColor::fromRgba(kOutsideRange));
        painter.fillRect(QRectF(to, plot.top(), plot.right() - to, plot.height()),
                         QColor::fromRgba(kOutsideRange));
    }
    painter.restore();

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor::fromRgba(kFrame), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot.adjusted(0, 0, -1, -1));

    if (mSeries.empty() && !mEmptyText.isEmpty()) {
        painter.setPen(QColor::fromRgba(kAxisText));
        painter.drawText(plot, Qt::AlignCenter | Qt::TextWordWrap, mEmptyText);
    }

    // The legend in the plot's top right corner.
    if (!mSeries.empty()) {
        const double sample = px(22);
        const double gap = px(6);
        const double row = metrics.height() + px(2);
        double textWidth = 0;
        for (const Series& s : mSeries) {
            textWidth = std::max<double>(textWidth, metrics.horizontalAdvance(s.label));
        }
        const QRectF box(plot.right() - px(8) - (gap * 3 + sample + textWidth), plot.top() + px(8),
                         gap * 3 + sample + textWidth,
                         gap * 2 + row * static_cast<double>(mSeries.size()));
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(QColor::fromRgba(kFrame), 1));
        painter.setBrush(QColor(0x1A, 0x1D, 0x22, 0xE6));
        painter.drawRoundedRect(box, px(4), px(4));
        double y = box.top() + gap;
        for (const Series& s : mSeries) {
            const double middle = y + row / 2;
            painter.setPen(QPen(s.color, std::max(1.5, px(2)),
                                s.dashed ? Qt::DashLine : Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(QPointF(box.left() + gap, middle),
                             QPointF(box.left() + gap + sample, middle));
            painter.setPen(QColor::fromRgba(kLegendText));
            painter.drawText(QRectF(box.left() + gap * 2 + sample, y, textWidth + gap, row),
                             Qt::AlignLeft | Qt::AlignVCenter, s.label);
            y += row;
        }
    }
    painter.restore();
}
