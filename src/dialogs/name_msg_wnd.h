#pragma once
// The scene name entry: one edit of at most seven characters.

#include <QString>
#include <string>

#include "ui/window_impl_base.h"

class QWidget;

class CNameMsgWnd : public DialogImplBase {
  public:
    static constexpr int kMaxChars = 7;  // the device's name field holds no more

    // `name` is the caller's buffer: shown in the edit, and on confirm replaced by the
    // edit's text (at most kMaxChars characters). It must outlive the window.
    explicit CNameMsgWnd(std::wstring& name) : mName(name) {}

    QString ClassName() const override { return QStringLiteral("NameMsgWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_MSG_NAME"); }
    void OnInit() override;
    void OnClick(TNotifyUI& msg) override;
    void Notify(TNotifyUI& msg) override;
    bool OnKeyDown(QKeyEvent* event) override;

    // Runs the dialog over `parent`: 1 confirmed (`name` then holds the new name), 0
    // cancelled or closed, 2 for a third button where the layout has one.
    static int ShowName(QWidget* parent, std::wstring& name);

  private:
    void Confirm();

    std::wstring& mName;
};
