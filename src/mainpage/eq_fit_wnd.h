#pragma once
// EQ from a measurement for one output channel: the user loads a measured response (.frd or
// .txt), chooses a target (flat, the built-in in-car curve, or a target file), a frequency
// range and the largest boost; "Fit" computes the bands (tuning/eq_fit.h) and shows the
// measured, target and predicted responses with the RMS error over the range before and
// after. Nothing is sent until "Apply" writes the fitted bands to the channel.

#include <QString>
#include <optional>

#include "tuning/eq_fit.h"
#include "ui/window_impl_base.h"

class EqualizerManager;

class CEqFitWnd : public DialogImplBase {
  public:
    CEqFitWnd(EqualizerManager& owner, int channel);

    QString ClassName() const override { return QStringLiteral("EqFitWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_EQ_FIT"); }
    void OnInit() override;
    void OnClick(TNotifyUI& msg) override;
    void Notify(TNotifyUI& msg) override;

    // Each false with the reason in the status line.
    bool LoadMeasurement(const QString& path);
    bool LoadTarget(const QString& path);
    bool Fit();
    bool Apply();

    int Channel() const { return mChannel; }
    // The fit shown, if any.
    const std::optional<tonvia::tuning::EqFit>& ShownFit() const { return mFit; }

  private:
    // The file's response; none, with the status line saying why, when it cannot be read.
    std::optional<tonvia::tuning::Response> ReadResponseFile(const QString& path);
    std::optional<tonvia::tuning::Response> Target() const;
    void ShowStatus(const QString& text, bool error);
    void ShowMeasurementOnly();
    void ShowTargetChoice();

    EqualizerManager& mOwner;
    int mChannel;
    std::optional<tonvia::tuning::Response> mMeasured;
    std::optional<tonvia::tuning::Response> mTargetFile;
    std::optional<tonvia::tuning::EqFit> mFit;
};
