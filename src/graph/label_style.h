#pragma once
// The label-style text attributes the graph controls share ("align", "valign",
// "endellipsis", "wordbreak", "noprefix", "font", "textcolor", "disabledtextcolor",
// "textpadding", "autocalcwidth") and drawing a text with them.

#include <QColor>
#include <QFont>
#include <QMargins>
#include <QRect>
#include <QString>
#include <optional>

class QPainter;
class QWidget;

struct LabelTextStyle {
    int align = Qt::AlignHCenter | Qt::AlignVCenter;
    bool wordBreak = false;
    bool endEllipsis = false;
    bool noPrefix = false;
    bool autoCalcWidth = false;
    int font = -1;  // index into the skin's fonts; -1 the toolkit default
    QColor textColor = QColor::fromRgba(0xFF596274);
    QColor disabledTextColor;
    QMargins textPadding;

    // Applies one attribute (`name` in lower case). False for names it does not know.
    bool Apply(const QString& name, const QString& value);
    // Qt text flags for QPainter::drawText.
    int DrawFlags() const;
};

// Hexadecimal colour with an optional leading '#': "AARRGGBB" or "RRGGBB" (opaque).
std::optional<QColor> ParseSkinColor(const QString& text);

// The skin font `index` at `scale` percent; the toolkit default (12 units) for -1 or an
// index the skin does not have.
QFont SkinFontAt(int index, const QWidget& widget, int scale);

// Draws `text` in `box` with the style's flags, eliding the end when asked to.
void DrawStyledText(QPainter& painter, const QRect& box, const QString& text,
                    const LabelTextStyle& style);
