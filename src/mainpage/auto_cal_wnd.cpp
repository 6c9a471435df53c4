#include "mainpage/auto_cal_wnd.h"

#include <vector>

#include "dialogs/dialog_common.h"
#include "dialogs/msg_wnd.h"
#include "graph/equalizer_ac.h"
#include "graph/math/channel_curve.h"
#include "platform/log.h"
#include "ui/window_registry.h"

namespace {

namespace tuning = tonvia::tuning;

constexpr int kEffectOptions = 9;
constexpr std::uint32_t kBlockedTextColor = 0xFF888888;

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

bool Is(const QString& type, const char* name) {
    return type == QLatin1String(name);
}

}  // namespace

CAutoCalWnd::CAutoCalWnd(tonvia::tuning::Session& session) : mSession(session) {}

CAutoCalWnd::~CAutoCalWnd() {
    StopThread();
}

int CAutoCalWnd::ShowAutoCal(QWidget* parent, tonvia::tuning::Session& session) {
    return tonvia::dialogs::RunModal(new CAutoCalWnd(session), parent,
                                     QStringLiteral("AutoCalWnd"));
}

void CAutoCalWnd::OnInit() {
    mOwnHandle = GetHWND();
    mSession.Link().mCalWnd.store(mOwnHandle);
    const SceneConfig& live = mSession.Model().live;
    for (int ch = 0; ch < tuning::kCalibrationChannels; ++ch) {
        UiControl box = FindControl(QString::asprintf("ch_checkbox_%d", ch));
        box.SetVisible(true);
        box.Selected(true, false);
        const tuning::ChannelBlock block = tuning::CalibrationBlock(live, ch);
        if (block.Any()) {
            box.Selected(false, false);
            box.SetEnabled(false);
        }
        if (block.bridged) {
            box.SetTextColor(kBlockedTextColor);
            box.SetDisabledTextColor(kBlockedTextColor);
        }
        if (block.subwoofer) {
            box.SetToolTip(QStringLiteral("${irc_subwoof_not_test}"));
        }
        mChannelShown[At(ch)] = box.IsSelected();
    }
    ShowEqCurves();
    ShowSpectrumCurves();
    tonvia::dialogs::FitWindowToContents(*this);
}

void CAutoCalWnd::OnDestroyed() {
    StopThread();
    // No record may reach a window that is gone, or one that reuses the handle.
    WindowHandle own = mOwnHandle;
    mSession.Link().mCalWnd.compare_exchange_strong(own, kNoWindow);
}

std::uint8_t CAutoCalWnd::EqMode() const {
    for (int n = 0; n < kEffectOptions; ++n) {
        if (FindControl(QString::asprintf("audio_effect_%d", n)).IsSelected()) {
            return static_cast<std::uint8_t>(n + 1);
        }
    }
    return 0;
}

void CAutoCalWnd::SetTips(const QString& key) {
    FindControl(QStringLiteral("tips")).SetText(key);
}

void CAutoCalWnd::StartStop() {
    if (mIrcModel == 0) {
        const QString text = QStringLiteral("${irc_option_warning_tips}");
        if (mNotice) {
            mNotice(text);
        } else {
            CMsgWnd::ShowMessageEx(GetWidget(), QStringLiteral("${tips}"), text,
                                   {QStringLiteral("${confirm}")}, 1);
        }
        return;
    }
    mEqMode = EqMode();
    mIrcCh = 0;
    for (int ch = 0; ch < tuning::kCalibrationChannels; ++ch) {
        if (FindControl(QString::asprintf("ch_checkbox_%d", ch)).IsSelected()) {
            mIrcCh = static_cast<std::uint16_t>(mIrcCh | (1u << ch));
        }
    }
    LogPrintA("mIrcCh = 0x%x\n", static_cast<unsigned>(mIrcCh));
    UiControl start = FindControl(QStringLiteral("start_auto_cal"));
    UiControl close = FindControl(QStringLiteral("closebtn"));
    if (!mWorker.joinable() || !mShared.running.load()) {
        if (mWorker.joinable()) {
            mWorker.join();  // a run that ended by itself
        }
        start.SetText(QStringLiteral("${stop}"));
        SetTips(QStringLiteral("${start_irc_tips}"));
        close.SetEnabled(false);
        mResultReady = false;
        mShared.stop.store(false);
        mShared.running.store(true);
        const WindowHandle self = GetHWND();
        mWorker = std::thread(
            [this, self, module = mIrcModel, mask = mIrcCh, mode = mEqMode, timings = mTimings] {
                tuning::RunCalibration(
                    mSession.Link(), mShared, module, mask, mode, timings, [self](int progress) {
                        tonvia::ui::PostMessageTo(self, WM_IRC_PROGRESS,
                                                  static_cast<std::uintptr_t>(progress));
                    });
            });
    } else {
        // The thread ends first: it is the only sender while it runs.
        StopThread();
        tuning::SendIrcControl(mSession.Link(), tuning::IrcControl::Stop);
        close.SetEnabled(true);
        start.SetText(QStringLiteral("${start_irc}"));
        SetTips(QStringLiteral("${irc_stoped}"));
        mResultReady = false;
    }
    mResultDecided = false;
}

