#include "ui/display_scale.h"

#include <QBoxLayout>
#include <QFont>
#include <QFormLayout>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLayout>
#include <QRegularExpression>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <cmath>
#include <vector>

namespace tonvia::ui {
namespace {

int gInterfaceDpi = 0;

constexpr char kBaseGeometry[] = "tvBaseGeometry";
constexpr char kBaseMinimum[] = "tvBaseMinimum";
constexpr char kBaseMaximum[] = "tvBaseMaximum";
constexpr char kBaseFont[] = "tvBaseFont";
constexpr char kBaseMargins[] = "tvBaseMargins";
constexpr char kBaseStyle[] = "tvBaseStyle";

int ScaleSizeComponent(int units, int percent) {
    return units >= QWIDGETSIZE_MAX ? QWIDGETSIZE_MAX : ScaleUnits(units, percent);
}

QSize ScaleSize(QSize size, int percent) {
    return {ScaleSizeComponent(size.width(), percent), ScaleSizeComponent(size.height(), percent)};
}

void ScaleLayout(QLayout* layout, int percent) {
    if (layout == nullptr) {
        return;
    }
    QVariant base = layout->property(kBaseMargins);
    if (!base.isValid()) {
        const QMargins m = layout->contentsMargins();
        int h = -1;
        int v = -1;
        if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
            h = grid->horizontalSpacing();
            v = grid->verticalSpacing();
        } else if (auto* form = qobject_cast<QFormLayout*>(layout)) {
            h = form->horizontalSpacing();
            v = form->verticalSpacing();
        } else {
            h = layout->spacing();
        }
        base = QVariantList{m.left(), m.top(), m.right(), m.bottom(), h, v};
        layout->setProperty(kBaseMargins, base);
    }
    const QVariantList values = base.toList();
    if (values.size() == 6) {
        auto s = [&](int i) { return ScaleUnits(values[i].toInt(), percent); };
        layout->setContentsMargins(s(0), s(1), s(2), s(3));
        const int h = values[4].toInt();
        const int v = values[5].toInt();
        if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
            if (h >= 0)
                grid->setHorizontalSpacing(s(4));
            if (v >= 0)
                grid->setVerticalSpacing(s(5));
        } else if (auto* form = qobject_cast<QFormLayout*>(layout)) {
            if (h >= 0)
                form->setHorizontalSpacing(s(4));
            if (v >= 0)
                form->setVerticalSpacing(s(5));
        } else if (h >= 0) {
            layout->setSpacing(s(4));
        }
    }
    for (int i = 0; i < layout->count(); ++i) {
        ScaleLayout(layout->itemAt(i)->layout(), percent);
    }
}

void ScaleWidget(QWidget* widget, int percent, bool isRoot) {
    QVariant geometry = widget->property(kBaseGeometry);
    if (!geometry.isValid()) {
        widget->setProperty(kBaseGeometry, widget->geometry());
        widget->setProperty(kBaseMinimum, widget->minimumSize());
        widget->setProperty(kBaseMaximum, widget->maximumSize());
        const bool ownFont = isRoot || (widget->testAttribute(Qt::WA_SetFont) &&
                                        (widget->font().resolveMask() & QFont::SizeResolved));
        if (ownFont) {
            widget->setProperty(kBaseFont, widget->font());
        }
        geometry = widget->property(kBaseGeometry);
    }
    const QRect r = geometry.toRect();
    widget->setMinimumSize(ScaleSize(widget->property(kBaseMinimum).toSize(), percent));
    widget->setMaximumSize(ScaleSize(widget->property(kBaseMaximum).toSize(), percent));
    const QRect scaled(ScaleUnits(r.x(), percent), ScaleUnits(r.y(), percent),
                       ScaleUnits(r.width(), percent), ScaleUnits(r.height(), percent));
    if (widget->isWindow()) {
        widget->resize(scaled.size());
    } else {
        widget->setGeometry(scaled);
    }
    const QVariant baseFont = widget->property(kBaseFont);
    if (baseFont.isValid()) {
        QFont font = baseFont.value<QFont>();
        if (font.pixelSize() > 0) {
            font.setPixelSize(std::max(1, ScaleUnits(font.pixelSize(), percent)));
        } else if (font.pointSizeF() > 0) {
            font.setPointSizeF(font.pointSizeF() * percent / 100.0);
        }
        widget->setFont(font);
    }
    ScaleLayout(widget->layout(), percent);
    if (auto* aware = dynamic_cast<ScaleAware*>(widget)) {
        aware->OnDisplayScale(percent);
    }
}

