#pragma once
// The karaoke panel: microphone and music volume, voice changer, treble, bass, echo and
// reverb, and the howling control. No menu offers it; it edits the live record's karaoke
// block and queues every change.

#include <QString>

#include "tuning/karaoke_edits.h"
#include "ui/window_impl_base.h"

class CKtvWnd : public DialogImplBase {
  public:
    explicit CKtvWnd(tonvia::tuning::Session& session) : mSession(session) {}

    QString ClassName() const override { return QStringLiteral("KtvWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_KTV"); }
    void OnInit() override;
    void Notify(TNotifyUI& msg) override;

    static int ShowKtv(QWidget* parent, tonvia::tuning::Session& session);

  private:
    UiControl Control(const char* kind, tonvia::tuning::KaraokeParam param) const;
    void Show(tonvia::tuning::KaraokeParam param, int value);
    void Store(tonvia::tuning::KaraokeParam param, int value);

    tonvia::tuning::Session& mSession;
    bool mReady = false;
};
