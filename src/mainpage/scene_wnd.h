#pragma once
// The list of the amplifier's ten stored scenes, in one of three modes: load a scene into
// the working scene, save the working scene into one (with a name), or delete one. The
// device work runs on the page's worker; a busy window covers it and the device's
// acknowledgements (posted here while the dialog is open) end it.

#include <QPointer>
#include <QString>
#include <string>

#include "ui/window_impl_base.h"

class EqualizerManager;

class CSceneWnd : public DialogImplBase {
  public:
    enum Mode { kLoad = 0, kSave = 1, kDelete = 2 };
    static constexpr int kRows = 10;  // row r shows scene r + 1
    static constexpr std::uint32_t kCurrentRowColour = 0xFFF6CE1D;

    CSceneWnd(Mode mode, EqualizerManager& owner) : mMode(mode), mOwner(owner) {}

    QString ClassName() const override { return QStringLiteral("SceneWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_SENCE_PROFILE"); }
    void OnInit() override;
    void OnClick(TNotifyUI& msg) override;
    void Notify(TNotifyUI& msg) override;
    void OnMessage(WindowMessage& message) override;
    void OnDestroyed() override;

    // Marks `row` as the current scene; a row outside 0..9 clears the mark.
    void UpdateCurrentScene(int row);
    // The three actions on scene `scene` (1..10). SaveSence is true when the save started.
    void LoadSence(int scene);
    bool SaveSence(int scene);
    void DeleteSence(int scene);

    // The row marked as current, -1 for none.
    int CurrentRow() const { return mCurrentRow; }
    // The name shown in `row`.
    QString RowName(int row) const;

    // Runs the dialog modally over `parent`.
    static void ShowScenes(QWidget* parent, Mode mode, EqualizerManager& owner);

  private:
    void FillRows();
    void SetRowName(int row, const std::wstring& name);
    // The rows' text colours for the current-scene mark and the selection.
    void RefreshRowText();
    // The confirm button and the double-click: the action of the mode on `row`.
    void Act(int row, bool activated);
    void ShowBusy();
    void CloseBusy();

    Mode mMode;
    EqualizerManager& mOwner;
    QPointer<QWidget> mBusy;
    int mCurrentRow = -1;
};
