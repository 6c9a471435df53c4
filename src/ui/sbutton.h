#pragma once
// The switch button: a button with a selected state that only the program changes. A click
// just raises "click". Attributes come from the layout as dynamic properties:
//   normalimage, hotimage, pushedimage, disabledimage, foreimage, bkcolor, textcolor,
//   hottextcolor, disabledtextcolor, and for the selected state selected ("true"),
//   selectedimage, selectedhotimage, selectedpushedimage, selectedforeimage,
//   selectedstateimage with selectedstatecount, selectedbkcolor, selectedtextcolor,
//   selectedhottextcolor, selectedfont (a font index of the resource table).
// Colours are "#AARRGGBB" (or "#RRGGBB", opaque). Images are paths in the skin package.

#include <QColor>
#include <QPushButton>
#include <QString>
#include <optional>

#include "ui/display_scale.h"

// Drawing state bits.
inline constexpr unsigned UISTATE_FOCUSED = 0x01;
inline constexpr unsigned UISTATE_SELECTED = 0x02;
inline constexpr unsigned UISTATE_DISABLED = 0x04;
inline constexpr unsigned UISTATE_HOT = 0x08;
inline constexpr unsigned UISTATE_PUSHED = 0x10;

class CSButtonUI : public QPushButton, public tonvia::ui::ScaleAware {
  public:
    explicit CSButtonUI(QWidget* parent = nullptr);

    bool IsSelected() const { return mSelected; }
    // Stores the flag, sets or clears the selected drawing bit and repaints.
    void SetSelected(bool selected);
    unsigned ButtonState() const { return mState; }
    int ScalePercent() const { return mScalePercent; }

    // One layout attribute (the same names as the dynamic properties).
    void SetAttribute(const QString& name, const QString& value);

    void OnDisplayScale(int percent) override;

    // "#AARRGGBB" or "#RRGGBB"; nullopt when malformed.
    static std::optional<QColor> ParseColor(const QString& text);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    bool HasOwnLook() const;
    QString Attr(const char* name) const;
    QColor ColorAttr(const char* name) const;

    bool mSelected = false;
    unsigned mState = 0;
    int mScalePercent = 100;
};
