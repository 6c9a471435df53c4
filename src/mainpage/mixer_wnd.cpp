#include "mainpage/mixer_wnd.h"

#include <QComboBox>
#include <QStringList>
#include <QVariant>
#include <algorithm>

#include "dialogs/dialog_common.h"
#include "mainpage/equalizer_manager.h"
#include "platform/log.h"
#include "tuning/edits.h"
#include "tuning/karaoke_edits.h"
#include "tuning/mixer_edits.h"
#include "ui/sbutton.h"
#include "ui/skin_resources.h"

namespace {

namespace tuning = tonvia::tuning;

// Set while one level change runs: the control updates it makes raise notifications of
// their own, which must not start another change.
bool sVolumeBusy = false;

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

bool Is(const QString& type, const char* name) {
    return type == QLatin1String(name);
}

// The two numbers at the end of "<prefix>%d_%d"; false when the name has no such end.
bool CellOfName(const QString& name, const char* prefix, int& first, int& second) {
    if (!name.startsWith(QLatin1String(prefix))) {
        return false;
    }
    const QStringList parts = name.mid(static_cast<int>(qstrlen(prefix))).split(QLatin1Char('_'));
    bool okFirst = false;
    bool okSecond = false;
    if (parts.size() != 2) {
        return false;
    }
    first = parts[0].toInt(&okFirst);
    second = parts[1].toInt(&okSecond);
    return okFirst && okSecond;
}

bool NumberOfName(const QString& name, const char* prefix, int& n) {
    if (!name.startsWith(QLatin1String(prefix))) {
        return false;
    }
    bool ok = false;
    n = name.mid(static_cast<int>(qstrlen(prefix))).toInt(&ok);
    return ok;
}

void ShowIndicator(const UiControl& image, bool clipping) {
    if (auto* button = image.As<CSButtonUI>()) {
        button->SetAttribute(QStringLiteral("normalimage"), clipping
                                                                ? QStringLiteral("img/off.png")
                                                                : QStringLiteral("img/on.png"));
    }
}

constexpr const char* kSourceKeys[kInputSourceCount] = {
    "${source_opt}", "${source_coax}", "${source_bt}",  "${source_aux}", "${source_low}",
    "${source_hi}",  "${source_dmp}",  "${source_udp}", "${source_scp}"};

}  // namespace

CMixerWnd* CMixerWnd::sCurrent = nullptr;

CMixerWnd::CMixerWnd(EqualizerManager& owner)
    : mOwner(owner),
      mSource(owner.Live().inputSource),
      mHasMixerSource(tuning::HasMixerSource(mSource)),
      mInputs(tuning::MixerInputCount(mSource)) {
    sCurrent = this;
}

CMixerWnd::~CMixerWnd() {
    if (sCurrent == this) {
        sCurrent = nullptr;
    }
}

int CMixerWnd::ShowMixer(QWidget* parent, EqualizerManager& owner) {
    return tonvia::dialogs::RunModal(new CMixerWnd(owner), parent, QStringLiteral("MixerWnd"));
}

void CMixerWnd::OnDestroyed() {
    KillTimer(kDistortionTimerId);
    if (sCurrent == this) {
        sCurrent = nullptr;
    }
}

UiControl CMixerWnd::Cell(const char* kind, int output, int input) const {
    return FindControl(QString::asprintf("%s_%d_%d", kind, output, input));
}

UiControl CMixerWnd::Row(const char* kind, int input) const {
    return FindControl(QString::asprintf("%s_%d", kind, input));
}

