#pragma once
// The input mixer: routes the input channels of the current source to the six outputs with
// a level per route, the input phases, the bridged output pairs and, for the sources that
// have it, a second signal from another source per input. Every change goes to the live
// record and, queued, to the amplifier; the clipping indicators are polled once a second.

#include <QString>

#include "ui/window_impl_base.h"

class EqualizerManager;

class CMixerWnd : public DialogImplBase {
  public:
    static constexpr unsigned kDistortionTimerId = 8193;
    static constexpr int kColumns = 8;  // the layout's output columns; 6 and 7 stay hidden
    static constexpr int kRows = 6;

    explicit CMixerWnd(EqualizerManager& owner);
    ~CMixerWnd() override;

    QString ClassName() const override { return QStringLiteral("MixerWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_MIXER"); }
    void OnInit() override;
    void Notify(TNotifyUI& msg) override;
    void OnTimer(unsigned id) override;
    void OnDestroyed() override;

    static int ShowMixer(QWidget* parent, EqualizerManager& owner);
    // The open mixer, or null: the main window closes it when the connection changes and
    // hands it the clipping reports.
    static CMixerWnd* Current() { return sCurrent; }

    // The clipping indicators from the live record's flags.
    void ShowDistortion();
    int Source() const { return mSource; }

  private:
    UiControl Cell(const char* kind, int output, int input) const;
    UiControl Row(const char* kind, int input) const;
    // One route's option, slider and edit from the live record.
    void SyncCell(int input, int output);
    void OnVolChanged(int input, int output, int level, bool fromEnable, bool takeFocus);
    void OnEnableBtnClick(int input, int output, bool on);
    void OnVolEditChanged(const UiControl& edit, int input, int output, int delta, bool takeFocus);
    void SetCSMViceSourceCombox(int input);
    void SetCSMViceGainEdit(int input, int gain, bool takeFocus);
    void SelectViceItem(int input);
    void SetBridge(int pair, bool on);
    void ShowRows();
    void ShowPageRouting();

    EqualizerManager& mOwner;
    int mSource;
    bool mHasMixerSource;
    int mInputs;
    bool mReady = false;  // notifications count only once the controls were filled

    static CMixerWnd* sCurrent;
};