void CAutoCalWnd::StopThread() {
    mShared.stop.store(true);
    if (mWorker.joinable()) {
        mWorker.join();
    }
    mShared.running.store(false);
}

void CAutoCalWnd::KeepOrDiscard(bool keep) {
    if (mShared.running.load() || !mResultReady || mResultDecided) {
        SetTips(QStringLiteral("${irc_start_tips}"));
        return;
    }
    if (keep) {
        tuning::SendIrcControl(mSession.Link(), tuning::IrcControl::Keep, 0, mEqMode);
        SetTips(QStringLiteral("${irc_applyed}"));
    } else {
        tuning::SendIrcControl(mSession.Link(), tuning::IrcControl::Discard);
        SetTips(QStringLiteral("${irc_canceled}"));
    }
    mResultDecided = true;
}

void CAutoCalWnd::CloseDialog() {
    StopThread();
    if (mResultDecided) {
        Close(1);
        return;
    }
    const QString question = QStringLiteral("${irc_apply_tips}");
    const bool keep =
        mResultReady &&
        (mAsk ? mAsk(question)
              : CMsgWnd::ShowMessage(GetWidget(), QStringLiteral("${tips}"), question) == 1);
    if (keep) {
        tuning::SendIrcControl(mSession.Link(), tuning::IrcControl::Keep, 0, mEqMode);
        Close(1);
        return;
    }
    // A calibration that did not finish is never left pending on the amplifier.
    tuning::SendIrcControl(mSession.Link(), tuning::IrcControl::Discard);
    Close(0);
}

void CAutoCalWnd::ShowRunEnded(bool success) {
    UiControl start = FindControl(QStringLiteral("start_auto_cal"));
    start.SetText(QStringLiteral("${start_irc}"));
    start.SetEnabled(true);
    FindControl(QStringLiteral("closebtn")).SetEnabled(true);
    mResultReady = success;
}

void CAutoCalWnd::OnStatus(int kind, std::intptr_t value) {
    if (!tuning::ApplyStatus(mShared, kind, value) || mShared.stop.load()) {
        return;
    }
    if (const char* tip = tuning::IrcStatusTip(kind, value)) {
        SetTips(QLatin1String(tip));
    }
    switch (kind) {
        case tuning::kIrcTestDone:
        case tuning::kIrcTestExit:
            ShowRunEnded(true);
            FindControl(QStringLiteral("progress")).SetValue(static_cast<int>(value));
            break;
        case tuning::kIrcTestFail:
            ShowRunEnded(false);
            break;
        case tuning::kIrcSpectrumUpdate:
        case tuning::kIrcEqUpdate:
        case tuning::kIrcTestDataUpdate:
            break;
        default:
            FindControl(QStringLiteral("progress")).SetValue(static_cast<int>(value));
            break;
    }
}

void CAutoCalWnd::OnMessage(WindowMessage& message) {
    if (message.message == WM_IRC_PROGRESS) {
        FindControl(QStringLiteral("progress")).SetValue(static_cast<int>(message.wParam));
        return;
    }
    if (message.message != WM_IRC_UPDATE) {
        DialogImplBase::OnMessage(message);
        return;
    }
    const int kind = static_cast<int>(message.wParam);
    if (kind <= tuning::kIrcLastStatus) {
        OnStatus(kind, message.lParam);
        return;
    }
    mShared.status.store(kind);
    if (mShared.stop.load()) {
        return;
    }
    if (auto band = tonvia::ui::TakeRecord<IrcEqRec>(message)) {
        LogPrintA("message DSP_IRC_EQ\n");
        LogPrintA("ch(%d), band(%d), freq=%d, Q=%1.2f, Gain=%.2f\n", band->channel, band->band,
                  band->freq, static_cast<double>(band->Q), static_cast<double>(band->gain));
        // A record outside the tables is dropped (its memory goes with the pointer).
        if (mData.Store(*band) && band->band >= 10) {
            LogPrintA("update EQ response\n");
            ShowEqCurves();
            LogPrintA("update EQ response end\n");
        }
    } else if (auto point = tonvia::ui::TakeRecord<IrcSpectrumRec>(message)) {
        if (mData.Store(*point) && point->band == tuning::kCalibrationPoints - 1) {
            ShowSpectrumCurves();
        }
    }
}

