#pragma once
// The compressor dialogs. CCompressorsOnWnd: the six output channels side by side (on/off,
// threshold, attack, release). CCompressorWnd: the current channel's whole compressor
// (bypass, threshold, ratio, attack, release, soft knee); no menu offers it. Every change
// goes to the live record and, queued, to the amplifier.

#include <QString>

#include "ui/window_impl_base.h"

class EqualizerManager;

class CCompressorsOnWnd : public DialogImplBase {
  public:
    static constexpr int kColumns = 8;  // the layout's columns; 6 and 7 stay hidden

    explicit CCompressorsOnWnd(EqualizerManager& owner) : mOwner(owner) {}

    QString ClassName() const override { return QStringLiteral("CompressorsOnWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_COMPRESSORS_ON"); }
    void OnInit() override;
    void Notify(TNotifyUI& msg) override;

    static int ShowCompressorsOn(QWidget* parent, EqualizerManager& owner);

  private:
    void Show(int row, int ch, int sliderValue);
    void TakeSlider(const UiControl& slider, int row, int ch);
    void Step(int row, int ch, bool up);
    UiControl Control(const char* kind, int row, int ch) const;

    EqualizerManager& mOwner;
    bool mReady = false;  // notifications count only after the controls were filled
};

class CCompressorWnd : public DialogImplBase {
  public:
    explicit CCompressorWnd(EqualizerManager& owner);

    QString ClassName() const override { return QStringLiteral("CompressorWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_COMPRESSOR"); }
    void OnInit() override;
    void Notify(TNotifyUI& msg) override;

  private:
    void Show(int param, int sliderValue);
    void Take(int param, int sliderValue);

    EqualizerManager& mOwner;
    int mChannel;
    bool mReady = false;
};
