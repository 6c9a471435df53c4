#pragma once
// The display scale: layouts are in layout units, drawn at DPI / 96 of their size.

#include <QSize>
#include <QString>

#include "ui/screen_dpi.h"

class QWidget;

namespace tonvia::ui {

// Scale in percent for a DPI, rounded: 77 -> 80, 96 -> 100, 144 -> 150, 288 -> 300.
int ScalePercentForDpi(int dpi);
// Layout units to pixels at `percent`, rounded to the nearest pixel.
int ScaleUnits(int units, int percent);
// Every whole "<n>px" of a style sheet scaled like a layout size (nonzero values stay
// nonzero); other units and numbers inside names or colours are left alone.
QString ScaleStyleSheetPixels(const QString& styleSheet, int percent);

// The monitors as the DPI rule sees them, from Qt's screens.
ScreenInfo CollectScreenInfo();

// The DPI every window uses: set once by the main window (or a test); until then the DPI
// rule applied to the current screens.
int InterfaceDpi();
void SetInterfaceDpi(int dpi);  // 0 goes back to the screens

// Custom controls that draw their own geometry get the scale through this interface.
class ScaleAware {
  public:
    virtual ~ScaleAware() = default;
    virtual void OnDisplayScale(int percent) = 0;
};

// Scales `root` and every widget below it from their layout-unit values: positions,
// sizes, minimum and maximum sizes, explicitly set fonts, layout margins and spacing.
// The unit values are remembered on first use, so the scale can be changed again.
void ApplyDisplayScale(QWidget* root, int percent);
// The size `widget` has in layout units: what its layout gave it before any scaling, or its
// present size when it was never scaled.
QSize LayoutUnitSize(const QWidget* widget);

}  // namespace tonvia::ui
