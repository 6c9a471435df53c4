#include "dialogs/ktv_wnd.h"

#include "dialogs/dialog_common.h"

using tonvia::tuning::KaraokeParam;

int CKtvWnd::ShowKtv(QWidget* parent, tonvia::tuning::Session& session) {
    return tonvia::dialogs::RunModal(new CKtvWnd(session), parent, QStringLiteral("ktvwnd"));
}

UiControl CKtvWnd::Control(const char* kind, KaraokeParam param) const {
    return FindControl(QString::asprintf("%s_%s", kind, tonvia::tuning::KaraokeName(param)));
}

void CKtvWnd::OnInit() {
    const SceneConfig& live = mSession.Model().live;
    for (int p = 0; p < tonvia::tuning::kKaraokeParams; ++p) {
        const auto param = static_cast<KaraokeParam>(p);
        Show(param, tonvia::tuning::KaraokeValue(live, param));
    }
    tonvia::dialogs::FitWindowToContents(*this);
    mReady = true;
    // Selected like a click, so an enabled howling control reaches the device once more.
    if (live.howling_control != 0) {
        FindControl(QStringLiteral("option_howling_control")).Selected(true, true);
    }
}

void CKtvWnd::Show(KaraokeParam param, int value) {
    Control("slider", param).SetValue(value);
    Control("edit", param)
        .SetText(QString::fromStdString(tonvia::tuning::KaraokeText(param, value)));
}

void CKtvWnd::Store(KaraokeParam param, int value) {
    UiControl slider = Control("slider", param);
    const int stored = tonvia::tuning::SetKaraokeValue(
        mSession, param, value, {slider.GetMinValue(), slider.GetMaxValue()});
    Show(param, stored);
}

void CKtvWnd::Notify(TNotifyUI& msg) {
    const QString name = msg.pSender.GetName();
    const QString& type = msg.sType;
    if (mReady) {
        if (name == QLatin1String("option_howling_control") &&
            type == QLatin1String(DUI_MSGTYPE_SELECTCHANGED)) {
            tonvia::tuning::SetHowlingControl(mSession, msg.pSender.IsSelected());
        }
        const int p = tonvia::tuning::KaraokeParamOfName(name.toStdString());
        if (p >= 0) {
            const auto param = static_cast<KaraokeParam>(p);
            const bool edit = name.startsWith(QLatin1String("edit_"));
            const int typed = tonvia::tuning::LeadingNumber(msg.pSender.GetText().toStdString());
            if (!edit && (type == QLatin1String(DUI_MSGTYPE_VALUECHANGED) ||
                          type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_MOVE))) {
                Store(param, msg.pSender.GetValue());
                Control("edit", param).SetFocusSelectAll();
            } else if (edit && (type == QLatin1String(DUI_MSGTYPE_RETURN) ||
                                type == QLatin1String(DUI_MSGTYPE_KILLFOCUS))) {
                Store(param, typed);
            } else if (edit && (type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_UP) ||
                                type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_DOWN))) {
                // One unit, not the slider's own step; at a limit the value goes again.
                Store(param, typed + (type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_UP) ? 1 : -1));
                Control("edit", param).SetFocusSelectAll();
            } else if (edit && (type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_LEFT) ||
                                type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_RIGHT))) {
                Control("edit", tonvia::tuning::NextKaraokeEdit(
                                    param, type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_RIGHT)))
                    .SetFocusSelectAll();
            }
        }
    }
    DialogImplBase::Notify(msg);
}
