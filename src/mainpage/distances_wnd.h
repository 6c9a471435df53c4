#pragma once
// Time alignment from speaker distances: a row per output channel with its speaker position
// and the distance from the listening position to that speaker, in the page's unit (inches
// while the page shows inches, centimetres otherwise). "Apply" sets the delays through the
// rules half (tuning/speaker_distances.h) and shows its report; a blank row keeps that
// channel's delay. The distances are offered again while the program runs.

#include <QString>

#include "tuning/speaker_distances.h"
#include "ui/window_impl_base.h"

class EqualizerManager;

class CDistancesWnd : public DialogImplBase {
  public:
    explicit CDistancesWnd(EqualizerManager& owner);

    QString ClassName() const override { return QStringLiteral("DistancesWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_DISTANCES"); }
    void OnInit() override;
    void OnClick(TNotifyUI& msg) override;

    tonvia::tuning::DistanceUnit Unit() const { return mUnit; }
    // Reads the rows and sets the delays; false, with the reason shown, when a row is not a
    // distance or every row is blank.
    bool Apply();

  private:
    void ShowDelays();
    void ShowReport(const QString& text, bool error);

    EqualizerManager& mOwner;
    tonvia::tuning::DistanceUnit mUnit = tonvia::tuning::DistanceUnit::Centimetres;
};
