#pragma once
// The input noise threshold: edits the live record's `inputThreshold` (-61 = off .. -40 dB)
// and, while the amplifier is connected, shows the measured noise of each input every
// 500 ms.

#include <QString>

#include "ui/window_impl_base.h"

class CHidDevice;
class QWidget;
struct SceneConfig;

class CNoiseThresholdWnd : public DialogImplBase {
  public:
    static constexpr unsigned kPollTimerId = 4112;
    static constexpr unsigned kPollPeriodMs = 500;
    static constexpr int kMeterSlots = 12;  // "progress_0" .. "progress_11" in the layout

    CNoiseThresholdWnd(CHidDevice& device, SceneConfig& live);
    ~CNoiseThresholdWnd() override;

    QString ClassName() const override { return QStringLiteral("NoiseThresholdWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_NOISE_THRESHOLD"); }
    void OnInit() override;
    void Notify(TNotifyUI& msg) override;
    void OnClick(TNotifyUI& msg) override;
    void OnTimer(unsigned id) override;
    void OnMessage(WindowMessage& message) override;
    bool OnKeyDown(QKeyEvent* event) override;
    void OnDestroyed() override;

    static int ShowNoiseThreshold(QWidget* parent, CHidDevice& device, SceneConfig& live);

    // Number of inputs shown (those of the current source).
    int InputCount() const { return mInputs; }

  private:
    // Commits the typed text of "value_edt".
    void CommitText();
    // One step up or down from the value shown.
    void Step(bool up);
    void Apply(int threshold);
    void ShowValue(int threshold);
    void StopPolling();
    void Unregister();

    CHidDevice& mDevice;
    SceneConfig& mLive;
    int mInputs = 0;
    bool mRegistered = false;
};
