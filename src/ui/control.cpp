#include "ui/control.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>
#include <algorithm>
#include <optional>

#include "ui/control_texts.h"
#include "ui/sbutton.h"

namespace {

QColor FromArgb(std::uint32_t argb) {
    return QColor::fromRgba(argb);
}

}  // namespace

QString UiControl::GetName() const {
    return mWidget ? mWidget->objectName() : QString();
}

QString UiControl::GetClass() const {
    QWidget* w = mWidget.data();
    if (w == nullptr) {
        return {};
    }
    const QVariant own = w->property("tvClass");
    if (own.isValid()) {
        return own.toString();
    }
    if (qobject_cast<QLabel*>(w))
        return QStringLiteral("LabelUI");
    if (qobject_cast<QRadioButton*>(w))
        return QStringLiteral("OptionUI");
    if (qobject_cast<QCheckBox*>(w))
        return QStringLiteral("CheckBoxUI");
    if (qobject_cast<QAbstractButton*>(w))
        return QStringLiteral("ButtonUI");
    if (qobject_cast<QLineEdit*>(w))
        return QStringLiteral("EditUI");
    if (qobject_cast<QSlider*>(w))
        return QStringLiteral("SliderUI");
    if (qobject_cast<QProgressBar*>(w))
        return QStringLiteral("ProgressUI");
    if (qobject_cast<QComboBox*>(w))
        return QStringLiteral("ComboUI");
    if (qobject_cast<QListWidget*>(w))
        return QStringLiteral("ListUI");
    return QString::fromLatin1(w->metaObject()->className());
}

QString UiControl::GetText() const {
    return tonvia::ui::ShownText(mWidget.data());
}

void UiControl::SetText(const QString& text) {
    const tonvia::ui::NotifySilencer silence;
    tonvia::ui::SetControlText(mWidget.data(), text);
}

QString UiControl::GetToolTip() const {
    return mWidget ? mWidget->toolTip() : QString();
}

void UiControl::SetToolTip(const QString& text) {
    tonvia::ui::SetControlToolTip(mWidget.data(), text);
}

bool UiControl::IsVisible() const {
    // The control's own visible flag, whether or not its window is shown yet.
    return mWidget && !mWidget->isHidden();
}

void UiControl::SetVisible(bool visible) {
    if (mWidget) {
        mWidget->setVisible(visible);
    }
}

bool UiControl::IsEnabled() const {
    return mWidget && mWidget->isEnabled();
}

void UiControl::SetEnabled(bool enabled) {
    if (mWidget) {
        mWidget->setEnabled(enabled);
    }
}

void UiControl::SetTextColor(std::uint32_t argb) {
    if (!mWidget) {
        return;
    }
    QPalette palette = mWidget->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
            palette.setColor(group, role, FromArgb(argb));
        }
    }
    mWidget->setPalette(palette);
    mWidget->setProperty("textcolor", FromArgb(argb).name(QColor::HexArgb));
}

void UiControl::SetDisabledTextColor(std::uint32_t argb) {
    if (!mWidget) {
        return;
    }
    QPalette palette = mWidget->palette();
    for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
        palette.setColor(QPalette::Disabled, role, FromArgb(argb));
    }
    mWidget->setPalette(palette);
    mWidget->setProperty("disabledtextcolor", FromArgb(argb).name(QColor::HexArgb));
}

bool UiControl::IsSelected() const {
    if (auto* sbutton = As<CSButtonUI>()) {
        return sbutton->IsSelected();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(mWidget.data())) {
        return button->isChecked();
    }
    return false;
}

void UiControl::Selected(bool selected, bool notify) {
    if (auto* sbutton = As<CSButtonUI>()) {
        sbutton->SetSelected(selected);
        return;
    }
    auto* button = qobject_cast<QAbstractButton*>(mWidget.data());
    if (button == nullptr) {
        return;
    }
    if (notify) {
        button->setChecked(selected);
    } else {
        const tonvia::ui::NotifySilencer silence;
        button->setChecked(selected);
    }
}

