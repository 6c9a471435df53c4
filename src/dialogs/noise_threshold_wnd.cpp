#include "dialogs/noise_threshold_wnd.h"

#include <QKeyEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "commands/command_codes.h"
#include "commands/reply_records.h"
#include "dialogs/dialog_common.h"
#include "link/hid_device.h"
#include "model/positions.h"
#include "model/scene_config.h"
#include "model/value_format.h"
#include "platform/log.h"
#include "ui/skin_resources.h"
#include "ui/window_registry.h"

namespace {

constexpr int kMeterFloor = -100;  // what a meter shows before the first measurement
constexpr int kExtraInputWidth = 50;

QString Numbered(const char* format, int index) {
    return QString::asprintf(format, index);
}

std::string OffText() {
    return tonvia::ui::Translate(QString::fromLatin1(kOffKey.data(), kOffKey.size())).toStdString();
}

}  // namespace

CNoiseThresholdWnd::CNoiseThresholdWnd(CHidDevice& device, SceneConfig& live)
    : mDevice(device), mLive(live) {}

CNoiseThresholdWnd::~CNoiseThresholdWnd() {
    Unregister();
}

void CNoiseThresholdWnd::OnInit() {
    mInputs = std::clamp(SourceInputCount(mLive.inputSource), 0, kMeterSlots);
    // A stored value outside the range is shown as the nearest one (below -60: off).
    ShowValue(std::clamp(mLive.inputThreshold, kNoiseThresholdOff, kNoiseThresholdMax));
    for (int i = 0; i < kMeterSlots; ++i) {
        FindControl(Numbered("progress_%d", i)).SetValue(kMeterFloor);
        if (i >= mInputs) {
            FindControl(Numbered("in_%d", i)).SetVisible(false);
            FindControl(Numbered("prg_group_%d", i)).SetVisible(false);
        }
    }
    mDevice.mDialogWnd = GetHWND();
    mRegistered = true;
    if (mDevice.IsConnected()) {
        SetTimer(kPollTimerId, kPollPeriodMs);
    }
    if (QWidget* host = GetWidget(); host != nullptr && mInputs > 6) {
        host->resize(host->width() + Scale(kExtraInputWidth * (mInputs - 6)), host->height());
    }
    tonvia::dialogs::FitWindowToContents(*this);
    FindControl(QStringLiteral("value_edt")).SetFocusSelectAll();
}

void CNoiseThresholdWnd::Notify(TNotifyUI& msg) {
    if (msg.pSender.GetName() == QLatin1String("value_edt")) {
        if (msg.sType == QLatin1String(DUI_MSGTYPE_RETURN)) {
            CommitText();
        } else if (msg.sType == QLatin1String(DUI_MSGTYPE_VALUECHANGED_UP)) {
            Step(true);
        } else if (msg.sType == QLatin1String(DUI_MSGTYPE_VALUECHANGED_DOWN)) {
            Step(false);
        }
    }
    DialogImplBase::Notify(msg);
}

void CNoiseThresholdWnd::OnClick(TNotifyUI& msg) {
    const QString name = msg.pSender.GetName();
    if (name == QLatin1String("confirm_btn") || name == QLatin1String("cancel_btn") ||
        name == QLatin1String("closebtn")) {
        StopPolling();
    }
    DialogImplBase::OnClick(msg);
}

bool CNoiseThresholdWnd::OnKeyDown(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        Step(event->key() == Qt::Key_Up);
        return true;
    }
    return DialogImplBase::OnKeyDown(event);
}

void CNoiseThresholdWnd::OnTimer(unsigned id) {
    if (id != kPollTimerId) {
        return;
    }
    LogPrintA("WM_TIMER %d\n", id);
    // A source without inputs has nothing to measure.
    if (!IsClosing() && mInputs > 0) {
        mDevice.Get_Input_Noise(0, mInputs - 1, false);
    }
}

void CNoiseThresholdWnd::OnMessage(WindowMessage& message) {
    if (message.message != WM_READ_DSP_VALUE || message.wParam != DSP_INPUT_NOISE) {
        return;
    }
    const auto record = tonvia::ui::TakeRecord<InputNoiseRec>(message);
    if (!record) {
        return;
    }
    const auto& level = record->noise;
    LogPrintA("input noise value %.1f %.1f %.1f %.1f %.2f %.1f\n", level[0], level[1], level[2],
              level[3], level[4], level[5]);
    const int count = std::min(mInputs, static_cast<int>(level.size()));
    for (int i = 0; i < count; ++i) {
        FindControl(Numbered("prg_group_%d", i)).SetText(QString::asprintf(" %.1f", level[i]));
        const float value = std::isfinite(level[i]) ? level[i] : static_cast<float>(kMeterFloor);
        FindControl(Numbered("progress_%d", i))
            .SetValue(static_cast<int>(std::lround(std::clamp(value, -1000.0f, 1000.0f))));
    }
}

void CNoiseThresholdWnd::OnDestroyed() {
    Unregister();
}

void CNoiseThresholdWnd::CommitText() {
    const std::string text = FindControl(QStringLiteral("value_edt")).GetText().toStdString();
    Apply(ReadNoiseThreshold(text, OffText()));
}

void CNoiseThresholdWnd::Step(bool up) {
    const std::string text = FindControl(QStringLiteral("value_edt")).GetText().toStdString();
    const int current = ReadNoiseThreshold(text, OffText());
    Apply(current + (up ? 1 : -1));
}

void CNoiseThresholdWnd::Apply(int threshold) {
    const int value = std::clamp(threshold, kNoiseThresholdOff, kNoiseThresholdMax);
    LogPrintA("on input threshold edit change to %d dB\n", value);
    ShowValue(value);
    mLive.inputThreshold = value;
    mDevice.Input_Ch_Threshold_Ctrl(value, false);
    FindControl(QStringLiteral("value_edt")).SetFocusSelectAll();
}

void CNoiseThresholdWnd::ShowValue(int threshold) {
    FindControl(QStringLiteral("value_edt"))
        .SetText(QString::fromStdString(NoiseThresholdText(threshold)));
    // Each meter marks the threshold, so that one sees which inputs stay above it.
    for (int i = 0; i < mInputs; ++i) {
        QWidget* marker = FindControl(Numbered("noise_%d", i)).Widget();
        QWidget* meter = FindControl(Numbered("progress_%d", i)).Widget();
        if (marker == nullptr || meter == nullptr) {
            continue;
        }
        const bool on = threshold > kNoiseThresholdOff;
        if (on) {
            const QRect bar = meter->geometry();
            const int y = bar.top() + bar.height() * (-threshold) / (-kMeterFloor);
            marker->move(marker->x(), y - marker->height() / 2);
            marker->raise();
        }
        marker->setVisible(on);
    }
}

void CNoiseThresholdWnd::StopPolling() {
    KillTimer(kPollTimerId);
}

void CNoiseThresholdWnd::Unregister() {
    if (!mRegistered) {
        return;
    }
    mRegistered = false;
    // Only our own registration is withdrawn; another dialog may have taken the slot.
    WindowHandle mine = GetHWND();
    mDevice.mDialogWnd.compare_exchange_strong(mine, kNoWindow);
}

int CNoiseThresholdWnd::ShowNoiseThreshold(QWidget* parent, CHidDevice& device, SceneConfig& live) {
    return tonvia::dialogs::RunModal(new CNoiseThresholdWnd(device, live), parent,
                                     QStringLiteral("msgwnd"));
}
