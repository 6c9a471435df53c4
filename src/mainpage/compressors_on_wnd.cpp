#include "mainpage/compressors_on_wnd.h"

#include "dialogs/dialog_common.h"
#include "mainpage/equalizer_manager.h"
#include "platform/log.h"
#include "tuning/compressor_edits.h"
#include "tuning/edits.h"

namespace {

using tonvia::tuning::CompressorRow;

CompressorRow Row(int row) {
    return static_cast<CompressorRow>(row);
}

tonvia::tuning::SliderRange RangeOf(const UiControl& slider) {
    return {slider.GetMinValue(), slider.GetMaxValue()};
}

}  // namespace

int CCompressorsOnWnd::ShowCompressorsOn(QWidget* parent, EqualizerManager& owner) {
    return tonvia::dialogs::RunModal(new CCompressorsOnWnd(owner), parent,
                                     QStringLiteral("compressorsonwnd"));
}

UiControl CCompressorsOnWnd::Control(const char* kind, int row, int ch) const {
    return FindControl(
        QString::asprintf("%s_%s_%d", kind, tonvia::tuning::RowInfo(Row(row)).name, ch));
}

void CCompressorsOnWnd::OnInit() {
    const SceneConfig& live = mOwner.Live();
    for (int ch = 0; ch < kColumns; ++ch) {
        const bool channel = ch < kOutChannelCount;
        FindControl(QString::asprintf("column_%d", ch)).SetVisible(channel);
        if (!channel) {
            continue;  // the record has six channels: nothing to read for the others
        }
        FindControl(QString::asprintf("box_enable_%d", ch))
            .Selected(live.channels[static_cast<std::size_t>(ch)].compressorOn != 0, false);
        for (int row = 0; row < tonvia::tuning::kCompressorRows; ++row) {
            Show(row, ch, tonvia::tuning::CompressorSliderValue(live, ch, Row(row)));
        }
    }
    tonvia::dialogs::FitWindowToContents(*this);
    mReady = true;
}

void CCompressorsOnWnd::Show(int row, int ch, int sliderValue) {
    Control("edit", row, ch)
        .SetText(QString::fromStdString(tonvia::tuning::CompressorText(Row(row), sliderValue)));
    Control("slider", row, ch).SetValue(sliderValue);
}

void CCompressorsOnWnd::TakeSlider(const UiControl& slider, int row, int ch) {
    const int stored = tonvia::tuning::SetCompressorSlider(mOwner.Session(), ch, Row(row),
                                                           slider.GetValue(), RangeOf(slider));
    Show(row, ch, stored);
    Control("edit", row, ch).SetFocusSelectAll();
}

void CCompressorsOnWnd::Step(int row, int ch, bool up) {
    LogPrintA("SetSliderUp %s\n", tonvia::tuning::RowInfo(Row(row)).name);
    UiControl slider = Control("slider", row, ch);
    const int value = tonvia::tuning::StepCompressorSlider(
        slider.GetValue(), up, tonvia::tuning::RowInfo(Row(row)).step, RangeOf(slider));
    slider.SetValue(value);
    TakeSlider(slider, row, ch);
}

void CCompressorsOnWnd::Notify(TNotifyUI& msg) {
    if (!mReady) {
        DialogImplBase::Notify(msg);
        return;
    }
    const QString name = msg.pSender.GetName();
    const QString& type = msg.sType;
    if (type == QLatin1String(DUI_MSGTYPE_SELECTCHANGED) &&
        name.startsWith(QLatin1String("box_enable_"))) {
        tonvia::tuning::SetChCompressor(mOwner.Session(), name.mid(11).toInt(),
                                        msg.pSender.IsSelected());
        return;
    }
    const int row = tonvia::tuning::CompressorRowOfName(name.toStdString());
    bool numbered = false;
    const int ch = msg.pSender.GetUserData().toInt(&numbered);
    if (row < 0 || !numbered || ch < 0 || ch >= kOutChannelCount) {
        DialogImplBase::Notify(msg);
        return;
    }
    const bool edit = name.startsWith(QLatin1String("edit_"));
    if (edit && (type == QLatin1String(DUI_MSGTYPE_KILLFOCUS) ||
                 type == QLatin1String(DUI_MSGTYPE_RETURN))) {
        UiControl slider = Control("slider", row, ch);
        Show(row, ch,
             tonvia::tuning::CommitCompressorText(mOwner.Session(), ch, Row(row),
                                                  msg.pSender.GetText().toStdString(),
                                                  RangeOf(slider)));
        return;
    }
    if (!edit && (type == QLatin1String(DUI_MSGTYPE_VALUECHANGED) ||
                  type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_MOVE))) {
        TakeSlider(msg.pSender, row, ch);
        return;
    }
    if (edit && (type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_UP) ||
                 type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_DOWN))) {
        Step(row, ch, type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_UP));
        return;
    }
    if (edit && (type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_LEFT) ||
                 type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_RIGHT))) {
        const auto [nextRow, nextCh] = tonvia::tuning::NextCompressorEdit(
            row, ch, type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_RIGHT));
        Control("edit", nextRow, nextCh).SetFocusSelectAll();
        return;
    }
    DialogImplBase::Notify(msg);
}

