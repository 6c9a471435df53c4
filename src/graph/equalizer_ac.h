#pragma once
// Display-only charts of the auto-calibration window: "CurveAc" draws measured (coarse,
// 121 points) and computed (fine, 512 points) curves of up to sixteen channels;
// "CircleProgress" is a ring-shaped progress indicator.

#include <QColor>
#include <QProgressBar>
#include <QString>
#include <QWidget>
#include <array>
#include <span>

#include "graph/label_style.h"
#include "ui/display_scale.h"

class QPainter;

// One curve handed in: frequencies (Hz) and levels (dB), pairwise.
struct AcCurveData {
    std::span<const double> frequencies;
    std::span<const double> levels;
};

class UIEqualizerAc : public QWidget {
  public:
    static constexpr int kMaxCurves = 16;
    static constexpr int kCoarsePoints = 121;
    static constexpr int kFinePoints = 512;
    static constexpr int kMaxDb = 20;
    static constexpr int kMinDb = -20;
    static constexpr std::uint32_t kGridColor = 0xFF444444;

    explicit UIEqualizerAc(QWidget* parent = nullptr);
    QString GetClass() const { return QStringLiteral("UIEqualizerAc"); }

    // Both replace every curve of their kind by the first min(16, curves.size()) given
    // (at most 512 or 121 points each) and repaint; an empty list changes nothing.
    void SetFineCurves(std::span<const AcCurveData> curves, std::span<const bool> show);
    void SetCoarseCurves(std::span<const AcCurveData> curves, std::span<const bool> show);

    int FineCurveCount() const { return mFine.count; }
    int CoarseCurveCount() const { return mCoarse.count; }
    int CoarsePointCount(int curve) const;
    static QColor CoarseColor(int index);
    static QColor FineColor(int index);

    void SetAttribute(const QString& name, const QString& value);
    void Paint(QPainter& painter);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    template <int N>
    struct CurveSet {
        std::array<std::array<double, N>, kMaxCurves> frequencies{};
        std::array<std::array<double, N>, kMaxCurves> levels{};
        std::array<int, kMaxCurves> points{};
        std::array<bool, kMaxCurves> show{};
        int count = 0;
        void Assign(std::span<const AcCurveData> curves, std::span<const bool> flags);
    };

    CurveSet<kCoarsePoints> mCoarse;
    CurveSet<kFinePoints> mFine;
    QColor mBackground = QColor::fromRgba(0xFF1E2126);
    LabelTextStyle mStyle;
};

class CCircleProgressUI : public QProgressBar, public tonvia::ui::ScaleAware {
  public:
    explicit CCircleProgressUI(QWidget* parent = nullptr);
    QString GetClass() const { return QStringLiteral("CircleProgress"); }

    // Degrees of the progress sector: value / (max - min) of a full turn, whole degrees,
    // kept within 0..360.
    static int SweepDegrees(int value, int minimum, int maximum);

    // "bkcolor" (the ring's track) and "forecolor" (the progress).
    void SetAttribute(const QString& name, const QString& value);
    void Paint(QPainter& painter);
    void OnDisplayScale(int percent) override;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor mBackground = QColor::fromRgba(0xFF3A3F47);
    QColor mForeground = QColor::fromRgba(0xFF026DF9);
    int mScale = 100;
};
