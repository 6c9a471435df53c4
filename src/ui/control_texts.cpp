#include "ui/control_texts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVariant>
#include <QWidget>

#include "ui/skin_resources.h"

namespace tonvia::ui {
namespace {

constexpr char kTextKey[] = "tvText";
constexpr char kTextShown[] = "tvTextShown";
constexpr char kTipKey[] = "tvTip";
constexpr char kTipShown[] = "tvTipShown";
constexpr int kItemKeyRole = Qt::UserRole + 0x7654;

int gSilencers = 0;

bool IsKey(const QString& text) {
    return text.startsWith(QLatin1String("${"));
}

// Items of combos and lists keep their keys in an item role.
void CaptureItemTexts(QWidget* widget) {
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        for (int i = 0; i < combo->count(); ++i) {
            const QString text = combo->itemText(i);
            if (IsKey(text)) {
                combo->setItemData(i, text, kItemKeyRole);
            }
        }
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        for (int i = 0; i < list->count(); ++i) {
            QListWidgetItem* item = list->item(i);
            if (IsKey(item->text())) {
                item->setData(kItemKeyRole, item->text());
            }
        }
    }
}

void RetranslateItems(QWidget* widget) {
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        const NotifySilencer silence;
        for (int i = 0; i < combo->count(); ++i) {
            const QVariant key = combo->itemData(i, kItemKeyRole);
            if (key.isValid()) {
                combo->setItemText(i, Translate(key.toString()));
            }
        }
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        for (int i = 0; i < list->count(); ++i) {
            QListWidgetItem* item = list->item(i);
            const QVariant key = item->data(kItemKeyRole);
            if (key.isValid()) {
                item->setText(Translate(key.toString()));
            }
        }
    }
}

}  // namespace

QString ShownText(const QWidget* widget) {
    if (widget == nullptr) {
        return {};
    }
    if (auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        return edit->text();
    }
    if (auto* group = qobject_cast<const QGroupBox*>(widget)) {
        return group->title();
    }
    if (auto* combo = qobject_cast<const QComboBox*>(widget)) {
        return combo->currentText();
    }
    if (widget->isWindow()) {
        return widget->windowTitle();
    }
    return widget->property("text").toString();
}

void SetShownText(QWidget* widget, const QString& text) {
    if (widget == nullptr) {
        return;
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (combo->isEditable()) {
            combo->setEditText(text);
        }
    } else if (widget->isWindow()) {
        widget->setWindowTitle(text);
    } else {
        widget->setProperty("text", text);
        widget->update();
    }
}

void SetControlText(QWidget* widget, const QString& text) {
    if (widget == nullptr) {
        return;
    }
    const QString shown = Translate(text);
    widget->setProperty(kTextKey, text);
    widget->setProperty(kTextShown, shown);
    SetShownText(widget, shown);
}

void SetControlToolTip(QWidget* widget, const QString& text) {
    if (widget == nullptr) {
        return;
    }
    const QString shown = Translate(text);
    widget->setProperty(kTipKey, text);
    widget->setProperty(kTipShown, shown);
    widget->setToolTip(shown);
}

void CaptureTexts(QWidget* widget) {
    // A combo's items carry their own keys; its shown text is only the current item.
    const QString text = qobject_cast<QComboBox*>(widget) ? QString() : ShownText(widget);
    if (IsKey(text)) {
        SetControlText(widget, text);
    }
    const QString tip = widget->toolTip();
    if (IsKey(tip)) {
        SetControlToolTip(widget, tip);
    }
    CaptureItemTexts(widget);
    RetranslateItems(widget);
}

void RetranslateTexts(QWidget* widget) {
    const QVariant key = widget->property(kTextKey);
    if (key.isValid() && ShownText(widget) == widget->property(kTextShown).toString()) {
        SetControlText(widget, key.toString());
    }
    const QVariant tip = widget->property(kTipKey);
    if (tip.isValid() && widget->toolTip() == widget->property(kTipShown).toString()) {
        SetControlToolTip(widget, tip.toString());
    }
    RetranslateItems(widget);
}

void ForgetTextKey(QWidget* widget) {
    widget->setProperty(kTextKey, QVariant());
    widget->setProperty(kTextShown, QVariant());
}

NotifySilencer::NotifySilencer() {
    ++gSilencers;
}
NotifySilencer::~NotifySilencer() {
    --gSilencers;
}
bool NotifySilencer::Active() {
    return gSilencers > 0;
}

}  // namespace tonvia::ui
