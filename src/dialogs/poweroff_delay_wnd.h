#pragma once
// The amplifier's power-off delay (0 .. 1000 ms): an edit and a slider, each change sent
// to the amplifier at once.

#include <QString>

#include "ui/window_impl_base.h"

class CHidDevice;
class QWidget;
struct SceneConfig;

class CPowerOffDelayWnd : public DialogImplBase {
  public:
    static constexpr int kMinMs = 0;
    static constexpr int kMaxMs = 1000;

    CPowerOffDelayWnd(CHidDevice& device, SceneConfig& live);

    QString ClassName() const override { return QStringLiteral("PowerOffDelayWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_POWEROFF_DELAY"); }
    void OnInit() override;
    void Notify(TNotifyUI& msg) override;

    static int ShowPowerOffDelay(QWidget* parent, CHidDevice& device, SceneConfig& live);

  private:
    void Apply(int ms);
    void Show(int ms);

    CHidDevice& mDevice;
    SceneConfig& mLive;
};
