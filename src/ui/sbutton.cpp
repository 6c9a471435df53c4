#include "ui/sbutton.h"

#include <QDynamicPropertyChangeEvent>
#include <QEvent>
#include <QPainter>
#include <QPixmap>

#include "ui/skin_resources.h"

namespace {

constexpr const char* kLookAttributes[] = {
    "normalimage",     "hotimage",         "pushedimage",  "disabledimage", "foreimage",
    "bkcolor",         "textcolor",        "hottextcolor", "selectedimage", "selectedstateimage",
    "selectedbkcolor", "selectedtextcolor"};

}  // namespace

CSButtonUI::CSButtonUI(QWidget* parent) : QPushButton(parent) {
    setProperty("tvClass", QStringLiteral("SButtonUI"));
    setAttribute(Qt::WA_Hover);
}

std::optional<QColor> CSButtonUI::ParseColor(const QString& text) {
    QString hex = text.trimmed();
    if (hex.startsWith(QLatin1Char('#'))) {
        hex.remove(0, 1);
    }
    if (hex.size() != 6 && hex.size() != 8) {
        return std::nullopt;
    }
    bool ok = false;
    const unsigned value = hex.toUInt(&ok, 16);
    if (!ok) {
        return std::nullopt;
    }
    return QColor::fromRgba(hex.size() == 6 ? (0xFF000000u | value) : value);
}

void CSButtonUI::SetSelected(bool selected) {
    mSelected = selected;
    if (selected) {
        mState |= UISTATE_SELECTED;
    } else {
        mState &= ~UISTATE_SELECTED;
    }
    update();
}

void CSButtonUI::SetAttribute(const QString& name, const QString& value) {
    setProperty(name.toUtf8().constData(), value);
    update();
}

void CSButtonUI::OnDisplayScale(int percent) {
    mScalePercent = percent;
    update();
}

QString CSButtonUI::Attr(const char* name) const {
    return property(name).toString();
}

QColor CSButtonUI::ColorAttr(const char* name) const {
    const QVariant v = property(name);
    if (!v.isValid()) {
        return {};
    }
    return ParseColor(v.toString()).value_or(QColor());
}

bool CSButtonUI::HasOwnLook() const {
    for (const char* name : kLookAttributes) {
        if (property(name).isValid()) {
            return true;
        }
    }
    return false;
}

bool CSButtonUI::event(QEvent* e) {
    switch (e->type()) {
        case QEvent::DynamicPropertyChange: {
            const QByteArray name = static_cast<QDynamicPropertyChangeEvent*>(e)->propertyName();
            if (name == "selected") {
                SetSelected(property("selected").toString() == QLatin1String("true"));
            } else {
                update();
            }
            break;
        }
        case QEvent::HoverEnter:
            if (isEnabled())
                mState |= UISTATE_HOT;
            update();
            break;
        case QEvent::HoverLeave:
            mState &= ~(UISTATE_HOT | UISTATE_PUSHED);
            update();
            break;
        case QEvent::MouseButtonPress:
            if (isEnabled())
                mState |= UISTATE_PUSHED;
            break;
        case QEvent::MouseButtonRelease:
            mState &= ~UISTATE_PUSHED;
            break;
        case QEvent::FocusIn:
            mState |= UISTATE_FOCUSED;
            break;
        case QEvent::FocusOut:
            mState &= ~UISTATE_FOCUSED;
            break;
        case QEvent::EnabledChange:
            // A disabled button forgets hot, pushed and focus; only the selection stays.
            if (!isEnabled()) {
                mState &= UISTATE_SELECTED;
            }
            update();
            break;
        default:
            break;
    }
    return QPushButton::event(e);
}

void CSButtonUI::paintEvent(QPaintEvent* e) {
    if (!mSelected && !HasOwnLook()) {
        QPushButton::paintEvent(e);
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect area = rect();
    auto& skin = tonvia::ui::SkinResources::Instance();
    auto drawImage = [&](const QString& path) {
        const QPixmap pixmap = skin.Image(path);
        if (pixmap.isNull()) {
            return false;
        }
        painter.drawPixmap(area, pixmap);
        return true;
    };

    const bool enabled = isEnabled();
    const bool pushed = enabled && (mState & UISTATE_PUSHED || isDown());
    const bool hot = enabled && (mState & UISTATE_HOT);
    QColor textColor;
    QFont font = this->font();

    if (mSelected) {
        const QColor back = ColorAttr("selectedbkcolor");
        if (back.isValid()) {
            painter.fillRect(area, back);
        }
        const QPixmap strip = skin.Image(Attr("selectedstateimage"));
        const int count = property("selectedstatecount").toInt();
        if (!strip.isNull() && count > 0) {
            // Parts of the strip: normal, hot, pushed, focused, disabled.
            int part = 0;
            if (!enabled) {
                part = 4;
            } else if (pushed) {
                part = 2;
            } else if (hot) {
                part = 1;
            } else if (hasFocus()) {
                part = 3;
            }
            part = std::min(part, count - 1);
            const int partWidth = strip.width() / count;
            painter.drawPixmap(area, strip, QRect(part * partWidth, 0, partWidth, strip.height()));
        } else {
            bool drawn = false;
            if (pushed) {
                drawn = drawImage(Attr("selectedpushedimage"));
            }
            if (!drawn && hot) {
                drawn = drawImage(Attr("selectedhotimage"));
            }
            if (!drawn) {
                drawImage(Attr("selectedimage"));
            }
        }
        drawImage(Attr("selectedforeimage"));
        textColor = hot ? ColorAttr("selectedhottextcolor") : QColor();
        if (!textColor.isValid()) {
            textColor = ColorAttr("selectedtextcolor");
        }
        bool ok = false;
        const int fontIndex = property("selectedfont").toString().toInt(&ok);
        if (ok) {
            if (auto skinFont = skin.Font(fontIndex)) {
                font = skinFont->ToFont(mScalePercent);
            }
        }
    } else {
        const QColor back = ColorAttr("bkcolor");
        if (back.isValid()) {
            painter.fillRect(area, back);
        }
        bool drawn = false;
        if (!enabled) {
            drawn = drawImage(Attr("disabledimage"));
        } else if (pushed) {
            drawn = drawImage(Attr("pushedimage"));
        } else if (hot) {
            drawn = drawImage(Attr("hotimage"));
        }
        if (!drawn) {
            drawImage(Attr("normalimage"));
        }
        drawImage(Attr("foreimage"));
    }
    if (!textColor.isValid()) {
        if (!enabled) {
            textColor = ColorAttr("disabledtextcolor");
        } else if (hot) {
            textColor = ColorAttr("hottextcolor");
        }
    }
    if (!textColor.isValid()) {
        textColor = ColorAttr("textcolor");
    }
    if (!textColor.isValid()) {
        textColor =
            palette().color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    }
    painter.setFont(font);
    painter.setPen(textColor);
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, text());
}
