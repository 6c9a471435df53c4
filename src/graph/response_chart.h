#pragma once
// A read-only chart of a few frequency responses ("ResponseChart" in layouts): a logarithmic
// 20 Hz .. 20 kHz axis, a level axis that fits the curves shown, a legend, and the
// frequencies outside a chosen range dimmed. The EQ-from-measurement dialog shows the
// measured, target and predicted responses on it before anything is sent.

#include <QColor>
#include <QString>
#include <QWidget>
#include <vector>

#include "ui/display_scale.h"

class QPainter;

class ResponseChart : public QWidget, public tonvia::ui::ScaleAware {
  public:
    struct Series {
        QString label;
        QColor color;
        std::vector<double> frequencies;  // Hz, increasing
        std::vector<double> levels;       // dB, pairwise
        bool dashed = false;
    };

    explicit ResponseChart(QWidget* parent = nullptr);
    QString GetClass() const { return QStringLiteral("ResponseChart"); }

    void SetSeries(std::vector<Series> series);
    const std::vector<Series>& GetSeries() const { return mSeries; }
    // The range the curves are judged over; a low end not below the high end shows none.
    void SetRange(double lowHz, double highHz);
    // Shown in the middle while there is no curve.
    void SetEmptyText(const QString& text);

    // The level axis, bottom and top in dB: whole steps of `LevelStep()` around every level
    // shown between 20 Hz and 20 kHz, at least 24 dB tall.
    double AxisBottom() const { return mBottomDb; }
    double AxisTop() const { return mTopDb; }
    double LevelStep() const;

    void OnDisplayScale(int percent) override;
    void Paint(QPainter& painter);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void FitLevelAxis();

    std::vector<Series> mSeries;
    double mLowHz = 0.0;
    double mHighHz = 0.0;
    double mBottomDb = -12.0;
    double mTopDb = 12.0;
    QString mEmptyText;
    int mScale = 100;
};
