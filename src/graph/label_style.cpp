#include "graph/label_style.h"

#include "ui/sbutton.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>
#include <QWidget>

#include "ui/display_scale.h"
#include "ui/skin_resources.h"

namespace {

bool IsTrue(const QString& value) {
    return value.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

}  // namespace

std::optional<QColor> ParseSkinColor(const QString& text) {
    // The skin writes colours one way for every control.
    return CSButtonUI::ParseColor(text);
}

bool LabelTextStyle::Apply(const QString& name, const QString& value) {
    const QString v = value.toLower();
    if (name == QLatin1String("align")) {
        align &= ~Qt::AlignHorizontal_Mask;
        if (v.contains(QLatin1String("left"))) {
            align |= Qt::AlignLeft;
        } else if (v.contains(QLatin1String("right"))) {
            align |= Qt::AlignRight;
        } else {
            align |= Qt::AlignHCenter;
        }
    } else if (name == QLatin1String("valign")) {
        align &= ~Qt::AlignVertical_Mask;
        if (v.contains(QLatin1String("top"))) {
            align |= Qt::AlignTop;
        } else if (v.contains(QLatin1String("bottom"))) {
            align |= Qt::AlignBottom;
        } else {
            align |= Qt::AlignVCenter;
        }
    } else if (name == QLatin1String("endellipsis")) {
        endEllipsis = IsTrue(value);
    } else if (name == QLatin1String("wordbreak")) {
        wordBreak = IsTrue(value);
    } else if (name == QLatin1String("noprefix")) {
        noPrefix = IsTrue(value);
    } else if (name == QLatin1String("font")) {
        bool ok = false;
        const int index = value.trimmed().toInt(&ok);
        font = ok ? index : -1;
    } else if (name == QLatin1String("textcolor")) {
        if (auto color = ParseSkinColor(value)) {
            textColor = *color;
        }
    } else if (name == QLatin1String("disabledtextcolor")) {
        if (auto color = ParseSkinColor(value)) {
            disabledTextColor = *color;
        }
    } else if (name == QLatin1String("textpadding")) {
        const QStringList parts = value.split(QLatin1Char(','));
        if (parts.size() == 4) {
            textPadding = QMargins(parts[0].trimmed().toInt(), parts[1].trimmed().toInt(),
                                   parts[2].trimmed().toInt(), parts[3].trimmed().toInt());
        }
    } else if (name == QLatin1String("autocalcwidth")) {
        autoCalcWidth = IsTrue(value);
    } else {
        return false;
    }
    return true;
}

int LabelTextStyle::DrawFlags() const {
    return align | (wordBreak ? Qt::TextWordWrap : Qt::TextSingleLine);
}

QFont SkinFontAt(int index, const QWidget& widget, int scale) {
    if (index >= 0) {
        if (auto font = tonvia::ui::SkinResources::Instance().Font(index)) {
            return font->ToFont(scale);
        }
    }
    QFont font = widget.font();
    font.setPixelSize(tonvia::ui::ScaleUnits(12, scale));
    return font;
}

void DrawStyledText(QPainter& painter, const QRect& box, const QString& text,
                    const LabelTextStyle& style) {
    if (style.endEllipsis && !style.wordBreak) {
        const QString shown =
            painter.fontMetrics().elidedText(text, Qt::ElideRight, std::max(0, box.width()));
        painter.drawText(box, style.DrawFlags(), shown);
        return;
    }
    painter.drawText(box, style.DrawFlags(), text);
}
