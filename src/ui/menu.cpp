#include "ui/menu.h"

#include <QAction>
#include <QXmlStreamReader>

#include "platform/log.h"
#include "ui/display_scale.h"
#include "ui/skin_resources.h"
#include "ui/window_registry.h"

namespace {

QPointer<CMenuWnd>& OpenMenu() {
    static QPointer<CMenuWnd> menu;
    return menu;
}

bool ParseItems(QXmlStreamReader& reader, QMenu* menu, WindowHandle receiver) {
    auto& skin = tonvia::ui::SkinResources::Instance();
    while (reader.readNextStartElement()) {
        const auto attrs = reader.attributes();
        if (reader.name() == u"separator") {
            menu->addSeparator();
            reader.skipCurrentElement();
            continue;
        }
        if (reader.name() != u"item") {
            reader.skipCurrentElement();
            continue;
        }
        const QString name = attrs.value(QLatin1String("name")).toString();
        const QString key = attrs.value(QLatin1String("text")).toString();
        const QString userData = attrs.value(QLatin1String("userdata")).toString();
        const QString icon = attrs.value(QLatin1String("icon")).toString();
        QAction* action = new QAction(skin.Translate(key), menu);
        action->setObjectName(name);
        action->setData(userData);
        if (!icon.isEmpty()) {
            action->setIcon(QIcon(skin.Image(icon)));
        }
        if (attrs.hasAttribute(QLatin1String("checked"))) {
            action->setCheckable(true);
            action->setChecked(attrs.value(QLatin1String("checked")) == u"true");
        }
        action->setEnabled(attrs.value(QLatin1String("enabled")) != u"false");
        action->setVisible(attrs.value(QLatin1String("visible")) != u"false");
        // An item with items of its own opens a submenu.
        auto* sub = new QMenu(menu);
        if (!ParseItems(reader, sub, receiver)) {
            return false;
        }
        if (!sub->actions().isEmpty()) {
            sub->setObjectName(name);
            action->setMenu(sub);
        } else {
            delete sub;
            QObject::connect(action, &QAction::triggered, menu, [action, receiver] {
                auto record = std::make_unique<MenuCommandRecord>();
                record->name = action->objectName();
                record->userData = action->data().toString();
                record->text = action->text();
                tonvia::ui::PostMessageTo(receiver, WM_MENU_COMMAND, 0, 0, std::move(record));
            });
        }
        menu->addAction(action);
    }
    return !reader.hasError();
}

}  // namespace

CMenuWnd::CMenuWnd(WindowHandle receiver, QPoint anchor, unsigned alignment)
    : mReceiver(receiver), mAnchor(anchor), mAlignment(alignment) {
    setAttribute(Qt::WA_DeleteOnClose);
}

CMenuWnd* CMenuWnd::CreateMenu(const QString& layoutPath, WindowHandle receiver, QPoint anchor,
                               unsigned alignment, int scalePercent) {
    QString error;
    const auto xml = tonvia::ui::SkinResources::Instance().ReadFile(layoutPath, &error);
    if (!xml) {
        LogPrintA("menu %s: %s\n", layoutPath.toUtf8().constData(), error.toUtf8().constData());
        return nullptr;
    }
    auto* menu = new CMenuWnd(receiver, anchor, alignment);
    QXmlStreamReader reader(*xml);
    const bool ok = reader.readNextStartElement() && reader.name() == u"menu" &&
                    ParseItems(reader, menu, receiver);
    if (!ok) {
        LogPrintA("menu %s: malformed layout (%s)\n", layoutPath.toUtf8().constData(),
                  reader.errorString().toUtf8().constData());
        delete menu;
        return nullptr;
    }
    QFont font = menu->font();
    if (font.pixelSize() > 0) {
        font.setPixelSize(tonvia::ui::ScaleUnits(font.pixelSize(), scalePercent));
    } else {
        font.setPointSizeF(font.pointSizeF() * scalePercent / 100.0);
    }
    menu->setFont(font);
    return menu;
}

CMenuWnd* CMenuWnd::Current() {
    return OpenMenu().data();
}

QAction* CMenuWnd::FindItem(const QString& name) const {
    return findChild<QAction*>(name);
}

bool CMenuWnd::SetItemVisible(const QString& name, bool visible) {
    QAction* action = FindItem(name);
    if (action != nullptr) {
        action->setVisible(visible);
    }
    return action != nullptr;
}

bool CMenuWnd::SetItemEnabled(const QString& name, bool enabled) {
    QAction* action = FindItem(name);
    if (action != nullptr) {
        action->setEnabled(enabled);
    }
    return action != nullptr;
}

bool CMenuWnd::SetItemChecked(const QString& name, bool checked) {
    QAction* action = FindItem(name);
    if (action != nullptr) {
        action->setCheckable(true);
        action->setChecked(checked);
    }
    return action != nullptr;
}

QPoint CMenuWnd::PlaceAt(QPoint anchor, unsigned alignment, QSize size) {
    QPoint at = anchor;
    if ((alignment & eMenuAlignment_Right) != 0 && (alignment & eMenuAlignment_Left) == 0) {
        at.rx() -= size.width();
    }
    if ((alignment & eMenuAlignment_Bottom) != 0 && (alignment & eMenuAlignment_Top) == 0) {
        at.ry() -= size.height();
    }
    return at;
}

void CMenuWnd::Show() {
    if (CMenuWnd* open = OpenMenu().data(); open != nullptr && open != this) {
        open->close();
    }
    OpenMenu() = this;
    popup(PlaceAt(mAnchor, mAlignment, sizeHint()));
}
