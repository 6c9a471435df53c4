#include "dialogs/poweroff_delay_wnd.h"

#include <algorithm>

#include "dialogs/dialog_common.h"
#include "link/hid_device.h"
#include "model/scene_config.h"
#include "model/value_format.h"
#include "platform/log.h"

CPowerOffDelayWnd::CPowerOffDelayWnd(CHidDevice& device, SceneConfig& live)
    : mDevice(device), mLive(live) {}

void CPowerOffDelayWnd::OnInit() {
    UiControl slider = FindControl(QStringLiteral("slider_poweroff_delay"));
    slider.SetMinValue(kMinMs);
    slider.SetMaxValue(kMaxMs);
    Show(std::clamp(mLive.powerOffDelay, kMinMs, kMaxMs));
    tonvia::dialogs::FitWindowToContents(*this);
}

void CPowerOffDelayWnd::Notify(TNotifyUI& msg) {
    const QString name = msg.pSender.GetName();
    if (name == QLatin1String("value_edt")) {
        const int shown = LeadingInt(msg.pSender.GetText().toStdString());
        if (msg.sType == QLatin1String(DUI_MSGTYPE_RETURN)) {
            Apply(shown);
        } else if (msg.sType == QLatin1String(DUI_MSGTYPE_VALUECHANGED_UP)) {
            Apply(shown + 1);
        } else if (msg.sType == QLatin1String(DUI_MSGTYPE_VALUECHANGED_DOWN)) {
            Apply(shown - 1);
        }
    } else if (name == QLatin1String("slider_poweroff_delay") &&
               (msg.sType == QLatin1String(DUI_MSGTYPE_VALUECHANGED) ||
                msg.sType == QLatin1String(DUI_MSGTYPE_VALUECHANGED_MOVE))) {
        Apply(msg.pSender.GetValue());
    }
    DialogImplBase::Notify(msg);
}

void CPowerOffDelayWnd::Apply(int ms) {
    const int value = std::clamp(ms, kMinMs, kMaxMs);
    Show(value);
    UiControl edit = FindControl(QStringLiteral("value_edt"));
    if (edit.Widget() != nullptr && edit.Widget()->hasFocus()) {
        edit.SetFocusSelectAll();
    }
    if (value == mLive.powerOffDelay) {
        return;  // a drag passing over the same value again sends nothing
    }
    LogPrintA("on power off delay change to %d ms\n", value);
    mLive.powerOffDelay = value;
    mDevice.Set_Power_Off_Time(value, false);
}

void CPowerOffDelayWnd::Show(int ms) {
    FindControl(QStringLiteral("value_edt")).SetText(QString::asprintf("%d ms", ms));
    FindControl(QStringLiteral("slider_poweroff_delay")).SetValue(ms);
}

int CPowerOffDelayWnd::ShowPowerOffDelay(QWidget* parent, CHidDevice& device, SceneConfig& live) {
    return tonvia::dialogs::RunModal(new CPowerOffDelayWnd(device, live), parent,
                                     QStringLiteral("msgwnd"));
}
