#pragma once
// The room calibration dialog: the channels and correction parts to measure, start and
// stop, the progress and tips of the run, each channel's measured spectrum and computed
// equaliser, and keeping or discarding the result on the amplifier. The measuring runs on
// the dialog's own thread; no menu offers the dialog but the service menu.

#include <QString>
#include <array>
#include <functional>
#include <thread>

#include "tuning/calibration.h"
#include "tuning/session.h"
#include "ui/window_impl_base.h"

// Posted by the calibration thread: wParam is the progress in percent.
inline constexpr unsigned WM_IRC_PROGRESS = WM_USER + 244;

class CAutoCalWnd : public DialogImplBase {
  public:
    explicit CAutoCalWnd(tonvia::tuning::Session& session);
    ~CAutoCalWnd() override;

    QString ClassName() const override { return QStringLiteral("AutoCalWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_AUTO_CAL"); }
    void OnInit() override;
    void Notify(TNotifyUI& msg) override;
    void OnMessage(WindowMessage& message) override;
    void OnDestroyed() override;

    // Runs the dialog modally; 1 when the result was kept, 0 when it was discarded.
    static int ShowAutoCal(QWidget* parent, tonvia::tuning::Session& session);

    // The boxes, replaceable for tests: a notice, and a question (true when confirmed).
    void SetBoxes(std::function<void(const QString&)> notice,
                  std::function<bool(const QString&)> ask) {
        mNotice = std::move(notice);
        mAsk = std::move(ask);
    }
    void SetTimings(tonvia::tuning::CalibrationTimings timings) { mTimings = timings; }
    bool Running() const { return mShared.running.load(); }
    const tonvia::tuning::CalibrationData& Data() const { return mData; }

  private:
    void StartStop();
    void StopThread();
    void KeepOrDiscard(bool keep);
    void CloseDialog();
    void OnStatus(int kind, std::intptr_t value);
    void ShowRunEnded(bool success);
    void SetTips(const QString& key);
    void ShowEqCurves();
    void ShowSpectrumCurves();
    std::uint8_t EqMode() const;

    tonvia::tuning::Session& mSession;
    tonvia::tuning::CalibrationShared mShared;
    tonvia::tuning::CalibrationData mData;
    tonvia::tuning::CalibrationTimings mTimings;
    std::thread mWorker;
    WindowHandle mOwnHandle = kNoWindow;
    std::uint16_t mIrcCh = 0;
    std::uint32_t mIrcModel = tonvia::tuning::kIrcModuleEq | tonvia::tuning::kIrcModuleDelay |
                              tonvia::tuning::kIrcModulePhase;
    std::uint8_t mEqMode = 0;
    bool mResultReady = false;
    bool mResultDecided = false;
    bool mShowEq = true;
    bool mShowSpectrum = true;
    std::array<bool, tonvia::tuning::kCalibrationChannels> mChannelShown{};
    std::function<void(const QString&)> mNotice;
    std::function<bool(const QString&)> mAsk;
};
