#pragma once
// The automatic-surround settings: eleven options, nine values with a slider and an edit
// each, and the mode and level selectors. It edits the opener's block in place and queues
// the whole block after every change. No menu offers it.

#include <QString>
#include <cstdint>

#include "tuning/cs_auto_edits.h"
#include "ui/window_impl_base.h"

class CSAutoWnd : public DialogImplBase {
  public:
    // `settingByte` goes into byte 0 of the block; `inputSource` decides the height.
    CSAutoWnd(tonvia::tuning::Session& session, tonvia::tuning::CsAutoSetting& block,
              std::uint8_t settingByte, int inputSource)
        : mSession(session), mBlock(block), mSettingByte(settingByte), mInputSource(inputSource) {}

    QString ClassName() const override { return QStringLiteral("CSAutoWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_CS_AUTO"); }
    void OnInit() override;
    void Notify(TNotifyUI& msg) override;

    static int ShowCsAuto(QWidget* parent, tonvia::tuning::Session& session,
                          tonvia::tuning::CsAutoSetting& block, std::uint8_t settingByte,
                          int inputSource);

  private:
    UiControl Control(const char* kind, int n) const;
    void ShowValue(int n, float value);
    void ShowSelectors();
    void TakeSlider(int n);
    void Step(int n, bool up);
    void Commit(int n);
    void Restore();

    tonvia::tuning::Session& mSession;
    tonvia::tuning::CsAutoSetting& mBlock;
    std::uint8_t mSettingByte;
    int mInputSource;
    bool mReady = false;  // notifications count only once the controls show the block
};
