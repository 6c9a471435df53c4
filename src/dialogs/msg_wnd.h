#pragma once
// The message boxes used everywhere, the two-choice box and the busy window.

#include <QString>
#include <QStringList>

#include "ui/window_impl_base.h"

class QWidget;

// The message box: a title, a text and one to three buttons. Close codes: "confirm_btn" 1,
// "cancel_btn" 0, "third_btn" 2, "closebtn" 0.
class CMsgWnd : public DialogImplBase {
  public:
    // `buttonCount` 0 keeps the skin's own two buttons; otherwise `labels` name the
    // confirm, cancel and third buttons in that order (see ShowMessageEx).
    CMsgWnd(QString title, QString text, QStringList labels = {}, int buttonCount = 0);

    QString ClassName() const override { return QStringLiteral("MsgWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_MSG"); }
    void OnInit() override;

    // A question or notice with the skin's confirm and cancel buttons; 1 means confirmed.
    // An empty title or text leaves the skin's own.
    static int ShowMessage(QWidget* parent, const QString& title, const QString& text);
    // With own buttons: "confirm_btn" gets labels[0]; with count < 2 "cancel_btn" is
    // hidden, else it gets labels[1]; with count >= 3 "third_btn" gets labels[2] and shows.
    // Missing or empty labels keep the skin's texts.
    static int ShowMessageEx(QWidget* parent, const QString& title, const QString& text,
                             const QStringList& labels, int count);

  private:
    QString mTitle;
    QString mText;
    QStringList mLabels;
    int mButtonCount;
};

// The two-choice box: two exclusive options ("check_box_0", "check_box_1"). Confirming
// closes with 1 or 2 for the selected option and does nothing while neither is selected;
// cancel and close give 0.
class CMsgCheckBoxWnd : public DialogImplBase {
  public:
    CMsgCheckBoxWnd(QString title, QString text, QStringList labels);

    QString ClassName() const override { return QStringLiteral("MsgCheckBoxWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_CHECKBOX_MSG"); }
    void OnInit() override;
    void OnClick(TNotifyUI& msg) override;

    // The option texts are used only when both labels are non-empty.
    static int ShowCheckChoice(QWidget* parent, const QString& title, const QString& text,
                               const QStringList& labels);

  private:
    QString mTitle;
    QString mText;
    QStringList mLabels;
};

// The busy window over a long operation. Its opener keeps the pointer while it runs and
// ends it with Close(); confirm 1, cancel 0.
class CLoadingWnd : public DialogImplBase {
  public:
    explicit CLoadingWnd(QString text = {});

    QString ClassName() const override { return QStringLiteral("LoadingWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_LOADING"); }
    void OnInit() override;

  private:
    QString mText;
};
