#pragma once
// The list of settings in which the program's model differs from another set of values:
// from what the amplifier reported when it was read again ("Verify with Amplifier"), or
// from a profile file ("Compare with File…", scene by scene for a whole profile). Its
// buttons act on the selected rows, or on every row when none is selected: the model's
// values written to the amplifier, the amplifier's taken into the model, or the file's
// written to both.

#include <QString>
#include <vector>

#include "model/model_set.h"
#include "model/scene_diff.h"
#include "ui/window_impl_base.h"

class EqualizerManager;

// A setting's name as the list shows it ("CH2 · Band 7 · EQ gain") and a value with its
// unit ("-2.5 dB"), in the interface language.
QString DiffSettingName(const ParameterChange& change);
QString DiffValueText(const ParameterChange& change, double value);

class CDiffWnd : public DialogImplBase {
  public:
    enum class Mode { Amplifier, File };

    // `other`: what the amplifier reported (Amplifier), or the file's values (File, with
    // `whole` for a whole profile: its stored scenes are offered too).
    CDiffWnd(EqualizerManager& owner, Mode mode, ModelSet other, bool whole = false);

    QString ClassName() const override { return QStringLiteral("DiffWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_DIFF"); }
    void OnInit() override;
    void OnClick(TNotifyUI& msg) override;
    void Notify(TNotifyUI& msg) override;

    // The rows listed now, in the table's order.
    const std::vector<ParameterChange>& Rows() const { return mRows; }
    // The scene compared: 0 the working settings, 1..10 a stored scene of a whole profile.
    int Scene() const { return mScene; }
    void ChooseScene(int scene);

  private:
    void Fill();
    // The selected rows, or all of them when none is selected.
    std::vector<ParameterChange> Chosen() const;
    void WriteToAmplifier();
    void TakeFromAmplifier();

    EqualizerManager& mOwner;
    Mode mMode;
    ModelSet mOther;
    bool mWhole;
    int mScene = 0;
    std::vector<ParameterChange> mRows;
};
