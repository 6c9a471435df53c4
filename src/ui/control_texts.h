#pragma once
// Internal to the toolkit: language keys kept on controls, and the switch that silences
// notifications while the program itself changes a control.

#include <QString>

class QWidget;

namespace tonvia::ui {

// The text a control shows (label, button, edit, group box title, combo's current item).
QString ShownText(const QWidget* widget);
void SetShownText(QWidget* widget, const QString& text);

// Sets a text that may be a language key: the key is kept on the control.
void SetControlText(QWidget* widget, const QString& text);
void SetControlToolTip(QWidget* widget, const QString& text);

// Takes the texts a freshly built layout shows as its keys and shows their translation.
void CaptureTexts(QWidget* widget);
// Shows the current language's text for every key the control keeps; a text the program
// replaced behind the toolkit's back (no longer the shown translation) is left alone.
void RetranslateTexts(QWidget* widget);
// The user typed over an edit's text: its key no longer applies.
void ForgetTextKey(QWidget* widget);

// While one of these lives, controls raise no notifications for changes (UI thread).
class NotifySilencer {
  public:
    NotifySilencer();
    ~NotifySilencer();
    NotifySilencer(const NotifySilencer&) = delete;
    NotifySilencer& operator=(const NotifySilencer&) = delete;
    static bool Active();
};

}  // namespace tonvia::ui
