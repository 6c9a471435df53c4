#include "dialogs/cs_auto_wnd.h"

#include <array>

#include "dialogs/dialog_common.h"
#include "dialogs/msg_wnd.h"
#include "model/positions.h"
#include "platform/log.h"
#include "ui/display_scale.h"

namespace tuning = tonvia::tuning;
using tuning::CsAutoSelector;

namespace {

// In the order of CsAutoSelector; the second name is what the log calls the selector.
constexpr std::array<std::pair<const char*, const char*>, tuning::kCsAutoSelectors> kSelectors{{
    {"combo_mode", "mode"},
    {"combo_front", "front"},
    {"combo_surround", "surround"},
    {"combo_subwoofer", "subwoofer"},
}};


bool Is(const QString& type, const char* expected) {
    return type == QLatin1String(expected);
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

tuning::SliderRange RangeOf(const UiControl& slider) {
    return {slider.GetMinValue(), slider.GetMaxValue()};
}

}  // namespace

int CSAutoWnd::ShowCsAuto(QWidget* parent, tuning::Session& session, tuning::CsAutoSetting& block,
                          std::uint8_t settingByte, int inputSource) {
    return tonvia::dialogs::RunModal(new CSAutoWnd(session, block, settingByte, inputSource),
                                     parent, QStringLiteral("csautownd"));
}

UiControl CSAutoWnd::Control(const char* kind, int n) const {
    return FindControl(QString::asprintf("%s_%d", kind, n));
}

void CSAutoWnd::OnInit() {
    mBlock.bytes[0] = mSettingByte;
    for (int n = 0; n < tuning::kCsAutoFlags; ++n) {
        Control("btn_auto", n).Selected(mBlock.Flag(n), true);
    }
    for (int n = 0; n < tuning::kCsAutoValues; ++n) {
        ShowValue(n, mBlock.Value(n));
    }
    ShowSelectors();
    tonvia::dialogs::SizeToInputRows(*this, SourceInputCount(mInputSource));
    mReady = true;
}

void CSAutoWnd::ShowValue(int n, float value) {
    Control("edit_auto", n).SetText(Q(tuning::CsAutoValueText(value)));
    Control("slider_auto", n).SetValue(tuning::CsAutoSliderPosition(value));
}

void CSAutoWnd::ShowSelectors() {
    for (std::size_t s = 0; s < kSelectors.size(); ++s) {
        FindControl(QLatin1String(kSelectors[s].first))
            .SelectItem(mBlock.Selector(static_cast<CsAutoSelector>(s)), !mReady);
    }
}

void CSAutoWnd::TakeSlider(int n) {
    const float value =
        tuning::TakeCsAutoSlider(mSession, mBlock, n, Control("slider_auto", n).GetValue());
    UiControl edit = Control("edit_auto", n);
    edit.SetText(Q(tuning::CsAutoValueText(value)));
    edit.SetFocusSelectAll();
}

void CSAutoWnd::Step(int n, bool up) {
    UiControl slider = Control("slider_auto", n);
    const std::optional<int> next =
        tuning::StepCsAutoSlider(slider.GetValue(), up, RangeOf(slider));
    if (!next) {
        return;
    }
    slider.SetValue(*next);
    TakeSlider(n);
}

void CSAutoWnd::Commit(int n) {
    const float value = tuning::CommitCsAutoText(mSession, mBlock, n,
                                                 Control("edit_auto", n).GetText().toStdString(),
                                                 RangeOf(Control("slider_auto", n)));
    ShowValue(n, value);
}

void CSAutoWnd::Restore() {
    const bool restored = tuning::RestoreCsAuto(mSession, mBlock, [this](std::string_view key) {
        return CMsgWnd::ShowMessage(
                   GetWidget(), QStringLiteral("${tips}"),
                   QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()))) == 1;
    });
    if (!restored) {
        return;
    }
    // Shown without notifications: the block went out once, whole.
    for (int n = 0; n < tuning::kCsAutoFlags; ++n) {
        Control("btn_auto", n).Selected(true, false);
    }
    for (int n = 0; n < tuning::kCsAutoValues; ++n) {
        ShowValue(n, mBlock.Value(n));
    }
    ShowSelectors();
}

void CSAutoWnd::Notify(TNotifyUI& msg) {
    if (!mReady) {
        DialogImplBase::Notify(msg);
        return;
    }
    const QString name = msg.pSender.GetName();
    const QByteArray logName = name.toUtf8();
    const QString& type = msg.sType;
    const int n = msg.pSender.GetUserData().toInt();
    if (name.startsWith(QLatin1String("btn_auto_")) && Is(type, DUI_MSGTYPE_SELECTCHANGED)) {
        LogPrintA("on option %s DUI_MSGTYPE_SELECTCHANGED index %d\n", logName.constData(), n);
        tuning::SetCsAutoFlag(mSession, mBlock, n, msg.pSender.IsSelected());
    } else if (name.startsWith(QLatin1String("slider_auto_")) &&
               (Is(type, DUI_MSGTYPE_VALUECHANGED) || Is(type, DUI_MSGTYPE_VALUECHANGED_MOVE))) {
        LogPrintA("on cs auto silder %s valuechanged index %d\n", logName.constData(), n);
        TakeSlider(n);
    } else if (name.startsWith(QLatin1String("edit_auto_"))) {
        if (Is(type, DUI_MSGTYPE_VALUECHANGED_UP) || Is(type, DUI_MSGTYPE_VALUECHANGED_DOWN)) {
            Step(n, Is(type, DUI_MSGTYPE_VALUECHANGED_UP));
        } else if (Is(type, DUI_MSGTYPE_RETURN)) {
            Commit(n);
        }
    } else if (Is(type, DUI_MSGTYPE_ITEMSELECT)) {
        for (std::size_t s = 0; s < kSelectors.size(); ++s) {
            if (name != QLatin1String(kSelectors[s].first)) {
                continue;
            }
            const int index = msg.pSender.GetCurSel();
            tuning::SetCsAutoSelector(mSession, mBlock, static_cast<CsAutoSelector>(s), index);
            LogPrintA("set combo %s to %s index %d\n", kSelectors[s].second,
                      msg.pSender.GetText().toUtf8().constData(), index);
        }
    } else if (Is(type, DUI_MSGTYPE_CLICK) && name == QLatin1String("btn_restore_cs_auto")) {
        Restore();
    }
    DialogImplBase::Notify(msg);
}