// Style sheets give paddings, radii and indicator sizes in pixels of the layout.
void ScaleStyleSheet(QWidget* widget, int percent) {
    QVariant baseStyle = widget->property(kBaseStyle);
    if (!baseStyle.isValid() && !widget->styleSheet().isEmpty()) {
        widget->setProperty(kBaseStyle, widget->styleSheet());
        baseStyle = widget->property(kBaseStyle);
    }
    if (baseStyle.isValid()) {
        const QString scaledStyle = ScaleStyleSheetPixels(baseStyle.toString(), percent);
        if (scaledStyle != widget->styleSheet()) {
            // Qt re-reads a changed sheet only for polished widgets; one set before the
            // first polish would leave the old rules cached for the children.
            widget->ensurePolished();
            widget->setStyleSheet(scaledStyle);
        }
    }
}

}  // namespace

int ScalePercentForDpi(int dpi) {
    return static_cast<int>(std::lround(dpi * 100.0 / 96.0));
}

int ScaleUnits(int units, int percent) {
    return static_cast<int>(std::lround(static_cast<double>(units) * percent / 100.0));
}

QString ScaleStyleSheetPixels(const QString& styleSheet, int percent) {
    if (percent == 100) {
        return styleSheet;
    }
    static const QRegularExpression pixels(QStringLiteral("(?<![\\w.#-])(-?\\d+)px\\b"));
    QString out;
    out.reserve(styleSheet.size());
    qsizetype from = 0;
    auto it = pixels.globalMatch(styleSheet);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(styleSheet).mid(from, m.capturedStart() - from);
        const int value = m.captured(1).toInt();
        // Radii round down: a rounded-up radius can pass half of the rounded sizes it
        // belongs to, and Qt then draws the corner square.
        const qsizetype declaration =
            std::max(styleSheet.lastIndexOf(QLatin1Char(';'), m.capturedStart()),
                     styleSheet.lastIndexOf(QLatin1Char('{'), m.capturedStart()));
        const bool radius =
            styleSheet.lastIndexOf(QLatin1String("radius"), m.capturedStart()) > declaration;
        const int size = radius ? value * percent / 100 : ScaleUnits(value, percent);
        // A hairline stays at least one pixel wide.
        const int scaled = value == 0 ? 0 : (value > 0 ? std::max(1, size) : std::min(-1, size));
        out += QString::number(scaled) + QLatin1String("px");
        from = m.capturedEnd();
    }
    out += QStringView(styleSheet).mid(from);
    return out;
}

ScreenInfo CollectScreenInfo() {
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) {
        return MakeScreenInfo(1280, 720, {0, 0, 1280, 720}, {{0, 0, 1280, 720}});
    }
    const QRect virt = primary->virtualGeometry();
    std::vector<ScreenRect> monitors;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        monitors.push_back({g.left(), g.top(), g.left() + g.width(), g.top() + g.height()});
    }
    const QRect p = primary->geometry();
    return MakeScreenInfo(
        p.width(), p.height(),
        {virt.left(), virt.top(), virt.left() + virt.width(), virt.top() + virt.height()},
        monitors);
}

int InterfaceDpi() {
    if (gInterfaceDpi <= 0) {
        gInterfaceDpi = GetScreenDpi(CollectScreenInfo());
    }
    return gInterfaceDpi;
}

void SetInterfaceDpi(int dpi) {
    gInterfaceDpi = dpi;
}

void ApplyDisplayScale(QWidget* root, int percent) {
    if (root == nullptr || percent <= 0) {
        return;
    }
    ScaleWidget(root, percent, true);
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* child : children) {
        // Windows of their own (popups of combos, menus) keep their own sizing.
        if (!child->isWindow()) {
            ScaleWidget(child, percent, false);
        }
    }
    ScaleStyleSheet(root, percent);
    for (QWidget* child : children) {
        if (!child->isWindow()) {
            ScaleStyleSheet(child, percent);
        }
    }
}

QSize LayoutUnitSize(const QWidget* widget) {
    if (widget == nullptr) {
        return {};
    }
    const QVariant geometry = widget->property(kBaseGeometry);
    return geometry.isValid() ? geometry.toRect().size() : widget->size();
}

}  // namespace tonvia::ui