int UiControl::GetValue() const {
    if (auto* slider = qobject_cast<QAbstractSlider*>(mWidget.data())) {
        return slider->value();
    }
    if (auto* progress = qobject_cast<QProgressBar*>(mWidget.data())) {
        return progress->value();
    }
    return 0;
}

void UiControl::SetValue(int value) {
    const tonvia::ui::NotifySilencer silence;
    if (auto* slider = qobject_cast<QAbstractSlider*>(mWidget.data())) {
        slider->setValue(value);
    } else if (auto* progress = qobject_cast<QProgressBar*>(mWidget.data())) {
        progress->setValue(std::clamp(value, progress->minimum(), progress->maximum()));
    }
}

int UiControl::GetMinValue() const {
    if (auto* slider = qobject_cast<QAbstractSlider*>(mWidget.data())) {
        return slider->minimum();
    }
    if (auto* progress = qobject_cast<QProgressBar*>(mWidget.data())) {
        return progress->minimum();
    }
    return 0;
}

int UiControl::GetMaxValue() const {
    if (auto* slider = qobject_cast<QAbstractSlider*>(mWidget.data())) {
        return slider->maximum();
    }
    if (auto* progress = qobject_cast<QProgressBar*>(mWidget.data())) {
        return progress->maximum();
    }
    return 0;
}

void UiControl::SetMinValue(int value) {
    const tonvia::ui::NotifySilencer silence;
    if (auto* slider = qobject_cast<QAbstractSlider*>(mWidget.data())) {
        slider->setMinimum(value);
    } else if (auto* progress = qobject_cast<QProgressBar*>(mWidget.data())) {
        progress->setMinimum(value);
    }
}

void UiControl::SetMaxValue(int value) {
    const tonvia::ui::NotifySilencer silence;
    if (auto* slider = qobject_cast<QAbstractSlider*>(mWidget.data())) {
        slider->setMaximum(value);
    } else if (auto* progress = qobject_cast<QProgressBar*>(mWidget.data())) {
        progress->setMaximum(value);
    }
}

int UiControl::GetStep() const {
    if (auto* slider = qobject_cast<QAbstractSlider*>(mWidget.data())) {
        return slider->singleStep();
    }
    return mWidget ? 1 : 0;
}

int UiControl::GetCurSel() const {
    if (auto* combo = qobject_cast<QComboBox*>(mWidget.data())) {
        return combo->currentIndex();
    }
    if (auto* list = qobject_cast<QListWidget*>(mWidget.data())) {
        return list->currentRow();
    }
    return -1;
}

int UiControl::GetCount() const {
    if (auto* combo = qobject_cast<QComboBox*>(mWidget.data())) {
        return combo->count();
    }
    if (auto* list = qobject_cast<QListWidget*>(mWidget.data())) {
        return list->count();
    }
    return 0;
}

bool UiControl::SelectItem(int index, bool notify) {
    if (index < -1 || index >= GetCount()) {
        return false;
    }
    std::optional<tonvia::ui::NotifySilencer> silence;
    if (!notify) {
        silence.emplace();
    }
    if (auto* combo = qobject_cast<QComboBox*>(mWidget.data())) {
        combo->setCurrentIndex(index);
        return true;
    }
    if (auto* list = qobject_cast<QListWidget*>(mWidget.data())) {
        list->setCurrentRow(index);
        return true;
    }
    return false;
}

void UiControl::SetFocus() {
    if (mWidget) {
        mWidget->setFocus(Qt::OtherFocusReason);
    }
}

void UiControl::SetFocusSelectAll() {
    SetFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(mWidget.data())) {
        edit->selectAll();
    }
}

QString UiControl::GetUserData() const {
    return mWidget ? mWidget->property("userdata").toString() : QString();
}

void UiControl::SetUserData(const QString& data) {
    if (mWidget) {
        mWidget->setProperty("userdata", data);
    }
}
