#pragma once
// The custom EQ: the twenty upper bands of the current output channel (channel bands
// 11..30) with a response graph, an edit row each for frequency, Q and gain, a gain slider
// and an on/off box per band, and buttons that reset the bands or restore the factory
// values the opener supplies. Every change is queued band by band. No menu offers it.

#include <QString>
#include <string_view>

#include "tuning/custom_eq_edits.h"
#include "ui/window_impl_base.h"

class CCustomEqWnd : public DialogImplBase {
  public:
    CCustomEqWnd(tonvia::tuning::Session& session,
                 const tonvia::tuning::CustomEqTable& factoryFreqs,
                 const tonvia::tuning::CustomEqTable& factoryGains)
        : mSession(session), mFactoryFreqs(factoryFreqs), mFactoryGains(factoryGains) {}

    QString ClassName() const override { return QStringLiteral("CustomEqWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_CUSTOM_EQ"); }
    void OnInit() override;
    void Notify(TNotifyUI& msg) override;
    // The graph, whether or not the main window registered the graph controls.
    QWidget* CreateControl(const QString& tag, QWidget* parent) override;

    static int ShowCustomEq(QWidget* parent, tonvia::tuning::Session& session,
                            const tonvia::tuning::CustomEqTable& factoryFreqs,
                            const tonvia::tuning::CustomEqTable& factoryGains);

  private:
    UiControl Find(const char* format, int band) const;
    UiControl Edit(tonvia::tuning::CustomEqEdit edit) const;
    void Refresh(int band);
    void RefreshAll();
    // The graph's bands and curves again, `selected` (or none, -1) as its selected band.
    void Redraw(int selected);
    void Commit(int band);
    void TakeSlider(int band);
    void Step(tonvia::tuning::CustomEqEdit edit, bool up);
    void Toggle(int band);
    void ApplyDrag(int band);
    bool Ask(std::string_view key);

    tonvia::tuning::Session& mSession;
    tonvia::tuning::CustomEqTable mFactoryFreqs;
    tonvia::tuning::CustomEqTable mFactoryGains;
    bool mReady = false;
};