void CMixerWnd::OnInit() {
    LogPrintA("mSource = %d\n", mSource);
    LogPrintA("mHasMixerSource = %d\n", mHasMixerSource ? 1 : 0);
    const SceneConfig& live = mOwner.Live();
    for (int o = 0; o < kColumns; ++o) {
        Row("column", o).SetVisible(o < kOutChannelCount);
    }
    ShowRows();
    if (mInputs > 0) {
        for (int o = 0; o < kOutChannelCount; ++o) {
            for (int i = 0; i < mInputs; ++i) {
                SyncCell(i, o);
            }
        }
    }
    for (int pair = 0; pair < kChannelPairCount; ++pair) {
        Row("ch_bridge", pair).Selected(live.bridgeOutputs[At(pair)] > 0, false);
    }
    for (int i = 0; i < mInputs; ++i) {
        Row("in_phase", i).Selected(live.inMixPhase[At(mSource)][At(i)] != 0, false);
        if (mHasMixerSource) {
            SelectViceItem(i);
            Row("csm_vice_gain_edit", i)
                .SetText(QString::fromStdString(
                    std::to_string(live.csmViceGain[At(mSource)][At(i)]) + "dB"));
        }
    }
    ShowDistortion();

    const QString name = mSource >= 0 && mSource < kInputSourceCount
                             ? tonvia::ui::Translate(QLatin1String(kSourceKeys[At(mSource)]))
                             : QString();
    for (int i = 0; i < mInputs; ++i) {
        Row("title_label", i)
            .SetText(QString::fromStdString(tuning::MixerRowTitle(name.toStdString(), mInputs, i)));
    }

    tonvia::dialogs::SizeToInputRows(*this, mInputs);
    tonvia::dialogs::FitWindowToContents(*this);
    CenterWindow();
    mReady = true;
    if (Row("in_distort", 0) && Row("out_distort", 0)) {
        SetTimer(kDistortionTimerId, 1000);
    }
}

void CMixerWnd::ShowRows() {
    for (int i = 0; i < kRows; ++i) {
        const bool valid = i < mInputs;
        const bool spaced = i < mInputs - 1;
        for (int o = 0; o < kColumns; ++o) {
            Cell("box", o, i).SetVisible(valid);
            Cell("box_grap", o, i).SetVisible(spaced);
        }
        for (const char* kind : {"left_box", "second", "in_phase_box"}) {
            Row(kind, i).SetVisible(valid);
        }
        for (const char* kind : {"left_grap", "second_grap", "in_phase_grap"}) {
            Row(kind, i).SetVisible(spaced);
        }
        for (const char* kind :
             {"line_0", "line_1", "arrow_up", "cmb_csm_vice_source", "csm_vice_gain_edit"}) {
            Row(kind, i).SetVisible(mHasMixerSource);
        }
    }
}

void CMixerWnd::ShowDistortion() {
    const SceneConfig& live = mOwner.Live();
    if (mSource < 0 || mSource >= kInputSourceCount) {
        return;
    }
    for (int i = 0; i < kRows; ++i) {
        ShowIndicator(Row("in_distort", i), live.inDistort[At(mSource)][At(i)] != 0);
    }
    // Six outputs: the record holds no flags for the layout's hidden columns.
    for (int o = 0; o < kOutChannelCount; ++o) {
        ShowIndicator(Row("out_distort", o), live.outDistort[At(mSource)][At(o)] != 0);
    }
}

void CMixerWnd::OnTimer(unsigned id) {
    if (id != kDistortionTimerId) {
        DialogImplBase::OnTimer(id);
        return;
    }
    LogPrintA("STATUS_READ_TIMER reaching ...\n");
    ShowDistortion();
    tuning::RequestDistortion(mOwner.Session(), mSource);
}

void CMixerWnd::SyncCell(int input, int output) {
    const SceneConfig& live = mOwner.Live();
    const int level = tuning::StoredMixLevel(live, mSource, input, output);
    Cell("box_enable", output, input)
        .Selected(tuning::IsRouted(live, mSource, input, output), false);
    Cell("box_volume", output, input).SetValue(level);
    Cell("box_edit", output, input).SetText(QString::fromStdString(tuning::MixLevelText(level)));
}

void CMixerWnd::OnVolChanged(int input, int output, int level, bool fromEnable, bool takeFocus) {
    if (sVolumeBusy) {
        LogPrintA("<------%s %d %d,%d %d quit as re-entry\n", "OnVolChanged", input, output, level,
                  fromEnable ? 1 : 0);
        return;
    }
    sVolumeBusy = true;
    LogPrintA(">>>>>>>>>>>>>>>>>%s %d %d,%d %d\n", "OnVolChanged", input, output, level,
              fromEnable ? 1 : 0);
    const tuning::MixResult result =
        tuning::SetMixLevel(mOwner.Session(), mSource, input, output, level);
    for (const tuning::MixCell& cell : result.cells) {
        SyncCell(cell.input, cell.output);
    }
    ShowPageRouting();
    if (!fromEnable && takeFocus) {
        Cell("box_edit", output, input).SetFocusSelectAll();
    }
    LogPrintA("<<<<<<<<<<<<<<<<<<<<< %s %d %d,%d %d\n", "OnVolChanged", input, output, level,
              fromEnable ? 1 : 0);
    sVolumeBusy = false;
}