// ---- CCompressorWnd ----

namespace {

using tonvia::tuning::CompressorParam;

// The parameter a control name stands for ("slider_ratio", "edit_ratio"), -1 for none.
int ParamOfName(const QString& name) {
    for (int p = 0; p < tonvia::tuning::kCompressorParams; ++p) {
        const QLatin1String param(tonvia::tuning::ParamInfo(static_cast<CompressorParam>(p)).name);
        if (name == QLatin1String("slider_") + param || name == QLatin1String("edit_") + param) {
            return p;
        }
    }
    return -1;
}

constexpr const char* kSliderLogs[] = {
    "set Noise slider to %s\n", "set Ratio slider to %s\n", "set AttackTime slider to %s\n",
    "set ReleaseTime slider to %s\n", "set SoftKnee slider to %s\n"};

}  // namespace

CCompressorWnd::CCompressorWnd(EqualizerManager& owner)
    : mOwner(owner), mChannel(owner.CurrentChannel()) {}

void CCompressorWnd::OnInit() {
    FindControl(QStringLiteral("curr_channel_text"))
        .SetText(QString::asprintf("CH%d", mChannel + 1));
    FindControl(QStringLiteral("btn_bp"))
        .Selected(mOwner.Live().compBypass[static_cast<std::size_t>(mChannel)] != 0, false);
    for (int p = 0; p < tonvia::tuning::kCompressorParams; ++p) {
        Show(p, tonvia::tuning::CompressorParamValue(mOwner.Live(), mChannel,
                                                     static_cast<CompressorParam>(p)));
    }
    tonvia::dialogs::FitWindowToContents(*this);
    mReady = true;
}

void CCompressorWnd::Show(int param, int sliderValue) {
    const auto& info = tonvia::tuning::ParamInfo(static_cast<CompressorParam>(param));
    FindControl(QStringLiteral("edit_") + QLatin1String(info.name))
        .SetText(QString::fromStdString(
            tonvia::tuning::CompressorParamText(static_cast<CompressorParam>(param), sliderValue)));
    FindControl(QStringLiteral("slider_") + QLatin1String(info.name)).SetValue(sliderValue);
}

void CCompressorWnd::Take(int param, int sliderValue) {
    const auto& info = tonvia::tuning::ParamInfo(static_cast<CompressorParam>(param));
    UiControl slider = FindControl(QStringLiteral("slider_") + QLatin1String(info.name));
    const int stored = tonvia::tuning::SetCompressorParam(mOwner.Session(), mChannel,
                                                          static_cast<CompressorParam>(param),
                                                          sliderValue, RangeOf(slider));
    LogPrintA(
        kSliderLogs[param],
        tonvia::tuning::CompressorParamText(static_cast<CompressorParam>(param), stored).c_str());
    Show(param, stored);
}

void CCompressorWnd::Notify(TNotifyUI& msg) {
    const QString name = msg.pSender.GetName();
    const QString& type = msg.sType;
    if (!mReady) {
        DialogImplBase::Notify(msg);
        return;
    }
    if (name == QLatin1String("btn_bp") && type == QLatin1String(DUI_MSGTYPE_SELECTCHANGED)) {
        tonvia::tuning::SetCompressorBypass(mOwner.Session(), mChannel, msg.pSender.IsSelected());
        return;
    }
    const int param = ParamOfName(name);
    if (param < 0) {
        DialogImplBase::Notify(msg);
        return;
    }
    const auto p = static_cast<CompressorParam>(param);
    const auto& info = tonvia::tuning::ParamInfo(p);
    UiControl slider = FindControl(QStringLiteral("slider_") + QLatin1String(info.name));
    const bool edit = name.startsWith(QLatin1String("edit_"));
    if (edit && (type == QLatin1String(DUI_MSGTYPE_KILLFOCUS) ||
                 type == QLatin1String(DUI_MSGTYPE_RETURN))) {
        Show(param, tonvia::tuning::CommitCompressorParamText(mOwner.Session(), mChannel, p,
                                                              msg.pSender.GetText().toStdString(),
                                                              RangeOf(slider)));
    } else if (!edit && (type == QLatin1String(DUI_MSGTYPE_VALUECHANGED) ||
                         type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_MOVE))) {
        Take(param, msg.pSender.GetValue());
    } else if (edit && (type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_UP) ||
                        type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_DOWN))) {
        // One step from the value shown, off the step grid.
        Take(param, tonvia::tuning::StepCompressorSlider(
                        slider.GetValue(), type == QLatin1String(DUI_MSGTYPE_VALUECHANGED_UP),
                        info.step, RangeOf(slider), false));
    } else {
        DialogImplBase::Notify(msg);
    }
}
