#pragma once
// Access to one control of a window's layout by value: a weak reference that reads as
// "no control" once the control is gone, so every operation on it is safe (and does nothing).

#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>

class UiControl {
  public:
    UiControl() = default;
    explicit UiControl(QWidget* widget) : mWidget(widget) {}

    explicit operator bool() const { return !mWidget.isNull(); }
    QWidget* Widget() const { return mWidget.data(); }
    template <class T>
    T* As() const {
        return dynamic_cast<T*>(mWidget.data());
    }
    bool operator==(const UiControl& other) const { return mWidget == other.mWidget; }

    QString GetName() const;
    // The toolkit class: "LabelUI", "ButtonUI", "OptionUI", "CheckBoxUI", "EditUI",
    // "SliderUI", "ProgressUI", "ComboUI", "ListUI", the application controls' own names,
    // otherwise the Qt class name.
    QString GetClass() const;

    // Texts may be language keys ("${off}"): the control keeps the key and shows its
    // translation, and reading gives what is shown.
    QString GetText() const;
    void SetText(const QString& text);
    QString GetToolTip() const;
    void SetToolTip(const QString& text);

    bool IsVisible() const;
    void SetVisible(bool visible);
    bool IsEnabled() const;
    void SetEnabled(bool enabled);

    // Colours as ARGB, e.g. 0xFF888888.
    void SetTextColor(std::uint32_t argb);
    void SetDisabledTextColor(std::uint32_t argb);

    // Options, check boxes and selectable buttons. With `notify` false no "selectchanged"
    // is raised.
    bool IsSelected() const;
    void Selected(bool selected, bool notify = true);

    // Sliders, progress bars and scroll bars. Setting the value raises no notification.
    int GetValue() const;
    void SetValue(int value);
    int GetMinValue() const;
    int GetMaxValue() const;
    void SetMinValue(int value);
    void SetMaxValue(int value);
    int GetStep() const;  // the single step (1 for progress bars)

    // Combos and lists: the selected item (-1 for none), item count and selection.
    int GetCurSel() const;
    int GetCount() const;
    bool SelectItem(int index, bool notify = true);

    void SetFocus();
    // Focuses an edit and selects its whole text.
    void SetFocusSelectAll();

    // The layout's "userdata" property (windows keep channel and column numbers there).
    QString GetUserData() const;
    void SetUserData(const QString& data);

  private:
    QPointer<QWidget> mWidget;
};