void CMixerWnd::ShowPageRouting() {
    // The page's routing options under the dialog show the same routes.
    if (mSource == mOwner.Live().inputSource) {
        tuning::EditResult routing;
        routing.routing = true;
        mOwner.ShowEdit(routing);
    }
}

void CMixerWnd::OnEnableBtnClick(int input, int output, bool on) {
    OnVolChanged(input, output, tuning::EnableLevel(mOwner.Live(), mSource, input, output, on),
                 true, false);
}

void CMixerWnd::OnVolEditChanged(const UiControl& edit, int input, int output, int delta,
                                 bool takeFocus) {
    UiControl slider = Cell("box_volume", output, input);
    const int level = tuning::MixLevelFromText(edit.GetText().toStdString(), delta,
                                               {slider.GetMinValue(), slider.GetMaxValue()});
    LogPrintA("OnVolEditChanged set in_ch %d out_ch %d volume to %d\n", input, output, level);
    OnVolChanged(input, output, level, false, takeFocus);
    // A text the level did not change (a typo, a clamp) shows the level again.
    SyncCell(input, output);
}

void CMixerWnd::SelectViceItem(int input) {
    const SceneConfig& live = mOwner.Live();
    UiControl combo = Row("cmb_csm_vice_source", input);
    if (!combo) {
        return;
    }
    const int source = live.csmViceSource[At(mSource)][At(input)];
    const int channel = live.csmViceCh[At(mSource)][At(input)];
    const QString tag = QString::fromStdString(tuning::ViceTag(source, channel));
    LogPrintA("tag %s from %02d %02d\n", tag.toUtf8().constData(), source, channel);
    const QStringList tags =
        combo.Widget()->property("itemtags").toString().split(QLatin1Char(','));
    for (int item = 0; item < tags.size() && item < combo.GetCount(); ++item) {
        LogPrintA("combox item tag[%d] = %s\n", item, tags[item].toUtf8().constData());
        if (tags[item].trimmed() == tag) {
            combo.SelectItem(item, false);
            return;
        }
    }
    LogPrintA("WARNING: no combox item found for %s\n", tag.toUtf8().constData());
    combo.SelectItem(combo.GetCount() - 1, false);
}

void CMixerWnd::SetCSMViceSourceCombox(int input) {
    UiControl combo = Row("cmb_csm_vice_source", input);
    const QStringList tags =
        combo.Widget() != nullptr
            ? combo.Widget()->property("itemtags").toString().split(QLatin1Char(','))
            : QStringList();
    const int item = combo.GetCurSel();
    if (item < 0 || item >= tags.size()) {
        return;
    }
    bool ok = false;
    const int tag = tags[item].trimmed().toInt(&ok);
    if (!ok) {
        return;
    }
    tuning::SetViceSource(mOwner.Session(), mSource, input, tuning::ViceFromTag(tag));
    Row("csm_vice_gain_edit", input)
        .SetText(QString::fromStdString(
            std::to_string(mOwner.Live().csmViceGain[At(mSource)][At(input)]) + "dB"));
}

void CMixerWnd::SetCSMViceGainEdit(int input, int gain, bool takeFocus) {
    const int stored = tuning::SetViceGain(mOwner.Session(), mSource, input, gain);
    UiControl edit = Row("csm_vice_gain_edit", input);
    edit.SetText(QString::fromStdString(std::to_string(stored) + "dB"));
    if (takeFocus) {
        edit.SetFocusSelectAll();
    }
}

void CMixerWnd::SetBridge(int pair, bool on) {
    mOwner.SetBridgeFromMixer(pair, on);
    for (int i = 0; i < mInputs; ++i) {
        SyncCell(i, 2 * pair + 1);
    }
}