void CAutoCalWnd::ShowEqCurves() {
    auto* chart = FindControl(QStringLiteral("equalizer_ac")).As<UIEqualizerAc>();
    if (chart == nullptr) {
        return;
    }
    // Every record counts: the bands the amplifier did not report stay at 0 dB.
    std::vector<ChannelCurve> sums(tuning::kCalibrationChannels);
    std::vector<AcCurveData> curves;
    std::array<bool, tuning::kCalibrationChannels> show{};
    const FilterSetting off;
    for (int ch = 0; ch < tuning::kCalibrationChannels; ++ch) {
        std::array<EqBand, tuning::kCalibrationBands> bands{};
        for (int b = 0; b < tuning::kCalibrationBands; ++b) {
            const tuning::CalibrationBand& record = mData.bands[At(ch)][At(b)];
            bands[At(b)] = EqBand{record.gain, record.q, record.freq, 1};
        }
        ComputeChannelCurve(off, off, bands, false, sums[At(ch)]);
        curves.push_back({sums[At(ch)].frequencies, sums[At(ch)].levels});
        show[At(ch)] = mShowEq && mChannelShown[At(ch)];
    }
    chart->SetFineCurves(curves, show);
}

void CAutoCalWnd::ShowSpectrumCurves() {
    auto* chart = FindControl(QStringLiteral("equalizer_ac")).As<UIEqualizerAc>();
    if (chart == nullptr) {
        return;
    }
    std::vector<std::array<double, tuning::kCalibrationPoints>> xs(tuning::kCalibrationChannels);
    std::vector<std::array<double, tuning::kCalibrationPoints>> ys(tuning::kCalibrationChannels);
    std::vector<AcCurveData> curves;
    std::array<bool, tuning::kCalibrationChannels> show{};
    for (int ch = 0; ch < tuning::kCalibrationChannels; ++ch) {
        for (int p = 0; p < tuning::kCalibrationPoints; ++p) {
            xs[At(ch)][At(p)] = mData.points[At(ch)][At(p)].freq;
            ys[At(ch)][At(p)] = mData.points[At(ch)][At(p)].gain;
        }
        curves.push_back({xs[At(ch)], ys[At(ch)]});
        show[At(ch)] = mShowSpectrum && mChannelShown[At(ch)];
    }
    chart->SetCoarseCurves(curves, show);
}

void CAutoCalWnd::Notify(TNotifyUI& msg) {
    const QString name = msg.pSender.GetName();
    const QString& type = msg.sType;
    if (Is(type, DUI_MSGTYPE_CLICK)) {
        if (name == QLatin1String("start_auto_cal")) {
            StartStop();
            return;
        }
        if (name == QLatin1String("irc_save_data") || name == QLatin1String("irc_cancel_data")) {
            KeepOrDiscard(name == QLatin1String("irc_save_data"));
            return;
        }
        if (name == QLatin1String("closebtn")) {
            CloseDialog();
            return;
        }
    }
    if (Is(type, DUI_MSGTYPE_SELECTCHANGED)) {
        const bool on = msg.pSender.IsSelected();
        if (name == QLatin1String("display_eq")) {
            mShowEq = on;
            ShowEqCurves();
            return;
        }
        if (name == QLatin1String("display_spk")) {
            mShowSpectrum = on;
            ShowSpectrumCurves();
            return;
        }
        if (name.startsWith(QLatin1String("ch_checkbox_"))) {
            bool ok = false;
            const int ch = msg.pSender.GetUserData().toInt(&ok);
            if (ok && ch >= 0 && ch < tuning::kCalibrationChannels) {
                mChannelShown[At(ch)] = on;
                ShowEqCurves();
                ShowSpectrumCurves();
            }
            return;
        }
        static constexpr std::pair<const char*, std::uint32_t> kParts[] = {
            {"irc_eq", tuning::kIrcModuleEq},
            {"irc_delay", tuning::kIrcModuleDelay},
            {"irc_phase", tuning::kIrcModulePhase}};
        for (const auto& [part, bit] : kParts) {
            if (name == QLatin1String(part)) {
                mIrcModel = on ? (mIrcModel | bit) : (mIrcModel & ~bit);
                LogPrintA("mIrcModel %02x\n", mIrcModel);
                return;
            }
        }
    }
    DialogImplBase::Notify(msg);
}