void CMixerWnd::Notify(TNotifyUI& msg) {
    if (!mReady) {
        DialogImplBase::Notify(msg);
        return;
    }
    const QString name = msg.pSender.GetName();
    const QString& type = msg.sType;
    int a = 0;
    int b = 0;
    if (Is(type, DUI_MSGTYPE_CLICK) && name == QLatin1String("btn_reset_input")) {
        for (const tuning::MixCell& cell : tuning::ClearMix(mOwner.Session(), mSource).cells) {
            if (cell.input < mInputs) {
                SyncCell(cell.input, cell.output);
            }
        }
        ShowPageRouting();
        return;
    }
    if (Is(type, DUI_MSGTYPE_SELECTCHANGED)) {
        if (CellOfName(name, "box_enable_", a, b) && b < mInputs && a < kOutChannelCount) {
            OnEnableBtnClick(b, a, msg.pSender.IsSelected());
            return;
        }
        if (NumberOfName(name, "ch_bridge_", a) && a >= 0 && a < kChannelPairCount) {
            SetBridge(a, msg.pSender.IsSelected());
            return;
        }
        if (NumberOfName(name, "in_phase_", a) && a >= 0 && a < mInputs) {
            tuning::SetInputPhase(mOwner.Session(), mSource, a, msg.pSender.IsSelected());
            return;
        }
    }
    if (CellOfName(name, "box_volume_", a, b) && b < mInputs && a < kOutChannelCount &&
        (Is(type, DUI_MSGTYPE_VALUECHANGED) || Is(type, DUI_MSGTYPE_VALUECHANGED_MOVE))) {
        LogPrintA("OnVolSliderChanged set in_ch %d out_ch %d volume to %d\n", b, a,
                  msg.pSender.GetValue());
        OnVolChanged(b, a, msg.pSender.GetValue(), false, true);
        return;
    }
    if (CellOfName(name, "box_edit_", a, b) && b >= 0 && b < mInputs && a >= 0 &&
        a < kOutChannelCount) {
        if (Is(type, DUI_MSGTYPE_VALUECHANGED_UP) || Is(type, DUI_MSGTYPE_VALUECHANGED_DOWN)) {
            OnVolEditChanged(msg.pSender, b, a, Is(type, DUI_MSGTYPE_VALUECHANGED_UP) ? 1 : -1,
                             true);
            return;
        }
        if (Is(type, DUI_MSGTYPE_VALUECHANGED_LEFT) || Is(type, DUI_MSGTYPE_VALUECHANGED_RIGHT)) {
            const auto [input, output] =
                tuning::NextMixEdit(b, a, Is(type, DUI_MSGTYPE_VALUECHANGED_RIGHT), mInputs);
            Cell("box_edit", output, input).SetFocusSelectAll();
            return;
        }
        // Focusing an edit only shows it, and leaving it unchanged keeps it: a route that
        // is off with a stored level stays off while the focus passes through.
        if (Is(type, DUI_MSGTYPE_KILLFOCUS)) {
            UiControl slider = Cell("box_volume", a, b);
            const int typed =
                tuning::MixLevelFromText(msg.pSender.GetText().toStdString(), 0,
                                         {slider.GetMinValue(), slider.GetMaxValue()});
            if (typed == tuning::StoredMixLevel(mOwner.Live(), mSource, b, a)) {
                SyncCell(b, a);
            } else {
                // The focus stays where it went.
                OnVolEditChanged(msg.pSender, b, a, 0, false);
            }
            return;
        }
        if (Is(type, DUI_MSGTYPE_RETURN)) {
            OnVolEditChanged(msg.pSender, b, a, 0, true);
            return;
        }
    }
    if (NumberOfName(name, "csm_vice_gain_edit_", a) && a >= 0 && a < mInputs) {
        const int typed = tuning::LeadingNumber(msg.pSender.GetText().toStdString());
        if (Is(type, DUI_MSGTYPE_RETURN) || Is(type, DUI_MSGTYPE_KILLFOCUS)) {
            SetCSMViceGainEdit(a, typed, Is(type, DUI_MSGTYPE_RETURN));
            return;
        }
        if (Is(type, DUI_MSGTYPE_VALUECHANGED_UP) || Is(type, DUI_MSGTYPE_VALUECHANGED_DOWN)) {
            const int next = std::clamp(typed + (Is(type, DUI_MSGTYPE_VALUECHANGED_UP) ? 1 : -1),
                                        tuning::kViceGainMin, tuning::kViceGainMax);
            if (next != typed) {
                SetCSMViceGainEdit(a, next, true);
            }
            return;
        }
    }
    if (Is(type, DUI_MSGTYPE_ITEMSELECT) && NumberOfName(name, "cmb_csm_vice_source_", a) &&
        a >= 0 && a < mInputs) {
        SetCSMViceSourceCombox(a);
        return;
    }
    DialogImplBase::Notify(msg);
}
